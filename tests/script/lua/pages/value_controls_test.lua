-- The controls with a value share one set of names: setRange/getRange (the
-- maximum) and setValue/getValue, and the markup's "range" and "value".
local w = createWindow("values.xml")

-- What the markup gave, and the defaults without it.
local first = {
  { 2, "Control", 200, 30, "a slider with range and value" },
  { 3, "Control", 100, 50, "a slider without them" },
  { 4, "Control", 200, 200, "a slider's value beyond its range" },
  { 5, "ProgressBar", 80, 40, "a bar with range and value" },
  { 6, "ProgressBar", 1, 0, "a bar without them" },
  { 7, "ProgressBar", 80, 80, "a bar's value beyond its range" },
}
for _, c in ipairs(first) do
  local control = w:getChild(c[1])
  checkEqual(control:getName(), c[2], c[5] .. ": type name")
  checkEqual(control:getRange(), c[3], c[5] .. ": range")
  checkEqual(control:getValue(), c[4], c[5] .. ": value")
end
checkEqual(w:getChild(8).getValue, nil, "a label has no value")

-- Setting them: a slider stays within 0 .. range and raises ValueChange for
-- each change; a bar takes the smaller of the value and its range, with no
-- lower bound, and raises nothing.
local slider, bar = w:getChild(2), w:getChild(5)
local changes = 0
slider:addHandler(event.ValueChange, function() changes = changes + 1 end)
local steps = {
  { slider, "setValue", 150, 200, 150, 1 },
  { slider, "setValue", 150, 200, 150, 1 },     -- no change, no event
  { slider, "setValue", -5, 200, 0, 2 },
  { slider, "setValue", 999, 200, 200, 3 },
  { slider, "setRange", 120, 120, 120, 4 },    -- the value comes back into the range
  { slider, "setRange", 300, 300, 120, 4 },
  { slider, "setRange", -3, 0, 0, 5 },
  { slider, "setValue", "7", 0, 0, 5 },
  { bar, "setValue", 100, 80, 80, 5 },
  { bar, "setValue", -5, 80, -5, 5 },
  { bar, "setRange", 10, 10, -5, 5 },
  { bar, "setPosition", 60, 10, 10, 5 },       -- the bar's older name for setValue
}
for i, s in ipairs(steps) do
  local what = "step " .. i .. ": " .. s[2] .. "(" .. tostring(s[3]) .. ")"
  checkEqual(select("#", s[1][s[2]](s[1], s[3])), 0, what .. " returns nothing")
  checkEqual(s[1]:getRange(), s[4], what .. ": range")
  checkEqual(s[1]:getValue(), s[5], what .. ": value")
  checkEqual(changes, s[6], what .. ": the slider's ValueChange count")
end

test.destroy(w)
checkEqual(select("#", slider:getValue()), 0, "a dead slider answers nothing")
checkEqual(select("#", bar:getRange()), 0, "a dead bar answers nothing")
