-- The setup's journal: every change the install makes is written down, with
-- what it takes to undo it, before the change is made. A cancel or a failure
-- undoes the journal in reverse; a setup that was killed leaves it behind,
-- and the next setup finds it at its start and undoes it too (or, when the
-- killed install had already finished, completes it).
--
-- Where it lives: a file "journal.txt" in a private folder of the temporary
-- folder (createPrivateTempFolder: elevated, in the system's, only the
-- administrators and the system can enter it; without administrator rights,
-- in the user's, for the user too), its path in the registry under the
-- install mode's root (shared.JOURNAL_KEY, value "Journal"): for all users
-- HKEY_LOCAL_MACHINE, which only administrators can write, for one user
-- HKEY_CURRENT_USER. It is read back with readProtectedFile in the mode's
-- check, so a journal someone the mode does not trust could have written is
-- never acted on. `places` below is the mode's (install_mode.lua: places). One record per line, JSON, appended
-- and flushed before each step: a setup killed at any point leaves every
-- step it began on record (a line torn by the kill is a step not begun).
--
-- Records ({ op = ..., ... }) and their undo:
--   folder   { path }               a folder about to be made: removed when empty
--   new      { path }               a file about to be written where none was: removed
--   backup   { path, backup }       a copy of `path` about to be made: the copy is removed
--   replaced { path, backup }       the copy is complete and `path` may now be
--                                   replaced: the copy is moved back unless
--                                   `path` still has the copy's content
--   pending  { path, target }       a new file about to be written beside a file
--                                   in use, to replace it at the restart: removed
--   value    { root, key, name, type, data }  a registry value about to be
--                                   written; its old type and bytes (hex), or
--                                   no type when it was absent: restored exactly
--   key      { root, key }          a registry key about to be made: deleted
--                                   (one above the product's keys only while empty)
--   commit   {}                     the install is complete (the log is written):
--                                   nothing is undone any more; finishing it
--                                   removes the copies
-- What cannot be put back now (a file held open by another program) is
-- scheduled for the restart (moveFileAtRestart) and the restart is marked, so
-- no setup runs before it: the undo is then incomplete until the restart,
-- and the result says so.
local shared = require "shared"

local journal = {}

local NAME = "journal.txt"
local ROOTS = shared.ROOTS

------------------------------------------------------------------------------
-- Registry bytes as text for JSON, and back.

function journal.toHex(bytes)
  return (bytes:gsub(".", function(c) return string.format("%02x", c:byte()) end))
end

function journal.fromHex(text)
  return (text:gsub("%x%x", function(pair) return string.char(tonumber(pair, 16)) end))
end

------------------------------------------------------------------------------
-- Writing.

local Journal = {}
Journal.__index = Journal

-- Starts a journal for a new install in the mode of `places`: its private
-- folder, its file, and its place in the registry. Returns the journal, or
-- nil and the reason.
function journal.start(places)
  local folder, why = createPrivateTempFolder()
  if not folder then return nil, "no private folder for the journal: " .. tostring(why) end
  local path = folder .. "\\" .. NAME
  -- Lua's io names files in the ANSI code page: the private folder's name is
  -- plain ASCII, inside the Windows folder.
  local file = io.open(path, "wb")
  if not file then
    removeDirectory(folder)
    return nil, "the journal " .. path .. " cannot be written"
  end
  regWriteString(places.root, shared.JOURNAL_KEY, "Journal", path)
  if regQueryString(places.root, shared.JOURNAL_KEY, "Journal") ~= path then
    file:close()
    removeDirectory(folder)
    return nil, "the journal's place cannot be written to the registry"
  end
  return setmetatable({ path = path, folder = folder, file = file, records = {}, places = places }, Journal)
end

-- Writes a record through to the system before the step it announces.
-- Raises { failure = ... } when it cannot: the step must then not be taken.
function Journal:add(record)
  local line = jsonEncode(record)
  local ok = line and self.file:write(line, "\n") and self.file:flush()
  if not ok then error({ failure = "the install journal " .. self.path .. " cannot be written" }, 0) end
  self.records[#self.records + 1] = record
end

-- Ends the journal: its file, its folder and its place in the registry go.
function Journal:close()
  if self.file then self.file:close() end
  self.file = nil
  journal.forget(self.path, self.places)
end

-- Removes a journal's file and private folder and its registry entry.
function journal.forget(path, places)
  local folder = type(path) == "string" and path:match("^(.*)\\" .. NAME .. "$")
  -- Only a folder of the shape createPrivateTempFolder makes is removed.
  if folder and folder:match("\\[^\\]+%-%x+$") then
    removeFile(path)
    removeDirectory(folder)
  end
  regDeleteSubKey(places.root, shared.JOURNAL_KEY)
end

------------------------------------------------------------------------------
-- Undoing.

local function fullPath(path)
  return type(path) == "string" and path:match("^%a:\\.") ~= nil
end

-- Whether a record names the journal's own root (that of its mode) and one
-- of the product's keys: only those are put back or deleted.
local function productKey(root, key, places)
  return ROOTS[root] ~= nil and root == places.rootName and shared.isProductKey(key)
end

-- Removes an empty folder: removeInsideFolder refuses one with anything left
-- in it ("not empty"). Only a folder: a file found at its place is left.
local function removeEmptyFolder(path)
  if folderExists(path) then removeInsideFolder(path, path) end
end

-- Removes a file now, or schedules it for the restart; counts the latter.
local function removeNowOrLater(path, result)
  if not fileExists(path) or removeFile(path) then return end
  if moveFileAtRestart(path) then
    result.later[#result.later + 1] = path
  else
    result.failed[#result.failed + 1] = path
  end
end

-- Whether two files hold the same bytes.
local function sameContent(a, b)
  if getFileSize(a) ~= getFileSize(b) then return false end
  local first, second = fileSha256(a), fileSha256(b)
  return first ~= nil and first == second
end

-- Puts the copy `backup` back at `path`; when `path` is held open, at the
-- restart, keeping the copy until then.
local function restore(path, backup, result)
  if not fileExists(backup) then return end
  if fileExists(path) and sameContent(path, backup) then   -- never replaced
    removeNowOrLater(backup, result)
    return
  end
  if moveFile(backup, path) then return end
  if moveFileAtRestart(backup, path) then
    result.later[#result.later + 1] = path
  else
    result.failed[#result.failed + 1] = path
    result.kept[#result.kept + 1] = backup   -- the old file stays here
  end
end

local UNDO = {
  folder = function(r) if fullPath(r.path) then removeEmptyFolder(r.path) end end,
  new = function(r, result) if fullPath(r.path) then removeNowOrLater(r.path, result) end end,
  backup = function(r, result, restored)
    if fullPath(r.backup) and not restored[r.backup:lower()] then removeNowOrLater(r.backup, result) end
  end,
  replaced = function(r, result, restored)
    if not fullPath(r.path) or not fullPath(r.backup) then return end
    restored[r.backup:lower()] = true
    restore(r.path, r.backup, result)
  end,
  value = function(r, result, _, places)
    if not productKey(r.root, r.key, places) or type(r.name) ~= "string" then return end
    local root = ROOTS[r.root]
    if type(r.type) == "number" and type(r.data) == "string" then
      if not regWriteValue(root, r.key, r.name, r.type, journal.fromHex(r.data)) then
        result.failed[#result.failed + 1] = r.root .. "\\" .. r.key .. "\\" .. r.name
      end
    else
      regDeleteValue(root, r.key, r.name)
    end
  end,
  key = function(r, _, _, places)
    if productKey(r.root, r.key, places) then
      regDeleteSubKey(ROOTS[r.root], r.key)
    elseif ROOTS[r.root] ~= nil and r.root == places.rootName and shared.isProductKeyParent(r.key) then
      regDeleteEmptyKey(ROOTS[r.root], r.key)   -- made on the way: gone only while empty
    end
  end,
}
UNDO.pending = UNDO.new   -- the new file waiting for the restart goes like any new file

local function newResult()
  return { later = {}, failed = {}, kept = {} }
end

-- Marks the restart when anything waits for it; whether the result is
-- complete now.
local function settle(result)
  result.restart = #result.later > 0
  if result.restart then markRestart() end
  result.complete = #result.later == 0 and #result.failed == 0
  return result
end

-- The result of an undo that had nothing to undo.
function journal.nothingUndone()
  local result = newResult()
  result.complete, result.restart = true, false
  return result
end

-- What a report of the setup says about the undo `result`, added to `report`
-- (a new table when nil) and returned: `undoComplete`, `restart`, `later`
-- (how many things are put back at the restart), `example` (one thing not
-- put back now) and `kept` (a copy of an old file left where it is).
function journal.summary(result, report)
  report = report or {}
  report.undoComplete, report.restart, report.later = result.complete, result.restart, #result.later
  report.example, report.kept = result.later[1] or result.failed[1], result.kept[1]
  return report
end

-- Undoes `records` of a journal in the mode of `places` in reverse. Returns
-- { complete, restart, later = paths finished at the restart, failed = what
-- could not be undone, kept = copies of old files left where they are }.
function journal.undo(records, places)
  local result, restored = newResult(), {}
  for i = #records, 1, -1 do
    local record = records[i]
    local undo = type(record) == "table" and UNDO[record.op]
    if undo then
      local ok = pcall(undo, record, result, restored, places)
      if not ok then result.failed[#result.failed + 1] = tostring(record.path or record.key or record.op) end
    end
  end
  return settle(result)
end

-- Completes an install that reached its commit: the copies of the old files
-- go (at the restart when they cannot now). Files waiting for the restart
-- keep waiting: the restart is marked for them.
function journal.finish(records)
  local result = newResult()
  local pending = false
  for _, record in ipairs(records) do
    if type(record) == "table" then
      if (record.op == "backup" or record.op == "replaced") and fullPath(record.backup) then
        removeNowOrLater(record.backup, result)
      elseif record.op == "pending" and fullPath(record.path) and fileExists(record.path) then
        pending = true
      end
    end
  end
  settle(result)
  if pending and not result.restart then
    markRestart()
    result.restart = true
  end
  return result
end

------------------------------------------------------------------------------
-- A journal left by a setup that did not end.

-- Reads the records of a journal's text: a line that does not decode (torn
-- by the kill) is left out.
function journal.parse(text)
  local records = {}
  for line in tostring(text):gmatch("[^\n]+") do
    local record = jsonDecode(line)
    if type(record) == "table" and type(record.op) == "string" then records[#records + 1] = record end
  end
  return records
end

-- Finds a journal left behind by a setup in the mode of `places` and undoes
-- it (or, when that install had reached its commit, completes it), then
-- removes it. Returns nil when there was none; else { committed, steps,
-- complete, restart, later, failed, kept, refused = reason (the journal was
-- not trusted and nothing was done) }.
function journal.recover(places)
  local path = regQueryString(places.root, shared.JOURNAL_KEY, "Journal")
  if not path and not regKeyExists(places.root, shared.JOURNAL_KEY) then return nil end
  if not path then
    journal.forget(nil, places)
    local result = journal.nothingUndone()
    result.steps = 0
    return result
  end
  local text, why = readProtectedFile(path, places.check)
  if not text then
    -- Missing: the setup ended before its first step. Anything else: a file
    -- someone else could have written is not acted on, nor removed.
    local present = fileExists(path)
    journal.forget(not present and path or nil, places)
    local result = journal.nothingUndone()
    result.steps, result.refused = 0, present and tostring(why) or nil
    return result
  end
  local records = journal.parse(text)
  local committed = false
  for _, record in ipairs(records) do
    if record.op == "commit" then committed = true end
  end
  local result = committed and journal.finish(records) or journal.undo(records, places)
  result.committed = committed
  result.steps = #records
  journal.forget(path, places)
  return result
end

return journal
