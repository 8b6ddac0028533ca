// Building control trees from layout markup: the element table, the typed
// attribute setters, the flag attributes, and markup that must build nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <typeinfo>

#include "dui/controls/button_family.h"
#include "dui/controls/list_controls.h"
#include "dui/controls/page_controls.h"
#include "dui/controls/text_controls.h"
#include "dui/controls/web_browser.h"
#include "dui/core/layout_panels.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/element_names.h"
#include "dui/markup/layout_loader.h"
#include "dui/markup/setter_table.h"
#include "dui/markup/styles.h"
#include "dui/markup/text_variables.h"

namespace dui {
namespace {

std::unique_ptr<Control> build(const std::string& utf8) { return buildLayout(utf8.data(), utf8.size(), L"test.xml"); }

std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// ----- The element table -----------------------------------------------------

template <class X>
bool is(Control* c) {
  return dynamic_cast<X*>(c) != nullptr;
}

TEST(ElementFactory, EveryElementBuildsItsClass) {
  struct Case {
    const wchar_t* element;
    bool (*isClass)(Control*);
    const wchar_t* typeName;
  };
  const Case cases[] = {
      {L"Window", is<Grid>, L"Panel"},          {L"Canvas", is<Canvas>, L"Panel"},
      {L"StackPanel", is<StackPanel>, L"Panel"}, {L"DockPanel", is<DockPanel>, L"Panel"},
      {L"Grid", is<Grid>, L"Panel"},            {L"ScrollPanel", is<ScrollPanel>, L"Panel"},
      {L"ListBox", is<ListBox>, L"Panel"},      {L"TabControl", is<TabControl>, L"Panel"},
      {L"TabItem", is<TabItem>, L"Button"},     {L"ComboBox", is<ComboBox>, L"Control"},
      {L"Button", is<Button>, L"Button"},       {L"IconButton", is<IconButton>, L"Button"},
      {L"ToggleButton", is<ToggleButton>, L"Button"}, {L"ToggleIconButton", is<ToggleIconButton>, L"Button"},
      {L"RadioButton", is<RadioButton>, L"Button"}, {L"CheckBox", is<CheckBox>, L"Button"},
      {L"ImageButton", is<ImageButton>, L"Button"}, {L"Label", is<Label>, L"Control"},
      {L"LinkLabel", is<LinkLabel>, L"Control"}, {L"Edit", is<Edit>, L"Edit"},
      {L"TextBox", is<TextBox>, L"TextBox"},    {L"Slider", is<Slider>, L"Control"},
      {L"TitleBar", is<TitleBar>, L"Control"},  {L"ProgressBar", is<ProgressBar>, L"ProgressBar"},
      {L"PowerPoint", is<PowerPoint>, L"PowerPoint"}, {L"Seperator", is<Seperator>, L"Control"},
      {L"Image", is<Drawing>, L"Image"},        {L"WebBrowser", is<WebBrowser>, L"Control"},
  };
  const ElementFactory& factory = elementFactory();
  EXPECT_EQ(factory.elementNames().size(), std::size(cases)) << "the element table is complete as listed";
  for (const Case& c : cases) {
    std::unique_ptr<Control> control = factory.createControl(c.element);
    ASSERT_NE(control, nullptr) << narrow(c.element);
    EXPECT_TRUE(c.isClass(control.get())) << narrow(c.element);
    EXPECT_STREQ(control->typeName(), c.typeName) << narrow(c.element);
  }
  for (const wchar_t* unknown : {L"window", L"BUTTON", L"ScrollBar", L"Drawing", L""})
    EXPECT_EQ(factory.createControl(unknown), nullptr) << narrow(unknown);
}

// The build machine's content checker knows the elements by their list: it
// must be the factory's table, name for name.
TEST(ElementFactory, TheCheckersListIsTheElementTable) {
  std::vector<std::wstring> listed;
  for (const char* name : kLayoutElementNames) listed.emplace_back(name, name + std::char_traits<char>::length(name));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, elementFactory().elementNames());
  Button button;
  for (const char* name : kFlagAttributeNames) {
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    EXPECT_EQ(setterTable().find(wide.c_str()), nullptr) << name;
    EXPECT_TRUE(setterTable().applyAttribute(button, wide.c_str(), L"1")) << name;
  }
}

TEST(ElementFactory, StyleTypesAndUnknownTypesGiveAPlainStyle) {
  struct Case {
    const wchar_t* type;
    bool (*isClass)(Style*);
  };
  auto plain = [](Style* s) { return typeid(*s) == typeid(Style); };
#define STYLE_CASE(T, X) {T, [](Style* s) { return dynamic_cast<X*>(s) != nullptr; }}
  const Case cases[] = {
      STYLE_CASE(L"Background", Style_Background), STYLE_CASE(L"Button", Style_Button),
      STYLE_CASE(L"CheckButton", Style_CheckButton), STYLE_CASE(L"ComboBox", Style_ComboBox),
      STYLE_CASE(L"Edit", Style_Edit), STYLE_CASE(L"Slider", Style_Slider),
      STYLE_CASE(L"ToggleButton", Style_ToggleButton), STYLE_CASE(L"IconButton", Style_IconButton),
      STYLE_CASE(L"ToggleIconButton", Style_ToggleIconButton), STYLE_CASE(L"ScrollBar", Style_ScrollBar),
      STYLE_CASE(L"ButtonEx", Style_ButtonEx), STYLE_CASE(L"CheckButtonEx", Style_CheckButtonEx),
      {L"Style", plain}, {L"button", plain}, {L"Label", plain}, {L"", plain},
  };
#undef STYLE_CASE
  EXPECT_EQ(elementFactory().styleTypeNames().size(), 13u);
  for (const Case& c : cases) {
    std::unique_ptr<Style> style = elementFactory().createStyle(c.type);
    ASSERT_NE(style, nullptr);
    EXPECT_TRUE(c.isClass(style.get())) << narrow(c.type);
  }
  EXPECT_TRUE(plain(elementFactory().createStyle(nullptr).get()));
}

// ----- The attribute table ----------------------------------------------------

TEST(SetterTable, EveryAttributeNameHasASetterKeyedByItsOwnConstant) {
  const SetterTable& table = setterTable();
  EXPECT_EQ(table.size(), kAttributeNameCount);
  for (std::size_t i = 0; i < kAttributeNameCount; ++i) {
    const ISetter* setter = table.find(kAttributeNames[i]);
    ASSERT_NE(setter, nullptr) << narrow(kAttributeNames[i]);
    EXPECT_EQ(setter->name(), kAttributeNames[i]) << "the stored key is the canonical constant itself";
  }
  EXPECT_EQ(table.find(L"Width"), nullptr);
  EXPECT_EQ(table.find(L"visible"), nullptr) << "flag attributes are applied without a setter";
}

// One attribute value applied to a Button, and what its store holds after.
// `preset` is applied first (as an earlier attribute of the same name), so a
// value that does not parse shows that it left the entry unchanged.
struct Stored {
  enum Kind { Int, Rect_, Size_, Text, Enum, Absent } kind;
  std::int32_t v[4] = {};
  std::wstring text;
  AttrKey keyword = nullptr;
};
Stored intOf(std::int32_t v) { return Stored{Stored::Int, {v}, {}, nullptr}; }
Stored rectOf(int l, int t, int r, int b) { return Stored{Stored::Rect_, {l, t, r, b}, {}, nullptr}; }
Stored sizeOf(int w, int h) { return Stored{Stored::Size_, {w, h}, {}, nullptr}; }
Stored textOf(const wchar_t* t) { return Stored{Stored::Text, {}, t, nullptr}; }
Stored keywordOf(AttrKey k) { return Stored{Stored::Enum, {}, {}, k}; }
Stored absent() { return Stored{Stored::Absent, {}, {}, nullptr}; }

TEST(SetterTable, ValuesAreStoredByKind) {
  struct Case {
    const char* attribute;
    const char* preset;   // nullptr: none
    const char* value;    // as written in the markup (UTF-8)
    AttrKey key;
    Stored expected;
  };
  const Case cases[] = {
      {"width", nullptr, "42", names::width, intOf(42)},
      {"width", nullptr, "  -7px", names::width, intOf(-7)},
      {"width", "12", "abc", names::width, intOf(12)},   // not a number: unchanged
      {"width", nullptr, "", names::width, absent()},
      {"height", nullptr, "99999999999", names::height, intOf(INT_MAX)},
      {"id", nullptr, "+13", names::id, intOf(13)},
      {"color", nullptr, "#6666ff", names::color, intOf(6711039)},
      {"color", nullptr, "#6666FF", names::color, intOf(0x6666FF)},
      {"textColor", nullptr, "x0000ff", names::textColor, intOf(255)},   // the first character is not examined
      {"color", nullptr, "#zz00g1", names::color, intOf(0x000001)},      // other characters count as 0
      {"color", "#010203", "#12345", names::color, intOf(0x010203)},     // too short: unchanged
      {"margin", nullptr, "0,0,170,0", names::margin, rectOf(0, 0, 170, 0)},
      {"margin", nullptr, "1, 2, -3, 4", names::margin, rectOf(1, 2, -3, 4)},
      {"margin", "5,5,5,5", "1,2,3", names::margin, rectOf(5, 5, 5, 5)},  // too few numbers: unchanged
      {"padding", "5,5,5,5", "1 ,2,3,4", names::padding, rectOf(5, 5, 5, 5)},
      {"initSize", nullptr, "600,400", names::initSize, sizeOf(600, 400)},
      {"roundCorner", "6,6", "6;6", names::roundCorner, sizeOf(6, 6)},
      {"horizontalAlign", nullptr, "center", names::horizontalAlign, keywordOf(names::kwCenter)},
      {"horizontalAlign", "left", "Center", names::horizontalAlign, keywordOf(nullptr)},   // stores none
      {"orientation", nullptr, "never", names::orientation, keywordOf(names::kwNever)},    // any keyword is taken
      {"textPlacement", nullptr, "bottom", names::textPlacement, keywordOf(names::kwBottom)},
      {"text", nullptr, "a &amp; b &#65;", names::text, textOf(L"a &amp; b &#65;")},        // entities stay literal
      {"text", nullptr, "\xE5\xAE\x89\xE8\xA3\x85 setup", names::text, textOf(L"\x5B89\x88C5 setup")},
      {"style", nullptr, "", names::style, textOf(L"")},
      {"tooltip", nullptr, "say \"hi\"", names::tooltip, textOf(L"say \"hi\"")},
  };
  for (const Case& c : cases) {
    const std::string quote = std::string(c.value).find('"') != std::string::npos ? "'" : "\"";
    std::string xml = "<Button ";
    if (c.preset) xml += std::string(c.attribute) + "=\"" + c.preset + "\" ";
    xml += std::string(c.attribute) + "=" + quote + c.value + quote + "/>";
    SCOPED_TRACE(xml);
    std::unique_ptr<Control> control = build(xml);
    ASSERT_NE(control, nullptr);
    const Stored& e = c.expected;
    std::int32_t i = 0;
    Rect r;
    Size s;
    std::wstring t;
    AttrKey k = names::kwTrue;
    switch (e.kind) {
      case Stored::Int:
        ASSERT_TRUE(control->getInt(c.key, i));
        EXPECT_EQ(i, e.v[0]);
        break;
      case Stored::Rect_:
        ASSERT_TRUE(control->getRect(c.key, r));
        EXPECT_EQ(r, (Rect{e.v[0], e.v[1], e.v[2], e.v[3]}));
        break;
      case Stored::Size_:
        ASSERT_TRUE(control->getSize(c.key, s));
        EXPECT_EQ(s, (Size{e.v[0], e.v[1]}));
        break;
      case Stored::Text:
        ASSERT_TRUE(control->getString(c.key, t));
        EXPECT_EQ(t, e.text);
        break;
      case Stored::Enum:
        ASSERT_TRUE(control->getEnum(c.key, k));
        EXPECT_EQ(k, e.keyword);
        break;
      case Stored::Absent:
        EXPECT_FALSE(control->getInt(c.key, i));
        break;
    }
  }
}

TEST(SetterTable, FlagAttributesSetOnlyOnOne) {
  struct Case {
    const char* markup;
    std::uint32_t set;
    std::uint32_t cleared;
  };
  const Case cases[] = {
      {"<Button visible=\"1\"/>", flags::Visible, 0},
      {"<Button visible=\"0\"/>", 0, flags::Visible},
      {"<Button visible=\"true\"/>", 0, flags::Visible},
      {"<Button visible=\" 1\"/>", 0, flags::Visible},
      {"<Button enabled=\"0\" transparent=\"1\"/>", flags::HitTransparent, flags::Enabled},
      {"<Label transparent=\"0\"/>", 0, flags::HitTransparent},
      {"<Button enabled=\"0\" enabled=\"1\"/>", flags::Enabled, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Control> control = build(c.markup);
    ASSERT_NE(control, nullptr) << c.markup;
    EXPECT_EQ(control->flagWord() & c.set, c.set) << c.markup;
    EXPECT_EQ(control->flagWord() & c.cleared, 0u) << c.markup;
  }
  // A style is not a control: flag attributes on its Prop are ignored.
  Style style;
  EXPECT_FALSE(setterTable().applyAttribute(style, L"visible", L"1"));
  EXPECT_FALSE(setterTable().applyAttribute(style, L"unknown", L"1"));
}

// A layout names the product as "{product.name}": the text attribute holds
// the value set for that name; braces around anything else stay text.
TEST(SetterTable, TextAttributesTakeTheNamedValues) {
  setTextVariable(L"product.name", L"Tally");
  setTextVariable(L"product.version", L"2.1");
  setTextVariable(L"empty", L"");
  struct Case {
    const char* markup;
    const wchar_t* text;
  } const cases[] = {
      {"<Label text=\"Welcome to {product.name} Setup\"/>", L"Welcome to Tally Setup"},
      {"<Label text=\"{product.name} {product.version}\"/>", L"Tally 2.1"},
      {"<Label text=\"{product.name}{product.name}\"/>", L"TallyTally"},
      {"<Label text=\"[{empty}]\"/>", L"[]"},
      {"<Label text=\"{Product.Name} {unknown} {}\"/>", L"{Product.Name} {unknown} {}"},
      {"<Label text=\"{{product.name}}\"/>", L"{Tally}"},
      {"<Label text=\"{product.name\"/>", L"{product.name"},
      {"<Label text=\"a } b {\"/>", L"a } b {"},
      {"<Button tooltip=\"Start {product.name}\"/>", L"Start Tally"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Control> control = build(c.markup);
    ASSERT_NE(control, nullptr) << c.markup;
    std::wstring text;
    const AttrKey key = std::string(c.markup).find("tooltip") != std::string::npos ? names::tooltip : names::text;
    EXPECT_TRUE(control->getString(key, text)) << c.markup;
    EXPECT_EQ(text, c.text) << c.markup;
  }
  // A value is put in once, never read again for names of its own.
  setTextVariable(L"product.name", L"{product.version}");
  std::wstring text;
  ASSERT_TRUE(build("<Label text=\"{product.name}\"/>")->getString(names::text, text));
  EXPECT_EQ(text, L"{product.version}");
  clearTextVariables();
  ASSERT_TRUE(build("<Label text=\"{product.name}\"/>")->getString(names::text, text));
  EXPECT_EQ(text, L"{product.name}");
}

// ----- Trees -------------------------------------------------------------------

Control* byId(Control* root, std::int32_t id) {
  std::int32_t value = 0;
  if (root->getInt(names::id, value) && value == id) return root;
  if (Panel* panel = root->asPanel())
    for (Control* c = panel->firstChild(); c; c = c->next())
      if (Control* found = byId(c, id)) return found;
  if (TabItem* tab = dynamic_cast<TabItem*>(root))
    if (tab->content()) return byId(tab->content(), id);
  return nullptr;
}

TEST(LayoutBuilding, TreesFollowTheMarkup) {
  struct Case {
    const char* name;
    const char* markup;
    std::function<void(Control*)> check;
  };
  const Case cases[] = {
      {"window root and picture",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- c --><!DOCTYPE x><Window id=\"1\"><Image id=\"2\" src=\"a.png\"/></Window>",
       [](Control* root) {
         EXPECT_TRUE(is<Grid>(root));
         EXPECT_TRUE(is<Drawing>(byId(root, 2)));
         EXPECT_EQ(root->asPanel()->childCount(), 1);
       }},
      {"unknown element skips its subtree, not its siblings",
       "<Window><Grid id=\"1\"><Frame id=\"2\"><Button id=\"3\"/></Frame><Button id=\"4\"/></Grid></Window>",
       [](Control* root) {
         Panel* grid = byId(root, 1)->asPanel();
         ASSERT_NE(grid, nullptr);
         EXPECT_EQ(grid->childCount(), 1);
         EXPECT_EQ(byId(root, 2), nullptr);
         EXPECT_EQ(byId(root, 3), nullptr);
         EXPECT_NE(byId(root, 4), nullptr);
       }},
      {"children in document order, depth first",
       "<Window><StackPanel id=\"1\"><Button id=\"2\"/><Grid id=\"3\"><Label id=\"4\"/></Grid><Edit id=\"5\"/>"
       "</StackPanel></Window>",
       [](Control* root) {
         Panel* stack = byId(root, 1)->asPanel();
         ASSERT_EQ(stack->childCount(), 3);
         EXPECT_EQ(stack->childAt(0), byId(root, 2));
         EXPECT_EQ(stack->childAt(1), byId(root, 3));
         EXPECT_EQ(stack->childAt(2), byId(root, 5));
         EXPECT_EQ(byId(root, 4)->parent(), byId(root, 3));
       }},
      {"a tab item takes only its first child",
       "<TabControl><TabItem id=\"1\" text=\"A\"><Grid id=\"2\"><Button id=\"3\"/></Grid><Grid id=\"4\"/></TabItem>"
       "<TabItem id=\"5\"/></TabControl>",
       [](Control* root) {
         auto* tab = dynamic_cast<TabItem*>(byId(root, 1));
         ASSERT_NE(tab, nullptr);
         EXPECT_EQ(tab->content(), byId(root, 2));
         EXPECT_NE(byId(root, 3), nullptr);
         EXPECT_EQ(byId(root, 4), nullptr);
         EXPECT_EQ(root->asPanel()->childCount(), 2);
         EXPECT_EQ(dynamic_cast<TabItem*>(byId(root, 5))->content(), nullptr);
       }},
      {"a tab item whose first child is unknown has no content",
       "<TabItem><Frame/><Grid/></TabItem>",
       [](Control* root) { EXPECT_EQ(dynamic_cast<TabItem*>(root)->content(), nullptr); }},
      {"children of a list and of a combo box are their items, in document order",
       "<Window><ListBox id=\"1\" itemHeight=\"24\"><Button id=\"2\" text=\"a\"/><Frame/>"
       "<Button id=\"3\" text=\"b\" height=\"30\"/></ListBox>"
       "<ComboBox id=\"4\"><Button id=\"5\" text=\"x\"/><Button id=\"6\" text=\"y\"/></ComboBox></Window>",
       [](Control* root) {
         auto* list = dynamic_cast<ListBox*>(byId(root, 1));
         ASSERT_NE(list, nullptr);
         EXPECT_EQ(list->childCount(), 1);  // the item stack alone
         ASSERT_EQ(list->itemCount(), 2);
         EXPECT_EQ(list->itemAt(0)->getText(), L"a");
         EXPECT_EQ(list->itemAt(0)->intOr(names::height, -1), 24);  // the list's item height
         EXPECT_EQ(list->itemAt(1)->intOr(names::height, -1), 30);  // its own
         auto* combo = dynamic_cast<ComboBox*>(byId(root, 4));
         ASSERT_NE(combo, nullptr);
         ASSERT_EQ(combo->itemCount(), 2);
         EXPECT_EQ(combo->list()->itemAt(1)->getText(), L"y");
         EXPECT_EQ(combo->list()->itemAt(1)->intOr(names::height, -1), ComboBox::kRowHeight);
       }},
      {"children of a control without a child list are skipped",
       "<Window><Button id=\"1\"><Label id=\"2\"/></Button></Window>",
       [](Control* root) {
         EXPECT_NE(byId(root, 1), nullptr);
         EXPECT_EQ(byId(root, 2), nullptr);
       }},
      {"text and CDATA between elements build nothing",
       "<Window>text<![CDATA[<Button id=\"9\"/>]]><Button id=\"1\"/>more</Window>",
       [](Control* root) {
         EXPECT_EQ(root->asPanel()->childCount(), 1);
         EXPECT_EQ(byId(root, 9), nullptr);
       }},
      {"closing-tag names are not compared",
       "<Window><Grid id=\"1\"></Canvas></Window>",
       [](Control* root) { EXPECT_NE(byId(root, 1), nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Control> root = build(c.markup);
    ASSERT_NE(root, nullptr);
    c.check(root.get());
  }
}

TEST(LayoutBuilding, BadMarkupBuildsNothing) {
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<Grid>";
  const struct {
    const char* name;
    std::string markup;
  } cases[] = {
      {"empty", ""},
      {"white space only", " \r\n\t"},
      {"declaration and comment only", "<?xml version=\"1.0\"?><!-- nothing -->"},
      {"unclosed element", "<Window><Grid>"},
      {"unquoted attribute value", "<Window width=600/>"},
      {"attribute without =", "<Window width/>"},
      {"not XML", "Window"},
      {"stray end", "<Window></Window><"},
      {"unknown root element", "<Frame><Button/></Frame>"},
      {"nested too deeply", deep},
      {"invalid UTF-8 only", "\xFF\xFE\xFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(build(c.markup), nullptr) << c.name;
  EXPECT_EQ(buildLayout(nullptr, 0, L"null.xml"), nullptr);
  EXPECT_EQ(buildControl(nullptr), nullptr);
}

}  // namespace
}  // namespace dui
