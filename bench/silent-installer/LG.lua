-- Silent benchmark installer: background copy job.
--
-- Extracts every payload entry into config.installPath and reports like the
-- demo's LG.lua ({ code = 1, ... } for a written file, 2 for a failure, 3 at
-- the end). Progress goes out at most every 100 ms of clock time and always
-- for the last file, unless config.reportEach asks for a report per file
-- ("each": notifyMessage, which waits for the window's answer; "posted":
-- postMessage, which does not).
-- bench/install-vs-nsis.sh fills in the list of entries below.

local files = {
-- @FILES@
}

local function quote(text) return string.format("%q", text) end
local count = #files
local root = config.installPath
if not root:find("[\\/]$") then root = root .. "\\" end
local function destination(entry) return root .. entry:gsub("/", "\\") end

createDirectory(root)
local made = {}
for _, entry in ipairs(files) do
  local folder = entry:match("^(.*)/[^/]*$")
  if folder and not made[folder] then
    createDirectory(destination(folder))
    made[folder] = true
  end
end

local interval = config.reportEach and 0 or 0.1
local report = config.reportEach == "posted" and postMessage or notifyMessage
local lastReport = -1
local failed = 0
for index, entry in ipairs(files) do
  local written = extractFile(entry, destination(entry))
  while not written and notifyMessage(string.format("{ code = 2, file = %s, index = %d, count = %d }",
      quote(entry), index, count)) == 1 do
    written = extractFile(entry, destination(entry))
  end
  if not written then failed = failed + 1 end
  local now = os.clock()
  if index == count or now - lastReport >= interval then
    lastReport = now
    report(string.format("{ code = 1, file = %s, index = %d, count = %d, percent = %d }",
      quote(entry), index, count, math.floor(index * 100 / count)))
  end
end
notifyMessage(string.format("{ code = 3, count = %d, failed = %d }", count, failed))
