// Restart marker and instance mutex, in process.
#include "support/instance_guard.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

using test::readMarker;
using test::setShutdownTime;
using test::writeMarker;

const uint8_t kTimeA[8] = {1, 2, 3, 4, 5, 6, 7, 8};
const uint8_t kTimeB[8] = {1, 2, 3, 4, 5, 6, 7, 9};   // differs in the high half only
const uint8_t kZero[8] = {};

TEST(RestartCheck, MarkerAgainstShutdownTime) {
  struct Case {
    const char* what;
    const uint8_t* shutdownTime;              // null: value absent
    std::vector<uint8_t> marker;              // content to write
    bool writeIt;                             // false: no marker file
    bool pending;
    bool markerKept;
  };
  const std::vector<uint8_t> a(kTimeA, kTimeA + 8), zero(kZero, kZero + 8);
  const Case cases[] = {
      {"no marker", kTimeA, {}, false, false, false},
      {"equal", kTimeA, a, true, true, true},
      {"changed since", kTimeB, a, true, false, false},
      {"7-byte marker", kTimeA, std::vector<uint8_t>(kTimeA, kTimeA + 7), true, false, false},
      {"empty marker", kTimeA, {}, true, false, false},
      {"unreadable value, zero marker", nullptr, zero, true, true, true},
      {"unreadable value, non-zero marker", nullptr, a, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setShutdownTime(c.shutdownTime);
    writeMarker(c.writeIt ? &c.marker : nullptr);
    EXPECT_EQ(isRestartPending(), c.pending);
    std::vector<uint8_t> left;
    EXPECT_EQ(readMarker(left), c.markerKept);
    if (c.markerKept) {
      EXPECT_EQ(left, c.marker);
    }
  }
  writeMarker(nullptr);
}

TEST(RestartCheck, WrittenMarkerIsPendingUntilShutdownTimeChanges) {
  setShutdownTime(kTimeA);
  writeRestartMarker();
  std::vector<uint8_t> content;
  ASSERT_TRUE(readMarker(content));
  EXPECT_EQ(content, std::vector<uint8_t>(kTimeA, kTimeA + 8));
  EXPECT_TRUE(isRestartPending());
  EXPECT_TRUE(isRestartPending()) << "a pending marker stays";
  setShutdownTime(kTimeB);
  EXPECT_FALSE(isRestartPending());
  EXPECT_FALSE(readMarker(content)) << "a stale marker is deleted";
}

TEST(RestartCheck, MarkerPathHoldsTheDoubledBackslash) {
  const std::wstring path = restartMarkerPath();
  EXPECT_NE(path.find(L"\\\\pelvano_restart"), std::wstring::npos) << std::string(path.begin(), path.end());
}

// Whatever a user plants at the marker's name is never obeyed, never written
// through and never makes the installer delete anything but that name.
TEST(RestartCheck, APlantedMarkerIsRemovedAndNothingBehindItIsTouched) {
  setShutdownTime(kTimeA);
  const std::wstring marker = restartMarkerPath();
  const std::wstring victim = marker.substr(0, marker.rfind(L'\\')) + L"kavri_marker_victim.txt";
  const std::string victimContent(kTimeA, kTimeA + 8);   // would even read as a pending marker
  struct Case {
    const char* what;
    std::function<bool()> plant;   // false: this system cannot make it
  };
  const Case cases[] = {
      {"hard link to another file",
       [&] { return ::CreateHardLinkW(marker.c_str(), victim.c_str(), nullptr) != FALSE; }},
      {"symbolic link to another file",
       [&] { return ::CreateSymbolicLinkW(marker.c_str(), victim.c_str(), 0) != FALSE; }},
      {"a folder", [&] { return ::CreateDirectoryW(marker.c_str(), nullptr) != FALSE; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeMarker(nullptr);
    ::RemoveDirectoryW(marker.c_str());
    ASSERT_TRUE(test::writeFileBytes(victim, victimContent));
    if (!c.plant()) {
      std::printf("skipped \"%s\": not supported here\n", c.what);
      continue;
    }
    EXPECT_FALSE(isRestartPending());
    EXPECT_EQ(test::readFileBytes(victim), victimContent);
    EXPECT_EQ(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted name is removed";

    ASSERT_TRUE(c.plant());
    setShutdownTime(kTimeB);
    writeRestartMarker();
    EXPECT_EQ(test::readFileBytes(victim), victimContent) << "written through the planted name";
    std::vector<uint8_t> content;
    ASSERT_TRUE(readMarker(content));
    EXPECT_EQ(content, std::vector<uint8_t>(kTimeB, kTimeB + 8));
    EXPECT_TRUE(isRestartPending()) << "the fresh marker is genuine";
    setShutdownTime(kTimeA);
  }
  writeMarker(nullptr);
  ::RemoveDirectoryW(marker.c_str());
  ::DeleteFileW(victim.c_str());
}

TEST(RestartCheck, ATemporaryFolderTooLongForTheBufferGivesNoMarker) {
  wchar_t previous[32768] = {};
  const DWORD had = ::GetEnvironmentVariableW(L"TMP", previous, 32768);
  const std::wstring tooLong = L"C:\\" + std::wstring(MAX_PATH + 20, L'a');
  ::SetEnvironmentVariableW(L"TMP", tooLong.c_str());
  EXPECT_EQ(restartMarkerPath(), L"");
  EXPECT_FALSE(isRestartPending());
  writeRestartMarker();   // nothing is written anywhere
  EXPECT_EQ(::GetFileAttributesW(L"C:\\pelvano_restart"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW(L"C:\\\\pelvano_restart"), INVALID_FILE_ATTRIBUTES);
  ::SetEnvironmentVariableW(L"TMP", had ? previous : nullptr);
  EXPECT_NE(restartMarkerPath(), L"");
}

// Wine keeps no file owners of its own (every file reads as its user's), so
// the decision is checked here on its own.
TEST(RestartCheck, OnlyMarkersOfTheAdministratorsOrOfOurOwnOwnerAreTrusted) {
  auto sid = [](WELL_KNOWN_SID_TYPE type) {
    std::vector<uint8_t> out(SECURITY_MAX_SID_SIZE);
    DWORD size = DWORD(out.size());
    ::CreateWellKnownSid(type, nullptr, out.data(), &size);
    return out;
  };
  std::vector<uint8_t> admins = sid(WinBuiltinAdministratorsSid), system = sid(WinLocalSystemSid),
                       users = sid(WinBuiltinUsersSid), world = sid(WinWorldSid);
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID user = nullptr, other = nullptr;
  ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 5, 21, 1, 2, 3, 1001, 0, 0, 0, &user));
  ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 5, 21, 1, 2, 3, 1002, 0, 0, 0, &other));
  struct Case {
    const char* what;
    PSID owner;
    PSID ownOwner;   // the administrators when elevated, the user when not
    bool trusted;
  };
  const Case cases[] = {
      {"administrators, elevated", admins.data(), admins.data(), true},
      {"system, elevated", system.data(), admins.data(), true},
      {"the user, elevated: written without elevation", user, admins.data(), false},
      {"the user, not elevated", user, user, true},
      {"administrators, not elevated", admins.data(), user, true},
      {"another user, not elevated", other, user, false},
      {"another user, elevated", other, admins.data(), false},
      {"users group", users.data(), admins.data(), false},
      {"everyone", world.data(), user, false},
      {"no owner", nullptr, user, false},
      {"own owner unknown", user, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(isTrustedMarkerOwner(c.owner, c.ownOwner), c.trusted);
  }
  ::FreeSid(user);
  ::FreeSid(other);
}

TEST(InstanceMutex, AcquireDetectsOtherHolderAndReleaseIsIdempotent) {
  ASSERT_EQ(acquireInstanceMutex(), InstanceResult::First);
  EXPECT_TRUE(holdsInstanceMutex());
  // A second acquisition meets the mutex held already, as a second installer
  // would: the code must answer AlreadyRunning and keep the slot it holds.
  EXPECT_EQ(acquireInstanceMutex(), InstanceResult::AlreadyRunning);
  EXPECT_TRUE(holdsInstanceMutex());
  releaseInstanceMutex();
  EXPECT_FALSE(holdsInstanceMutex());
  releaseInstanceMutex();   // second release does nothing
  EXPECT_FALSE(holdsInstanceMutex());
  // Released for real: the next acquisition is the first again.
  EXPECT_EQ(acquireInstanceMutex(), InstanceResult::First);
  releaseInstanceMutex();
}

// True when no handle in the system keeps the instance mutex alive: a new
// handle then creates it afresh.
bool instanceMutexIsGone() {
  ::SetLastError(ERROR_SUCCESS);
  UniqueHandle probe(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  return probe && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

TEST(InstanceMutex, NoPathLeavesAHandleBehind) {
  ASSERT_EQ(acquireInstanceMutex(), InstanceResult::First);
  releaseInstanceMutex();
  EXPECT_TRUE(instanceMutexIsGone()) << "released";

  {
    UniqueHandle other(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
    ASSERT_TRUE(other);
    EXPECT_EQ(acquireInstanceMutex(), InstanceResult::AlreadyRunning);
    EXPECT_FALSE(holdsInstanceMutex());
  }
  EXPECT_TRUE(instanceMutexIsGone()) << "refused while another instance held it";
}

// An installer with administrator rights makes the mutex with a default
// security that a second installer without them may not open: that one gets
// "access denied" instead of the mutex, and must still see that another
// installer runs (a per-user setup started while the elevated copy of a
// setup runs would otherwise install beside it). A mutex nobody may open
// stands in for it here.
TEST(InstanceMutex, AMutexThatMayNotBeOpenedIsAnotherInstaller) {
  UniqueHlocal descriptor;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                                     descriptor.put(), nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  UniqueHandle other(::CreateMutexW(&attributes, TRUE, kInstanceMutexName));
  ASSERT_TRUE(other);
  EXPECT_EQ(acquireInstanceMutex(), InstanceResult::AlreadyRunning);
  EXPECT_FALSE(holdsInstanceMutex());
}

}  // namespace
}  // namespace kavri
