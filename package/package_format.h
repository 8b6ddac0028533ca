// The ".lz" package format: constants, record layout and name masking, shared by
// the reader (PackageArchive) and the package builder. No window code here.
//
// Layout: entry data areas, then the directory (records, ended by a zero word),
// then the directory offset XOR-ed with kMask in the last 4 bytes. A record is
// { record size, data offset, stored size, unpacked size, name field }; the name
// field is UTF-16LE, zero-terminated, zero-padded to a multiple of 4 bytes, and
// every complete 32-bit word of it is XOR-ed with kMask.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kavri::package {

constexpr uint32_t kMask = 0x3B9D61C4;
constexpr size_t kRecordHeaderSize = 16;
constexpr size_t kMaxNameFieldBytes = 2048;   // 1024 UTF-16 units including the terminator
constexpr size_t kLzmaPropsSize = 5;

inline uint32_t readU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void writeU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

inline void appendU32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  writeU32(b, v);
  out.insert(out.end(), b, b + 4);
}

struct RecordHeader {
  uint32_t recordSize;
  uint32_t dataOffset;
  uint32_t storedSize;
  uint32_t unpackedSize;   // 0: stored uncompressed
};

inline RecordHeader readRecordHeader(const uint8_t* p) {
  return {readU32(p), readU32(p + 4), readU32(p + 8), readU32(p + 12)};
}

// Builds the masked name field for `name` (no embedded zero units).
std::vector<uint8_t> encodeNameField(std::u16string_view name);

// Decodes a masked name field of `fieldBytes` bytes: unmasks its complete 32-bit
// words and takes the text up to the first zero unit. Returns false when the
// field is longer than kMaxNameFieldBytes or holds no zero unit.
bool decodeNameField(const uint8_t* field, size_t fieldBytes, std::u16string& name);

// Appends one complete directory record for an entry.
void appendRecord(std::vector<uint8_t>& out, uint32_t dataOffset, uint32_t storedSize,
                  uint32_t unpackedSize, std::u16string_view name);

}  // namespace kavri::package
