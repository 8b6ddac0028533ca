// The executable checksum: the header field found (or not), and the sum,
// which adds four bytes at a time, equal to the sum of 16-bit words with the
// carry folded back in, however the file is cut into pieces and wherever the
// field lies (its bytes counting as zero).
#include "package/pe_checksum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "package/package_format.h"

namespace kavri::package {
namespace {

// The sum word by word, the way its definition reads.
uint32_t referenceSum(std::vector<uint8_t> file, uint64_t field) {
  for (uint64_t i = field; i < field + 4 && i < file.size(); ++i) file[size_t(i)] = 0;
  uint32_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    sum += file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return ((sum & 0xFFFF) + (sum >> 16)) + uint32_t(file.size());
}

TEST(PeChecksum, EqualsTheWordByWordSumInAnyPieces) {
  uint32_t seed = 99;
  auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (const size_t size : {size_t(0), size_t(1), size_t(7), size_t(300), size_t(4097), size_t(70001)}) {
    std::vector<uint8_t> file(size);
    for (uint8_t& b : file) b = uint8_t(next());
    for (const uint64_t field : {uint64_t(216), uint64_t(218), uint64_t(219), uint64_t(3)}) {
      for (const size_t pieceLimit : {size_t(1), size_t(5), size_t(64), size_t(100000)}) {
        PeChecksum sum(field);
        for (size_t at = 0; at < size;) {
          const size_t piece = std::min(size - at, 1 + next() % pieceLimit);
          sum.add(file.data() + at, piece);
          at += piece;
        }
        EXPECT_EQ(sum.value(), referenceSum(file, field)) << size << " bytes, field at " << field << ", pieces up to "
                                                          << pieceLimit;
      }
    }
  }
  // Only zero words: the one sum that folds to 0.
  PeChecksum zeros(216);
  const std::vector<uint8_t> empty(1000, 0);
  zeros.add(empty.data(), empty.size());
  EXPECT_EQ(zeros.value(), 1000u);
}

TEST(PeChecksum, FindsTheFieldOnlyInAPeHeader) {
  // "MZ", e_lfanew = 0x80, "PE\0\0", a file header whose optional header is 224 bytes.
  std::vector<uint8_t> head(0x80 + 4 + 20 + 224, 0);
  head[0] = 'M';
  head[1] = 'Z';
  writeU32(&head[60], 0x80);
  writeU32(&head[0x80], 0x00004550);
  head[0x80 + 4 + 16] = 224;
  uint64_t offset = 0;
  ASSERT_TRUE(peChecksumFieldOffset(head.data(), head.size(), offset));
  EXPECT_EQ(offset, 0x80u + 4 + 20 + 64);

  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
    size_t size;
  };
  const Case cases[] = {
      {"no MZ", 0, 'X', head.size()},
      {"no PE signature", 0x80, 'X', head.size()},
      {"an optional header too short for the field", 0x80 + 4 + 16, 60, head.size()},
      {"a header offset past the bytes", 63, 0x7F, head.size()},
      {"cut off before the field", 0, 'M', 0x80 + 4 + 20 + 64 + 3},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> damaged = head;
    damaged[c.at] = c.value;
    EXPECT_FALSE(peChecksumFieldOffset(damaged.data(), c.size, offset)) << c.what;
  }
}

}  // namespace
}  // namespace kavri::package
