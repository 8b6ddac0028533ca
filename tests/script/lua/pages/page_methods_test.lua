-- The page controls' objects: the bar's and the slideshow's methods called
-- without testing for them first, tab pages found by id, and a click on a
-- header reaching the script as ValueChange.
local w = createWindow("pages.xml")

local types = {
  { 3, "Control" }, { 4, "ProgressBar" }, { 5, "PowerPoint" }, { 6, "Control" },
  { 7, "Panel" }, { 8, "Button" }, { 10, "Panel" }, { 11, "Control" },
}
for _, case in ipairs(types) do
  checkEqual(w:getChild(case[1]):getName(), case[2], "id " .. case[1] .. " type name")
end

local bar, show = w:getChild(4), w:getChild(5)
for _, m in ipairs({ "setRange", "setPosition" }) do checkEqual(type(bar[m]), "function", "bar has " .. m) end
for _, m in ipairs({ "playStart", "playStop" }) do checkEqual(type(show[m]), "function", "slideshow has " .. m) end
checkEqual(w:getChild(6).setRange, nil, "a separator has no setRange")
checkEqual(bar.playStart, nil, "a bar has no playStart")

-- Called as the installer calls them, with odd arguments too: no error.
checkEqual(select("#", bar:setRange(100)), 0, "setRange returns nothing")
checkEqual(select("#", bar:setPosition(250)), 0, "setPosition returns nothing")
bar:setPosition("40")
bar:setPosition(nil)
checkEqual(select("#", show:playStart()), 0, "playStart returns nothing")
show:playStart()
checkEqual(select("#", show:playStop()), 0, "playStop returns nothing")

-- The pages belong to the window while their headers do.
checkEqual(w:getChild(13):getText(), "second", "the second page's label is found by id")
checkEqual(w:getChild(10):getParent(), w:getChild(7), "a page hangs under the tab control")

local changes = {}
w:getChild(7):addHandler(event.ValueChange, function() changes[#changes + 1] = "tabs" end)
w:getChild(8):addHandler(event.ValueChange, function() changes[#changes + 1] = "one" end)
checkEqual(w:getChild(8):getCheck(), true, "the first header is selected at the first layout")
local second = w:getChild(9)
local tabs = w:getChild(7)
w:setTimer(20, function()
  test.click(w, 10 + 80 + 40, 100 + 15)
  test.pump()
  checkEqual(second:getCheck(), true, "the second header is selected")
  w:endDialog(1)
end)
w:showDialog()
checkEqual(table.concat(changes, ","), "one,tabs", "clicking the second header")

-- Dead objects do nothing.
checkEqual(select("#", bar:setPosition(1)), 0, "a dead bar")
checkEqual(select("#", show:playStart()), 0, "a dead slideshow")
checkEqual(tabs:getName(), "nil", "a dead tab control")
