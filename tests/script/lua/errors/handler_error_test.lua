-- An error in an event handler under native dispatch is contained: the modal
-- loop ends, showDialog raises it in the main chunk, one report, clean end.
expectError("handler failed on purpose")
local w = createWindow("main.xml")
local button = test.newChild(w:getRoot(), "Control")
button:addHandler(30, function() error("handler failed on purpose") end)
w:setTimer(10, function() test.raise(button, 30) end)
w:showDialog()
check(false, "not reached: the error ends the main chunk")
