// PayloadExtractor: writes entries of a payload package to files, one entry
// per call, as a background script's extractFile asks for them. The entry is
// looked up by name, decoded in pieces (or taken from the decode-ahead
// helper, payload_prefetch.h) and written through a FileReplacement
// (support/file_replace.h), so a failure never loses the file that was there.
// Windows only; used by one thread at a time (the worker).
#pragma once

#include <memory>
#include <string>

#include "lzma_codec.h"
#include "package_archive.h"

namespace kavri {

class PayloadPrefetcher;

class PayloadExtractor {
 public:
  // `archive` must outlive the extractor. A helper thread decodes ahead of
  // the calls once the first entry was asked for.
  explicit PayloadExtractor(const PackageArchive& archive);
  ~PayloadExtractor();   // waits for the helper to finish its entry
  PayloadExtractor(const PayloadExtractor&) = delete;
  PayloadExtractor& operator=(const PayloadExtractor&) = delete;

  struct Result {
    bool written;          // the whole entry is at the destination
    unsigned long error;   // otherwise: the Windows error, or 0 when the entry is missing or damaged
  };

  // Writes the entry `name` (backslashes stand for slashes) to `destination`.
  // A missing entry changes nothing on disk. A new file is written in place;
  // a file already there is replaced only once the whole entry has decoded
  // cleanly and is flushed (a read-only one too). On any failure the old file
  // stays as it was and nothing of the new one is left. The destination's
  // folder is not created.
  Result extract(std::wstring name, const std::wstring& destination) noexcept;

 private:
  const PackageArchive& archive_;
  package::LzmaStreamDecoder decoder_;   // keeps its history window from one entry to the next
  std::unique_ptr<PayloadPrefetcher> prefetcher_;
};

}  // namespace kavri
