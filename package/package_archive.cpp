// Index building and entry extraction for ".lz" packages, with bounds checks on
// every field read from the image.
#include "package_archive.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "crc32.h"
#include "package_format.h"

namespace kavri {

using namespace package;

namespace {

// Input of a stream decode: the entry's stored bytes in views of at most the
// source's preferred window, each released before the next is made.
class ViewInput final : public ByteInput {
 public:
  ViewInput(const PackageSource& source, uint64_t offset, uint64_t length)
      : source_(source), offset_(offset), remaining_(length), window_(source.preferredWindow()) {}
  bool next(const uint8_t*& data, size_t& size) override {
    view_.reset();
    size = 0;
    if (remaining_ == 0) return true;
    // Pieces end on window boundaries, so each lies inside one mapped window.
    const uint64_t toBoundary = window_ == SIZE_MAX ? remaining_ : window_ - offset_ % window_;
    const size_t piece = size_t(std::min<uint64_t>(remaining_, toBoundary));
    view_ = source_.view(offset_, piece);
    if (!view_) return false;
    data = view_.data();
    size = piece;
    offset_ += piece;
    remaining_ -= piece;
    return true;
  }

 private:
  const PackageSource& source_;
  uint64_t offset_;
  uint64_t remaining_;
  size_t window_;
  PackageView view_;
};

// Passes decoded pieces on and keeps the CRC-32 of what went through.
class CheckedOutput final : public ByteOutput {
 public:
  explicit CheckedOutput(ByteOutput& output) : output_(output) {}
  bool write(const uint8_t* data, size_t size) override {
    crc_ = crc32Update(crc_, data, size);
    return output_.write(data, size);
  }
  uint32_t crc() const { return crc_; }

 private:
  ByteOutput& output_;
  uint32_t crc_ = 0;
};

}  // namespace

PackageArchive::PackageArchive(const void* image, size_t size)
    : ownSource_(std::make_unique<MemoryPackageSource>(image, size)), source_(ownSource_.get()),
      size_(ownSource_->size()) {
  buildIndex();
}

PackageArchive::PackageArchive(const PackageSource& source) : source_(&source), size_(source.size()) {
  buildIndex();
}

void PackageArchive::buildIndex() {
  if (size_ < 4 || size_ > UINT32_MAX + uint64_t(4)) return;
  const size_t end = size_t(size_ - 4);   // the directory never overlaps the offset word
  size_t start = 0;
  {
    PackageView word = source_->viewLoaded(end, 4);
    if (!word) return;
    start = readU32(word.data()) ^ kMask;
  }
  if (start > end) return;   // damaged
  PackageView view = source_->viewLoaded(start, end - start);
  if (!view) return;
  const std::vector<uint8_t> directory(view.data(), view.data() + (end - start));   // read once
  view.reset();
  std::map<std::u16string, EntryInfo> index;
  std::u16string name;
  EntryCheck check;
  const size_t length = directory.size();
  size_t pos = 0;
  for (;;) {
    if (length - pos < 4) return;   // terminator missing: damaged
    const uint32_t recordSize = readU32(directory.data() + pos);
    if (recordSize == 0) break;
    if (recordSize < kRecordHeaderSize || recordSize > length - pos) return;   // damaged
    if (decodeNameField(directory.data() + pos + kRecordHeaderSize, recordSize - kRecordHeaderSize, name, &check)) {
      // A later record of the same name wins.
      const RecordHeader h = readRecordHeader(directory.data() + pos);
      index[name] = EntryInfo{h.dataOffset, h.storedSize, h.unpackedSize, check};
    }
    pos += recordSize;
  }
  index_.swap(index);
}

bool PackageArchive::find(std::u16string_view name, EntryInfo& info) const {
  auto it = index_.find(std::u16string(name));
  if (it == index_.end()) return false;
  info = it->second;
  return true;
}

bool PackageArchive::contentMatches(const EntryInfo& entry, const uint8_t* content, size_t size) {
  return !entry.check.present || crc32Update(0, content, size) == entry.check.crc32;
}

HeapBuffer PackageArchive::extract(std::u16string_view name, size_t* size, bool* intact) const {
  if (intact) *intact = false;
  EntryInfo e{};
  if (!find(name, e)) return nullptr;
  if (e.dataOffset > size_ || e.storedSize > size_ - e.dataOffset) return nullptr;
  PackageView view = source_->view(e.dataOffset, e.storedSize);
  if (!view) return nullptr;
  const uint8_t* data = view.data();

  if (e.unpackedSize == 0) {
    HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.storedSize ? e.storedSize : 1)));
    if (!out) return nullptr;
    if (e.storedSize) std::memcpy(out.get(), data, e.storedSize);
    if (size) *size = e.storedSize;
    if (intact) *intact = contentMatches(e, out.get(), e.storedSize);
    return out;
  }

  if (e.storedSize < kLzmaPropsSize) return nullptr;
  HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.unpackedSize)));
  if (!out) return nullptr;
  const size_t produced = lzmaDecompress(data, data + kLzmaPropsSize, e.storedSize - kLzmaPropsSize,
                                         out.get(), e.unpackedSize, intact);
  if (intact && *intact) *intact = contentMatches(e, out.get(), produced);
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

PackageView PackageArchive::viewData(const EntryInfo& e) const {
  if (e.dataOffset > size_ || e.storedSize > size_ - e.dataOffset) return PackageView();
  return source_->view(e.dataOffset, e.storedSize);
}

DecodeResult PackageArchive::extractTo(const EntryInfo& e, LzmaStreamDecoder& decoder, ByteOutput& output) const {
  if (!e.check.present) return decodeTo(e, decoder, output);
  CheckedOutput checked(output);
  const DecodeResult result = decodeTo(e, decoder, checked);
  if (result == DecodeResult::Intact && checked.crc() != e.check.crc32) return DecodeResult::Damaged;
  return result;
}

DecodeResult PackageArchive::decodeTo(const EntryInfo& e, LzmaStreamDecoder& decoder, ByteOutput& output) const {
  if (e.dataOffset > size_ || e.storedSize > size_ - e.dataOffset) return DecodeResult::Damaged;
  if (e.unpackedSize == 0) {   // stored: written straight from the package's views
    ViewInput input(*source_, e.dataOffset, e.storedSize);
    for (;;) {
      const uint8_t* data = nullptr;
      size_t piece = 0;
      if (!input.next(data, piece)) return DecodeResult::ReadFailed;
      if (piece == 0) return DecodeResult::Intact;
      if (!output.write(data, piece)) return DecodeResult::WriteFailed;
    }
  }
  if (e.storedSize < kLzmaPropsSize) return DecodeResult::Damaged;
  uint8_t props[kLzmaPropsSize];
  {
    PackageView head = source_->view(e.dataOffset, kLzmaPropsSize);
    if (!head) return DecodeResult::ReadFailed;
    std::memcpy(props, head.data(), kLzmaPropsSize);
  }
  ViewInput input(*source_, uint64_t(e.dataOffset) + kLzmaPropsSize, e.storedSize - kLzmaPropsSize);
  return decoder.decode(props, input, e.unpackedSize, output);
}

}  // namespace kavri
