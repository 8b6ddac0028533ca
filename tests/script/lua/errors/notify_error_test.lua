-- An error in a message handler: the notifier reads 0, the error surfaces at
-- the next loop the script runs.
expectError("notification failed on purpose")
local w = createWindow("main.xml")
w:setMessageHandler(function() error("notification failed on purpose") end)
local answer = test.notify("x")
-- The script goes on until the next loop; report what the notifier read.
if answer ~= 0 then error("the notifier read " .. tostring(answer)) end
w:showDialog()
check(false, "not reached: the error ends the main chunk")
