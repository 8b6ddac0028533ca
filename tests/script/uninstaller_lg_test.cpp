// The uninstaller's background script (installer/uninstall/LG.lua) over
// install logs written by hand: what it removes, what it keeps, what it
// reports, and what an altered or damaged log cannot make it touch.
//
// Wine keeps no owners and no permissions, so a log that another user could
// have written is shown by standing in for readProtectedFile's refusal (the
// refusal itself is tested with the native functions); links are Unix
// symbolic links under Wine, which it follows as Windows follows a junction.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "support/content_hash.h"
#include "support/text_convert.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/links.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

constexpr wchar_t kSessionKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

// The system's pending renames, restored as they were when the object goes.
class PendingRenames {
 public:
  PendingRenames() {
    HKEY key = nullptr;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionKey, 0, KEY_ALL_ACCESS, &key);
    key_.reset(key);
    before_ = text();
  }
  ~PendingRenames() {
    if (before_.empty())
      ::RegDeleteValueW(key_.get(), kPendingRenames);
    else
      ::RegSetValueExW(key_.get(), kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(before_.data()),
                       DWORD(before_.size() * sizeof(wchar_t)));
  }
  PendingRenames(const PendingRenames&) = delete;
  PendingRenames& operator=(const PendingRenames&) = delete;
  // The value as text, its zeros kept.
  std::wstring text() const {
    std::vector<wchar_t> value(65536);
    DWORD bytes = DWORD(value.size() * sizeof(wchar_t)), type = 0;
    if (::RegQueryValueExW(key_.get(), kPendingRenames, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &bytes) != ERROR_SUCCESS)
      return std::wstring();
    return std::wstring(value.data(), bytes / sizeof(wchar_t));
  }

 private:
  UniqueHkey key_;
  std::wstring before_;
};

// `text` with every `from` replaced by `to`.
std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// A path as it stands inside a JSON string.
std::string jsonPath(const std::wstring& path) { return replaceAll(narrow(path), "\\", "\\\\"); }

std::string sha256Of(const std::wstring& path) {
  std::string hex;
  unsigned long error = 0;
  sha256OfFile(path, hex, error);
  return hex;
}

class UninstallerScript : public WorkTest {
 protected:
  // The install: "Apps\Kavri" in the test's folder with two files, its log,
  // and a file of someone else's beside it ("victim\keep.txt").
  void writeInstall() {
    base_ = utf8ToWide(dir_.substr(0, dir_.size() - 1));
    folder_ = base_ + L"\\Apps\\Kavri";
    writeTree(base_, {{L"Apps\\Kavri\\a.txt", "alpha"},
                      {L"Apps\\Kavri\\docs\\b.txt", "beta"},
                      {L"victim\\keep.txt", "victim"}});
  }

  // The shipped script with its modules, after `standIn` (Lua on the
  // script's first line, before its opening comment).
  void loadScript(const std::string& standIn) {
    const std::string installer = narrow(windowsPath(KAVRI_INSTALLER_DIR)) + "\\";
    setWorkerScript(standIn + " " + readFileBytes(installer + "uninstall\\LG.lua"));
    for (const char* module : {"shared.lua", "install_log.lua", "install_mode.lua"})
      files_.addFile(utf8ToWide(module), bytesOf(readFileBytes(installer + module)));
    files_.addFile(L"product.lua", bytesOf(readFileBytes(narrow(windowsPath(KAVRI_DEMO_PRODUCT_MODULE)))));
    setPackage({});
  }

  // `log` with $F (the install folder), $D (the test's folder), $HA and $HB
  // (the two files' hashes as installed) filled in.
  std::string fillIn(const std::string& log) const {
    std::string text = replaceAll(log, "$F", jsonPath(folder_));
    text = replaceAll(text, "$D", jsonPath(base_));
    text = replaceAll(text, "$HA", sha256Of(folder_ + L"\\a.txt"));
    return replaceAll(text, "$HB", sha256Of(folder_ + L"\\docs\\b.txt"));
  }

  // Runs the removal of the install folder; returns the final report as
  // "outcome files=.. kept=.. skipped=.. later=.. failed=.. registered=..
  // outside=..", the last two telling whether the product's key and a key
  // outside it are still there.
  // `perUser` removes an install for one user: the registry root is then
  // HKEY_CURRENT_USER.
  std::string runRemoval(std::string& message, bool perUser = false) {
    const std::string config =
        perUser ? "[===[{ folder = [=[" + narrow(folder_) + "]=], mode = 'perUser' }]===]" : configArg("folder", narrow(folder_));
    runUi(std::string("local ROOT = ") + (perUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") + "\n"
          "regWriteString(ROOT, 'Software\\\\Kavri', 'Installed', 'yes')\n"
          "regWriteString(ROOT, 'Software\\\\KavriOutside', 'Keep', 'yes')\n"
          "local finished\n"
          "onMessage = function(text)\n"
          "  local m = load('return ' .. text)()\n"
          "  if m.code == 3 then finished = m end\n"
          "  return 0\n"
          "end\n"
          "assert(startWork('LG.lua', 'program.lz', " + config + "))\n"
          "assert(waitWork(60000))\n"
          "local r = assert(finished, 'no final report')\n"
          "summary = string.format('%s files=%d kept=%d skipped=%d later=%d failed=%d registered=%s outside=%s',\n"
          "  r.outcome, r.files, r.kept, r.skipped, r.later, r.failed,\n"
          "  tostring(regKeyExists(ROOT, 'Software\\\\Kavri')),\n"
          "  tostring(regQueryString(ROOT, 'Software\\\\KavriOutside', 'Keep') == 'yes'))\n"
          "assert(r.removed == (r.outcome ~= 'failed'), 'removed and outcome agree')\n"
          "regDeleteSubKey(ROOT, 'Software\\\\Kavri')\n"
          "regDeleteSubKey(ROOT, 'Software\\\\KavriOutside')\n"
          "assert(writeWholeFile(" + longString(summaryPath()) + ", summary .. '\\n' .. (r.message or '')))\n");
    std::string text = readFileBytes(summaryPath());
    ::DeleteFileW(utf8ToWide(summaryPath()).c_str());
    const size_t end = text.find('\n');
    if (end == std::string::npos) return "<no report>";
    message = text.substr(end + 1);
    return text.substr(0, end);
  }
  std::string summaryPath() const { return dir_ + "summary.txt"; }

  std::wstring base_, folder_;
};

// The log's lists as the setup writes them, each case replacing some.
constexpr char kFiles[] =
    "[ { \"path\": \"$F\\\\a.txt\", \"size\": 5, \"sha256\": \"$HA\" },"
    "  { \"path\": \"$F\\\\docs\\\\b.txt\", \"size\": 4, \"sha256\": \"$HB\" } ]";
constexpr char kFolders[] = "[ \"$F\\\\docs\", \"$F\" ]";
constexpr char kRegistry[] =
    "[ { \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": \"Software\\\\Kavri\", \"value\": \"Installed\" } ]";
constexpr char kKeys[] = "[ { \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": \"Software\\\\Kavri\" } ]";

std::string logText(const std::string& files, const std::string& folders, const std::string& registry,
                    const std::string& keys) {
  return "{ \"product\": \"Kavri\", \"version\": \"1.0.0\", \"folder\": \"$F\", \"files\": " + files +
         ", \"folders\": " + folders + ", \"registry\": " + registry + ", \"keys\": " + keys + ", \"shortcuts\": [] }";
}

// Removal over the setup's own log and over altered and damaged ones: every
// item outside the install (by "..", by another folder, through a link
// inside it, a key outside the product's) is skipped with a note and the
// rest still removed; a null or a fractional size skips that one item only;
// a file the user changed is kept even at the same size (its hash), logs
// without hashes fall back to the size; a folder goes only when empty, never
// with the user's files; the folders above the install folder the setup made
// go too; a log that is not trusted, of another folder or install mode, or
// damaged removes nothing; a file in use goes at the restart and marks it; one that cannot
// go at all keeps the registration and the log for another run.
TEST_F(UninstallerScript, RemovesWhatTheLogListsAndNothingElse) {
  struct Case {
    const char* what;
    std::string log;                              // with $F, $D, $HA, $HB
    std::function<void(const std::wstring& folder, const std::wstring& base)> before;   // changes before the removal
    const char* standIn;                          // Lua run before the script, or ""
    std::string summary;
    FileTree left;                                // below the test's folder afterwards
    const char* message = "";                     // in the report's message
  };
  const FileTree nothing = {{L"Apps\\", ""}, {L"victim\\", ""}, {L"victim\\keep.txt", "victim"}};
  auto with = [&](FileTree extra) {
    FileTree tree = nothing;
    for (auto& [path, content] : extra) tree[path] = content;
    return tree;
  };
  const FileTree untouched = with({{L"Apps\\Kavri\\", ""},
                                   {L"Apps\\Kavri\\a.txt", "alpha"},
                                   {L"Apps\\Kavri\\docs\\", ""},
                                   {L"Apps\\Kavri\\docs\\b.txt", "beta"},
                                   {L"Apps\\Kavri\\install-log.json", "<log>"}});
  auto none = [](const std::wstring&, const std::wstring&) {};
  const std::string base = logText(kFiles, kFolders, kRegistry, kKeys);
  std::unique_ptr<TestLink> link;
  std::unique_ptr<UniqueFile> held;

  std::vector<Case> cases = {
      {"the setup's own log", base, none, "",
       "removed files=2 kept=0 skipped=0 later=0 failed=0 registered=false outside=true", nothing},
      {"a file out of the folder by '..'",
       logText("[ { \"path\": \"$F\\\\..\\\\..\\\\victim\\\\keep.txt\", \"size\": 6 }, " + std::string(kFiles + 1),
               kFolders, kRegistry, kKeys),
       none, "", "kept files=2 kept=0 skipped=1 later=0 failed=0 registered=false outside=true", nothing},
      {"a file of another folder",
       logText("[ { \"path\": \"$D\\\\victim\\\\keep.txt\", \"size\": 6 }, " + std::string(kFiles + 1), kFolders,
               kRegistry, kKeys),
       none, "", "kept files=2 kept=0 skipped=1 later=0 failed=0 registered=false outside=true", nothing},
      {"a file through a link inside the folder",
       logText("[ { \"path\": \"$F\\\\elsewhere\\\\keep.txt\", \"size\": 6 }, " + std::string(kFiles + 1), kFolders,
               kRegistry, kKeys),
       [&](const std::wstring& folder, const std::wstring& base) {
         link = std::make_unique<TestLink>(folder + L"\\elsewhere", base + L"\\victim", TestLink::Folder);
       },
       "", "kept files=2 kept=1 skipped=1 later=0 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}})},
      {"a key outside the product's keys",
       logText(kFiles, kFolders,
               "[ { \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": \"Software\\\\KavriOutside\", \"value\": \"Keep\" }, " +
                   std::string(kRegistry + 1),
               "[ { \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": \"Software\\\\KavriOutside\" }, " +
                   std::string(kKeys + 1)),
       none, "", "kept files=2 kept=0 skipped=2 later=0 failed=0 registered=false outside=true", nothing},
      {"a null in the files",
       logText("[ { \"path\": \"$F\\\\a.txt\", \"size\": 5 }, null, "
               "{ \"path\": \"$F\\\\docs\\\\b.txt\", \"size\": 4 } ]",
               kFolders, kRegistry, kKeys),
       none, "", "kept files=2 kept=0 skipped=1 later=0 failed=0 registered=false outside=true", nothing},
      {"a fractional size",
       logText("[ { \"path\": \"$F\\\\a.txt\", \"size\": 5.5 }, { \"path\": \"$F\\\\docs\\\\b.txt\", \"size\": 4 } ]",
               kFolders, kRegistry, kKeys),
       none, "", "kept files=1 kept=1 skipped=1 later=0 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}, {L"Apps\\Kavri\\a.txt", "alpha"}})},
      {"a file the user changed, same size", base,
       [](const std::wstring& folder, const std::wstring&) { writeFileBytes(folder + L"\\a.txt", "ALPHA"); }, "",
       "kept files=1 kept=2 skipped=0 later=0 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}, {L"Apps\\Kavri\\a.txt", "ALPHA"}})},
      {"a log without hashes: the size decides",
       logText("[ { \"path\": \"$F\\\\a.txt\", \"size\": 5 }, { \"path\": \"$F\\\\docs\\\\b.txt\", \"size\": 9 } ]",
               kFolders, kRegistry, kKeys),
       [](const std::wstring& folder, const std::wstring&) { writeFileBytes(folder + L"\\a.txt", "ALPHA"); }, "",
       "kept files=1 kept=3 skipped=0 later=0 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}, {L"Apps\\Kavri\\docs\\", ""}, {L"Apps\\Kavri\\docs\\b.txt", "beta"}})},
      {"a folder holding the user's file", base,
       [](const std::wstring& folder, const std::wstring&) {
         writeFileBytes(folder + L"\\docs\\mine.txt", "mine");
       },
       "",
       "kept files=2 kept=2 skipped=0 later=0 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}, {L"Apps\\Kavri\\docs\\", ""}, {L"Apps\\Kavri\\docs\\mine.txt", "mine"}})},
      // A check for emptiness followed by a removal of the folder and what it
      // holds would lose a file saved between the two: the removal itself
      // refuses a folder that is not empty. (Stood in: the check answers
      // "empty" as if the file arrived just after it.)
      {"a file saved after a check for emptiness",
       base,
       [](const std::wstring& folder, const std::wstring&) { writeFileBytes(folder + L"\\docs\\mine.txt", "mine"); },
       "directoryEmpty = function() return true end",
       "kept files=2 kept=2 skipped=0 later=0 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}, {L"Apps\\Kavri\\docs\\", ""}, {L"Apps\\Kavri\\docs\\mine.txt", "mine"}})},
      {"the folder above the install folder that the setup made",
       logText(kFiles, "[ \"$F\\\\docs\", \"$F\", \"$D\\\\Apps\" ]", kRegistry, kKeys), none, "",
       "removed files=2 kept=0 skipped=0 later=0 failed=0 registered=false outside=true",
       {{L"victim\\", ""}, {L"victim\\keep.txt", "victim"}}},
      {"a file in use", base,
       [&](const std::wstring& folder, const std::wstring& base) {
         held = std::make_unique<UniqueFile>(::CreateFileW((folder + L"\\a.txt").c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                           0, nullptr));
       },
       "", "removed files=1 kept=0 skipped=0 later=2 failed=0 registered=false outside=true",
       with({{L"Apps\\Kavri\\", ""}, {L"Apps\\Kavri\\a.txt", "alpha"}})},
      {"a file that can go neither now nor at the restart", base,
       [&](const std::wstring& folder, const std::wstring& base) {
         held = std::make_unique<UniqueFile>(::CreateFileW((folder + L"\\a.txt").c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                           0, nullptr));
       },
       "removeInsideFolderAtRestart = function() return false, 'no restart here', 'renamable' end",
       "failed files=1 kept=0 skipped=0 later=0 failed=1 registered=true outside=true",
       with({{L"Apps\\Kavri\\", ""},
             {L"Apps\\Kavri\\a.txt", "alpha"},
             {L"Apps\\Kavri\\docs\\", ""},
             {L"Apps\\Kavri\\install-log.json", "<log>"}}),
       "no restart here"},
      {"a log another user could have written", base, none,
       "readProtectedFile = function(p) return nil, p .. ' belongs to someone else', 'owner' end",
       "failed files=0 kept=0 skipped=0 later=0 failed=0 registered=true outside=true", untouched,
       "is not trusted"},
      {"a log of another folder", replaceAll(base, "\"folder\": \"$F\"", "\"folder\": \"$D\\\\Other\""), none, "",
       "failed files=0 kept=0 skipped=0 later=0 failed=0 registered=true outside=true", untouched,
       "belongs to another folder"},
      {"a log of an install for one user, removed as one for all users",
       replaceAll(base, "\"folder\": \"$F\"", "\"folder\": \"$F\", \"mode\": \"perUser\""), none, "",
       "failed files=0 kept=0 skipped=0 later=0 failed=0 registered=true outside=true", untouched,
       "of another install mode"},
      {"a damaged log", "{ \"files\": [ ", none, "",
       "failed files=0 kept=0 skipped=0 later=0 failed=0 registered=true outside=true", untouched, "is damaged"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    writeInstall();
    const std::string log = fillIn(c.log);
    ASSERT_TRUE(writeFileBytes(folder_ + L"\\install-log.json", log));
    loadScript(c.standIn);
    c.before(folder_, base_);
    if (link && !link->made()) {
      link.reset();
      std::cout << "no link can be made here: the case \"" << c.what << "\" was left out\n";
      continue;
    }
    const PendingRenames renames;
    std::string message;
    EXPECT_EQ(runRemoval(message), c.summary);
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    expectNoErrors(uiErrors());
    expectNoErrors(workErrors());
    if (c.summary.find("later=2") != std::string::npos) {
      const std::wstring scheduled = renames.text();
      EXPECT_NE(scheduled.find(L"Kavri\\a.txt"), std::wstring::npos) << "the file goes at the restart";
      std::vector<uint8_t> marker;
      EXPECT_TRUE(readMarker(marker)) << "the restart is marked: no installation runs before it";
      writeMarker(nullptr);
    }
    held.reset();
    link.reset();
    FileTree left = readTree(base_);
    if (left.count(L"Apps\\Kavri\\install-log.json")) left[L"Apps\\Kavri\\install-log.json"] = "<log>";
    EXPECT_EQ(left, c.left);
  }
}

// Writing the registration can make keys above the product's own (a
// per-user install's "...\\CurrentVersion\\Uninstall" in a fresh profile): the
// setup logs them, and the removal deletes each only while it is empty, after
// the product's keys and deepest first; another product's entry keeps them.
TEST_F(UninstallerScript, KeysMadeAboveTheProductsGoOnlyWhenEmpty) {
  const std::wstring uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  const std::wstring version = L"Software\\Microsoft\\Windows\\CurrentVersion";
  auto exists = [](const std::wstring& key) {
    UniqueHkey opened;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
  };
  if (exists(uninstall)) {
    std::cout << "this profile already holds " << narrow(uninstall) << ": the test is left out\n";
    return;
  }
  // An install for one user: its keys are under HKEY_CURRENT_USER.
  const std::string registry =
      "[ { \"root\": \"HKEY_CURRENT_USER\", \"key\": \"Software\\\\Kavri\", \"value\": \"Installed\" } ]";
  const std::string keys =
      "[ { \"root\": \"HKEY_CURRENT_USER\", \"key\": \"Software\\\\Microsoft\\\\Windows\\\\CurrentVersion"
      "\\\\Uninstall\" }, { \"root\": \"HKEY_CURRENT_USER\", \"key\": \"Software\\\\Microsoft\\\\Windows"
      "\\\\CurrentVersion\\\\Uninstall\\\\Kavri\" }, { \"root\": \"HKEY_CURRENT_USER\", \"key\": \"Software\\\\Kavri\" } ]";
  struct Case {
    const char* what;
    const wchar_t* other;   // another product's entry, or null
    bool parentLeft;
  } const cases[] = {
      {"nothing else below it", nullptr, false},
      {"another product's entry below it", L"\\Other", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    writeInstall();
    const std::string log = replaceAll(logText(kFiles, kFolders, registry, keys), "\"folder\": \"$F\"",
                                       "\"folder\": \"$F\", \"mode\": \"perUser\"");
    ASSERT_TRUE(writeFileBytes(folder_ + L"\\install-log.json", fillIn(log)));
    loadScript("");
    UniqueHkey made;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (uninstall + L"\\Kavri").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, made.put(), nullptr),
              ERROR_SUCCESS);
    made.reset();
    if (c.other) {
      ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (uninstall + c.other).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, made.put(), nullptr),
                ERROR_SUCCESS);
    }
    made.reset();
    std::string message;
    EXPECT_EQ(runRemoval(message, true),
              "removed files=2 kept=0 skipped=0 later=0 failed=0 registered=false outside=true") << message;
    EXPECT_FALSE(exists(uninstall + L"\\Kavri"));
    EXPECT_EQ(exists(uninstall), c.parentLeft);
    if (c.other) {
      EXPECT_TRUE(exists(uninstall + c.other));
    }
    EXPECT_TRUE(exists(version)) << "a key the log does not name stays, empty or not";
    ::SHDeleteKeyW(HKEY_CURRENT_USER, uninstall.c_str());
  }
}

}  // namespace
}  // namespace kavri::test
