// FileSystem: whole-file loads by name. The program reads its packaged files
// (scripts and packages) through the current file system, which start-up sets
// to a ResourceFileSystem over the executable's own resources.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "heap_buffer.h"
#include "package_source.h"

namespace kavri {

class FileSystem {
 public:
  // Returns a new copy of the named file followed by 4 zero bytes (so text can
  // be used as a zero-terminated narrow or wide string); `size` receives the
  // byte count without those 4 bytes. Null when the file is unknown; `size` is
  // then left untouched.
  virtual HeapBuffer loadFile(const std::wstring& name, size_t* size) = 0;
  // Releases a buffer given up by HeapBuffer::release().
  virtual void freeFile(void* buffer) = 0;
  // Opens the named file for reading in parts (a package read entry by entry)
  // without copying it where the file system can avoid that; null when the file
  // is unknown. This default reads the whole file with loadFile.
  virtual std::unique_ptr<PackageSource> openPackage(const std::wstring& name);

 protected:
  ~FileSystem() = default;   // never deleted through this interface
};

// The file system every later load goes through; null before start-up sets it.
FileSystem* currentFileSystem();
void setCurrentFileSystem(FileSystem* fs);

// Copies `data` into a new heap buffer with 4 trailing zero bytes.
HeapBuffer copyWithTerminator(const void* data, size_t size);

// An in-memory file system: tests and tools register file contents by name.
class MemoryFileSystem final : public FileSystem {
 public:
  void addFile(const std::wstring& name, std::vector<uint8_t> bytes) {
    files_[name] = std::move(bytes);
  }
  HeapBuffer loadFile(const std::wstring& name, size_t* size) override;
  void freeFile(void* buffer) override;

 private:
  std::map<std::wstring, std::vector<uint8_t>> files_;
};

}  // namespace kavri
