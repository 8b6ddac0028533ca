-- setMessageHandler forwarders and script timers.

-- Message handlers: the result goes back to the notifier; a second
-- setMessageHandler replaces the function but adds a second forwarder.
do
  local w = createWindow("main.xml")
  checkEqual(test.notify("none"), 0, "no handler: the notifier reads 0")
  local firstCalls, secondCalls, seen = 0, 0, nil
  w:setMessageHandler(function(text) firstCalls = firstCalls + 1 return 5 end)
  checkEqual(test.notify("{code = 1}"), 5, "one handler: its result")
  w:setMessageHandler(function(text)
    secondCalls = secondCalls + 1
    seen = text
    return secondCalls * 10
  end)
  checkEqual(test.notify("hello"), 20, "two forwarders: the later result")
  checkEqual(secondCalls, 2, "two forwarders: the new function ran twice")
  checkEqual(firstCalls, 1, "the replaced function no longer runs")
  checkEqual(seen, "hello", "the handler gets the text")
  w:setMessageHandler(function() return "not a number" end)
  checkEqual(test.notify("x"), 0, "a non-number result reads 0")
  test.destroy(w)
  checkEqual(test.notify("after"), 0, "every forwarder left with the window")
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
