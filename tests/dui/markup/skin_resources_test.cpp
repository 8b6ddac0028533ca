// SkinResources: opening the skin package, the fonts of "font.xml" read back
// from the created fonts, and the image cache.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dui/markup/font_list.h"
#include "dui/markup/markup_startup.h"
#include "dui/markup/skin_resources.h"
#include "package/file_system.h"
#include "tests/dui/markup/markup_test_util.h"

namespace dui {
namespace {

using kavri::package::PackageEntry;
using kavri::test::bytesOf;

std::vector<uint8_t> smallPng() {
  return kavri::test::encodePng(2, 2, std::vector<kavri::test::Rgba>(4, kavri::test::Rgba{1, 2, 3, 255}));
}

// A memory file system holding one skin package, current while the fixture lives.
class SkinPackageTest : public ::testing::Test {
 protected:
  void usePackage(std::vector<PackageEntry> entries) {
    files_.addFile(L"style.lz", kavri::test::buildImage(std::move(entries)));
  }
  void SetUp() override { kavri::setCurrentFileSystem(&files_); }
  void TearDown() override {
    closeSkinPackage();
    kavri::setCurrentFileSystem(nullptr);
  }

  static LOGFONTW logFontOf(HFONT font) {
    LOGFONTW lf{};
    EXPECT_TRUE(::GetObjectW(font, sizeof(lf), &lf));
    return lf;
  }

  kavri::MemoryFileSystem files_;
  SkinResources skin_;
};

TEST_F(SkinPackageTest, FontAttributesApplyToTheDefaultGuiFont) {
  usePackage({{u"font.xml",
               bytesOf("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Fonts>\n"
                       "  <Font name=\"Default\" face=\"\xE6\x96\xB0\xE5\xAE\x8B\xE4\xBD\x93\" size=\"12\"/>\n"
                       "  <Font name=\"Bold\" bold=\"true\"/>\n"
                       "  <Font name=\"NotQuiteBold\" bold=\"yes\"/>\n"
                       "  <Font name=\"Underline\" underline=\"true\" size=\" 14px\"/>\n"
                       "  <Font name=\"NoUnderline\" underline=\"false\" size=\"big\"/>\n"
                       "  <Font face=\"Nameless\"/>\n"
                       "  <Anything name=\"LongFace\" face=\"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij\" colour=\"red\"/>\n"
                       "  <Font name=\"Twice\" size=\"10\"/><Font name=\"Twice\" size=\"20\"/>\n"
                       "</Fonts>")}});
  ASSERT_TRUE(skin_.open(L"style.lz"));
  LOGFONTW base{};
  ASSERT_TRUE(::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(base), &base));

  const LOGFONTW def = logFontOf(skin_.getFont(L"Default"));
  EXPECT_EQ(def.lfHeight, -12);
  EXPECT_STREQ(def.lfFaceName, L"\x65B0\x5B8B\x4F53");
  EXPECT_EQ(def.lfWeight, base.lfWeight);
  EXPECT_FALSE(def.lfUnderline);

  EXPECT_EQ(logFontOf(skin_.getFont(L"Bold")).lfWeight, base.lfWeight + 700);
  EXPECT_EQ(logFontOf(skin_.getFont(L"NotQuiteBold")).lfWeight, base.lfWeight + 400);
  const LOGFONTW underline = logFontOf(skin_.getFont(L"Underline"));
  EXPECT_TRUE(underline.lfUnderline);
  EXPECT_EQ(underline.lfHeight, -14);
  const LOGFONTW noUnderline = logFontOf(skin_.getFont(L"NoUnderline"));
  EXPECT_FALSE(noUnderline.lfUnderline);
  EXPECT_EQ(noUnderline.lfHeight, base.lfHeight);   // not a number: unchanged
  EXPECT_STREQ(logFontOf(skin_.getFont(L"LongFace")).lfFaceName, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde");
  EXPECT_EQ(logFontOf(skin_.getFont(L"Twice")).lfHeight, -20);   // a later definition replaces

  EXPECT_EQ(skin_.getFont(L"Nameless"), nullptr);
  EXPECT_EQ(skin_.getFont(L"default"), nullptr);   // names are compared exactly
  EXPECT_EQ(skin_.getFont(L"default"), nullptr);

  skin_.clear();
  EXPECT_FALSE(skin_.isOpen());
  EXPECT_EQ(skin_.getFont(L"Default"), nullptr);
}

// Sizes at the ends of the 32-bit range: the height is the negated size,
// saturated, so the most negative size cannot overflow the negation.
TEST(FontListTest, SizesAtTheEndsOfTheRangeSaturate) {
  struct Case {
    const char* size;
    LONG height;
  } const cases[] = {
      {"2147483647", -2147483647},
      {"-2147483647", 2147483647},
      {"-2147483648", 2147483647},
      {"-99999999999", 2147483647},
      {"99999999999", -2147483647},
  };
  for (const Case& c : cases) {
    const std::string text = std::string("<Fonts><Font name=\"F\" size=\"") + c.size + "\"/></Fonts>";
    auto document = XmlDocument::parse(text.data(), text.size(), L"font.xml");
    ASSERT_TRUE(document) << c.size;
    const std::vector<FontDescription> fonts = readFontDescriptions(document->root(), LOGFONTW{});
    ASSERT_EQ(fonts.size(), 1u) << c.size;
    EXPECT_EQ(fonts[0].logFont.lfHeight, c.height) << c.size;
  }
}

TEST_F(SkinPackageTest, PackagesWithoutUsableFontListStillOpen) {
  struct Case {
    const char* what;
    std::vector<PackageEntry> entries;
  } cases[] = {
      {"no font.xml", {{u"button.png", smallPng()}}},
      {"malformed font.xml", {{u"font.xml", bytesOf("<Fonts><Font name=\"A\" size=12/></Fonts>")}}},
      {"empty font.xml", {{u"font.xml", {}}}},
      {"root without fonts", {{u"font.xml", bytesOf("<Fonts/>")}}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    usePackage(std::move(c.entries));
    EXPECT_TRUE(skin_.open(L"style.lz"));
    EXPECT_EQ(skin_.getFont(L"A"), nullptr);
  }
  EXPECT_FALSE(skin_.open(L"missing.lz"));
  EXPECT_FALSE(skin_.isOpen());
}

TEST_F(SkinPackageTest, ImagesAreDecodedOnceAndMissingOnesAreNotRemembered) {
  usePackage({{u"font.xml", bytesOf("<Fonts/>")}, {u"button.png", smallPng()}, {u"broken.png", bytesOf("not a png")}});
  ASSERT_TRUE(skin_.open(L"style.lz"));

  SkinImage* button = skin_.getImage(L"button.png");
  ASSERT_NE(button, nullptr);
  EXPECT_NE(button->bitmap(), nullptr);
  EXPECT_EQ(skin_.getImage(L"button.png"), button);

  SkinImage* broken = skin_.getImage(L"broken.png");   // cached without a bitmap
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(broken->bitmap(), nullptr);
  EXPECT_EQ(skin_.getImage(L"broken.png"), broken);

  EXPECT_EQ(skin_.getImage(L"missing.png"), nullptr);
  EXPECT_EQ(skin_.getImage(L"Button.png"), nullptr);

  // Reopening starts from nothing; a missing name found in the new package loads.
  usePackage({{u"missing.png", smallPng()}});
  ASSERT_TRUE(skin_.open(L"style.lz"));
  EXPECT_NE(skin_.getImage(L"missing.png"), nullptr);
  EXPECT_EQ(skin_.getImage(L"button.png"), nullptr);
  EXPECT_EQ(skin_.getStyle(L"button.xml"), nullptr);
}

TEST_F(SkinPackageTest, StartupOpensThePackageAndShutdownClearsIt) {
  usePackage({{u"font.xml", bytesOf("<Fonts><Font name=\"Default\" size=\"12\"/></Fonts>")}, {u"bg.png", smallPng()}});
  ASSERT_TRUE(openSkinPackage(L"style.lz"));
  EXPECT_NE(skinResources().getFont(L"Default"), nullptr);
  EXPECT_NE(skinResources().getImage(L"bg.png"), nullptr);
  closeSkinPackage();
  EXPECT_FALSE(skinResources().isOpen());
  EXPECT_EQ(skinResources().getFont(L"Default"), nullptr);
  EXPECT_EQ(skinResources().getImage(L"bg.png"), nullptr);
  EXPECT_FALSE(openSkinPackage(L"frame.lz"));
}

// The demo installer's skin folder, packed as the build packs it.
TEST_F(SkinPackageTest, ShippedDemoSkinOpensWithAllFontsAndImages) {
  std::vector<PackageEntry> entries = test::folderEntries(KAVRI_DEMO_STYLE_DIR);
  std::vector<std::wstring> images;
  for (const PackageEntry& entry : entries) {
    const std::wstring name(entry.name.begin(), entry.name.end());
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".png") == 0) images.push_back(name);
  }
  EXPECT_GE(images.size(), 4u);

  usePackage(std::move(entries));
  ASSERT_TRUE(skin_.open(L"style.lz"));
  for (const wchar_t* font : {L"Default", L"Default.Underline", L"Default.Small", L"Default.Big", L"Default.Bold",
                              L"Default.Big.Bold", L"Default.Header", L"Default.Header.Bold"}) {
    EXPECT_NE(skin_.getFont(font), nullptr) << std::string(font, font + wcslen(font));
  }
  EXPECT_EQ(logFontOf(skin_.getFont(L"Default.Header.Bold")).lfHeight, -16);
  for (const std::wstring& name : images) {
    SkinImage* image = skin_.getImage(name);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(image->bitmap(), nullptr) << std::string(name.begin(), name.end());
  }
}

}  // namespace
}  // namespace dui
