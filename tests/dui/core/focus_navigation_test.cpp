// The Tab order, shown controls, default and cancel buttons and the focus of
// a shown page, over a tree without a window.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dui/core/focus_navigation.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;

namespace {

// A panel showing one page outside its child list, as a tab control does.
class PageHost : public Panel {
 public:
  Control* shownUnlistedChild() const override { return shown; }
  Control* shown = nullptr;
};

// root
//   title        stop, tabindex -1          (the title bar's close box)
//   pageA
//     a1         stop
//     a2         stop, disabled
//     a3         stop, hidden
//     a4         stop
//     okA        default button of page A
//   pageB        hidden
//     b1         stop
//   tabs         PageHost
//     t1         stop
//     (page tp hangs unlisted, shown: tp1 stop; page tq hangs unlisted, not shown: tq1 stop)
//   late         stop, tabindex 2
//   early        stop, tabindex 1
//   cancel       cancel button of the window, stop
class FocusOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    root = new Canvas;
    add(root, "title", flags::TabStop)->setInt(names::tabindex, -1);
    pageA = static_cast<Panel*>(add(root, "pageA", 0, new Canvas));
    add(pageA, "a1", flags::TabStop);
    add(pageA, "a2", flags::TabStop)->setFlag(flags::Enabled, false);
    add(pageA, "a3", flags::TabStop)->setFlag(flags::Visible, false);
    add(pageA, "a4", flags::TabStop);
    add(pageA, "okA", flags::TabStop)->setInt(names::isDefault, 1);
    pageB = static_cast<Panel*>(add(root, "pageB", 0, new Canvas));
    pageB->setFlag(flags::Visible, false);
    add(pageB, "b1", flags::TabStop);
    tabs = static_cast<PageHost*>(add(root, "tabs", 0, new PageHost));
    add(tabs, "t1", flags::TabStop);
    for (const char* page : {"tp", "tq"}) {
      auto* p = new Canvas;
      named[page] = p;
      pages.emplace_back(p);
      setUnlistedParent(p, tabs);
      add(p, std::string(page) + "1", flags::TabStop);
    }
    tabs->shown = named["tp"];
    add(root, "late", flags::TabStop)->setInt(names::tabindex, 2);
    add(root, "early", flags::TabStop)->setInt(names::tabindex, 1);
    add(root, "cancel", flags::TabStop)->setInt(names::isCancel, 1);
  }
  void TearDown() override {
    for (auto& page : pages) setUnlistedParent(page.get(), nullptr);
    delete root;
  }
  Control* add(Panel* parent, const std::string& name, std::uint32_t extra, Control* c = nullptr) {
    if (!c) c = new Control;
    c->setFlag(extra, true);
    parent->addChild(c);
    named[name] = c;
    return c;
  }
  Control* operator[](const std::string& name) { return name.empty() ? nullptr : named.at(name); }
  std::string nameOf(const Control* c) const {
    for (const auto& [name, control] : named)
      if (control == c) return name;
    return c ? "?" : "";
  }
  std::string names(const std::vector<Control*>& list) const {
    std::string out;
    for (const Control* c : list) out += (out.empty() ? "" : " ") + nameOf(c);
    return out;
  }

  Canvas* root = nullptr;
  Panel* pageA = nullptr;
  Panel* pageB = nullptr;
  PageHost* tabs = nullptr;
  std::map<std::string, Control*> named;
  std::vector<std::unique_ptr<Control>> pages;
};

TEST_F(FocusOrder, PositiveIndexesFirstThenTreeOrderSkippingWhatCannotBeFocused) {
  EXPECT_EQ(names(tabOrder(root)), "early late a1 a4 okA t1 tp1 cancel");
  EXPECT_EQ(names(tabOrder(pageA)), "a1 a4 okA");
}

TEST_F(FocusOrder, NextAndPreviousStopWrapAround) {
  struct Case {
    const char* current;
    bool forward;
    const char* expected;
  };
  const Case cases[] = {
      {"", true, "early"},         // no focus: the first stop
      {"", false, "cancel"},       // ... or the last going backwards
      {"early", true, "late"},
      {"late", true, "a1"},        // from the indexed ones on to the tree order
      {"a1", true, "a4"},          // past the disabled and the hidden one
      {"okA", true, "t1"},
      {"t1", true, "tp1"},         // into the shown page, after the headers
      {"tp1", true, "cancel"},
      {"cancel", true, "early"},   // round to the first
      {"early", false, "cancel"},  // round to the last
      {"a4", false, "a1"},
      {"title", true, "early"},    // not in the order (tabindex -1): from the start
      {"b1", true, "early"},       // hidden: from the start
      {"tq1", false, "cancel"},    // on a page not shown: from the end
  };
  for (const Case& c : cases)
    EXPECT_EQ(nameOf(nextTabStop(root, (*this)[c.current], c.forward)), c.expected)
        << c.current << (c.forward ? " forward" : " backward");
}

TEST_F(FocusOrder, ShownMeansEveryAncestorShownAndTheUnlistedPageTheShownOne) {
  struct Case {
    const char* name;
    bool shown;
    bool tabStop;
  };
  const Case cases[] = {
      {"a1", true, true},   {"a2", true, false},    // disabled: shown, yet no stop
      {"a3", false, false}, {"b1", false, false},   // hidden itself, hidden page
      {"tp1", true, true},  {"tq1", false, false},  // the shown page and the other
      {"title", true, false},                       // tabindex -1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isShown((*this)[c.name]), c.shown) << c.name;
    EXPECT_EQ(isTabStop((*this)[c.name]), c.tabStop) << c.name;
  }
  (*this)["a1"]->setFlag(flags::Collapsed, true);
  EXPECT_FALSE(isShown((*this)["a1"]));
  tabs->shown = named["tq"];
  EXPECT_TRUE(isShown((*this)["tq1"]));
  EXPECT_FALSE(isShown((*this)["tp1"]));
  EXPECT_FALSE(isShown(nullptr));
}

TEST_F(FocusOrder, EnterAndEscapeFindTheButtonNearestTheFocus) {
  struct Case {
    const char* focus;
    AttrKey which;
    const char* expected;
  };
  const Case cases[] = {
      {"a1", names::isDefault, "okA"},      // the page's own
      {"t1", names::isDefault, "okA"},      // none nearer: the one shown in the window
      {"a1", names::isCancel, "cancel"},    // the window's, for every page
      {"", names::isCancel, "cancel"},      // no focus: the whole window
      {"", names::isDefault, "okA"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(nameOf(markedButtonFor(root, (*this)[c.focus], c.which)), c.expected) << c.focus;
  (*this)["okA"]->setFlag(flags::Enabled, false);  // a disabled default is no default
  EXPECT_EQ(markedButtonFor(root, (*this)["a1"], names::isDefault), nullptr);
  pageA->setFlag(flags::Visible, false);           // nor is one on a hidden page
  (*this)["okA"]->setFlag(flags::Enabled, true);
  EXPECT_EQ(markedButtonFor(root, nullptr, names::isDefault), nullptr);
}

TEST_F(FocusOrder, AShownPageGivesTheFocusToItsDefaultButtonElseItsFirstStop) {
  EXPECT_EQ(nameOf(pageFocusTarget(pageA)), "okA");
  (*this)["okA"]->setFlag(flags::Enabled, false);
  EXPECT_EQ(nameOf(pageFocusTarget(pageA)), "a1");
  EXPECT_EQ(nameOf(pageFocusTarget(named["tp"])), "tp1");
  EXPECT_EQ(pageFocusTarget(pageB), nullptr);  // hidden
  pageB->setFlag(flags::Visible, true);
  EXPECT_EQ(nameOf(pageFocusTarget(pageB)), "b1");
  EXPECT_EQ(nameOf(tabStopAfter(root, pageA)), "a1");
  EXPECT_EQ(nameOf(tabStopAfter(root, (*this)["cancel"])), "");
}

}  // namespace
