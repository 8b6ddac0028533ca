// MappedFileSource: a package stored in a file (at some offset in it, such as
// a resource inside the executable file), read through mapped views of only
// the part being read. Windows only.
#pragma once

#include <windows.h>

#include <memory>

#include "package_source.h"
#include "support/win32_handles.h"

namespace kavri {

class MappedFileSource final : public PackageSource {
 public:
  // Maps `size` bytes at `offset` in the open file `file` (the caller keeps
  // it open, and so decides who may change the file meanwhile); null when it
  // cannot be mapped or is shorter than offset + size. `loaded`, when given,
  // is the same bytes as the program was loaded with them (a resource of the
  // running executable): viewLoaded answers from there.
  static std::unique_ptr<MappedFileSource> open(HANDLE file, uint64_t offset, uint64_t size,
                                                const void* loaded = nullptr);
  ~MappedFileSource() override;

  uint64_t size() const override { return size_; }
  // A view inside one window-aligned stretch of the package comes from a
  // mapping of that whole window, kept for the next views (each mapping is a
  // round trip to the system); the last two windows stay mapped, so at most
  // two windows of pages are in memory. Anything else is mapped on its own.
  // Two windows of 4 MB keep what is resident small beside the decoder while
  // costing one mapping per 4 MB read.
  PackageView view(uint64_t offset, size_t length) const override;
  PackageView viewLoaded(uint64_t offset, size_t length) const override;
  size_t preferredWindow() const override { return kWindow; }

  static constexpr size_t kWindow = 4u << 20;

 private:
  struct Window;
  MappedFileSource(HANDLE mapping, uint64_t offset, uint64_t size, DWORD granularity, const uint8_t* loaded)
      : mapping_(mapping), offset_(offset), size_(size), granularity_(granularity), loaded_(loaded) {}
  // Maps package bytes [start, start + length); null when that fails.
  const uint8_t* map(uint64_t start, uint64_t length, UniqueMapView& base) const;

  UniqueHandle mapping_;
  uint64_t offset_;
  uint64_t size_;
  DWORD granularity_;
  const uint8_t* loaded_;   // may be null
  mutable CriticalSection lock_;
  mutable std::shared_ptr<Window> windows_[2];   // guarded by lock_
  mutable unsigned nextSlot_ = 0;
};

// Where `size` bytes at `data` inside the image of `module` lie in the module's
// file: the file offset, or false when they are not backed by one section's
// raw data (for example memory the loader made up).
bool fileOffsetInModule(HMODULE module, const void* data, size_t size, uint64_t& offset);

}  // namespace kavri
