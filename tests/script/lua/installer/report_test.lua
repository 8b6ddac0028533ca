-- The reports between an installer's worker and its window (shared.lua),
-- which the setup's and the uninstaller's workers both write: every value
-- reads back exactly as it was written, and reading one runs nothing.
local shared = require "shared"

local function roundTrip(values)
  local text = shared.serialise(values)
  return shared.readReport(text), text
end

-- Numbers keep every digit: fractions (an uninstaller that wrote them with
-- "%.0f" rounded 0.1 to 0 and 2.5 to 2), whole numbers beyond 32 and 53 bits,
-- the limits of a double and the infinities.
do
  local numbers = {
    { "whole", 42 }, { "zero", 0 }, { "negative", -7 },
    { "a tenth", 0.1 }, { "a third", 1 / 3 }, { "negative fraction", -2.5 }, { "just below whole", 99.999999999999986 },
    { "beyond 32 bits with a fraction", 5 * 1024 ^ 3 + 0.25 }, { "beyond 53 bits", 2 ^ 53 + 2 },
    { "largest", 1.7976931348623157e308 }, { "smallest normal", 2.2250738585072014e-308 },
    { "smallest", 4.9406564584124654e-324 }, { "infinity", math.huge }, { "minus infinity", -math.huge },
  }
  for _, case in ipairs(numbers) do
    local report, text = roundTrip({ code = shared.REPORT.PROGRESS, value = case[2] })
    checkEqual(report and report.value, case[2], case[1] .. " (" .. text .. ")")
  end
  local report = roundTrip({ value = 0 / 0 })
  check(report and report.value ~= report.value, "NaN reads back as NaN")
end

-- Strings come back byte for byte, whatever they hold; booleans too; values
-- that are no text, number or boolean are left out.
do
  local strings = {
    { "a path", "C:\\Program Files\\Kavri\\readme.txt" },
    { "quotes and brackets", "a \"b\" ]] [==[ c" },
    { "line breaks", "one\ntwo\r\nthree" },
    { "a zero byte and control characters", "a\0b\1\127" },
    { "UTF-8", "安装程序" },
    { "code after a quote", "\" } os.exit(3) --" },
  }
  for _, case in ipairs(strings) do
    local report, text = roundTrip({ path = case[2] })
    checkEqual(report and report.path, case[2], case[1] .. " (" .. text .. ")")
  end
  local report = roundTrip({ installed = true, cancelled = false, files = {}, handler = print })
  checkEqual(report.installed, true, "true")
  checkEqual(report.cancelled, false, "false")
  checkEqual(report.files, nil, "a table is left out")
  checkEqual(report.handler, nil, "a function is left out")
end

-- Keys that are no plain names (a keyword, spaces, a number) still read back;
-- the fields come out in the order of their keys.
do
  local report, text = roundTrip({ ["end"] = 1, ["two words"] = 2, [3] = "three" })
  checkEqual(report and report["end"], 1, "a keyword key (" .. text .. ")")
  checkEqual(report and report["two words"], 2, "a key with a space")
  checkEqual(report and report[3], "three", "a number key")
  checkEqual(shared.serialise({ percent = 5, code = 1, file = "a" }), "{ code = 1, file = \"a\", percent = 5 }",
             "fields in the order of their keys")
end

-- Reading gives nil for anything but a table, and the text reaches no global:
-- what it calls fails, what it names is nil.
do
  local refused = {
    { "empty", "" }, { "not Lua", "not a report" }, { "a number", "42" }, { "a function", "function() end" },
    { "a call of a global", "{ code = tostring(1) }" }, { "an error", "{ code = 1 }, error('boom')" },
  }
  for _, case in ipairs(refused) do checkEqual(shared.readReport(case[2]), nil, case[1]) end
  checkEqual(shared.readReport(nil), nil, "nil")
  local report = shared.readReport("{ code = 3, f = print, g = shared }")
  checkEqual(report and report.code, 3, "the constructor is read")
  checkEqual(report and report.f, nil, "a global is not reached")
end
