// PayloadPrefetcher: the payload extractor's second core. Once the worker has
// asked for an entry, a helper thread decodes the entries that follow it in
// package order into buffers, ahead of the worker, up to a bound on the bytes
// held; when the worker asks for one of them, it only writes the buffer.
// While the worker waits on the file system (creating and closing files costs
// a round trip each), the helper keeps decoding, so extraction is bounded by
// the slower of the two rather than by their sum. Only compressed entries up
// to the bound are decoded ahead; everything else, and any entry the helper
// has not reached, is decoded by the worker as without a helper. What the
// caller sees (results, output, the order of its own reports) does not change.
// Windows only (a thread of its own).
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <vector>

#include "heap_buffer.h"
#include "lzma_codec.h"
#include "package_archive.h"
#include "support/win32_handles.h"

namespace kavri {

class PayloadPrefetcher {
 public:
  // The largest entry decoded ahead; larger ones are streamed by the worker.
  static constexpr size_t kBufferBound = 8u << 20;
  // Bytes the decoded entries waiting for the worker may hold together (the
  // one being decoded included), unless a single entry is held. Kept small so
  // the helper stays close behind in the package: it reads the same mapped
  // window as the worker, and what is resident stays bounded.
  static constexpr size_t kAheadBound = 4u << 20;

  explicit PayloadPrefetcher(const PackageArchive& archive);
  ~PayloadPrefetcher();   // waits for the helper to finish its entry
  PayloadPrefetcher(const PayloadPrefetcher&) = delete;
  PayloadPrefetcher& operator=(const PayloadPrefetcher&) = delete;

  // Streams `entry` to `output` as PackageArchive::extractTo does, from a
  // decoded buffer when the helper has (or is making) one, else decoding with
  // `decoder`.
  package::DecodeResult extract(const PackageArchive::EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                package::ByteOutput& output);

  // Entries the worker took decoded from the helper so far (for tests).
  size_t takenFromHelper() const;

 private:
  struct Decoded {
    size_t position;
    HeapBuffer content;
    bool intact;
  };
  static DWORD WINAPI helperMain(void* self) noexcept;
  void helperLoop();
  size_t positionOf(const PackageArchive::EntryInfo& entry) const;
  size_t nextToDecode() const;   // under lock_
  HeapBuffer decode(size_t position, bool& intact) const noexcept;

  const PackageArchive& archive_;
  // Entries with their own data, in package (data) order: entries sharing
  // one data area appear once.
  std::vector<PackageArchive::EntryInfo> order_;

  mutable CriticalSection lock_;
  ConditionVariable changed_;   // woken whenever anything below changes
  // Guarded by lock_:
  bool started_ = false;           // the worker has asked for an entry
  size_t cursor_ = 0;              // the position after the last one asked for
  std::deque<Decoded> ready_;      // decoded, in increasing position
  size_t decoding_ = SIZE_MAX;     // the position the helper is decoding
  bool stale_ = false;             // the worker went past it meanwhile
  size_t heldBytes_ = 0;           // ready_ plus the entry being decoded
  size_t taken_ = 0;
  bool stop_ = false;

  UniqueHandle thread_;
};

}  // namespace kavri
