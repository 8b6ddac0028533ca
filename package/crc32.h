// CRC-32 with the IEEE polynomial (as zip, PNG and gzip use it): the check
// each payload entry carries in its directory record. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavri::package {

// The CRC-32 of `size` more bytes, continuing `crc` (0 for the first piece):
// crc32Update(crc32Update(0, a, n), b, m) is the CRC-32 of a followed by b.
// Eight bytes per step through eight tables (slicing-by-8), so checking an
// entry costs far less than decoding it.
uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace kavri::package
