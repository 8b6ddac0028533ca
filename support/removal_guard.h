// Which folders a whole-tree removal may never start from: volume roots, the
// Windows folder, the program folders, the user profile folders and every
// folder above one of them. The decision works on normalised full paths so
// that no spelling ("C:\.", "C:/Windows/..", "\\?\C:\") slips past it.
#pragma once

#include <string>
#include <vector>

namespace kavri {

// Strips a "\\?\" or "\\.\" prefix ("\\?\UNC\s\x" becomes "\\s\x"), turns '/'
// into '\', collapses "." and ".." components and repeated separators and cuts
// trailing separators, dots and spaces of each component. `path` must already
// be absolute ("C:\..." or "\\server\share\..."); anything else, or a device
// path other than a drive or UNC path, gives an empty result.
std::wstring normaliseAbsolutePath(const std::wstring& path);

// Splits a path as normaliseAbsolutePath gives it into its root ("C:\" or
// "\\server\share\", with a trailing separator) and its components below the
// root. False for anything that is not such a path.
bool splitAbsolutePath(const std::wstring& normalPath, std::wstring& root, std::vector<std::wstring>& parts);

// True when `fullPath` (normalised) is a volume root ("C:\", "\\server\share"),
// one of `protectedFolders` or a folder above one of them. Case is ignored.
// An empty path counts as protected.
bool isProtectedFromRemoval(const std::wstring& fullPath, const std::vector<std::wstring>& protectedFolders);

}  // namespace kavri
