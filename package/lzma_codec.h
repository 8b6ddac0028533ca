// One-call LZMA encoding and decoding over memory buffers, as stored in package
// entries: the 5-byte properties header followed by the raw LZMA stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavri::package {

// Compresses `size` bytes; the result starts with the 5-byte properties header.
// Deterministic: the same input always gives the same bytes. Returns false only
// when the encoder fails (out of memory).
bool lzmaCompress(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// Decodes `streamSize` bytes of raw LZMA stream with the 5-byte `props` into
// `out` (capacity `capacity`). Returns the number of bytes produced; a corrupt
// stream yields what the decoder produced before it stopped, never more than
// `capacity`. `intact` (when given) is set true only when the decoder reported
// no error and produced exactly `capacity` bytes.
size_t lzmaDecompress(const uint8_t* props, const uint8_t* stream, size_t streamSize,
                      uint8_t* out, size_t capacity, bool* intact = nullptr);

}  // namespace kavri::package
