// The helper thread of extractFile and the hand-over of decoded entries.
#include "script/payload_prefetch.h"

#include <algorithm>
#include <cstdlib>

#include "package/package_format.h"
#include "support/debug_log.h"

namespace kavri {

using package::DecodeResult;

namespace {

bool sameData(const PackageArchive::EntryInfo& a, const PackageArchive::EntryInfo& b) {
  return a.dataOffset == b.dataOffset && a.storedSize == b.storedSize && a.unpackedSize == b.unpackedSize;
}

bool decodedAhead(const PackageArchive::EntryInfo& e) {
  return e.unpackedSize != 0 && e.unpackedSize <= PayloadPrefetcher::kBufferBound;
}

}  // namespace

PayloadPrefetcher::PayloadPrefetcher(const PackageArchive& archive) : archive_(archive) {
  archive.forEachEntry([&](const std::u16string&, const PackageArchive::EntryInfo& info) { order_.push_back(info); });
  std::sort(order_.begin(), order_.end(), [](const PackageArchive::EntryInfo& a, const PackageArchive::EntryInfo& b) {
    if (a.dataOffset != b.dataOffset) return a.dataOffset < b.dataOffset;
    if (a.storedSize != b.storedSize) return a.storedSize < b.storedSize;
    return a.unpackedSize < b.unpackedSize;
  });
  order_.erase(std::unique(order_.begin(), order_.end(), sameData), order_.end());
  // Without a helper every entry is simply decoded by the worker.
  thread_.reset(::CreateThread(nullptr, 0, helperMain, this, 0, nullptr));
  if (!thread_) logWin32Failure("CreateThread (payload helper)", __FILE__, __LINE__);
}

PayloadPrefetcher::~PayloadPrefetcher() {
  if (!thread_) return;
  ::AcquireSRWLockExclusive(&lock_);
  stop_ = true;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeAllConditionVariable(&changed_);
  ::WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI PayloadPrefetcher::helperMain(void* self) noexcept {
  try {
    static_cast<PayloadPrefetcher*>(self)->helperLoop();
  } catch (...) {
    debugLog(L"payload helper: stopped by an unexpected exception");
  }
  return 0;
}

// The next entry to decode ahead: the first decodable one after both the
// script's position and what is held already, if it fits beside what is held.
size_t PayloadPrefetcher::nextToDecode() const {
  if (!started_) return SIZE_MAX;
  size_t from = cursor_;
  if (!ready_.empty()) from = std::max(from, ready_.back().position + 1);
  for (size_t i = from; i < order_.size(); ++i) {
    if (!decodedAhead(order_[i])) continue;
    // Beside what is held already it must fit the bound; alone it may be
    // as large as any entry decoded ahead.
    if (heldBytes_ != 0 && heldBytes_ + order_[i].unpackedSize > kAheadBound) return SIZE_MAX;
    return i;
  }
  return SIZE_MAX;
}

void PayloadPrefetcher::helperLoop() {
  ::AcquireSRWLockExclusive(&lock_);
  for (;;) {
    size_t next = SIZE_MAX;
    while (!stop_ && (next = nextToDecode()) == SIZE_MAX) ::SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (stop_) break;
    decoding_ = next;
    stale_ = false;
    heldBytes_ += order_[next].unpackedSize;
    ::ReleaseSRWLockExclusive(&lock_);

    bool intact = false;
    HeapBuffer content = decode(next, intact);

    ::AcquireSRWLockExclusive(&lock_);
    decoding_ = SIZE_MAX;
    if (stale_ || !content) {
      // Not wanted any more, or not decodable here (the worker then tries
      // itself and reports what it finds).
      heldBytes_ -= order_[next].unpackedSize;
    } else {
      ready_.push_back(Decoded{next, std::move(content), intact});
    }
    ::WakeAllConditionVariable(&changed_);
  }
  ::ReleaseSRWLockExclusive(&lock_);
}

// Decodes a whole entry into a new buffer (the buffer is the decoder's window,
// so nothing else is allocated). No buffer when it cannot be allocated or the
// entry's data cannot be read; `intact` false when the data are damaged.
HeapBuffer PayloadPrefetcher::decode(size_t position, bool& intact) const {
  const PackageArchive::EntryInfo& e = order_[position];
  HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.unpackedSize)));
  intact = false;
  if (!out) return out;
  PackageView view = archive_.viewData(e);
  if (!view || e.storedSize < package::kLzmaPropsSize) return HeapBuffer();
  package::lzmaDecompress(view.data(), view.data() + package::kLzmaPropsSize, e.storedSize - package::kLzmaPropsSize,
                          out.get(), e.unpackedSize, &intact);
  return out;
}

size_t PayloadPrefetcher::positionOf(const PackageArchive::EntryInfo& entry) const {
  auto it = std::lower_bound(order_.begin(), order_.end(), entry, [](const PackageArchive::EntryInfo& a,
                                                                     const PackageArchive::EntryInfo& b) {
    if (a.dataOffset != b.dataOffset) return a.dataOffset < b.dataOffset;
    if (a.storedSize != b.storedSize) return a.storedSize < b.storedSize;
    return a.unpackedSize < b.unpackedSize;
  });
  return it != order_.end() && sameData(*it, entry) ? size_t(it - order_.begin()) : SIZE_MAX;
}

size_t PayloadPrefetcher::takenFromHelper() const {
  ::AcquireSRWLockShared(&lock_);
  const size_t taken = taken_;
  ::ReleaseSRWLockShared(&lock_);
  return taken;
}

DecodeResult PayloadPrefetcher::extract(const PackageArchive::EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                        package::ByteOutput& output) {
  if (!thread_) return archive_.extractTo(entry, decoder, output);
  const size_t position = positionOf(entry);
  Decoded taken{SIZE_MAX, HeapBuffer(), false};
  ::AcquireSRWLockExclusive(&lock_);
  started_ = true;
  if (position != SIZE_MAX) {
    // What the script went past is not wanted any more.
    while (!ready_.empty() && ready_.front().position < position) {
      heldBytes_ -= order_[ready_.front().position].unpackedSize;
      ready_.pop_front();
    }
    if (decoding_ != SIZE_MAX && decoding_ < position) stale_ = true;
    while (decoding_ == position) ::SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (!ready_.empty() && ready_.front().position == position) {
      taken = std::move(ready_.front());
      ready_.pop_front();
      heldBytes_ -= entry.unpackedSize;
      ++taken_;
    }
    cursor_ = position + 1;
  }
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeAllConditionVariable(&changed_);

  if (!taken.content) return archive_.extractTo(entry, decoder, output);
  if (!taken.intact) return DecodeResult::Damaged;
  return output.write(taken.content.get(), entry.unpackedSize) ? DecodeResult::Intact : DecodeResult::WriteFailed;
}

}  // namespace kavri
