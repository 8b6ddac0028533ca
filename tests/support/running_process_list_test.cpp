// Running-process list: parsing of the list text, file names, and the limits
// on what termination by name may touch.
#include "support/running_process_list.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "tests/script/lua_test_state.h"

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

// Opening zero-fills only a region it creates: a list another program has
// already published is left as it is and read back whole.
TEST(RunningProcessList, OpenZeroesOnlyARegionItCreates) {
  {
    RunningProcessList list;
    ASSERT_TRUE(list.open());
    UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, kProcessListRegionName));
    ASSERT_TRUE(mapping);
    UniqueMapView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, kProcessListRegionBytes));
    ASSERT_TRUE(view);
    const auto* bytes = static_cast<const unsigned char*>(view.get());
    EXPECT_EQ(std::count(bytes, bytes + kProcessListRegionBytes, 0), long(kProcessListRegionBytes));
    list.close();
  }
  // A writer holds the region with its list in it.
  UniqueHandle writer(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           kProcessListRegionBytes, kProcessListRegionName));
  ASSERT_TRUE(writer);
  UniqueMapView writerView(::MapViewOfFile(writer.get(), FILE_MAP_ALL_ACCESS, 0, 0, kProcessListRegionBytes));
  ASSERT_TRUE(writerView);
  const wchar_t text[] = L"a.exe;b.exe;";
  std::memcpy(writerView.get(), text, sizeof text);
  RunningProcessList list;
  ASSERT_TRUE(list.open());
  std::vector<wchar_t> buffer(kProcessListUnits, 0);
  EXPECT_TRUE(list.read(buffer.data()));
  EXPECT_EQ(std::wstring(buffer.data()), text);
}

// Which processes found under a listed name may be ended. Wine reports one
// user, one session and the high level for every process, so the decision is
// checked here on its own.
TEST(MayEndListedProcess, Cases) {
  ListedProcessFacts ordinary;
  ordinary.sameSession = true;
  ordinary.imageNameMatches = true;
  ordinary.imageOutsideWindows = true;
  ordinary.sameUser = true;
  ordinary.integrity = SECURITY_MANDATORY_MEDIUM_RID;
  struct Case {
    const char* what;
    std::function<void(ListedProcessFacts&)> change;
    bool allowed;
  };
  const Case cases[] = {
      {"the user's own program", [](ListedProcessFacts&) {}, true},
      {"low integrity", [](ListedProcessFacts& f) { f.integrity = SECURITY_MANDATORY_LOW_RID; }, true},
      {"medium plus", [](ListedProcessFacts& f) { f.integrity = SECURITY_MANDATORY_MEDIUM_RID + 0x100; }, false},
      {"elevated", [](ListedProcessFacts& f) { f.integrity = SECURITY_MANDATORY_HIGH_RID; }, false},
      {"system", [](ListedProcessFacts& f) { f.integrity = SECURITY_MANDATORY_SYSTEM_RID; }, false},
      {"level unknown", [](ListedProcessFacts& f) { f.integrity = 0; }, false},
      {"another user", [](ListedProcessFacts& f) { f.sameUser = false; }, false},
      {"another session", [](ListedProcessFacts& f) { f.sameSession = false; }, false},
      {"id reused by another program", [](ListedProcessFacts& f) { f.imageNameMatches = false; }, false},
      {"in the Windows folder", [](ListedProcessFacts& f) { f.imageOutsideWindows = false; }, false},
      {"this process", [](ListedProcessFacts& f) { f.isSelf = true; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ListedProcessFacts facts = ordinary;
    c.change(facts);
    EXPECT_EQ(mayEndListedProcess(facts), c.allowed);
  }
}

// A writer may create the region with its pages reserved but never committed,
// or smaller than the list: reading it gives an empty list, never a fault.
TEST(RunningProcessList, AnUncommittedOrShortRegionReadsAsEmpty) {
  struct Case {
    const char* what;
    DWORD protection;
    DWORD size;
    bool mapsAtAll;   // a region smaller than the list cannot be mapped whole
  };
  const Case cases[] = {
      {"reserved, never committed", PAGE_READWRITE | SEC_RESERVE, kProcessListRegionBytes, true},
      {"shorter than the list", PAGE_READWRITE, 64, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UniqueHandle writer(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, c.protection, 0, c.size,
                                             kProcessListRegionName));
    ASSERT_TRUE(writer);
    ASSERT_NE(::GetLastError(), DWORD(ERROR_ALREADY_EXISTS)) << "another test still holds the region";
    std::vector<wchar_t> buffer(kProcessListUnits, 0);
    RunningProcessList list;
    EXPECT_FALSE(list.read(buffer.data()));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(readRunningProcessList(), L"");
  }
}

// The low mandatory label (no-write-up) that lets low-integrity programs
// publish into the list's objects.
TEST(RunningProcessList, LowIntegrityLabel) {
  UniqueHandle object(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(applyLowIntegrityLabel(object.get()));
  PACL sacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(::GetSecurityInfo(object.get(), SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              &sacl, &descriptor),
            DWORD(ERROR_SUCCESS));
  UniqueHlocal owner(descriptor);
  if (!sacl || sacl->AceCount == 0) GTEST_SKIP() << "this system accepts labels but does not keep them (Wine)";
  void* ace = nullptr;
  ASSERT_TRUE(::GetAce(sacl, 0, &ace));
  auto* label = static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace);
  EXPECT_EQ(label->Header.AceType, SYSTEM_MANDATORY_LABEL_ACE_TYPE);
  EXPECT_EQ(*::GetSidSubAuthority(&label->SidStart, 0), DWORD(SECURITY_MANDATORY_LOW_RID));
  EXPECT_EQ(label->Mask, DWORD(SYSTEM_MANDATORY_LABEL_NO_WRITE_UP));
}

}  // namespace
}  // namespace kavri
