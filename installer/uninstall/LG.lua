-- The uninstaller's background script: the removal, on the worker thread.
--
-- Started by UI.lua with configurationText({ folder = installFolder }). Reads
-- "install-log.json" in that folder (written by the setup's LG.lua) and
-- removes exactly what it lists, nothing more:
--   files      only when they still have the size the setup wrote (a file
--              the user changed is kept); a file in use goes at the restart
--   registry   the values, then the keys the setup made
--   shortcuts  the .lnk files
--   the log itself, then the folders the setup made, deepest first, and
--   only when empty: a folder holding the user's own files stays.
-- Entries outside the install folder, the start menu and the desktop, or
-- outside the product's registry keys, are ignored, so a damaged or altered
-- log cannot make the uninstaller delete anything else.
--
-- Reports to the window (notifyMessage; shared.lua lists them): PROGRESS
-- { item, percent } at most every 100 ms, and DONE { removed, files,
-- shortcuts, kept, example, later, message } last.

local shared = require "shared"

local REPORT = shared.REPORT
local PRODUCT_KEYS = { shared.UNINSTALL_KEY:lower(), shared.PRODUCT_KEY:lower() }
local ROOTS = { HKEY_LOCAL_MACHINE = HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER = HKEY_CURRENT_USER }
local REPORT_INTERVAL = 0.1
local ORIGINAL_WAIT_MS = 15000   -- how long the original uninstaller may take to end

local function notify(values)
  return notifyMessage(shared.serialise(values))
end

------------------------------------------------------------------------------
-- Paths.

local function plain(path)
  return type(path) == "string" and path:gsub("/", "\\"):gsub("\\+$", ""):lower() or nil
end

-- Whether `path` lies inside (or is) one of the folders given.
local function inside(path, folders, orSame)
  local lower = plain(path)
  if not lower or lower:find("\\%.%.?\\") or lower:find("\\%.%.?$") then return false end
  for _, folder in ipairs(folders) do
    local base = plain(folder)
    if base and base ~= "" then
      if lower:sub(1, #base + 1) == base .. "\\" then return true end
      if orSame and lower == base then return true end
    end
  end
  return false
end

------------------------------------------------------------------------------
-- The job.

local result = { files = 0, shortcuts = 0, kept = 0, later = 0, example = "" }
local function keep(path)
  result.kept = result.kept + 1
  if result.example == "" then result.example = path end
end

local function removeOrLater(path)
  if removeFile(path) then return true end
  if moveFileAtRestart and moveFileAtRestart(path) then
    result.later = result.later + 1
    return true
  end
  return false
end

-- The original uninstaller in the install folder ends right after starting
-- this copy (a silent one once the log is gone): wait for it a little.
local function removeOriginal(path)
  local waited = 0
  while waited < ORIGINAL_WAIT_MS do
    if removeFile(path) or not fileExists(path) then return true end
    sleep(200)
    waited = waited + 200
  end
  return removeOrLater(path)
end

local function uninstall()
  local folder = tostring(type(config) == "table" and config.folder or ""):gsub("[\\/]+$", "")
  local logPath = folder .. "\\" .. shared.LOG_NAME
  local text = readWholeFile(logPath)
  if not text then error("the install log " .. logPath .. " cannot be read", 0) end
  local log, why = jsonDecode(text)
  if type(log) ~= "table" then error("the install log " .. logPath .. " is damaged (" .. tostring(why) .. ")", 0) end
  if plain(log.folder) ~= plain(folder) then
    error("the install log " .. logPath .. " belongs to another folder", 0)
  end
  local places = { folder, getStartMenuFolder(), getDesktopFolder() }
  local files = type(log.files) == "table" and log.files or {}
  local shortcuts = type(log.shortcuts) == "table" and log.shortcuts or {}
  local folders = type(log.folders) == "table" and log.folders or {}
  local total = #files + #shortcuts + #folders + 2
  local step, lastReport = 0, -REPORT_INTERVAL
  local function progress(item)
    step = step + 1
    local now = os.clock()
    if step < total and now - lastReport < REPORT_INTERVAL then return end
    lastReport = now
    notify({ code = REPORT.PROGRESS, item = item, percent = math.floor(step * 100 / total) })
  end

  -- Files the setup wrote and nobody changed since; the original
  -- uninstaller last, once it has ended.
  local original
  for _, file in ipairs(files) do
    local path = type(file) == "table" and file.path
    if type(path) == "string" and inside(path, { folder }) then
      if fileExists(path) then
        if getFileSize(path) ~= tonumber(file.size) then
          keep(path)
        elseif plain(path) == plain(folder .. "\\" .. shared.UNINSTALLER) then
          original = path
        elseif removeOrLater(path) then
          result.files = result.files + 1
        else
          keep(path)
        end
      end
      progress(path)
    end
  end

  -- Registration: values, then the keys the setup made.
  local function productKey(entry)
    if type(entry) ~= "table" or not ROOTS[entry.root] or type(entry.key) ~= "string" then return false end
    local key = plain(entry.key)
    for _, known in ipairs(PRODUCT_KEYS) do
      if key == known or key:sub(1, #known + 1) == known .. "\\" then return true end
    end
    return false
  end
  for _, entry in ipairs(type(log.registry) == "table" and log.registry or {}) do
    if productKey(entry) and type(entry.value) == "string" then
      regDeleteValue(ROOTS[entry.root], entry.key, entry.value)
    end
  end
  for _, entry in ipairs(type(log.keys) == "table" and log.keys or {}) do
    if productKey(entry) then regDeleteSubKey(ROOTS[entry.root], entry.key) end
  end
  progress("registration")

  for _, link in ipairs(shortcuts) do
    if type(link) == "string" and link:lower():match("%.lnk$") and inside(link, places) then
      if fileExists(link) and removeOrLater(link) then result.shortcuts = result.shortcuts + 1 end
      progress(link)
    end
  end

  -- The log goes last of the files: from here on the product is removed.
  removeOrLater(logPath)
  if original then
    if removeOriginal(original) then result.files = result.files + 1 else keep(original) end
  end
  progress(logPath)

  for _, path in ipairs(folders) do
    if type(path) == "string" and inside(path, places, true) and plain(path) ~= plain(getStartMenuFolder())
       and plain(path) ~= plain(getDesktopFolder()) then
      if directoryEmpty(path) then
        removeDirectory(path)
      else
        keep(path)
      end
      progress(path)
    end
  end
end

local ok, failure = pcall(uninstall)
notify({ code = REPORT.DONE, removed = ok, files = result.files, shortcuts = result.shortcuts, kept = result.kept,
         example = result.example, later = result.later, message = not ok and tostring(failure) or nil })
