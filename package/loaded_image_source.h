// LoadedImageSource: a package inside the running program's loaded image (a
// resource), read in place, for when the program's file cannot be held
// (module_file.h). The pages a reader has finished with are taken out of the
// working set again as each view goes, so reading a large payload this way
// keeps memory bounded as reading through file views does. Windows only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package_source.h"

namespace kavri {

class LoadedImageSource final : public PackageSource {
 public:
  // `data` stays valid for the process (the image is never unloaded).
  LoadedImageSource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}
  uint64_t size() const override { return size_; }
  PackageView view(uint64_t offset, size_t length) const override;
  // A sequential reader goes in pieces of this size, so what is resident at
  // once stays small.
  size_t preferredWindow() const override { return kWindow; }

  static constexpr size_t kWindow = 4u << 20;

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace kavri
