-- Whom an installation is for, and what follows from it.
--
--   perMachine  every user of the computer: the setup runs with administrator
--               rights; Program Files, HKEY_LOCAL_MACHINE, the start menu and
--               desktop of all users; the install folder under the
--               administrators' control alone
--   perUser     only the user who runs the setup, who needs no administrator
--               rights: the user's own programs folder
--               (%LOCALAPPDATA%\Programs), HKEY_CURRENT_USER, the user's start
--               menu and desktop; the user's own folders are trusted
--
-- The product names one of them, or "choose" (product.installMode): the
-- folder page then offers both, and silent installs take /ALLUSERS or
-- /CURRENTUSER. An install for all users chosen by a setup without
-- administrator rights is handed to a copy of the setup started with them
-- (relaunchElevated, with /ALLUSERS /RELAUNCHED), whose exit code the first
-- one ends with. The uninstaller takes the mode its install log records.
local shared = require "shared"

local EXIT = shared.EXIT
local installMode = {}

installMode.PER_MACHINE = "perMachine"
installMode.PER_USER = "perUser"
installMode.CHOOSE = "choose"

local PRODUCT_MODES = { perMachine = true, perUser = true, choose = true }

-- The product's mode: `value` (product.installMode), "perMachine" when it
-- names none; nil and why for anything else.
function installMode.ofProduct(value)
  if value == nil then return installMode.PER_MACHINE end
  if PRODUCT_MODES[value] then return value end
  return nil, "the product's install mode \"" .. tostring(value) .. "\" is none of perMachine, perUser and choose"
end

-- Which mode a run takes, from the product's mode, the command line's
-- options (shared.parseCommandLine: allUsers, currentUser, relaunched,
-- silent) and whether this process has administrator rights. Returns
--   { mode = "perMachine" or "perUser", or nil while the folder page is to ask,
--     suggested = the mode the folder page starts with when it asks,
--     elevate = true when the install is for all users and must be handed to
--               a copy with administrator rights before anything is done }
-- or nil, the reason and the exit code when the command line asks for what
-- this installer does not offer (a fixed mode's other switch, both switches)
-- or the relaunched copy still has no administrator rights.
function installMode.decide(productMode, options, elevated)
  local name = shared.product.name
  if options.allUsers and options.currentUser then
    return nil, "/ALLUSERS and /CURRENTUSER cannot be given together", EXIT.BAD_COMMAND_LINE
  end
  if productMode == installMode.PER_MACHINE then
    if options.currentUser then
      return nil, name .. " is installed for all users only: /CURRENTUSER is not offered", EXIT.BAD_COMMAND_LINE
    end
    return { mode = installMode.PER_MACHINE }
  end
  if productMode == installMode.PER_USER then
    if options.allUsers then
      return nil, name .. " is installed for the current user only: /ALLUSERS is not offered", EXIT.BAD_COMMAND_LINE
    end
    return { mode = installMode.PER_USER }
  end
  if productMode ~= installMode.CHOOSE then
    return nil, "the product's install mode \"" .. tostring(productMode) .. "\" is unknown", EXIT.FAILED
  end
  if options.currentUser then return { mode = installMode.PER_USER } end
  if options.allUsers then
    if elevated then return { mode = installMode.PER_MACHINE } end
    -- The copy started with administrator rights has none: asking again
    -- would go round for ever.
    if options.relaunched then
      return nil, "Setup was started again to install for all users, but without administrator rights",
             EXIT.NEEDS_ELEVATION
    end
    return { mode = installMode.PER_MACHINE, elevate = true }
  end
  -- No switch: the rights the setup has decide a silent install (no prompt
  -- for a run nobody watches); the folder page asks, starting from the same.
  local likely = elevated and installMode.PER_MACHINE or installMode.PER_USER
  if options.silent then return { mode = likely } end
  return { suggested = likely }
end

-- Whether installing in `mode` needs the copy with administrator rights
-- first: an install for all users by a setup that has none.
function installMode.needsElevation(mode, elevated)
  return mode == installMode.PER_MACHINE and not elevated
end

-- The places and the registry root of a mode:
--   { mode, check = the mode word of the folder and file checks ("machine" or
--     "user"), root = the registry root, rootName = its name in logs and
--     journals, programs = the folder installs go below, startMenu, desktop,
--     restartAllowed = whether a file in use may wait for the restart (only
--     for all users: scheduling it is the administrators' alone, and it is
--     written for the whole machine) }
-- The folders are nil when the system has none.
function installMode.places(mode)
  local perUser = mode == installMode.PER_USER
  local check = perUser and "user" or "machine"
  local root = perUser and HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
  return {
    mode = perUser and installMode.PER_USER or installMode.PER_MACHINE,
    check = check,
    root = root,
    rootName = shared.ROOT_NAMES[root],
    programs = getProgramFolder(check),
    startMenu = getStartMenuFolder(check),
    desktop = getDesktopFolder(check),
    restartAllowed = not perUser,
  }
end

-- The modes whose journal a start-up looks for (a setup of that mode was
-- stopped half-way): the run's own mode (none when it must first get
-- administrator rights: the copy that has them looks), or, while the folder
-- page is still to ask, the current user's and, with administrator rights,
-- all users'.
function installMode.journalModes(decision, elevated)
  if decision.elevate then return {} end
  if decision.mode then return { decision.mode } end
  local modes = { installMode.PER_USER }
  if elevated then modes[#modes + 1] = installMode.PER_MACHINE end
  return modes
end

-- The command line of the copy that installs for all users with
-- administrator rights: the switches this run was given, /ALLUSERS,
-- /RELAUNCHED (it asks no more), and the folder last (quoted, or when it
-- holds a quote itself, unquoted: the rest of the line).
function installMode.relaunchParameters(options, folder)
  local words = { "/ALLUSERS", "/RELAUNCHED" }
  if options.silent then words[#words + 1] = "/S" end
  if options.pace then words[#words + 1] = "/PACE=" .. string.format("%d", options.pace) end
  folder = folder or options.folder
  if folder and folder ~= "" then
    words[#words + 1] = folder:find("\"", 1, true) and ("/D=" .. folder) or ("\"/D=" .. folder .. "\"")
  end
  return table.concat(words, " ")
end

-- The mode an installation in `folder` was made in, as its install log
-- records it ("perMachine" for a log that names none); nil and why when
-- the log cannot be read. The log is read as a per-user install's would be:
-- without administrator rights the user's own files count as well, with
-- them only the administrators' (a log the user could have written never
-- makes an elevated uninstaller act).
function installMode.ofInstall(folder)
  local text, why = readProtectedFile(folder .. "\\" .. shared.LOG_NAME, "user")
  if not text then return nil, why end
  local log = jsonDecode(text)
  if type(log) ~= "table" then return nil, "the install log is damaged" end
  if log.mode == installMode.PER_USER then return installMode.PER_USER end
  if log.mode == nil or log.mode == installMode.PER_MACHINE then return installMode.PER_MACHINE end
  return nil, "the install log names an unknown mode"
end

-- A line for the debugger output saying which mode a run takes and why.
function installMode.describe(productMode, decision, elevated)
  local mode = decision.mode or ("asked on the folder page, " .. tostring(decision.suggested) .. " first")
  return string.format("install mode %s (the product's: %s; administrator rights: %s%s)", mode,
                       tostring(productMode), elevated and "yes" or "no",
                       decision.elevate and "; asking for them" or "")
end

return installMode
