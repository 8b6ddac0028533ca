// The helper thread of extractFile and the hand-over of decoded entries.
#include "payload_prefetch.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "package_format.h"
#include "support/debug_log.h"

namespace kavri {

using package::DecodeResult;

namespace {

// Records are one item of the order when they share their data and their
// check (records of one data area with different checks, which only a damaged
// directory has, are each checked against their own).
auto recordKey(const PackageArchive::EntryInfo& e) {
  return std::make_tuple(e.dataOffset, e.storedSize, e.unpackedSize, e.check.present, e.check.crc32);
}

bool sameData(const PackageArchive::EntryInfo& a, const PackageArchive::EntryInfo& b) {
  return recordKey(a) == recordKey(b);
}

bool beforeInOrder(const PackageArchive::EntryInfo& a, const PackageArchive::EntryInfo& b) {
  return recordKey(a) < recordKey(b);
}

bool decodedAhead(const PackageArchive::EntryInfo& e) {
  return e.unpackedSize != 0 && e.unpackedSize <= PayloadPrefetcher::kBufferBound;
}

}  // namespace

PayloadPrefetcher::PayloadPrefetcher(const PackageArchive& archive) : archive_(archive) {
  archive.forEachEntry([&](const std::u16string&, const PackageArchive::EntryInfo& info) { order_.push_back(info); });
  std::sort(order_.begin(), order_.end(), beforeInOrder);
  order_.erase(std::unique(order_.begin(), order_.end(), sameData), order_.end());
  // Without a helper every entry is simply decoded by the worker.
  thread_.reset(::CreateThread(nullptr, 0, helperMain, this, 0, nullptr));
  if (!thread_) logWin32Failure("CreateThread (payload helper)", __FILE__, __LINE__);
}

PayloadPrefetcher::~PayloadPrefetcher() {
  if (!thread_) return;
  {
    CriticalSectionLock hold(lock_);
    stop_ = true;
  }
  changed_.wakeAll();
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
// worker's position and what is held already, if it fits beside what is held.
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

// Decodes ahead until stopped. The lock is held only by scope, and the worker
// is woken before a decoded entry is handed in: a helper that stops on an
// exception (no memory for the hand-in) leaves the lock free and no entry
// marked as being decoded, so the worker goes on decoding by itself.
void PayloadPrefetcher::helperLoop() {
  for (;;) {
    size_t next = SIZE_MAX;
    {
      CriticalSectionLock hold(lock_);
      while (!stop_ && (next = nextToDecode()) == SIZE_MAX) hold.wait(changed_);
      if (stop_) return;
      decoding_ = next;
      stale_ = false;
      heldBytes_ += order_[next].unpackedSize;
    }

    bool intact = false;
    HeapBuffer content = decode(next, intact);

    CriticalSectionLock hold(lock_);
    decoding_ = SIZE_MAX;
    changed_.wakeAll();   // before the hand-in below, which may throw
    if (stale_ || !content) {
      // Not wanted any more, or not decodable here (the worker then tries
      // itself and reports what it finds).
      heldBytes_ -= order_[next].unpackedSize;
    } else {
      // Without memory for it this ends the helper (see helperMain); the
      // worker then decodes every entry itself.
      ready_.push_back(Decoded{next, std::move(content), intact});
    }
  }
}

// Decodes a whole entry into a new buffer (the buffer is the decoder's window,
// so nothing else is allocated). No buffer when it cannot be allocated or the
// entry's data cannot be read; `intact` false when the data are damaged or
// the content is not what the record's CRC-32 says.
HeapBuffer PayloadPrefetcher::decode(size_t position, bool& intact) const noexcept {
  const PackageArchive::EntryInfo& e = order_[position];
  intact = false;
  HeapBuffer out(static_cast<uint8_t*>(std::malloc(e.unpackedSize)));
  if (!out) return out;
  try {
    PackageView view = archive_.viewData(e);   // a mapped view may need memory of its own
    if (!view || e.storedSize < package::kLzmaPropsSize) return HeapBuffer();
    package::lzmaDecompress(view.data(), view.data() + package::kLzmaPropsSize, e.storedSize - package::kLzmaPropsSize,
                            out.get(), e.unpackedSize, &intact);
    // Checked here, on the helper's core: the worker then only writes it.
    if (intact) intact = PackageArchive::contentMatches(e, out.get(), e.unpackedSize);
  } catch (const std::exception&) {
    return HeapBuffer();
  }
  return out;
}

size_t PayloadPrefetcher::positionOf(const PackageArchive::EntryInfo& entry) const {
  auto it = std::lower_bound(order_.begin(), order_.end(), entry, beforeInOrder);
  return it != order_.end() && sameData(*it, entry) ? size_t(it - order_.begin()) : SIZE_MAX;
}

size_t PayloadPrefetcher::takenFromHelper() const {
  CriticalSectionLock hold(lock_);
  return taken_;
}

DecodeResult PayloadPrefetcher::extract(const PackageArchive::EntryInfo& entry, package::LzmaStreamDecoder& decoder,
                                        package::ByteOutput& output) {
  if (!thread_) return archive_.extractTo(entry, decoder, output);
  const size_t position = positionOf(entry);
  Decoded taken{SIZE_MAX, HeapBuffer(), false};
  {
    CriticalSectionLock hold(lock_);
    started_ = true;
    if (position != SIZE_MAX) {
      // What the worker went past is not wanted any more.
      while (!ready_.empty() && ready_.front().position < position) {
        heldBytes_ -= order_[ready_.front().position].unpackedSize;
        ready_.pop_front();
      }
      if (decoding_ != SIZE_MAX && decoding_ < position) stale_ = true;
      while (decoding_ == position) hold.wait(changed_);
      if (!ready_.empty() && ready_.front().position == position) {
        taken = std::move(ready_.front());
        ready_.pop_front();
        heldBytes_ -= entry.unpackedSize;
        ++taken_;
      }
      cursor_ = position + 1;
    }
  }
  changed_.wakeAll();

  if (!taken.content) return archive_.extractTo(entry, decoder, output);
  if (!taken.intact) return DecodeResult::Damaged;
  return output.write(taken.content.get(), entry.unpackedSize) ? DecodeResult::Intact : DecodeResult::WriteFailed;
}

}  // namespace kavri
