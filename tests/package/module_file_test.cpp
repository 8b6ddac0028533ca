// ModuleFile: the program's own file is held only once it is proved to be
// the one loaded, and then nobody can change, rename or delete it; a helper
// program whose file the test renames and replaces while it runs still reads
// the payload it was started with. And the whole-file check against the
// checksum in the header, beside the system's own computation of that sum.
#include "package/module_file.h"

#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "package/crc32.h"
#include "package/package_format.h"
#include "package/pe_checksum.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"

namespace kavri::test {
namespace {

using Pin = ModuleFile::Pin;
using Checksum = ModuleFile::Checksum;

std::wstring ownPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

UniqueFile openShared(const std::wstring& path, DWORD access) {
  return UniqueFile(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The decision: the loaded file is held; another file is not, even with the
// same bytes; a file someone holds to write, rename or delete is refused.
TEST(ModuleFile, HoldsOnlyTheFileThatWasLoaded) {
  ScratchFolder dir(L"kavri_module_file");
  const std::wstring self = ownPath();
  const std::wstring copy = dir / L"copy.exe";
  ASSERT_TRUE(::CopyFileW(self.c_str(), copy.c_str(), FALSE));
  struct Case {
    const char* what;
    std::wstring path;
    DWORD heldFor;   // access of a handle someone else holds first (0: none)
    Pin expected;
  };
  const Case cases[] = {
      {"the loaded file", self, 0, Pin::Pinned},
      {"a copy with the same bytes", copy, 0, Pin::OtherFile},
      {"the loaded file, held by someone to rename or delete it", self, DELETE, Pin::Refused},
      {"a copy held open to write", copy, GENERIC_WRITE, Pin::Refused},
      {"nothing at the path", dir / L"missing.exe", 0, Pin::Refused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UniqueFile other;
    if (c.heldFor) {
      other = openShared(c.path, c.heldFor);
      ASSERT_TRUE(other);
    }
    ModuleFile file;
    EXPECT_EQ(file.pin(::GetModuleHandleW(nullptr), c.path), c.expected);
    EXPECT_EQ(file.pinned(), c.expected == Pin::Pinned);
  }
}

TEST(ModuleFile, AHeldFileCannotBeWrittenRenamedOrDeleted) {
  const std::wstring self = ownPath();
  ModuleFile file;
  ASSERT_EQ(file.pin(::GetModuleHandleW(nullptr)), Pin::Pinned);
  EXPECT_EQ(file.size(), readFileBytes(self).size());
  for (const DWORD access : {DWORD(GENERIC_WRITE), DWORD(DELETE)}) {
    UniqueFile other = openShared(self, access);
    EXPECT_FALSE(other) << "access " << std::hex << access;
    EXPECT_EQ(::GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
  }
  const std::wstring moved = self + L".moved";
  const BOOL renamed = ::MoveFileW(self.c_str(), moved.c_str());
  if (renamed) ::MoveFileW(moved.c_str(), self.c_str());   // put the test program back
  EXPECT_FALSE(renamed);
  // Reading goes on: the file is held for reading, not locked.
  EXPECT_TRUE(openShared(self, GENERIC_READ));
}

// A process of the helper program with its input and output on pipes.
class ProbeProcess {
 public:
  bool start(const std::wstring& exe) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!::CreatePipe(&childIn, toChild_.put(), &inherit, 0)) return false;
    UniqueHandle childInOwner(childIn);
    if (!::CreatePipe(fromChild_.put(), &childOut, &inherit, 0)) return false;
    UniqueHandle childOutOwner(childOut);
    ::SetHandleInformation(toChild_.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(fromChild_.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine = L"\"" + exe + L"\"";
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
      return false;
    ::CloseHandle(pi.hThread);
    child.process = pi.hProcess;
    child.pid = pi.dwProcessId;
    return true;
  }
  // The next line it wrote, without its line end; empty at its end.
  std::string readLine() {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (::ReadFile(fromChild_.get(), &c, 1, &got, nullptr) && got == 1 && c != '\n')
      if (c != '\r') line += c;
    return line;
  }
  void go() {
    DWORD written = 0;
    ::WriteFile(toChild_.get(), "\n", 1, &written, nullptr);
  }
  ChildProcess child;

 private:
  UniqueHandle toChild_, fromChild_;
};

std::string crcLine(const std::string& bytes) {
  char line[32];
  std::snprintf(line, sizeof line, "crc %08x",
                unsigned(package::crc32Update(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())));
  return line;
}

// The helper stands in for the setup: someone who may write its folder
// renames it while it runs and puts a doctored copy (the same program, its
// payload changed) at its path. Whenever that happens, the payload read is
// the one the process was started with: after the file is held, renaming it
// fails; before, the copy is found not to be the loaded file and the loaded
// image is read; held by someone else, it is not held and the loaded image is
// read, whatever happens to the file after.
TEST(ModuleFile, ThePayloadReadIsTheOneStartedWhateverHappensToTheFile) {
  ScratchFolder dir(L"kavri_pin_probe");
  const std::wstring exe = dir / L"Setup.exe";
  const std::wstring moved = dir / L"Setup.old";
  const std::string payload = readFileBytes(windowsPath(KAVRI_PIN_PROBE_PAYLOAD));
  const std::string program = readFileBytes(windowsPath(KAVRI_PIN_PROBE));
  ASSERT_GT(payload.size(), 256u << 10);
  const size_t at = program.find(payload);
  ASSERT_NE(at, std::string::npos);
  std::string doctored = program;
  doctored[at + payload.size() / 2] ^= 0x20;
  const std::string original = crcLine(payload);
  ASSERT_NE(crcLine(doctored.substr(at, payload.size())), original);

  auto renameAndReplace = [&] {
    ASSERT_TRUE(::MoveFileW(exe.c_str(), moved.c_str()));
    ASSERT_TRUE(writeFileBytes(exe, doctored));
  };
  UniqueFile deleter;
  struct Case {
    const char* what;
    std::function<void()> beforeHold;
    const char* pin;
    const char* source;
    std::function<void()> afterHold;
  };
  const Case cases[] = {
      {"the file is renamed once it is held", nullptr, "pin pinned", "source file-views",
       [&] {
         EXPECT_FALSE(::MoveFileW(exe.c_str(), moved.c_str()));
         EXPECT_FALSE(openShared(exe, GENERIC_WRITE));
       }},
      {"renamed and replaced before it is held", renameAndReplace, "pin other-file", "source loaded-image", nullptr},
      {"held by someone to rename it, renamed and replaced after",
       [&] {
         deleter = openShared(exe, DELETE);
         ASSERT_TRUE(deleter);
       },
       "pin refused", "source loaded-image",
       [&] {
         deleter.reset();
         renameAndReplace();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::DeleteFileW(exe.c_str());
    ::DeleteFileW(moved.c_str());
    ASSERT_TRUE(writeFileBytes(exe, program));
    ProbeProcess probe;
    ASSERT_TRUE(probe.start(exe));
    ASSERT_EQ(probe.readLine(), "ready");
    if (c.beforeHold) c.beforeHold();
    probe.go();
    EXPECT_EQ(probe.readLine(), c.pin);
    EXPECT_EQ(probe.readLine(), c.source);
    EXPECT_EQ(probe.readLine(), original);
    if (c.afterHold) c.afterHold();
    probe.go();
    EXPECT_EQ(probe.readLine(), original) << "read again after the file was touched";
    EXPECT_EQ(probe.child.wait(20000), 0);
  }
}

// The sum of a file as the system computes it (imagehlp), written into its
// header: what a signing tool does after appending a signature.
std::string stampedBySystem(const ScratchFolder& dir, std::string bytes) {
  const std::wstring path = dir / L"stamp.exe";
  writeFileBytes(path, bytes);
  DWORD header = 0, sum = 0;
  EXPECT_EQ(::MapFileAndCheckSumW(path.c_str(), &header, &sum), DWORD(CHECKSUM_SUCCESS));
  uint64_t field = 0;
  EXPECT_TRUE(package::peChecksumFieldOffset(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), field));
  package::writeU32(reinterpret_cast<uint8_t*>(&bytes[size_t(field)]), sum);
  return bytes;
}

// Damaged downloads of a setup as the build wrote it, and files whose sum
// the system wrote (an odd length, a signature appended): only a file that
// sums to its header's checksum is intact.
TEST(ModuleFile, WholeFileChecksum) {
  ScratchFolder dir(L"kavri_setup_checksum");
  const std::string built = readFileBytes(windowsPath(KAVRI_FIXTURE_SETUP));
  ASSERT_GT(built.size(), 4096u);
  uint64_t field = 0;
  ASSERT_TRUE(package::peChecksumFieldOffset(reinterpret_cast<const uint8_t*>(built.data()), built.size(), field));
  const std::string signature(3000, '\x5A');
  const std::string signedFile = stampedBySystem(dir, built + signature);
  auto flipped = [](std::string bytes, size_t at) {
    bytes[at] ^= 0x01;
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
    Checksum expected;
  };
  const Case cases[] = {
      {"as the build wrote it", built, Checksum::Intact},
      {"a bit flipped in the middle", flipped(built, built.size() / 2), Checksum::Damaged},
      {"a bit flipped in the last byte", flipped(built, built.size() - 1), Checksum::Damaged},
      {"a bit of the recorded checksum flipped", flipped(built, size_t(field) + 1), Checksum::Damaged},
      {"the last byte cut off", built.substr(0, built.size() - 1), Checksum::Damaged},
      {"cut to half", built.substr(0, built.size() / 2), Checksum::Damaged},
      {"a byte too many", built + '\0', Checksum::Damaged},
      {"an odd length summed by the system", stampedBySystem(dir, built + '\x7F'), Checksum::Intact},
      {"a signature appended and summed by the system", signedFile, Checksum::Intact},
      {"that signature cut short", signedFile.substr(0, signedFile.size() - 100), Checksum::Damaged},
      {"no checksum recorded", std::string(built).replace(size_t(field), 4, 4, '\0'), Checksum::NotRecorded},
      {"not an executable", std::string(5000, 'x'), Checksum::Damaged},
      {"empty", "", Checksum::Damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring path = dir / L"case.exe";
    ASSERT_TRUE(writeFileBytes(path, c.bytes));
    UniqueFile file = openShared(path, GENERIC_READ);
    ASSERT_TRUE(file);
    EXPECT_EQ(verifyFileChecksum(file.get(), c.bytes.size()), c.expected);
  }
  // The build's sum is the system's.
  DWORD header = 0, sum = 0;
  ASSERT_EQ(::MapFileAndCheckSumW(windowsPath(KAVRI_FIXTURE_SETUP).c_str(), &header, &sum), DWORD(CHECKSUM_SUCCESS));
  EXPECT_NE(header, 0u);
  EXPECT_EQ(header, sum);
}

}  // namespace
}  // namespace kavri::test
