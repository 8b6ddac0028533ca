// The ".lz" package format: constants, record layout and name masking, shared by
// the reader (PackageArchive) and the package builder. No window code here.
//
// Layout: entry data areas, then the directory (records, ended by a zero word),
// then the directory offset XOR-ed with kMask in the last 4 bytes. A record is
// { record size, data offset, stored size, unpacked size, name field }; the name
// field is UTF-16LE, zero-terminated, zero-padded to a multiple of 4 bytes, and
// every complete 32-bit word of it is XOR-ed with kMask.
//
// Entry check (an extension inside the name field): after the name's
// terminator and padding, a record may carry the tag kCheckTag and the entry
// content's CRC-32 (crc32.h), two words masked like the rest of the field. A
// reader that knows only the rules above takes the name up to its terminator
// and never looks further, so it still reads such a package; a record without
// the extension (a package from an older builder) has no check. The field,
// extension included, stays within kMaxNameFieldBytes, so names that carry a
// check are at most kMaxCheckedNameUnits units long.
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
constexpr uint32_t kCheckTag = 0x31435243;   // "CRC1" in file byte order
constexpr size_t kCheckBytes = 8;            // the tag, then the CRC-32
constexpr size_t kMaxCheckedNameUnits = (kMaxNameFieldBytes - kCheckBytes) / 2 - 1;   // 1019

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

// An entry's check as its record carries it.
struct EntryCheck {
  bool present = false;   // false: a record without the extension
  uint32_t crc32 = 0;     // of the entry's content (after decompression)
};

// Builds the masked name field for `name` (no embedded zero units), with the
// check extension when `check` is present.
std::vector<uint8_t> encodeNameField(std::u16string_view name, EntryCheck check = {});

// Decodes a masked name field of `fieldBytes` bytes: unmasks its complete 32-bit
// words and takes the text up to the first zero unit. Returns false when the
// field is longer than kMaxNameFieldBytes or holds no zero unit. `check` (when
// given) receives the check extension, or none when the field has no such
// extension after the name's padding.
bool decodeNameField(const uint8_t* field, size_t fieldBytes, std::u16string& name, EntryCheck* check = nullptr);

// Appends one complete directory record for an entry.
void appendRecord(std::vector<uint8_t>& out, uint32_t dataOffset, uint32_t storedSize,
                  uint32_t unpackedSize, std::u16string_view name, EntryCheck check = {});

}  // namespace kavri::package
