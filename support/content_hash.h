// SHA-256 of a file's content, so that "the file the setup wrote" and "a file
// someone changed since" are told apart by content, not by size.
//
// Why SHA-256: the system provides it (bcrypt), so it costs no code or table
// of ours, and it hashes faster than a disk reads. A CRC-32 would do as well
// against accidents, but one can be made to match on purpose in a few lines,
// and an uninstaller deciding on it could be made to delete a file the user
// changed; no one can make two contents with one SHA-256.
#pragma once

#include <windows.h>

#include <string>

namespace kavri {

// The hash, as 64 lowercase hexadecimal digits, of everything from the
// handle's current position (a new handle: the start) to the end. False with
// the Windows error in `error` when reading or hashing fails.
bool sha256OfOpenFile(HANDLE file, std::string& hex, unsigned long& error);

// The same for the file at `path` (opened for reading, others may read too;
// a link is followed, as any reader would).
bool sha256OfFile(const std::wstring& path, std::string& hex, unsigned long& error);

}  // namespace kavri
