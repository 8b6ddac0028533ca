// Name masking and record encoding of the ".lz" package format.
#include "package_format.h"

namespace kavri::package {

std::vector<uint8_t> encodeNameField(std::u16string_view name, EntryCheck check) {
  std::vector<uint8_t> field;
  field.reserve((name.size() + 1) * 2 + 3 + kCheckBytes);
  for (char16_t unit : name) {
    field.push_back(uint8_t(unit));
    field.push_back(uint8_t(unit >> 8));
  }
  field.push_back(0);   // terminator
  field.push_back(0);
  while (field.size() % 4 != 0) field.push_back(0);
  if (check.present) {   // after the padding, where a reader of names only never looks
    appendU32(field, kCheckTag);
    appendU32(field, check.crc32);
  }
  for (size_t i = 0; i + 4 <= field.size(); i += 4)
    writeU32(&field[i], readU32(&field[i]) ^ kMask);
  return field;
}

bool decodeNameField(const uint8_t* field, size_t fieldBytes, std::u16string& name, EntryCheck* check) {
  if (check) *check = EntryCheck{};
  if (fieldBytes > kMaxNameFieldBytes) return false;
  uint8_t work[kMaxNameFieldBytes];
  std::memcpy(work, field, fieldBytes);
  const size_t units = fieldBytes / 2;
  for (size_t word = 0; word < units / 2; ++word)   // complete words only; a trailing half word stays plain
    writeU32(work + word * 4, readU32(work + word * 4) ^ kMask);
  name.clear();
  for (size_t i = 0; i < units; ++i) {
    char16_t unit = char16_t(work[i * 2] | work[i * 2 + 1] << 8);
    if (unit == 0) {
      const size_t padded = ((i + 1) * 2 + 3) & ~size_t(3);   // the name, its terminator and padding
      if (check && fieldBytes >= padded + kCheckBytes && readU32(work + padded) == kCheckTag)
        *check = EntryCheck{true, readU32(work + padded + 4)};
      return true;
    }
    name.push_back(unit);
  }
  return false;   // no terminator inside the field
}

void appendRecord(std::vector<uint8_t>& out, uint32_t dataOffset, uint32_t storedSize,
                  uint32_t unpackedSize, std::u16string_view name, EntryCheck check) {
  std::vector<uint8_t> field = encodeNameField(name, check);
  appendU32(out, uint32_t(kRecordHeaderSize + field.size()));
  appendU32(out, dataOffset);
  appendU32(out, storedSize);
  appendU32(out, unpackedSize);
  out.insert(out.end(), field.begin(), field.end());
}

}  // namespace kavri::package
