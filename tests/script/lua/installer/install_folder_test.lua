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

-- Where a payload entry lands (install_folder.entryPath): inside the install
-- folder, whatever the package names; a name that could reach outside it is
-- refused with the reason.
local root = "C:\\Program Files\\Kavri"
local entries = {
  -- entry name, the path it is written to (nil: refused)
  { "readme.txt", root .. "\\readme.txt" },
  { "docs/guide.txt", root .. "\\docs\\guide.txt" },
  { "docs\\guide.txt", root .. "\\docs\\guide.txt" },
  { "a..b.txt", root .. "\\a..b.txt" },
  { "文档/说明.txt", root .. "\\文档\\说明.txt" },
  { "", nil },
  { "../escape.txt", nil },
  { "..\\escape.txt", nil },
  { "docs/../../escape.txt", nil },
  { "docs/..", nil },
  { "./readme.txt", nil },
  { "...", nil },
  { "docs. /x.txt", nil },
  { "readme.txt ", nil },
  { "/escape.txt", nil },
  { "\\escape.txt", nil },
  { "//server/share/escape.txt", nil },
  { "C:/Windows/escape.dll", nil },
  { "C:escape.txt", nil },
  { "readme.txt:stream", nil },
  { "docs//guide.txt", nil },
  { "docs/", nil },
  { "docs/gu*de.txt", nil },
}
for _, case in ipairs(entries) do
  local path, why = installFolder.entryPath(root, case[1])
  checkEqual(path, case[2], "entry \"" .. case[1] .. "\"")
  check((path == nil) == (type(why) == "string"), "entry \"" .. case[1] .. "\": a refusal says why")
end
