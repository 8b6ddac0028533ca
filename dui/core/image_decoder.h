// Decoding skin image files into 8-bit RGBA, and premultiplying the pixels.
// The bytes come from the skin and layout packages and nothing vouches for
// them, so this is the one place they are read; it is window-free, fuzzed
// (tests/fuzz/image_fuzz.cpp) and tested natively under AddressSanitizer
// (tests/host). Drawing lives in skin_image.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace dui {

// Images with a side over this many pixels are refused before decoding.
inline constexpr int kMaxImageSide = 16384;

// Pixels the decoder allocated, released the decoder's way.
struct DecoderFree {
  void operator()(std::uint8_t* pixels) const noexcept;
};
using DecodedPixels = std::unique_ptr<std::uint8_t[], DecoderFree>;

struct DecodedImage {
  DecodedPixels rgba;   // width x height pixels of 4 bytes, top-down rows, not premultiplied
  int width = 0;
  int height = 0;
  bool keep = false;    // the file began with 0x01: whoever draws it keeps the RGBA pixels
};

// Decodes an image file: optionally the byte 0x01 (`keep`) followed by PNG,
// JPEG, BMP or TGA data. Refused before anything is decoded: empty data, a
// PNG chunk longer than the file, a JPEG Huffman table of more than 256 codes,
// other formats, a side outside 1..kMaxImageSide and 16-bit channels. False
// on failure, with the reason in `why` (empty for no bytes at all); `image`
// then holds no pixels.
bool decodeImage(const std::uint8_t* bytes, std::size_t length, DecodedImage& image, std::string& why);

// Premultiplies `count` RGBA pixels into 0xAARRGGBB words (each colour
// channel times alpha / 255, rounded down; opaque pixels unchanged). True
// when any pixel has alpha below 255.
bool premultiplyPixels(const std::uint8_t* rgba, std::size_t count, std::uint32_t* out);

}  // namespace dui
