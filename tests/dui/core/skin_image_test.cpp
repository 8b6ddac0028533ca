// SkinImage: the decoder's pixels premultiplied into a DIB section, opaque
// and blended drawing, nine-grid pieces, the keep prefix and refused images,
// checked on pixels read back from a DIB section.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dui/core/dpi_window.h"
#include "dui/core/msimg.h"
#include "dui/core/skin_image.h"
#include "support/win32_handles.h"
#include "tests/helpers/image_files.h"
#include "tests/helpers/pixel_canvas.h"

namespace dui {
namespace {

using kavri::test::encodeBmp;
using kavri::test::encodePng;
using kavri::test::encodeTga;
using kavri::test::pngFromRows;
using kavri::test::Rgba;

// The memory word of an opaque-or-premultiplied pixel: A R G B from high to low.
constexpr uint32_t word(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

using Canvas = kavri::test::PixelCanvas;

std::vector<uint32_t> imageWords(const SkinImage& image) {
  DIBSECTION dib{};
  if (!::GetObjectW(image.bitmap(), sizeof(dib), &dib) || !dib.dsBm.bmBits) return {};
  const uint32_t* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
  return std::vector<uint32_t>(bits, bits + size_t(image.width()) * image.height());
}

bool loadImage(SkinImage& image, const std::vector<uint8_t>& bytes) { return image.load(bytes.data(), bytes.size()); }

class SkinImageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(loadMsimg32()); }
};

TEST_F(SkinImageTest, PixelsArePremultipliedAndOpaqueOnesStayUnchanged) {
  SkinImage image;
  ASSERT_TRUE(loadImage(image, encodePng(2, 1, {{200, 100, 50, 128}, {10, 20, 30, 255}})));
  EXPECT_EQ(image.width(), 2);
  EXPECT_EQ(image.height(), 1);
  EXPECT_TRUE(image.hasAlpha());
  // Stored as blue 25, green 50, red 100, alpha 128.
  EXPECT_EQ(imageWords(image), (std::vector<uint32_t>{word(100, 50, 25, 128), word(10, 20, 30)}));
  EXPECT_FALSE(image.keepsPixels());
  EXPECT_EQ(image.keptPixels(), nullptr);
}

TEST_F(SkinImageTest, OpaqueImageHasNoAlphaAndOverwritesWhatIsBelow) {
  SkinImage image;
  ASSERT_TRUE(loadImage(image, encodePng(2, 1, {{255, 0, 0, 255}, {0, 0, 255, 255}})));
  EXPECT_FALSE(image.hasAlpha());

  Canvas canvas(6, 3, word(1, 2, 3, 0));
  image.drawAt(canvas.dc(), 1, 1);
  image.drawInRect(canvas.dc(), 3, 0, 7, 1);   // stretched 2x, partly outside
  canvas.expectPixels(
      [](int x, int y) {
        if (y == 1 && x == 1) return word(255, 0, 0);
        if (y == 1 && x == 2) return word(0, 0, 255);
        if (y == 0 && x >= 3) return x < 5 ? word(255, 0, 0) : word(0, 0, 255);
        return word(1, 2, 3, 0);
      },
      "opaque draw");
}

TEST_F(SkinImageTest, TransparentImageIsBlendedOverTheBackground) {
  SkinImage image;
  ASSERT_TRUE(loadImage(image, encodePng(3, 1, {{200, 100, 50, 128}, {9, 9, 9, 0}, {10, 20, 30, 255}})));
  Canvas canvas(3, 1, word(255, 255, 255));
  image.drawAt(canvas.dc(), 0, 0);
  // Source-over with premultiplied colour: src + dst * (255 - 128) / 255.
  const uint32_t blended = canvas.at(0, 0);
  EXPECT_NEAR(int(blended >> 16 & 0xFF), 100 + 127, 1);
  EXPECT_NEAR(int(blended >> 8 & 0xFF), 50 + 127, 1);
  EXPECT_NEAR(int(blended & 0xFF), 25 + 127, 1);
  EXPECT_EQ(canvas.at(1, 0) & 0xFFFFFF, word(255, 255, 255) & 0xFFFFFF);   // fully transparent pixel
  EXPECT_EQ(canvas.at(2, 0) & 0xFFFFFF, word(10, 20, 30) & 0xFFFFFF);
}

TEST_F(SkinImageTest, DrawStretchesTheChosenSourceRows) {
  // A strip of four one-pixel frames, as button strips are drawn.
  const std::vector<Rgba> frames{{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 9, 9, 255}};
  SkinImage image;
  ASSERT_TRUE(loadImage(image, encodePng(1, 4, frames)));
  Canvas canvas(4, 2, 0);
  image.draw(canvas.dc(), 0, 0, 4, 2, 2, 1, 1);
  canvas.expectPixels([](int, int) { return word(0, 0, 255); }, "frame 2");
  image.draw(canvas.dc(), 0, 0, 4, 2, 3, 1, 2);   // reaches past the last row: nothing drawn
  canvas.expectPixels([](int, int) { return word(0, 0, 255); }, "source outside the image");
}

// A 30 x 30 image made of nine 10 x 10 regions of distinct colours.
std::vector<Rgba> nineRegionPixels(uint8_t alpha, Rgba (&colours)[3][3]) {
  std::vector<Rgba> pixels;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) pixels.push_back(colours[y / 10][x / 10]);
  for (Rgba& p : pixels) p.a = alpha;
  return pixels;
}

TEST_F(SkinImageTest, NineGridKeepsCornersAndStretchesEdgesAndCentre) {
  Rgba colours[3][3] = {{{200, 0, 0, 0}, {0, 200, 0, 0}, {0, 0, 200, 0}},
                        {{200, 200, 0, 0}, {0, 200, 200, 0}, {200, 0, 200, 0}},
                        {{100, 50, 0, 0}, {0, 100, 50, 0}, {50, 0, 100, 0}}};
  // Opaque (BitBlt/StretchBlt) and fully transparent-capable (AlphaBlend) paths.
  for (const uint8_t alpha : {uint8_t(255), uint8_t(128)}) {
    SkinImage image;
    ASSERT_TRUE(loadImage(image, encodePng(30, 30, nineRegionPixels(alpha, colours))));
    ASSERT_EQ(image.hasAlpha(), alpha != 255);
    const uint32_t background = word(0, 0, 0, 0);
    Canvas canvas(110, 60, background);
    image.drawNineGrid(canvas.dc(), 5, 5, 105, 55, 10, 10, 10, 10);   // a 100 x 50 destination
    canvas.expectPixels(
        [&](int x, int y) {
          if (x < 5 || x >= 105 || y < 5 || y >= 55) return background;
          const int column = x < 15 ? 0 : x < 95 ? 1 : 2;   // 10, 80, 10
          const int row = y < 15 ? 0 : y < 45 ? 1 : 2;      // 10, 30, 10
          const Rgba& c = colours[row][column];
          return word(uint8_t(c.r * alpha / 255), uint8_t(c.g * alpha / 255), uint8_t(c.b * alpha / 255), alpha);
        },
        alpha == 255 ? "opaque nine-grid" : "blended nine-grid");
  }
}

// A picture with a larger variant, drawn as a nine-grid into a DC scaled for
// 100, 150 and 200 %: the corners keep their scaled size, and the pixels come
// from the plain picture at 100 %, from the variant at 200 % and from the
// variant resampled at 150 % (never from the plain one enlarged).
TEST_F(SkinImageTest, ScaledDrawingPicksTheVariantAndKeepsCornersAtScaledSize) {
  Rgba plain[3][3] = {{{200, 0, 0, 0}, {0, 200, 0, 0}, {0, 0, 200, 0}},
                      {{200, 200, 0, 0}, {0, 200, 200, 0}, {200, 0, 200, 0}},
                      {{100, 50, 0, 0}, {0, 100, 50, 0}, {50, 0, 100, 0}}};
  Rgba larger[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) larger[r][c] = Rgba{uint8_t(plain[r][c].r / 2 + 20), uint8_t(plain[r][c].g / 2 + 20),
                                                     uint8_t(plain[r][c].b / 2 + 20), 0};
  std::vector<Rgba> doubled;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) doubled.push_back(larger[y / 20][x / 20]);
  for (Rgba& p : doubled) p.a = 255;
  for (const uint8_t alpha : {uint8_t(255), uint8_t(128)}) {
    SkinImage image;
    ASSERT_TRUE(loadImage(image, encodePng(30, 30, nineRegionPixels(alpha, plain))));
    auto variant = std::make_unique<SkinImage>();
    std::vector<Rgba> variantPixels = doubled;
    for (Rgba& p : variantPixels) p.a = alpha;
    ASSERT_TRUE(loadImage(*variant, encodePng(60, 60, variantPixels)));
    ASSERT_TRUE(image.addVariant(200, std::move(variant)));
    EXPECT_EQ(image.width(), 30);   // sizes stay the plain picture's: layout units

    const struct {
      int dpi;
      bool fromVariant;
    } scales[] = {{96, false}, {144, true}, {192, true}};
    for (const auto& scale : scales) {
      SCOPED_TRACE(testing::Message() << "dpi " << scale.dpi << " alpha " << int(alpha));
      const double f = scale.dpi / 96.0;
      Canvas canvas(int(110 * f), int(60 * f), word(0, 0, 0, 0));
      {
        ScopedDpiTransform scaled(canvas.dc(), DpiScale(scale.dpi));
        EXPECT_EQ(drawingDpi(canvas.dc()), scale.dpi);
        image.drawNineGrid(canvas.dc(), 5, 5, 105, 55, 10, 10, 10, 10);
      }
      // The middle of each of the nine pieces, in device pixels: corners are
      // 10 layout units, so their middle is 5 units in from the edges.
      const int xs[3] = {10, 55, 100}, ys[3] = {10, 30, 50};
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
          const Rgba& want = scale.fromVariant ? larger[r][c] : plain[r][c];
          EXPECT_EQ(canvas.at(int(xs[c] * f), int(ys[r] * f)),
                    word(uint8_t(want.r * alpha / 255), uint8_t(want.g * alpha / 255),
                         uint8_t(want.b * alpha / 255), alpha))
              << "piece " << r << "," << c;
        }
      // The top-left corner ends 10 units in: at the scaled pixel, not the plain one.
      const int edge = int(15 * f);
      EXPECT_EQ(canvas.at(edge - 2, int(10 * f)), canvas.at(int(10 * f), int(10 * f)));
      EXPECT_NE(canvas.at(edge + 1, int(10 * f)), canvas.at(int(10 * f), int(10 * f)));
    }
    // The resampled picture is made once per scale and kept.
    EXPECT_EQ(&image.pictureFor(144), &image.pictureFor(144));
    EXPECT_EQ(&image.pictureFor(96), &image);
  }
  // A "variant" no larger than the picture is refused.
  SkinImage image;
  ASSERT_TRUE(loadImage(image, encodePng(30, 30, nineRegionPixels(255, plain))));
  auto same = std::make_unique<SkinImage>();
  ASSERT_TRUE(loadImage(*same, encodePng(30, 30, nineRegionPixels(255, plain))));
  EXPECT_FALSE(image.addVariant(200, std::move(same)));
  EXPECT_EQ(image.variantCount(), 0u);
}

TEST_F(SkinImageTest, NineGridNeverDrawsInvertedPieces) {
  Rgba colours[3][3] = {{{200, 0, 0, 255}, {0, 200, 0, 255}, {0, 0, 200, 255}},
                        {{200, 200, 0, 255}, {0, 200, 200, 255}, {200, 0, 200, 255}},
                        {{100, 50, 0, 255}, {0, 100, 50, 255}, {50, 0, 100, 255}}};
  SkinImage image;
  ASSERT_TRUE(loadImage(image, encodePng(30, 30, nineRegionPixels(255, colours))));
  auto colourAt = [&](int row, int column) {
    const Rgba& c = colours[row][column];
    return word(c.r, c.g, c.b);
  };
  const uint32_t background = word(1, 1, 1, 0);

  {  // 12 x 8 is smaller than the borders: the corners share it half and half.
    Canvas canvas(20, 20, background);
    image.drawNineGrid(canvas.dc(), 4, 4, 16, 12, 10, 10, 10, 10);
    canvas.expectPixels(
        [&](int x, int y) {
          if (x < 4 || x >= 16 || y < 4 || y >= 12) return background;
          return colourAt(y < 8 ? 0 : 2, x < 10 ? 0 : 2);
        },
        "destination smaller than the borders");
  }
  {  // Negative borders count as none: a plain stretch of the whole image.
    Canvas canvas(6, 6, background);
    image.drawNineGrid(canvas.dc(), 0, 0, 3, 3, -5, -5, -5, -5);
    canvas.expectPixels(
        [&](int x, int y) { return x < 3 && y < 3 ? colourAt(y, x) : background; }, "negative borders");
  }
  {  // Borders wider than the image shrink to it; an empty or inverted destination draws nothing.
    Canvas canvas(42, 42, background);
    image.drawNineGrid(canvas.dc(), 1, 1, 41, 41, 50, 0, 50, 0);
    EXPECT_EQ(canvas.at(1, 1), colourAt(0, 0));
    EXPECT_EQ(canvas.at(40, 40), colourAt(2, 2));
    EXPECT_EQ(canvas.at(0, 0), background);
    EXPECT_EQ(canvas.at(41, 41), background);
    Canvas untouched(10, 10, background);
    image.drawNineGrid(untouched.dc(), 8, 8, 2, 2, 1, 1, 1, 1);
    image.drawNineGrid(untouched.dc(), 2, 2, 2, 8, 1, 1, 1, 1);
    untouched.expectPixels([&](int, int) { return background; }, "inverted destination");
  }
}

TEST_F(SkinImageTest, KeepPrefixLoadsTheSameImageAndKeepsItsPixels) {
  const std::vector<Rgba> pixels{{200, 100, 50, 128}, {10, 20, 30, 255}, {0, 0, 0, 0}, {255, 255, 255, 255}};
  const std::vector<uint8_t> png = encodePng(2, 2, pixels);
  std::vector<uint8_t> kept{0x01};
  kept.insert(kept.end(), png.begin(), png.end());

  SkinImage plain, keeping;
  ASSERT_TRUE(loadImage(plain, png));
  ASSERT_TRUE(loadImage(keeping, kept));
  EXPECT_EQ(imageWords(keeping), imageWords(plain));
  EXPECT_TRUE(keeping.keepsPixels());
  ASSERT_NE(keeping.keptPixels(), nullptr);
  const std::vector<uint8_t> expected{200, 100, 50, 128, 10, 20, 30, 255, 0, 0, 0, 0, 255, 255, 255, 255};
  EXPECT_EQ(std::vector<uint8_t>(keeping.keptPixels(), keeping.keptPixels() + 16), expected);

  // Loading again releases what the first load kept.
  ASSERT_TRUE(loadImage(keeping, png));
  EXPECT_FALSE(keeping.keepsPixels());
  EXPECT_EQ(keeping.keptPixels(), nullptr);
}

// A refused file (the decoder's cases are in image_decoder_test.cpp) leaves an
// image without a bitmap that draws nothing, also over a good one.
TEST_F(SkinImageTest, RefusedImagesDrawNothing) {
  const std::vector<uint8_t> good = encodePng(2, 2, std::vector<Rgba>(4, Rgba{9, 9, 9, 255}));
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } const cases[] = {
      {"empty", {}},
      {"only the keep byte", {0x01}},
      {"wider than 16384", pngFromRows(20000, 1, {})},
      {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 40)},
      {"not an image", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SkinImage image;
    EXPECT_FALSE(loadImage(image, c.bytes));
    EXPECT_EQ(image.bitmap(), nullptr);
    Canvas canvas(8, 8, word(7, 7, 7));
    image.drawAt(canvas.dc(), 0, 0);
    image.drawInRect(canvas.dc(), 0, 0, 8, 8);
    image.drawNineGrid(canvas.dc(), 0, 0, 8, 8, 2, 2, 2, 2);
    canvas.expectPixels([](int, int) { return word(7, 7, 7); }, c.what);
  }
  // A good image loaded over a refused one works, and a refused load clears a good one.
  SkinImage image;
  EXPECT_FALSE(loadImage(image, {1, 2, 3}));
  ASSERT_TRUE(loadImage(image, good));
  EXPECT_FALSE(loadImage(image, {1, 2, 3}));
  EXPECT_EQ(image.bitmap(), nullptr);
  EXPECT_EQ(image.width(), 0);
}

TEST_F(SkinImageTest, MutatedImagesNeverCrash) {
  std::vector<Rgba> pixels;
  for (int i = 0; i < 64; ++i) pixels.push_back(Rgba{uint8_t(i * 4), uint8_t(255 - i), uint8_t(i * 3), uint8_t(i < 8 ? i * 30 : 255)});
  const std::vector<std::vector<uint8_t>> bases{encodePng(8, 8, pixels), encodeBmp(8, 8, pixels), encodeTga(8, 8, pixels)};
  std::mt19937 random(20261210);
  Canvas canvas(16, 16, 0);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = bases[round % bases.size()];
    const int edits = 1 + int(random() % 6);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
      const size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0: bytes[at] = uint8_t(random()); break;
        case 1: bytes[at] = (random() % 2) ? 0xFF : 0x00; break;
        case 2: bytes[at] ^= uint8_t(1u << (random() % 8)); break;
        default: bytes.resize(at); break;
      }
    }
    SkinImage image;
    if (loadImage(image, bytes)) {
      EXPECT_LE(image.width(), kMaxImageSide);
      image.drawNineGrid(canvas.dc(), 0, 0, 16, 16, 3, 3, 3, 3);
    }
  }
}

}  // namespace
}  // namespace dui
