// A check made before a JPEG reaches the decoder: no Huffman table may give
// more than 256 codes. The packaged stb_image builds a table's code lengths
// into a 257-entry array without checking the count, so a damaged or hostile
// skin image whose table counts add up to more writes past that array.
// Window-free.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dui {

// False when any Huffman table segment (marker 0xFF 0xC4, wherever it lies,
// read as the decoder reads it: bytes past the end count as zero) holds a
// table whose 16 counts add up to more than 256; true otherwise. A valid
// picture never has such a table, and outside a table segment the two marker
// bytes are harmless, so looking at every occurrence refuses nothing valid.
inline bool jpegHuffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
  auto at = [&](std::size_t i) -> unsigned { return i < size ? bytes[i] : 0u; };
  for (std::size_t marker = 0; marker + 1 < size; ++marker) {
    if (bytes[marker] != 0xFF || bytes[marker + 1] != 0xC4) continue;
    std::size_t p = marker + 2;
    long left = long(at(p) << 8 | at(p + 1)) - 2;
    p += 2;
    while (left > 0) {
      const unsigned q = at(p++);
      if ((q >> 4) > 1 || (q & 15) > 3) break;   // the decoder stops at a bad header
      unsigned count = 0;
      for (int i = 0; i < 16; ++i) count += at(p++);
      if (count > 256) return false;
      p += count;
      left -= 17 + long(count);
      if (p >= size) break;   // the rest reads as zeros: no more codes
    }
  }
  return true;
}

}  // namespace dui
