// Pinning the program's own file and checking it whole.
#include "module_file.h"

#include <vector>

#include "heap_buffer.h"
#include "package_format.h"
#include "pe_checksum.h"
#include "support/debug_log.h"

namespace kavri {
namespace {

constexpr size_t kReadPiece = 1u << 20;
constexpr LONG kStatusSuccess = 0;

// The loaded module's path; empty when it cannot be had.
std::wstring modulePath(HMODULE module) {
  std::vector<wchar_t> path(MAX_PATH + 1);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), DWORD(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) return std::wstring(path.data(), length);
    if (path.size() >= 32768) return std::wstring();   // longer than any path can be
    path.resize(path.size() * 2);
  }
}

}  // namespace

bool mappedFromModuleFile(HMODULE module, const void* view) {
  // ntdll's own test whether two views come from one file (the first must be
  // an image). Looked up at run time: it is not a documented export, and a
  // system without it must still start the installer (which then reads its
  // loaded image).
  using SameFileFn = LONG(NTAPI*)(PVOID, PVOID);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto same = reinterpret_cast<SameFileFn>(
      reinterpret_cast<void*>(ntdll ? ::GetProcAddress(ntdll, "NtAreMappedFilesTheSame") : nullptr));
  return same && same(module, const_cast<void*>(view)) == kStatusSuccess;
}

ModuleFile::Pin ModuleFile::pin(HMODULE module) { return pin(module, modulePath(module)); }

ModuleFile::Pin ModuleFile::pin(HMODULE module, const std::wstring& path) {
  file_.reset();
  size_ = 0;
  // Sharing read only: while this handle is open, opening the file to write
  // or to delete fails, and renaming needs the latter. The open fails in
  // turn while someone else holds it so.
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    logWin32Failure("CreateFileW (the setup file, held against changes)", __FILE__, __LINE__);
    return Pin::Refused;
  }
  // The file opened may not be the one loaded: it may have been renamed and
  // another put at its path before the open. The system tells from a view
  // of the opened file and the loaded image whether they share one file.
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return Pin::OtherFile;
  UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  UniqueMapView view(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 1) : nullptr);
  if (!view || !mappedFromModuleFile(module, view.get())) {
    debugLog(L"the setup file at its path is not the file that was started: reading the loaded image");
    return Pin::OtherFile;
  }
  file_ = std::move(file);
  size_ = uint64_t(size.QuadPart);
  return Pin::Pinned;
}

ModuleFile::Checksum ModuleFile::verifyChecksum() const {
  return file_ ? verifyFileChecksum(file_.get(), size_) : Checksum::Unreadable;
}

ModuleFile::Checksum verifyFileChecksum(HANDLE file, uint64_t size) {
  if (size < 64) return ModuleFile::Checksum::Damaged;   // not even the header
  HeapBuffer buffer(static_cast<uint8_t*>(std::malloc(kReadPiece)));
  if (!buffer) return ModuleFile::Checksum::Unreadable;
  package::PeChecksum sum(0);
  uint32_t recorded = 0;
  for (uint64_t at = 0; at < size;) {
    OVERLAPPED where{};
    where.Offset = DWORD(at & 0xFFFFFFFFu);
    where.OffsetHigh = DWORD(at >> 32);
    const DWORD want = DWORD(size - at < kReadPiece ? size - at : kReadPiece);
    DWORD got = 0;
    if (!::ReadFile(file, buffer.get(), want, &got, &where) || got != want) {
      logWin32Failure("ReadFile (the setup file's checksum)", __FILE__, __LINE__);
      return ModuleFile::Checksum::Unreadable;
    }
    if (at == 0) {   // the header, with the field, lies in the first piece
      uint64_t field = 0;
      if (!package::peChecksumFieldOffset(buffer.get(), got, field)) return ModuleFile::Checksum::Damaged;
      recorded = package::readU32(buffer.get() + field);
      if (recorded == 0) return ModuleFile::Checksum::NotRecorded;
      sum = package::PeChecksum(field);
    }
    sum.add(buffer.get(), got);
    at += got;
  }
  return sum.matches(recorded) ? ModuleFile::Checksum::Intact : ModuleFile::Checksum::Damaged;
}

}  // namespace kavri
