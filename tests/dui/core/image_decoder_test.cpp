// The skin image decoder: PNG, BMP, TGA and JPEG to RGBA, the keep prefix,
// the files refused (with the checks made before decoding: PNG chunk lengths
// and JPEG Huffman tables) and premultiplying. Window-free: built natively
// under AddressSanitizer (tests/host) and in the Windows build.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dui/core/image_decoder.h"
#include "dui/core/jpeg_huffman.h"
#include "dui/core/png_chunks.h"
#include "tests/helpers/image_files.h"

namespace dui {
namespace {

using kavri::test::encodeBmp;
using kavri::test::encodePng;
using kavri::test::encodeTga;
using kavri::test::pngFromRows;
using kavri::test::Rgba;

std::vector<uint8_t> rgbaOf(const DecodedImage& image) {
  if (!image.rgba) return {};
  return std::vector<uint8_t>(image.rgba.get(), image.rgba.get() + size_t(image.width) * size_t(image.height) * 4);
}

TEST(ImageDecoder, PngBmpAndTgaDecodeToTheirPixels) {
  const std::vector<Rgba> pixels{{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {30, 60, 90, 255},
                                 {1, 2, 3, 255},   {4, 5, 6, 255}};
  std::vector<uint8_t> expected;
  for (const Rgba& p : pixels) expected.insert(expected.end(), {p.r, p.g, p.b, p.a});
  struct Case {
    const char* format;
    std::vector<uint8_t> bytes;
  } const cases[] = {
      {"PNG", encodePng(3, 2, pixels)},
      {"BMP", encodeBmp(3, 2, pixels)},
      {"TGA", encodeTga(3, 2, pixels)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    DecodedImage image;
    std::string why;
    ASSERT_TRUE(decodeImage(c.bytes.data(), c.bytes.size(), image, why)) << why;
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_FALSE(image.keep);
    EXPECT_EQ(rgbaOf(image), expected);
  }
}

TEST(ImageDecoder, KeepPrefixDecodesTheSamePicture) {
  const std::vector<Rgba> pixels{{200, 100, 50, 128}, {10, 20, 30, 255}, {0, 0, 0, 0}, {255, 255, 255, 255}};
  const std::vector<uint8_t> png = encodePng(2, 2, pixels);
  std::vector<uint8_t> kept{0x01};
  kept.insert(kept.end(), png.begin(), png.end());
  DecodedImage plain, keeping;
  std::string why;
  ASSERT_TRUE(decodeImage(png.data(), png.size(), plain, why)) << why;
  ASSERT_TRUE(decodeImage(kept.data(), kept.size(), keeping, why)) << why;
  EXPECT_FALSE(plain.keep);
  EXPECT_TRUE(keeping.keep);
  EXPECT_EQ(rgbaOf(keeping), rgbaOf(plain));
  EXPECT_EQ(rgbaOf(plain), (std::vector<uint8_t>{200, 100, 50, 128, 10, 20, 30, 255, 0, 0, 0, 0, 255, 255, 255, 255}));
}

// An 8 x 8 JPEG of one colour (0x3366CC), as an image editor writes it.
const std::vector<uint8_t> kSmallJpeg = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03,
    0x03, 0x03, 0x03, 0x04, 0x03, 0x03, 0x04, 0x05, 0x08, 0x05, 0x05, 0x04, 0x04, 0x05, 0x0a, 0x07,
    0x07, 0x06, 0x08, 0x0c, 0x0a, 0x0c, 0x0c, 0x0b, 0x0a, 0x0b, 0x0b, 0x0d, 0x0e, 0x12, 0x10, 0x0d,
    0x0e, 0x11, 0x0e, 0x0b, 0x0b, 0x10, 0x16, 0x10, 0x11, 0x13, 0x14, 0x15, 0x15, 0x15, 0x0c, 0x0f,
    0x17, 0x18, 0x16, 0x14, 0x18, 0x12, 0x14, 0x15, 0x14, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x03, 0x04,
    0x04, 0x05, 0x04, 0x05, 0x09, 0x05, 0x05, 0x09, 0x14, 0x0d, 0x0b, 0x0d, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0xff, 0xc0,
    0x00, 0x11, 0x08, 0x00, 0x08, 0x00, 0x08, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11,
    0x01, 0xff, 0xc4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0xff, 0xc4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xc4, 0x00,
    0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x07, 0x08, 0xff, 0xc4, 0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01,
    0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00, 0x2f, 0x54, 0x02, 0x47, 0xff, 0xd9,
};

// Found by the fuzzer: a Huffman table whose counts add up to more than 256,
// which made the decoder write past its table of code lengths.
const std::vector<uint8_t> kJpegTableOver256 = {
    0xff, 0xff, 0xff, 0xff, 0xff, 0xd8, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xc4, 0xb8, 0x89, 0x01, 0x00, 0xab, 0x02, 0x02,
    0x00, 0x0f, 0x4e, 0x45, 0xc1, 0x49, 0x5d, 0xae, 0x42, 0x00, 0x00, 0x00, 0x60, 0x82, 0x00, 0xf8,
    0xfe, 0xff, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

// Every refused file says why and leaves no pixels; the two checks made
// before decoding refuse what would otherwise reach the decoder's faults.
// Exact-size copies, so AddressSanitizer sees any read past the end.
TEST(ImageDecoder, RefusedImagesSayWhyAndHoldNoPixels) {
  const std::vector<uint8_t> good = encodePng(2, 2, std::vector<Rgba>(4, Rgba{9, 9, 9, 255}));
  std::vector<uint8_t> bigPixelRow(16385 * 4, 0);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* why;   // how the reason begins
  } cases[] = {
      {"empty", {}, ""},
      {"only the keep byte", {0x01}, "empty or too large"},
      {"wider than 16384", pngFromRows(20000, 1, {}), "not a supported picture"},
      {"taller than 16384", pngFromRows(1, 16385, {}), "not a supported picture"},
      {"16385 wide with full data", pngFromRows(16385, 1, bigPixelRow), "not a supported picture"},
      {"zero width", pngFromRows(0, 4, {}), "not a supported picture"},
      {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 40), "decoding failed"},
      {"damaged data", [&] {
         std::vector<uint8_t> bad = good;
         for (size_t i = 41; i < bad.size() - 12; ++i) bad[i] ^= 0x5A;
         return bad;
       }(), "decoding failed"},
      {"not an image", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, "not a supported picture"},
      {"16-bit channels", pngFromRows(1, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 6, 16), "16-bit channels"},
      {"PNM (left out)", {'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 10, 20, 30},
       "not a supported picture"},
      {"a PNG chunk declaring 2 GB", [&] {
         std::vector<uint8_t> bad = good;   // found by the fuzzer: the decoder asked for 2 GB
         for (size_t i = 8; i + 8 <= bad.size(); ++i)
           if (bad[i + 4] == 'I' && bad[i + 5] == 'D' && bad[i + 6] == 'A' && bad[i + 7] == 'T') {
             bad[i] = 0x7F, bad[i + 1] = 0xFF, bad[i + 2] = 0xFF, bad[i + 3] = 0x00;
             break;
           }
         return bad;
       }(), "a PNG chunk is longer than the file"},
      {"a JPEG Huffman table of more than 256 codes", kJpegTableOver256, "a JPEG Huffman table"},
      {"GIF (left out)", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 'D',
                          1, 0, ';'}, "not a supported picture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DecodedImage image;
    std::string why;
    EXPECT_FALSE(decodeImage(c.bytes.data(), c.bytes.size(), image, why));
    EXPECT_EQ(image.rgba, nullptr);
    EXPECT_EQ(why.rfind(c.why, 0), 0u) << why;
    if (!c.bytes.empty()) {
      EXPECT_FALSE(why.empty());
    }
  }
  DecodedImage image;
  std::string why = "stale";
  EXPECT_FALSE(decodeImage(nullptr, 0, image, why));
  EXPECT_EQ(why, "") << "no bytes at all is no error worth a line";
}

TEST(ImageDecoder, PremultiplyingScalesColoursByAlphaAndKeepsOpaquePixels) {
  struct Case {
    const char* what;
    Rgba pixel;
    uint32_t word;   // A R G B from high to low
    bool alpha;
  } const cases[] = {
      {"opaque", {10, 20, 30, 255}, 0xFF0A141Eu, false},
      {"half", {200, 100, 50, 128}, 0x80643219u, true},
      {"rounded down", {255, 1, 254, 254}, 0xFEFE00FDu, true},
      {"transparent", {9, 9, 9, 0}, 0x00000000u, true},
  };
  for (const Case& c : cases) {
    const uint8_t rgba[4] = {c.pixel.r, c.pixel.g, c.pixel.b, c.pixel.a};
    uint32_t out = 0;
    EXPECT_EQ(premultiplyPixels(rgba, 1, &out), c.alpha) << c.what;
    EXPECT_EQ(out, c.word) << c.what;
  }
  const uint8_t mixed[8] = {1, 2, 3, 255, 4, 5, 6, 0};
  uint32_t two[2] = {};
  EXPECT_TRUE(premultiplyPixels(mixed, 2, two)) << "one pixel with alpha is enough";
}

// The check before decoding: a chunk may not declare more than the bytes left.
TEST(PngChunks, EveryChunkMustFitInTheBytesThatFollow) {
  const std::vector<uint8_t> good = encodePng(2, 2, std::vector<Rgba>(4, Rgba{9, 9, 9, 255}));
  auto withFirstLength = [&](uint32_t length) {   // the IHDR chunk's length field
    std::vector<uint8_t> bytes = good;
    bytes[8] = uint8_t(length >> 24), bytes[9] = uint8_t(length >> 16), bytes[10] = uint8_t(length >> 8),
    bytes[11] = uint8_t(length);
    return bytes;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool fits;
  } const cases[] = {
      {"a whole PNG", good, true},
      {"cut inside the last checksum", std::vector<uint8_t>(good.begin(), good.end() - 2), true},
      {"cut inside a chunk's data", std::vector<uint8_t>(good.begin(), good.begin() + 20), false},
      {"a length one past the end", withFirstLength(uint32_t(good.size() - 16 + 1)), false},
      {"a length of 4 GB - 1", withFirstLength(0xFFFFFFFFu), false},
      {"only the signature", std::vector<uint8_t>(good.begin(), good.begin() + 8), true},
      {"not a PNG", {'B', 'M', 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0}, true},
      {"empty", {}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pngChunksFit(c.bytes.data(), c.bytes.size()), c.fits) << c.what;
}

// The check before decoding: no Huffman table of more than 256 codes, in a
// valid picture or anywhere the two marker bytes appear.
TEST(JpegHuffmanTables, MoreThan256CodesAreRefused) {
  auto segment = [](std::vector<uint8_t> counts, uint8_t header = 0x00) {
    std::vector<uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x13, header};
    counts.resize(16, 0);
    bytes.insert(bytes.end(), counts.begin(), counts.end());
    return bytes;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool fits;
  } const cases[] = {
      {"a valid picture", kSmallJpeg, true},
      {"the fuzzer's picture", kJpegTableOver256, false},
      {"counts adding up to 256", segment({255, 1}), true},
      {"counts adding up to 257", segment({255, 2}), false},
      {"16 counts of 255", segment(std::vector<uint8_t>(16, 255)), false},
      {"a bad table header (the decoder stops there)", segment({255, 2}, 0x24), true},
      {"cut inside the counts (the rest reads as zero)", {0xFF, 0xC4, 0x00, 0x13, 0x00, 200, 56}, true},
      {"cut inside the counts, over 256", {0xFF, 0xC4, 0x00, 0x13, 0x00, 200, 57}, false},
      {"no table", {0xFF, 0xD8, 0xFF, 0xD9}, true},
      {"empty", {}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(jpegHuffmanTablesFit(c.bytes.data(), c.bytes.size()), c.fits) << c.what;

  DecodedImage image;   // the valid picture still decodes, to its one colour
  std::string why;
  ASSERT_TRUE(decodeImage(kSmallJpeg.data(), kSmallJpeg.size(), image, why)) << why;
  ASSERT_EQ(image.width, 8);
  ASSERT_EQ(image.height, 8);
  for (size_t i = 0; i < 64; ++i) {
    SCOPED_TRACE(i);   // 0x3366CC, give or take the rounding of the transform
    EXPECT_NEAR(image.rgba[i * 4], 0x33, 2);
    EXPECT_NEAR(image.rgba[i * 4 + 1], 0x66, 2);
    EXPECT_NEAR(image.rgba[i * 4 + 2], 0xCC, 2);
    EXPECT_EQ(image.rgba[i * 4 + 3], 255);
  }
}

}  // namespace
}  // namespace dui
