// System API processes and the running-process list, driven through Lua with
// helper programs started by the test. Terminations go through a recording
// seam that only carries them out for the test's own helper folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/folders.h"
#include "tests/helpers/win_test_util.h"
#include "tests/script/lua_test_state.h"
#include "tests/script/process_list_writer.h"

namespace kavri {
namespace {

using test::LuaTestState;
using test::RecordingSeam;

class ProcessApi : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::freshTempFolder(L"kavri_process_test");
    exitOne_ = copyHelper(KAVRI_EXIT_ONE_EXE, L"kavri_exit_one.exe");
    sleeper_ = copyHelper(KAVRI_SLEEPER_EXE, L"kavri_sleeper.exe");
    lua_.setText("FOLDER", folder_);
    lua_.setText("EXIT_ONE", exitOne_);
    lua_.setText("SLEEPER", sleeper_);
  }
  void TearDown() override {
    children_.clear();   // ends any helper still running
    removeDirectoryTree(folder_);
  }

  std::wstring copyHelper(const char* built, const std::wstring& name) {
    const std::wstring target = folder_ + L"\\" + name;
    EXPECT_TRUE(::CopyFileW(test::windowsPath(built).c_str(), target.c_str(), FALSE)) << built;
    return target;
  }
  test::ChildProcess& start(const std::wstring& exe, const std::wstring& args = L"") {
    children_.emplace_back(std::make_unique<test::ChildProcess>());
    EXPECT_TRUE(test::launch(exe, args, *children_.back()));
    return *children_.back();
  }

  std::wstring folder_, exitOne_, sleeper_;
  std::vector<std::unique_ptr<test::ChildProcess>> children_;
  LuaTestState lua_;
};

TEST_F(ProcessApi, ShellExecuteExResults) {
  RecordingSeam seam(folder_);
  EXPECT_EQ(lua_.run(R"lua(
    local cases = {   -- what, file, parameters, mask, expected results
      {"mask 0: started", EXIT_ONE, "", 0, {true}},
      {"mask 64: exit code", EXIT_ONE, "", 64, {true, 1}},
      {"mask 64 + 1024: exit code", EXIT_ONE, "", 64 + 1024, {true, 1}},
      {"mask 64: still running after 5 s", SLEEPER, "8000", 64, {false}},
      {"missing program", FOLDER .. "\\none.exe", "", 64, {false}},
      {"missing program, mask 0", FOLDER .. "\\none.exe", "", 0, {false}},
    }
    for _, c in ipairs(cases) do
      local r = table.pack(shellExecuteEx(c[2], c[3], "", 0, c[4]))
      assert(r.n == #c[5], c[1] .. ": " .. r.n .. " results")
      for i = 1, r.n do assert(r[i] == c[5][i], c[1] .. ": result " .. i) end
    end
    assert(isProcessRunning(SLEEPER) == true, "the slow one still runs")
    killProcess(SLEEPER)
    assert(select("#", isProcessRunning(SLEEPER)) == 0, "and is gone after killProcess")
  )lua"),
            "");
  ASSERT_EQ(RecordingSeam::exitCodes.size(), 1u);
  EXPECT_EQ(RecordingSeam::exitCodes[0], 0xFFFFFFF8u);
}

TEST_F(ProcessApi, IsProcessRunningMatchesWholePathsIgnoringCase) {
  start(sleeper_);
  EXPECT_EQ(lua_.run(R"lua(
    local cases = {
      {"exact path", SLEEPER, 1},
      {"other case", SLEEPER:upper(), 1},
      {"file name only", "kavri_sleeper.exe", 0},
      {"forward slashes are not normalised", SLEEPER:gsub("\\", "/"), 0},
      {"no such program", FOLDER .. "\\nothing.exe", 0},
      {"empty", "", 0},
    }
    for _, c in ipairs(cases) do
      local r = table.pack(isProcessRunning(c[2]))
      assert(r.n == c[3], c[1])
      assert(r.n == 0 or r[1] == true, c[1])
    end
  )lua"),
            "");
}

TEST_F(ProcessApi, KillProcessEndsEveryMatchingHelper) {
  RecordingSeam seam(folder_);
  test::ChildProcess& first = start(sleeper_);
  test::ChildProcess& second = start(sleeper_);
  test::ChildProcess& other = start(copyHelper(KAVRI_SLEEPER_EXE, L"kavri_sleeper_other.exe"));
  EXPECT_EQ(lua_.run("killProcess(SLEEPER:lower())"), "");
  EXPECT_EQ(first.wait(2000), -8);
  EXPECT_EQ(second.wait(2000), -8);
  EXPECT_EQ(other.wait(200), -1) << "a different path is left running";
}

TEST_F(ProcessApi, RunningProcessListText) {
  {
    SCOPED_TRACE("no publisher: objects created empty");
    EXPECT_EQ(lua_.run(R"lua(assert(select("#", getRunningProcess()) == 0))lua"), "");
  }
  test::ProcessListWriter writer;
  ASSERT_TRUE(writer.ready());
  struct Case {
    const char* what;
    std::wstring region;
    std::wstring expected;   // empty: nothing
  };
  const Case cases[] = {
      {"two entries", L"C:\\a\\x.exe;C:\\b\\y.exe;", L"C:\\a\\x.exe;C:\\b\\y.exe;"},
      {"no separator still returned", L"x.exe", L"x.exe"},
      {"empty region", L"", L""},
      {"no zero unit: cut at 2047", std::wstring(2048, L'a'), std::wstring(2047, L'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writer.writeUnits(c.region.data(), c.region.size());
    lua_.setText("EXPECTED", c.expected);
    EXPECT_EQ(lua_.run(R"lua(
      local r = table.pack(getRunningProcess())
      if EXPECTED == "" then assert(r.n == 0, "nothing expected") else assert(r[1] == EXPECTED, tostring(r[1])) end
    )lua"),
              "");
  }
}

TEST_F(ProcessApi, BusyListGivesNothingAfterTheBoundedWait) {
  test::ProcessListWriter writer;
  ASSERT_TRUE(writer.ready());
  writer.write(L"x.exe;");
  writer.holdMutexFor(1000);
  EXPECT_EQ(lua_.run(R"lua(assert(select("#", getRunningProcess()) == 0))lua"), "");
  writer.waitForHolder();
  EXPECT_EQ(lua_.run(R"lua(assert(getRunningProcess() == "x.exe;"))lua"), "");
}

// Listed programs are stopped by file name from the last entry to the first;
// system programs and this process are never stopped through the list.
TEST_F(ProcessApi, KillRunningProcessStopsListedHelpersInReverseOrder) {
  const std::wstring x = copyHelper(KAVRI_SLEEPER_EXE, L"kavri_list_x.exe");
  const std::wstring y = copyHelper(KAVRI_SLEEPER_EXE, L"kavri_list_y.exe");
  test::ChildProcess& xChild = start(x);
  test::ChildProcess& yChild1 = start(y);
  test::ChildProcess& yChild2 = start(y);

  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring yForward = y;
  std::replace(yForward.begin(), yForward.end(), L'\\', L'/');
  test::ProcessListWriter writer;
  ASSERT_TRUE(writer.ready());
  writer.write(std::wstring(L"services.exe;") + self + L";" + x + L";;" + yForward + L";ignored.exe");

  RecordingSeam seam(folder_);
  EXPECT_EQ(lua_.run("killRunningProcess()"), "");
  const std::vector<std::wstring> expected = {L"kavri_list_y.exe", L"kavri_list_y.exe", L"kavri_list_x.exe"};
  EXPECT_EQ(RecordingSeam::terminated, expected);
  EXPECT_EQ(xChild.wait(2000), 0);
  EXPECT_EQ(yChild1.wait(2000), 0);
  EXPECT_EQ(yChild2.wait(2000), 0);
}

// A listed program running above medium integrity (as an elevated one does)
// is never ended through the list.
TEST_F(ProcessApi, KillRunningProcessSparesElevatedPrograms) {
  const std::wstring helper = copyHelper(KAVRI_SLEEPER_EXE, L"kavri_list_high.exe");
  test::ChildProcess& child = start(helper, L"3000");
  test::ProcessListWriter writer;
  ASSERT_TRUE(writer.ready());
  writer.write(helper + L";");
  RecordingSeam seam(folder_);
  RecordingSeam::integrityOverride = SECURITY_MANDATORY_HIGH_RID;
  EXPECT_EQ(lua_.run("killRunningProcess()"), "");
  EXPECT_TRUE(RecordingSeam::terminated.empty());
  EXPECT_EQ(child.wait(200), -1) << "the elevated program was stopped";
  child.wait(5000);
}

// The list may be written by low-integrity programs: a name it lists stops the
// copy outside the Windows folder, never a same-named program inside it.
TEST_F(ProcessApi, KillRunningProcessSparesProgramsInTheWindowsFolder) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::wstring systemCopy = std::wstring(windows) + L"\\Temp\\kavri_twin.exe";
  createDirectoryTree(std::wstring(windows) + L"\\Temp");
  ASSERT_TRUE(::CopyFileW(test::windowsPath(KAVRI_SLEEPER_EXE).c_str(), systemCopy.c_str(), FALSE));
  const std::wstring ownCopy = copyHelper(KAVRI_SLEEPER_EXE, L"kavri_twin.exe");
  test::ChildProcess& inWindows = start(systemCopy, L"3000");
  test::ChildProcess& outside = start(ownCopy);

  test::ProcessListWriter writer;
  ASSERT_TRUE(writer.ready());
  writer.write(L"kavri_twin.exe;");
  RecordingSeam seam(folder_);
  EXPECT_EQ(lua_.run("killRunningProcess()"), "");
  EXPECT_EQ(RecordingSeam::terminated, std::vector<std::wstring>{L"kavri_twin.exe"});
  EXPECT_EQ(outside.wait(2000), 0) << "the copy outside the Windows folder was stopped";
  EXPECT_EQ(inWindows.wait(200), -1) << "the copy in the Windows folder still ran";
  inWindows.wait(5000);
  ::DeleteFileW(systemCopy.c_str());
}

}  // namespace
}  // namespace kavri
