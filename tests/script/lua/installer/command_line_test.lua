-- The command line of the setup and the uninstaller (shared.parseCommandLine):
-- /S, /PACE=<ms>, and /D=<folder>, which unquoted takes the rest of the line
-- and quoted ends at its quote; anything else is listed as unknown, so that
-- the setup refuses it instead of running without it.
local shared = require "shared"

local cases = {
  -- line, silent, folder, pace, the unknown words (joined by "|")
  { "", false, nil, nil, "" },
  { "/S", true, nil, nil, "" },
  { "/s", true, nil, nil, "" },
  { "\"/S\"", true, nil, nil, "" },
  { "/S /D=C:\\Program Files\\Kavri Test", true, "C:\\Program Files\\Kavri Test", nil, "" },
  { "/D=C:\\Program Files\\Kavri /S", false, "C:\\Program Files\\Kavri /S", nil, "" },   -- unquoted: the rest
  { "/S \"/D=C:\\a b\"  ", true, "C:\\a b", nil, "" },
  { "\"/D=C:\\a b\" /S", true, "C:\\a b", nil, "" },                                     -- quoted: ends at its quote
  { "/D=\"C:\\a b\" /S", true, "C:\\a b", nil, "" },
  { "\"/D=C:\\a b\"/S", true, "C:\\a b", nil, "" },
  { "\"/D=C:\\a b", false, "C:\\a b", nil, "" },                                         -- no closing quote: the rest
  { "/d=C:\\x   ", false, "C:\\x", nil, "" },
  { "/PACE=1200 /S", true, nil, 1200, "" },
  { "x/D=C:\\y", false, nil, nil, "x/D=C:\\y" },                                          -- not a switch of its own
  { "/PACE=soon", false, nil, nil, "/PACE=soon" },
  { "/SILENT", false, nil, nil, "/SILENT" },
  { "/S /quiet /norestart", true, nil, nil, "/quiet|/norestart" },
  { "/D=", false, nil, nil, "/D=" },
  { "\"/D=C:\\a\" /D=C:\\b", false, "C:\\a", nil, "/D=C:\\b" },                           -- a second folder
}
for _, case in ipairs(cases) do
  local options = shared.parseCommandLine(case[1])
  local name = "\"" .. case[1] .. "\": "
  checkEqual(options.silent, case[2], name .. "silent")
  checkEqual(options.folder, case[3], name .. "folder")
  checkEqual(options.pace, case[4], name .. "pace")
  checkEqual(table.concat(options.unknown, "|"), case[5], name .. "unknown")
end
checkEqual(shared.parseCommandLine(nil).silent, false, "no command line")

-- The install mode's switches (any case), also before an unquoted /D=, which
-- takes them into the folder when they come after it.
for _, case in ipairs({
  -- line, allUsers, currentUser, relaunched, folder
  { "/ALLUSERS", true, nil, nil, nil },
  { "/allusers /S", true, nil, nil, nil },
  { "/CurrentUser", nil, true, nil, nil },
  { "/ALLUSERS /RELAUNCHED /D=C:\\a b", true, nil, true, "C:\\a b" },
  { "/D=C:\\a b /ALLUSERS", nil, nil, nil, "C:\\a b /ALLUSERS" },
}) do
  local options = shared.parseCommandLine(case[1])
  local name = "\"" .. case[1] .. "\": "
  checkEqual(options.allUsers, case[2], name .. "allUsers")
  checkEqual(options.currentUser, case[3], name .. "currentUser")
  checkEqual(options.relaunched, case[4], name .. "relaunched")
  checkEqual(options.folder, case[5], name .. "folder")
  checkEqual(#options.unknown, 0, name .. "nothing unknown")
end
checkEqual(#shared.parseCommandLine("\"\" /S").unknown, 1, "an empty quoted word is unknown too")

-- The exit codes of the host and of the scripts are one table of distinct
-- numbers: a deployment tool tells every outcome apart.
local host = { SCRIPT_ERROR = 1, RESTART_PENDING = 350, ALREADY_RUNNING = 1618, CANNOT_START = 1621,
               SETUP_DAMAGED = 1620 }
local seen = {}
for name, code in pairs(host) do seen[code] = "host " .. name end
for name, code in pairs(shared.EXIT) do
  check(seen[code] == nil, name .. " = " .. code .. " is also " .. tostring(seen[code]))
  seen[code] = name
end
checkEqual(shared.EXIT.RESTART_NEEDED, 3010, "installed, restart needed")
checkEqual(shared.EXIT.CANCELLED, 1602, "cancelled")
checkEqual(shared.EXIT.FAILED, 1603, "failed")
checkEqual(shared.EXIT.NEEDS_ELEVATION, 740, "administrator rights could not be had")
