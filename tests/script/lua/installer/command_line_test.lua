-- The command line of the setup and the uninstaller (shared.parseCommandLine):
-- /S, /PACE=<ms>, and /D=<folder>, which takes the rest of the line.
local shared = require "shared"

local cases = {
  -- line, silent, folder, pace
  { "", false, nil, nil },
  { "/S", true, nil, nil },
  { "/s", true, nil, nil },
  { "\"/S\"", true, nil, nil },
  { "/S /D=C:\\Program Files\\Kavri Test", true, "C:\\Program Files\\Kavri Test", nil },
  { "/D=C:\\Program Files\\Kavri /S", false, "C:\\Program Files\\Kavri /S", nil },   -- /S is part of the folder
  { "/S \"/D=C:\\a b\"  ", true, "C:\\a b", nil },
  { "/d=C:\\x   ", false, "C:\\x", nil },
  { "x/D=C:\\y", false, nil, nil },                                               -- not a switch of its own
  { "/PACE=1200 /S", true, nil, 1200 },
  { "/PACE=soon", false, nil, nil },
  { "/SILENT", false, nil, nil },
}
for _, case in ipairs(cases) do
  local options = shared.parseCommandLine(case[1])
  local name = "\"" .. case[1] .. "\": "
  checkEqual(options.silent, case[2], name .. "silent")
  checkEqual(options.folder, case[3], name .. "folder")
  checkEqual(options.pace, case[4], name .. "pace")
end
checkEqual(shared.parseCommandLine(nil).silent, false, "no command line")
