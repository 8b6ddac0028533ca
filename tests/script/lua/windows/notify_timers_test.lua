-- setMessageHandler forwarders and script timers.

-- Message handlers: the result goes back to the notifier; a later
-- setMessageHandler replaces the earlier function, and each notification
-- runs the current one once, however often it was set.
do
  local w = createWindow("main.xml")
  checkEqual(test.notify("none"), 0, "no handler: the notifier reads 0")
  local firstCalls, secondCalls, seen = 0, 0, nil
  w:setMessageHandler(function(text) firstCalls = firstCalls + 1 return 5 end)
  checkEqual(test.notify("{code = 1}"), 5, "one handler: its result")
  local function second(text)
    secondCalls = secondCalls + 1
    seen = text
    return secondCalls * 10
  end
  w:setMessageHandler(second)
  checkEqual(test.notify("hello"), 10, "the later handler answers")
  checkEqual(secondCalls, 1, "the later handler ran once per notification")
  checkEqual(firstCalls, 1, "the replaced function no longer runs")
  checkEqual(seen, "hello", "the handler gets the text")
  w:setMessageHandler(second)
  w:setMessageHandler(second)
  checkEqual(test.notify("again"), 20, "set three times: still one call")
  checkEqual(secondCalls, 2, "set three times: one more run")
  w:setMessageHandler(function() return "not a number" end)
  checkEqual(test.notify("x"), 0, "a non-number result reads 0")
  test.destroy(w)
  checkEqual(test.notify("after"), 0, "the forwarder left with the window")
end

-- killTimer: another window's timer is left alone; a timer may kill itself
-- in its own tick; the window's destruction ends its timers.
do
  local a = createWindow("main.xml")
  local b = createWindow("main.xml")
  local aTicks, selfTicks = 0, 0
  local aTimer = a:setTimer(15, function()
    aTicks = aTicks + 1
    if aTicks == 4 then a:endDialog(1) end
  end)
  b:killTimer(aTimer)
  local selfTimer
  selfTimer = a:setTimer(10, function()
    selfTicks = selfTicks + 1
    a:killTimer(selfTimer)
  end)
  check(type(aTimer) == "number" and aTimer ~= 0, "setTimer returns a handle")
  checkEqual(a:showDialog(), 1, "a's timer survived b:killTimer")
  checkEqual(selfTicks, 1, "a timer killed in its own tick ran once")
  checkEqual(#debug.getregistry().__timer, 0, "a's timers left __timer with it")
  test.destroy(b)
end

-- killTimer hands lua_killTimer the handle exactly as setTimer stored it, so
-- the "__timer" entry goes at once, also for a timer whose address needs more
-- than 32 bits (made at a high address where the platform has them).
do
  local w = createWindow("main.xml")
  local timers = debug.getregistry().__timer
  for _, high in ipairs({ false, true }) do
    local label = high and "a high timer" or "a timer"
    local madeHigh = test.allocateHigh(high)
    local handle = w:setTimer(1000, function() end)
    test.allocateHigh(false)
    if madeHigh then check(handle >= 2 ^ 32, label .. " has a handle above 2^32") end
    checkEqual(#timers, 1, label .. " is registered")
    w:killTimer(handle)
    checkEqual(#timers, 0, label .. ": killTimer removed its entry at once")
  end
  test.destroy(w)
end
