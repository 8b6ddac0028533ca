// The demo installer's background script (installer/LG.lua) over the
// shipped payload, driven by a UI script as the installer's pages drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/text_convert.h"
#include "tests/helpers/file_tree.h"
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

// The shipped background script over the shipped payload: every file arrives
// byte for byte beside the install log, progress reports (throttled by time)
// only grow and end on 100%; a file that cannot be written (a folder in its
// place) is asked about: retried once, then skipped, or the answer "cancel"
// fails the install and undoes it, leaving only what was there before. The
// registration the script writes is removed again afterwards.
TEST_F(WorkTest, TheDemoBackgroundScriptInstallsThePayload) {
  const std::string demo = narrow(test::windowsPath(KAVRI_DEMO_DIR)) + "\\";
  std::vector<std::string> payload;
  listFiles(utf8ToWide(demo + "program\\"), "", payload);
  ASSERT_FALSE(payload.empty());
  std::vector<package::PackageEntry> entries;
  for (const std::string& name : payload) {
    const std::string content = test::readFileBytes(demo + "program\\" + windowsName(name));
    entries.push_back({std::u16string(name.begin(), name.end()), test::bytesOf(content)});
  }
  setPackage(entries);
  setWorkerScript(test::readFileBytes(demo + "LG.lua"));
  // Its modules, beside it: `require` finds them among the packaged files.
  for (const char* module : {"shared.lua", "product.lua"})
    files_.addFile(utf8ToWide(module), test::bytesOf(test::readFileBytes(demo + module)));

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
      EXPECT_EQ(test::readFileBytes(target + "\\" + windowsName(name)),
                test::readFileBytes(demo + "program\\" + windowsName(name)))
          << name;
    }
    if (c.blocked && !c.installed) {
      EXPECT_NE(::GetFileAttributesW(utf8ToWide(target + "\\" + c.blocked).c_str()), INVALID_FILE_ATTRIBUTES)
          << "what was there before stays";
    }
  }
}

}  // namespace
}  // namespace kavri::test
