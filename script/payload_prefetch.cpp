// The helper thread of extractFile and the hand-over of decoded entries.
#include "script/payload_prefetch.h"

#include <algorithm>
#include <cstdlib>

#include "package/package_format.h"
#include "support/debug_log.h"

namespace kavri {

using package::DecodeResult;

PayloadPrefetcher::PayloadPrefetcher(const PackageArchive& archive) : archive_(archive) {
  archive.forEachEntry([&](const std::u16string&, const PackageArchive::EntryInfo& info) { order_.push_back(info); });
  std::sort(order_.begin(), order_.end(), [](const PackageArchive::EntryInfo& a, const PackageArchive::EntryInfo& b) {
    return a.dataOffset < b.dataOffset;
  });
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

void PayloadPrefetcher::helperLoop() {
  ::AcquireSRWLockExclusive(&lock_);
  for (;;) {
    while (!stop_ && !(state_ == Helper::Idle && pending_ != SIZE_MAX))
      ::SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (stop_) break;
    item_ = std::exchange(pending_, SIZE_MAX);
    state_ = Helper::Busy;
    stale_ = false;
    ::ReleaseSRWLockExclusive(&lock_);
    decodeInto(item_);   // item_ is only changed by this thread while Busy
    ::AcquireSRWLockExclusive(&lock_);
    if (stale_) {
      buffer_.reset();
      item_ = SIZE_MAX;
      state_ = Helper::Idle;
    } else {
      state_ = Helper::Ready;
    }
    ::WakeAllConditionVariable(&changed_);
  }
  ::ReleaseSRWLockExclusive(&lock_);
}

// Decodes a whole entry into a new buffer (the buffer is the decoder's window,
// so nothing else is allocated). A failure leaves no buffer or intact_ false;
// the worker then reports the entry as it would have itself.
void PayloadPrefetcher::decodeInto(size_t position) {
  const PackageArchive::EntryInfo& e = order_[position];
  HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.unpackedSize)));
  bool intact = false;
  if (out) {
    PackageView view = archive_.viewData(e);
    if (view && e.storedSize >= package::kLzmaPropsSize) {
      package::lzmaDecompress(view.data(), view.data() + package::kLzmaPropsSize,
                              e.storedSize - package::kLzmaPropsSize, out.get(), e.unpackedSize, &intact);
    } else {
      out.reset();   // unreadable: the worker tries itself
    }
  }
  ::AcquireSRWLockExclusive(&lock_);
  buffer_ = std::move(out);
  intact_ = intact;
  ::ReleaseSRWLockExclusive(&lock_);
}

size_t PayloadPrefetcher::positionOf(const PackageArchive::EntryInfo& entry) const {
  auto it = std::lower_bound(order_.begin(), order_.end(), entry.dataOffset,
                             [](const PackageArchive::EntryInfo& e, uint32_t offset) { return e.dataOffset < offset; });
  for (; it != order_.end() && it->dataOffset == entry.dataOffset; ++it)
    if (it->storedSize == entry.storedSize && it->unpackedSize == entry.unpackedSize) return size_t(it - order_.begin());
  return SIZE_MAX;
}

size_t PayloadPrefetcher::nextPrefetchable(size_t from) const {
  for (size_t i = from; i < order_.size(); ++i)
    if (order_[i].unpackedSize != 0 && order_[i].unpackedSize <= kBufferBound) return i;
  return SIZE_MAX;
}

DecodeResult PayloadPrefetcher::extract(const PackageArchive::EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                        package::ByteOutput& output) {
  if (!thread_) return archive_.extractTo(entry, decoder, output);
  const size_t position = positionOf(entry);
  HeapBuffer taken;
  bool takenIntact = false;
  bool fromHelper = false;
  ::AcquireSRWLockExclusive(&lock_);
  if (position != SIZE_MAX && item_ == position && state_ != Helper::Idle) {
    while (state_ == Helper::Busy) ::SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (state_ == Helper::Ready && item_ == position) {
      fromHelper = buffer_ != nullptr;
      taken = std::move(buffer_);
      takenIntact = intact_;
      item_ = SIZE_MAX;
      state_ = Helper::Idle;
    }
  } else if (item_ != SIZE_MAX && (position == SIZE_MAX || item_ < position)) {
    // The script went past (or around) what the helper holds: drop it.
    if (state_ == Helper::Ready) {
      buffer_.reset();
      item_ = SIZE_MAX;
      state_ = Helper::Idle;
    } else {
      stale_ = true;
    }
  }
  if (position != SIZE_MAX) {
    // The worker takes the next entry itself after one from the helper, so
    // the helper goes one further; otherwise it takes the very next.
    const size_t target = nextPrefetchable(position + (fromHelper ? 2 : 1));
    if (target != SIZE_MAX && !(item_ == target && state_ != Helper::Idle) && state_ != Helper::Busy) pending_ = target;
  }
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeAllConditionVariable(&changed_);

  if (!fromHelper) return archive_.extractTo(entry, decoder, output);
  if (!takenIntact) return DecodeResult::Damaged;
  return output.write(taken.get(), entry.unpackedSize) ? DecodeResult::Intact : DecodeResult::WriteFailed;
}

}  // namespace kavri
