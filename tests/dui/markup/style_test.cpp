// Styles: which skin each style type paints for each state, the button text
// offset, built-in style files, the style cache, and the bar skins. Pictures
// are solid colours, so a probe pixel tells which skin was drawn.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dui/controls/button_family.h"
#include "dui/controls/list_controls.h"
#include "dui/controls/text_controls.h"
#include "dui/core/msimg.h"
#include "dui/markup/markup_startup.h"
#include "dui/markup/skin_resources.h"
#include "dui/markup/styles.h"
#include "tests/dui/markup/markup_test_util.h"

namespace dui {
namespace {

using test::PixelCanvas;
using test::solidPng;
using test::textEntry;

// Skin colours (0xRRGGBB) by short name.
const std::map<std::string, uint32_t> kColours = {
    {"up", 0xC80000},   {"over", 0x00C800},  {"down", 0x0000C8},  {"disabled", 0x646464},
    {"cup", 0xC8C800},  {"cover", 0x00C8C8}, {"cdown", 0xC800C8}, {"cdisabled", 0x323232},
    {"bar", 0x1E1E5A},  {"icon", 0xFFFFFF},
};
constexpr uint32_t kBackground = 0x000000;
const char* const kFrameOrder[] = {"up", "over", "down", "disabled", "cup", "cover", "cdown", "cdisabled"};

kavri::test::Rgba rgba(uint32_t c) { return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255}; }

std::string styleFile(const std::string& type, const std::string& prop) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Style><Config type=\"" + type + "\"><Prop " + prop +
         "/></Config></Style>";
}

const std::string kFourSkins = "upSkin=\"up.png\" overSkin=\"over.png\" downSkin=\"down.png\" disabledSkin=\"disabled.png\"";
const std::string kCheckedSkins =
    "checkedUpSkin=\"cup.png\" checkedOverSkin=\"cover.png\" checkedDownSkin=\"cdown.png\" "
    "checkedDisabledSkin=\"cdisabled.png\"";
const std::string kEightIcons =
    "upIcon=\"up.png\" overIcon=\"over.png\" downIcon=\"down.png\" disabledIcon=\"disabled.png\" "
    "checkedUpIcon=\"cup.png\" checkedOverIcon=\"cover.png\" checkedDownIcon=\"cdown.png\" "
    "checkedDisabledIcon=\"cdisabled.png\"";

class StyleTest : public test::MemoryFilesTest {
 protected:
  void SetUp() override {
    test::MemoryFilesTest::SetUp();
    ASSERT_TRUE(loadMsimg32());
    std::vector<test::PackageEntry> entries;
    for (const auto& [name, colour] : kColours) {
      const kavri::test::Rgba c = rgba(colour);
      entries.push_back(solidPng(name + ".png", c.r, c.g, c.b));
    }
    entries.push_back(solidPng("icon2.png", 255, 255, 255, 2, 2));
    entries.push_back(solidPng("bar4.png", 0x1E, 0x1E, 0x5A, 40, 4));
    entries.push_back(solidPng("track4.png", 0xC8, 0xC8, 0x00, 40, 4));
    std::vector<kavri::test::Rgba> frames;
    for (const char* name : kFrameOrder) frames.push_back(rgba(kColours.at(name)));
    entries.push_back(test::stripPng("strip8.png", frames, 8, 8));
    entries.push_back(test::stripPng("strip4.png", {frames.begin(), frames.begin() + 4}, 8, 8));
    const std::pair<const char*, std::string> styles[] = {
        {"state.xml", styleFile("Style", kFourSkins)},
        {"button.xml", styleFile("Button", kFourSkins)},
        {"editskin.xml", styleFile("Edit", kFourSkins)},
        {"toggle.xml", styleFile("ToggleButton", kFourSkins + " " + kCheckedSkins)},
        {"toggleicon.xml", styleFile("ToggleIconButton", kFourSkins + " " + kCheckedSkins)},
        {"check.xml", styleFile("CheckButton", kEightIcons)},
        {"checkex.xml", styleFile("CheckButtonEx", "src=\"strip8.png\"")},
        {"buttonex.xml", styleFile("ButtonEx", "src=\"strip4.png\"")},
        {"nodisabled.xml", styleFile("Button", "upSkin=\"up.png\"")},
        {"offset1.xml", styleFile("Button", "textColor=\"#ffffff\" downOffset=\"1\"")},
        {"offset2.xml", styleFile("Button", "textColor=\"#ffffff\" downOffset=\"2\"")},
        {"radiobutton.xml", styleFile("Style", "upSkin=\"up.png\"")},
        {"checkbox.xml", styleFile("Style", "upSkin=\"over.png\"")},
        {"edit.xml", styleFile("Style", "upSkin=\"down.png\"")},
        {"other.xml", styleFile("Style", "upSkin=\"cup.png\"")},
        {"unknowntype.xml", styleFile("Fancy", "upSkin=\"cover.png\"")},
        {"noprop.xml", "<Style><Config type=\"Button\"/></Style>"},
        {"noconfig.xml", "<Style/>"},
        {"malformed.xml", "<Style><Config type=\"Button\"><Prop upSkin=\"up.png\">"},
        {"empty.xml", ""},
        {"scroll.xml",
         styleFile("ScrollBar",
                   "barSkin=\"bar.png\" upArrowUpSkin=\"up.png\" upArrowOverSkin=\"over.png\" "
                   "upArrowDownSkin=\"down.png\" upArrowDisabledSkin=\"disabled.png\" downArrowUpSkin=\"up.png\" "
                   "downArrowOverSkin=\"over.png\" downArrowDownSkin=\"down.png\" "
                   "downArrowDisabledSkin=\"disabled.png\" thumbUpSkin=\"cup.png\" thumbOverSkin=\"cover.png\" "
                   "thumbDownSkin=\"cdown.png\" thumbUpIcon=\"icon2.png\" thumbOverIcon=\"icon2.png\" "
                   "thumbDownIcon=\"icon2.png\" thumbScaleGrid=\"2,2,2,2\"")},
        {"slider.xml",
         styleFile("Slider",
                   "barSkin=\"bar4.png\" trackSkin=\"track4.png\" thumbUpSkin=\"up.png\" thumbOverSkin=\"over.png\" "
                   "thumbDownSkin=\"down.png\"")},
        {"iconright.xml", styleFile("IconButton", "")},
        {"iconleft.xml", styleFile("IconButton", "textPlacement=\"left\" iconGap=\"4\"")},
        {"iconbottom.xml", styleFile("IconButton", "textPlacement=\"bottom\"")},
        {"toggleiconbare.xml", styleFile("ToggleIconButton", "")},
        {"combo.xml", styleFile("ComboBox", "dropBtn=\"over.png\"")},
    };
    for (const auto& [name, text] : styles) entries.push_back(textEntry(name, text));
    addPackage(L"style.lz", std::move(entries));
    ASSERT_TRUE(openSkinPackage(L"style.lz"));
  }
  void TearDown() override {
    closeSkinPackage();
    test::MemoryFilesTest::TearDown();
  }

  static Style* style(const wchar_t* name) { return skinResources().getStyle(name); }
};

std::string nameOfColour(uint32_t rgb) {
  for (const auto& [name, colour] : kColours)
    if (colour == rgb) return name;
  return rgb == kBackground ? "nothing" : "other";
}

TEST_F(StyleTest, StateSkinSelectionByFlags) {
  using namespace flags;
  struct Column {
    const wchar_t* style;
    int probeX, probeY;   // inside what the style draws for a 40 x 20 control
  };
  const Column columns[] = {
      {L"state.xml", 20, 10},  {L"button.xml", 20, 10}, {L"editskin.xml", 20, 10}, {L"toggle.xml", 20, 10},
      {L"toggleicon.xml", 20, 10}, {L"check.xml", 5, 9}, {L"checkex.xml", 4, 4}, {L"buttonex.xml", 20, 10},
  };
  struct Row {
    std::uint32_t flags;
    const char* expected[8];   // in the order of `columns`
  };
  const Row rows[] = {
      // state     button      edit        toggle       toggleicon  check        checkex      buttonex
      {Enabled, {"up", "up", "up", "up", "up", "up", "up", "up"}},
      {Enabled | MouseOver, {"over", "over", "over", "over", "over", "over", "over", "over"}},
      {Enabled | Focused, {"over", "over", "up", "up", "up", "up", "up", "up"}},
      {Enabled | Captured, {"down", "down", "up", "down", "down", "down", "down", "down"}},
      {Enabled | Captured | MouseOver, {"down", "down", "over", "down", "down", "down", "down", "down"}},
      {Enabled | Checked, {"down", "down", "up", "cup", "up", "cup", "cup", "up"}},
      {Enabled | Checked | MouseOver, {"down", "down", "over", "cover", "over", "cover", "cover", "over"}},
      {Enabled | Checked | Captured, {"down", "down", "up", "cdown", "down", "cdown", "cdown", "down"}},
      {Enabled | Checked | Focused, {"down", "down", "up", "cup", "up", "cup", "cup", "up"}},
      {Visible, {"disabled", "disabled", "disabled", "disabled", "disabled", "disabled", "disabled", "disabled"}},
      {Checked | Captured | MouseOver | Focused,
       {"disabled", "disabled", "disabled", "cdisabled", "disabled", "cdisabled", "cdisabled", "disabled"}},
  };
  PixelCanvas canvas(40, 20);
  Control control;
  for (const Row& row : rows) {
    control.setFlagWord(row.flags);
    for (std::size_t i = 0; i < std::size(columns); ++i) {
      Style* s = style(columns[i].style);
      ASSERT_NE(s, nullptr);
      canvas.clear(0xFF000000u);
      s->draw(canvas.dc(), Rect{0, 0, 40, 20}, &control);
      EXPECT_EQ(nameOfColour(canvas.rgb(columns[i].probeX, columns[i].probeY)), row.expected[i])
          << std::string(columns[i].style, columns[i].style + wcslen(columns[i].style)) << " with flags 0x"
          << std::hex << row.flags;
    }
  }
}

TEST_F(StyleTest, MissingStateSkinDrawsNothing) {
  PixelCanvas canvas(40, 20);
  Button button;
  button.setFlag(flags::Enabled, false);
  style(L"nodisabled.xml")->draw(canvas.dc(), Rect{0, 0, 40, 20}, &button);
  EXPECT_EQ(canvas.changedBox(kBackground).right, 0) << "no other state stands in";
  button.setFlag(flags::Enabled, true);
  style(L"nodisabled.xml")->draw(canvas.dc(), Rect{0, 0, 40, 20}, &button);
  EXPECT_EQ(nameOfColour(canvas.rgb(20, 10)), "up");
}

TEST_F(StyleTest, DownOffsetOfOneMovesTheTextOnlyWhileCaptured) {
  PixelCanvas canvas(80, 30);
  auto textBox = [&](const wchar_t* styleName, bool captured) {
    Button button;
    button.setString(names::text, L"HH");
    button.setFlag(flags::Captured, captured);
    canvas.clear(0xFF000000u);
    style(styleName)->draw(canvas.dc(), Rect{0, 0, 80, 30}, &button);
    return canvas.changedBox(kBackground);
  };
  const RECT rest = textBox(L"offset1.xml", false);
  ASSERT_GT(rest.right, rest.left) << "the text was drawn";
  const RECT pressed = textBox(L"offset1.xml", true);
  EXPECT_EQ(pressed.left, rest.left + 1);
  EXPECT_EQ(pressed.top, rest.top + 1);
  EXPECT_EQ(pressed.right, rest.right + 1);
  EXPECT_EQ(pressed.bottom, rest.bottom + 1);
  for (bool captured : {false, true}) {
    const RECT two = textBox(L"offset2.xml", captured);
    EXPECT_EQ(two.left, rest.left) << captured;
    EXPECT_EQ(two.top, rest.top) << captured;
  }
}

// A button's "&" marks its access key (dropped from the drawn text, "&&"
// draws one "&"); a list item's text is data and keeps every "&".
TEST_F(StyleTest, AmpersandsMarkAccessKeysUnlessTheTextIsLiteral) {
  PixelCanvas canvas(120, 30);
  auto width = [&](const wchar_t* text, bool literal) {
    Button button;
    button.setString(names::text, text);
    button.setFlag(flags::LiteralText, literal);
    canvas.clear(0xFF000000u);
    style(L"offset1.xml")->draw(canvas.dc(), Rect{0, 0, 120, 30}, &button);
    const RECT box = canvas.changedBox(kBackground);
    return box.right - box.left;
  };
  const int plain = width(L"HH", false);
  ASSERT_GT(plain, 0);
  EXPECT_EQ(width(L"H&H", false), plain);  // the marker is not drawn
  EXPECT_GT(width(L"H&&H", false), plain);
  EXPECT_EQ(width(L"H&&H", false), width(L"H&H", true));
  EXPECT_GT(width(L"H&H", true), plain);
  EXPECT_GT(width(L"&", true), 0);
}

TEST_F(StyleTest, BuiltInStyleFiles) {
  struct Case {
    const char* name;
    std::unique_ptr<Control> control;
    const wchar_t* styleAttribute;   // nullptr: none
    const char* expected;
  };
  Case cases[] = {
      {"radio button without style", std::make_unique<RadioButton>(), nullptr, "up"},
      {"radio button ignores its style", std::make_unique<RadioButton>(), L"other.xml", "up"},
      {"radio button with a missing style", std::make_unique<RadioButton>(), L"missing.xml", "up"},
      {"check box without style", std::make_unique<CheckBox>(), nullptr, "over"},
      {"check box style overrides", std::make_unique<CheckBox>(), L"other.xml", "cup"},
      {"check box with a missing style", std::make_unique<CheckBox>(), L"missing.xml", "nothing"},
      {"edit without style", std::make_unique<Edit>(), nullptr, "down"},
      {"edit style overrides", std::make_unique<Edit>(), L"other.xml", "cup"},
      {"edit with a missing style falls back", std::make_unique<Edit>(), L"missing.xml", "down"},
      {"button without style", std::make_unique<Button>(), nullptr, "nothing"},
      {"button with a missing style", std::make_unique<Button>(), L"missing.xml", "nothing"},
      {"button with a malformed style", std::make_unique<Button>(), L"malformed.xml", "nothing"},
      {"button with an empty style file", std::make_unique<Button>(), L"empty.xml", "nothing"},
      {"style file without Config", std::make_unique<Button>(), L"noconfig.xml", "nothing"},
      {"unknown style type draws the state skin", std::make_unique<Button>(), L"unknowntype.xml", "cover"},
      {"style without Prop draws nothing", std::make_unique<Button>(), L"noprop.xml", "nothing"},
  };
  PixelCanvas canvas(40, 20);
  for (Case& c : cases) {
    if (c.styleAttribute) c.control->setString(names::style, c.styleAttribute);
    canvas.clear(0xFF000000u);
    c.control->draw(canvas.dc(), Rect{0, 0, 40, 20}, Rect{0, 0, 40, 20});
    EXPECT_EQ(nameOfColour(canvas.rgb(20, 10)), c.expected) << c.name;
  }
  EXPECT_EQ(style(L"malformed.xml"), nullptr);
  EXPECT_EQ(style(L"missing.xml"), nullptr);
}

TEST_F(StyleTest, ControlsNamingOneFileShareOneStyle) {
  Style* first = style(L"button.xml");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(style(L"button.xml"), first);
  EXPECT_NE(style(L"state.xml"), first);
  EXPECT_EQ(style(L"Button.xml"), nullptr) << "names are compared exactly";

  // Both buttons paint through the one object: a change to it shows in both.
  Button a, b;
  a.setString(names::style, L"button.xml");
  b.setString(names::style, L"button.xml");
  first->setString(names::upSkin, L"cover.png");
  PixelCanvas canvas(40, 20);
  for (Button* button : {&a, &b}) {
    canvas.clear(0xFF000000u);
    button->draw(canvas.dc(), Rect{0, 0, 40, 20}, Rect{0, 0, 40, 20});
    EXPECT_EQ(nameOfColour(canvas.rgb(20, 10)), "cover");
  }
  // Reopening the package clears the cache: the file is built anew.
  ASSERT_TRUE(openSkinPackage(L"style.lz"));
  Style* rebuilt = style(L"button.xml");
  ASSERT_NE(rebuilt, nullptr);
  std::wstring up;
  EXPECT_TRUE(rebuilt->getString(names::upSkin, up));
  EXPECT_EQ(up, L"up.png");
}

TEST_F(StyleTest, ScrollBarPartsAndThumb) {
  using P = ScrollBarParts;
  struct Case {
    bool enabled;
    std::uint32_t state;
    const char* firstArrow;
    const char* secondArrow;
    const char* thumb;
  };
  const Case cases[] = {
      {true, 0, "up", "up", "cup"},
      {true, P::FirstArrowPressed | P::FirstArrowOver | P::SecondArrowOver | P::ThumbDragged, "down", "over", "cdown"},
      {true, P::ThumbOver | P::SecondArrowPressed, "up", "down", "cover"},
      {false, P::ThumbOver | P::FirstArrowPressed, "disabled", "disabled", "bar"},   // no thumb
  };
  PixelCanvas canvas(40, 100);
  ScrollBar bar;
  for (const Case& c : cases) {
    bar.setFlag(flags::Enabled, c.enabled);
    bar.setParts(P{Rect{0, 0, 16, 16}, Rect{0, 84, 16, 100}, Rect{0, 30, 16, 60}, c.state});
    bar.setString(names::style, L"scroll.xml");
    canvas.clear(0xFF000000u);
    bar.draw(canvas.dc(), Rect{10, 0, 26, 100}, Rect{10, 0, 26, 100});
    SCOPED_TRACE(c.state);
    EXPECT_EQ(nameOfColour(canvas.rgb(18, 8)), c.firstArrow);
    EXPECT_EQ(nameOfColour(canvas.rgb(18, 92)), c.secondArrow);
    EXPECT_EQ(nameOfColour(canvas.rgb(18, 36)), c.thumb);
    EXPECT_EQ(nameOfColour(canvas.rgb(18, 22)), "bar");
    EXPECT_EQ(nameOfColour(canvas.rgb(10, 36)), "bar") << "the thumb is narrowed by one pixel";
    EXPECT_EQ(nameOfColour(canvas.rgb(9, 36)), "nothing") << "drawn inside the bar's rectangle";
    EXPECT_EQ(nameOfColour(canvas.rgb(17, 44)), c.enabled ? "icon" : "bar") << "icon centred on the thumb";
  }
}

// Which skin a scroll bar takes by orientation, and the vertical skin turned
// a quarter for a horizontal bar when the skin has no horizontal one. Every
// vertical picture is two colours, one over the other, so a probe tells
// whether it was turned: its top half then lies on the left.
class ScrollBarSkinTest : public test::MemoryFilesTest {
 protected:
  static constexpr uint32_t kRed = 0xC80000, kGreen = 0x00C800, kBlue = 0x0000C8, kYellow = 0xC8C800;
  static constexpr uint32_t kDark = 0x202020, kLight = 0x606060, kThumbA = 0xFFFFFF, kThumbB = 0x808000;
  static constexpr uint32_t kOrange = 0xFF8000, kPurple = 0x8000FF, kTeal = 0x008080, kPink = 0xFF80C0;

  void open(bool withHorizontalSkin) {
    ASSERT_TRUE(loadMsimg32());
    std::vector<test::PackageEntry> entries;
    // Vertical: arrows 16 x 10, bar and thumb 16 x 16, each top half / bottom half.
    entries.push_back(test::stripPng("vup.png", {rgba(kRed), rgba(kGreen)}, 16, 5));
    entries.push_back(test::stripPng("vdown.png", {rgba(kBlue), rgba(kYellow)}, 16, 5));
    entries.push_back(test::stripPng("vbar.png", {rgba(kDark), rgba(kLight)}, 16, 8));
    entries.push_back(test::stripPng("vthumb.png", {rgba(kThumbA), rgba(kThumbB)}, 16, 8));
    // The bar's top 4 rows keep their size: turned, its left 4 columns do.
    entries.push_back(textEntry("vscrollbar.xml",
                                styleFile("ScrollBar", "barSkin=\"vbar.png\" scaleGrid=\"0,4,0,0\" "
                                                       "upArrowUpSkin=\"vup.png\" downArrowUpSkin=\"vdown.png\" "
                                                       "thumbUpSkin=\"vthumb.png\"")));
    if (withHorizontalSkin) {
      entries.push_back(solidPng("hleft.png", 0xFF, 0x80, 0x00, 12, 16));
      entries.push_back(solidPng("hright.png", 0x80, 0x00, 0xFF, 12, 16));
      entries.push_back(solidPng("hbar.png", 0x00, 0x80, 0x80, 16, 14));
      entries.push_back(solidPng("hthumb.png", 0xFF, 0x80, 0xC0, 16, 16));
      entries.push_back(textEntry("hscrollbar.xml",
                                  styleFile("ScrollBar", "barSkin=\"hbar.png\" upArrowUpSkin=\"hleft.png\" "
                                                         "downArrowUpSkin=\"hright.png\" thumbUpSkin=\"hthumb.png\"")));
    }
    addPackage(L"style.lz", std::move(entries));
    ASSERT_TRUE(openSkinPackage(L"style.lz"));
  }
  void TearDown() override {
    closeSkinPackage();
    test::MemoryFilesTest::TearDown();
  }
};

TEST_F(ScrollBarSkinTest, AHorizontalBarTakesItsOwnSkinOrTheVerticalOneTurned) {
  struct Probe {
    int x, y;
    uint32_t colour;
    const char* what;
  };
  struct Case {
    const char* name;
    bool withHorizontalSkin, vertical;
    const wchar_t* style;   // the bar's "style" attribute, or none
    Rect firstArrow, secondArrow, thumb;
    std::vector<Probe> probes;
    std::int32_t horizontalThickness;   // what a scroll panel gives its horizontal bar
  };
  const Case cases[] = {
      {"horizontal, no horizontal skin: turned", false, false, nullptr, {0, 0, 10, 16}, {90, 0, 100, 16},
       {60, 0, 85, 16},
       {{2, 8, kRed, "left arrow: the up arrow's top half on the left"},
        {7, 8, kGreen, "left arrow: its bottom half on the right"},
        {92, 8, kBlue, "right arrow: the down arrow's top half on the left"},
        {97, 8, kYellow, "right arrow: its bottom half on the right"},
        {12, 8, kDark, "the bar's fixed left columns (the grid turned with it)"},
        {40, 8, kLight, "the bar's stretched middle"},
        {65, 8, kThumbA, "the thumb turned"}, {80, 8, kThumbB, "the thumb turned, right half"},
        {72, 0, kLight, "the thumb narrowed across the bar: top row"},
        {72, 15, kLight, "the thumb narrowed across the bar: bottom row"}},
       16},   // the vertical bar's width
      {"horizontal, own skin: as it is", true, false, nullptr, {0, 0, 12, 16}, {88, 0, 100, 16}, {60, 0, 85, 16},
       {{6, 8, kOrange, "left arrow"}, {94, 8, kPurple, "right arrow"}, {40, 8, kTeal, "bar"},
        {72, 8, kPink, "thumb"}, {72, 0, kTeal, "the thumb narrowed across the bar"}},
       14},   // its own bar's height
      {"vertical: the vertical skin", true, true, nullptr, {0, 0, 16, 10}, {0, 90, 16, 100}, {0, 60, 16, 85},
       {{8, 2, kRed, "up arrow, top half"}, {8, 7, kGreen, "up arrow, bottom half"},
        {8, 92, kBlue, "down arrow"}, {8, 40, kLight, "bar"}, {8, 65, kThumbA, "thumb"},
        {0, 72, kLight, "the thumb narrowed across the bar"}},
       14},
      {"horizontal with a style attribute: that style, not turned", false, false, L"vscrollbar.xml",
       {0, 3, 16, 13}, {84, 3, 100, 13}, {60, 0, 85, 16},
       {{8, 5, kRed, "first arrow, top half on top"}, {8, 10, kGreen, "first arrow, bottom half below"}},
       16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    open(c.withHorizontalSkin);
    ScrollBar bar;
    bar.setVertical(c.vertical);
    if (c.style) bar.setString(names::style, c.style);
    const int w = c.vertical ? 16 : 100, h = c.vertical ? 100 : 16;
    bar.arrangeOverride(w, h);
    EXPECT_EQ(bar.parts().firstArrow, c.firstArrow);
    EXPECT_EQ(bar.parts().secondArrow, c.secondArrow);
    ScrollBarParts parts = bar.parts();
    parts.thumb = c.thumb;
    bar.setParts(parts);
    PixelCanvas canvas(w, h);
    canvas.clear(0xFF000000u);
    bar.draw(canvas.dc(), Rect{0, 0, w, h}, Rect{0, 0, w, h});
    for (const Probe& p : c.probes) EXPECT_EQ(canvas.rgb(p.x, p.y), p.colour) << p.what;
    ScrollPanel panel;
    EXPECT_EQ(panel.horizontalBarHeight(), c.horizontalThickness);
    closeSkinPackage();
  }
}

TEST_F(StyleTest, SliderSplitsBarAndTrackAtTheThumbCentre) {
  PixelCanvas canvas(100, 20);
  Slider slider;   // value 50 of 100
  slider.setRect(Rect{0, 0, 100, 20});
  const Rect thumb = slider.thumbRect();
  EXPECT_EQ(thumb, (Rect{46, 0, 54, 20})) << "(100 - 8) * 50 / 100";
  const struct {
    std::uint32_t flags;
    const char* thumb;
  } cases[] = {{flags::Enabled, "up"}, {flags::Enabled | flags::Checked, "over"},
               {flags::Enabled | flags::Checked | flags::Captured, "down"}};
  for (const auto& c : cases) {
    slider.setFlagWord(c.flags);
    canvas.clear(0xFF000000u);
    slider.draw(canvas.dc(), Rect{0, 0, 100, 20}, Rect{0, 0, 100, 20});
    EXPECT_EQ(nameOfColour(canvas.rgb(50, 2)), c.thumb);
    EXPECT_EQ(nameOfColour(canvas.rgb(75, 10)), "bar");
    EXPECT_EQ(nameOfColour(canvas.rgb(25, 10)), "cup") << "track from the left edge";
    EXPECT_EQ(nameOfColour(canvas.rgb(75, 6)), "nothing") << "bar at its natural height, centred";
    EXPECT_EQ(nameOfColour(canvas.rgb(75, 8)), "bar");
  }
}

TEST_F(StyleTest, IconPlacement) {
  const struct {
    const wchar_t* style;
    int iconLeft, iconTop;
  } cases[] = {
      {L"iconright.xml", 15, 6},    // (0 + 40 - 2 - 0 - 8) / 2, (20 - 8) / 2
      {L"iconleft.xml", 18, 6},     // x = (40 - 4 - 8) / 2 = 14, icon at x + 0 + 4
      {L"iconbottom.xml", 16, 5},   // (40 - 8) / 2, (20 - 2 - 0 - 8) / 2
  };
  PixelCanvas canvas(40, 20);
  IconButton button;
  button.setString(names::icon, L"up.png");
  for (const auto& c : cases) {
    canvas.clear(0xFF000000u);
    style(c.style)->draw(canvas.dc(), Rect{0, 0, 40, 20}, &button);
    const RECT box = canvas.changedBox(kBackground);
    EXPECT_EQ(box.left, c.iconLeft);
    EXPECT_EQ(box.top, c.iconTop);
    EXPECT_EQ(box.right - box.left, 8);
  }
}

TEST_F(StyleTest, ToggleIconShowsItsOffIconWhileCheckedAndComboItsDropButton) {
  PixelCanvas canvas(40, 20);
  ToggleIconButton toggle;
  toggle.setString(names::icon, L"up.png");
  toggle.setString(names::offIcon, L"over.png");
  for (bool checked : {false, true}) {
    toggle.setFlag(flags::Checked, checked);
    canvas.clear(0xFF000000u);
    style(L"toggleiconbare.xml")->draw(canvas.dc(), Rect{0, 0, 40, 20}, &toggle);
    EXPECT_EQ(nameOfColour(canvas.rgb(19, 10)), checked ? "over" : "up");
  }

  ComboBox combo;
  canvas.clear(0xFF000000u);
  style(L"combo.xml")->draw(canvas.dc(), Rect{0, 0, 40, 20}, &combo);
  const RECT box = canvas.changedBox(kBackground);
  EXPECT_EQ(box.left, 32) << "at natural size against the right edge";
  EXPECT_EQ(box.right, 40);
  EXPECT_EQ(box.top, 6) << "centred vertically";
  EXPECT_EQ(box.bottom, 14);
}

}  // namespace
}  // namespace dui
