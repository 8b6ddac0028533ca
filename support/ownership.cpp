// Owners of files and folders and the trust placed in them.
#include "ownership.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <mutex>

#include "support/system_seam.h"

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
  wchar_t name[64];
  _snwprintf(name, 63, L"\\kavri_owner_%lu_%lu.tmp", static_cast<unsigned long>(::GetCurrentProcessId()),
             static_cast<unsigned long>(::GetTickCount()));
  name[63] = 0;
  UniqueFile probe(::CreateFileW((folder + name).c_str(), GENERIC_WRITE | READ_CONTROL, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!probe) return {};
  UniqueHlocal descriptor;
  return sidBytes(ownerOfHandle(probe.get(), descriptor));
}

bool isTrustedOwner(PSID owner, PSID ownOwner) {
  std::vector<SidBytes> own;
  if (ownOwner) own.push_back(sidBytes(ownOwner));
  return isTrustedPrincipal(owner, own, true);
}

namespace {

// The owner this process's new files get, probed once in the temporary folder:
// it is the token's default owner, which stays the same while the process
// runs. A probe that gives nothing is tried again on the next call.
SidBytes ownerOfOwnNewFilesOnce() {
  static std::mutex mutex;
  static SidBytes owner;
  std::lock_guard<std::mutex> lock(mutex);
  if (owner.empty()) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder(temp, length <= MAX_PATH ? length : 0);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (!folder.empty()) owner = ownerOfOwnNewFiles(folder);
  }
  return owner;
}

}  // namespace

std::vector<SidBytes> extraTrustedPrincipals(InstallMode mode) {
  return extraTrustedPrincipals(mode, systemSeam().processElevated() != FALSE);
}

std::vector<SidBytes> extraTrustedPrincipals(InstallMode mode, bool elevated) {
  std::vector<SidBytes> trusted;
  if (elevated) {
    SidBytes own = ownerOfOwnNewFilesOnce();
    if (!own.empty()) trusted.push_back(std::move(own));
  } else if (mode == InstallMode::PerUser) {
    SidBytes user = processUserSid();
    if (!user.empty()) trusted.push_back(std::move(user));
  }
  return trusted;
}

SidBytes tokenUserSid(HANDLE process) {
  UniqueHandle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size < sizeof(TOKEN_USER)) return {};
  std::vector<uint8_t> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  return sidBytes(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

SidBytes processUserSid() { return tokenUserSid(::GetCurrentProcess()); }

UniqueHlocal protectedFolderDescriptor(bool withProcessUser, const wchar_t* otherAces) {
  std::wstring sddl = std::wstring(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") + otherAces;
  if (withProcessUser) {
    SidBytes user = processUserSid();
    wchar_t* text = nullptr;
    if (user.empty() || !::ConvertSidToStringSidW(user.data(), &text)) return UniqueHlocal();
    UniqueHlocal release(text);
    sddl += std::wstring(L"(A;OICI;FA;;;") + text + L")";
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return UniqueHlocal();
  return UniqueHlocal(descriptor);
}

std::wstring accountName(const SidBytes& sid) {
  if (sid.empty()) return L"";
  const PSID raw = const_cast<uint8_t*>(sid.data());
  wchar_t name[256] = {}, domain[256] = {};
  DWORD nameLength = 256, domainLength = 256;
  SID_NAME_USE use;
  if (::LookupAccountSidW(nullptr, raw, name, &nameLength, domain, &domainLength, &use) && name[0])
    return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(raw, &text)) return L"an unknown account";
  UniqueHlocal release(text);
  return text;
}

}  // namespace kavri
