// System API for an installer that runs elevated: installFolderIsSafe,
// createInstallFolder, fileIsProtected, readProtectedFile, fileSha256, removeInsideFolder,
// removeInsideFolderAtRestart, createPrivateTempFolder, copyFileNoReplace.
//
// A refusal answers false (or nil), a sentence naming the entry at fault,
// and one word for the script to decide on; nothing raises.
#include <windows.h>

#include <string>

#include "script/lua_convert.h"
#include "script/system_api_modules.h"
#include "support/content_hash.h"
#include "support/guarded_removal.h"
#include "support/install_folder.h"
#include "support/private_temp.h"

namespace kavri {
namespace {

// false (or nil, for a function that answers with a value), the sentence and the reason.
int pushRefusal(lua_State* L, const std::wstring& message, const std::string& reason, bool asNil = false) {
  if (asNil)
    lua_pushnil(L);
  else
    lua_pushboolean(L, 0);
  pushWide(L, message);
  lua_pushlstring(L, reason.data(), reason.size());
  return 3;
}

int pushOutcome(lua_State* L, const EntryOutcome& outcome) {
  if (outcome.ok) {
    lua_pushboolean(L, 1);
    return 1;
  }
  return pushRefusal(L, outcome.message, outcome.reason);
}

// The optional mode: nothing or "machine" for a per-machine install, "user"
// for a per-user one.
bool argMode(lua_State* L, int index, InstallMode& mode) {
  const std::wstring text = lua_isnoneornil(L, index) ? std::wstring() : argText(L, index);
  if (text.empty() || text == L"machine") {
    mode = InstallMode::PerMachine;
    return true;
  }
  if (text == L"user") {
    mode = InstallMode::PerUser;
    return true;
  }
  return false;
}

// Path and mode of the folder and file checks; false after pushing the refusal.
bool argPathAndMode(lua_State* L, std::wstring& path, InstallMode& mode, int& results, bool asNil = false) {
  if (!argBoundedText(L, 1, path) || path.empty()) {
    results = pushRefusal(L, L"no path, or a path too long", "invalid", asNil);
    return false;
  }
  if (!argMode(L, 2, mode)) {
    results = pushRefusal(L, L"the mode must be \"machine\" or \"user\"", "invalid", asNil);
    return false;
  }
  return true;
}

int pushFolderOutcome(lua_State* L, const FolderOutcome& outcome, bool withCreated) {
  if (!outcome.ok) return pushRefusal(L, outcome.message, outcome.reason);
  lua_pushboolean(L, 1);
  if (!withCreated) return 1;
  lua_createtable(L, int(outcome.created.size()), 0);
  for (size_t i = 0; i < outcome.created.size(); ++i) {
    pushWide(L, outcome.created[i]);
    lua_rawseti(L, -2, int(i + 1));
  }
  return 2;
}

// installFolderIsSafe(path[, mode]) -> true, or false, message, reason.
int installFolderIsSafe(lua_State* L) {
  std::wstring path;
  InstallMode mode;
  int results = 0;
  if (!argPathAndMode(L, path, mode, results)) return results;
  return pushFolderOutcome(L, checkInstallFolder(path, mode), false);
}

// createInstallFolder(path[, mode]) -> true and the folders made (outermost
// first), or false, message, reason.
int createInstallFolder(lua_State* L) {
  std::wstring path;
  InstallMode mode;
  int results = 0;
  if (!argPathAndMode(L, path, mode, results)) return results;
  return pushFolderOutcome(L, kavri::createInstallFolder(path, mode), true);
}

// fileIsProtected(path[, mode]) -> true, or false, message, reason.
int fileIsProtected(lua_State* L) {
  std::wstring path;
  InstallMode mode;
  int results = 0;
  if (!argPathAndMode(L, path, mode, results)) return results;
  return pushOutcome(L, checkProtectedFile(path, mode));
}

// readProtectedFile(path[, mode]) -> the file's bytes, or nil, message,
// reason: read through the handle that fileIsProtected's checks were made on,
// so the bytes are those of the file judged.
int readProtectedFile(lua_State* L) {
  std::wstring path;
  InstallMode mode;
  int results = 0;
  if (!argPathAndMode(L, path, mode, results, true)) return results;
  std::string content;
  const EntryOutcome outcome = checkProtectedFile(path, mode, &content);
  if (!outcome.ok) return pushRefusal(L, outcome.message, outcome.reason, true);
  lua_pushlstring(L, content.data(), content.size());
  return 1;
}

// fileSha256(path) -> 64 lowercase hexadecimal digits, or nil and a message.
int fileSha256(lua_State* L) {
  std::wstring path;
  if (!argBoundedText(L, 1, path) || path.empty()) {
    lua_pushnil(L);
    lua_pushliteral(L, "fileSha256: no path, or a path too long");
    return 2;
  }
  std::string hex;
  unsigned long error = 0;
  if (!sha256OfFile(path, hex, error)) {
    lua_pushnil(L);
    const std::string message = "fileSha256: " + wideToUtf8(path) + " cannot be read (error " + std::to_string(error) + ")";
    lua_pushlstring(L, message.data(), message.size());
    return 2;
  }
  lua_pushlstring(L, hex.data(), hex.size());
  return 1;
}

bool isSha256Text(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

// removeInsideFolder(root, path[, sha256]) -> true, or false, message, reason.
int removeInsideFolder(lua_State* L) {
  std::wstring root, path;
  if (!argBoundedText(L, 1, root) || !argBoundedText(L, 2, path) || root.empty() || path.empty())
    return pushRefusal(L, L"no path, or a path too long", "invalid");
  std::string hash;
  if (!lua_isnoneornil(L, 3)) {
    size_t length = 0;
    const char* text = lua_type(L, 3) == LUA_TSTRING ? lua_tolstring(L, 3, &length) : nullptr;
    hash.assign(text ? text : "", text ? length : 0);
    if (!isSha256Text(hash)) return pushRefusal(L, L"the hash must be 64 hexadecimal digits", "invalid");
  }
  return pushOutcome(L, kavri::removeInsideFolder(root, path, hash));
}

// removeInsideFolderAtRestart(root, path) -> true, or false, message, reason.
int removeInsideFolderAtRestart(lua_State* L) {
  std::wstring root, path;
  if (!argBoundedText(L, 1, root) || !argBoundedText(L, 2, path) || root.empty() || path.empty())
    return pushRefusal(L, L"no path, or a path too long", "invalid");
  return pushOutcome(L, kavri::removeInsideFolderAtRestart(root, path));
}

// createPrivateTempFolder() -> the new folder's path, or nil and a message.
int createPrivateTempFolder(lua_State* L) {
  unsigned long error = 0;
  const std::wstring folder = kavri::createPrivateTempFolder(error);
  if (folder.empty()) {
    lua_pushnil(L);
    const std::string message = "createPrivateTempFolder: no private folder can be made (error " +
                                std::to_string(error) + ")";
    lua_pushlstring(L, message.data(), message.size());
    return 2;
  }
  pushWide(L, folder);
  return 1;
}

// copyFileNoReplace(from, to) -> true, or false and the Windows error (80
// when something is already at `to`).
int copyFileNoReplace(lua_State* L) {
  std::wstring from, to;
  unsigned long error = ERROR_INVALID_PARAMETER;
  if (argBoundedText(L, 1, from) && argBoundedText(L, 2, to) && !from.empty() && !to.empty() &&
      kavri::copyFileNoReplace(from, to, error)) {
    lua_pushboolean(L, 1);
    return 1;
  }
  lua_pushboolean(L, 0);
  lua_pushinteger(L, lua_Integer(error));
  return 2;
}

const luaL_Reg kElevatedFunctions[] = {
    {"installFolderIsSafe", guardedCall<installFolderIsSafe>},
    {"createInstallFolder", guardedCall<createInstallFolder>},
    {"fileIsProtected", guardedCall<fileIsProtected>},
    {"readProtectedFile", guardedCall<readProtectedFile>},
    {"fileSha256", guardedCall<fileSha256>},
    {"removeInsideFolder", guardedCall<removeInsideFolder>},
    {"removeInsideFolderAtRestart", guardedCall<removeInsideFolderAtRestart>},
    {"createPrivateTempFolder", guardedCall<createPrivateTempFolder>},
    {"copyFileNoReplace", guardedCall<copyFileNoReplace>},
    {nullptr, nullptr},
};

}  // namespace

void registerElevatedApi(lua_State* L) { registerGlobals(L, kElevatedFunctions); }

}  // namespace kavri
