-- Whom an install is for (install_mode.lua): which mode a run takes from the
-- product's mode, the command line and the rights it has; the places and
-- registry root of each mode; the command line of the copy that installs for
-- all users with administrator rights; the mode an install log records.
local installMode = require "install_mode"
local shared = require "shared"

local EXIT = shared.EXIT
local M, U, C = installMode.PER_MACHINE, installMode.PER_USER, installMode.CHOOSE

-- The product's mode: absent is per machine, anything unknown is refused.
for _, case in ipairs({ { nil, M }, { "perMachine", M }, { "perUser", U }, { "choose", C },
                        { "perSystem", nil }, { "PERUSER", nil }, { 1, nil } }) do
  local mode, why = installMode.ofProduct(case[1])
  checkEqual(mode, case[2], "product mode " .. tostring(case[1]))
  check((mode == nil) == (type(why) == "string"), "product mode " .. tostring(case[1]) .. ": a refusal says why")
end

-- The decision: product mode, command line, elevated -> mode, suggested,
-- elevate, or the exit code of a refusal.
local decisions = {
  { M, "/S",                         true,  M,   nil, nil },
  { M, "",                           false, M,   nil, nil },   -- the manifest asks for the rights
  { M, "/S /ALLUSERS",               false, M,   nil, nil },
  { M, "/S /CURRENTUSER",            true,  nil, nil, nil, EXIT.BAD_COMMAND_LINE },
  { U, "/S",                         true,  U,   nil, nil },
  { U, "/CURRENTUSER",               false, U,   nil, nil },
  { U, "/S /ALLUSERS",               false, nil, nil, nil, EXIT.BAD_COMMAND_LINE },
  { C, "/S /ALLUSERS /CURRENTUSER",  true,  nil, nil, nil, EXIT.BAD_COMMAND_LINE },
  { C, "/S /CURRENTUSER",            true,  U,   nil, nil },
  { C, "/S /CURRENTUSER",            false, U,   nil, nil },
  { C, "/S /ALLUSERS",               true,  M,   nil, nil },
  { C, "/S /ALLUSERS",               false, M,   nil, true },
  { C, "/ALLUSERS",                  false, M,   nil, true },
  { C, "/S /ALLUSERS /RELAUNCHED",   true,  M,   nil, nil },
  { C, "/S /ALLUSERS /RELAUNCHED",   false, nil, nil, nil, EXIT.NEEDS_ELEVATION },   -- never asks twice
  { C, "/S",                         true,  M,   nil, nil },   -- silent: the rights it has decide
  { C, "/S",                         false, U,   nil, nil },
  { C, "",                           true,  nil, M,   nil },   -- the folder page asks
  { C, "",                           false, nil, U,   nil },
  { "perSystem", "/S",               true,  nil, nil, nil, EXIT.FAILED },
}
for _, case in ipairs(decisions) do
  local name = string.format("%s \"%s\" %s: ", tostring(case[1]), case[2], case[3] and "elevated" or "not elevated")
  local decision, why, code = installMode.decide(case[1], shared.parseCommandLine(case[2]), case[3])
  if case[7] then
    checkEqual(decision, nil, name .. "refused")
    checkEqual(code, case[7], name .. "exit code")
    check(type(why) == "string" and why ~= "", name .. "the refusal says why")
  else
    checkEqual(decision and decision.mode, case[4], name .. "mode")
    checkEqual(decision and decision.suggested, case[5], name .. "suggested")
    checkEqual(decision and decision.elevate, case[6], name .. "elevate")
  end
end

-- Administrator rights are needed first only for all users, without them.
checkEqual(installMode.needsElevation(M, false), true, "all users, not elevated")
checkEqual(installMode.needsElevation(M, true), false, "all users, elevated")
checkEqual(installMode.needsElevation(U, false), false, "one user, not elevated")

-- The journals a start-up looks for: its own mode's, both before the choice
-- (all users' only with the rights to undo it), none before the rights.
for _, case in ipairs({ { { mode = M }, true, "perMachine" }, { { mode = U }, false, "perUser" },
                        { { suggested = U }, false, "perUser" }, { { suggested = M }, true, "perUser perMachine" },
                        { { mode = M, elevate = true }, false, "" } }) do
  checkEqual(table.concat(installMode.journalModes(case[1], case[2]), " "), case[3],
             "journals for " .. tostring(case[1].mode or case[1].suggested) .. (case[2] and ", elevated" or ""))
end

-- Places and roots per mode.
local localAppData = os.getenv("LOCALAPPDATA")
local places = {
  [M] = { check = "machine", root = HKEY_LOCAL_MACHINE, rootName = "HKEY_LOCAL_MACHINE",
          programs = getProgramFolder(), startMenu = getStartMenuFolder(), desktop = getDesktopFolder(),
          restartAllowed = true },
  [U] = { check = "user", root = HKEY_CURRENT_USER, rootName = "HKEY_CURRENT_USER",
          programs = localAppData .. "\\Programs", startMenu = getStartMenuFolder("user"),
          desktop = getDesktopFolder("user"), restartAllowed = false },
}
for mode, expected in pairs(places) do
  local got = installMode.places(mode)
  checkEqual(got.mode, mode, mode .. ": mode")
  for _, field in ipairs({ "check", "root", "rootName", "programs", "startMenu", "desktop", "restartAllowed" }) do
    checkEqual(got[field], expected[field], mode .. ": " .. field)
  end
end
check(places[U].startMenu ~= places[M].startMenu, "the user's start menu is not all users'")
check(places[U].desktop ~= places[M].desktop, "the user's desktop is not all users'")
checkEqual(installMode.places(nil).mode, M, "no mode is per machine")

-- The copy's command line reads back as this run's switches, /ALLUSERS and
-- /RELAUNCHED, with the folder whole.
for _, case in ipairs({
  { "", nil },
  { "/S /CURRENTUSER", "C:\\Program Files\\Kavri" },
  { "/S /PACE=300", "C:\\Program Files\\My Kavri" },
  { "/S \"/D=C:\\a b\"", nil },
  { "/D=C:\\odd \"name", nil },   -- a quote in the folder: unquoted, last
}) do
  local options = shared.parseCommandLine(case[1])
  local line = installMode.relaunchParameters(options, case[2])
  local again = shared.parseCommandLine(line)
  local name = "relaunch of \"" .. case[1] .. "\": " .. line .. ": "
  checkEqual(#again.unknown, 0, name .. "nothing unknown")
  checkEqual(again.allUsers, true, name .. "/ALLUSERS")
  checkEqual(again.relaunched, true, name .. "/RELAUNCHED")
  checkEqual(again.currentUser, nil, name .. "no /CURRENTUSER")
  checkEqual(again.silent, options.silent, name .. "/S")
  checkEqual(again.pace, options.pace, name .. "/PACE")
  checkEqual(again.folder, case[2] or options.folder, name .. "the folder")
end

-- The mode an install log records.
local folder = getTempFolder() .. "kavri_mode_test"
removeDirectory(folder)
createDirectory(folder)
for _, case in ipairs({ { "{\"mode\":\"perUser\"}", U }, { "{\"mode\":\"perMachine\"}", M },
                        { "{\"folder\":\"C:\\\\x\"}", M }, { "{\"mode\":\"perSystem\"}", nil },
                        { "not json", nil } }) do
  writeWholeFile(folder .. "\\" .. shared.LOG_NAME, case[1])
  local mode, why = installMode.ofInstall(folder)
  checkEqual(mode, case[2], "log " .. case[1])
  check((mode == nil) == (type(why) == "string"), "log " .. case[1] .. ": no mode says why")
end
removeFile(folder .. "\\" .. shared.LOG_NAME)
checkEqual(installMode.ofInstall(folder), nil, "no log, no mode")
removeDirectory(folder)
