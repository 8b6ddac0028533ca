// CRC-32, eight bytes per step: table k gives the CRC of a byte followed by k
// zero bytes, so the CRCs of eight bytes combine with seven exclusive ors.
#include "crc32.h"

namespace kavri::package {
namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;   // reflected IEEE 802.3

struct Tables {
  uint32_t t[8][256];
};

constexpr Tables makeTables() {
  Tables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? kPolynomial ^ (c >> 1) : c >> 1;
    tables.t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (int k = 1; k < 8; ++k) tables.t[k][i] = (tables.t[k - 1][i] >> 8) ^ tables.t[0][tables.t[k - 1][i] & 0xFFu];
  return tables;
}

constexpr Tables kTables = makeTables();

inline uint32_t load32(const uint8_t* p) {   // little-endian, whatever the host
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t size) {
  const auto& t = kTables.t;
  crc = ~crc;
  for (; size >= 8; data += 8, size -= 8) {
    const uint32_t one = load32(data) ^ crc;
    const uint32_t two = load32(data + 4);
    crc = t[7][one & 0xFFu] ^ t[6][(one >> 8) & 0xFFu] ^ t[5][(one >> 16) & 0xFFu] ^ t[4][one >> 24] ^
          t[3][two & 0xFFu] ^ t[2][(two >> 8) & 0xFFu] ^ t[1][(two >> 16) & 0xFFu] ^ t[0][two >> 24];
  }
  for (; size > 0; ++data, --size) crc = t[0][(crc ^ *data) & 0xFFu] ^ (crc >> 8);
  return ~crc;
}

}  // namespace kavri::package
