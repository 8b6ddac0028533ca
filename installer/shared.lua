-- What the setup's and the uninstaller's scripts share, in the window's Lua
-- state and in the worker's alike (`local shared = require "shared"`): the
-- names derived from the product, the reports between the worker and the
-- window with their writer and reader, the command line, the exit codes and
-- the Windows constants.
local product = require "product"

local shared = { product = product }

------------------------------------------------------------------------------
-- Names derived from the product (product.lua).

-- The product's own key and its entry in the list of installed programs,
-- both under the install mode's root: HKEY_LOCAL_MACHINE for all users,
-- HKEY_CURRENT_USER for one (install_mode.lua).
shared.PRODUCT_KEY = "Software\\" .. product.name
shared.UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" .. product.name
-- Where a running setup keeps the path of its journal (install_journal.lua),
-- under the same root; there only while a setup runs, or after one was
-- killed.
shared.JOURNAL_KEY = "Software\\" .. product.name .. " Setup"
shared.LOG_NAME = "install-log.json"   -- in the install folder: what the setup made, for the uninstaller
shared.UNINSTALLER = "Uninstall.exe"   -- payload entry: the uninstaller
-- Beside a file being replaced: the copy of the old file kept for an undo,
-- and the new file waiting for the restart.
local tag = product.name:lower():gsub("[^%w]+", "-")
shared.BACKUP_SUFFIX = "." .. tag .. "-backup"
shared.PENDING_SUFFIX = "." .. tag .. "-new"

------------------------------------------------------------------------------
-- The registry the product owns.

-- The roots the journal and the install log name, by their names, and the
-- names by root.
shared.ROOTS = { HKEY_LOCAL_MACHINE = HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER = HKEY_CURRENT_USER }
shared.ROOT_NAMES = {}
for name, root in pairs(shared.ROOTS) do shared.ROOT_NAMES[root] = name end

local PRODUCT_KEYS = { shared.UNINSTALL_KEY:lower(), shared.PRODUCT_KEY:lower() }

-- Whether `key` is the product's own key, its entry in the installed-programs
-- list, or a key below them (case ignored).
function shared.isProductKey(key)
  if type(key) ~= "string" then return false end
  local lower = key:lower()
  for _, known in ipairs(PRODUCT_KEYS) do
    if lower == known or lower:sub(1, #known + 1) == known .. "\\" then return true end
  end
  return false
end

-- Whether `key` lies above the product's own key or its entry in the
-- installed-programs list ("Software\\<publisher>" above
-- "Software\\<publisher>\\<name>"), case ignored: an install may have made
-- it on the way, and it is removed only while it is empty
-- (regDeleteEmptyKey), never with what is below it.
function shared.isProductKeyParent(key)
  if type(key) ~= "string" or key == "" then return false end
  local prefix = key:lower() .. "\\"
  for _, known in ipairs(PRODUCT_KEYS) do
    if known:sub(1, #prefix) == prefix then return true end
  end
  return false
end

------------------------------------------------------------------------------
-- Reports of the worker (notifyMessage) and the window's answers.
--
-- A report is a table with a `code`, sent as text (shared.serialise) and read
-- back by the window (shared.readReport); the number the window answers
-- steers the worker:
--   PROGRESS  { file (setup) or item (uninstaller), done, total, percent }:
--             at most every 100 ms and always for the final state. Answer
--             GO_ON; STOP to cancel; PAUSE to wait (the report comes again
--             every 100 ms until the answer is another one: the window is
--             asking the user whether to cancel)
--   FAILURE   { path, reason, error, required }: something cannot be
--             written. Answer RETRY or SKIP (not for a `required` step, such
--             as the install log); anything else fails the job and undoes it
--   IN_USE    { path, atRestart }: a file is in use. Answer CLOSE_PROGRAM to
--             close the program and try again, AT_RESTART to replace the file
--             when the computer restarts; anything else cancels. With
--             `atRestart` false (an install for one user) the restart is not
--             offered: AT_RESTART then fails the job
--   UNDOING   {}: the job is undoing its changes
--   DONE      the job has ended (its last report). The setup's: { installed,
--             cancelled, restart, count, skipped, bytes, shortcuts, program,
--             message, undoComplete, later, example, kept }: when the undo
--             of a cancel or failure could not put everything back now,
--             `undoComplete` is false, `later` counts what is put back at the
--             restart (`restart` true), `example` names one thing not put
--             back and `kept` a copy of an old file left beside it; the
--             uninstaller's: { removed, files, shortcuts, kept,
--             example, later, message }
shared.REPORT = { PROGRESS = 1, FAILURE = 2, DONE = 3, IN_USE = 4, UNDOING = 5 }
shared.ANSWER = {
  GO_ON = 0,
  RETRY = 1, SKIP = 2, CANCEL = 3,     -- to FAILURE (CANCEL to IN_USE too)
  CLOSE_PROGRAM = 1, AT_RESTART = 2,   -- to IN_USE
  PAUSE = 8, STOP = 9,                 -- to PROGRESS
}

-- Exit codes (setExitCode): one table with the host's own, so that no two
-- outcomes share a number. Deployment tools know the Windows Installer's
-- codes: 0 and 3010 are success (3010: restart to finish), 1618 means "try
-- again later", anything else is a failure. The uninstaller uses FAILED,
-- CANCELLED and NEEDS_ELEVATION. A user who refuses the prompt for
-- administrator rights (an install for all users chosen without them) has
-- cancelled: CANCELLED, as nothing was done. The host itself ends with 1 (a script error ended UI.lua), 350
-- (a restart is pending), 1618 (another installer or uninstaller runs),
-- 1620 (the setup file is damaged) or 1621 (the UI or the script cannot
-- start): support/exit_codes.h.
shared.EXIT = {
  INSTALLED = 0,
  RESTART_NEEDED = 3010,        -- installed; files in use are replaced at the restart
  CANCELLED = 1602,             -- the user cancelled; everything was undone
  FAILED = 1603,                -- failed; everything was undone
  UNDO_AT_RESTART = 3017,       -- failed or cancelled; the undo finishes at the restart
  INSTALLED_ELSEWHERE = 1638,   -- the product is installed in another folder
  BAD_COMMAND_LINE = 1639,      -- an unknown switch, or one this installer does not offer; nothing was done
  BAD_FOLDER = 267,             -- the install folder is refused; nothing was done
  NO_SPACE = 112,               -- the drive is too full; nothing was done
  NEEDS_ELEVATION = 740,        -- for all users, but administrator rights could not be had; nothing was done
}

-- Lua source for a number that reads back as exactly the same number: whole
-- numbers as they are, fractions with 17 significant digits, the infinities
-- and NaN as the divisions that make them.
local function numberText(value)
  if value ~= value then return "0/0" end
  if value == math.huge then return "1/0" end
  if value == -math.huge then return "-1/0" end
  if value == math.floor(value) then return string.format("%.0f", value) end
  return string.format("%.17g", value)
end

local KEYWORDS = {}
for word in ("and break do else elseif end false for function goto if in local nil not or repeat return "
             .. "then true until while"):gmatch("%a+") do
  KEYWORDS[word] = true
end

local function keyText(key)
  if type(key) == "string" and key:match("^[%a_][%w_]*$") and not KEYWORDS[key] then return key end
  if type(key) == "number" then return "[" .. numberText(key) .. "]" end
  return "[" .. string.format("%q", tostring(key)) .. "]"
end

-- A report as text: a Lua table constructor of the string, number and
-- boolean fields of `values` (other fields are left out), in the order of
-- their keys. Strings are quoted (%q) and numbers written to read back
-- exactly, fractions too. (Not JSON: the host's jsonEncode writes whole
-- numbers only.)
function shared.serialise(values)
  local parts = {}
  for key, value in pairs(values) do
    local text
    if type(value) == "string" then
      text = string.format("%q", value)
    elseif type(value) == "number" then
      text = numberText(value)
    elseif type(value) == "boolean" then
      text = tostring(value)
    end
    if text then parts[#parts + 1] = keyText(key) .. " = " .. text end
  end
  table.sort(parts)
  return "{ " .. table.concat(parts, ", ") .. " }"
end

-- The table a report's text describes, read without access to any global
-- (the text is data, never code that could do something); nil for text that
-- is no table constructor.
function shared.readReport(text)
  local chunk = load("return " .. tostring(text), "report", "t", {})
  if not chunk then return nil end
  local ok, report = pcall(chunk)
  if ok and type(report) == "table" then return report end
  return nil
end

------------------------------------------------------------------------------
-- The command line (NSIS style), as getCommandLine() gives it:
--   /S           silent: no window, no box
--   /D=<folder>  the install folder. Unquoted it comes last and takes the
--                rest of the line (spaces need no quotes); quoted, as
--                "/D=C:\a b" or /D="C:\a b", it ends at its closing quote and
--                switches may follow
--   /PACE=<ms>   a pause after each file, so a test can watch the progress
--                page and cancel; never used otherwise
--   /ALLUSERS    install for all users (install_mode.lua)
--   /CURRENTUSER install for the current user only
--   /RELAUNCHED  this run is the copy a setup started with administrator
--                rights to install for all users: it asks for them no more
--                (and its window opens on the folder page)
-- Returns { silent = boolean, folder = text or nil, pace = number or nil,
-- allUsers, currentUser, relaunched = true or nil, unknown = { words } }. Switches are case-insensitive; a quoted word is one
-- word. Anything else (an unknown switch, a stray word, /D= twice or empty,
-- /PACE= without a number) is listed in `unknown`: a caller refuses the
-- command line rather than run with a switch it did not understand.
function shared.parseCommandLine(line)
  local options = { silent = false, unknown = {} }
  line = tostring(line or "")
  local function take(word)
    local upper = word:upper()
    if upper == "/S" then
      options.silent = true
    elseif upper:sub(1, 3) == "/D=" and #word > 3 and not options.folder then
      options.folder = word:sub(4)
    elseif upper:match("^/PACE=%d+$") then
      options.pace = tonumber(word:sub(7))
    elseif upper == "/ALLUSERS" then
      options.allUsers = true
    elseif upper == "/CURRENTUSER" then
      options.currentUser = true
    elseif upper == "/RELAUNCHED" then
      options.relaunched = true
    else
      options.unknown[#options.unknown + 1] = word
    end
  end
  local at = 1
  while true do
    local start = line:find("%S", at)
    if not start then break end
    local word
    if line:sub(start, start) == "\"" then
      -- A quoted word ends at its closing quote (or the end of the line).
      local close = line:find("\"", start + 1, true) or #line + 1
      word, at = line:sub(start + 1, close - 1), close + 1
    elseif line:sub(start, start + 2):upper() == "/D=" and line:sub(start + 3, start + 3) == "\"" then
      local close = line:find("\"", start + 4, true) or #line + 1
      word, at = "/D=" .. line:sub(start + 4, close - 1), close + 1
    elseif line:sub(start, start + 2):upper() == "/D=" then
      word, at = line:sub(start):gsub("%s+$", ""), #line + 1   -- the rest of the line
    else
      local finish = line:find("[%s\"]", start) or #line + 1
      word, at = line:sub(start, finish - 1), finish
    end
    take(word)
  end
  return options
end

------------------------------------------------------------------------------
-- Text on the pages.

-- A text to show as it is in a label or a button: "&" marks an access key
-- there, so each one is doubled ("&&" shows one "&"). Names, paths and
-- reasons go through it; texts written with their access keys do not.
function shared.plain(text)
  return (tostring(text):gsub("&", "&&"))
end

------------------------------------------------------------------------------
-- Windows constants.

-- showMessageBox types and the buttons it answers.
shared.MB = { OK = 0, OKCANCEL = 1, ABORTRETRYIGNORE = 2, YESNOCANCEL = 3, YESNO = 4, RETRYCANCEL = 5,
              ICONERROR = 16, ICONQUESTION = 32, ICONWARNING = 48 }
shared.ID = { OK = 1, CANCEL = 2, ABORT = 3, RETRY = 4, IGNORE = 5, YES = 6, NO = 7 }
-- showWindow and shellExecuteEx show commands.
shared.SW = { HIDE = 0, SHOWNORMAL = 1, MINIMIZE = 6 }
-- Message box captions: a notice, an error.
shared.CAPTION = { NOTICE = "提示", ERROR = "错误" }

return shared
