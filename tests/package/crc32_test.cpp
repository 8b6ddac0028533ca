// CRC-32: the standard check values, and the same CRC whatever pieces the
// bytes come in (the eight-byte steps and the byte-wise tail must agree).
#include "package/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavri::package {
namespace {

uint32_t crcOf(const std::string& text) {
  return crc32Update(0, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(Crc32, StandardCheckValues) {
  struct Case {
    std::string text;
    uint32_t crc;
  };
  const Case cases[] = {
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"123456789", 0xCBF43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
      {std::string(32, '\0'), 0x190A55ADu},
      {std::string(32, '\xFF'), 0xFF6CAB0Bu},
  };
  for (const Case& c : cases) EXPECT_EQ(crcOf(c.text), c.crc) << c.text.size() << " bytes";
}

TEST(Crc32, PiecesGiveTheCrcOfTheWhole) {
  std::vector<uint8_t> bytes(1000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 131 + (i >> 3));
  const uint32_t whole = crc32Update(0, bytes.data(), bytes.size());
  for (size_t split : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(9), size_t(500), size_t(999), size_t(1000)}) {
    const uint32_t first = crc32Update(0, bytes.data(), split);
    EXPECT_EQ(crc32Update(first, bytes.data() + split, bytes.size() - split), whole) << "split at " << split;
  }
  // Starting at every alignment of the buffer.
  for (size_t offset = 1; offset < 8; ++offset) {
    std::vector<uint8_t> shifted(offset, 0);
    shifted.insert(shifted.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(crc32Update(0, shifted.data() + offset, bytes.size()), whole) << "offset " << offset;
  }
}

}  // namespace
}  // namespace kavri::package
