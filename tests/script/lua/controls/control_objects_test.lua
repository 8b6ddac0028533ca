-- Control objects: one table per control, the tree methods, flags, text.
local w = createWindow("main.xml")
local root = w:getRoot()
test.addChild(root, "Panel", 20)
local panel = w:getChild(20)
for _ = 1, 3 do test.addChild(panel, "Control") end

-- The same control always gives the same table.
local first = panel:getChild(0)
local same = {
  { "getChild(1) twice", panel:getChild(1), panel:getChild(1) },
  { "getParent from two children", panel:getChild(0):getParent(), panel:getChild(2):getParent() },
  { "getParent is the panel's table", panel:getChild(1):getParent(), panel },
  { "getFirstChild is child 0", panel:getFirstChild(), first },
  { "getLastChild is the last child", panel:getLastChild(), panel:getChild(2) },
  { "a negative index gives the first child", panel:getChild(-4), first },
  { "getNext", first:getNext(), panel:getChild(1) },
  { "getPrevious", panel:getChild(2):getPrevious(), panel:getChild(1) },
  { "getChild past the end", panel:getChild(5), nil },
  { "getChild at the count", panel:getChild(3), nil },
  { "getNext of the last child", panel:getLastChild():getNext(), nil },
  { "getPrevious of the first child", first:getPrevious(), nil },
  { "getWindow", first:getWindow(), w },
}
for _, case in ipairs(same) do checkEqual(case[2], case[3], case[1]) end
check(panel:getLastChild() ~= panel:getFirstChild(), "getLastChild is not the first child")

-- Methods by type name.
checkEqual(panel:getName(), "Panel", "a panel's type name")
checkEqual(first:getName(), "Control", "a control's type name")
checkEqual(first.getFirstChild, nil, "a plain control has no child methods")
checkEqual(type(panel.getChild), "function", "a panel has getChild")
checkEqual(first:readFlag(18), true, "a control with an object is ScriptBound")

-- setEnabled and setVisible take Lua truth: the number 0 is true.
local truth = {
  { "setEnabled", "getEnabled", false, false },
  { "setEnabled", "getEnabled", 0, true },
  { "setEnabled", "getEnabled", nil, false },
  { "setEnabled", "getEnabled", "", true },
  { "setVisible", "getVisible", false, false },
  { "setVisible", "getVisible", 0, true },
}
for _, case in ipairs(truth) do
  first[case[1]](first, case[3])
  checkEqual(first[case[2]](first), case[4], case[1] .. "(" .. tostring(case[3]) .. ")")
end

-- writeFlag/readFlag: bit number mod 32; the ScriptBound bit is the host's.
local flags = {
  { "bit 10 on", 10, true, 10, true },
  { "bit 42 is bit 10", 42, false, 10, false },
  { "bit -22 is bit 10", -22, true, 10, true },
  { "bit 31", 31, true, 31, true },
  { "ScriptBound stays set", 18, false, 18, true },
}
for _, case in ipairs(flags) do
  first:writeFlag(case[2], case[3])
  checkEqual(first:readFlag(case[4]), case[5], "writeFlag " .. case[1])
end

-- Text attributes and the colour.
first:setText("你好")
checkEqual(first:getText(), "你好", "setText/getText")
checkEqual(panel:getChild(1):getText(), "", "getText without text")
checkEqual(first:setColor(3355596), 3355596, "setColor returns its colour")
first:setStyle("button.xml")
checkEqual(test.getString(first, "style"), "button.xml", "setStyle stores the style")
first:setToolTip("提示 tip")
checkEqual(test.getString(first, "tooltip"), "提示 tip", "setToolTip stores the tooltip")
checkEqual(select("#", first:repaint()), 0, "repaint returns nothing")
-- What screen readers read: the name and description given for them.
checkEqual(select("#", first:setAccessibleName("Installation folder")), 0, "setAccessibleName returns nothing")
checkEqual(test.getString(first, "name"), "Installation folder", "setAccessibleName stores the name")
first:setAccessibleDescription("Where the program goes")
checkEqual(test.getString(first, "description"), "Where the program goes", "setAccessibleDescription stores it")
first:setAccessibleName({})   -- not a text: an empty name, no error
checkEqual(test.getString(first, "name"), "", "a name that is not a text is empty")

-- setFocus raises GotFocus on the control and LostFocus on the old focus.
local focusLog = {}
first:addHandler(2, function() focusLog[#focusLog + 1] = "first got" end)
first:addHandler(3, function() focusLog[#focusLog + 1] = "first lost" end)
panel:getChild(1):addHandler(2, function() focusLog[#focusLog + 1] = "second got" end)
first:setFocus()
panel:getChild(1):setFocus()
checkEqual(table.concat(focusLog, ","), "first got,first lost,second got", "setFocus events")

test.destroy(w)
