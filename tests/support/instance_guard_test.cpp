// Restart marker and instance mutex, in process.
#include "support/instance_guard.h"

#include <gtest/gtest.h>

#include "support/win32_handles.h"
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

TEST(InstanceMutex, AcquireDetectsOtherHolderAndReleaseIsIdempotent) {
  ASSERT_EQ(acquireInstanceMutex(), InstanceResult::First);
  EXPECT_TRUE(holdsInstanceMutex());
  // Another handle to the same name (as a second process would get) sees it.
  HANDLE other = ::CreateMutexW(nullptr, TRUE, kInstanceMutexName);
  EXPECT_EQ(::GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  ::CloseHandle(other);
  releaseInstanceMutex();
  EXPECT_FALSE(holdsInstanceMutex());
  releaseInstanceMutex();   // second release does nothing
  EXPECT_FALSE(holdsInstanceMutex());
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

}  // namespace
}  // namespace kavri
