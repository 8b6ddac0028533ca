-- Which install folders the setup accepts (install_folder.check): a full
-- path of a folder of its own, given back in its plain form; relative paths,
-- a drive's root, names Windows refuses and the system's folders are refused.
local installFolder = require "install_folder"

local windows = os.getenv("SystemRoot")
local programs = getProgramFolder()
local cases = {
  -- text, the folder accepted (nil: refused)
  { "C:\\Program Files\\Kavri", "C:\\Program Files\\Kavri" },
  { "  C:/Program Files//Kavri\\\\ ", "C:\\Program Files\\Kavri" },
  { "D:\\Tools\\Kavri 2", "D:\\Tools\\Kavri 2" },
  { "", nil },
  { "Kavri", nil },
  { "\\\\server\\share\\Kavri", nil },
  { "C:\\", nil },
  { "C:", nil },
  { "C:\\Tools\\..\\Kavri", nil },
  { "C:\\Tools\\.\\Kavri", nil },
  { "C:\\Tools\\Ka?vri", nil },
  { "C:\\Tools\\Kavri.", nil },
  { "C:\\Tools \\Kavri", nil },
  { windows, nil },
  { windows .. "\\Kavri", nil },
  { programs, nil },
  { programs .. "\\Kavri", programs .. "\\Kavri" },
  { getTempFolder(), nil },
}
for _, case in ipairs(cases) do
  local folder, why = installFolder.check(case[1])
  checkEqual(folder, case[2], "\"" .. case[1] .. "\"")
  check((folder == nil) == (type(why) == "string"), "\"" .. case[1] .. "\": a refusal says why")
end
