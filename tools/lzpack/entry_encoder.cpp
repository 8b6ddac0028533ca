// Per-entry LZMA settings: the dictionary fits the entry, and binary entries
// are also tried with the literal and position settings that suit aligned
// records. The first trial gives the same bytes as package::lzmaCompress.
#include "entry_encoder.h"

#include <cstdlib>

#include "LzmaEnc.h"
#include "package/package_format.h"

namespace kavri::package {
namespace {

void* sdkAlloc(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void sdkFree(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {sdkAlloc, sdkFree};

struct Trial {
  int lc, lp, pb;
};

// The usual settings first; then 4-byte-aligned records (no literal context,
// position bits for a 4-byte period).
constexpr Trial kTrials[] = {{3, 0, 2}, {0, 2, 2}};
// Below this size, or when the first trial barely shrinks the entry
// (already-compressed data), the other trials are not worth their time.
constexpr size_t kTrialMinimum = 16 * 1024;

bool encodeWith(const uint8_t* data, size_t size, const Trial& trial, std::vector<uint8_t>& out) {
  CLzmaEncProps props;
  LzmaEncProps_Init(&props);
  props.level = 5;
  props.numThreads = 1;   // single-threaded output is deterministic
  props.lc = trial.lc;
  props.lp = trial.lp;
  props.pb = trial.pb;
  // The dictionary fits the entry: level 5 allows 16 MiB, which bounds what a
  // streaming decoder has to hold, and the size hint shrinks it to the
  // smallest 2^n or 3*2^n bytes (4 KiB at least) that covers the entry.
  props.reduceSize = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<UInt32>(size);
  LzmaEncProps_Normalize(&props);

  out.assign(kLzmaPropsSize + size + size / 3 + 256, 0);
  SizeT propsSize = kLzmaPropsSize;
  SizeT destLen = out.size() - kLzmaPropsSize;
  SRes res = LzmaEncode(out.data() + kLzmaPropsSize, &destLen, data, size, &props, out.data(), &propsSize, 0,
                        nullptr, &g_alloc, &g_alloc);
  if (res != SZ_OK || propsSize != kLzmaPropsSize) {
    out.clear();
    return false;
  }
  out.resize(kLzmaPropsSize + destLen);
  return true;
}

// Text (mostly printable bytes in the first 4 KiB) gains nothing from the
// aligned-record settings.
bool looksLikeText(const uint8_t* data, size_t size) {
  const size_t n = size < 4096 ? size : 4096;
  size_t printable = 0;
  for (size_t i = 0; i < n; ++i)
    if ((data[i] >= 0x20 && data[i] < 0x7F) || data[i] == '\n' || data[i] == '\r' || data[i] == '\t') ++printable;
  return printable * 10 >= n * 9;
}

}  // namespace

bool encodeEntry(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  if (!encodeWith(data, size, kTrials[0], out)) return false;
  if (size < kTrialMinimum || out.size() > size - size / 16 || looksLikeText(data, size)) return true;
  std::vector<uint8_t> candidate;
  for (size_t t = 1; t < sizeof(kTrials) / sizeof(kTrials[0]); ++t) {
    if (!encodeWith(data, size, kTrials[t], candidate)) return false;
    if (candidate.size() < out.size()) out.swap(candidate);
  }
  return true;
}

}  // namespace kavri::package
