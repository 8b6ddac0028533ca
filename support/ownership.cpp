// Owners of files and folders and the trust placed in them.
#include "ownership.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>

namespace kavri {

PSID ownerOfHandle(HANDLE file, UniqueHlocal& descriptor) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &raw) !=
      ERROR_SUCCESS)
    return nullptr;
  descriptor.reset(raw);
  return owner;
}

std::vector<uint8_t> ownerOfOwnNewFiles(const std::wstring& folder) {
  std::vector<uint8_t> owner;
  wchar_t name[64];
  _snwprintf(name, 63, L"\\kavri_owner_%lu_%lu.tmp", static_cast<unsigned long>(::GetCurrentProcessId()),
             static_cast<unsigned long>(::GetTickCount()));
  name[63] = 0;
  UniqueFile probe(::CreateFileW((folder + name).c_str(), GENERIC_WRITE | READ_CONTROL, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!probe) return owner;
  UniqueHlocal descriptor;
  const PSID sid = ownerOfHandle(probe.get(), descriptor);
  if (sid && ::IsValidSid(sid)) {
    const auto* bytes = static_cast<const uint8_t*>(sid);
    owner.assign(bytes, bytes + ::GetLengthSid(sid));
  }
  return owner;
}

bool isTrustedOwner(PSID owner, PSID ownOwner) {
  if (!owner || !::IsValidSid(owner)) return false;
  if (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(owner, WinLocalSystemSid))
    return true;
  // NT SERVICE\TrustedInstaller owns the system's own folders.
  PSID installer = nullptr;
  if (::ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &installer)) {
    UniqueHlocal release(installer);
    if (::EqualSid(owner, installer)) return true;
  }
  return ownOwner && ::IsValidSid(ownOwner) && ::EqualSid(owner, ownOwner);
}

bool isInstallFolderSafe(const std::wstring& path) {
  if (path.empty()) return false;
  // The entry's own attributes first: some file systems show a link only there.
  const DWORD entry = ::GetFileAttributesW(path.c_str());
  if (entry == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;   // to be created by the installer
  }
  if (!(entry & FILE_ATTRIBUTE_DIRECTORY) || (entry & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  UniqueFile folder(::CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder.get(), &info)) return false;
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  UniqueHlocal descriptor;
  const PSID owner = ownerOfHandle(folder.get(), descriptor);
  std::wstring parent = path;
  while (!parent.empty() && (parent.back() == L'\\' || parent.back() == L'/')) parent.pop_back();
  std::vector<uint8_t> own = ownerOfOwnNewFiles(parent);
  return isTrustedOwner(owner, own.empty() ? nullptr : own.data());
}

}  // namespace kavri
