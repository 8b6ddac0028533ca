// PackageArchive: the index of a ".lz" package and extraction of its entries,
// whole into a buffer or streamed in pieces. The archive reads the package
// through a PackageSource (or an image in memory) that must outlive it; it
// reads the directory once, as the program was loaded with it
// (PackageSource::viewLoaded), and keeps what it read: the checks it holds
// are the loaded package's, whatever source the entries' data come through.
//
// An entry whose record carries a CRC-32 (package_format.h) counts as intact
// only when its content has that CRC: every way out of the archive (whole,
// streamed, and the decode-ahead helper through contentMatches) checks it
// before reporting the entry intact.
//
// Damaged images never cause a read outside the image: a directory offset or a
// record that leaves the image, a record smaller than its header or a missing
// terminator leaves the archive with no entries; a record whose name field is
// too long or unterminated is skipped. Data ranges are checked at extraction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "heap_buffer.h"
#include "lzma_codec.h"
#include "package_format.h"
#include "package_source.h"

namespace kavri {

class PackageArchive {
 public:
  PackageArchive(const void* image, size_t size);
  explicit PackageArchive(const PackageSource& source);

  // Returns a new buffer with the entry's content (caller-owned, release with
  // free()), or null when the name is absent, its data lie outside the image,
  // or the unpacked size cannot be allocated. `size` receives the byte count on
  // success and is left alone otherwise. A damaged compressed entry still gives
  // what the decoder produced before it stopped; `intact` (when given) tells
  // whether the entry decoded cleanly to exactly its recorded size and matches
  // its CRC-32 when it has one, which is what anything writing the entry to
  // disk must check.
  HeapBuffer extract(std::u16string_view name, size_t* size = nullptr, bool* intact = nullptr) const;
#ifdef _WIN32
  HeapBuffer extract(const wchar_t* name, size_t* size = nullptr, bool* intact = nullptr) const {
    return extract(std::u16string_view(reinterpret_cast<const char16_t*>(name)), size, intact);
  }
#endif

  struct EntryInfo {
    uint32_t dataOffset;
    uint32_t storedSize;
    uint32_t unpackedSize;
    package::EntryCheck check;   // the content's CRC-32, when the record has one
  };

  // Looks an entry up; false when absent.
  bool find(std::u16string_view name, EntryInfo& info) const;

  // Streams an entry's content to `output` in order, in pieces of at most a
  // few MB, decoding with `decoder`: Intact once every byte went out and the
  // stream decoded cleanly to its recorded size with its CRC-32; Damaged for
  // data outside the package, a damaged stream or another CRC-32 (part or all
  // of the content may have gone out: the caller commits nothing before the
  // result);
  // ReadFailed when the package cannot be read; WriteFailed when `output`
  // refused. The entry must exist (see find).
  package::DecodeResult extractTo(const EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                  package::ByteOutput& output) const;

  // A view of an entry's stored bytes; empty when they lie outside the package.
  PackageView viewData(const EntryInfo& entry) const;

  // Whether `size` bytes of decoded content are the entry's: its CRC-32 when
  // the record carries one (a record without a check accepts any content).
  static bool contentMatches(const EntryInfo& entry, const uint8_t* content, size_t size);

  bool contains(std::u16string_view name) const { return index_.count(std::u16string(name)) != 0; }
  size_t entryCount() const { return index_.size(); }

  // Entry names in index order, for listing tools.
  template <typename Fn>
  void forEachEntry(Fn&& fn) const {
    for (const auto& [name, info] : index_) fn(name, info);
  }

 private:
  void buildIndex();
  // extractTo without the CRC-32 check.
  package::DecodeResult decodeTo(const EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                 package::ByteOutput& output) const;

  std::unique_ptr<PackageSource> ownSource_;   // the image constructor's source
  const PackageSource* source_;
  uint64_t size_;
  std::map<std::u16string, EntryInfo> index_;   // name -> its record, read once
};

}  // namespace kavri
