-- The choice of a list box and of a combo box through getText and setText,
-- and ValueChange handlers seeing the user's new choice.
local WM_KEYDOWN, VK_RETURN, VK_DOWN = 0x0100, 0x0D, 0x28
local w = createWindow("main.xml")
local list = w:getChild(10)
local combo = w:getChild(20)

checkEqual(list:getName(), "Panel", "a list is a panel")
checkEqual(combo:getName(), "Control", "a combo box is a control")
checkEqual(list:getText(), "", "nothing is chosen in a new list")
checkEqual(combo:getText(), "Kavri", "the combo shows its text")

local seen = {}
list:addHandler(event.ValueChange, function(sender) seen[#seen + 1] = "list:" .. sender:getText() end)
combo:addHandler(event.ValueChange, function(sender) seen[#seen + 1] = "combo:" .. sender:getText() end)

-- setText chooses by text and raises nothing.
local cases = {
  { list, "Full", true, "Full" },
  { list, "Nothing like it", false, "Full" },   -- no such item: the choice stays
  { combo, "Programs", true, "Programs" },
  { combo, "Elsewhere", false, "Elsewhere" },   -- shown, though no item matches
}
for _, case in ipairs(cases) do
  local object, text, matched, after = case[1], case[2], case[3], case[4]
  checkEqual(object:setText(text), matched, "setText(" .. text .. ") matched")
  checkEqual(object:getText(), after, "getText after setText(" .. text .. ")")
end
checkEqual(#seen, 0, "setText raises no ValueChange")

-- The user's choices: a press on the list's second item, then the combo
-- dropped down, moved to its second item and chosen with Return.
test.click(w, 50, 10 + 24 + 10)
combo:setText("Kavri")
test.post(w, WM_KEYDOWN, VK_DOWN, 1)
test.post(w, WM_KEYDOWN, VK_RETURN, 1)
test.click(w, 250, 20)
test.pump()
checkEqual(seen[1], "list:Compact", "the list's handler sees the new choice")
checkEqual(seen[2], "combo:Kavri Tools", "the combo's handler sees the new choice")
checkEqual(#seen, 2, "one ValueChange per choice")
test.destroy(w)
