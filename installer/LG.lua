-- Kavri demo installer: background copy job.
--
-- Runs on a worker thread in a Lua state of its own, started by UI.lua with
--   startWork("LG.lua", "program.lz", configurationText({ installPath = folder }))
-- so that `config.installPath` is the folder the user chose (with or without
-- a trailing backslash); `config.pace`, when given, is a pause in milliseconds
-- after each file, so the demo's tiny payload shows its progress page. It creates the folders, extracts every payload file
-- from "program.lz" and reports to the installer window's message handler
-- with notifyMessage. Each report is a Lua table constructor the handler can
-- load; `code` says what it is:
--   { code = 1, file = "docs/guide.txt", index = 2, count = 3, percent = 66 }
--       progress: files up to `index` are done (percent of the files). Sent
--       at most every 100 ms and always for the last file: each report waits
--       for the UI thread, so one per file would slow a large install down;
--   { code = 2, file = "docs/guide.txt", index = 2, count = 3 }
--       a file could not be written: answer 1 to try again, anything else
--       (0 included, the answer when nobody handles it) to skip it;
--   { code = 3, count = 3, failed = 0 }
--       the copy job has ended; failed counts the skipped files.

-- The payload: entry names in "program.lz" (keep in step with installer/program/).
local files = {
  "readme.txt",
  "docs/guide.txt",
  "data/settings.ini",
}

local report = {}
local function quote(text)
  return string.format("%q", text)
end
function report.done(file, index, count)
  return notifyMessage(string.format("{ code = 1, file = %s, index = %d, count = %d, percent = %d }",
    quote(file), index, count, math.floor(index * 100 / count)))
end
function report.failed(file, index, count)
  return notifyMessage(string.format("{ code = 2, file = %s, index = %d, count = %d }",
    quote(file), index, count))
end
function report.finished(count, failed)
  return notifyMessage(string.format("{ code = 3, count = %d, failed = %d }", count, failed))
end

local root = (type(config) == "table" and config.installPath) or ""
if root == "" then
  report.finished(#files, #files)
  return
end
if not root:find("[\\/]$") then root = root .. "\\" end

-- The destination of an entry: the root plus the entry with backslashes.
local function destination(entry)
  return root .. entry:gsub("/", "\\")
end

-- A folder another user made in advance would give that user the installed
-- program: such a folder is refused, and nothing is written.
if not installFolderIsSafe(root) then
  error("the folder " .. root .. " belongs to another user; choose another folder", 0)
end

-- Every folder first (createDirectory creates missing parents too).
createDirectory(root)
local made = {}
for _, entry in ipairs(files) do
  local folder = entry:match("^(.*)/[^/]*$")
  if folder and not made[folder] then
    createDirectory(destination(folder))
    made[folder] = true
  end
end

-- Progress at most every REPORT_INTERVAL seconds (os.clock), and always for
-- the last file, so the page ends showing 100%.
local REPORT_INTERVAL = 0.1
local lastReport = -REPORT_INTERVAL
local failed = 0
for index, entry in ipairs(files) do
  local written = extractFile(entry, destination(entry))
  while not written and report.failed(entry, index, #files) == 1 do
    written = extractFile(entry, destination(entry))
  end
  if not written then failed = failed + 1 end
  local now = os.clock()
  if index == #files or now - lastReport >= REPORT_INTERVAL then
    lastReport = now
    report.done(entry, index, #files)
  end
  if written and type(config) == "table" and tonumber(config.pace) then sleep(tonumber(config.pace)) end
end
report.finished(#files, failed)
