// Folder trees: creation component by component, recursive removal through
// handles that never follow links.
#include "folders.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "support/handle_deletion.h"
#include "support/removal_guard.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

std::wstring withBackslashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// Opens a folder entry itself, never what a link points to. Folders are held
// without delete sharing, so nobody can rename them or swap a link in while the
// walk goes on below them.
UniqueFile openEntry(const std::wstring& path) {
  return UniqueFile(::CreateFileW(path.c_str(),
                                  DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Deletes the entry behind `handle` (read-only cleared first) through the
// handle; by its path only where the file system refuses that.
void deleteThroughHandle(HANDLE handle, const std::wstring& path, DWORD attributes, bool folder) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
  }
  if (markForDeletion(handle)) return;
  if (folder)
    ::RemoveDirectoryW(path.c_str());
  else
    ::DeleteFileW(path.c_str());
}

// Failures inside the tree are ignored: whatever can be deleted is deleted.
// `folder` is held open through `handle` (no delete sharing), and is listed
// through that handle, so neither it nor any folder above it can be renamed
// or swapped for a link while its entries are opened below it.
void removeContents(HANDLE handle, const std::wstring& folder, int depth) {
  if (depth > 256) return;   // deeper than any real tree: stop rather than overflow
  struct Listed {
    std::wstring name;
    DWORD attributes;
  };
  std::vector<Listed> names;
  std::vector<uint8_t> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS query = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(handle, query, buffer.data(), DWORD(buffer.size()))) {
    query = FileIdBothDirectoryInfo;
    size_t offset = 0;
    for (;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + offset);
      std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back({std::move(name), entry->FileAttributes});
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
  }
  for (const Listed& listed : names) {
    const std::wstring child = folder + L"\\" + listed.name;
    UniqueFile childHandle = openEntry(child);
    if (!childHandle) continue;
    // What the opened handle shows decides; an entry that either the handle
    // or the listing shows as a link is treated as one (some file systems
    // show it in one place only).
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(childHandle.get(), &info)) continue;
    const DWORD attributes = info.dwFileAttributes | (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))   // a link: drop it, not its target
      removeContents(childHandle.get(), child, depth + 1);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      // The handle may have reached the link's target: the link goes by its
      // own name instead, which removes the link only.
      childHandle.reset();
      if (isFolder || (listed.attributes & FILE_ATTRIBUTE_DIRECTORY))
        ::RemoveDirectoryW(child.c_str());
      else
        ::DeleteFileW(child.c_str());
      continue;
    }
    deleteThroughHandle(childHandle.get(), child, attributes, isFolder);
  }
}

std::wstring fullPathOf(const std::wstring& path) {
  std::wstring full = fullPathName(path);
  if (full.empty()) return {};
  // Short names ("PROGRA~1") become long ones, so they compare as the same folder.
  const DWORD longNeeded = ::GetLongPathNameW(full.c_str(), nullptr, 0);
  if (longNeeded > 0) {
    std::wstring longPath(longNeeded, L'\0');
    const DWORD longLength = ::GetLongPathNameW(full.c_str(), &longPath[0], longNeeded);
    if (longLength > 0 && longLength < longNeeded) {
      longPath.resize(longLength);
      full = longPath;
    }
  }
  return normaliseAbsolutePath(full);
}

// Where `handle` really is, links resolved; empty when the system cannot say.
std::wstring finalPathOf(HANDLE handle) {
  wchar_t buffer[1024];
  const DWORD length = ::GetFinalPathNameByHandleW(handle, buffer, 1024, 0);
  if (length == 0 || length >= 1024) return {};
  return normaliseAbsolutePath(std::wstring(buffer, length));
}

void addFolder(std::vector<std::wstring>& out, int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0])
    out.push_back(path);
}

void addEnvironmentFolder(std::vector<std::wstring>& out, const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) out.push_back(path);
}

}  // namespace

std::vector<std::wstring> foldersProtectedFromRemoval() {
  std::vector<std::wstring> folders;
  wchar_t path[MAX_PATH] = {};
  UINT length = ::GetWindowsDirectoryW(path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) folders.push_back(path);
  length = ::GetSystemWindowsDirectoryW(path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) folders.push_back(path);
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                    CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_COMMON_APPDATA, CSIDL_COMMON_DOCUMENTS,
                    CSIDL_SYSTEM, CSIDL_SYSTEMX86})
    addFolder(folders, csidl);
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"SystemRoot",
                              L"USERPROFILE", L"PUBLIC", L"ALLUSERSPROFILE"})
    addEnvironmentFolder(folders, name);
  // Every user's profile: the folder holding the profiles is protected as the
  // parent of the current user's one, and each profile below it too.
  std::wstring profile;
  wchar_t profilePath[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profilePath))) {
    profile = normaliseAbsolutePath(profilePath);
    const size_t slash = profile.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2) {
      const std::wstring profiles = profile.substr(0, slash);
      WIN32_FIND_DATAW entry;
      UniqueFind find(::FindFirstFileW((profiles + L"\\*").c_str(), &entry));
      if (find) {
        do {
          const std::wstring name = entry.cFileName;
          if (name != L"." && name != L".." && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            folders.push_back(profiles + L"\\" + name);
        } while (::FindNextFileW(find.get(), &entry));
      }
    }
  }
  return folders;
}

bool removeEntryNoFollow(const std::wstring& path) {
  const DWORD entryAttributes = ::GetFileAttributesW(path.c_str());
  if (entryAttributes != INVALID_FILE_ATTRIBUTES && (entryAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (entryAttributes & FILE_ATTRIBUTE_DIRECTORY)   // the link by its own name, never its target
      ::RemoveDirectoryW(path.c_str());
    else
      ::DeleteFileW(path.c_str());
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  UniqueFile handle = openEntry(path);
  if (!handle) return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info)) return false;
  const DWORD attributes = info.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    handle.reset();
    return removeDirectoryTree(path);
  }
  deleteThroughHandle(handle.get(), path, attributes, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  handle.reset();
  return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring fullPathName(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return full;
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
  return removeDirectoryTree(path, foldersProtectedFromRemoval());
}

bool removeDirectoryTree(const std::wstring& path, const std::vector<std::wstring>& protectedFolders) {
  if (path.empty()) return false;
  const std::wstring folder = fullPathOf(withBackslashes(path));
  if (isProtectedFromRemoval(folder, protectedFolders)) return false;
  // A link named by the path goes by its own name, whatever it leads to (some
  // file systems show a link only in the entry's own attributes).
  const DWORD entryAttributes = ::GetFileAttributesW(folder.c_str());
  if (entryAttributes != INVALID_FILE_ATTRIBUTES && (entryAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (!(entryAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    ::RemoveDirectoryW(folder.c_str());
    return ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  UniqueFile handle = openEntry(folder);
  if (!handle) return ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info)) return false;
  const DWORD attributes = info.dwFileAttributes;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // A link higher up the path may still lead somewhere protected: check
    // where the opened folder really is.
    const std::wstring real = finalPathOf(handle.get());
    if (!real.empty() && isProtectedFromRemoval(real, protectedFolders)) return false;
    removeContents(handle.get(), folder, 0);
  }
  deleteThroughHandle(handle.get(), folder, attributes, true);
  handle.reset();   // the deletion happens when the last handle closes
  return ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace kavri
