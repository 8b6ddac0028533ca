// LZMA settings chosen per package entry: a few encoder settings are tried on
// an entry and the smallest result is kept. Deterministic (single-threaded
// encoder, fixed order of trials, the first of equal sizes wins).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavri::package {

// Compresses `size` bytes into the package entry form: the 5-byte properties
// header followed by the raw LZMA stream, which the package reader decodes
// whatever settings were chosen. Returns false only when the encoder fails.
bool encodeEntry(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

}  // namespace kavri::package
