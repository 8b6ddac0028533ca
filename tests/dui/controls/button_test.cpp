// The button family on a real window: the click rule and its deferred Click,
// the checked state and ValueChange of the toggling members.
#include <gtest/gtest.h>

#include "dui/controls/button_family.h"
#include "tests/dui/controls/control_window.h"

using namespace dui;
using dui_test::place;
using Lines = std::vector<std::string>;

namespace {

// Logs Click, ValueChange and LButtonUp of a control, with its checked state
// at the time ("box:Click+" for checked).
struct Recorder {
  Lines lines;
  void tap(Button* button, const std::string& name) {
    names.emplace_back(button, name);
    for (std::uint32_t code : {events::Click, events::ValueChange, events::LButtonUp})
      button->addHandler(code, this, &Recorder::on);
  }
  void on(Control* sender, Event& e) {
    std::string name = "?";
    for (auto& [c, n] : names)
      if (c == sender) name = n;
    const char* what = e.msg == events::Click ? "Click" : e.msg == events::ValueChange ? "ValueChange" : "LButtonUp";
    lines.push_back(name + ":" + what + (sender->hasFlag(flags::Checked) ? "+" : ""));
  }
  Lines take() {
    Lines out;
    out.swap(lines);
    return out;
  }
  std::vector<std::pair<Control*, std::string>> names;
};

// button (10,10) toggle (110,10) check (10,60) radio (110,60), each 80 x 30.
class Buttons : public dui_test::ControlWindow {
 protected:
  void SetUp() override {
    ControlWindow::SetUp();
    button = static_cast<Button*>(place(root, new Button, 10, 10, 80, 30));
    toggle = static_cast<Button*>(place(root, new ToggleButton, 110, 10, 80, 30));
    check = static_cast<Button*>(place(root, new CheckBox, 10, 60, 80, 30));
    radio = static_cast<Button*>(place(root, new RadioButton, 110, 60, 80, 30));
    open();
    recorder.tap(button, "button");
    recorder.tap(toggle, "toggle");
    recorder.tap(check, "check");
    recorder.tap(radio, "radio");
  }
  Button* button = nullptr;
  Button* toggle = nullptr;
  Button* check = nullptr;
  Button* radio = nullptr;
  Recorder recorder;
};

TEST_F(Buttons, EveryMemberIsAButtonLikeControlNamedButton) {
  for (Control* c : std::initializer_list<Control*>{button, toggle, check, radio, new ImageButton, new IconButton,
                                                   new ToggleIconButton}) {
    EXPECT_STREQ(c->typeName(), L"Button");
    EXPECT_EQ(c->flagWord(), flags::Initial | flags::ButtonLike | flags::TabStop);
    if (!c->parent()) delete c;
  }
}

TEST_F(Buttons, ClickArrivesAfterTheReleaseHasBeenHandled) {
  mouse(WM_MOUSEMOVE, 30, 20);
  mouse(WM_LBUTTONDOWN, 30, 20, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 30, 20);
  // The release was handled by the button's own handler: the later one never
  // saw it, and Click is still queued.
  EXPECT_EQ(recorder.take(), Lines{});
  dui_test::pump();
  EXPECT_EQ(recorder.take(), Lines{"button:Click"});
}

TEST_F(Buttons, PressMoveOffReleaseGivesNoClickButTheReleaseIsHandled) {
  mouse(WM_MOUSEMOVE, 30, 20);
  mouse(WM_LBUTTONDOWN, 30, 20, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 300, 200, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 300, 200);
  dui_test::pump();
  EXPECT_EQ(recorder.take(), Lines{});  // no Click, and LButtonUp stopped at the button's handler
  EXPECT_FALSE(button->hasFlag(flags::Captured));
}

TEST_F(Buttons, PressOutsideMoveOntoAButtonReleaseGivesNoClick) {
  mouse(WM_LBUTTONDOWN, 300, 200, MK_LBUTTON);  // on the root: no capture taken
  mouse(WM_MOUSEMOVE, 30, 20, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 30, 20);
  dui_test::pump();
  EXPECT_EQ(recorder.take(), Lines{"button:LButtonUp"});  // bubbled and left unhandled
}

TEST_F(Buttons, TheRightAndBottomEdgesAreOutside) {
  // The release position is the cursor's: (89, 39) is the last pixel inside.
  mouse(WM_LBUTTONDOWN, 30, 20, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 89, 39);
  dui_test::pump();
  EXPECT_EQ(recorder.take(), Lines{"button:Click"});
  mouse(WM_LBUTTONDOWN, 30, 20, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 90, 20);
  mouse(WM_LBUTTONDOWN, 30, 20, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 30, 40);
  dui_test::pump();
  EXPECT_EQ(recorder.take(), Lines{});
}

TEST_F(Buttons, CheckBoxClickedTwiceRaisesTwoValueChangesAndEndsUnchecked) {
  click(30, 70);
  click(30, 70);
  // Its own Click handler ran first, so the later handler sees the new state.
  EXPECT_EQ(recorder.take(), (Lines{"check:ValueChange+", "check:Click+", "check:ValueChange", "check:Click"}));
  EXPECT_FALSE(check->hasFlag(flags::Checked));
}

TEST_F(Buttons, ToggleButtonFlipsOnEveryClick) {
  click(130, 20);
  EXPECT_TRUE(toggle->hasFlag(flags::Checked));
  click(130, 20);
  EXPECT_FALSE(toggle->hasFlag(flags::Checked));
  EXPECT_EQ(recorder.take(), (Lines{"toggle:ValueChange+", "toggle:Click+", "toggle:ValueChange", "toggle:Click"}));
}

TEST_F(Buttons, ACheckedRadioButtonClickedAgainRaisesNothing) {
  click(130, 70);
  EXPECT_EQ(recorder.take(), (Lines{"radio:ValueChange+", "radio:Click+"}));
  click(130, 70);
  EXPECT_EQ(recorder.take(), Lines{"radio:Click+"});  // still checked, no ValueChange
  EXPECT_TRUE(radio->hasFlag(flags::Checked));
}

TEST_F(Buttons, SetCheckedRaisesValueChangeOnlyOnAChange) {
  struct Step { bool value; bool changed; Lines lines; };
  for (const Step& s : std::vector<Step>{{false, false, {}},
                                         {true, true, {"button:ValueChange+"}},
                                         {true, false, {}},
                                         {false, true, {"button:ValueChange"}}}) {
    EXPECT_EQ(button->setChecked(s.value), s.changed);
    EXPECT_EQ(button->isChecked(), s.value);
    EXPECT_EQ(recorder.take(), s.lines);
  }
}

TEST_F(Buttons, ADisabledButtonNeverClicks) {
  check->setFlag(flags::Enabled, false);
  click(30, 70);
  EXPECT_EQ(recorder.take(), Lines{});
  EXPECT_FALSE(check->hasFlag(flags::Checked));
}

TEST_F(Buttons, AButtonDestroyedBeforeTheClickIsDeliveredGetsNothing) {
  int clicks = 0;
  struct Counter {
    int* n;
    void on(Control*, Event&) { ++*n; }
  } counter{&clicks};
  check->addHandler(events::Click, &counter, &Counter::on);
  mouse(WM_LBUTTONDOWN, 30, 70, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 30, 70);
  delete check;  // leaves the tree; the queued Click finds no live control
  check = nullptr;
  dui_test::pump();
  EXPECT_EQ(clicks, 0);
}

}  // namespace
