// Skin image decoding: the checks before the decoder, the decoder, and
// premultiplying.
#include "dui/core/image_decoder.h"

#include <climits>
#include <utility>

#include "dui/core/jpeg_huffman.h"
#include "dui/core/png_chunks.h"
#include "dui/core/stb_image_config.h"

namespace dui {

static_assert(kMaxImageSide == STBI_MAX_DIMENSIONS, "the decoder's own bound must match ours");

namespace {

// The decoder's reason for its last failure (a text of its own, never freed).
std::string decoderReason() {
  const char* reason = stbi_failure_reason();
  return reason ? reason : "no reason given";
}

}  // namespace

void DecoderFree::operator()(std::uint8_t* pixels) const noexcept { stbi_image_free(pixels); }

bool decodeImage(const std::uint8_t* bytes, std::size_t length, DecodedImage& image, std::string& why) {
  image = DecodedImage{};
  why.clear();
  if (!bytes || length == 0) return false;
  image.keep = bytes[0] == 0x01;
  if (image.keep) {
    ++bytes;
    --length;
  }
  if (length == 0 || length > std::size_t(INT_MAX)) {
    why = "empty or too large to decode";
    return false;
  }
  const int size = int(length);

  if (!pngChunksFit(bytes, length)) {
    why = "a PNG chunk is longer than the file";
    return false;
  }
  if (!jpegHuffmanTablesFit(bytes, length)) {
    why = "a JPEG Huffman table holds more than 256 codes";
    return false;
  }

  // Look at the header first: nothing is decoded for a picture over the bound
  // or with 16-bit channels (skins never need them).
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, size, &w, &h, &channels)) {
    why = "not a supported picture (" + decoderReason() + ")";
    return false;
  }
  if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) {
    why = std::to_string(w) + " x " + std::to_string(h) + " is outside 1.." + std::to_string(kMaxImageSide) +
          " pixels a side";
    return false;
  }
  if (stbi_is_16_bit_from_memory(bytes, size)) {
    why = "16-bit channels are not supported";
    return false;
  }

  DecodedPixels rgba(stbi_load_from_memory(bytes, size, &w, &h, &channels, 4));
  if (!rgba) {
    why = "decoding failed (" + decoderReason() + ")";
    return false;
  }
  image.rgba = std::move(rgba);
  image.width = w;
  image.height = h;
  return true;
}

bool premultiplyPixels(const std::uint8_t* rgba, std::size_t count, std::uint32_t* out) {
  bool anyAlpha = false;
  for (std::size_t i = 0; i < count; ++i, rgba += 4) {
    std::uint32_t r = rgba[0], g = rgba[1], b = rgba[2];
    const std::uint32_t a = rgba[3];
    if (a != 255) {
      anyAlpha = true;
      r = r * a / 255;
      g = g * a / 255;
      b = b * a / 255;
    }
    out[i] = (a << 24) | (r << 16) | (g << 8) | b;
  }
  return anyAlpha;
}

}  // namespace dui
