// Creating and removing whole folder trees.
#pragma once

#include <string>
#include <vector>

namespace kavri {

// True when `path` names an existing folder.
bool isFolder(const std::wstring& path);

// The absolute form of `path` (GetFullPathNameW: ".", ".." and the current
// folder resolved), or "" when it cannot be formed.
std::wstring fullPathName(const std::wstring& path);

// Creates the folder and every missing parent ('/' counts as '\'). Returns true
// when the whole path exists as a folder afterwards.
bool createDirectoryTree(const std::wstring& path);

// Deletes the folder with everything inside it, read-only files included.
// Links (junctions, symbolic links) inside the tree are removed themselves,
// never followed; each entry is opened without following links and deleted
// through that handle, and every folder being walked stays open without delete
// sharing, so nothing can be swapped in under the walk. The path is made full
// and normalised first; a volume root, a folder of foldersProtectedFromRemoval()
// or any folder above one of them is refused (false, nothing deleted), also
// when the named folder leads there through a link. Returns true when the
// folder no longer exists.
bool removeDirectoryTree(const std::wstring& path);
// The same against an explicit list of protected folders.
bool removeDirectoryTree(const std::wstring& path, const std::vector<std::wstring>& protectedFolders);

// Removes one entry without following it: a file (read-only too) or a link is
// deleted itself, a folder with its tree as removeDirectoryTree does. Returns
// true when nothing is left at `path`.
bool removeEntryNoFollow(const std::wstring& path);

// The Windows and system folders, the program folders, the shared data folder,
// every user profile and the folder holding the profiles.
std::vector<std::wstring> foldersProtectedFromRemoval();

}  // namespace kavri
