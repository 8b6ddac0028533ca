-- A browser's navigation messages reach its window's message handler: before
-- a navigation (1126) with the address, after one (1127) with an empty text;
-- background notifications come as 1024. Only the browser's own window hears
-- them, and a window without a handler ignores them.
local w = createWindow("main.xml")
local other = createWindow("main.xml")
local browser = w:getChild(3)
test.pump()   -- the url attribute's first navigation

local seen, otherSeen = {}, 0
local function heard()
  local out = {}
  for i, s in ipairs(seen) do out[i] = s[2] .. " " .. s[1] end
  seen = {}
  return table.concat(out, ", ")
end
w:setMessageHandler(function(text, code)
  seen[#seen + 1] = { text, code }
  return 0
end)
other:setMessageHandler(function(text, code)
  if code ~= 1024 then otherSeen = otherSeen + 1 end
  return 0
end)

local cases = {
  { "a navigation starts", function() browser:navigate("about:blank#two") end, "1126 about:blank#two" },
  { "a navigation is done", function() test.post(w, 1127, 0, 0) end, "1127 " },
  { "a start without an address", function() test.send(w, 1126, 0, 0) end, "1126 " },
  { "a background notification", function() test.notify("{code = 1}") end, "1024 {code = 1}" },
}
for _, c in ipairs(cases) do
  c[2]()
  test.pump()
  checkEqual(heard(), c[3], c[1])
end
checkEqual(otherSeen, 0, "the other window heard no navigation")

w:setMessageHandler(nil)
test.send(w, 1126, 0, 0)
test.post(w, 1127, 0, 0)
test.pump()
checkEqual(#seen, 0, "without a handler nothing is called")

test.destroy(w)
test.destroy(other)
