-- The setup's background script: the whole installation, on the worker thread.
--
-- Started by UI.lua with
--   startWork("LG.lua", "program.lz", configurationText({ installPath = folder,
--             startMenu = product.name, desktop = true }))
-- `config.installPath` is the checked install folder, `config.startMenu` the
-- start-menu folder ("" for none), `config.desktop` asks for a desktop
-- shortcut and `config.pace`, only ever given by tests, a pause in
-- milliseconds after each file.
--
-- The job: folders, every payload entry (the package lists them with their
-- sizes, so nothing here names the files), the product's registration,
-- shortcuts and the install log "install-log.json" that the uninstaller
-- reads. Everything it changes is journalled; cancel or failure undoes it in
-- reverse: new files removed, replaced files restored from the backup kept
-- beside them until the end, new folders, registry values, keys and
-- shortcuts removed.
--
-- Reports to the window (notifyMessage) and the answers that steer the job
-- are listed in shared.lua: PROGRESS by bytes, FAILURE (retry, skip or
-- fail), IN_USE (close the program, replace at the restart, or cancel),
-- UNDOING, and DONE with { installed, cancelled, restart, count, skipped,
-- bytes, shortcuts, program, message }.

local shared = require "shared"

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

------------------------------------------------------------------------------
-- Reports.

local function notify(values)
  return notifyMessage(shared.serialise(values))
end

-- Raised (as a table) to leave the job for the rollback: the user cancelled.
local CANCELLED = { cancelled = true }

------------------------------------------------------------------------------
-- The journal: every change made, with how to undo it.

local undo = {}
local backups = {}        -- backup files to remove once the job has succeeded
local log = { product = product.name, version = product.version, files = {}, folders = {}, registry = {}, keys = {},
              shortcuts = {} }

local function onUndo(action)
  undo[#undo + 1] = action
end

local function rollBack()
  for i = #undo, 1, -1 do pcall(undo[i]) end
  undo = {}
end

-- Removes a file now, or at the next restart when it cannot be removed now.
local function removeNowOrLater(path)
  if fileExists(path) and not removeFile(path) and moveFileAtRestart then moveFileAtRestart(path) end
end

------------------------------------------------------------------------------
-- Questions to the window.

-- Asks what to do about something that failed: true to try again, false to
-- skip it; a cancel leaves the job.
local function askAfterFailure(path, code, reason)
  reason = reason or ERROR_TEXT[code or 0] or ("Windows error " .. tostring(code))
  local answer = notify({ code = REPORT.FAILURE, path = path, error = code or 0, reason = reason })
  if answer == ANSWER.RETRY then return true end
  if answer == ANSWER.SKIP then return false end
  error({ failure = path .. ": " .. reason }, 0)   -- the installation fails and is undone
end

-- Runs `step` (which answers true when done) until it succeeds or the user
-- skips it; returns whether it was done.
local function attempt(path, reason, step)
  while true do
    if step() then return true end
    if not askAfterFailure(path, nil, reason) then return false end
  end
end

------------------------------------------------------------------------------
-- Files and folders.

local function parentOf(path)
  return path:match("^(.*)\\[^\\]+$")
end

-- Creates a folder and its missing parents; each one made is journalled
-- (removed again on rollback while it is empty) and logged.
local function makeFolder(path)
  local missing = {}
  local folder = path
  while folder and #folder > 3 and not folderExists(folder) do
    table.insert(missing, 1, folder)
    folder = parentOf(folder)
  end
  if #missing == 0 then return end
  attempt(path, "the folder cannot be created", function() return createDirectory(path) end)
  for _, made in ipairs(missing) do
    log.folders[#log.folders + 1] = made
    onUndo(function() if directoryEmpty(made) then removeDirectory(made) end end)
  end
end

-- Keeps a copy of an existing file beside it until the job ends; false when
-- no copy could be made (the file must then not be overwritten now).
local function backUp(path)
  local backup = path .. shared.BACKUP_SUFFIX
  if not copyFile(path, backup) then return nil end
  backups[#backups + 1] = backup
  onUndo(function() removeNowOrLater(backup) end)
  return backup
end

-- Journals a file the job has just written over `backup` (nil: it is new).
local function journalWritten(path, backup)
  onUndo(function()
    if backup then
      if not moveFile(backup, path) then removeNowOrLater(path) end
    else
      removeNowOrLater(path)
    end
  end)
end

local function closeProgram(path, programPath)
  for _, each in ipairs({ path, programPath }) do
    if each and isProcessRunning(each) then killProcess(each) end
  end
  sleep(300)
end

-- Writes one payload entry to `path`, handling files in use and failures.
-- Returns true when the file was written (now or at the next restart).
local function writeEntry(name, path, programPath, state)
  local existed = fileExists(path)
  local backup = existed and backUp(path)
  while true do
    local ok, code = false, nil
    if not existed or backup then ok, code = extractFile(name, path) else code = 32 end
    if ok then
      journalWritten(path, backup)
      return true
    end
    local inUse = existed and (code == 32 or code == 33 or code == 5)
    local pending = path .. shared.PENDING_SUFFIX
    if inUse and extractFile(name, pending) then
      local answer = notify({ code = REPORT.IN_USE, path = path })
      if answer == ANSWER.CLOSE_PROGRAM then
        removeFile(pending)
        closeProgram(path, programPath)
        if not backup then backup = backUp(path) end
      elseif answer == ANSWER.AT_RESTART and moveFileAtRestart and moveFileAtRestart(pending, path) then
        -- Undone by removing the new file: the move at restart then finds
        -- nothing to move. The restart marker is set only once the job
        -- has succeeded.
        onUndo(function() removeNowOrLater(pending) end)
        state.restart = true
        return true
      else
        removeFile(pending)
        error(CANCELLED, 0)
      end
    elseif not askAfterFailure(path, code) then
      return false
    end
  end
end

------------------------------------------------------------------------------
-- Registry.

local ROOT_NAMES = { [HKEY_LOCAL_MACHINE] = "HKEY_LOCAL_MACHINE", [HKEY_CURRENT_USER] = "HKEY_CURRENT_USER" }


-- Writes a value, journalling the old one (restored on rollback) and logging it.
local function setValue(root, key, name, value)
  local oldText = regQueryString(root, key, name)
  local oldNumber = oldText == nil and regQueryInteger(root, key, name) or nil
  attempt(ROOT_NAMES[root] .. "\\" .. key .. "\\" .. name, "the registry value cannot be written", function()
    if type(value) == "number" then
      regWriteInteger(root, key, name, value)
      return regQueryInteger(root, key, name) == value
    end
    regWriteString(root, key, name, value)
    return regQueryString(root, key, name) == value
  end)
  onUndo(function()
    if oldText ~= nil then
      regWriteString(root, key, name, oldText)
    elseif oldNumber ~= nil then
      regWriteInteger(root, key, name, oldNumber)
    else
      regDeleteValue(root, key, name)
    end
  end)
  log.registry[#log.registry + 1] = { root = ROOT_NAMES[root], key = key, value = name }
end

local function writeKey(root, key, values)
  -- A key this job makes is deleted on undo; one it found stays, with
  -- whatever else it holds.
  if not regKeyExists(root, key) then
    onUndo(function() regDeleteSubKey(root, key) end)   -- runs after the values' undo
    log.keys[#log.keys + 1] = { root = ROOT_NAMES[root], key = key }
  end
  for _, pair in ipairs(values) do setValue(root, key, pair[1], pair[2]) end
end

------------------------------------------------------------------------------
-- Shortcuts.

local function makeShortcut(target, link)
  local existed = fileExists(link)
  local backup = existed and backUp(link)
  while existed and not backup do
    if not askAfterFailure(link, nil, "the existing shortcut cannot be kept for an undo") then return end
    backup = backUp(link)
  end
  if attempt(link, "the shortcut cannot be made", function() return createShortCut(target, link) end) then
    journalWritten(link, backup)
    log.shortcuts[#log.shortcuts + 1] = link
  end
end

------------------------------------------------------------------------------
-- The install log of an earlier installation into the same folder: what it
-- made and this one does not make again is kept in the new log, so the
-- uninstaller still removes it.

local function earlierLog(logPath)
  local text = readWholeFile(logPath)
  if not text or not jsonDecode then return nil end
  local earlier = jsonDecode(text)
  return type(earlier) == "table" and earlier or nil
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
  if not root:match("^%a:\\.") then error("no valid install folder was given", 0) end
  if not installFolderIsSafe(root) then
    error("the folder " .. root .. " belongs to another user; choose another folder", 0)
  end
  log.folder = root
  local entries, why = listEntries()
  if type(entries) ~= "table" then error("the payload cannot be read (" .. tostring(why) .. ")", 0) end

  local total, names = 0, {}
  for _, entry in ipairs(entries) do
    total = total + entry.size
    names[entry.name] = true
  end
  state.bytes = total
  local function destination(name) return root .. "\\" .. name:gsub("/", "\\") end
  local programPath = names[PROGRAM_ENTRY] and destination(PROGRAM_ENTRY) or nil
  local uninstallerPath = destination(UNINSTALLER_ENTRY)
  state.program = programPath

  local logPath = root .. "\\" .. shared.LOG_NAME
  local earlier = earlierLog(logPath)

  -- Folders first: the install folder and every entry's folder.
  makeFolder(root)
  for _, entry in ipairs(entries) do
    local folder = parentOf(destination(entry.name))
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
    local path = destination(entry.name)
    if writeEntry(entry.name, path, programPath, state) then
      -- The uninstaller removes the file only while it still has this hash:
      -- of the new file waiting beside it for the restart, when there is one.
      local pending = path .. shared.PENDING_SUFFIX
      log.files[#log.files + 1] = { path = path, size = entry.size,
                                    sha256 = fileSha256(fileExists(pending) and pending or path) }
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

  -- Registration: the system's list of installed programs and the product's key.
  local quoted = "\"" .. uninstallerPath .. "\""
  writeKey(HKEY_LOCAL_MACHINE, shared.UNINSTALL_KEY, {
    { "DisplayName", product.name }, { "DisplayVersion", product.version }, { "Publisher", product.publisher },
    { "InstallLocation", root }, { "DisplayIcon", programPath or uninstallerPath },
    { "UninstallString", quoted }, { "QuietUninstallString", quoted .. " /S" },
    { "EstimatedSize", math.ceil(total / 1024) }, { "NoModify", 1 }, { "NoRepair", 1 },
  })
  writeKey(HKEY_LOCAL_MACHINE, shared.PRODUCT_KEY, { { "InstallPath", root }, { "Version", product.version } })

  -- Shortcuts: the start-menu folder and, when asked for, the desktop.
  local menu = tostring(config.startMenu or ""):gsub("/", "\\"):gsub("^\\+", ""):gsub("\\+$", "")
  local programs = getStartMenuFolder()
  if menu ~= "" and programs and not menu:find("%.%.") then
    local folder = programs .. "\\" .. menu
    makeFolder(folder)
    if programPath then makeShortcut(programPath, folder .. "\\" .. product.name .. ".lnk") end
    if names[README_ENTRY] then
      makeShortcut(destination(README_ENTRY), folder .. "\\" .. product.name .. " Readme.lnk")
    end
    if names[UNINSTALLER_ENTRY] then
      makeShortcut(uninstallerPath, folder .. "\\Uninstall " .. product.name .. ".lnk")
    end
  end
  local desktop = getDesktopFolder()
  if config.desktop and desktop then
    makeShortcut(programPath or destination(README_ENTRY), desktop .. "\\" .. product.name .. ".lnk")
  end
  state.shortcuts = #log.shortcuts

  -- The install log, last: folders deepest first.
  mergeEarlierLog(earlier)
  table.sort(log.folders, function(a, b)
    if depth(a) ~= depth(b) then return depth(a) > depth(b) end
    return a > b
  end)
  local existed = fileExists(logPath)
  local backup = existed and backUp(logPath)
  attempt(logPath, "the install log cannot be written", function()
    return writeWholeFile(logPath, jsonEncode(log))
  end)
  journalWritten(logPath, backup)
end

local state = { count = 0, skipped = 0, bytes = 0, restart = false }
local ok, failure = pcall(install, state)
if ok then
  for _, backup in ipairs(backups) do removeNowOrLater(backup) end
  if state.restart then markRestart() end
  notify({ code = REPORT.DONE, installed = true, restart = state.restart, count = state.count, skipped = state.skipped,
           bytes = state.bytes, shortcuts = state.shortcuts or 0, program = state.program })
else
  notify({ code = REPORT.UNDOING })
  rollBack()
  local cancelled = type(failure) == "table" and failure.cancelled or false
  local message = type(failure) == "table" and failure.failure or tostring(failure)
  notify({ code = REPORT.DONE, installed = false, cancelled = cancelled, restart = false, count = 0, skipped = 0,
           bytes = state.bytes, shortcuts = 0, message = not cancelled and message or nil })
end
