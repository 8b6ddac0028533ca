// Filtered resizing of premultiplied skin pictures.
#include "dui/core/image_resample.h"

#include <gtest/gtest.h>

#include <vector>

namespace dui {
namespace {

std::vector<std::uint32_t> resized(const std::vector<std::uint32_t>& source, int w, int h, int tw, int th) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(tw * th), 0xDEADBEEFu);
  EXPECT_TRUE(resamplePremultiplied(source.data(), w, h, out.data(), tw, th));
  return out;
}

bool premultiplied(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  return (p & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && ((p >> 16) & 0xFF) <= a;
}

TEST(ImageResample, FlatAreasKeepTheirExactColour) {
  const struct {
    int w, h, tw, th;
  } sizes[] = {{4, 3, 6, 5}, {4, 4, 8, 8}, {9, 7, 6, 5}, {5, 5, 5, 5}, {1, 1, 3, 2}, {6, 2, 1, 1}};
  for (const auto& s : sizes) {
    const std::vector<std::uint32_t> flat(static_cast<std::size_t>(s.w * s.h), 0x80402010u);
    for (std::uint32_t p : resized(flat, s.w, s.h, s.tw, s.th))
      EXPECT_EQ(p, 0x80402010u) << s.w << "x" << s.h << " to " << s.tw << "x" << s.th;
  }
}

TEST(ImageResample, SameSizeIsACopy) {
  std::vector<std::uint32_t> picture;
  for (std::uint32_t i = 0; i < 12; ++i) picture.push_back(0xFF000000u | (i * 0x151515u));
  EXPECT_EQ(resized(picture, 4, 3, 4, 3), picture);
}

// A hard edge, enlarged 2x: only the two columns meeting at the edge blend;
// the rest stays the exact source colours (no blur spread across the picture).
TEST(ImageResample, EnlargingBlendsOnlyAtEdges) {
  const std::vector<std::uint32_t> edge = {0xFF000000u, 0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu};
  const auto out = resized(edge, 4, 1, 8, 1);
  EXPECT_EQ(out[0], 0xFF000000u);
  EXPECT_EQ(out[2], 0xFF000000u);
  EXPECT_NE(out[3], 0xFF000000u);
  EXPECT_NE(out[4], 0xFFFFFFFFu);
  EXPECT_EQ(out[5], 0xFFFFFFFFu);
  EXPECT_EQ(out[7], 0xFFFFFFFFu);
}

// Shrinking averages the covered area: a one-pixel checkerboard halved is
// mid grey everywhere, not a pattern of picked pixels; transparent and opaque
// mixed stay premultiplied.
TEST(ImageResample, ShrinkingAveragesAndStaysPremultiplied) {
  std::vector<std::uint32_t> checker;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) checker.push_back(((x + y) % 2) ? 0xFFFFFFFFu : 0xFF000000u);
  for (std::uint32_t p : resized(checker, 4, 4, 2, 2)) EXPECT_EQ(p, 0xFF808080u);
  // Shrunk 4:1, a one-pixel line at the edge of each footprint still counts
  // for a quarter: it does not vanish between picked samples.
  const std::vector<std::uint32_t> lines = {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFFFFFFFFu,
                                            0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFFFFFFFFu};
  for (std::uint32_t p : resized(lines, 8, 1, 2, 1)) EXPECT_EQ(p, 0xFF404040u);

  std::vector<std::uint32_t> halo;
  for (int i = 0; i < 25; ++i) halo.push_back(i % 3 ? 0x00000000u : 0xC0C0A000u);
  for (const auto& size : {std::pair{3, 3}, std::pair{8, 8}, std::pair{7, 4}})
    for (std::uint32_t p : resized(halo, 5, 5, size.first, size.second)) EXPECT_TRUE(premultiplied(p)) << std::hex << p;
}

TEST(ImageResample, RefusesEmptySides) {
  std::uint32_t one = 0xFFFFFFFFu, out = 7;
  EXPECT_FALSE(resamplePremultiplied(&one, 0, 1, &out, 1, 1));
  EXPECT_FALSE(resamplePremultiplied(&one, 1, 1, &out, 1, -2));
  EXPECT_FALSE(resamplePremultiplied(nullptr, 1, 1, &out, 1, 1));
  EXPECT_EQ(out, 7u);
}

}  // namespace
}  // namespace dui
