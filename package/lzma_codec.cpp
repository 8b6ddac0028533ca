// LZMA SDK glue: allocator callbacks and fixed encoder settings.
#include "lzma_codec.h"

#include <cstdlib>

#include "LzmaDec.h"
#include "LzmaEnc.h"
#include "heap_buffer.h"
#include "package_format.h"

namespace kavri::package {
namespace {

void* sdkAlloc(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void sdkFree(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {sdkAlloc, sdkFree};

// A malloc'd buffer that only grows (its content is never kept across growth).
class HeapWindow {
 public:
  bool reserve(size_t size) {
    if (size <= capacity_) return true;
    buffer_.reset();
    capacity_ = 0;
    buffer_.reset(static_cast<uint8_t*>(std::malloc(size)));
    if (!buffer_) return false;
    capacity_ = size;
    return true;
  }
  uint8_t* data() { return buffer_.get(); }

 private:
  HeapBuffer buffer_;
  size_t capacity_ = 0;
};

}  // namespace

namespace {

// One encoding of `data` with the given literal/position settings; false when
// the encoder fails.
bool encodeWith(const uint8_t* data, size_t size, int lc, int pb, std::vector<uint8_t>& out) {
  CLzmaEncProps props;
  LzmaEncProps_Init(&props);
  props.level = 5;
  props.dictSize = kMaxDictionary;   // also bounds the decoder's window
  props.lc = lc;
  props.lp = 0;
  props.pb = pb;
  props.fb = 273;                    // longest matches: long runs cost fewer symbols
  props.numThreads = 1;              // single-threaded output is deterministic
  // A small input gets a small dictionary; the hint is a 32-bit field, so a
  // larger input asks for the largest.
  props.reduceSize = size == 0 ? 1u : size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<UInt32>(size);
  LzmaEncProps_Normalize(&props);

  out.assign(kLzmaPropsSize + size + size / 3 + 256, 0);
  SizeT propsSize = kLzmaPropsSize;
  SizeT destLen = out.size() - kLzmaPropsSize;
  SRes res = LzmaEncode(out.data() + kLzmaPropsSize, &destLen, data, size, &props, out.data(),
                        &propsSize, 0, nullptr, &g_alloc, &g_alloc);
  if (res != SZ_OK || propsSize != kLzmaPropsSize) {
    out.clear();
    return false;
  }
  out.resize(kLzmaPropsSize + destLen);
  return true;
}

}  // namespace

bool lzmaCompress(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  // Two settings per entry, the smaller kept (the first on a tie): the usual
  // one for text and code, and one whose contexts follow 16-byte positions,
  // which suits tables of fixed-size binary records.
  if (!encodeWith(data, size, 3, 2, out)) return false;
  std::vector<uint8_t> records;
  if (!encodeWith(data, size, 4, 4, records)) {
    out.clear();
    return false;
  }
  if (records.size() < out.size()) out.swap(records);
  return true;
}

size_t lzmaDecompress(const uint8_t* props, const uint8_t* stream, size_t streamSize,
                      uint8_t* out, size_t capacity, bool* intact) {
  SizeT destLen = capacity;
  SizeT srcLen = streamSize;
  ELzmaStatus status;
  SRes res = LzmaDecode(out, &destLen, stream, &srcLen, props, kLzmaPropsSize, LZMA_FINISH_ANY,
                        &status, &g_alloc);
  // A damaged stream still reports what it produced; only a clean status with
  // every expected byte counts as the whole entry.
  const size_t produced = destLen <= capacity ? destLen : capacity;
  if (intact)
    *intact = res == SZ_OK && produced == capacity && status != LZMA_STATUS_NEEDS_MORE_INPUT &&
              status != LZMA_STATUS_NOT_SPECIFIED;
  return produced;
}

struct LzmaStreamDecoder::State {
  CLzmaDec decoder;
  HeapWindow window;
};

LzmaStreamDecoder::LzmaStreamDecoder() : state_(std::make_unique<State>()) { LzmaDec_Construct(&state_->decoder); }

LzmaStreamDecoder::~LzmaStreamDecoder() { LzmaDec_FreeProbs(&state_->decoder, &g_alloc); }

DecodeResult LzmaStreamDecoder::decode(const uint8_t* props, ByteInput& input, uint64_t unpackedSize,
                                       ByteOutput& output) {
  if (unpackedSize == 0) return DecodeResult::Intact;
  CLzmaDec& dec = state_->decoder;
  const SRes allocated = LzmaDec_AllocateProbs(&dec, props, kLzmaPropsSize, &g_alloc);
  if (allocated == SZ_ERROR_MEM) return DecodeResult::NoMemory;
  if (allocated != SZ_OK) return DecodeResult::Damaged;   // properties out of range
  // The history window never needs to exceed what the entry holds.
  uint64_t windowSize = dec.prop.dicSize;
  if (windowSize > unpackedSize) windowSize = unpackedSize;
  if (windowSize == 0) windowSize = 1;
  if (windowSize > SIZE_MAX || !state_->window.reserve(size_t(windowSize))) return DecodeResult::NoMemory;
  dec.dic = state_->window.data();
  dec.dicBufSize = size_t(windowSize);
  LzmaDec_Init(&dec);

  uint64_t remaining = unpackedSize;
  const uint8_t* in = nullptr;
  size_t inSize = 0;
  bool inputEnded = false;
  ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
  while (remaining > 0) {
    if (inSize == 0 && !inputEnded) {
      if (!input.next(in, inSize)) return DecodeResult::ReadFailed;
      inputEnded = inSize == 0;
    }
    if (dec.dicPos == dec.dicBufSize) dec.dicPos = 0;   // the window wraps
    const SizeT start = dec.dicPos;
    SizeT limit = dec.dicBufSize;
    if (limit - start > kDecodeChunk) limit = start + kDecodeChunk;
    if (limit - start > remaining) limit = start + SizeT(remaining);
    SizeT used = inSize;
    const SRes res = LzmaDec_DecodeToDic(&dec, limit, in, &used, LZMA_FINISH_ANY, &status);
    in += used;
    inSize -= used;
    const SizeT produced = dec.dicPos - start;
    if (produced) {
      if (!output.write(dec.dic + start, produced)) return DecodeResult::WriteFailed;
      remaining -= produced;
    }
    if (res != SZ_OK) return DecodeResult::Damaged;
    // No progress: the stream ended (or marked its end) before the entry did.
    if (produced == 0 && used == 0 && (inSize != 0 || inputEnded)) return DecodeResult::Damaged;
  }
  return status == LZMA_STATUS_NEEDS_MORE_INPUT || status == LZMA_STATUS_NOT_SPECIFIED ? DecodeResult::Damaged
                                                                                     : DecodeResult::Intact;
}

}  // namespace kavri::package
