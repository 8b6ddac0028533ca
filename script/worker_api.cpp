// The worker state's own globals: notifyMessage and extractFile.
#include <windows.h>

#include <algorithm>

#include "lauxlib.h"
#include "lua.h"
#include "package/lzma_codec.h"
#include "package/package_archive.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"
#include "script/payload_prefetch.h"
#include "support/debug_log.h"
#include "support/file_replace.h"

namespace kavri {
namespace {

// notifyMessage(text) -> the UI script's answer (0 when nobody answered).
int luaNotifyMessage(lua_State* L) {
  // The text stays on this frozen stack while the worker waits.
  const char* text = lua_tolstring(L, 1, nullptr);
  const int answer = LuaWork::notify(text);
  lua_pushinteger(L, answer);
  return 1;
}

// extractFile(entry name, destination path) -> true when the file was written
// completely, else false and the Windows error number (0: the entry is
// missing or damaged). Upvalue 1: the worker's Payload.
int luaExtractFile(lua_State* L) {
  auto* payload = static_cast<LuaWork::Payload*>(lua_touserdata(L, lua_upvalueindex(1)));
  ::SetLastError(0);
  if (payload && payload->archive &&
      LuaWork::extract(*payload->archive, payload->decoder, payload->prefetcher, argText(L, 1), argText(L, 2))) {
    lua_pushboolean(L, 1);
    return 1;
  }
  const DWORD error = ::GetLastError();   // set by extract on every failure
  lua_pushboolean(L, 0);
  lua_pushnumber(L, lua_Number(error));
  return 2;
}

}  // namespace

namespace {

// Decoded pieces go straight into the file being written.
class FileOutput final : public package::ByteOutput {
 public:
  explicit FileOutput(FileReplacement& file) : file_(file) {}
  bool write(const uint8_t* data, size_t size) override { return file_.write(data, size); }

 private:
  FileReplacement& file_;
};

}  // namespace

bool LuaWork::extract(const PackageArchive& archive, std::wstring name, const std::wstring& destination) noexcept {
  try {
    package::LzmaStreamDecoder decoder;
    return extract(archive, decoder, nullptr, std::move(name), destination);
  } catch (const std::exception&) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
}

bool LuaWork::extract(const PackageArchive& archive, package::LzmaStreamDecoder& decoder,
                      PayloadPrefetcher* prefetcher, std::wstring name, const std::wstring& destination) noexcept {
  try {
    std::replace(name.begin(), name.end(), L'\\', L'/');
    PackageArchive::EntryInfo entry{};
    if (!archive.find(std::u16string_view(reinterpret_cast<const char16_t*>(name.c_str()), name.size()), entry)) {
      debugLog(L"extractFile: no entry " + name);
      ::SetLastError(0);   // not a Windows error
      return false;        // nothing on disk changes
    }
    DWORD error = 0;   // 0 for a damaged entry: not a Windows error
    {
      // A new file is written in place; one already there is replaced only
      // once the whole entry has decoded cleanly.
      FileReplacement file;
      if (file.open(destination, true, true)) {
        FileOutput output(file);
        const package::DecodeResult result =
            prefetcher ? prefetcher->extract(entry, decoder, output) : archive.extractTo(entry, decoder, output);
        if (result == package::DecodeResult::Intact) {
          if (file.commit()) return true;
          error = file.error();
        } else if (result == package::DecodeResult::WriteFailed) {
          error = file.error();
        } else if (result == package::DecodeResult::NoMemory) {
          error = ERROR_NOT_ENOUGH_MEMORY;
        } else {
          debugLog(L"extractFile: damaged entry " + name);   // a partial file never replaces the old one
        }
      } else {
        error = file.error();
      }
    }   // the abandoned file is removed here, before the error is set
    ::SetLastError(error);
    return false;
  } catch (const std::exception&) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
}

void LuaWork::registerWorkerApi(lua_State* L, Payload* payload) {
  lua_pushcfunction(L, luaNotifyMessage);
  lua_setglobal(L, "notifyMessage");
  lua_pushlightuserdata(L, payload);
  lua_pushcclosure(L, luaExtractFile, 1);
  lua_setglobal(L, "extractFile");
}

}  // namespace kavri
