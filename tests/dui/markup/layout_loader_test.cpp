// LayoutLoader over a layout package, and the demo installer's own layouts
// and skin loaded from the real installer/frame and installer/style folders.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dui/controls/button_family.h"
#include "dui/controls/page_controls.h"
#include "dui/controls/text_controls.h"
#include "dui/core/core_plugs.h"
#include "dui/core/layout_panels.h"
#include "dui/core/msimg.h"
#include "dui/core/shadowed_window.h"
#include "dui/core/style_lookup.h"
#include "dui/markup/layout_loader.h"
#include "dui/markup/markup_startup.h"
#include "dui/markup/skin_resources.h"
#include "tests/dui/markup/markup_test_util.h"

namespace dui {
namespace {

using test::textEntry;

class LayoutLoaderTest : public test::MemoryFilesTest {
 protected:
  void TearDown() override {
    shutdownMarkup();
    test::MemoryFilesTest::TearDown();
  }
};

TEST_F(LayoutLoaderTest, LoadsByNameAndRefusesWhatItCannotBuild) {
  EXPECT_EQ(layoutLoader().load(L"main.xml"), nullptr) << "no package open";
  EXPECT_FALSE(openLayoutPackage(L"frame.lz")) << "no such package";
  EXPECT_FALSE(openLayoutPackage(nullptr));

  addPackage(L"frame.lz", {textEntry("main.xml", "<Window><Button id=\"7\"/></Window>"),
                           textEntry("bad.xml", "<Window><Button></Window"),
                           textEntry("empty.xml", ""),
                           textEntry("bom.xml", "\xEF\xBB\xBF<Grid/>")});
  ASSERT_TRUE(openLayoutPackage(L"frame.lz"));
  std::unique_ptr<Control> root = layoutLoader().load(L"main.xml");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->asPanel()->childCount(), 1);
  // Each load builds a tree of its own.
  std::unique_ptr<Control> again = layoutLoader().load(L"main.xml");
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again.get(), root.get());

  EXPECT_NE(layoutLoader().load(L"bom.xml"), nullptr);
  EXPECT_EQ(layoutLoader().load(L"bad.xml"), nullptr);
  EXPECT_EQ(layoutLoader().load(L"empty.xml"), nullptr);
  EXPECT_EQ(layoutLoader().load(L"missing.xml"), nullptr);
  EXPECT_EQ(layoutLoader().load(L"MAIN.xml"), nullptr);

  closeLayoutPackage();
  EXPECT_FALSE(layoutLoader().isOpen());
  EXPECT_EQ(layoutLoader().load(L"main.xml"), nullptr);
}

// The markup plugs itself into dui/core: a window's tree by layout name comes
// from the layout package, styles and fonts from the skin; after shutdown core
// finds none and a window falls back to an empty root.
TEST_F(LayoutLoaderTest, StartPlugsSkinAndLayoutsIntoCoreAndShutdownUnplugsThem) {
  addPackage(L"frame.lz", {textEntry("main.xml", "<Window><Button id=\"7\"/></Window>")});
  addPackage(L"style.lz", {textEntry("font.xml", "<Fonts><Font name=\"Default\" size=\"12\"/></Fonts>"),
                           textEntry("plain.xml", "<Style><Config type=\"Style\"><Prop/></Config></Style>")});
  startMarkup();
  ASSERT_TRUE(openSkinPackage(L"style.lz"));
  ASSERT_TRUE(openLayoutPackage(L"frame.lz"));
  std::unique_ptr<Control> root(loadLayoutRoot(L"main.xml"));
  ASSERT_NE(root->asPanel(), nullptr);
  EXPECT_EQ(root->asPanel()->childCount(), 1);
  EXPECT_NE(findStyle(L"plain.xml"), nullptr);
  EXPECT_NE(findFont(kDefaultFont), nullptr);

  shutdownMarkup();
  EXPECT_EQ(corePlugs().skinSource, nullptr);
  EXPECT_EQ(corePlugs().loadLayoutRoot, nullptr);
  EXPECT_EQ(findStyle(L"plain.xml"), nullptr);
  EXPECT_EQ(findFont(kDefaultFont), nullptr);
  std::unique_ptr<Control> empty(loadLayoutRoot(L"main.xml"));
  ASSERT_NE(empty->asPanel(), nullptr);
  EXPECT_EQ(empty->asPanel()->childCount(), 0);
}

// ----- The demo installer ------------------------------------------------------

Control* byId(Control* root, std::int32_t id) {
  std::int32_t value = 0;
  if (root->getInt(names::id, value) && value == id) return root;
  if (Panel* panel = root->asPanel())
    for (Control* c = panel->firstChild(); c; c = c->next())
      if (Control* found = byId(c, id)) return found;
  return nullptr;
}

void collectStyleNames(Control* control, std::set<std::wstring>& out) {
  if (const std::wstring* name = control->findString(names::style)) out.insert(*name);
  if (Panel* panel = control->asPanel())
    for (Control* c = panel->firstChild(); c; c = c->next()) collectStyleNames(c, out);
}

class DemoInstallerTest : public LayoutLoaderTest {
 protected:
  void SetUp() override {
    LayoutLoaderTest::SetUp();
    ASSERT_TRUE(loadMsimg32());
    auto frame = test::folderEntries(KAVRI_INSTALLER_DIR "/frame");
    auto style = test::folderEntries(KAVRI_INSTALLER_DIR "/style");
    ASSERT_FALSE(frame.empty());
    ASSERT_FALSE(style.empty());
    addPackage(L"frame.lz", std::move(frame));
    addPackage(L"style.lz", std::move(style));
    startMarkup();
    ASSERT_TRUE(openSkinPackage(L"style.lz"));
    ASSERT_TRUE(openLayoutPackage(L"frame.lz"));
  }

  // Every image a style names loads and decodes.
  static void expectImagesOf(const std::wstring& styleName) {
    Style* style = skinResources().getStyle(styleName);
    ASSERT_NE(style, nullptr) << std::string(styleName.begin(), styleName.end());
    int images = 0;
    for (std::size_t i = 0; i < kAttributeNameCount; ++i) {
      const std::wstring* value = style->findString(kAttributeNames[i]);
      if (!value || value->size() < 4 || value->compare(value->size() - 4, 4, L".png") != 0) continue;
      SkinImage* image = skinResources().getImage(*value);
      ASSERT_NE(image, nullptr) << std::string(value->begin(), value->end());
      EXPECT_NE(image->bitmap(), nullptr) << std::string(value->begin(), value->end());
      ++images;
    }
    EXPECT_GT(images, 0) << std::string(styleName.begin(), styleName.end()) << " names no image";
  }
};

TEST_F(DemoInstallerTest, PagesBuildWithTheirControlsAndSkins) {
  std::unique_ptr<Control> root = layoutLoader().load(L"main.xml");
  ASSERT_NE(root, nullptr);
  EXPECT_NE(dynamic_cast<Grid*>(root.get()), nullptr);
  Size initSize;
  ASSERT_TRUE(root->getSize(names::initSize, initSize));
  EXPECT_EQ(initSize, (Size{600, 400}));

  EXPECT_NE(dynamic_cast<TitleBar*>(byId(root.get(), 1)), nullptr);
  EXPECT_NE(dynamic_cast<Button*>(byId(root.get(), 2)), nullptr);
  EXPECT_NE(dynamic_cast<Button*>(byId(root.get(), 3)), nullptr);
  EXPECT_NE(dynamic_cast<Label*>(byId(root.get(), 101)), nullptr);
  EXPECT_NE(dynamic_cast<TextBox*>(byId(root.get(), 11)), nullptr);
  EXPECT_NE(dynamic_cast<Button*>(byId(root.get(), 12)), nullptr);
  EXPECT_NE(dynamic_cast<CheckBox*>(byId(root.get(), 13)), nullptr);
  EXPECT_NE(dynamic_cast<CheckBox*>(byId(root.get(), 17)), nullptr);
  Control* licenceNext = byId(root.get(), 112);
  ASSERT_NE(licenceNext, nullptr);
  EXPECT_FALSE(licenceNext->hasFlag(flags::Enabled)) << "enabled once the agreement is accepted";
  EXPECT_EQ(licenceNext->getText(), L"Next");
  Control* install = byId(root.get(), 14);
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->getText(), L"Install");

  std::set<std::wstring> styles;
  collectStyleNames(root.get(), styles);
  styles.insert(kCheckBoxStyle);
  styles.insert(kEditStyle);
  EXPECT_GE(styles.size(), 5u);
  for (const std::wstring& name : styles) expectImagesOf(name);
  for (const wchar_t* font : {L"Default", L"Default.Bold", L"Default.Header.Bold"})
    EXPECT_NE(skinResources().getFont(font), nullptr);
}

TEST_F(DemoInstallerTest, ShadowWindowLayoutUsesTheShadowSkin) {
  std::unique_ptr<Control> root = layoutLoader().load(L"proxywindow.xml");
  ASSERT_NE(root, nullptr);
  const std::wstring* style = root->findString(names::style);
  ASSERT_NE(style, nullptr);
  expectImagesOf(*style);
  Rect grid;
  ASSERT_TRUE(skinResources().getStyle(*style)->getRect(names::scaleGrid, grid));
  EXPECT_GE(grid.left, 20);
  EXPECT_GE(grid.top, 14);
  EXPECT_GE(grid.right, 16);
  EXPECT_GE(grid.bottom, 21);
}

}  // namespace
}  // namespace dui

namespace dui {
namespace {

// Damaged copies of the demo page (bytes changed, cut short, markup
// characters inserted, slices repeated) build a tree or nothing, never crash.
TEST(LayoutMutation, DamagedLayoutsNeverCrash) {
  std::vector<test::PackageEntry> frame = test::folderEntries(KAVRI_INSTALLER_DIR "/frame");
  std::vector<uint8_t> original;
  for (const test::PackageEntry& e : frame)
    if (e.name == u"main.xml") original = e.data;
  ASSERT_FALSE(original.empty());

  uint32_t seed = 12345;
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % bound;
  };
  const char markup[] = "<>/=\"'&!?-[] \0\xE5\xFF";
  int built = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = original;
    const int edits = 1 + int(next(4));
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
      const size_t at = next(uint32_t(bytes.size()));
      switch (next(4)) {
        case 0: bytes[at] = uint8_t(next(256)); break;
        case 1: bytes.resize(at); break;
        case 2: bytes.insert(bytes.begin() + long(at), uint8_t(markup[next(sizeof markup - 1)])); break;
        case 3: {
          const size_t length = std::min<size_t>(next(64), bytes.size() - at);
          std::vector<uint8_t> slice(bytes.begin() + long(at), bytes.begin() + long(at + length));
          bytes.insert(bytes.begin() + long(next(uint32_t(bytes.size()))), slice.begin(), slice.end());
          break;
        }
      }
    }
    if (buildLayout(bytes.data(), bytes.size(), L"mutated.xml")) ++built;
  }
  EXPECT_GT(built, 0) << "some damage (inside texts, say) still leaves a layout";
}

}  // namespace
}  // namespace dui
