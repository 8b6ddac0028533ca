// The demo installer's background script (installer/LG.lua) over the
// shipped payload, driven by a UI script as the installer's pages drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/text_convert.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/links.h"
#include "tests/helpers/package_fixture.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

// Relative names ("docs/guide.txt") of every file below `folder` (a Windows
// path ending in a backslash).
void listFiles(const std::wstring& folder, const std::string& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      listFiles(folder + name + L"\\", prefix + narrow(name) + "/", out);
    else
      out.push_back(prefix + narrow(name));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

std::string windowsName(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

// The demo's folder, as a Windows path ending in a backslash.
std::string demoFolder() { return narrow(test::windowsPath(KAVRI_DEMO_DIR)) + "\\"; }

// The demo's LG.lua with its modules beside it (every other .lua file of
// the folder but UI.lua, and the product module the build writes from its
// product file), where `require` finds them among the packaged files, as the
// build joins them.
void addDemoWorker(MemoryFileSystem& files) {
  const std::string demo = demoFolder();
  files.addFile(L"LG.lua", test::bytesOf(test::readFileBytes(demo + "LG.lua")));
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(utf8ToWide(demo + "*.lua").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    const std::wstring name = data.cFileName;
    if (name != L"UI.lua" && name != L"LG.lua")
      files.addFile(name, test::bytesOf(test::readFileBytes(demo + narrow(name))));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  files.addFile(L"product.lua",
                test::bytesOf(test::readFileBytes(narrow(test::windowsPath(KAVRI_DEMO_PRODUCT_MODULE)))));
}

// A UI script that runs the demo's LG.lua into `target`, answering the
// failure reports (code 2) with `answers` in turn (a Lua array; 3, cancel,
// when they run out), keeping the last report in `finished` and the failure
// reports in `failures`; a global `stopOnProgress` cancels at the first
// progress report. `checks` runs after the work has ended.
std::string demoRun(const std::string& target, const std::string& answers, const std::string& checks) {
  return "local answers, failures, finished = " + answers + ", {}, nil\n"
         "onMessage = function(text)\n"
         "  local m = load('return ' .. text)()\n"
         "  if m.code == 2 then failures[#failures + 1] = m return answers[#failures] or 3 end\n"
         "  if m.code == 1 and stopOnProgress then return 9 end\n"
         "  if m.code == 3 then finished = m end\n"
         "  return 0\n"
         "end\n"
         "assert(startWork('LG.lua', 'program.lz', " + configArg("installPath", target) + "))\n"
         "assert(waitWork())\n"
         "assert(finished, 'no final report')\n" + checks;
}

constexpr wchar_t kUninstallKeyW[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kavri";
constexpr wchar_t kProductKeyW[] = L"Software\\Kavri";

class DemoWorkerTest : public WorkTest {
 protected:
  void loadDemoWorker() { addDemoWorker(files_); }
  // The registration the script writes (and the journal's place) go after
  // each run.
  static void removeRegistration() {
    for (const wchar_t* key : {kUninstallKeyW, kProductKeyW, L"Software\\Kavri Setup"}) {
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
      ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    }
  }
  void TearDown() override {
    removeRegistration();
    WorkTest::TearDown();
  }
};

// The shipped background script over the shipped payload: every file arrives
// byte for byte beside the install log, progress reports (throttled by time)
// only grow and end on 100%; a file that cannot be written (a folder in its
// place) is asked about: retried once, then skipped, or the answer "cancel"
// fails the install and undoes it, leaving only what was there before. The
// registration the script writes is removed again afterwards.
TEST_F(DemoWorkerTest, TheDemoBackgroundScriptInstallsThePayload) {
  const std::string demo = demoFolder();
  std::vector<std::string> payload;
  listFiles(utf8ToWide(demo + "program\\"), "", payload);
  ASSERT_FALSE(payload.empty());
  // The build adds the uninstaller to program/'s files; a stand-in here.
  std::map<std::string, std::string> contents = {{"Uninstall.exe", "MZ uninstaller"}};
  for (const std::string& name : payload) contents[name] = test::readFileBytes(demo + "program\\" + windowsName(name));
  payload.push_back("Uninstall.exe");
  std::vector<package::PackageEntry> entries;
  for (const std::string& name : payload)
    entries.push_back({std::u16string(name.begin(), name.end()), test::bytesOf(contents[name])});
  setPackage(entries);
  loadDemoWorker();

  struct Case {
    const char* what;
    const char* blocked;    // a payload file made unwritable (a folder in its place), or null
    const char* answers;    // Lua array: the answers to the code 2 questions, in order
    int asked;              // code 2 reports
    bool installed;
    int skipped;
  };
  const Case cases[] = {
      {"every file written", nullptr, "{}", 0, true, 0},
      {"one file blocked, retried, skipped", "readme.txt", "{ 1, 2 }", 2, true, 1},
      {"one file blocked, cancelled", "readme.txt", "{ 3 }", 1, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    const std::string target = dir_ + "Demo App";   // no trailing backslash
    if (c.blocked) {
      ::CreateDirectoryW(utf8ToWide(target).c_str(), nullptr);
      ::CreateDirectoryW(utf8ToWide(target + "\\" + c.blocked).c_str(), nullptr);
    }
    runUi(std::string("local answers, asked, percents, finished = ") + c.answers + ", 0, {}, nil\n"
          "onMessage = function(text)\n"
          "  local m = load('return ' .. text)()\n"
          "  if m.code == 1 then percents[#percents + 1] = m.percent end\n"
          "  if m.code == 2 then asked = asked + 1 return answers[asked] or 3 end\n"
          "  if m.code == 3 then finished = m end\n"
          "  return 0\n"
          "end\n"
          "assert(startWork('LG.lua', 'program.lz', " + configArg("installPath", target) + "))\n"
          "assert(waitWork())\n"
          "regDeleteSubKey(HKEY_LOCAL_MACHINE, 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Kavri')\n"
          "regDeleteSubKey(HKEY_LOCAL_MACHINE, 'Software\\\\Kavri')\n"
          "assert(finished, 'no final report')\n"
          "assert(finished.installed == " + (c.installed ? "true" : "false") + ", tostring(finished.message))\n"
          "assert(asked == " + std::to_string(c.asked) + ", 'asked ' .. asked)\n"
          "assert(finished.skipped == " + std::to_string(c.skipped) + ", 'skipped ' .. finished.skipped)\n"
          "for i = 2, #percents do assert(percents[i] >= percents[i - 1]) end\n"
          "if finished.installed then\n"
          "  assert(finished.count == " + std::to_string(payload.size()) + " - finished.skipped, 'count ' .. finished.count)\n"
          "  assert(percents[#percents] == 100)\n"
          "end\n");
    expectNoErrors(uiErrors());
    expectNoErrors(workErrors());
    std::vector<std::string> installed;
    listFiles(utf8ToWide(target + "\\"), "", installed);
    std::vector<std::string> expected;
    if (c.installed) {
      for (const std::string& name : payload)
        if (!c.blocked || name != c.blocked) expected.push_back(name);
      expected.push_back("install-log.json");
    }
    std::sort(installed.begin(), installed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(installed, expected);
    for (const std::string& name : expected) {
      if (name == "install-log.json") continue;
      EXPECT_EQ(test::readFileBytes(target + "\\" + windowsName(name)), contents[name]) << name;
    }
    if (c.blocked && !c.installed) {
      EXPECT_NE(::GetFileAttributesW(utf8ToWide(target + "\\" + c.blocked).c_str()), INVALID_FILE_ATTRIBUTES)
          << "what was there before stays";
    }
  }
}

// Payload entries whose names would reach outside the install folder: the
// install is refused before anything is made or written, with the entry named.
TEST_F(DemoWorkerTest, EntriesReachingOutsideTheFolderAreRefused) {
  const char* names[] = {"../escape.txt", "docs/../../escape.txt", "..\\escape.txt", "C:/escape.txt",
                         "/escape.txt", "readme.txt:escape"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    TearDown();
    SetUp();
    setPackage({{u"readme.txt", test::bytesOf("r")},
                {std::u16string(name, name + std::char_traits<char>::length(name)), test::bytesOf("x")}});
    loadDemoWorker();
    const std::string target = dir_ + "Demo App";
    runUi(demoRun(target, "{}",
                  "assert(finished.installed == false, 'installed')\n"
                  "assert(#failures == 0, 'asked ' .. #failures)\n"
                  "assert(tostring(finished.message):find('payload entry', 1, true), tostring(finished.message))\n"));
    expectNoErrors(uiErrors());
    expectNoErrors(workErrors());
    EXPECT_EQ(::GetFileAttributesW(utf8ToWide(target).c_str()), INVALID_FILE_ATTRIBUTES) << "the folder was made";
    EXPECT_EQ(::GetFileAttributesW(utf8ToWide(dir_ + "escape.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

// Two entries whose names differ only in case name one file: each replacement
// keeps its own copy of what it replaced, so the undo puts the original back
// (with one shared copy the second overwrote the first's, and the original
// was lost). A later entry that cannot be written makes the undo happen.
TEST_F(DemoWorkerTest, EntriesDifferingInCaseKeepTheOriginalForTheUndo) {
  const std::string target = dir_ + "Demo App";
  ::CreateDirectoryW(utf8ToWide(target).c_str(), nullptr);
  test::writeFileBytes(utf8ToWide(target + "\\readme.txt"), "the user's readme");
  ::CreateDirectoryW(utf8ToWide(target + "\\zz.txt").c_str(), nullptr);   // the entry fails
  setPackage({{u"Uninstall.exe", test::bytesOf("MZ")}, {u"Readme.txt", test::bytesOf("first")},
              {u"readme.txt", test::bytesOf("second")},
              {u"zz.txt", test::bytesOf("z")}});
  loadDemoWorker();
  runUi(demoRun(target, "{ 3 }",
                "assert(finished.installed == false and finished.undoComplete == true, tostring(finished.message))\n"));
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
  EXPECT_EQ(test::readFileBytes(target + "\\readme.txt"), "the user's readme");
  std::vector<std::string> left;
  listFiles(utf8ToWide(target + "\\"), "", left);
  EXPECT_EQ(left, std::vector<std::string>{"readme.txt"}) << "no copy is left behind";
}

// The install log is what the uninstaller removes the product by: writing it
// cannot be skipped. Asked about it, "skip" is no answer: the install fails
// and is undone, with nothing of it left.
TEST_F(DemoWorkerTest, TheInstallLogCannotBeSkipped) {
  const std::string target = dir_ + "Demo App";
  ::CreateDirectoryW(utf8ToWide(target).c_str(), nullptr);
  ::CreateDirectoryW(utf8ToWide(target + "\\install-log.json").c_str(), nullptr);   // cannot be written
  setPackage({{u"readme.txt", test::bytesOf("r")}, {u"Uninstall.exe", test::bytesOf("MZ")}});
  loadDemoWorker();
  runUi(demoRun(target, "{ 2 }",
                "assert(finished.installed == false, 'installed without its log')\n"
                "assert(#failures == 1 and failures[1].required == true, 'the log was not asked for as required')\n"
                "assert(regKeyExists(HKEY_LOCAL_MACHINE, 'Software\\\\Kavri') == false, 'registration left')\n"));
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
  std::vector<std::string> left;
  listFiles(utf8ToWide(target + "\\"), "", left);
  EXPECT_TRUE(left.empty()) << left.front();
}

// A value's bytes in the registry, or nothing (type REG_NONE, absent).
struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> bytes;
  bool present = false;
  bool operator==(const RegistryValue& other) const {
    return present == other.present && type == other.type && bytes == other.bytes;
  }
};

RegistryValue readValue(const wchar_t* key, const wchar_t* name) {
  RegistryValue value;
  HKEY handle = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (::RegQueryValueExW(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.resize(size);
    value.present = ::RegQueryValueExW(handle, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
    value.bytes.resize(size);
  }
  ::RegCloseKey(handle);
  return value;
}

std::vector<uint8_t> wideBytes(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
  return std::vector<uint8_t>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

// A cancelled install puts back every registry value it overwrote exactly as
// it was, of whatever type and length, and removes those that were absent
// (the string and number functions saw only short REG_SZ and REG_DWORD
// values: the rest counted as absent and were deleted). The install fails at
// its log, after the registration was written; the key itself was there
// before and stays.
TEST_F(DemoWorkerTest, TheUndoRestoresRegistryValuesOfEveryType) {
  std::wstring multi = L"first";
  multi.push_back(L'\0');
  multi += L"second";
  multi.push_back(L'\0');   // wideBytes adds the list's final zero
  const std::vector<uint8_t> binary = {0, 1, 2, 0, 255, 0};
  const uint64_t quad = 0x0123456789abcdefull;
  const DWORD dword = 0xfffffffe;
  struct Case {
    const wchar_t* name;   // a value the install writes
    DWORD type;            // REG_NONE: absent before
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {L"DisplayName", REG_SZ, wideBytes(std::wstring(400, L'n'))},   // longer than 259 characters
      {L"DisplayVersion", REG_EXPAND_SZ, wideBytes(L"%SystemRoot%\\version")},
      {L"Publisher", REG_MULTI_SZ, wideBytes(multi)},
      {L"InstallLocation", REG_QWORD, std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&quad),
                                                           reinterpret_cast<const uint8_t*>(&quad) + 8)},
      {L"DisplayIcon", REG_BINARY, binary},
      {L"EstimatedSize", REG_DWORD, std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&dword),
                                                         reinterpret_cast<const uint8_t*>(&dword) + 4)},
      {L"UninstallString", REG_NONE, {}},
  };
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyW, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  for (const Case& c : cases) {
    if (c.type != REG_NONE) {
      ASSERT_EQ(::RegSetValueExW(key, c.name, 0, c.type, c.bytes.data(), DWORD(c.bytes.size())), ERROR_SUCCESS);
    }
  }
  ::RegCloseKey(key);

  const std::string target = dir_ + "Demo App";
  ::CreateDirectoryW(utf8ToWide(target).c_str(), nullptr);
  ::CreateDirectoryW(utf8ToWide(target + "\\install-log.json").c_str(), nullptr);   // fails after the registration
  setPackage({{u"readme.txt", test::bytesOf("r")}, {u"Uninstall.exe", test::bytesOf("MZ")}});
  loadDemoWorker();
  runUi(demoRun(target, "{ 3 }", "assert(finished.installed == false, 'installed')\n"));
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
  for (const Case& c : cases) {
    SCOPED_TRACE(narrow(c.name));
    RegistryValue expected;
    if (c.type != REG_NONE) expected = {c.type, c.bytes, true};
    const RegistryValue actual = readValue(kUninstallKeyW, c.name);
    EXPECT_TRUE(actual == expected) << "type " << actual.type << ", " << actual.bytes.size() << " bytes";
  }
  HKEY kept = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyW, 0, KEY_READ, &kept), ERROR_SUCCESS)
      << "the key was there before";
  if (kept) ::RegCloseKey(kept);
}

// The install folder is made with the folders above it that are missing,
// each logged for the uninstaller and removed again by an undo; a folder the
// checks refuse (a file on the way, a link) stops the install before
// anything is made or asked, with the reason in the message.
TEST_F(DemoWorkerTest, TheInstallFolderIsMadeOrRefusedWithItsReason) {
  struct Case {
    const char* what;
    const char* folder;      // below the test's folder
    const char* prepare;     // "file": a file named "on the way"; "link": the folder a link to another;
                             // "cancel": cancelled at the first progress report
    const char* answers;     // to failure reports
    const char* expect;      // Lua checks on `finished`, `failures` and `log` (the install log, when written)
  };
  const Case cases[] = {
      {"missing folders above it", "new1\\new2\\Demo App", "", "{}",
       "assert(finished.installed, tostring(finished.message))\n"
       "local made = {}\n"
       "for _, folder in ipairs(log.folders) do made[folder] = true end\n"
       "for _, name in ipairs({ 'new1', 'new1\\\\new2', 'new1\\\\new2\\\\Demo App' }) do\n"
       "  assert(made[dir .. name], name .. ' is not logged: ' .. table.concat(log.folders, '|'))\n"
       "end\n"},
      {"missing folders above it, undone", "new1\\new2\\Demo App", "cancel", "{}",
       "assert(not finished.installed and finished.undoComplete, tostring(finished.message))\n"
       "assert(not folderExists(dir .. 'new1'), 'the folders made were left')\n"},
      {"a file on the way", "on the way\\Demo App", "file", "{}",
       "assert(not finished.installed and #failures == 0, 'asked ' .. #failures)\n"
       "assert(tostring(finished.message):find('is refused: .* file'), tostring(finished.message))\n"},
      {"a link", "Demo App", "link", "{}",
       "assert(not finished.installed and #failures == 0, 'asked ' .. #failures)\n"
       "assert(tostring(finished.message):find('is refused: .* link'), tostring(finished.message))\n"
       "assert(not fileExists(dir .. 'elsewhere\\\\readme.txt'), 'written through the link')\n"},
      {"a payload without its uninstaller", "new1\\Demo App", "no uninstaller", "{}",
       "assert(not finished.installed and #failures == 0, 'asked ' .. #failures)\n"
       "assert(tostring(finished.message):find('holds no Uninstall.exe', 1, true), tostring(finished.message))\n"
       "assert(not folderExists(dir .. 'new1'), 'a folder was made')\n"
       "assert(not regKeyExists(HKEY_LOCAL_MACHINE, 'Software\\\\Kavri'), 'registered')\n"},
      {"an uninstaller whose name differs in case", "new1\\Demo App", "uninstall.exe", "{}",
       "assert(not finished.installed, 'installed')\n"
       "assert(tostring(finished.message):find('holds no Uninstall.exe', 1, true), tostring(finished.message))\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    const std::string target = dir_ + c.folder;
    const std::string prepare = c.prepare;
    if (prepare == "file") test::writeFileBytes(utf8ToWide(dir_ + "on the way"), "a file");
    std::unique_ptr<test::TestLink> link;
    if (prepare == "link") {
      ::CreateDirectoryW(utf8ToWide(dir_ + "elsewhere").c_str(), nullptr);
      link = std::make_unique<test::TestLink>(utf8ToWide(target), utf8ToWide(dir_ + "elsewhere"),
                                              test::TestLink::Folder);
      if (!link->made()) continue;
    }
    if (prepare == "no uninstaller")
      setPackage({{u"readme.txt", test::bytesOf("r")}});
    else if (prepare == "uninstall.exe")
      setPackage({{u"readme.txt", test::bytesOf("r")}, {u"uninstall.exe", test::bytesOf("MZ")}});
    else
      setPackage({{u"readme.txt", test::bytesOf("r")}, {u"Uninstall.exe", test::bytesOf("MZ")}});
    loadDemoWorker();
    const std::string checks = "local dir = " + longString(dir_) + "\n"
                               "local text = readWholeFile(" + longString(target + "\\install-log.json") + ")\n"
                               "local log = text and jsonDecode(text) or { folders = {} }\n" + c.expect;
    runUi(std::string(prepare == "cancel" ? "stopOnProgress = true\n" : "") + demoRun(target, c.answers, checks));
    expectNoErrors(uiErrors());
    expectNoErrors(workErrors());
  }
}

}  // namespace
}  // namespace kavri::test
