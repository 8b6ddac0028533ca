// What the buttons and labels paint, read back from a DIB: the image button's
// own image under its style, the label's padding and alignment.
#include <gtest/gtest.h>

#include "dui/controls/button_family.h"
#include "dui/controls/label.h"
#include "dui/core/msimg.h"
#include "dui/markup/markup_startup.h"
#include "tests/dui/markup/markup_test_util.h"

namespace dui {
namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xC80000;
constexpr uint32_t kGreen = 0x00C800;

class ControlPaint : public test::MemoryFilesTest {
 protected:
  void SetUp() override {
    test::MemoryFilesTest::SetUp();
    ASSERT_TRUE(loadMsimg32());
    std::vector<test::PackageEntry> entries;
    entries.push_back(test::solidPng("red.png", 0xC8, 0, 0));
    entries.push_back(test::solidPng("green.png", 0, 0xC8, 0));
    entries.push_back(test::textEntry(
        "green.xml", "<Style><Config type=\"Style\"><Prop upSkin=\"green.png\"/></Config></Style>"));
    addPackage(L"style.lz", std::move(entries));
    ASSERT_TRUE(openSkinPackage(L"style.lz"));
  }
  void TearDown() override {
    closeSkinPackage();
    test::MemoryFilesTest::TearDown();
  }
  static bool same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

TEST_F(ControlPaint, ImageButtonWithoutStyleShowsOnlyItsImage) {
  test::PixelCanvas canvas(100, 60);
  ImageButton button;
  button.setString(names::img, L"red.png");
  const Rect area{10, 10, 60, 40};
  button.draw(canvas.dc(), area, area);
  EXPECT_TRUE(same(canvas.changedBox(kBlack), RECT{10, 10, 60, 40}));
  EXPECT_EQ(canvas.rgb(10, 10), kRed);
  EXPECT_EQ(canvas.rgb(59, 39), kRed);
}

TEST_F(ControlPaint, ImageButtonStyleDrawsOverItsImage) {
  test::PixelCanvas canvas(100, 60);
  ImageButton button;
  button.setString(names::img, L"red.png");
  button.setString(names::style, L"green.xml");
  const Rect area{10, 10, 60, 40};
  button.draw(canvas.dc(), area, area);
  EXPECT_EQ(canvas.rgb(30, 25), kGreen);
  ImageButton missing;
  missing.setString(names::img, L"missing.png");
  canvas.clear(0xFF000000u);
  missing.draw(canvas.dc(), area, area);
  EXPECT_EQ(canvas.changedBox(kBlack).right, 0);  // nothing to draw, nothing drawn
}

TEST_F(ControlPaint, LabelDrawsInsideItsPaddingWithItsAlignment) {
  const Rect area{0, 0, 200, 40};
  Label empty;
  empty.setRect(names::padding, Rect{2, 2, 2, 2});
  test::PixelCanvas canvas(200, 40);
  empty.draw(canvas.dc(), area, area);
  EXPECT_EQ(canvas.changedBox(kBlack).right, 0);  // no text, nothing drawn

  struct Case { AttrKey align; bool nearLeft; bool nearRight; };
  for (const Case& c : {Case{nullptr, true, false}, Case{names::kwRight, false, true}, Case{names::kwCenter, false, false}}) {
    Label label;
    label.setString(names::text, L"MMMM");
    label.setInt(names::color, 0xFFFFFF);
    label.setRect(names::padding, Rect{30, 0, 20, 0});
    if (c.align) label.setEnum(names::textAlign, c.align);
    canvas.clear(0xFF000000u);
    label.draw(canvas.dc(), area, area);
    const RECT box = canvas.changedBox(kBlack);
    ASSERT_GT(box.right, box.left);
    EXPECT_GE(box.left, 30);
    EXPECT_LE(box.right, 180);
    EXPECT_EQ(box.left < 35, c.nearLeft);
    EXPECT_EQ(box.right > 175, c.nearRight);
  }
}

}  // namespace
}  // namespace dui
