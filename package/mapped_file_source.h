// MappedFileSource: a package stored in a file (at some offset in it, such as
// a resource inside the executable file), read through mapped views of only
// the part asked for. Windows only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "package_source.h"

namespace kavri {

class MappedFileSource final : public PackageSource {
 public:
  // Maps `size` bytes at `offset` in the file at `path`; null when the file
  // cannot be opened or mapped or is shorter than offset + size.
  static std::unique_ptr<MappedFileSource> open(const std::wstring& path, uint64_t offset, uint64_t size);
  ~MappedFileSource() override;

  uint64_t size() const override { return size_; }
  PackageView view(uint64_t offset, size_t length) const override;
  size_t preferredWindow() const override { return 8u << 20; }

 private:
  MappedFileSource(HANDLE mapping, uint64_t offset, uint64_t size, DWORD granularity)
      : mapping_(mapping), offset_(offset), size_(size), granularity_(granularity) {}

  HANDLE mapping_;   // owned; closed by the destructor
  uint64_t offset_;
  uint64_t size_;
  DWORD granularity_;
};

// Where `size` bytes at `data` inside the image of `module` lie in the module's
// file: the file offset, or false when they are not backed by one section's
// raw data (for example memory the loader made up).
bool fileOffsetInModule(HMODULE module, const void* data, size_t size, uint64_t& offset);

}  // namespace kavri
