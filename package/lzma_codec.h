// One-call LZMA encoding and decoding over memory buffers, as stored in package
// entries: the 5-byte properties header followed by the raw LZMA stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kavri::package {

// The largest dictionary the encoder uses (so the largest window a decoder
// needs for any entry).
constexpr uint32_t kMaxDictionary = 8u << 20;

// Compresses `size` bytes; the result starts with the 5-byte properties header.
// Each entry is encoded with two settings (for text, and for fixed-size binary
// records) and the smaller kept. Deterministic: the same input always gives the
// same bytes. Returns false only when the encoder fails (out of memory).
bool lzmaCompress(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// Decodes `streamSize` bytes of raw LZMA stream with the 5-byte `props` into
// `out` (capacity `capacity`). Returns the number of bytes produced; a corrupt
// stream yields what the decoder produced before it stopped, never more than
// `capacity`. `intact` (when given) is set true only when the decoder reported
// no error and produced exactly `capacity` bytes.
size_t lzmaDecompress(const uint8_t* props, const uint8_t* stream, size_t streamSize,
                      uint8_t* out, size_t capacity, bool* intact = nullptr);

// Where a streaming decode reads from and writes to.
struct ByteInput {
  // The next piece of input (size 0 at the end). False when it cannot be read.
  virtual bool next(const uint8_t*& data, size_t& size) = 0;

 protected:
  ~ByteInput() = default;
};
struct ByteOutput {
  // Takes the next decoded bytes; false stops the decode.
  virtual bool write(const uint8_t* data, size_t size) = 0;

 protected:
  ~ByteOutput() = default;
};

enum class DecodeResult { Intact, Damaged, ReadFailed, WriteFailed, NoMemory };

// Decodes one entry after another in pieces: the output goes out at most
// kDecodeChunk bytes at a time, straight from the decoder's history window,
// which is no larger than the entry or the stream's dictionary, whichever is
// smaller, and is kept for the next entry. One decoder per thread.
class LzmaStreamDecoder {
 public:
  static constexpr size_t kDecodeChunk = 1u << 20;
  LzmaStreamDecoder();
  ~LzmaStreamDecoder();
  LzmaStreamDecoder(const LzmaStreamDecoder&) = delete;
  LzmaStreamDecoder& operator=(const LzmaStreamDecoder&) = delete;

  // Decodes `unpackedSize` bytes of the stream with the 5-byte `props`. Intact
  // only when the decoder reported no error and produced exactly that many
  // bytes, as lzmaDecompress's `intact`.
  DecodeResult decode(const uint8_t* props, ByteInput& input, uint64_t unpackedSize, ByteOutput& output);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kavri::package
