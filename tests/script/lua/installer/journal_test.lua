-- The setup's journal (install_journal.lua) as a stopped setup leaves it, in
-- either install mode (its place in the registry under the mode's root):
-- the next setup's recover() undoes the steps it had begun (a line torn by
-- the kill is a step not begun), or, when the stopped setup had reached its
-- commit, only completes it (the copies of replaced files go, nothing else is
-- undone); either way the journal is gone afterwards. A registry value the
-- journal names under the other mode's root is none of its own: never undone.
local installJournal = require "install_journal"
local installMode = require "install_mode"
local shared = require "shared"

local base = getTempFolder() .. "kavri_journal_test"
local key = shared.PRODUCT_KEY .. "\\JournalTest"

-- A folder with a new file and a replaced one (its copy beside it), and a
-- registry value written over an absent one under the mode's root (and one
-- under the other root), as the steps left them; the journal of those steps,
-- not closed, as a killed setup leaves it.
local function stoppedSetup(places, other, committed, tornTail)
  removeDirectory(base)
  regDeleteSubKey(places.root, key)
  regDeleteSubKey(other.root, key)
  createDirectory(base)
  local folder, new, replaced = base .. "\\made", base .. "\\made\\new.txt", base .. "\\old.txt"
  local backup = replaced .. shared.BACKUP_SUFFIX
  local journal = assert(installJournal.start(places))
  journal:add({ op = "folder", path = folder })
  createDirectory(folder)
  journal:add({ op = "new", path = new })
  writeWholeFile(new, "new")
  writeWholeFile(replaced, "old")
  journal:add({ op = "backup", path = replaced, backup = backup })
  copyFile(replaced, backup)
  journal:add({ op = "replaced", path = replaced, backup = backup })
  writeWholeFile(replaced, "replacement")
  journal:add({ op = "value", root = places.rootName, key = key, name = "Version" })
  regWriteString(places.root, key, "Version", "2.0")
  journal:add({ op = "value", root = other.rootName, key = key, name = "Version" })
  regWriteString(other.root, key, "Version", "other")
  if committed then journal:add({ op = "commit" }) end
  if tornTail then
    journal.file:write(tornTail)
    journal.file:flush()
  end
  journal.file:close()
  return { folder = folder, new = new, replaced = replaced, backup = backup, journal = journal.path }
end

for _, modes in ipairs({ { installMode.PER_MACHINE, installMode.PER_USER },
                         { installMode.PER_USER, installMode.PER_MACHINE } }) do
  local places, other = installMode.places(modes[1]), installMode.places(modes[2])
  local name = modes[1] .. ": "
  checkEqual(installJournal.recover(places), nil, name .. "no journal, nothing to recover")

  local made = stoppedSetup(places, other, false, "{\"op\":\"new\",\"pa")
  checkEqual(installJournal.recover(other), nil, name .. "the other mode's start-up finds no journal of its own")
  local result = installJournal.recover(places)
  check(result and not result.committed and result.complete, name .. "undone completely")
  checkEqual(result and result.steps, 6, name .. "the torn line is no step")
  checkEqual(folderExists(made.folder), false, name .. "the folder made is gone")
  checkEqual(readWholeFile(made.replaced), "old", name .. "the replaced file is back")
  checkEqual(fileExists(made.backup), false, name .. "its copy is gone")
  checkEqual(regQueryString(places.root, key, "Version"), nil, name .. "the value written is gone")
  checkEqual(regQueryString(other.root, key, "Version"), "other", name .. "the other root's value is left alone")
  checkEqual(fileExists(made.journal), false, name .. "the journal is gone")
  checkEqual(regKeyExists(places.root, shared.JOURNAL_KEY), false, name .. "its place in the registry is gone")

  made = stoppedSetup(places, other, true)
  result = installJournal.recover(places)
  check(result and result.committed and result.complete, name .. "a committed journal is completed")
  checkEqual(readWholeFile(made.new), "new", name .. "the new file stays")
  checkEqual(readWholeFile(made.replaced), "replacement", name .. "the replacement stays")
  checkEqual(fileExists(made.backup), false, name .. "the copy of the old file goes")
  checkEqual(regQueryString(places.root, key, "Version"), "2.0", name .. "the value stays")
  checkEqual(fileExists(made.journal), false, name .. "the journal is gone")
  checkEqual(installJournal.recover(places), nil, name .. "recovered once")

  removeDirectory(base)
  regDeleteSubKey(places.root, shared.PRODUCT_KEY)
  regDeleteSubKey(other.root, shared.PRODUCT_KEY)
end
