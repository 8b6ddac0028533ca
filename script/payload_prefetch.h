// PayloadPrefetcher: extractFile's second core. While the worker decodes an
// entry into its file, a helper thread decodes the entry the script will most
// likely ask for after that one (the next in package order) into a bounded
// buffer; when the script does ask for it, the worker only writes the buffer.
// Entries the helper takes alternate with those the worker decodes itself, so
// both cores decode. Only compressed entries up to the buffer bound are
// prefetched; everything else, and any entry asked for out of order, is
// decoded by the worker as without a helper. What the script sees (results,
// files, the order of its own reports) does not change.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "package/heap_buffer.h"
#include "package/lzma_codec.h"
#include "package/package_archive.h"
#include "support/win32_handles.h"

namespace kavri {

class PayloadPrefetcher {
 public:
  static constexpr size_t kBufferBound = 8u << 20;

  explicit PayloadPrefetcher(const PackageArchive& archive);
  ~PayloadPrefetcher();   // waits for the helper to finish its entry
  PayloadPrefetcher(const PayloadPrefetcher&) = delete;
  PayloadPrefetcher& operator=(const PayloadPrefetcher&) = delete;

  // Streams `entry` to `output` as PackageArchive::extractTo does, from the
  // helper's buffer when it holds the entry, else decoding with `decoder`.
  package::DecodeResult extract(const PackageArchive::EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                package::ByteOutput& output);

 private:
  enum class Helper { Idle, Busy, Ready };
  static DWORD WINAPI helperMain(void* self) noexcept;
  void helperLoop();
  size_t positionOf(const PackageArchive::EntryInfo& entry) const;
  size_t nextPrefetchable(size_t from) const;
  void decodeInto(size_t position);

  const PackageArchive& archive_;
  std::vector<PackageArchive::EntryInfo> order_;   // entries in package (data) order

  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  // Guarded by lock_:
  Helper state_ = Helper::Idle;
  size_t item_ = SIZE_MAX;      // the entry being decoded or held
  size_t pending_ = SIZE_MAX;   // the entry to decode next
  bool stale_ = false;          // the entry being decoded is no longer wanted
  bool stop_ = false;
  HeapBuffer buffer_;           // the held entry's content
  bool intact_ = false;

  UniqueHandle thread_;
};

}  // namespace kavri
