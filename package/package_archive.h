// PackageArchive: the index of a ".lz" package image and extraction of its
// entries. The archive does not own the image; the image must outlive it.
//
// Damaged images never cause a read outside the image: a directory offset or a
// record that leaves the image, a record smaller than its header or a missing
// terminator leaves the archive with no entries; a record whose name field is
// too long or unterminated is skipped. Data ranges are checked at extraction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "heap_buffer.h"

namespace kavri {

class PackageArchive {
 public:
  PackageArchive(const void* image, size_t size);

  // Returns a new buffer with the entry's content (caller-owned, release with
  // free()), or null when the name is absent, its data lie outside the image,
  // or the unpacked size cannot be allocated. `size` receives the byte count on
  // success and is left alone otherwise. A damaged compressed entry still gives
  // what the decoder produced before it stopped; `intact` (when given) tells
  // whether the entry decoded cleanly to exactly its recorded size, which is
  // what anything writing the entry to disk must check.
  HeapBuffer extract(std::u16string_view name, size_t* size = nullptr, bool* intact = nullptr) const;
#ifdef _WIN32
  HeapBuffer extract(const wchar_t* name, size_t* size = nullptr, bool* intact = nullptr) const {
    return extract(std::u16string_view(reinterpret_cast<const char16_t*>(name)), size, intact);
  }
#endif

  bool contains(std::u16string_view name) const { return index_.count(std::u16string(name)) != 0; }
  size_t entryCount() const { return index_.size(); }

  // Entry names in index order, for listing tools.
  template <typename Fn>
  void forEachEntry(Fn&& fn) const {
    for (const auto& [name, offset] : index_) fn(name, recordAt(offset));
  }

  struct EntryInfo {
    uint32_t dataOffset;
    uint32_t storedSize;
    uint32_t unpackedSize;
  };

 private:
  EntryInfo recordAt(size_t offset) const;
  void buildIndex();

  std::map<std::u16string, size_t> index_;   // name -> directory record offset in the image
  const uint8_t* image_;
  size_t size_;
};

}  // namespace kavri
