// Path normalisation and the protected-folder decision for tree removals.
#include "removal_guard.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace kavri {
namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

std::wstring lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
  return text;
}

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The root part of a normalised path: "C:" or "\\server\share" (no trailing
// separator); empty when there is none.
std::wstring rootOf(const std::wstring& path, size_t& restStart) {
  if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':') {
    restStart = 2;
    return path.substr(0, 2);
  }
  if (startsWith(path, L"\\\\")) {
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return {};
    size_t share = path.find(L'\\', server + 1);
    if (share == std::wstring::npos) share = path.size();
    if (share == server + 1) return {};
    restStart = share;
    return path.substr(0, share);
  }
  return {};
}

}  // namespace

std::wstring normaliseAbsolutePath(const std::wstring& input) {
  std::wstring path = input;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (startsWith(path, L"\\\\?\\") || startsWith(path, L"\\\\.\\")) {
    std::wstring rest = path.substr(4);
    if (startsWith(lower(rest), L"unc\\"))
      path = L"\\\\" + rest.substr(4);
    else if (rest.size() >= 2 && isDriveLetter(rest[0]) && rest[1] == L':')
      path = rest;
    else
      return {};   // volume GUIDs, GLOBALROOT and other device paths
  }
  size_t restStart = 0;
  std::wstring root = rootOf(path, restStart);
  if (root.empty()) return {};
  if (root.size() == 2 && root[1] == L':') {
    root[0] = wchar_t(std::towupper(root[0]));
    if (restStart < path.size() && path[restStart] != L'\\') return {};   // "C:x" is relative
  }
  std::vector<std::wstring> parts;
  size_t pos = restStart;
  while (pos < path.size()) {
    size_t end = path.find(L'\\', pos);
    if (end == std::wstring::npos) end = path.size();
    std::wstring part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    // The system drops trailing dots and spaces of a component: "Windows." is "Windows".
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    if (part.empty()) continue;   // "", "." and "..." alike
    parts.push_back(part);
  }
  std::wstring out = root;
  if (parts.empty()) return out + L"\\";
  for (const std::wstring& part : parts) out += L"\\" + part;
  return out;
}

bool splitAbsolutePath(const std::wstring& normalPath, std::wstring& root, std::vector<std::wstring>& parts) {
  parts.clear();
  size_t restStart = 0;
  root = rootOf(normalPath, restStart);
  if (root.empty()) return false;
  root += L'\\';
  size_t pos = restStart;
  while (pos < normalPath.size()) {
    size_t end = normalPath.find(L'\\', pos);
    if (end == std::wstring::npos) end = normalPath.size();
    if (end > pos) parts.push_back(normalPath.substr(pos, end - pos));
    pos = end + 1;
  }
  return true;
}

bool isProtectedFromRemoval(const std::wstring& fullPath, const std::vector<std::wstring>& protectedFolders) {
  const std::wstring path = normaliseAbsolutePath(fullPath);
  if (path.empty()) return true;
  size_t restStart = 0;
  if (rootOf(path, restStart).empty()) return true;
  if (restStart >= path.size() || path.substr(restStart) == L"\\") return true;   // a volume root
  const std::wstring candidate = lower(path) + L"\\";
  for (const std::wstring& folder : protectedFolders) {
    const std::wstring normal = normaliseAbsolutePath(folder);
    if (normal.empty()) continue;
    std::wstring guarded = lower(normal);
    if (guarded.back() != L'\\') guarded += L'\\';
    // The folder itself or anything above it: the candidate is a prefix of it.
    if (guarded.compare(0, candidate.size(), candidate) == 0) return true;
  }
  return false;
}

}  // namespace kavri
