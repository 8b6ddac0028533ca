-- The install folder: what may be chosen, the space the payload needs and the
-- space free on its drive, an earlier install in another folder, and where a
-- payload entry lands inside the folder. Used by the folder page, the silent
-- install and the background script. `places` is the install mode's
-- (install_mode.lua: places): its registry root, its programs folder and
-- the mode word of the folder checks.
local shared = require "shared"

local name = shared.product.name
local installFolder = {}

local function lowerNoSlash(path)
  return (path:gsub("/", "\\"):gsub("\\+$", ""):lower())
end

-- Folders of the system itself: installing into one of them (or, for the
-- Windows folder, anywhere inside it) is refused.
local function systemFolders()
  local list = {}
  local function add(path)
    if path and path ~= "" then list[#list + 1] = lowerNoSlash(path) end
  end
  for _, variable in ipairs({ "SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432",
                              "CommonProgramFiles", "CommonProgramFiles(x86)", "ProgramData",
                              "ALLUSERSPROFILE", "PUBLIC", "USERPROFILE", "APPDATA", "LOCALAPPDATA" }) do
    add(os.getenv(variable))
  end
  local profile = os.getenv("USERPROFILE")
  if profile then add(profile:match("^(.*)\\[^\\]+\\?$")) end   -- the folder holding the profiles
  for _, mode in ipairs({ "machine", "user" }) do
    add(getProgramFolder(mode))
    add(getDesktopFolder(mode))
    add(getStartMenuFolder(mode))
  end
  add(getAppDataFolder())
  add(getTempFolder())
  return list
end

-- Returns the folder in its plain form (backslashes, no trailing one), or
-- nil and the reason it is refused.
function installFolder.check(text)
  local path = (text or ""):gsub("^%s+", ""):gsub("%s+$", ""):gsub("/", "\\")
  if path == "" then return nil, "Please choose the folder to install " .. name .. " into." end
  if not path:match("^%a:\\") then
    return nil, "\"" .. path .. "\" is not a full path. Please give one that starts with a drive, "
                .. "such as C:\\Program Files\\" .. name .. "."
  end
  path = path:sub(1, 3) .. path:sub(4):gsub("\\+", "\\")
  path = path:gsub("\\+$", "")
  if #path <= 2 then
    return nil, name .. " cannot be installed into the root of a drive (" .. path:sub(1, 2):upper()
                .. "\\). Please choose a folder, such as " .. path:sub(1, 2):upper() .. "\\" .. name .. "."
  end
  for part in path:sub(4):gmatch("[^\\]+") do
    if part == "." or part == ".." then
      return nil, "The folder must not contain \".\" or \"..\": please give the full path."
    end
    if part:find("[<>:\"|%?%*%c]") then
      return nil, "The folder name \"" .. part .. "\" contains a character Windows does not allow "
                  .. "(< > : \" | ? *)."
    end
    if part:match("[ %.]$") then
      return nil, "The folder name \"" .. part .. "\" must not end with a space or a dot."
    end
  end
  local lower = path:lower()
  for _, folder in ipairs(systemFolders()) do
    if lower == folder then
      local example = ""
      for _, mode in ipairs({ "machine", "user" }) do
        local programs = getProgramFolder(mode)
        if programs and lower == lowerNoSlash(programs) then example = ", such as " .. path .. "\\" .. name end
      end
      return nil, path .. " is a folder of the system. Please choose a folder of its own for " .. name
                  .. example .. "."
    end
  end
  local windows = os.getenv("SystemRoot") or os.getenv("windir")
  if windows and lower:sub(1, #windows + 1) == lowerNoSlash(windows) .. "\\" then
    return nil, name .. " cannot be installed inside the Windows folder. Please choose another folder."
  end
  return path
end

-- Where the payload entry `name` ("docs/guide.txt") is written inside the
-- install folder `root`, or nil and why not. A name that could reach outside
-- the folder is refused: ".." or "." as a part, a drive or a stream (":"), a
-- leading separator (either slash: a root or a share), an empty part, a part
-- Windows would shorten (ending in a dot or a space), characters Windows does
-- not allow.
function installFolder.entryPath(root, name)
  if type(name) ~= "string" or name == "" then return nil, "has no name" end
  local plain = name:gsub("/", "\\")
  if plain:find("^\\") then return nil, "starts with a separator" end
  if plain:find(":", 1, true) then return nil, "names a drive or a stream" end
  if plain:find("\\\\") or plain:find("\\$") then return nil, "has an empty part" end
  if plain:find("[<>\"|%?%*%c]") then return nil, "contains a character Windows does not allow" end
  for part in plain:gmatch("[^\\]+") do
    if part:match("^[%. ]+$") then return nil, "has a part made of dots" end
    if part:match("[%. ]$") then return nil, "has a part ending in a dot or a space" end
  end
  return root .. "\\" .. plain
end

-- The folder of an installation of the product, in the same mode, in a
-- folder other than `folder`, while that installation is still there (its
-- install log): its uninstaller would remove the registration of a new
-- install elsewhere.
function installFolder.installedElsewhere(folder, places)
  local installed = regQueryString(places.root, shared.PRODUCT_KEY, "InstallPath")
  if not installed or installed == "" then return nil end
  if lowerNoSlash(installed) == lowerNoSlash(folder) then return nil end
  if not fileExists(installed .. "\\" .. shared.LOG_NAME) then return nil end
  return installed
end

-- Whether the product is installed in `folder` itself in the other mode (its
-- registration under the other root names the folder, and its install log
-- is there): an install in this mode would take over files the other's
-- uninstaller removes, and leave that registration behind.
function installFolder.installedInOtherMode(folder, places)
  local other = places.root == HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
  local installed = regQueryString(other, shared.PRODUCT_KEY, "InstallPath")
  if not installed or lowerNoSlash(installed) ~= lowerNoSlash(folder) then return false end
  return fileExists(folder .. "\\" .. shared.LOG_NAME)
end

-- Bytes the payload needs, from the package itself (nil when unreadable).
function installFolder.payloadSize()
  local entries = listEntries("program.lz")
  if type(entries) ~= "table" then return nil end
  local total = 0
  for _, entry in ipairs(entries) do total = total + (tonumber(entry.size) or 0) end
  return total
end

function installFolder.formatBytes(bytes)
  if bytes >= 1024 ^ 3 then return string.format("%.1f GB", bytes / 1024 ^ 3) end
  if bytes >= 1024 ^ 2 then return string.format("%.1f MB", bytes / 1024 ^ 2) end
  return string.format("%.0f KB", math.max(1, math.ceil(bytes / 1024)))
end

-- Checks the folder for an install in the mode of `places`, and the room on
-- its drive: the folder, or nil, the reason and the exit code of a silent
-- install when it will not do.
function installFolder.checkTarget(text, places)
  local folder, why = installFolder.check(text)
  if not folder then return nil, why, shared.EXIT.BAD_FOLDER end
  -- Other users must not be able to change the program once installed: the
  -- folder and those above it are checked (the background script makes the
  -- folder with the same checks). For one user, that user's own folders pass.
  local safe, message = installFolderIsSafe(folder, places.check)
  if not safe then
    return nil, "Setup cannot install into " .. folder .. ": " .. tostring(message or "it is not safe") .. "\n\n"
                .. "Please choose another folder.", shared.EXIT.BAD_FOLDER
  end
  local other = installFolder.installedElsewhere(folder, places)
  if other then
    return nil, name .. " is already installed in " .. other .. ". Setup installs it again only into that "
                .. "folder: choose it, or uninstall " .. name .. " first.", shared.EXIT.INSTALLED_ELSEWHERE
  end
  if installFolder.installedInOtherMode(folder, places) then
    local whom = places.root == HKEY_CURRENT_USER and "for all users" or "for one user"
    return nil, name .. " is already installed in " .. folder .. " " .. whom .. ". Setup installs it there again "
                .. "only the same way: choose another folder, or uninstall " .. name .. " first.",
           shared.EXIT.INSTALLED_ELSEWHERE
  end
  local needed = installFolder.payloadSize()
  local free = getFreeSpace(folder)
  if needed and free and free < needed then
    return nil, "There is not enough space on drive " .. folder:sub(1, 2):upper() .. ": " .. name .. " needs "
                .. installFolder.formatBytes(needed) .. ", and " .. installFolder.formatBytes(free) .. " is free.",
           shared.EXIT.NO_SPACE
  end
  return folder
end

-- The folder of an earlier installation in the same mode, else the
-- product's folder in the mode's programs folder.
function installFolder.default(places)
  local installed = regQueryString(places.root, shared.PRODUCT_KEY, "InstallPath")
  if installed and installed ~= "" then return installed end
  return (places.programs or "C:\\Program Files") .. "\\" .. name
end

return installFolder
