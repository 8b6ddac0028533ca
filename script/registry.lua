--[[ Registry helpers that the host calls by name, and the event codes by
name. The helpers keep the script objects of windows, timers and controls in
the three registries the host creates ("__window", "__timer", "__control"). The build joins this file onto the first
line of UI.lua, so it must not use line comments. ]]

function lua_addWindow(windows, object, handle)
  windows[#windows + 1] = { object, handle }
end

function lua_removeWindow(windows, handle)
  for i = 1, #windows do
    if windows[i][2] == handle then table.remove(windows, i) return end
  end
end

function lua_queryWindow(windows, handle)
  for i = 1, #windows do
    if windows[i][2] == handle then return windows[i][1] end
  end
  return nil
end

function lua_queryWindowHandle(windows, object)
  for i = 1, #windows do
    if windows[i][1] == object then return windows[i][2] end
  end
  return 0
end

function lua_setMessageHandler(windows, object, handler)
  for i = 1, #windows do
    if windows[i][1] == object then windows[i][3] = handler return end
  end
end

function lua_invokeMessageHandler(windows, object, text, code)
  for i = 1, #windows do
    if windows[i][1] == object then
      local handler = windows[i][3]
      if handler == nil then return 0 end
      return (handler(text, code))
    end
  end
  return 0
end

function lua_setTimer(timers, timer, handler, window)
  timers[#timers + 1] = { timer, handler, window }
end

function lua_killTimer(timers, timer, window)
  for i = 1, #timers do
    if timers[i][1] == timer and timers[i][3] == window then table.remove(timers, i) return end
  end
end

function lua_removeTimer(timers, window)
  local i = 1
  while i <= #timers do
    if timers[i][3] == window then table.remove(timers, i) else i = i + 1 end
  end
end

function lua_onTimer(timers, timer)
  for i = 1, #timers do
    if timers[i][1] == timer then timers[i][2]() return end
  end
end

function lua_addControl(controls, object, handle)
  local triple = { object, handle, {} }
  controls[1][object] = triple
  controls[2][handle] = triple
end

function lua_removeControl(controls, handle)
  local triple = controls[2][handle]
  if triple then
    controls[1][triple[1]] = nil
    controls[2][handle] = nil
  end
end

function lua_queryControl(controls, handle)
  local triple = controls[2][handle]
  if triple then return triple[1] end
  return nil
end

function lua_queryControlHandle(controls, object)
  local triple = controls[1][object]
  if triple then return triple[2] end
  return nil
end

function lua_queryControlDispatcher(controls, object)
  local triple = controls[1][object]
  if triple then return triple[3] end
  return nil
end

function lua_addHandler(dispatcher, code, handler)
  local list = dispatcher[code]
  if list == nil then
    dispatcher[code] = { handler }
    return true
  end
  list[#list + 1] = handler
end

function lua_removeHandler(dispatcher, code, handler)
  local list = dispatcher[code]
  if list == nil then return true end
  for i = 1, #list do
    if list[i] == handler then table.remove(list, i) break end
  end
  if #list == 0 then
    dispatcher[code] = nil
    return true
  end
end

function lua_invokeHandlers(dispatcher, sender, code, first, second)
  local list = dispatcher[code]
  if list == nil then return false end
  local snapshot = { table.unpack(list) }
  for i = 1, #snapshot do
    if snapshot[i](sender, code, first, second) then return true end
  end
  return false
end

--[[ Event codes by name, for addHandler: event.Click, event.ValueChange ... ]]
event = {
  GotFocus = 2, LostFocus = 3, PrevKeyDown = 4, KeyDown = 5, PrevKeyUp = 6, KeyUp = 7,
  PrevKeyPress = 8, KeyPress = 9, GotCapture = 10, LostCapture = 11,
  PrevLButtonDown = 12, LButtonDown = 13, PrevLButtonUp = 14, LButtonUp = 15,
  PrevRButtonDown = 16, RButtonDown = 17, PrevRButtonUp = 18, RButtonUp = 19,
  LButtonDbClick = 20, RButtonDbClick = 21, PrevMouseWheel = 22, MouseWheel = 23,
  MouseMove = 25, MouseEnter = 26, MouseLeave = 27, QueryCursor = 28,
  Click = 30, ValueChange = 31, Notify = 32
}

--[[ configurationText(value): the text startWork's configuration needs for a
value made of strings, numbers, booleans and tables of them. Every string is
written as a quoted Lua string (%q), so no folder name, however spelled, can
end the text early and run code in the background script. Keys come out in a
fixed order; a function, a table key, a number that cannot be written, a cycle
or nesting deeper than 32 levels is an error. ]]
function configurationText(value)
  local function keyOrder(a, b)
    local ta, tb = type(a), type(b)
    if ta ~= tb then return ta < tb end
    if ta == "boolean" then return (not a) and b end
    return a < b
  end
  local function write(v, depth)
    local kind = type(v)
    if kind == "string" then return string.format("%q", v) end
    if kind == "boolean" then return tostring(v) end
    if kind == "number" then
      if v ~= v or v == math.huge or v == -math.huge then
        error("configurationText: the number " .. tostring(v) .. " cannot be written", 0)
      end
      if v == math.floor(v) and math.abs(v) < 2^53 then return string.format("%.0f", v) end
      return string.format("%.17g", v)
    end
    if kind == "table" then
      if depth >= 32 then error("configurationText: tables nested too deeply (or a cycle)", 0) end
      local keys = {}
      for k in pairs(v) do
        local keyKind = type(k)
        if keyKind ~= "string" and keyKind ~= "number" and keyKind ~= "boolean" then
          error("configurationText: a " .. keyKind .. " cannot be a key", 0)
        end
        keys[#keys + 1] = k
      end
      table.sort(keys, keyOrder)
      local parts = {}
      for i = 1, #keys do
        parts[i] = "[" .. write(keys[i], depth + 1) .. "] = " .. write(v[keys[i]], depth + 1)
      end
      return "{ " .. table.concat(parts, ", ") .. " }"
    end
    error("configurationText: a " .. kind .. " cannot be passed to the background script", 0)
  end
  return write(value, 0)
end
