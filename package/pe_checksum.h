// The CheckSum field of a Windows executable's optional header, over the whole
// file: what the build writes into the setup (tools/pechecksum) and what the
// setup checks against its own file at start-up. Signing tools compute the
// same sum when they append a signature, so the field stays valid through
// signing. Window-free: the build tool runs natively.
//
// The sum: the file as 16-bit little-endian words (an odd last byte as a word
// of its own), the field's four bytes counted as zero, added with the carry
// folded back in (a ones'-complement sum), then the file's length added.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavri::package {

// Where the CheckSum field lies in a PE file whose first `size` bytes are
// `head`: its offset, or false when `head` holds no PE header with an optional
// header (the field must lie inside `head`).
bool peChecksumFieldOffset(const uint8_t* head, size_t size, uint64_t& offset);

// The checksum of a file whose bytes are fed in order, in pieces of any size.
class PeChecksum {
 public:
  explicit PeChecksum(uint64_t fieldOffset) : field_(fieldOffset) {}
  void add(const uint8_t* data, size_t size);
  // The value for the field once the whole file went through add().
  uint32_t value() const;
  // Whether `recorded` (the field as the file has it) is this file's sum. A
  // sum that folds to zero has two spellings (0 and 0xFFFF) and tools differ
  // in which they write; both are accepted.
  bool matches(uint32_t recorded) const;

 private:
  uint64_t field_;
  uint64_t position_ = 0;   // bytes fed so far
  uint64_t sum_ = 0;        // 32-bit words (and stray bytes at their place): equal to the sum modulo 0xFFFF
};

}  // namespace kavri::package
