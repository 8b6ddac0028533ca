// LayoutLoader over a layout package, the demo installer's own layouts and
// skin loaded from the real installer/frame and installer/style folders, and
// what each kind of damage to the demo page leads to.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
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
  EXPECT_EQ(licenceNext->getText(), L"&Next");
  Control* install = byId(root.get(), 14);
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->getText(), L"&Install");
  // Keyboard: every page's primary button is its default, Cancel and the
  // close box cancel, and the title bar's buttons take no Tab stop.
  for (int id : {102, 112, 14, 303}) EXPECT_EQ(byId(root.get(), id)->intOr(names::isDefault, 0), 1) << id;
  for (int id : {3, 206}) EXPECT_EQ(byId(root.get(), id)->intOr(names::isCancel, 0), 1) << id;
  for (int id : {2, 3}) EXPECT_EQ(byId(root.get(), id)->intOr(names::tabindex, 0), -1) << id;

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

// The demo page with the damages an author's edit or a broken copy makes,
// each with what the loader makes of it: a refused file says which file and
// why; a damage inside an element or a value leaves the rest of the page.
// (Arbitrary damage, for crashes and reads out of bounds, is the markup fuzz
// target's: tests/fuzz/markup_fuzz.cpp.)
TEST(LayoutDamage, EachDamageToTheDemoPageHasItsOutcome) {
  std::string page;
  for (const test::PackageEntry& e : test::folderEntries(KAVRI_INSTALLER_DIR "/frame"))
    if (e.name == u"main.xml") page.assign(e.data.begin(), e.data.end());
  ASSERT_FALSE(page.empty());
  auto replaced = [&](const std::string& what, const std::string& with) {
    std::string damaged = page;
    const size_t at = damaged.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    if (at != std::string::npos) damaged.replace(at, what.size(), with);
    return damaged;
  };
  auto cutAt = [&](const std::string& what) { return page.substr(0, page.find(what) + 6); };
  const std::function<void(Control*)> refused;   // no tree expected
  auto has = [](Control* root, std::initializer_list<std::int32_t> ids) {
    for (std::int32_t id : ids) EXPECT_NE(byId(root, id), nullptr) << "id " << id;
  };
  auto lacks = [](Control* root, std::initializer_list<std::int32_t> ids) {
    for (std::int32_t id : ids) EXPECT_EQ(byId(root, id), nullptr) << "id " << id;
  };
  struct Case {
    const char* what;
    std::string bytes;
    const wchar_t* reason;               // part of the error text, for a refused page
    std::function<void(Control*)> check;  // the tree, for a page that builds
  };
  const Case cases[] = {
      {"cut inside an element", cutAt("<Grid id=\"120\""), L"XML error", refused},
      {"a closing quote lost", replaced("id=\"101\"", "id=\"101"), L"XML error", refused},
      {"a zero byte inside a text", replaced("Welcome to", std::string("Welcome\0to", 10)), L"XML error", refused},
      {"a closing tag too many", replaced("<Grid id=\"100\" margin=\"0,30,0,0\">", "<Grid id=\"100\" margin=\"0,30,0,0\"></Grid>"),
       L"XML error", refused},
      {"the root element misspelt", replaced("<Window ", "<Windw "), L"unknown root element <Windw>", refused},
      {"a page's element misspelt: that page is left out, with its controls",
       replaced("<Grid id=\"110\"", "<Gird id=\"110\""), nullptr,
       [&](Control* root) {
         lacks(root, {110, 13, 112});
         has(root, {1, 100, 102, 120, 14});
       }},
      {"an id that is no number: that control has none",
       replaced("id=\"14\"", "id=\"x14\""), nullptr,
       [&](Control* root) {
         lacks(root, {14});
         has(root, {120, 11, 12});
       }},
      {"a size written with a semicolon: it is not set",
       replaced("initSize=\"600,400\"", "initSize=\"600;400\""), nullptr,
       [](Control* root) {
         Size size;
         EXPECT_FALSE(root->getSize(names::initSize, size));
         Size corner;
         EXPECT_TRUE(root->getSize(names::roundCorner, corner)) << "the next attribute is still read";
       }},
      {"a byte that is no UTF-8 inside a text: it reads as U+FFFD",
       replaced("Welcome to {product.name}", "Welcome \xFF {product.name}"), nullptr,
       [&](Control* root) {
         ASSERT_NE(byId(root, 101), nullptr);
         EXPECT_EQ(byId(root, 101)->getText(), L"Welcome \xFFFD {product.name} Setup");
         has(root, {100, 110, 120});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring error;
    std::unique_ptr<Control> root = buildLayout(c.bytes.data(), c.bytes.size(), L"main.xml", &error);
    if (c.check) {
      ASSERT_NE(root, nullptr) << std::string(error.begin(), error.end());
      c.check(root.get());
    } else {
      EXPECT_EQ(root, nullptr);
      EXPECT_NE(error.find(L"main.xml"), std::wstring::npos) << "the error names the file";
      EXPECT_NE(error.find(c.reason), std::wstring::npos) << std::string(error.begin(), error.end());
    }
  }
}

}  // namespace
}  // namespace dui
