-- The setup's journal (install_journal.lua) as a stopped setup leaves it:
-- the next setup's recover() undoes the steps it had begun (a line torn by
-- the kill is a step not begun), or, when the stopped setup had reached its
-- commit, only completes it (the copies of replaced files go, nothing else is
-- undone); either way the journal is gone afterwards.
local installJournal = require "install_journal"
local shared = require "shared"

local base = getTempFolder() .. "kavri_journal_test"
local key = shared.PRODUCT_KEY .. "\\JournalTest"

-- A folder with a new file and a replaced one (its copy beside it), and a
-- registry value written over an absent one, as the steps left them; the
-- journal of those steps, not closed, as a killed setup leaves it.
local function stoppedSetup(committed, tornTail)
  removeDirectory(base)
  regDeleteSubKey(HKEY_CURRENT_USER, key)
  createDirectory(base)
  local folder, new, replaced = base .. "\\made", base .. "\\made\\new.txt", base .. "\\old.txt"
  local backup = replaced .. shared.BACKUP_SUFFIX
  local journal = assert(installJournal.start())
  journal:add({ op = "folder", path = folder })
  createDirectory(folder)
  journal:add({ op = "new", path = new })
  writeWholeFile(new, "new")
  writeWholeFile(replaced, "old")
  journal:add({ op = "backup", path = replaced, backup = backup })
  copyFile(replaced, backup)
  journal:add({ op = "replaced", path = replaced, backup = backup })
  writeWholeFile(replaced, "replacement")
  journal:add({ op = "value", root = "HKEY_CURRENT_USER", key = key, name = "Version" })
  regWriteString(HKEY_CURRENT_USER, key, "Version", "2.0")
  if committed then journal:add({ op = "commit" }) end
  if tornTail then
    journal.file:write(tornTail)
    journal.file:flush()
  end
  journal.file:close()
  return { folder = folder, new = new, replaced = replaced, backup = backup, journal = journal.path }
end

checkEqual(installJournal.recover(), nil, "no journal, nothing to recover")

do
  local made = stoppedSetup(false, "{\"op\":\"new\",\"pa")
  local result = installJournal.recover()
  check(result and not result.committed and result.complete, "undone completely")
  checkEqual(result and result.steps, 5, "the torn line is no step")
  checkEqual(folderExists(made.folder), false, "the folder made is gone")
  checkEqual(readWholeFile(made.replaced), "old", "the replaced file is back")
  checkEqual(fileExists(made.backup), false, "its copy is gone")
  checkEqual(regQueryString(HKEY_CURRENT_USER, key, "Version"), nil, "the value written is gone")
  checkEqual(fileExists(made.journal), false, "the journal is gone")
  checkEqual(regKeyExists(HKEY_LOCAL_MACHINE, shared.JOURNAL_KEY), false, "its place in the registry is gone")
end

do
  local made = stoppedSetup(true)
  local result = installJournal.recover()
  check(result and result.committed and result.complete, "a committed journal is completed")
  checkEqual(readWholeFile(made.new), "new", "the new file stays")
  checkEqual(readWholeFile(made.replaced), "replacement", "the replacement stays")
  checkEqual(fileExists(made.backup), false, "the copy of the old file goes")
  checkEqual(regQueryString(HKEY_CURRENT_USER, key, "Version"), "2.0", "the value stays")
  checkEqual(fileExists(made.journal), false, "the journal is gone")
  checkEqual(installJournal.recover(), nil, "recovered once")
end

removeDirectory(base)
regDeleteSubKey(HKEY_CURRENT_USER, shared.PRODUCT_KEY)
