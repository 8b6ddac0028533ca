-- Control objects over a tree built from a packaged layout: methods by type
-- name, the checked state, markup attributes, and "initSize".
local VALUECHANGE = event.ValueChange
local w = createWindow("page.xml")

-- updateLayout with "initSize" uses exactly that size.
w:updateLayout()
local l, t, r, b = test.windowRect(w)
checkEqual(r - l, 401, "initSize width")
checkEqual(b - t, 301, "initSize height")

local types = {
  { 2, "Panel", "getChild" },
  { 3, "Button", "setCheck" },
  { 4, "Button", "getCheck" },
  { 5, "Button", "setCheck" },
  { 6, "Control", nil },
  { 7, "Image", nil },
  { 8, "Panel", "getLastChild" },
}
for _, case in ipairs(types) do
  local object = w:getChild(case[1])
  checkEqual(object:getName(), case[2], "id " .. case[1] .. " type name")
  if case[3] then checkEqual(type(object[case[3]]), "function", "id " .. case[1] .. " has " .. case[3]) end
end
checkEqual(w:getChild(6).setCheck, nil, "a label has no setCheck")
checkEqual(w:getChild(7).getChild, nil, "an image has no getChild")
checkEqual(w:getChild(6):getText(), "欢迎", "the markup text reaches getText")

-- setCheck: a change raises ValueChange once; the same state raises nothing.
local box = w:getChild(3)
local changes = 0
box:addHandler(VALUECHANGE, function(sender, code, wp, lp)
  changes = changes + 1
  checkEqual(sender, box, "ValueChange sender")
end)
local steps = {
  { true, 1, true },
  { true, 1, true },
  { 0, 1, true },        -- 0 is true in Lua
  { false, 2, false },
  { nil, 2, false },
}
for i, step in ipairs(steps) do
  box:setCheck(step[1])
  checkEqual(changes, step[2], "setCheck step " .. i .. ": ValueChange count")
  checkEqual(box:getCheck(), step[3], "setCheck step " .. i .. ": getCheck")
end

-- The stack panel's children.
local stack = w:getChild(8)
checkEqual(stack:getFirstChild():getText(), "one", "getFirstChild")
checkEqual(stack:getLastChild():getText(), "three", "getLastChild gives the last child")
checkEqual(stack:getChild(1):getText(), "two", "getChild(1)")
checkEqual(stack:getChild(3), nil, "getChild past the end")

-- A label is HitTransparent (bit 10); clearing it makes it take clicks.
local label = w:getChild(6)
checkEqual(label:readFlag(10), true, "a label starts HitTransparent")
local presses = 0
label:addHandler(13, function() presses = presses + 1 end)
test.click(w, 20, 115)
checkEqual(presses, 0, "a transparent label gets no press")
label:writeFlag(10, false)
test.click(w, 20, 115)
checkEqual(presses, 1, "after writeFlag(10, false) the label gets the press")

-- setEnabled(false) on the focused control makes the window forget it.
local button = w:getChild(5)
local lost = 0
button:addHandler(3, function() lost = lost + 1 end)
button:setFocus()
button:setEnabled(false)
checkEqual(lost, 1, "disabling the focus raises LostFocus")
button:setEnabled(false)
checkEqual(lost, 1, "disabling again changes nothing")

test.destroy(w)
