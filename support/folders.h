// Creating and removing whole folder trees.
#pragma once

#include <string>

namespace kavri {

// True when `path` names an existing folder.
bool isFolder(const std::wstring& path);

// Creates the folder and every missing parent ('/' counts as '\'). Returns true
// when the whole path exists as a folder afterwards.
bool createDirectoryTree(const std::wstring& path);

// Deletes the folder with everything inside it, read-only files included.
// Links (junctions, symbolic links) inside the tree are removed themselves,
// never followed. An empty path or a bare root ("C:\", "\") is refused.
// Returns true when the folder no longer exists.
bool removeDirectoryTree(const std::wstring& path);

}  // namespace kavri
