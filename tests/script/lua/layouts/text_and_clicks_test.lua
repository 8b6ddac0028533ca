-- TextBox and Edit objects use the controls' own content; buttons clicked
-- through real mouse messages reach script handlers as deferred Clicks.
local w = createWindow("page.xml")
w:updateLayout()
w:showWindow(5)

local box, edit = w:getChild(9), w:getChild(10)
checkEqual(box:getName(), "TextBox", "text box type name")
checkEqual(edit:getName(), "Edit", "edit type name")
checkEqual(box:getText(), "C:\\Kavri", "the text box starts with its markup text")

local long = string.rep("x", 3000)
local texts = {
  { box, "TextBox", "D:\\Programs\\Kavri", "D:\\Programs\\Kavri" },
  { box, "TextBox", "", "" },
  { box, "TextBox", long, string.rep("x", 2000) },   -- cut to the 2000-character buffer
  { edit, "Edit", "first line\r\nsecond line", "first line\r\nsecond line" },
  { edit, "Edit", "欢迎使用", "欢迎使用" },
  { edit, "Edit", long, long },
}
for i, case in ipairs(texts) do
  case[1]:setText(case[3])
  checkEqual(case[1]:getText(), case[4], case[2] .. " setText/getText case " .. i)
end

-- A click on the check box: the Click is deferred until the release has been
-- handled; it toggles the state, which raises ValueChange.
local agree, install = w:getChild(3), w:getChild(5)
install:setEnabled(false)
local clicks, changes = 0, 0
agree:addHandler(event.Click, function() clicks = clicks + 1 end)
agree:addHandler(event.ValueChange, function()
  changes = changes + 1
  install:setEnabled(agree:getCheck())
end)
test.click(w, 20, 20)
checkEqual(clicks, 0, "the Click waits for the dispatcher")
test.pump()
checkEqual(clicks, 1, "one click, one Click")
checkEqual(changes, 1, "the check box changed once")
checkEqual(agree:getCheck(), true, "checked after one click")
checkEqual(install:getEnabled(), true, "the handler enabled the install button")
test.click(w, 20, 20)
test.pump()
checkEqual(agree:getCheck(), false, "unchecked after two clicks")
checkEqual(install:getEnabled(), false, "the install button follows")

-- A disabled button gets no Click.
local pressed = 0
install:addHandler(event.Click, function() pressed = pressed + 1 end)
test.click(w, 20, 80)
test.pump()
checkEqual(pressed, 0, "a disabled button does not click")
install:setEnabled(true)
test.click(w, 20, 80)
test.pump()
checkEqual(pressed, 1, "an enabled button clicks")

test.destroy(w)
