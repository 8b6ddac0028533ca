-- The uninstaller's background script: the removal, on the worker thread.
--
-- Started by UI.lua with configurationText({ folder = installFolder, mode =
-- "perMachine" or "perUser" }), the mode the install log records
-- (install_mode.lua: the start menu, desktop and registry root the log may
-- name, and whose files it may be). Reads "install-log.json" in that folder
-- (written by the setup's LG.lua; its format in install_log.lua) and removes
-- exactly what it lists, nothing more:
--   files      only while they hold what the setup wrote (the content hash
--              it logged; the size for logs without one): a file the user
--              changed is kept; a file in use goes at the restart
--   shortcuts  the .lnk files
--   registry   the values, then the keys the setup made (those above the
--              product's own only while empty)
--   the log itself, then the folders the setup made, deepest first (those
--   above the install folder that it made on its way there too), each only
--   when empty: a folder holding the user's own files stays, with them.
--
-- For all users it runs as administrator, or as SYSTEM under deployment
-- tools, in folders other users may have touched; for one user, with that
-- user's rights, in the user's own folders. So:
--   - the log is read with readProtectedFile: one that anybody but the
--     administrators or SYSTEM (and, for one user without administrator
--     rights, that user) could have written is refused whole, and nothing is
--     removed; so is a log of another mode than the one asked for;
--   - every item of the log is checked first (install_log.check): one of
--     the wrong type, or outside the install folder, the start menu, the
--     desktop and the product's keys, is skipped with a note; the others are
--     still removed;
--   - everything is removed through removeInsideFolder, which opens the
--     entry without following a link, checks that it really lies inside its
--     folder and deletes it through that handle (a folder only when empty):
--     a link planted in the install folder never sends a deletion elsewhere.
--     Removals deferred to the restart (removeInsideFolderAtRestart) pass the
--     same checks, and mark the restart (markRestart) so that no installation
--     runs before them.
--
-- Reports to the window (notifyMessage; shared.lua lists them): PROGRESS
-- { item, percent } at most every 100 ms, and DONE last with
--   outcome    "removed" (everything), "kept" (removed, but `kept` items of
--              the user's stay, or `skipped` items of the log were not
--              acted on) or "failed" (`message` says why; when `failed`
--              items could not be removed, the log, the registration and the
--              uninstaller stay so that it can run again)
--   removed    whether the product is removed (outcome ~= "failed")
--   files, shortcuts, kept, example (a kept item), later (removed at the
--   restart), skipped, note (why the first one was skipped), failed.

local shared = require "shared"
local installLog = require "install_log"
local installMode = require "install_mode"

local REPORT = shared.REPORT
local REPORT_INTERVAL = 0.1
local ORIGINAL_WAIT_MS = 15000   -- how long the original uninstaller may take to end
local plain = installLog.plain
local places = installMode.places(type(config) == "table" and config.mode or nil)

local function notify(values)
  return notifyMessage(shared.serialise(values))
end

------------------------------------------------------------------------------
-- The outcome.

local result = { files = 0, shortcuts = 0, kept = 0, later = 0, skipped = 0, failed = 0, example = "", note = "" }

-- Something of the user's stays: a file changed since the install, a folder
-- with files in it.
local function keep(path)
  result.kept = result.kept + 1
  if result.example == "" then result.example = path end
end

-- An item of the log that is not acted on, and why.
local function skip(note)
  result.skipped = result.skipped + 1
  if result.note == "" then result.note = note end
  print("uninstall: skipped " .. note .. "\n")
end

-- Something the log lists that could not be removed, now or at the restart.
local function failed(message)
  result.failed = result.failed + 1
  if not result.failure then result.failure = message end
end

------------------------------------------------------------------------------
-- Removing.

local deferred = {}   -- plain paths removed at the restart

-- Removes `path` (a file, a link, or an empty folder), which must lie in
-- `root` (or be it), through removeInsideFolder: opened without following a
-- link, checked to really lie there, deleted through its handle; with
-- `sha256`, only while its content still has that hash. Something in use
-- goes at the restart, on the same checks (for all users only). Returns "removed", "gone" (it was
-- not there), "changed", "not empty", "later", "refused" (it does not lie
-- where the log says: skipped with a note) or "failed".
local function removeInside(root, path, sha256)
  local ok, message, reason = removeInsideFolder(root, path, sha256)
  if ok then return "removed" end
  if reason == "missing" then return "gone" end
  if reason == "changed" or reason == "not empty" then return reason end
  if reason == "outside" or reason == "link" or reason == "invalid" then
    skip(tostring(message))
    return "refused"
  end
  -- Only for all users may something wait for the restart (see
  -- install_mode.lua); for one user it fails: close the program, run again.
  if reason == "in use" and places.restartAllowed then
    ok, message = removeInsideFolderAtRestart(root, path)
    if ok then
      result.later = result.later + 1
      deferred[#deferred + 1] = plain(path)
      return "later"
    end
  end
  failed(tostring(message))
  return "failed"
end

-- The original uninstaller in the install folder ends right after starting
-- this copy (a silent one once the log is gone): wait for it a little.
local function removeOriginal(root, file)
  local waited = 0
  while waited < ORIGINAL_WAIT_MS do
    local ok, _, reason = removeInsideFolder(root, file.path, file.sha256)
    if ok then return "removed" end
    if reason ~= "in use" then break end
    sleep(200)
    waited = waited + 200
  end
  return removeInside(root, file.path, file.sha256)
end

-- Whether an entry of `folder` waits for the restart.
local function holdsDeferred(folder)
  for _, path in ipairs(deferred) do
    if installLog.below(path, folder) then return true end
  end
  return false
end

------------------------------------------------------------------------------
-- The job.

-- The install log, read through the handle its owner was checked on: one
-- that anybody but the administrators (or SYSTEM; for one user, also that
-- user when not elevated) could have written is refused whole.
local function readLog(folder)
  local logPath = folder .. "\\" .. shared.LOG_NAME
  local text, message, reason = readProtectedFile(logPath, places.check)
  if not text then
    if reason == "missing" then error("the install log " .. logPath .. " is missing", 0) end
    error("the install log " .. logPath .. " is not trusted, so nothing was removed: " .. tostring(message), 0)
  end
  local log, why = jsonDecode(text)
  if type(log) ~= "table" then error("the install log " .. logPath .. " is damaged (" .. tostring(why) .. ")", 0) end
  if type(log.folder) ~= "string" or plain(log.folder) ~= plain(folder) then
    error("the install log " .. logPath .. " belongs to another folder", 0)
  end
  if (log.mode or installMode.PER_MACHINE) ~= places.mode then
    error("the install log " .. logPath .. " is of another install mode than " .. places.mode, 0)
  end
  return log, logPath
end

local function uninstall()
  local folder = tostring(type(config) == "table" and config.folder or ""):gsub("[\\/]+$", "")
  if installLog.pathProblem(folder) then error("no valid install folder was given", 0) end
  local log, logPath = readLog(folder)
  local where = { folder = folder, startMenu = places.startMenu, desktop = places.desktop, rootName = places.rootName }
  local checked, notes = installLog.check(log, where)
  for _, note in ipairs(notes) do skip(note) end

  local total = #checked.files + #checked.shortcuts + #checked.folders + 2
  local step, lastReport = 0, -REPORT_INTERVAL
  local function progress(item)
    step = step + 1
    local now = os.clock()
    if step < total and now - lastReport < REPORT_INTERVAL then return end
    lastReport = now
    notify({ code = REPORT.PROGRESS, item = item, percent = math.floor(step * 100 / total) })
  end

  -- Files the setup wrote and nobody changed since (the hash is compared
  -- by the removal itself; a log without one gives the size); the original
  -- uninstaller last, once it has ended.
  local original
  local originalPath = plain(folder .. "\\" .. shared.UNINSTALLER)
  for _, file in ipairs(checked.files) do
    if not file.sha256 and fileExists(file.path) and getFileSize(file.path) ~= file.size then
      keep(file.path)
    elseif plain(file.path) == originalPath then
      original = file
    else
      local outcome = removeInside(folder, file.path, file.sha256)
      if outcome == "removed" then
        result.files = result.files + 1
      elseif outcome == "changed" then
        keep(file.path)
      end
    end
    progress(file.path)
  end

  local rootOf = installLog.rootOf
  for _, link in ipairs(checked.shortcuts) do
    if removeInside(rootOf(link, where), link) == "removed" then result.shortcuts = result.shortcuts + 1 end
    progress(link)
  end

  -- Something could not be removed: the product stays registered, with its
  -- log and uninstaller, so that the uninstall can run again.
  if result.failed > 0 then
    error("some files could not be removed, such as " .. result.failure, 0)
  end

  -- Registration: values, then the keys the setup made.
  for _, entry in ipairs(checked.registry) do regDeleteValue(entry.root, entry.key, entry.value) end
  -- The product's keys with all below them; then the keys the setup made
  -- above them on the way, deepest first, each only while it is empty.
  local above = {}
  for _, entry in ipairs(checked.keys) do
    if shared.isProductKey(entry.key) then regDeleteSubKey(entry.root, entry.key) else above[#above + 1] = entry end
  end
  table.sort(above, function(a, b) return #a.key > #b.key end)
  for _, entry in ipairs(above) do regDeleteEmptyKey(entry.root, entry.key) end
  progress("registration")

  -- The log goes last of the files: from here on the product is removed.
  removeInside(folder, logPath)
  if original then
    local outcome = removeOriginal(folder, original)
    if outcome == "removed" then
      result.files = result.files + 1
    elseif outcome == "changed" then
      keep(original.path)
    end
  end
  progress(logPath)

  -- Folders, deepest first, each only when empty (never with what it
  -- holds); one that still holds an entry waiting for the restart goes
  -- after it. The install folder and those above it are their own roots:
  -- no link may lead to them either.
  for _, path in ipairs(checked.folders) do
    local root = rootOf(path, where) or path
    local outcome = removeInside(root, path)
    if outcome == "not empty" then
      if holdsDeferred(path) and removeInsideFolderAtRestart(root, path) then
        result.later = result.later + 1
        deferred[#deferred + 1] = plain(path)
      else
        keep(path)
      end
    end
    progress(path)
  end
  if result.failed > 0 then error("some entries could not be removed, such as " .. result.failure, 0) end
end

local ok, failure = pcall(uninstall)
-- Entries wait for the restart: no installation may run before it, or the
-- restart would remove what it installs.
if result.later > 0 then markRestart() end
local outcome = not ok and "failed" or (result.kept + result.skipped > 0 and "kept" or "removed")
notify({ code = REPORT.DONE, outcome = outcome, removed = ok, files = result.files, shortcuts = result.shortcuts,
         kept = result.kept, example = result.example, later = result.later, skipped = result.skipped,
         note = result.note, failed = result.failed, message = not ok and tostring(failure) or nil })
