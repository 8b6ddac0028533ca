// Folder trees: creation component by component, recursive removal.
#include "folders.h"

#include <windows.h>

#include <algorithm>

#include "support/win32_handles.h"

namespace kavri {
namespace {

std::wstring withBackslashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

void clearReadOnly(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

// Failures inside the tree are ignored: whatever can be deleted is deleted.
void removeContents(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (!find) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring child = folder + L"\\" + name;
    const DWORD attributes = entry.dwFileAttributes;
    clearReadOnly(child, attributes);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))   // a link: drop it, not its target
        removeContents(child);
      ::RemoveDirectoryW(child.c_str());
    } else {
      ::DeleteFileW(child.c_str());
    }
  } while (::FindNextFileW(find.get(), &entry));
}

// "", "\", "C:", "C:\" and the like: nothing a folder removal may start from.
bool isEmptyOrRoot(const std::wstring& path) {
  if (path.empty()) return true;
  if (path.size() == 2 && path[1] == L':') return true;   // "C:" (trailing '\' already cut)
  return path.find_first_not_of(L'\\') == std::wstring::npos;
}

}  // namespace

bool isFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createDirectoryTree(const std::wstring& path) {
  const std::wstring normal = withBackslashes(path);
  // Leading separators are kept, so "\a" stays on the current drive's root and
  // "\\server\share\a" stays a network path instead of turning relative.
  const size_t firstComponent = normal.find_first_not_of(L'\\');
  if (firstComponent == std::wstring::npos) return false;
  std::wstring prefix = normal.substr(0, firstComponent);
  size_t pos = firstComponent;
  while (pos < normal.size()) {
    size_t end = normal.find(L'\\', pos);
    if (end == std::wstring::npos) end = normal.size();
    if (end > pos) {
      prefix.append(normal, pos, end - pos);
      prefix += L'\\';
      ::CreateDirectoryW(prefix.c_str(), nullptr);   // existing folders and roots fail harmlessly
    }
    pos = end + 1;
  }
  return isFolder(prefix);
}

bool removeDirectoryTree(const std::wstring& path) {
  std::wstring folder = withBackslashes(path);
  while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  if (isEmptyOrRoot(folder)) return false;
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) removeContents(folder);
    clearReadOnly(folder, attributes);
    ::RemoveDirectoryW(folder.c_str());
  }
  return ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace kavri
