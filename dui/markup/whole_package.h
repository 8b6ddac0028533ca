// WholePackage: a package file read whole through the current file system,
// with the archive reader over its bytes. The skin package and the layout
// package are both opened this way. UI thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "package/heap_buffer.h"
#include "package/package_archive.h"

namespace dui {

class WholePackage {
 public:
  WholePackage() = default;
  WholePackage(const WholePackage&) = delete;
  WholePackage& operator=(const WholePackage&) = delete;

  // Closes any open package, then reads the named file through the current
  // file system. `kind` ("skin", "layout") names the package in the debugger
  // output. False when there is no file system or no such file; a package
  // without entries opens (and is noted).
  bool open(const std::wstring& packageName, const wchar_t* kind);
  void close();
  bool isOpen() const { return archive_ != nullptr; }

  // An entry as a new caller-owned buffer, or null when no package is open
  // or it has no such entry.
  kavri::HeapBuffer extract(const std::wstring& name, size_t* size) const;

 private:
  kavri::HeapBuffer bytes_;
  std::unique_ptr<kavri::PackageArchive> archive_;   // reads bytes_: declared after it, so it goes first
};

}  // namespace dui
