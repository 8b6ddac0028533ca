-- Silent benchmark installer: start-up script.
--
-- Installs the whole payload without asking anything: the target folder comes
-- from the environment variable KAVRI_BENCH_TARGET, and KAVRI_BENCH_REPORT=each
-- makes LG.lua report once per file instead of a few times a second (=posted:
-- the same reports, posted without waiting for an answer). A small
-- window shows the percentage the way a progress page would, and closes when
-- the copy job reports its end; a file that cannot be written is skipped (the
-- benchmark compares the installed tree with the payload afterwards).

local target = os.getenv("KAVRI_BENCH_TARGET") or ""
local mode = os.getenv("KAVRI_BENCH_REPORT")
local reportEach = (mode == "each" or mode == "posted") and string.format("%q", mode) or "false"

local window = createWindow("silent.xml")
window:setTitle("Installing")
window:updateLayout()
local status = window:getChild(1)

local function onMessage(text)
  local ok, report = pcall(function() return load("return " .. text)() end)
  if not ok or type(report) ~= "table" then return 0 end
  if report.code == 1 then
    status:setText(report.percent .. "% " .. report.file)
  elseif report.code == 3 then
    window:endDialog(report.failed == 0 and 1 or 3)
  end
  return 0   -- a file that cannot be written is skipped
end
window:setMessageHandler(onMessage)

local config = string.format("{ installPath = %q, reportEach = %s }", target, reportEach)
if target == "" or not startWork("LG.lua", "program.lz", config) then
  print("silent installer: set KAVRI_BENCH_TARGET to the target folder")
  return
end
window:showDialog()
