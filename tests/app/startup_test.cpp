// The installer process as a user meets it: single instance, restart marker,
// running UI.lua, and the exit code.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/startup.h"
#include "support/folders.h"
#include "support/instance_guard.h"
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

  std::wstring exe_;
  std::wstring outFile_;
};

TEST_F(StartupTest, NormalRunExecutesUiScriptAndExitsZero) {
  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  EXPECT_EQ(child.wait(30000), 0);
  EXPECT_TRUE(scriptRan());
}

TEST_F(StartupTest, SecondInstanceIsRefusedAndLeavesTheMarkerAlone) {
  const std::vector<uint8_t> stale = {1, 1, 1, 1, 1, 1, 1, 1};   // would be deleted by a real start
  writeMarker(&stale);
  HANDLE held = ::CreateMutexW(nullptr, TRUE, kInstanceMutexName);
  ASSERT_TRUE(held);
  EXPECT_EQ(runExpectingBox(kNoticeCaption, kAlreadyRunningText), 0);
  ::CloseHandle(held);
  EXPECT_FALSE(scriptRan());
  std::vector<uint8_t> content;
  ASSERT_TRUE(readMarker(content));
  EXPECT_EQ(content, stale);
}

TEST_F(StartupTest, PendingRestartIsRefusedUntilShutdownTimeChanges) {
  const std::vector<uint8_t> marker(kTime, kTime + 8);
  writeMarker(&marker);
  EXPECT_EQ(runExpectingBox(kNoticeCaption, kRestartPendingText), 0);
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

// The caption of the box that reports a script error.
constexpr wchar_t kErrorCaption[] = L"错误";

TEST_F(StartupTest, ScriptErrorShowsOneErrorBoxThenShutsDownNormally) {
  ::SetEnvironmentVariableW(L"KAVRI_TEST_FAIL", L"1");
  ChildProcess child;
  ASSERT_TRUE(launch(exe_, L"", child));
  HWND box = waitForDialog(child.pid, kErrorCaption, 20000);
  ASSERT_TRUE(box);
  EXPECT_EQ(countDialogs(child.pid, kErrorCaption), 1);
  const std::wstring text = messageBoxText(box);
  EXPECT_NE(text.find(L"UI.lua:10: deliberate failure"), std::wstring::npos)
      << std::string(text.begin(), text.end());
  dismissMessageBox(box);
  EXPECT_EQ(child.wait(20000), 0);
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
