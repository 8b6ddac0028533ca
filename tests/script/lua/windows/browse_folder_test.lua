-- browseForFolder closed without a choice answers no value (the script sees
-- nil), whichever way the picker was closed; the window is still usable.
local w = createWindow("main.xml")
w:showWindow(5)   -- SW_SHOW
for _, how in ipairs({ "cancel", "escape", "close" }) do
  local closed = false
  local timer = w:setTimer(50, function()
    if not closed then closed = test.closeDialog(w, how) end
  end)
  local answer = table.pack(w:browseForFolder("Choose a folder"))
  w:killTimer(timer)
  check(closed, how .. ": the picker was shown and closed")
  checkEqual(answer.n, 0, how .. ": no value")
  checkEqual(answer[1], nil, how .. ": the script sees nil")
end
checkEqual(test.title(w), "", "the window still answers")
test.destroy(w)
