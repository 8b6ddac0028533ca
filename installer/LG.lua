-- The setup's background script: the whole installation, on the worker thread.
--
-- Started by UI.lua with
--   startWork("LG.lua", "program.lz", configurationText({ installPath = folder,
--             mode = "perMachine", startMenu = product.name, desktop = true }))
-- `config.installPath` is the checked install folder, `config.mode` whom the
-- install is for ("perMachine" or "perUser", install_mode.lua: the registry
-- root, the start menu and desktop, and the checks of the folders all
-- follow it), `config.startMenu` the start-menu folder ("" for none),
-- `config.desktop` asks for a desktop shortcut and `config.pace`, only ever
-- given by tests, a pause in milliseconds after each file.
--
-- The job: folders, every payload entry (the package lists them with their
-- sizes, so nothing here names the files), the product's registration,
-- shortcuts and the install log "install-log.json" that the uninstaller
-- reads. Every change is written to the journal (install_journal.lua) before
-- it is made; cancel or failure undoes the journal in reverse: new files
-- removed, replaced files restored from the copy kept beside them until the
-- end, new folders, registry values (every type, byte for byte), keys and
-- shortcuts removed. A setup killed half-way leaves the journal for the next
-- one to undo.
--
-- Reports to the window (notifyMessage) and the answers that steer the job
-- are listed in shared.lua: PROGRESS by bytes, FAILURE (retry, skip or
-- fail; `required` when skipping is no answer), IN_USE (close the program,
-- replace at the restart, or cancel), UNDOING, and DONE with { installed,
-- cancelled, restart, count, skipped, bytes, shortcuts, program, message,
-- undoComplete, later, example, kept }.

local shared = require "shared"
local installFolder = require "install_folder"
local installJournal = require "install_journal"
local installMode = require "install_mode"

local product = shared.product
local REPORT, ANSWER = shared.REPORT, shared.ANSWER
local PROGRAM_ENTRY, UNINSTALLER_ENTRY, README_ENTRY = product.program, shared.UNINSTALLER, product.readme
local REPORT_INTERVAL = 0.1   -- seconds between progress reports

local ERROR_TEXT = {
  [0] = "the payload entry is missing or damaged",
  [2] = "the file was not found", [3] = "the folder was not found",
  [5] = "access is denied", [32] = "the file is in use by another program",
  [33] = "part of the file is locked by another program", [39] = "the disk is full",
  [112] = "the disk is full",
}

config = type(config) == "table" and config or {}
local places = installMode.places(config.mode)

------------------------------------------------------------------------------
-- Reports.

local function notify(values)
  return notifyMessage(shared.serialise(values))
end

-- Raised (as a table) to leave the job for the rollback: the user cancelled.
local CANCELLED = { cancelled = true }

local function fail(text)
  error({ failure = text }, 0)
end

------------------------------------------------------------------------------
-- The journal (opened first: every step below is written to it before it is
-- taken) and the install log.

local journal
local log = { product = product.name, version = product.version, mode = places.mode, files = {}, folders = {},
              registry = {}, keys = {}, shortcuts = {} }

local function record(entry)
  journal:add(entry)
end

------------------------------------------------------------------------------
-- Questions to the window.

-- Asks what to do about something that failed: true to try again, false to
-- skip it; a cancel leaves the job. A `required` step cannot be skipped: the
-- window offers retry or cancel, and any answer but retry fails the job.
local function askAfterFailure(path, code, reason, required)
  reason = reason or ERROR_TEXT[code or 0] or ("Windows error " .. tostring(code))
  local answer = notify({ code = REPORT.FAILURE, path = path, error = code or 0, reason = reason,
                          required = required or nil })
  if answer == ANSWER.RETRY then return true end
  if answer == ANSWER.SKIP and not required then return false end
  fail(path .. ": " .. reason)   -- the installation fails and is undone
end

-- Runs `step` (which answers true when done) until it succeeds or the user
-- skips it; returns whether it was done.
local function attempt(path, reason, step, required)
  while true do
    if step() then return true end
    if not askAfterFailure(path, nil, reason, required) then return false end
  end
end

------------------------------------------------------------------------------
-- Files and folders.

local function parentOf(path)
  return path:match("^(.*)\\[^\\]+$")
end

-- The folders from the outermost missing one down to `path`.
local function missingFolders(path)
  local missing = {}
  local folder = path
  while folder and #folder > 3 and not folderExists(folder) do
    table.insert(missing, 1, folder)
    folder = parentOf(folder)
  end
  return missing
end

-- The install folder: made (with the folders above it that are missing)
-- with permissions only administrators (and, for one user, that user) can
-- change, or, when it exists, checked that no one else can change it.
-- Refused with the reason otherwise.
local function makeInstallFolder(root)
  for _, folder in ipairs(missingFolders(root)) do record({ op = "folder", path = folder }) end
  local ok, made = createInstallFolder(root, places.check)
  if not ok then fail("the install folder " .. root .. " is refused: " .. tostring(made)) end
  for _, folder in ipairs(made) do log.folders[#log.folders + 1] = folder end
end

-- Creates a folder and its missing parents (inside the install folder they
-- inherit its permissions); each one made is journalled (removed again on
-- rollback while it is empty) and logged.
local function makeFolder(path)
  local missing = missingFolders(path)
  if #missing == 0 then return end
  for _, folder in ipairs(missing) do record({ op = "folder", path = folder }) end
  attempt(path, "the folder cannot be created", function() return createDirectory(path) end)
  for _, made in ipairs(missing) do
    if folderExists(made) then log.folders[#log.folders + 1] = made end
  end
end

-- A name beside `path` that nothing has yet: `path .. suffix`, else with a
-- number after it. Two entries that differ only in case name the same file
-- and must not share a copy.
local function freeName(path, suffix)
  local name, number = path .. suffix, 1
  while fileExists(name) or folderExists(name) do
    number = number + 1
    name = path .. suffix .. "-" .. number
  end
  return name
end

-- Keeps a copy of an existing file beside it until the job ends; nil when no
-- copy could be made (the file must then not be overwritten now).
local function backUp(path)
  local backup = freeName(path, shared.BACKUP_SUFFIX)
  record({ op = "backup", path = path, backup = backup })
  if not copyFileNoReplace(path, backup) then return nil end
  record({ op = "replaced", path = path, backup = backup })
  return backup
end

local function closeProgram(path, programPath)
  for _, each in ipairs({ path, programPath }) do
    if each and isProcessRunning(each) then killProcess(each) end
  end
  sleep(300)
end

-- Writes one payload entry to `path`, handling files in use and failures.
-- Returns true and the file written (`path`, or the new file beside it that
-- replaces it at the next restart), or false when the entry was skipped.
local function writeEntry(name, path, programPath)
  local existed = fileExists(path)
  local backup
  if existed then backup = backUp(path) else record({ op = "new", path = path }) end
  while true do
    local ok, code = false, nil
    if not existed or backup then ok, code = extractFile(name, path) else code = 32 end
    if ok then return true, path end
    local inUse = existed and (code == 32 or code == 33 or code == 5)
    if inUse and not places.restartAllowed then
      -- For one user nothing waits for the restart: scheduling it is the
      -- administrators' alone, and writes for all users. Close the program,
      -- or the install ends (cancelled when the user said so).
      local answer = notify({ code = REPORT.IN_USE, path = path, atRestart = false })
      if answer == ANSWER.CANCEL then error(CANCELLED, 0) end
      if answer ~= ANSWER.CLOSE_PROGRAM then
        fail(path .. " is in use, and an install for one user cannot replace it at the restart")
      end
      closeProgram(path, programPath)
      if not backup then backup = backUp(path) end
    else
      local pending = inUse and freeName(path, shared.PENDING_SUFFIX)
      if pending then record({ op = "pending", path = pending, target = path }) end
      if pending and extractFile(name, pending) then
        local answer = notify({ code = REPORT.IN_USE, path = path })
        if answer == ANSWER.CLOSE_PROGRAM then
          removeFile(pending)
          closeProgram(path, programPath)
          if not backup then backup = backUp(path) end
        elseif answer == ANSWER.AT_RESTART and moveFileAtRestart(pending, path) then
          -- Undone by removing the new file: the move at restart then finds
          -- nothing to move. The journal's finish marks the restart once the
          -- job has succeeded: the new file waits beside the old one.
          return true, pending
        else
          removeFile(pending)
          error(CANCELLED, 0)
        end
      elseif not askAfterFailure(path, code) then
        return false
      end
    end
  end
end

------------------------------------------------------------------------------
-- Registry.

local ROOT_NAMES = shared.ROOT_NAMES

-- Writes a value, journalling the old one (its type and exact bytes,
-- restored on rollback, or its absence) and logging it.
local function setValue(root, key, name, value)
  local where = ROOT_NAMES[root] .. "\\" .. key .. "\\" .. name
  local oldType, oldBytes = regQueryValue(root, key, name)
  if oldType == nil and oldBytes ~= 2 then
    fail(where .. ": the value cannot be read to keep it for an undo (error " .. tostring(oldBytes) .. ")")
  end
  record({ op = "value", root = ROOT_NAMES[root], key = key, name = name, type = oldType,
           data = oldType and installJournal.toHex(oldBytes) or nil })
  attempt(where, "the registry value cannot be written", function()
    if type(value) == "number" then
      regWriteInteger(root, key, name, value)
      return regQueryInteger(root, key, name) == value
    end
    regWriteString(root, key, name, value)
    return regQueryString(root, key, name) == value
  end)
  log.registry[#log.registry + 1] = { root = ROOT_NAMES[root], key = key, value = name }
end

local function writeKey(root, key, values)
  -- A key this job makes is deleted on undo (after its values' undo); one it
  -- found stays, with whatever else it holds. Writing a value makes the
  -- missing keys above it too: each is journalled and logged, outermost
  -- first, and removed again while it is empty.
  local missing = {}
  local path = key
  while path and not regKeyExists(root, path) do
    table.insert(missing, 1, path)
    path = parentOf(path)
  end
  for _, made in ipairs(missing) do
    record({ op = "key", root = ROOT_NAMES[root], key = made })
    log.keys[#log.keys + 1] = { root = ROOT_NAMES[root], key = made }
  end
  for _, pair in ipairs(values) do setValue(root, key, pair[1], pair[2]) end
end

------------------------------------------------------------------------------
-- Shortcuts.

local function makeShortcut(target, link)
  if fileExists(link) then
    while not backUp(link) do
      if not askAfterFailure(link, nil, "the existing shortcut cannot be kept for an undo") then return end
    end
  else
    record({ op = "new", path = link })
  end
  if attempt(link, "the shortcut cannot be made", function() return createShortCut(target, link) end) then
    log.shortcuts[#log.shortcuts + 1] = link
  end
end

------------------------------------------------------------------------------
-- The install log of an earlier installation into the same folder: what it
-- made and this one does not make again is kept in the new log, so the
-- uninstaller still removes it. Only a log no one but the administrators
-- (and, for one user, that user) could have written is read, and only one of
-- the same mode.

local function earlierLog(logPath)
  if not fileExists(logPath) then return nil end
  local text = readProtectedFile(logPath, places.check)
  local earlier = text and jsonDecode(text)
  if type(earlier) ~= "table" or (earlier.mode or installMode.PER_MACHINE) ~= places.mode then return nil end
  return earlier
end

local function mergeEarlierLog(earlier)
  if not earlier then return end
  local function merge(list, items, keyOf)
    local seen = {}
    for _, item in ipairs(list) do seen[keyOf(item)] = true end
    for _, item in ipairs(type(items) == "table" and items or {}) do
      local key = keyOf(item)
      if key and not seen[key] then
        list[#list + 1] = item
        seen[key] = true
      end
    end
  end
  local function lower(path) return type(path) == "string" and path:lower() or nil end
  merge(log.files, earlier.files, function(item)
    return type(item) == "table" and fileExists(tostring(item.path)) and lower(item.path) or nil
  end)
  merge(log.folders, earlier.folders, lower)
  merge(log.registry, earlier.registry, function(item)
    return type(item) == "table" and (tostring(item.root) .. "\\" .. tostring(item.key) .. "\\" .. tostring(item.value)):lower() or nil
  end)
  merge(log.keys, earlier.keys, function(item)
    return type(item) == "table" and (tostring(item.root) .. "\\" .. tostring(item.key)):lower() or nil
  end)
  merge(log.shortcuts, earlier.shortcuts, lower)
end

------------------------------------------------------------------------------
-- The job.

local function depth(path)
  local _, count = path:gsub("\\", "")
  return count
end

local function install(state)
  local root = tostring(config.installPath or ""):gsub("/", "\\"):gsub("\\+$", "")
  if not root:match("^%a:\\.") then fail("no valid install folder was given") end
  local other = installFolder.installedElsewhere(root, places)
  if other then fail(product.name .. " is already installed in " .. other) end
  if installFolder.installedInOtherMode(root, places) then
    fail(product.name .. " is already installed in " .. root .. " the other way (for all users or for one)")
  end
  log.folder = root
  local entries, why = listEntries()
  if type(entries) ~= "table" then fail("the payload cannot be read (" .. tostring(why) .. ")") end

  -- Every entry's place inside the install folder, before anything is done.
  local total, names, paths = 0, {}, {}
  for index, entry in ipairs(entries) do
    local path, refused = installFolder.entryPath(root, entry.name)
    if not path then fail("the payload entry \"" .. tostring(entry.name) .. "\" " .. refused) end
    paths[index] = path
    total = total + entry.size
    names[entry.name] = path
  end
  -- Registered, the product is removed by its uninstaller: a payload
  -- without one would leave an entry in the installed-programs list that
  -- nothing can remove.
  if not names[UNINSTALLER_ENTRY] then
    fail("the payload holds no " .. UNINSTALLER_ENTRY .. " (entry names count with their case), so "
         .. product.name .. " could not be removed: build the installer with scripts/make-installer.sh, "
         .. "which puts the uninstaller into the payload")
  end
  state.bytes = total
  local programPath = names[PROGRAM_ENTRY]
  local uninstallerPath = root .. "\\" .. UNINSTALLER_ENTRY
  state.program = programPath

  local logPath = root .. "\\" .. shared.LOG_NAME
  local earlier = earlierLog(logPath)

  local opened, reason = installJournal.start(places)
  if not opened then fail(reason) end
  journal = opened

  -- Folders first: the install folder and every entry's folder.
  makeInstallFolder(root)
  for _, path in ipairs(paths) do
    local folder = parentOf(path)
    if folder ~= root then makeFolder(folder) end
  end

  -- The files, progress by bytes; each report's answer may stop the job.
  local done, lastReport = 0, -REPORT_INTERVAL
  local function progress(file, final)
    local now = os.clock()
    if not final and now - lastReport < REPORT_INTERVAL then return end
    lastReport = now
    local percent = total > 0 and math.floor(done * 100 / total) or 100
    local report = { code = REPORT.PROGRESS, file = file, done = done, total = total, percent = percent }
    local answer = notify(report)
    while answer == ANSWER.PAUSE do
      sleep(100)
      answer = notify(report)
    end
    if answer == ANSWER.STOP then error(CANCELLED, 0) end
  end
  local pace = tonumber(config.pace)
  for index, entry in ipairs(entries) do
    local path = paths[index]
    local written, file = writeEntry(entry.name, path, programPath)
    if written then
      -- The uninstaller removes the file only while it still has this hash:
      -- of the new file waiting beside it for the restart, when there is one.
      log.files[#log.files + 1] = { path = path, size = entry.size, sha256 = fileSha256(file) }
      state.count = state.count + 1
    else
      state.skipped = state.skipped + 1
    end
    done = done + entry.size
    progress(entry.name, index == #entries)
    -- Tests only: wait between files, still answering to a cancel.
    if pace and index < #entries then
      local waited = 0
      while waited < pace do
        sleep(math.min(100, pace - waited))
        waited = waited + 100
        lastReport = -REPORT_INTERVAL
        progress(entry.name)
      end
    end
  end
  if #entries == 0 then progress("", true) end

  -- Registration: the system's list of installed programs and the product's
  -- key, for all users or for this one.
  local quoted = "\"" .. uninstallerPath .. "\""
  writeKey(places.root, shared.UNINSTALL_KEY, {
    { "DisplayName", product.name }, { "DisplayVersion", product.version }, { "Publisher", product.publisher },
    { "InstallLocation", root }, { "DisplayIcon", programPath or uninstallerPath },
    { "UninstallString", quoted }, { "QuietUninstallString", quoted .. " /S" },
    { "EstimatedSize", math.ceil(total / 1024) }, { "NoModify", 1 }, { "NoRepair", 1 },
  })
  writeKey(places.root, shared.PRODUCT_KEY, { { "InstallPath", root }, { "Version", product.version } })

  -- Shortcuts: the start-menu folder and, when asked for, the desktop (all
  -- users', or this user's).
  local menu = tostring(config.startMenu or ""):gsub("/", "\\"):gsub("^\\+", ""):gsub("\\+$", "")
  local programs = places.startMenu
  if menu ~= "" and programs and not menu:find("%.%.") and not menu:find(":", 1, true) then
    local folder = programs .. "\\" .. menu
    makeFolder(folder)
    if programPath then makeShortcut(programPath, folder .. "\\" .. product.name .. ".lnk") end
    if names[README_ENTRY] then
      makeShortcut(names[README_ENTRY], folder .. "\\" .. product.name .. " Readme.lnk")
    end
    makeShortcut(uninstallerPath, folder .. "\\Uninstall " .. product.name .. ".lnk")
  end
  local desktop = places.desktop
  local desktopTarget = programPath or names[README_ENTRY]
  if config.desktop and desktop and desktopTarget then
    makeShortcut(desktopTarget, desktop .. "\\" .. product.name .. ".lnk")
  end
  state.shortcuts = #log.shortcuts

  -- The install log, last: folders deepest first. Without it the uninstaller
  -- cannot remove the product, so it cannot be skipped: it is written, or
  -- the install fails and is undone.
  mergeEarlierLog(earlier)
  table.sort(log.folders, function(a, b)
    if depth(a) ~= depth(b) then return depth(a) > depth(b) end
    return a > b
  end)
  local text, problem = jsonEncode(log)
  if not text then fail("the install log cannot be made (" .. tostring(problem) .. ")") end
  if fileExists(logPath) then
    if not backUp(logPath) then fail(logPath .. ": the earlier install log cannot be kept for an undo") end
  else
    record({ op = "new", path = logPath })
  end
  attempt(logPath, "the install log cannot be written", function() return writeWholeFile(logPath, text) end, true)
  record({ op = "commit" })
end

local state = { count = 0, skipped = 0, bytes = 0 }
local ok, failure = pcall(install, state)
if ok then
  -- The copies of replaced files go; files waiting for the restart mark it.
  local finished = installJournal.finish(journal.records)
  journal:close()
  notify({ code = REPORT.DONE, installed = true, restart = finished.restart, count = state.count,
           skipped = state.skipped, bytes = state.bytes, shortcuts = state.shortcuts or 0, program = state.program })
else
  local undone = installJournal.nothingUndone()
  if journal then
    notify({ code = REPORT.UNDOING })
    undone = installJournal.undo(journal.records, places)
    journal:close()
  end
  local cancelled = type(failure) == "table" and failure.cancelled or false
  local message = type(failure) == "table" and failure.failure or tostring(failure)
  notify(installJournal.summary(undone, { code = REPORT.DONE, installed = false, cancelled = cancelled, count = 0,
                                          skipped = 0, bytes = state.bytes, shortcuts = 0,
                                          message = not cancelled and message or nil }))
end
