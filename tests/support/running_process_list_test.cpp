// Running-process list: parsing of the list text, file names, and the limits
// on what termination by name may touch.
#include "support/running_process_list.h"

#include <gtest/gtest.h>

#include "script/lua_test_state.h"

namespace kavri {
namespace {

TEST(SplitProcessList, Cases) {
  struct Case {
    const wchar_t* text;
    std::vector<std::wstring> entries;
  };
  const Case cases[] = {
      {L"C:\\a\\x.exe;C:\\b\\y.exe;", {L"C:\\a\\x.exe", L"C:\\b\\y.exe"}},
      {L"C:\\a\\x.exe;;y.exe;", {L"C:\\a\\x.exe", L"y.exe"}},
      {L"x.exe", {}},
      {L"x.exe;tail", {L"x.exe"}},
      {L";;;", {}},
      {L"", {}},
      {L";C:/a/x.exe;", {L"C:/a/x.exe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + wcslen(c.text)));
    EXPECT_EQ(splitProcessList(c.text), c.entries);
  }
}

TEST(FileNamePart, Cases) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\a\\x.exe", L"x.exe"}, {L"C:/a/x.exe", L"x.exe"}, {L"C:\\a/b\\x.exe", L"x.exe"},
      {L"x.exe", L"x.exe"},        {L"C:\\a\\", L""},         {L"", L""},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(fileNamePart(path), name);
}

// Names that may not be stopped through the list never reach TerminateProcess:
// over-long names, system programs in the Windows folder, this process.
TEST(TerminateProcessesByName, LeavesSystemAndOwnProcessesAlone) {
  test::RecordingSeam seam;
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring names[] = {
      std::wstring(300, L'n') + L".exe",
      L"C:\\a\\" + std::wstring(256, L'n') + L".exe",
      L"services.exe",
      L"C:\\Program Files\\Evil\\explorer.exe",
      self,
      L"",
  };
  for (const std::wstring& name : names) EXPECT_FALSE(terminateProcessesByName(name));
  EXPECT_TRUE(test::RecordingSeam::terminated.empty());
}

TEST(RunningProcessList, ReadClosesAndLeavesBufferTerminated) {
  std::vector<wchar_t> buffer(kProcessListUnits, 0);
  RunningProcessList list;
  EXPECT_FALSE(list.read(buffer.data())) << "nobody publishes a list here";
  EXPECT_EQ(buffer[0], 0);
}

}  // namespace
}  // namespace kavri
