-- The install log's checks (install_log.check): an altered or damaged log
-- names nothing outside the install folder, the start menu, the desktop and
-- the product's keys; every item is looked at (a null in a list is one item
-- skipped, not the end of the list) and each one skipped gets a note.
local installLog = require "install_log"
local shared = require "shared"

local folder = "C:\\Program Files\\Kavri"
local places = { folder = folder, startMenu = "C:\\Menu\\Programs", desktop = "C:\\Users\\Public\\Desktop" }
local hash = string.rep("0123456789abcdef", 4)
local function file(path, size, extra)
  return { path = path, size = size or 1, sha256 = extra }
end

-- One list at a time: the log given, what passes (as the paths, keys or
-- sizes listed) and how many notes.
local function run(log)
  log.folder = folder
  return installLog.check(log, places)
end

-- Files: inside the install folder, a whole size, a hash of the right form.
do
  local cases = {
    -- what, the item, passes
    { "a file of the install", file(folder .. "\\readme.txt"), true },
    { "in a subfolder, with its hash", file(folder .. "\\docs\\guide.txt", 5, hash), true },
    { "the folder in another case", file("c:\\PROGRAM FILES\\kavri\\a.txt"), true },
    { "size 0", file(folder .. "\\empty.txt", 0), true },
    { "'..' out of the folder", file(folder .. "\\..\\..\\Windows\\win.ini"), false },
    { "'.' inside", file(folder .. "\\.\\a.txt"), false },
    { "another folder", file("C:\\Windows\\system32\\kernel32.dll"), false },
    { "a folder sharing the name's start", file(folder .. " Old\\a.txt"), false },
    { "the install folder itself", file(folder), false },
    { "a relative path", file("readme.txt"), false },
    { "a UNC path", file("\\\\server\\share\\a.txt"), false },
    { "a device path", file("\\\\?\\C:\\Windows\\win.ini"), false },
    { "forward slashes", file("C:/Program Files/Kavri/../../Windows/win.ini"), false },
    { "an alternate data stream", file(folder .. "\\a.txt:stream"), false },
    { "a doubled separator", file(folder .. "\\\\a.txt"), false },
    { "a name ending in a dot", file(folder .. "\\a.txt."), false },
    { "a name ending in a space", file(folder .. "\\docs \\a.txt"), false },
    { "a wildcard", file(folder .. "\\*.txt"), false },
    { "a control character", file(folder .. "\\a\1.txt"), false },
    { "a path too long", file(folder .. "\\" .. string.rep("a", 260)), false },
    { "a path that is no text", { path = 42, size = 1 }, false },
    { "no path", { size = 1 }, false },
    { "a fractional size", file(folder .. "\\a.txt", 1.5), false },
    { "a negative size", file(folder .. "\\a.txt", -1), false },
    { "a size beyond every file", file(folder .. "\\a.txt", 2 ^ 60), false },
    { "an infinite size", file(folder .. "\\a.txt", math.huge), false },
    { "a size that is text", file(folder .. "\\a.txt", "12"), false },
    { "no size", { path = folder .. "\\a.txt" }, false },
    { "a hash of the wrong length", file(folder .. "\\a.txt", 1, "abc"), false },
    { "a hash that is no hex", file(folder .. "\\a.txt", 1, string.rep("g", 64)), false },
    { "a hash that is a number", file(folder .. "\\a.txt", 1, 12), false },
    { "no table", folder .. "\\a.txt", false },
  }
  for _, case in ipairs(cases) do
    local checked, notes = run({ files = { case[2] } })
    checkEqual(#checked.files, case[3] and 1 or 0, case[1])
    checkEqual(#notes, case[3] and 0 or 1, case[1] .. ": a note when skipped")
  end
end

-- A null in a list (jsonDecode leaves a hole) skips that item only: the
-- items after it are still checked, in their order.
do
  local log = assert(jsonDecode('{ "files": [ { "path": "C:\\\\Program Files\\\\Kavri\\\\a", "size": 1 }, null, '
                                .. '{ "path": "C:\\\\Program Files\\\\Kavri\\\\b", "size": 2 } ], '
                                .. '"shortcuts": [ null, null, "C:\\\\Menu\\\\Programs\\\\Kavri\\\\Kavri.lnk" ] }'))
  local checked, notes = run(log)
  checkEqual(#checked.files, 2, "the files around the null")
  checkEqual(checked.files[2] and checked.files[2].path, folder .. "\\b", "the file after the null")
  checkEqual(#checked.shortcuts, 1, "the shortcut after two nulls")
  checkEqual(#notes, 3, "one note per null")
  check(notes[1]:find("files%[2%]") ~= nil, "the note names the item: " .. tostring(notes[1]))
  -- Lists that are no lists are skipped whole, with a note.
  checked, notes = run({ files = { a = file(folder .. "\\a") }, folders = "C:\\Windows", keys = { [0.5] = 1 } })
  checkEqual(#checked.files + #checked.folders + #checked.keys, 0, "no lists, nothing passes")
  checkEqual(#notes, 3, "a note for each")
  checked, notes = run({})
  checkEqual(#notes, 0, "a log without lists has nothing to skip")
end

-- Folders: the install folder, below it, below the start menu or desktop
-- (not those themselves), and folders above the install folder only when
-- the setup made the install folder too. They come back deepest first.
do
  local cases = {
    -- what, the folders logged, those that pass (deepest first), notes
    { "the install's own", { folder, folder .. "\\docs" }, { folder .. "\\docs", folder }, 0 },
    { "deepest first whatever the log's order", { folder, folder .. "\\a", folder .. "\\a\\b" },
      { folder .. "\\a\\b", folder .. "\\a", folder }, 0 },
    { "a start-menu folder", { places.startMenu .. "\\Kavri" }, { places.startMenu .. "\\Kavri" }, 0 },
    { "the start menu itself", { places.startMenu }, {}, 1 },
    { "the desktop itself", { places.desktop }, {}, 1 },
    { "the parent the setup made on its way", { folder, "C:\\Program Files" }, { folder, "C:\\Program Files" }, 0 },
    { "a parent without the install folder", { "C:\\Program Files" }, {}, 1 },
    { "a drive", { folder, "C:\\" }, { folder }, 1 },
    { "another folder", { folder, "C:\\Windows\\Temp" }, { folder }, 1 },
    { "'..' out of the folder", { folder, folder .. "\\..\\Other" }, { folder }, 1 },
    { "a number", { folder, 7 }, { folder }, 1 },
  }
  for _, case in ipairs(cases) do
    local checked, notes = run({ folders = case[2] })
    checkEqual(table.concat(checked.folders, "|"), table.concat(case[3], "|"), case[1])
    checkEqual(#notes, case[4], case[1] .. ": notes")
  end
end

-- Shortcuts: .lnk files below the start menu, the desktop or the folder.
do
  local cases = {
    { "in the start menu", places.startMenu .. "\\Kavri\\Kavri.lnk", true },
    { "on the desktop", places.desktop .. "\\Kavri.lnk", true },
    { "in the install folder", folder .. "\\Kavri.lnk", true },
    { "no .lnk", places.desktop .. "\\Kavri.exe", false },
    { "elsewhere", "C:\\Windows\\Kavri.lnk", false },
    { "'..' out of the desktop", places.desktop .. "\\..\\..\\Kavri.lnk", false },
  }
  for _, case in ipairs(cases) do
    local checked = run({ shortcuts = { case[2] } })
    checkEqual(#checked.shortcuts, case[3] and 1 or 0, case[1])
  end
  -- Without a start menu (its folder could not be found) the desktop still counts.
  local checked = installLog.check({ folder = folder, shortcuts = { places.desktop .. "\\Kavri.lnk" } },
                                   { folder = folder, desktop = places.desktop })
  checkEqual(#checked.shortcuts, 1, "the desktop without a start menu")
end

-- Registry: the product's key and its installed-programs entry, and below
-- them, under the two roots the setup writes to.
do
  local cases = {
    { "the product's key", { root = "HKEY_LOCAL_MACHINE", key = shared.PRODUCT_KEY, value = "InstallPath" }, true },
    { "its entry in the list", { root = "HKEY_LOCAL_MACHINE", key = shared.UNINSTALL_KEY, value = "DisplayName" },
      true },
    { "a key below, other case",
      { root = "HKEY_CURRENT_USER", key = shared.PRODUCT_KEY:upper() .. "\\Sub", value = "" }, true },
    { "a key outside", { root = "HKEY_LOCAL_MACHINE", key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                         value = "Kavri" }, false },
    { "a key sharing the name's start",
      { root = "HKEY_LOCAL_MACHINE", key = shared.PRODUCT_KEY .. "Other", value = "a" },
      false },
    { "a parent of the product's key", { root = "HKEY_LOCAL_MACHINE", key = "Software", value = "a" }, false },
    { "an unknown root", { root = "HKEY_USERS", key = shared.PRODUCT_KEY, value = "a" }, false },
    { "a root given as a number", { root = HKEY_LOCAL_MACHINE, key = shared.PRODUCT_KEY, value = "a" }, false },
    { "a doubled separator", { root = "HKEY_LOCAL_MACHINE", key = shared.PRODUCT_KEY .. "\\\\x", value = "a" }, false },
    { "no value name", { root = "HKEY_LOCAL_MACHINE", key = shared.PRODUCT_KEY }, false },
    { "a value name that is a number", { root = "HKEY_LOCAL_MACHINE", key = shared.PRODUCT_KEY, value = 1 }, false },
  }
  for _, case in ipairs(cases) do
    local checked, notes = run({ registry = { case[2] } })
    checkEqual(#checked.registry, case[3] and 1 or 0, case[1])
    checkEqual(#notes, case[3] and 0 or 1, case[1] .. ": notes")
    if case[3] then checkEqual(checked.registry[1].root, installLog.ROOTS[case[2].root], case[1] .. ": the root") end
  end
  -- Keys: the product's, and those above them (an install may have made
  -- them on the way; the uninstaller removes them only while empty).
  local checked = run({ keys = { { root = "HKEY_LOCAL_MACHINE", key = shared.UNINSTALL_KEY },
                                 { root = "HKEY_LOCAL_MACHINE", key = "Software\\Microsoft" },
                                 { root = "HKEY_LOCAL_MACHINE", key = "Software\\Elsewhere" } } })
  checkEqual(#checked.keys, 2, "keys: the product's and those above them")
  checkEqual(checked.keys[2].key, "Software\\Microsoft", "keys: the one above the product's")
  checked = run({ registry = { { root = "HKEY_LOCAL_MACHINE", key = "Software\\Microsoft", value = "x" } } })
  checkEqual(#checked.registry, 0, "values: never in a key above the product's")
end

-- With the install mode's root given, only that root passes: the log of an
-- install for one user names nothing under HKEY_LOCAL_MACHINE, nor one for
-- all users anything under HKEY_CURRENT_USER.
for _, rootName in ipairs({ "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" }) do
  local log = { folder = folder,
                registry = { { root = "HKEY_CURRENT_USER", key = shared.PRODUCT_KEY, value = "InstallPath" },
                             { root = "HKEY_LOCAL_MACHINE", key = shared.PRODUCT_KEY, value = "InstallPath" } },
                keys = { { root = "HKEY_CURRENT_USER", key = shared.UNINSTALL_KEY },
                         { root = "HKEY_LOCAL_MACHINE", key = shared.UNINSTALL_KEY } } }
  local checked, notes = installLog.check(log, { folder = folder, rootName = rootName })
  checkEqual(#checked.registry, 1, rootName .. ": one value")
  checkEqual(#checked.keys, 1, rootName .. ": one key")
  checkEqual(checked.registry[1] and checked.registry[1].root, installLog.ROOTS[rootName], rootName .. ": its value")
  checkEqual(checked.keys[1] and checked.keys[1].root, installLog.ROOTS[rootName], rootName .. ": its key")
  checkEqual(#notes, 2, rootName .. ": the other root's items are noted")
end
