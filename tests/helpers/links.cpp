// Junctions through FSCTL_SET_REPARSE_POINT; Unix symbolic links through the
// host's own "ln" and "rm", which Wine starts like any program.
#include "tests/helpers/links.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace kavri::test {
namespace {

// The layout of a mount point's reparse data (REPARSE_DATA_BUFFER in the DDK).
struct MountPointHeader {
  DWORD tag;
  WORD dataLength;
  WORD reserved;
  WORD substituteOffset, substituteLength, printOffset, printLength;
};

bool makeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  const std::wstring substitute = L"\\??\\" + target;
  const size_t nameBytes = (substitute.size() + 1) * sizeof(wchar_t) + sizeof(wchar_t);   // and an empty print name
  std::vector<uint8_t> buffer(sizeof(MountPointHeader) + nameBytes);
  auto* header = reinterpret_cast<MountPointHeader*>(buffer.data());
  header->tag = IO_REPARSE_TAG_MOUNT_POINT;
  header->dataLength = WORD(8 + nameBytes);
  header->substituteLength = WORD(substitute.size() * sizeof(wchar_t));
  header->printOffset = WORD(header->substituteLength + sizeof(wchar_t));
  std::copy(substitute.begin(), substitute.end(), reinterpret_cast<wchar_t*>(buffer.data() + sizeof(MountPointHeader)));
  bool made = false;
  {
    UniqueFile folder(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    DWORD returned = 0;
    made = folder && ::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()),
                                       nullptr, 0, &returned, nullptr);
  }
  if (!made) ::RemoveDirectoryW(link.c_str());
  return made;
}

// The Unix name of a Windows path under Wine; empty elsewhere.
std::wstring unixName(const std::wstring& path) {
  using UnixFileName = char*(CDECL*)(LPCWSTR);
  const auto convert = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  char* name = convert(path.c_str());
  if (!name) return {};
  std::wstring out;
  for (const char* c = name; *c; ++c) out += wchar_t(static_cast<unsigned char>(*c));
  ::HeapFree(::GetProcessHeap(), 0, name);
  return out;
}

bool listed(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  return UniqueFind(::FindFirstFileW(path.c_str(), &data)).get() != INVALID_HANDLE_VALUE;
}

// Runs a Unix program and waits until `path` is listed (or not, per
// `wanted`): Wine does not wait for a Unix program's end.
bool runUnix(const wchar_t* program, std::wstring commandLine, const std::wstring& path, bool wanted) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  for (int poll = 0; poll < 100 && listed(path) != wanted; ++poll) ::Sleep(50);
  return listed(path) == wanted;
}

}  // namespace

TestLink::TestLink(std::wstring link, const std::wstring& target, Kind kind) : link_(std::move(link)) {
  if (kind == Folder && makeJunction(link_, target)) {
    made_ = junction_ = true;
    return;
  }
  const std::wstring from = unixName(target), to = unixName(link_);
  if (from.empty() || to.empty()) return;
  // -n: an earlier run's link to a folder is replaced, not followed into.
  made_ = runUnix(L"Z:\\bin\\ln", L"ln -sfn \"" + from + L"\" \"" + to + L"\"", link_, true);
}

TestLink::~TestLink() {
  if (!made_) return;
  if (junction_) {
    ::RemoveDirectoryW(link_.c_str());
    return;
  }
  runUnix(L"Z:\\bin\\rm", L"rm -f \"" + unixName(link_) + L"\"", link_, false);
}

}  // namespace kavri::test
