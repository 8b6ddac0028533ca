// Folder creation and recursive deletion.
#include "support/folders.h"

#include <windows.h>

#include <vector>

#include "support/win32_handles.h"

namespace kavri {
namespace {

std::wstring withBackslashes(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// The folder path without trailing separators; empty when nothing else is left.
std::wstring folderPath(const std::wstring& path) {
  std::wstring folder = withBackslashes(path);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Clears the read-only attribute, then deletes the entry (recursing into
// real folders). Every failure is ignored.
void removeEntry(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    ::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileW(path.c_str());
  } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    ::RemoveDirectoryW(path.c_str());   // a link: remove it, not what it points to
  } else {
    removeDirectoryContents(path, nullptr);
    ::RemoveDirectoryW(path.c_str());
  }
}

struct FolderEntry {
  std::wstring name;
  DWORD attributes;
};

// The entries of the folder other than "." and ".." and those `keep` accepts.
std::vector<FolderEntry> listEntries(const std::wstring& folder,
                                     const std::function<bool(const std::wstring& name)>& keep) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW data;
  const UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return entries;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (keep && keep(name)) continue;
    entries.push_back({name, data.dwFileAttributes});
  } while (::FindNextFileW(find.get(), &data));
  return entries;
}

}  // namespace

bool createDirectory(const std::wstring& path) {
  const std::wstring normalised = withBackslashes(path);
  // A UNC ("\\server\share") or root-relative ("\dir") path keeps its leading
  // separators, so its components are not created below the current folder.
  size_t start = 0;
  while (start < normalised.size() && normalised[start] == L'\\' && start < 2) ++start;
  std::wstring prefix = normalised.substr(0, start);
  size_t pos = start;
  while (pos < normalised.size()) {
    const size_t end = normalised.find(L'\\', pos);
    const size_t stop = end == std::wstring::npos ? normalised.size() : end;
    if (stop > pos) {
      prefix.append(normalised, pos, stop - pos);
      prefix += L'\\';
      ::CreateDirectoryW(prefix.c_str(), nullptr);   // failure ignored: it may exist already
    }
    pos = stop + 1;
  }
  const DWORD attributes = ::GetFileAttributesW(normalised.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void removeDirectory(const std::wstring& path) {
  const std::wstring folder = folderPath(path);
  if (folder.empty()) return;   // never the root of the current drive
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::RemoveDirectoryW(folder.c_str());   // the path itself is a link
    return;
  }
  removeDirectoryContents(folder, nullptr);
  ::RemoveDirectoryW(folder.c_str());
}

void removeDirectoryContents(const std::wstring& path,
                             const std::function<bool(const std::wstring& name)>& keep) {
  const std::wstring folder = folderPath(path);
  if (folder.empty()) return;
  // Collect first and delete once the search is closed: deleting while
  // enumerating is not reliable on every file system.
  for (const FolderEntry& entry : listEntries(folder, keep)) {
    removeEntry(folder + L"\\" + entry.name, entry.attributes);
  }
}

}  // namespace kavri
