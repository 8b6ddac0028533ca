// Access keys: parsing "&" in texts, the text as it reads, what a key press
// does in a tree, and the drawing flags of a control's text.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "dui/core/access_keys.h"
#include "dui/core/control_registry.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;

namespace {

TEST(AccessKeys, ParsingAndTheTextAsItReads) {
  struct Case {
    const wchar_t* text;
    wchar_t key;
    const wchar_t* reads;
  };
  const Case cases[] = {
      {L"&Next", L'N', L"Next"},
      {L"B&rowse...", L'R', L"Browse..."},       // upper-cased
      {L"Save && &Quit", L'Q', L"Save & Quit"},   // "&&" is text, the next "&" marks
      {L"&&&x", L'X', L"&x"},
      {L"&&", 0, L"&"},
      {L"End&", 0, L"End"},                       // a "&" at the end marks nothing
      {L"a&b&c", L'B', L"abc"},                   // the first marker counts
      {L"&\u00fcber", L'\u00dc', L"\u00fcber"},
      {L"no marker", 0, L"no marker"},
      {L"", 0, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(accessKeyOf(c.text), c.key) << c.text;
    EXPECT_EQ(withoutAccessKeyMarkers(c.text), c.reads) << c.text;
  }
}

// root: label "&Folder:", box (text entry stop), next "&Next", back "&Back"
// (disabled), start "&Start", show "&Show", item "&Literal" (literal stop),
// tail label "&Trailing" with no stop after it.
class AccessKeyTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root = new Canvas;
    add("folder", L"&Folder:", 0);
    add("box", L"C:\\&Program Files", flags::TabStop | flags::TextEntry);
    add("next", L"&Next", flags::TabStop);
    add("back", L"&Back", flags::TabStop)->setFlag(flags::Enabled, false);
    add("start", L"&Start", flags::TabStop);
    add("show", L"&Show", flags::TabStop);
    add("item", L"&Literal", flags::TabStop | flags::LiteralText);
    add("tail", L"&Trailing", 0);
  }
  void TearDown() override { delete root; }
  Control* add(const std::string& name, const wchar_t* text, std::uint32_t extra) {
    auto* c = new Control;
    c->setString(names::text, text);
    c->setFlag(extra, true);
    root->addChild(c);
    named[name] = c;
    return c;
  }
  std::string nameOf(const Control* c) const {
    for (const auto& [name, control] : named)
      if (control == c) return name;
    return c ? "?" : "";
  }
  Canvas* root = nullptr;
  std::map<std::string, Control*> named;
};

TEST_F(AccessKeyTree, AKeyPressesItsButtonFocusesAfterALabelAndStepsThroughTwins) {
  struct Case {
    wchar_t key;
    const char* current;
    const char* focus;
    bool press;
  };
  const Case cases[] = {
      {L'n', "", "next", true},
      {L'N', "box", "next", true},
      {L'f', "", "box", false},       // a label focuses the stop after it
      {L'b', "", "", false},          // its button is disabled
      {L's', "", "start", false},     // two holders: focus only, in turn
      {L's', "start", "show", false},
      {L's', "show", "start", false},
      {L'l', "", "", false},          // literal text marks no key
      {L'p', "", "", false},          // nor does a text box's content
      {L't', "", "", false},          // a label with no stop after it
      {L'x', "", "", false},
  };
  for (const Case& c : cases) {
    const Control* current = *c.current ? named.at(c.current) : nullptr;
    const AccessKeyAction action = accessKeyAction(root, current, c.key);
    EXPECT_EQ(nameOf(action.focus), c.focus) << char(c.key) << " from " << c.current;
    EXPECT_EQ(action.press, c.press) << char(c.key) << " from " << c.current;
  }
  named["show"]->setFlag(flags::Visible, false);  // a hidden twin leaves one holder
  EXPECT_TRUE(accessKeyAction(root, nullptr, L's').press);
}

TEST_F(AccessKeyTree, TextFlagsFollowTheWindowsCueState) {
  dui_test::FakeHost host;
  EXPECT_EQ(accessKeyTextFormat(*named["next"]), std::uint32_t(DT_HIDEPREFIX)) << "in no window: hidden";
  EXPECT_EQ(accessKeyTextFormat(*named["item"]), std::uint32_t(DT_NOPREFIX));
  EXPECT_EQ(accessKeyTextFormat(*named["box"]), std::uint32_t(DT_NOPREFIX));
  attachRoot(root, &host);
  EXPECT_EQ(accessKeyTextFormat(*named["next"]), std::uint32_t(DT_HIDEPREFIX));
  host.keysShown = true;
  EXPECT_EQ(accessKeyTextFormat(*named["next"]), 0u);
  EXPECT_EQ(accessKeyTextFormat(*named["item"]), std::uint32_t(DT_NOPREFIX));
  EXPECT_EQ(shownText(*named["start"]), L"Start");
  EXPECT_EQ(shownText(*named["item"]), L"&Literal");
  detachControl(root);
}

}  // namespace
