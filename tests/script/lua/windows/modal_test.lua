-- showDialog and endDialog: the end code, closing attempts, the owner.
local WM_CLOSE, WM_SYSCOMMAND, SC_CLOSE = 0x10, 0x112, 0xF060

-- endDialog(0) keeps the loop running; a non-zero code ends it and is the result.
do
  local w = createWindow("main.xml")
  local ticks = 0
  w:setTimer(20, function()
    ticks = ticks + 1
    if ticks == 1 then w:endDialog(0) elseif ticks == 2 then w:endDialog(-3) end
  end)
  checkEqual(ticks, 0, "setTimer does not run the function at once")
  checkEqual(w:showDialog(), -3, "showDialog returns the end code")
  checkEqual(ticks, 2, "endDialog(0) did not end the loop")
  checkEqual(select("#", w:getPosition()), 0, "the window object is dead after showDialog")
  checkEqual(#debug.getregistry().__window, 0, "the window left __window")
  checkEqual(#debug.getregistry().__timer, 0, "its timers left __timer")
end

-- The frame's close box and Alt+F4 (WM_CLOSE, SC_CLOSE) do not close a dialog.
do
  local w = createWindow("main.xml")
  local ticks, visibleAfterClose = 0, nil
  w:setTimer(20, function()
    ticks = ticks + 1
    if ticks == 1 then
      test.post(w, WM_CLOSE, 0, 0)
      test.send(w, WM_SYSCOMMAND, SC_CLOSE, 0)
    elseif ticks == 3 then
      visibleAfterClose = test.isVisible(w)
      w:endDialog(2)
    end
  end)
  checkEqual(w:showDialog(), 2, "only endDialog ends the dialog")
  checkEqual(visibleAfterClose, true, "still shown after close requests")
end

-- The owner is disabled during the run, then its enabled state is restored
-- and it is activated.
local cases = {
  { what = "enabled owner", enabledBefore = true },
  { what = "disabled owner", enabledBefore = false },
}
for _, case in ipairs(cases) do
  local owner = createWindow("main.xml")
  owner:showWindow(1)
  test.enable(owner, case.enabledBefore)
  local dialog = createWindow("main.xml")
  local enabledDuring
  dialog:setTimer(20, function()
    enabledDuring = test.isEnabled(owner)
    dialog:endDialog(1)
  end)
  checkEqual(dialog:showDialog(owner), 1, case.what .. ": result")
  checkEqual(enabledDuring, false, case.what .. ": disabled during the run")
  checkEqual(test.isEnabled(owner), case.enabledBefore, case.what .. ": enabled state restored")
  check(test.isActive(owner), case.what .. ": activated afterwards")
  test.destroy(owner)
end

-- An owner that is not a window object means no owner.
do
  local w = createWindow("main.xml")
  w:setTimer(20, function() w:endDialog(4) end)
  checkEqual(w:showDialog({}), 4, "showDialog with a foreign owner table")
end

-- A second showDialog on a window already running modally does nothing.
do
  local w = createWindow("main.xml")
  local nested
  w:setTimer(20, function()
    nested = select("#", w:showDialog())
    w:endDialog(6)
  end)
  checkEqual(w:showDialog(), 6, "the outer run ends normally")
  checkEqual(nested, 0, "a nested showDialog of the same window returns nothing")
end

-- showMessageBox goes to the system's message box (recorded here) and
-- returns the button.
do
  local w = createWindow("main.xml")
  checkEqual(w:showMessageBox("继续吗？", "提示", 1), 1, "showMessageBox returns the button id")
  local shown = test.messageBoxes()
  checkEqual(shown[#shown], "继续吗？", "showMessageBox shows the text")
  test.destroy(w)
end
