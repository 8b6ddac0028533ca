// Whole-file load and save of JSON values (Win32 wide-path file calls).
#include <windows.h>

#include <algorithm>
#include <new>

#include "support/debug_log.h"
#include "support/file_replace.h"
#include "support/json.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// Larger files are refused as unreadable rather than exhausting the address
// space of the 32-bit process.
constexpr LONGLONG kMaxFileBytes = 256LL * 1024 * 1024;
constexpr DWORD kChunkBytes = 1 << 20;

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
  // Written in full to a new temporary file beside the target, then renamed
  // over it through that file's handle: the target holds either its old
  // content or the complete new text, and no link at a fixed temporary name
  // can redirect the write.
  if (!writeFileThroughTemporary(path, text.data(), text.size(), true)) {
    debugLog(L"JSON save: writing \"" + path + L"\" failed");
    return false;
  }
  return true;
}

}  // namespace kavri
