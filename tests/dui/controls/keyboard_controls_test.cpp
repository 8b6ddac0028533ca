// The controls' own keys on a real window: buttons and check boxes with Space
// and Enter, a list's and a combo box's selection keys, a slider's steps, a
// text box that leaves Tab, Enter and Escape to the window, the arrows among
// option buttons, and the Tab order of a page of them.
#include <gtest/gtest.h>

#include "dui/controls/button_family.h"
#include "dui/controls/list_controls.h"
#include "dui/controls/text_controls.h"
#include "dui/core/focus_navigation.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/controls/list_controls_window.h"

using namespace dui;
using dui_test::EventCount;
using dui_test::place;

namespace {

// root 400 x 300:
//   go     push button (10, 10, 80 x 24)
//   check  check box   (10, 40, 120 x 20)
//   box    text box    (10, 70, 120 x 28)
//   list   list box    (150, 10, 100 x 96), eight items 24 tall (four a page)
//   combo  combo box   (10, 200, 120 x 28), five items, showing "choice 0"
//   slider slider      (150, 150, 200 x 20), 0 .. 100 at 50
//   ok     push button (300, 260, 80 x 24), the default
class ControlKeys : public dui_test::ListControlsWindow {
 protected:
  void SetUp() override {
    ListControlsWindow::SetUp();
    go = static_cast<Button*>(place(root, new Button, 10, 10, 80, 24));
    check = static_cast<CheckBox*>(place(root, new CheckBox, 10, 40, 120, 20));
    box = static_cast<TextBox*>(place(root, new TextBox, 10, 70, 120, 28));
    list = new ListBox;
    list->setInt(names::itemHeight, 24);
    for (int i = 0; i < 8; ++i) {
      auto* item = new Button;
      item->setString(names::text, L"item " + std::to_wstring(i));
      list->addItem(item);
    }
    place(root, list, 150, 10, 100, 96);
    combo = static_cast<ComboBox*>(place(root, new ComboBox, 10, 200, 120, 28));
    for (int i = 0; i < 5; ++i) {
      auto* item = new Button;
      item->setString(names::text, L"choice " + std::to_wstring(i));
      combo->addItem(item);
    }
    combo->setString(names::text, L"choice 0");  // as markup gives it: shown, not selected
    slider = static_cast<Slider*>(place(root, new Slider, 150, 150, 200, 20));
    ok = static_cast<Button*>(place(root, new Button, 300, 260, 80, 24));
    ok->setInt(names::isDefault, 1);
    open();
    for (Control* c : std::initializer_list<Control*>{go, check, ok}) clicks[c].tap(c, events::Click);
    changes.tap(list, events::ValueChange);
    changes.tap(combo, events::ValueChange);
  }
  void focus(Control* c) { window->setFocus(c); }
  int clickCount(Control* c) {
    dui_test::pump();
    return clicks[c].count;
  }
  void sysKey(WPARAM vk) { send(WM_SYSKEYDOWN, vk, 0x20000001); }

  Button* go = nullptr;
  CheckBox* check = nullptr;
  TextBox* box = nullptr;
  ListBox* list = nullptr;
  ComboBox* combo = nullptr;
  Slider* slider = nullptr;
  Button* ok = nullptr;
  std::map<Control*, EventCount> clicks;
  EventCount changes;
};

TEST_F(ControlKeys, TheTabOrderIsTheTreeOrderOfTheStops) {
  const std::vector<Control*> expected{go, check, box, list, combo, slider, ok};
  EXPECT_EQ(tabOrder(root), expected) << "the list's items and bars are no stops of their own";
}

TEST_F(ControlKeys, SpaceClicksOnItsReleaseAndEnterClicksOnlyAPushButton) {
  focus(go);
  send(WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(clickCount(go), 0) << "not before the release";
  send(WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(clickCount(go), 1);
  key(VK_RETURN);
  EXPECT_EQ(clickCount(go), 2);
  EXPECT_EQ(clickCount(ok), 0) << "a focused push button takes Enter itself";

  focus(check);
  key(VK_SPACE);
  dui_test::pump();  // the posted Click toggles it
  EXPECT_TRUE(check->isChecked());
  key(VK_SPACE);
  dui_test::pump();
  EXPECT_FALSE(check->isChecked());
  key(VK_RETURN);
  dui_test::pump();
  EXPECT_FALSE(check->isChecked()) << "Enter is not the check box's";
  EXPECT_EQ(clickCount(ok), 1) << "it presses the default button";

  // Space going down, then the focus leaving: no click on the release.
  focus(go);
  send(WM_KEYDOWN, VK_SPACE, 1);
  focus(check);
  focus(go);
  send(WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(clickCount(go), 2);
}

TEST_F(ControlKeys, ListKeysMoveTheSelectionByItemsPagesAndEnds) {
  struct Case {
    int from;   // selected item before, -1 none
    WPARAM key;
    int to;
  };
  const Case cases[] = {
      {-1, VK_DOWN, 0}, {-1, VK_HOME, 0}, {-1, VK_UP, -1}, {0, VK_DOWN, 1}, {0, VK_UP, 0},
      {2, VK_NEXT, 6},  {6, VK_NEXT, 7},  {7, VK_PRIOR, 3}, {3, VK_HOME, 0}, {3, VK_END, 7}, {7, VK_DOWN, 7},
  };
  focus(list);
  for (const Case& c : cases) {
    list->select(c.from < 0 ? nullptr : list->itemAt(c.from));
    changes.count = 0;
    key(c.key);
    EXPECT_EQ(list->selectedItem(), c.to < 0 ? nullptr : list->itemAt(c.to)) << c.from << " key " << c.key;
    EXPECT_EQ(changes.count, c.to == c.from ? 0 : 1) << c.from << " key " << c.key;
  }
}

TEST_F(ControlKeys, ComboKeysChooseWithoutOpeningAndF4OrAltDownOpen) {
  struct Case {
    WPARAM key;
    const wchar_t* shown;
  };
  const Case cases[] = {{VK_DOWN, L"choice 1"}, {VK_END, L"choice 4"}, {VK_DOWN, L"choice 4"},
                        {VK_UP, L"choice 3"},   {VK_HOME, L"choice 0"}, {VK_NEXT, L"choice 4"}};
  focus(combo);
  int expectedChanges = 0;
  std::wstring before = combo->getText();
  for (const Case& c : cases) {
    key(c.key);
    EXPECT_EQ(combo->getText(), c.shown) << c.key;
    EXPECT_FALSE(combo->dropped());
    if (c.shown != before) ++expectedChanges;
    before = c.shown;
  }
  EXPECT_EQ(changes.count, expectedChanges);
  // Opening runs the drop-down's loop before the key returns: it takes the
  // Up and Return posted first and chooses.
  struct Opening {
    const char* how;
    WPARAM key;
    bool alt;
    const wchar_t* chosen;
  };
  const Opening openings[] = {
      {"F4", VK_F4, false, L"choice 3"}, {"Alt+Down", VK_DOWN, true, L"choice 2"}, {"Alt+Up", VK_UP, true, L"choice 1"}};
  for (const Opening& o : openings) {
    ::PostMessageW(hwnd, WM_KEYDOWN, VK_UP, 1);
    ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    if (o.alt) sysKey(o.key);
    else send(WM_KEYDOWN, o.key, 1);
    EXPECT_FALSE(combo->dropped()) << o.how;
    EXPECT_EQ(combo->getText(), o.chosen) << o.how;
  }
  sysKey(VK_RIGHT);  // with Alt, no other key opens it or chooses
  EXPECT_EQ(combo->getText(), L"choice 1");
}

TEST_F(ControlKeys, SliderKeysStepByOneAFifthAndToTheEnds) {
  struct Case {
    std::int32_t from;
    WPARAM key;
    std::int32_t to;
  };
  const Case cases[] = {{50, VK_LEFT, 49}, {50, VK_UP, 49},    {50, VK_RIGHT, 51}, {50, VK_DOWN, 51},
                        {50, VK_NEXT, 70}, {90, VK_NEXT, 100}, {5, VK_PRIOR, 0},   {50, VK_HOME, 0},
                        {50, VK_END, 100}, {0, VK_LEFT, 0}};
  focus(slider);
  for (const Case& c : cases) {
    slider->setValue(c.from);
    key(c.key);
    EXPECT_EQ(slider->value(), c.to) << c.from << " key " << c.key;
  }
  EXPECT_EQ(window->focusControl(), slider) << "the arrows were the slider's, not the focus order's";
}

TEST_F(ControlKeys, ATextBoxLeavesTabEnterAndEscapeToTheWindow) {
  focus(box);
  type(L"ab");
  EXPECT_EQ(box->text(), L"ab");
  key(VK_RETURN);
  EXPECT_EQ(clickCount(ok), 1);
  EXPECT_EQ(box->text(), L"ab");
  key(VK_TAB);
  EXPECT_EQ(window->focusControl(), list);
  go->setString(names::text, L"&Go");
  focus(box);
  type(L"g");  // typed, not an access key
  EXPECT_EQ(box->text(), L"abg");
  EXPECT_EQ(clickCount(go), 0);
}

// Three option buttons side by side, a push button after them, and one more
// option button inside a canvas of its own.
class OptionKeys : public dui_test::ListControlsWindow {
 protected:
  void SetUp() override {
    ListControlsWindow::SetUp();
    for (int i = 0; i < 3; ++i) options[i] = place(root, new RadioButton, 10 + 100 * i, 10, 90, 20);
    after = place(root, new Button, 10, 40, 80, 24);
    auto* group = static_cast<Canvas*>(place(root, new Canvas, 10, 80, 200, 40));
    apart = place(group, new RadioButton, 0, 0, 90, 20);
    open();
    for (Control* c : {options[0], options[1], options[2], after, apart}) clicks[c].tap(c, events::Click);
  }
  Control* options[3] = {};
  Control* after = nullptr;
  Control* apart = nullptr;
  std::map<Control*, EventCount> clicks;
};

TEST_F(OptionKeys, AnArrowChecksTheOptionButtonBesideItAndElsewhereOnlyMovesTheFocus) {
  struct Case {
    WPARAM key;
    Control* focus;
    Control* clicked;   // nullptr: nothing clicked
  };
  const Case cases[] = {{VK_DOWN, options[1], options[1]}, {VK_RIGHT, options[2], options[2]},
                        {VK_LEFT, options[1], options[1]}, {VK_UP, options[0], options[0]},
                        {VK_RIGHT, options[1], options[1]}, {VK_RIGHT, options[2], options[2]},
                        {VK_DOWN, after, nullptr},         {VK_DOWN, apart, nullptr},
                        {VK_UP, after, nullptr},           {VK_UP, options[2], nullptr}};
  window->setFocus(options[0]);
  for (const Case& c : cases) {
    std::map<Control*, int> before;
    for (auto& [control, count] : clicks) before[control] = count.count;
    key(c.key);
    dui_test::pump();   // the posted Click
    EXPECT_EQ(window->focusControl(), c.focus) << "key " << c.key;
    for (auto& [control, count] : clicks)
      EXPECT_EQ(count.count - before[control], control == c.clicked ? 1 : 0) << "key " << c.key;
  }
  EXPECT_TRUE(options[2]->hasFlag(flags::Checked));
  EXPECT_FALSE(apart->hasFlag(flags::Checked)) << "a radio button in another panel is only focused";
}

}  // namespace
