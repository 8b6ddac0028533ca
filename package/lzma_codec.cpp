// LZMA SDK glue: allocator callbacks and fixed encoder settings.
#include "lzma_codec.h"

#include <cstdlib>

#include "LzmaDec.h"
#include "LzmaEnc.h"
#include "package_format.h"

namespace kavri::package {
namespace {

void* sdkAlloc(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void sdkFree(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {sdkAlloc, sdkFree};

}  // namespace

bool lzmaCompress(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  CLzmaEncProps props;
  LzmaEncProps_Init(&props);
  props.level = 5;                   // 16 MiB dictionary at most: bounded encoder memory
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

}  // namespace kavri::package
