-- Script handlers: one bridge per control and code, order, stopping, removal,
-- the sender, and events from real window messages.
local CLICK, LBUTTONDOWN, MOUSEWHEEL = event.Click, event.LButtonDown, event.MouseWheel
local w = createWindow("main.xml")
local root = w:getRoot()
local button = test.newChild(root, "Control")

-- Two handlers for one code: one bridge; both run in the order added.
local log = {}
local function first(sender, code, wp, lp) log[#log + 1] = "first" end
local function second(sender, code, wp, lp) log[#log + 1] = "second" end
button:addHandler(CLICK, first)
button:addHandler(CLICK, second)
checkEqual(test.handlerCount(button, CLICK), 1, "two handlers, one bridge delegate")
checkEqual(test.raise(button, CLICK), false, "handlers returning nothing leave the event unhandled")
checkEqual(table.concat(log, ","), "first,second", "both run in the order added")

-- A handler returning true stops the next and marks the event handled.
local stopping = {}
local stopper = test.newChild(root, "Control")
stopper:addHandler(CLICK, function() stopping[#stopping + 1] = "a" return true end)
stopper:addHandler(CLICK, function() stopping[#stopping + 1] = "b" end)
checkEqual(test.raise(stopper, CLICK), true, "a true result marks the event handled")
checkEqual(table.concat(stopping, ","), "a", "a true result stops the next handler")

-- Removing the only handler unsubscribes the bridge; adding again gives one
-- call per event, not two.
local counter = test.newChild(root, "Control")
local calls = 0
local function count() calls = calls + 1 end
counter:addHandler(CLICK, count)
counter:removeHandler(CLICK, count)
checkEqual(test.handlerCount(counter, CLICK), 0, "removing the last handler removes the bridge")
counter:addHandler(CLICK, count)
test.raise(counter, CLICK)
checkEqual(calls, 1, "re-added handler runs once per event")
counter:removeHandler(CLICK, function() end)   -- not in the list: nothing changes
checkEqual(test.handlerCount(counter, CLICK), 1, "removing an unknown function keeps the bridge")

-- The handler's arguments: the object it was added to, code, parameters.
local got = {}
local params = test.newChild(root, "Control")
params:addHandler(31, function(sender, code, wp, lp) got = { sender, code, wp, lp } end)
test.raise(params, 31, 5, -7)
checkEqual(got[1], params, "sender")
checkEqual(got[2], 31, "code")
checkEqual(got[3], 5, "first parameter")
checkEqual(got[4], -7, "second parameter, signed")

-- A bubbling event raised on a child reaches the panel's handler with the
-- panel's object as sender.
local panel = test.newChild(root, "Panel")
local child = test.newChild(panel, "Control")
local wheelSender
panel:addHandler(MOUSEWHEEL, function(sender) wheelSender = sender end)
test.raise(child, MOUSEWHEEL, 120, 0, 1)
checkEqual(wheelSender, panel, "bubbled event: the sender is the handler's control")

-- Real mouse messages: a press on a placed control reaches its handler with
-- the message's position; a true result stops the bubble to the root.
test.setInt(root, "width", 200)
test.setInt(root, "height", 100)
w:updateLayout()
local target = test.newChild(root, "Control")
test.place(target, 10, 10, 60, 40)
local pressAt, rootPresses = nil, 0
target:addHandler(LBUTTONDOWN, function(sender, code, wp, lp) pressAt = lp return true end)
root:addHandler(LBUTTONDOWN, function() rootPresses = rootPresses + 1 end)
test.click(w, 20, 30)
checkEqual(pressAt, 20 + 30 * 65536, "LButtonDown carries the client position")
checkEqual(rootPresses, 0, "a handled press does not bubble to the root")
test.click(w, 150, 80)
checkEqual(rootPresses, 1, "a press beside the control reaches the root")

-- Handlers may remove themselves during delivery.
local once = test.newChild(root, "Control")
local onceCalls = 0
local function onlyOnce(sender)
  onceCalls = onceCalls + 1
  sender:removeHandler(CLICK, onlyOnce)
end
once:addHandler(CLICK, onlyOnce)
test.raise(once, CLICK)
test.raise(once, CLICK)
checkEqual(onceCalls, 1, "a handler removed during delivery does not run again")

test.destroy(w)
