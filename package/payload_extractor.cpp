// Entry lookup, decoding and the write through a file replacement for one
// payload entry.
#include "payload_extractor.h"

#include <windows.h>

#include <algorithm>

#include "payload_prefetch.h"
#include "support/debug_log.h"
#include "support/file_replace.h"

namespace kavri {
namespace {

// Decoded pieces go straight into the file being written.
class FileOutput final : public package::ByteOutput {
 public:
  explicit FileOutput(FileReplacement& file) : file_(file) {}
  bool write(const uint8_t* data, size_t size) override { return file_.write(data, size); }

 private:
  FileReplacement& file_;
};

}  // namespace

PayloadExtractor::PayloadExtractor(const PackageArchive& archive)
    : archive_(archive), prefetcher_(std::make_unique<PayloadPrefetcher>(archive)) {}

PayloadExtractor::~PayloadExtractor() = default;

PayloadExtractor::Result PayloadExtractor::extract(std::wstring name, const std::wstring& destination) noexcept {
  try {
    std::replace(name.begin(), name.end(), L'\\', L'/');
    PackageArchive::EntryInfo entry{};
    if (!archive_.find(std::u16string_view(reinterpret_cast<const char16_t*>(name.c_str()), name.size()), entry)) {
      debugLog(L"extractFile: no entry " + name);
      return {false, 0};   // nothing on disk changes
    }
    // A new file is written in place; one already there is replaced only
    // once the whole entry has decoded cleanly. An abandoned file is removed
    // when `file` goes.
    FileReplacement file;
    if (!file.open(destination, true, true)) return {false, file.error()};
    FileOutput output(file);
    switch (prefetcher_->extract(entry, decoder_, output)) {
      case package::DecodeResult::Intact:
        if (file.commit()) return {true, 0};
        return {false, file.error()};
      case package::DecodeResult::WriteFailed:
        return {false, file.error()};
      case package::DecodeResult::NoMemory:
        return {false, ERROR_NOT_ENOUGH_MEMORY};
      case package::DecodeResult::Damaged:
      case package::DecodeResult::ReadFailed:
        break;
    }
    debugLog(L"extractFile: damaged entry " + name);   // a partial file never replaces the old one
    return {false, 0};   // not a Windows error
  } catch (const std::exception&) {
    return {false, ERROR_NOT_ENOUGH_MEMORY};
  }
}

}  // namespace kavri
