// Folder helpers shared by the system script API and the settings migration:
// creating a folder with its parents and deleting a folder tree.
#pragma once

#include <functional>
#include <string>

namespace kavri {

// Creates the folder and every missing parent ('/' is taken as '\'). Each
// individual CreateDirectoryW failure is ignored (existing folders and drive
// roots fail harmlessly). Returns true if the folder exists afterwards.
bool createDirectory(const std::wstring& path);

// Deletes the folder with all its contents: read-only attributes are cleared,
// files and subfolders deleted, failures ignored. An empty path does nothing
// (it would otherwise name the root of the current drive). Links to folders
// (junctions, symbolic links) are removed without touching what they point to.
void removeDirectory(const std::wstring& path);

// Deletes the entries of the folder, as removeDirectory does, except those
// whose name (without the folder) `keep` accepts; the folder itself stays.
void removeDirectoryContents(const std::wstring& path,
                             const std::function<bool(const std::wstring& name)>& keep);

}  // namespace kavri
