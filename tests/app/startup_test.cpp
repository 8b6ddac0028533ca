// The installer process as a user meets it: single instance, restart marker,
// running UI.lua, and the exit code.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>
#include <fstream>
#include <string>

#include "app/startup.h"
#include "package/package_format.h"
#include "package/pe_checksum.h"
#include "support/folders.h"
#include "support/instance_guard.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

using namespace test;

const uint8_t kTime[8] = {9, 8, 7, 6, 5, 4, 3, 2};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = windowsPath(KAVRI_FIXTURE_SETUP);
    outFile_ = windowsPath(std::string(KAVRI_TEST_TEMP) + "/startup_ran.txt");
    ::DeleteFileW(outFile_.c_str());
    ::SetEnvironmentVariableW(L"KAVRI_TEST_OUT", outFile_.c_str());
    ::SetEnvironmentVariableW(L"KAVRI_TEST_FAIL", nullptr);
    setShutdownTime(kTime);
    writeMarker(nullptr);
  }
  void TearDown() override {
    writeMarker(nullptr);
    ::SetEnvironmentVariableW(L"KAVRI_TEST_OUT", nullptr);
    ::SetEnvironmentVariableW(L"KAVRI_TEST_FAIL", nullptr);
  }
  bool scriptRan() const { return ::GetFileAttributesW(outFile_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // Starts the installer, expects a message box with `caption` and `text`,
  // dismisses it and returns the exit code.
  long runExpectingBox(const wchar_t* caption, const wchar_t* text) {
    ChildProcess child;
    EXPECT_TRUE(launch(exe_, L"", child));
    HWND box = waitForDialog(child.pid, caption, 20000);
    EXPECT_TRUE(box) << "no message box appeared";
    if (box) {
      EXPECT_EQ(messageBoxText(box), std::wstring(text));
      dismissMessageBox(box);
    }
    return child.wait(20000);
  }

  // Starts the installer with "/s" (any case counts): nobody watches a silent
  // run, so a refusal shows no box and only the exit code tells.
  long runSilently() {
    ChildProcess child;
    EXPECT_TRUE(launch(exe_, L"/s", child));
    return child.wait(20000);   // a box would hold it past the wait (then -1)
  }

  std::wstring exe_;
  std::wstring outFile_;
};

// The names the executable imports, "dll!function" in lower case, read from
// its import table.
std::vector<std::string> importedFunctions(const std::wstring& exe) {
  const std::string image = readFileBytes(exe);
  std::vector<std::string> names;
  auto at = [&](size_t offset, size_t size) { return offset <= image.size() && size <= image.size() - offset; };
  if (!at(0, sizeof(IMAGE_DOS_HEADER))) return names;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  if (!at(size_t(dos->e_lfanew), sizeof(IMAGE_NT_HEADERS))) return names;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  const auto* sections = IMAGE_FIRST_SECTION(nt);
  auto fileOffset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return image.size();
  };
  auto text = [&](size_t offset) {
    std::string out;
    while (offset < image.size() && image[offset]) out += char(std::tolower(static_cast<unsigned char>(image[offset++])));
    return out;
  };
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (size_t d = fileOffset(directory.VirtualAddress); at(d, sizeof(IMAGE_IMPORT_DESCRIPTOR));
       d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + d);
    if (descriptor->Name == 0) break;
    const std::string dll = text(fileOffset(descriptor->Name));
    const DWORD thunks = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
    for (size_t t = fileOffset(thunks); at(t, sizeof(IMAGE_THUNK_DATA)); t += sizeof(IMAGE_THUNK_DATA)) {
      const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(image.data() + t);
      if (thunk->u1.AddressOfData == 0) break;
      if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) continue;
      names.push_back(dll + "!" + text(fileOffset(DWORD(thunk->u1.AddressOfData)) + 2));
    }
  }
  return names;
}

// Functions some supported system lacks, or that fail for 64-bit programs
// seen from a 32-bit installer: the executable looks these up or does without.
TEST(StartupImports, NothingAnOlderSystemLacksIsImported) {
  const std::vector<std::string> imports = importedFunctions(windowsPath(KAVRI_FIXTURE_SETUP));
  ASSERT_FALSE(imports.empty()) << "the import table was not found";
  bool sawCreateFile = false;
  for (const std::string& name : imports) sawCreateFile = sawCreateFile || name == "kernel32.dll!createfilew";
  EXPECT_TRUE(sawCreateFile) << "the reader sees ordinary imports";
  const char* forbidden[] = {"setdefaultdlldirectories", "getmodulefilenameexw", "k32getmodulefilenameexw"};
  for (const std::string& name : imports)
    for (const char* function : forbidden)
      EXPECT_NE(name.substr(name.find('!') + 1), function) << name;
}

TEST_F(StartupTest, NormalRunExecutesUiScriptAndExitsZero) {
  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  EXPECT_EQ(child.wait(30000), 0);
  EXPECT_TRUE(scriptRan());
}

// The fixture's product, as its product file names it.
constexpr wchar_t kFixtureName[] = L"Kavri Test";
constexpr wchar_t kFixtureId[] = L"Kavri.StartupFixture";

TEST_F(StartupTest, SecondInstanceIsRefusedAndLeavesTheMarkerAlone) {
  const std::vector<uint8_t> stale = {1, 1, 1, 1, 1, 1, 1, 1};   // would be deleted by a real start
  writeMarker(&stale);
  HANDLE held = ::CreateMutexW(nullptr, TRUE, instanceMutexName(kFixtureId).c_str());
  ASSERT_TRUE(held);
  EXPECT_EQ(runExpectingBox(kNoticeCaption, hostBoxText(HostBox::AlreadyRunning, kFixtureName).c_str()),
            kExitAlreadyRunning);
  EXPECT_EQ(runSilently(), kExitAlreadyRunning);
  ::CloseHandle(held);
  EXPECT_FALSE(scriptRan());
  std::vector<uint8_t> content;
  ASSERT_TRUE(readMarker(content));
  EXPECT_EQ(content, stale);
}

// Each product's setup and uninstaller guard only against each other: another
// product's installer running (its mutex held) keeps nobody else from
// starting.
TEST_F(StartupTest, AnotherProductsInstallerDoesNotBlockThisOne) {
  for (const std::wstring& other : {instanceMutexName(L""), instanceMutexName(L"Northwind.Tally")}) {
    SCOPED_TRACE(std::string(other.begin(), other.end()));
    ::DeleteFileW(outFile_.c_str());
    UniqueHandle held(::CreateMutexW(nullptr, TRUE, other.c_str()));
    ASSERT_TRUE(held);
    ChildProcess child;
    ASSERT_TRUE(launch(exe_, L"", child));
    EXPECT_EQ(child.wait(30000), 0);
    EXPECT_TRUE(scriptRan());
  }
}

TEST_F(StartupTest, PendingRestartIsRefusedUntilShutdownTimeChanges) {
  const std::vector<uint8_t> marker(kTime, kTime + 8);
  writeMarker(&marker);
  EXPECT_EQ(runExpectingBox(kNoticeCaption, hostBoxText(HostBox::RestartPending, kFixtureName).c_str()),
            kExitRestartPending);
  EXPECT_EQ(runSilently(), kExitRestartPending);
  EXPECT_FALSE(scriptRan());
  std::vector<uint8_t> content;
  EXPECT_TRUE(readMarker(content)) << "a pending marker stays on disk";

  const uint8_t later[8] = {9, 8, 7, 6, 5, 4, 3, 3};
  setShutdownTime(later);
  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  EXPECT_EQ(child.wait(30000), 0);
  EXPECT_TRUE(scriptRan());
  EXPECT_FALSE(readMarker(content)) << "the stale marker is deleted";
}

// The two refusals before the script, run in this process: their boxes go
// through the system seam like every other box of the program, so a test
// (or a silent run's replacement) sees them without a window.
struct SeenBox {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};
std::vector<SeenBox> g_boxes;

int WINAPI recordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_boxes.push_back(SeenBox{owner, text ? text : L"", caption ? caption : L"", type});
  return IDOK;
}

TEST_F(StartupTest, RefusalsBeforeTheScriptShowTheirBoxThroughTheSeam) {
  SystemSeam seam = realSystemSeam();
  seam.messageBox = &recordBox;
  const SeamOverride recording(seam);
  const std::vector<uint8_t> pending(kTime, kTime + 8);
  struct Case {
    const char* what;
    bool holdMutex;
    const std::vector<uint8_t>* marker;
    int exitCode;
    HostBox box;
  } const cases[] = {
      {"another installer runs", true, nullptr, kExitAlreadyRunning, HostBox::AlreadyRunning},
      {"a restart is pending", false, &pending, kExitRestartPending, HostBox::RestartPending},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_boxes.clear();
    writeMarker(c.marker);
    // This test program carries no product strings: the project's own
    // mutex, and boxes without a product's name.
    UniqueHandle held(c.holdMutex ? ::CreateMutexW(nullptr, TRUE, kInstanceMutexName) : nullptr);
    EXPECT_EQ(runInstaller(::GetModuleHandleW(nullptr)), c.exitCode);
    releaseInstanceMutex();   // a pending restart keeps it for the process's life
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].owner, nullptr);
    EXPECT_EQ(g_boxes[0].text, hostBoxText(c.box, L""));
    EXPECT_EQ(g_boxes[0].caption, kNoticeCaption);
    EXPECT_EQ(g_boxes[0].type, UINT(MB_OK));
  }
  EXPECT_FALSE(scriptRan());
}

// The caption of the box that reports a script error.
constexpr wchar_t kErrorCaption[] = L"错误";

// A damaged download: one bit flipped (in the packaged start-up script, which
// nothing reads before the check), or a signed file cut short inside its
// signature (the sum written again after the signature was appended, as a
// signing tool does). The installer says so in an error box and ends with its
// own exit code before the script runs; run silently, only the code tells.
TEST_F(StartupTest, ADamagedSetupFileIsReportedBeforeTheScriptRuns) {
  ScratchFolder dir(L"kavri_damaged_setup");
  const std::string built = readFileBytes(exe_);
  const size_t script = built.find("deliberate failure");   // a string of the packaged UI.lua
  ASSERT_NE(script, std::string::npos);
  uint64_t field = 0;
  ASSERT_TRUE(package::peChecksumFieldOffset(reinterpret_cast<const uint8_t*>(built.data()), built.size(), field));
  std::string signedFile = built + std::string(4000, '\x33');
  package::PeChecksum sum(field);
  sum.add(reinterpret_cast<const uint8_t*>(signedFile.data()), signedFile.size());
  package::writeU32(reinterpret_cast<uint8_t*>(&signedFile[size_t(field)]), sum.value());
  struct Case {
    const char* what;
    std::string bytes;
    bool damaged;
  };
  const Case cases[] = {
      {"a bit flipped", std::string(built).replace(script, 1, 1, char(built[script] ^ 0x01)), true},
      {"signed", signedFile, false},
      {"cut short inside its signature", signedFile.substr(0, signedFile.size() - 1000), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::DeleteFileW(outFile_.c_str());
    exe_ = dir / L"Setup.exe";
    ASSERT_TRUE(writeFileBytes(exe_, c.bytes));
    if (c.damaged) {
      EXPECT_EQ(runExpectingBox(kErrorCaption, hostBoxText(HostBox::SetupDamaged, kFixtureName).c_str()),
                kExitSetupDamaged);
      EXPECT_EQ(runSilently(), kExitSetupDamaged);
      EXPECT_FALSE(scriptRan());
    } else {
      EXPECT_EQ(runSilently(), 0);
      EXPECT_TRUE(scriptRan());
    }
  }
}

// A layout names the product as "{product.name}": the window shows the
// product file's values, which the build wrote into the executable.
TEST_F(StartupTest, LayoutsShowTheProductsNameFromTheExecutable) {
  ::SetEnvironmentVariableW(L"KAVRI_TEST_LAYOUT", L"1");
  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  EXPECT_EQ(child.wait(30000), 0);
  ::SetEnvironmentVariableW(L"KAVRI_TEST_LAYOUT", nullptr);
  const std::string ran = readFileBytes(outFile_);
  EXPECT_NE(ran.find("label: Kavri Test 1.0.0 by Kavri\n"), std::string::npos) << ran;
}

TEST_F(StartupTest, ScriptErrorShowsOneErrorBoxThenShutsDownNormally) {
  ::SetEnvironmentVariableW(L"KAVRI_TEST_FAIL", L"1");
  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  HWND box = waitForDialog(child.pid, kErrorCaption, 20000);
  ASSERT_TRUE(box);
  EXPECT_EQ(countDialogs(child.pid, kErrorCaption), 1);
  const std::wstring text = messageBoxText(box);
  EXPECT_NE(text.find(L"UI.lua:25: deliberate failure"), std::wstring::npos)
      << std::string(text.begin(), text.end());
  dismissMessageBox(box);
  EXPECT_EQ(child.wait(20000), kExitScriptError) << "a script error ends the installer with exit code 1";
}

// The script sees the command line (raw and split), sets the exit code and,
// in a silent run, shows nothing: a script error then only ends the process
// with a non-zero code. No window: the wait for the background work pumps
// the notifications itself.
TEST_F(StartupTest, CommandLineExitCodeAndSilentRuns) {
  struct Case {
    const char* what;
    std::wstring args;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> environment;
    long exitCode;
    std::vector<std::wstring> seen;   // getCommandLine(), then arg[1..n]
  };
  const std::vector<Case> cases = {
      {"no arguments", L"", {}, 0, {L""}},
      {"an unquoted folder with spaces", L"/S /D=C:\\Program Files\\Kavri", {}, 0,
       {L"/S /D=C:\\Program Files\\Kavri", L"/S", L"/D=C:\\Program", L"Files\\Kavri"}},
      {"the whole switch quoted", L"  /S \"/D=C:\\Program Files\\Kavri\"", {}, 0,
       {L"/S \"/D=C:\\Program Files\\Kavri\"", L"/S", L"/D=C:\\Program Files\\Kavri"}},
      {"an exit code", L"/S", {{L"KAVRI_TEST_EXIT", L"3"}}, 3, {L"/S", L"/S"}},
      {"a silent script error", L"/S", {{L"KAVRI_TEST_SILENT", L"1"}, {L"KAVRI_TEST_FAIL", L"1"}}, kExitScriptError,
       {L"/S", L"/S"}},
      {"a silent script error keeps the script's code", L"",
       {{L"KAVRI_TEST_SILENT", L"1"}, {L"KAVRI_TEST_EXIT", L"5"}, {L"KAVRI_TEST_FAIL", L"1"}}, 5, {L""}},
      {"background work without a window", L"", {{L"KAVRI_TEST_WORK", L"1"}}, 12, {L""}},
      {"os.exit waits for the work", L"", {{L"KAVRI_TEST_WORK", L"exit"}}, 7, {L""}},
  };
  const std::wstring workFile = outFile_ + L".work";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::DeleteFileW(outFile_.c_str());
    ::DeleteFileW(workFile.c_str());
    for (const auto& [name, value] : c.environment) ::SetEnvironmentVariableW(name, value);
    ChildProcess child;
    ASSERT_TRUE(launch(exe_, c.args, child));
    EXPECT_EQ(child.wait(30000), c.exitCode);   // a box shown would hold it past the wait
    for (const auto& [name, value] : c.environment) ::SetEnvironmentVariableW(name, nullptr);

    std::vector<std::wstring> lines;
    const std::string bytes = readFileBytes(outFile_);
    const std::wstring text(bytes.begin(), bytes.end());   // ASCII only
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find(L'\n', start);
      lines.push_back(text.substr(start, end - start));
      start = end == std::wstring::npos ? text.size() : end + 1;
    }
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], L"ran");
    EXPECT_EQ(::lstrcmpiW(lines[2].c_str(), exe_.c_str()), 0) << "arg[0] is the full path";
    std::vector<std::wstring> seen = {lines[1]};
    seen.insert(seen.end(), lines.begin() + 3, lines.end());
    EXPECT_EQ(seen, c.seen);
  }
  // The two works each ran to their end: answered by the handler, then,
  // with no window to answer, with 0.
  EXPECT_EQ(readFileBytes(workFile), "0,0");
}

// The old settings lists in the user's application-data folder are converted
// before the script runs (fixture "complete" of the migration tests).
TEST_F(StartupTest, StartUpMigratesTheOldSettingsLists) {
  wchar_t appData[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, TRUE));
  const std::wstring product = std::wstring(appData) + L"\\Pelvano";
  struct Cleanup {
    std::wstring folder;
    ~Cleanup() { removeDirectoryTree(folder); }
  } cleanup{product};
  removeDirectoryTree(product);
  const std::string fixtures = std::string(KAVRI_MIGRATION_FIXTURES) + "/complete";
  writeTree(appData, readTree(windowsPath(fixtures + "/before")));

  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  EXPECT_EQ(child.wait(30000), 0);
  EXPECT_TRUE(scriptRan());
  EXPECT_EQ(readTree(product), readTree(windowsPath(fixtures + "/after/Pelvano")));
}

}  // namespace
}  // namespace kavri
