// The installer process with a background work still running when its UI
// script ends: shutdown waits for the worker, which extracts the packaged
// payload, and a notification nobody can answer any more gets 0.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"

namespace kavri {
namespace {

using namespace test;

TEST(WorkInstaller, ShutdownWaitsForTheWorkAndTheFilesArrive) {
  const uint8_t time[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  setShutdownTime(time);
  writeMarker(nullptr);
  const std::wstring out = windowsPath(std::string(KAVRI_TEST_TEMP) + "/work_out/");
  for (const wchar_t* name : {L"file.txt", L"data.bin", L"answer.txt"}) ::DeleteFileW((out + name).c_str());
  ::CreateDirectoryW(out.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"KAVRI_TEST_OUT", out.c_str());

  ChildProcess child;
  ASSERT_TRUE(launch(windowsPath(KAVRI_FIXTURE_SETUP), L"", child));
  EXPECT_EQ(child.wait(60000), 0);
  ::SetEnvironmentVariableW(L"KAVRI_TEST_OUT", nullptr);

  // Everything was written before the process ended.
  const std::wstring payload = windowsPath(std::string(KAVRI_FIXTURE_CONTENT) + "/program/");
  EXPECT_EQ(readFileBytes(out + L"file.txt"), readFileBytes(payload + L"file.txt"));
  const std::string data = readFileBytes(out + L"data.bin");
  const std::string expected = readFileBytes(payload + L"sub\\data.bin");
  EXPECT_TRUE(data == expected) << "data.bin: " << data.size() << " of " << expected.size() << " bytes";
  EXPECT_EQ(readFileBytes(out + L"answer.txt"), "0");
}

}  // namespace
}  // namespace kavri
