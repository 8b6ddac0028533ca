// Views of a loaded image that leave the working set when they go.
#include "loaded_image_source.h"

#include <windows.h>

#include <new>

namespace kavri {
namespace {

struct ViewedRange {
  const uint8_t* data;
  size_t length;
};

// VirtualUnlock of pages that are not locked takes them out of the working
// set (and reports ERROR_NOT_LOCKED, which is the point here). The image's
// pages stay backed by its file, so a later read just faults them in again.
void releaseRange(void* range) {
  auto* viewed = static_cast<ViewedRange*>(range);
  if (viewed->length) ::VirtualUnlock(const_cast<uint8_t*>(viewed->data), viewed->length);
  delete viewed;
}

}  // namespace

PackageView LoadedImageSource::view(uint64_t offset, size_t length) const {
  if (offset > size_ || length > size_ - offset) return PackageView();
  const uint8_t* data = data_ + offset;
  auto* range = new (std::nothrow) ViewedRange{data, length};
  if (!range) return PackageView(data);   // read all the same; its pages just stay resident
  return PackageView(data, range, releaseRange);
}

}  // namespace kavri
