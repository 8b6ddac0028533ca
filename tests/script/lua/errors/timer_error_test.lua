-- An error in a timer function: contained, the dialog ends, one report.
expectError("timer failed on purpose")
local w = createWindow("main.xml")
local ticks = 0
w:setTimer(10, function()
  ticks = ticks + 1
  error("timer failed on purpose")
end)
w:showDialog()
check(false, "not reached: the error ends the main chunk")
