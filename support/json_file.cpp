// Whole-file load and save of JSON values (Win32 wide-path file calls).
#include <windows.h>

#include <algorithm>
#include <new>

#include "support/debug_log.h"
#include "support/json.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// Larger files are refused as unreadable rather than exhausting the address
// space of the 32-bit process.
constexpr LONGLONG kMaxFileBytes = 256LL * 1024 * 1024;
constexpr DWORD kChunkBytes = 1 << 20;

bool writeAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, kChunkBytes));
    DWORD written = 0;
    KAVRI_RETURN_IF_WIN32_FALSE(::WriteFile(file, bytes.data() + done, chunk, &written, nullptr), false);
    if (written != chunk) return false;
    done += written;
  }
  return true;
}

}  // namespace

JObject JObject::parseFile(const std::wstring& path) {
  std::string text;
  {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw JParseException(0);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxFileBytes) {
      throw JParseException(0);
    }
    try {
      text.resize(size_t(size.QuadPart));   // the string adds the terminating zero byte
    } catch (const std::bad_alloc&) {
      throw JParseException(0);
    }
    size_t done = 0;
    while (done < text.size()) {
      const DWORD chunk = DWORD(std::min<size_t>(text.size() - done, kChunkBytes));
      DWORD got = 0;
      if (!::ReadFile(file.get(), &text[done], chunk, &got, nullptr) || got == 0) throw JParseException(0);
      done += got;
    }
  }
  return parse(text.c_str());
}

bool JObject::saveArrayToFile(const std::wstring& path) const {
  if (elements().empty()) return true;   // nothing to write; an existing file stays as it is
  const std::string text = toText();

  // Written in full beside the target first, then renamed over it: the
  // target holds either its old content or the complete new text.
  const std::wstring temporary = path + L".tmp";
  bool written = false;
  {
    const UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      logWin32Failure("CreateFileW (JSON save)", __FILE__, __LINE__);
      return false;
    }
    written = writeAll(file.get(), text) && ::FlushFileBuffers(file.get());
  }
  if (!written) {
    debugLog(L"JSON save: writing \"" + temporary + L"\" failed");
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    logWin32Failure("MoveFileExW (JSON save)", __FILE__, __LINE__);
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace kavri
