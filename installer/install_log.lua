-- The install log "install-log.json" (shared.LOG_NAME): what the setup
-- made, written by the setup's LG.lua and read by the uninstaller's. Its
-- format, and the checks every item of a log read back passes before the
-- uninstaller acts on it (`local installLog = require "install_log"`).
--
--   { "product": ..., "version": ..., "folder": <the install folder>,
--     "mode": "perMachine" or "perUser" (install_mode.lua; a log without one
--             is per machine),
--     "files":     [ { "path": ..., "size": <bytes>, "sha256": <content hash> } ],
--     "folders":   [ <a folder the setup made>, ... deepest first ],
--     "registry":  [ { "root": <the mode's root>, "key": ..., "value": ... } ],
--     "keys":      [ { "root": <the mode's root>, "key": ... } ],
--     "shortcuts": [ <a .lnk file>, ... ] }
--
-- `sha256` is the file's content hash (fileSha256: 64 hexadecimal digits) as
-- the setup wrote it; logs of older setups carry only the size.
--
-- The log lies in a folder the uninstaller deletes from, for all users with
-- administrator rights (or as SYSTEM), so whatever it says is checked as if
-- a stranger had written it: an item of the wrong type, out of range, or
-- naming something outside the places the setup writes to (the install
-- folder, the mode's start menu and desktop, the product's keys under the
-- mode's registry root) is skipped, with a note saying why.
local shared = require "shared"

local installLog = {}

installLog.ROOTS = shared.ROOTS
local MAX_PATH_TEXT = 259        -- what the system functions accept
local MAX_SIZE = 2 ^ 53          -- every whole number of bytes up to here is exact
local MAX_ITEMS = 1000000        -- more items than this in one list is no log of ours

------------------------------------------------------------------------------
-- Paths.

-- A path's plain form for comparisons: lower case, no trailing separator.
function installLog.plain(path)
  return (path:gsub("\\+$", ""):lower())
end

-- Why `path` is no full path of a file or folder the setup could have made,
-- or nil when it is one: a drive, then names separated by single
-- backslashes; no "." or "..", no characters Windows refuses in a name
-- (":" makes an alternate data stream, "/" another separator), and no name
-- ending in a dot or a space (Windows drops them, so the name would mean
-- another one).
local function pathProblem(path)
  if type(path) ~= "string" then return "is no text" end
  if #path > MAX_PATH_TEXT then return "is too long" end
  local rest = path:match("^%a:\\(.+)$")
  if not rest then return "is no full path" end
  if rest:find("[%c<>:\"/|%?%*]") then return "holds a character no name may hold" end
  for name in (rest .. "\\"):gmatch("(.-)\\") do
    if name == "" then return "holds an empty name" end
    if name == "." or name == ".." then return "holds \"" .. name .. "\"" end
    if name:find("[%. ]$") then return "holds a name ending in a dot or a space" end
  end
  return nil
end
installLog.pathProblem = pathProblem

-- Whether `path` lies below `folder` (not the folder itself); both checked
-- paths, compared in their plain forms.
local function below(path, folder)
  if not folder then return false end
  local base = installLog.plain(folder)
  return installLog.plain(path):sub(1, #base + 1) == base .. "\\"
end
installLog.below = below

-- The place of `places` (see installLog.check) that `path` lies below, or
-- nil: the one the removal of what the log lists there is checked against.
local function rootOf(path, places)
  for _, name in ipairs({ "folder", "startMenu", "desktop" }) do
    if below(path, places[name]) then return places[name] end
  end
  return nil
end
installLog.rootOf = rootOf

------------------------------------------------------------------------------
-- Lists.

-- The items of a list read from JSON, by position, holes included: a null
-- leaves a hole (jsonDecode keeps the others at their places), where `ipairs`
-- would stop and `#` may stop. Returns the largest position and nil, or 0
-- and why the value is no list.
local function extent(list)
  if list == nil then return 0 end
  if type(list) ~= "table" then return 0, "is no list" end
  local last = 0
  for key in pairs(list) do
    if type(key) ~= "number" or key < 1 or key ~= math.floor(key) or key > MAX_ITEMS then
      return 0, "is no list"
    end
    if key > last then last = key end
  end
  return last
end

-- Why a registry entry is none of the product's, or nil when it is one: the
-- install mode's root (`rootName`; any known root when nil) and the
-- product's own key, its entry in the installed-programs list, or a key
-- below them; with `parentsToo` also a key above those.
local function keyProblem(entry, rootName, parentsToo)
  if type(entry) ~= "table" then return "is no table" end
  if not installLog.ROOTS[entry.root] then return "names no known root" end
  if rootName and entry.root ~= rootName then return "is outside the install mode's root " .. rootName end
  if type(entry.key) ~= "string" or #entry.key > MAX_PATH_TEXT then return "names no key" end
  if entry.key:find("\\\\") or entry.key:find("\\$") or entry.key:find("%z") then return "names no key" end
  if not shared.isProductKey(entry.key) and not (parentsToo and shared.isProductKeyParent(entry.key)) then
    return "is outside the product's keys"
  end
  return nil
end

------------------------------------------------------------------------------
-- Checking a log.

-- Whether `hash` has the form fileSha256 gives (case ignored).
function installLog.isHash(hash)
  return type(hash) == "string" and #hash == 64 and hash:find("^%x+$") ~= nil
end

-- Checks every item of `log` (a decoded install log whose `folder` the
-- caller has compared with the install folder) against `places`:
--   { folder = <install folder>, startMenu = <the mode's start-menu programs>,
--     desktop = <the mode's desktop>, rootName = <the mode's registry root> }
-- (all but the folder may be nil). Returns the items that pass, by list:
--   { files = { { path, size, sha256 } }, folders = {...}, registry = { { root, key, value } },
--     keys = { { root, key } }, shortcuts = {...} }
-- in the log's order (roots as the registry globals), and the notes on the
-- items skipped, such as 'files[2]: the size 1.5 is no whole number of bytes'.
--
-- Files lie below the install folder. Folders are the install folder, lie
-- below it, below the start menu or the desktop, or are folders above the
-- install folder the setup made on its way there (then the install folder
-- itself must be among them, and never a drive). Shortcuts are .lnk files
-- below one of the three. Registry values are in the product's keys; keys are
-- those or keys above them (the uninstaller removes these only while empty).
function installLog.check(log, places)
  local checked = { files = {}, folders = {}, registry = {}, keys = {}, shortcuts = {} }
  local notes = {}
  local folder = places.folder

  -- Runs `problem(item)` over the list's every position; the items without
  -- a problem go to `out` as `make(item)` gives them.
  local function each(name, problem, make, out)
    local last, why = extent(log[name])
    if why then notes[#notes + 1] = name .. " " .. why end
    for index = 1, last do
      local item = log[name][index]
      local itemWhy = item == nil and "is missing" or problem(item)
      if itemWhy then
        notes[#notes + 1] = string.format("%s[%d] %s", name, index, itemWhy)
      else
        out[#out + 1] = make(item)
      end
    end
  end

  each("files", function(file)
    if type(file) ~= "table" then return "is no table" end
    local why = pathProblem(file.path)
    if why then return "path " .. why end
    if not below(file.path, folder) then return "path is outside the install folder" end
    local size = file.size
    if type(size) ~= "number" or size ~= math.floor(size) or size < 0 or size > MAX_SIZE then
      return "size " .. tostring(size) .. " is no whole number of bytes"
    end
    if file.sha256 ~= nil and not installLog.isHash(file.sha256) then return "sha256 is no content hash" end
    return nil
  end, function(file) return { path = file.path, size = file.size, sha256 = file.sha256 } end, checked.files)

  -- Folders above the install folder count only when the install folder
  -- itself is among them: the setup made those on its way to it. Deepest
  -- first, whatever order the log gives, so a parent comes after its folders.
  local ownsFolder = false
  local folders = {}
  each("folders", function(path)
    local why = pathProblem(path)
    if why then return why end
    if installLog.plain(path) == installLog.plain(folder) then
      ownsFolder = true
    elseif not rootOf(path, places) and not below(folder, path) then
      return "is outside the install folder, the start menu and the desktop"
    end
    return nil
  end, function(path) return path end, folders)
  for _, path in ipairs(folders) do
    if not below(folder, path) or ownsFolder then
      checked.folders[#checked.folders + 1] = path
    else
      notes[#notes + 1] = "folders: " .. path .. " lies above an install folder the setup did not make"
    end
  end
  local function depth(path) return select(2, path:gsub("\\", "")) end
  table.sort(checked.folders, function(a, b)
    if depth(a) ~= depth(b) then return depth(a) > depth(b) end
    return installLog.plain(a) > installLog.plain(b)
  end)

  each("registry", function(entry)
    local why = keyProblem(entry, places.rootName)
    if why then return why end
    if type(entry.value) ~= "string" or entry.value:find("%z") or #entry.value > MAX_PATH_TEXT then
      return "names no value"
    end
    return nil
  end, function(entry)
    return { root = installLog.ROOTS[entry.root], key = entry.key, value = entry.value }
  end, checked.registry)

  each("keys", function(entry) return keyProblem(entry, places.rootName, true) end, function(entry)
    return { root = installLog.ROOTS[entry.root], key = entry.key }
  end, checked.keys)

  each("shortcuts", function(path)
    local why = pathProblem(path)
    if why then return why end
    if not path:lower():find("%.lnk$") then return "is no .lnk file" end
    if not rootOf(path, places) then return "is outside the install folder, the start menu and the desktop" end
    return nil
  end, function(path) return path end, checked.shortcuts)

  return checked, notes
end

return installLog
