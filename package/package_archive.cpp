// Index building and entry extraction for ".lz" packages, with bounds checks on
// every field read from the image.
#include "package_archive.h"

#include <cstdlib>
#include <cstring>

#include "lzma_codec.h"
#include "package_format.h"

namespace kavri {

using namespace package;

PackageArchive::PackageArchive(const void* image, size_t size)
    : image_(static_cast<const uint8_t*>(image)), size_(image ? size : 0) {
  buildIndex();
}

void PackageArchive::buildIndex() {
  if (size_ < 4) return;
  const size_t end = size_ - 4;   // the directory never overlaps the offset word
  size_t pos = readU32(image_ + end) ^ kMask;
  std::map<std::u16string, size_t> index;
  std::u16string name;
  for (;;) {
    if (pos > end || end - pos < 4) return;   // terminator missing: damaged
    const uint32_t recordSize = readU32(image_ + pos);
    if (recordSize == 0) break;
    if (recordSize < kRecordHeaderSize || recordSize > end - pos) return;   // damaged
    if (decodeNameField(image_ + pos + kRecordHeaderSize, recordSize - kRecordHeaderSize, name))
      index[name] = pos;   // a later record of the same name wins
    pos += recordSize;
  }
  index_.swap(index);
}

PackageArchive::EntryInfo PackageArchive::recordAt(size_t offset) const {
  RecordHeader h = readRecordHeader(image_ + offset);
  return {h.dataOffset, h.storedSize, h.unpackedSize};
}

HeapBuffer PackageArchive::extract(std::u16string_view name, size_t* size, bool* intact) const {
  if (intact) *intact = false;
  auto it = index_.find(std::u16string(name));
  if (it == index_.end()) return nullptr;
  const EntryInfo e = recordAt(it->second);
  if (e.dataOffset > size_ || e.storedSize > size_ - e.dataOffset) return nullptr;
  const uint8_t* data = image_ + e.dataOffset;

  if (e.unpackedSize == 0) {
    HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.storedSize ? e.storedSize : 1)));
    if (!out) return nullptr;
    if (e.storedSize) std::memcpy(out.get(), data, e.storedSize);
    if (size) *size = e.storedSize;
    if (intact) *intact = true;
    return out;
  }

  if (e.storedSize < kLzmaPropsSize) return nullptr;
  HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.unpackedSize)));
  if (!out) return nullptr;
  const size_t produced = lzmaDecompress(data, data + kLzmaPropsSize, e.storedSize - kLzmaPropsSize,
                                         out.get(), e.unpackedSize, intact);
  if (produced < e.unpackedSize && produced > 0) {
    // A damaged stream stopped early: give back the unused tail.
    if (void* smaller = std::realloc(out.get(), produced)) {
      (void)out.release();
      out.reset(static_cast<uint8_t*>(smaller));
    }
  }
  if (size) *size = produced;
  return out;
}

}  // namespace kavri
