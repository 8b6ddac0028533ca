// A check made before a PNG reaches the decoder: every chunk's declared length
// must fit in the bytes that follow it. The decoder grows its buffer for the
// compressed data to what the chunks declare before it reads them, so a
// damaged or hostile skin image declaring a 2 GB chunk in a few hundred bytes
// would make it ask for 2 GB. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dui {

// False when `bytes` start with the PNG signature and a chunk declares more
// data than is left; true otherwise (other formats, and short tails, are the
// decoder's to refuse).
inline bool pngChunksFit(const std::uint8_t* bytes, std::size_t size) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < sizeof kSignature) return true;
  for (std::size_t i = 0; i < sizeof kSignature; ++i)
    if (bytes[i] != kSignature[i]) return true;
  std::size_t at = sizeof kSignature;
  while (size - at >= 8) {   // length and type
    const std::uint32_t length = std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
                                 std::uint32_t(bytes[at + 2]) << 8 | std::uint32_t(bytes[at + 3]);
    at += 8;
    if (length > size - at) return false;
    at += length;
    if (size - at < 4) return true;   // the checksum, or what is left of it
    at += 4;
  }
  return true;
}

}  // namespace dui
