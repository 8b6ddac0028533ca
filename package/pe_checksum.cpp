// The PE CheckSum: a ones'-complement sum of the file's 16-bit words plus its
// length. Words are summed four bytes at a time into 64 bits: a 32-bit word
// hi * 65536 + lo equals hi + lo modulo 0xFFFF, and so does the sum, which is
// folded into 16 bits only at the end.
#include "pe_checksum.h"

#include "package_format.h"

namespace kavri::package {
namespace {

constexpr uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kChecksumInOptionalHeader = 64;   // the same for PE32 and PE32+

}  // namespace

bool peChecksumFieldOffset(const uint8_t* head, size_t size, uint64_t& offset) {
  if (size < 64 || head[0] != 'M' || head[1] != 'Z') return false;
  const uint64_t pe = readU32(head + 60);   // e_lfanew
  const uint64_t field = pe + 4 + kFileHeaderSize + kChecksumInOptionalHeader;
  if (field + 4 > size || readU32(head + pe) != kPeSignature) return false;
  const uint16_t optionalSize = uint16_t(head[pe + 4 + 16] | head[pe + 4 + 17] << 8);
  if (optionalSize < kChecksumInOptionalHeader + 4) return false;
  offset = field;
  return true;
}

void PeChecksum::add(const uint8_t* data, size_t size) {
  // A byte at file position p weighs 256^(p mod 4), which modulo 0xFFFF is
  // 256^(p mod 2): bytes out of step go one by one, whole words in bulk.
  auto addByte = [this](uint8_t byte) {
    if (position_ - field_ >= 4) sum_ += uint64_t(byte) << (8 * (position_ & 3));
    ++position_;
  };
  while (size > 0 && (position_ & 3) != 0) {
    addByte(*data++);
    --size;
  }
  // Whole words: the stretch before the field, the words holding the field
  // byte by byte (it counts as zero), the stretch after it. Four sums side by
  // side keep the adds independent of each other.
  while (size >= 4) {
    size_t words = size / 4;
    if (position_ < field_ + 4 && position_ + 4 * uint64_t(words) > field_)   // the field lies in this stretch
      words = position_ + 4 > field_ ? 0 : size_t((field_ - position_) / 4);
    if (words == 0) {   // a word holding part of the field
      for (int i = 0; i < 4; ++i) addByte(data[i]);
      data += 4;
      size -= 4;
      continue;
    }
    uint64_t a = 0, b = 0, c = 0, d = 0;
    size_t i = 0;
    for (; i + 4 <= words; i += 4) {
      a += readU32(data + 4 * i);
      b += readU32(data + 4 * i + 4);
      c += readU32(data + 4 * i + 8);
      d += readU32(data + 4 * i + 12);
    }
    for (; i < words; ++i) a += readU32(data + 4 * i);
    sum_ += a + b + c + d;
    position_ += 4 * uint64_t(words);
    data += 4 * words;
    size -= 4 * words;
  }
  while (size > 0) {
    addByte(*data++);
    --size;
  }
}

uint32_t PeChecksum::value() const {
  uint32_t folded = uint32_t(sum_ % 0xFFFF);
  if (folded == 0 && sum_ != 0) folded = 0xFFFF;   // a ones'-complement sum is 0 only when every word is
  return folded + uint32_t(position_);
}

bool PeChecksum::matches(uint32_t recorded) const {
  const uint32_t sum = value();
  return recorded == sum || (sum - uint32_t(position_) == 0xFFFF && recorded == uint32_t(position_));
}

}  // namespace kavri::package
