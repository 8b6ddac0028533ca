// Layout units and device pixels: rounding at fractional scales, covering
// rectangles, extremes, and the choice and naming of image variants.
#include "dui/core/dpi_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>

namespace dui {
namespace {

TEST(DpiScale, SanitizesWhatTheSystemAnswers) {
  const struct {
    int in, out;
  } cases[] = {{0, 96}, {-5, 96}, {1, 48}, {72, 72}, {144, 144}, {192, 192}, {5000, 960}};
  for (const auto& c : cases) EXPECT_EQ(DpiScale(c.in).dpi(), c.out) << c.in;
}

TEST(DpiScale, ConvertsLengthsAndPositions) {
  const struct {
    int dpi, layout, device, back, backCeil;  // toDevice(layout); toLayout(device), toLayoutCeil(device)
  } cases[] = {
      {96, 7, 7, 7, 7},         {120, 4, 5, 4, 4},        {144, 1, 2, 1, 2},   // 1.5 rounds half up
      {144, 3, 5, 3, 4},        {144, 2, 3, 2, 2},        {192, 5, 10, 5, 5},
      {144, -1, -2, -2, -1},    {192, -3, -6, -3, -3},    // negative: floor stays a pixel left of 0
      {168, 10, 18, 10, 11},    // 175 %: 17.5 rounds to 18; 18 px are 10.28 units
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "dpi " << c.dpi << " layout " << c.layout);
    const DpiScale s(c.dpi);
    EXPECT_EQ(s.toDevice(c.layout), c.device);
    EXPECT_EQ(s.toLayout(c.device), c.back);
    EXPECT_EQ(s.toLayoutCeil(c.device), c.backCeil);
  }
}

// Every device pixel of a 2x or 1.5x window maps into the layout pixel whose
// device rectangle contains it: hit tests agree with painting.
TEST(DpiScale, DevicePixelsFallInTheLayoutPixelThatPaintsThem) {
  for (int dpi : {120, 144, 168, 192, 240}) {
    const DpiScale s(dpi);
    for (int device = -50; device < 200; ++device) {
      const int layout = s.toLayout(device);
      const Rect layoutPixel = s.coverDevice(Rect{layout, 0, layout + 1, 1});
      EXPECT_GE(device, layoutPixel.left) << dpi << " " << device;
      EXPECT_LT(device, layoutPixel.right) << dpi << " " << device;
    }
  }
}

TEST(DpiScale, CoveringRectanglesReachOutward) {
  const DpiScale s(144);
  EXPECT_EQ(s.coverDevice(Rect{1, 1, 2, 3}), (Rect{1, 1, 3, 5}));  // 1.5..3, 1.5..4.5
  EXPECT_EQ(s.toDevice(Rect{1, 1, 2, 3}), (Rect{2, 2, 3, 5}));
  EXPECT_EQ(s.coverLayout(Rect{1, 1, 4, 5}), (Rect{0, 0, 3, 4}));
  // A covered device rectangle, covered back, holds the layout one.
  for (int l = 0; l < 12; ++l)
    for (int r = l + 1; r < 14; ++r) {
      const Rect back = s.coverLayout(s.coverDevice(Rect{l, 0, r, 1}));
      EXPECT_LE(back.left, l);
      EXPECT_GE(back.right, r);
    }
}

TEST(DpiScale, SaturatesInsteadOfWrapping) {
  const DpiScale s(192);
  EXPECT_EQ(s.toDevice(INT_MAX), INT_MAX);
  EXPECT_EQ(s.toDevice(INT_MIN), INT_MIN);
  EXPECT_EQ(s.toLayoutCeil(INT_MAX), INT_MAX / 2 + 1);
  EXPECT_EQ(s.toDevice(Size{INT_MAX / 2 + 1, 3}), (Size{INT_MAX, 6}));
}

TEST(ImageVariants, Names) {
  const struct {
    const wchar_t* name;
    int percent;
    const wchar_t* variant;
  } cases[] = {
      {L"button_up.png", 100, L"button_up.png"},
      {L"button_up.png", 200, L"button_up@2x.png"},
      {L"button_up.png", 150, L"button_up@1.5x.png"},
      {L"button_up.png", 125, L"button_up@1.25x.png"},
      {L"skin/a.b/back.tar.png", 200, L"skin/a.b/back.tar@2x.png"},
      {L"skin/a.b/back", 200, L"skin/a.b/back@2x"},      // no extension: the dot is in the folder
      {L"skin\\.hidden", 150, L"skin\\.hidden@1.5x"},     // a leading dot is no extension
  };
  for (const auto& c : cases) EXPECT_EQ(imageVariantName(c.name, c.percent), c.variant) << c.name << c.percent;
}

TEST(ImageVariants, Choice) {
  const int all[] = {100, 150, 200};
  const int plainAndDouble[] = {100, 200};
  const int doubleFirst[] = {200, 100};
  const int plain[] = {100};
  const struct {
    const int* list;
    std::size_t count;
    int dpi;
    int chosen;
  } cases[] = {
      {all, 3, 96, 0},           {all, 3, 144, 1},          {all, 3, 192, 2},
      {all, 3, 120, 1},          // 125 %: the next larger one
      {all, 3, 288, 2},          // 300 %: the largest
      {plainAndDouble, 2, 144, 1}, {plainAndDouble, 2, 72, 0},
      {doubleFirst, 2, 96, 1},   {doubleFirst, 2, 120, 0},
      {plain, 1, 192, 0},        {all, 0, 96, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(chooseImageVariant(c.dpi, c.list, c.count), c.chosen) << c.dpi << " of " << c.count;
  EXPECT_EQ(chooseImageVariant(96, nullptr, 3), -1);
}

}  // namespace
}  // namespace dui
