// Scroll bars, scroll panels, list boxes and sliders on a real window: the
// position rules, the bar's repeat and drag, the wheel and keys, selection,
// and the bars' rebuilding while one of them holds the capture.
#include <gtest/gtest.h>

#include "dui/controls/list_controls.h"
#include "dui/controls/button_family.h"
#include "dui/core/control_registry.h"
#include "dui/core/layout.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/controls/list_controls_window.h"

using namespace dui;
using dui_test::EventCount;
using dui_test::place;

namespace {

// A stack of `count` plain controls `height` tall each.
StackPanel* tallContent(int count, int height) {
  auto* stack = new StackPanel;
  for (int i = 0; i < count; ++i) {
    auto* row = new Control;
    row->setInt(names::height, height);
    stack->addChild(row);
  }
  return stack;
}

class ScrollControls : public dui_test::ListControlsWindow {};

TEST_F(ScrollControls, EnsurePositionClampsToTheScrollableRangeAndDisablesAFullPage) {
  auto* bar = static_cast<ScrollBar*>(place(root, new ScrollBar, 10, 10, 16, 200));
  open();
  struct Case {
    std::int32_t total, page, asked, stored;
    bool enabled;
  };
  for (const Case& c : {Case{100, 100, 50, 0, false}, Case{1000, 100, 950, 900, true}, Case{1000, 100, -20, 0, true},
                        Case{1000, 100, 400, 400, true}, Case{50, 100, 10, 0, false}}) {
    SCOPED_TRACE(testing::Message() << c.total << "/" << c.page << " asked " << c.asked);
    bar->setExtents(c.total, c.page);
    bar->ensurePosition(c.asked);
    EXPECT_EQ(bar->position(), c.stored);
    EXPECT_EQ(bar->hasFlag(flags::Enabled), c.enabled);
  }
  ScrollBar loose;  // in no window: nothing changes
  loose.setExtents(1000, 100);
  loose.ensurePosition(300);
  EXPECT_EQ(loose.position(), 0);
}

// A plain scroll panel 200 x 100 at (10, 10) over content 400 tall.
class PlainPanel : public ScrollControls {
 protected:
  void SetUp() override {
    ScrollControls::SetUp();
    panel = static_cast<ScrollPanel*>(place(root, new ScrollPanel, 10, 10, 200, 100));
    content = tallContent(10, 40);
    panel->addChild(content);
    open();
  }
  std::int32_t position() const { return panel->verticalBar() ? panel->verticalBar()->position() : -1; }
  ScrollPanel* panel = nullptr;
  StackPanel* content = nullptr;
};

TEST_F(PlainPanel, ShowsAVerticalBarBesideTheViewportWhenTheContentIsTaller) {
  ScrollBar* bar = panel->verticalBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(panel->horizontalBar(), nullptr);
  EXPECT_EQ(bar->rect(), (Rect{184, 0, 200, 100}));
  EXPECT_EQ(panel->viewport(), (Rect{0, 0, 184, 100}));
  EXPECT_EQ(bar->total(), 400);
  EXPECT_EQ(bar->page(), 100);
  EXPECT_EQ(content->rect(), (Rect{0, 0, 184, 400}));

  panel->setVerticalOffset(120);
  EXPECT_EQ(position(), 120);
  EXPECT_EQ(content->rect(), (Rect{0, -120, 184, 280}));  // the whole content, moved up
}

TEST_F(PlainPanel, ScrollPoliciesDecideWhichBarsShow) {
  struct Case {
    AttrKey vertical, horizontal;
    bool verticalShown, horizontalShown;
  };
  for (const Case& c : {Case{names::kwNever, nullptr, false, false}, Case{names::kwAlways, nullptr, true, false},
                        Case{nullptr, names::kwAlways, true, true}, Case{names::kwNever, names::kwAlways, false, true}}) {
    if (c.vertical) panel->setEnum(names::scrollvertical, c.vertical);
    if (c.horizontal) panel->setEnum(names::scrollhorizontal, c.horizontal);
    measure(panel, 200, 100);
    arrange(panel, 10, 10, 210, 110);
    EXPECT_EQ(panel->verticalBar() != nullptr, c.verticalShown);
    EXPECT_EQ(panel->horizontalBar() != nullptr, c.horizontalShown);
    if (c.horizontalShown) {
      EXPECT_EQ(panel->horizontalBar()->rect().top, 84);
    }
  }
}

TEST_F(PlainPanel, WheelAndKeysScrollTheContent) {
  wheel(50, 50, -120);
  EXPECT_EQ(position(), ScrollPanel::kWheelStep);
  wheel(50, 50, 240);
  EXPECT_EQ(position(), 0);
  // A touchpad's small deltas, each worth less than a pixel, add up to a notch.
  for (int i = 0; i < 60; ++i) wheel(50, 50, -2);
  EXPECT_EQ(position(), ScrollPanel::kWheelStep);
  wheel(50, 50, 120);

  click(50, 50);  // the panel takes the keyboard focus
  ASSERT_EQ(window->focusControl(), panel);
  struct Case {
    WPARAM key;
    std::int32_t position;
  };
  for (const Case& c : {Case{VK_DOWN, 16}, Case{VK_NEXT, 116}, Case{VK_END, 300}, Case{VK_UP, 284},
                        Case{VK_PRIOR, 184}, Case{VK_HOME, 0}}) {
    key(c.key);
    EXPECT_EQ(position(), c.position) << c.key;
  }
}

// A scroll panel 200 x 100 at (10, 10), both bars 16, over a canvas 400 x 400
// with a button 60 x 24 near each corner.
class FocusInPanel : public ScrollControls {
 protected:
  void SetUp() override {
    ScrollControls::SetUp();
    panel = static_cast<ScrollPanel*>(place(root, new ScrollPanel, 10, 10, 200, 100));
    panel->setEnum(names::scrollhorizontal, names::kwAuto);
    auto* canvas = new Canvas;
    canvas->setInt(names::width, 400);
    canvas->setInt(names::height, 400);
    panel->addChild(canvas);
    const Point corners[] = {{10, 10}, {330, 10}, {10, 360}, {330, 360}};
    for (int i = 0; i < 4; ++i) buttons[i] = place(canvas, new Button, corners[i].x, corners[i].y, 60, 24);
    open();
  }
  std::int32_t down() const { return panel->verticalBar() ? panel->verticalBar()->position() : -1; }
  std::int32_t across() const { return panel->horizontalBar() ? panel->horizontalBar()->position() : -1; }
  ScrollPanel* panel = nullptr;
  Control* buttons[4] = {};
};

TEST_F(FocusInPanel, TabScrollsTheControlItFocusesIntoViewTheLeastDistance) {
  ASSERT_EQ(panel->viewport(), (Rect{0, 0, 184, 84}));
  struct Case {
    bool forward;
    Control* focus;
    std::int32_t across, down;
  };
  const Case cases[] = {{true, buttons[0], 0, 0},       // in view already
                        {true, buttons[1], 206, 0},     // its right edge to the viewport's
                        {true, buttons[2], 10, 300},    // its left edge back, its bottom edge down
                        {true, buttons[3], 206, 300},
                        {false, buttons[2], 10, 300},
                        {false, buttons[1], 206, 10}};  // its top edge to the viewport's
  window->setFocus(panel);
  for (const Case& c : cases) {
    BYTE state[256];
    ASSERT_TRUE(::GetKeyboardState(state));
    state[VK_SHIFT] = c.forward ? 0 : 0x80;   // the window reads Shift's state
    ::SetKeyboardState(state);
    key(VK_TAB);
    state[VK_SHIFT] = 0;
    ::SetKeyboardState(state);
    EXPECT_EQ(window->focusControl(), c.focus);
    EXPECT_EQ(across(), c.across) << "across, to " << c.focus;
    EXPECT_EQ(down(), c.down) << "down, to " << c.focus;
  }
}

TEST_F(FocusInPanel, LeftAndRightScrollAcrossAndAPanelWithOnlyThatBarIsATabStop) {
  window->setFocus(panel);
  key(VK_RIGHT);
  EXPECT_EQ(across(), ScrollPanel::kLineStep);
  key(VK_LEFT);
  key(VK_LEFT);
  EXPECT_EQ(across(), 0);
  EXPECT_EQ(window->focusControl(), panel) << "the arrows were the panel's";

  panel->setEnum(names::scrollvertical, names::kwNever);
  measure(panel, 200, 100);
  arrange(panel, 10, 10, 210, 110);
  ASSERT_EQ(panel->verticalBar(), nullptr);
  EXPECT_TRUE(panel->hasFlag(flags::TabStop));
  key(VK_END);
  EXPECT_EQ(across(), 200) << "Home and End go across without a vertical bar";
  key(VK_HOME);
  EXPECT_EQ(across(), 0);
}

TEST_F(PlainPanel, ARelayoutMakesNewBarsThatKeepThePosition) {
  panel->setVerticalOffset(120);
  const std::uint32_t oldSerial = panel->verticalBar()->serial();
  measure(panel, 200, 100);
  arrange(panel, 10, 10, 210, 110);
  ASSERT_NE(panel->verticalBar(), nullptr);
  EXPECT_NE(panel->verticalBar()->serial(), oldSerial);
  EXPECT_EQ(position(), 120);
  EXPECT_EQ(content->rect().top, -120);
}

TEST_F(PlainPanel, HoldingAnArrowRepeatsUntilReleased) {
  mouse(WM_MOUSEMOVE, 200, 105);
  mouse(WM_LBUTTONDOWN, 200, 105, MK_LBUTTON);  // the down arrow: one line at once
  EXPECT_EQ(position(), ScrollPanel::kLineStep);
  EXPECT_TRUE(pumpUntil([&] { return position() >= 3 * ScrollPanel::kLineStep; }));
  mouse(WM_LBUTTONUP, 200, 105);
  ScrollBar* bar = panel->verticalBar();
  EXPECT_FALSE(bar->repeating());
  const std::int32_t released = position();
  ::Sleep(250);
  dui_test::pump();
  EXPECT_EQ(position(), released);
}

TEST_F(PlainPanel, PressingTheTrackPagesTowardsThePointer) {
  // Thumb 20 long at the top of the 68-pixel track (16 .. 84); press below it.
  mouse(WM_MOUSEMOVE, 200, 90);
  mouse(WM_LBUTTONDOWN, 200, 90, MK_LBUTTON);
  EXPECT_EQ(position(), 100);
  mouse(WM_LBUTTONUP, 200, 90);
}

// Holding the track pages towards the pointer every 100 ms and stops once the
// thumb has reached it, though the button stays down.
TEST_F(PlainPanel, HoldingTheTrackStopsWhenTheThumbReachesThePointer) {
  // Track 16 .. 84 in the bar (window y 26 .. 94), thumb 20 over a range of
  // 300: its top is at 16 + 48 * position / 300.
  struct Case {
    std::int32_t from, y, to;
  };
  for (const Case& c : {Case{0, 70, 200}, Case{0, 55, 100}, Case{300, 50, 100}, Case{300, 30, 0}}) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << ", pointer at " << c.y);
    panel->setVerticalOffset(c.from);
    mouse(WM_MOUSEMOVE, 200, c.y);
    mouse(WM_LBUTTONDOWN, 200, c.y, MK_LBUTTON);
    dui_test::pumpFor(700);   // room for several more repeats
    EXPECT_EQ(position(), c.to);
    mouse(WM_LBUTTONUP, 200, c.y);
  }
}

TEST_F(PlainPanel, DraggingTheThumbAsksForThePositionOfTheFormula) {
  // Track 68 from 26 (window y), thumb 20: room 48 for a range of 300. Grab
  // it 5 pixels in and move it down 24: 300 * 24 / 48 = 150.
  mouse(WM_MOUSEMOVE, 200, 31);
  mouse(WM_LBUTTONDOWN, 200, 31, MK_LBUTTON);
  EXPECT_TRUE(panel->verticalBar()->parts().state & ScrollBarParts::ThumbDragged);
  mouse(WM_MOUSEMOVE, 200, 55);
  EXPECT_EQ(position(), 150);
  EXPECT_EQ(content->rect().top, -150);
  mouse(WM_MOUSEMOVE, 200, 500);  // far below: the end
  EXPECT_EQ(position(), 300);
  mouse(WM_LBUTTONUP, 200, 500);
  EXPECT_FALSE(panel->verticalBar()->parts().state & ScrollBarParts::ThumbDragged);
}

// Hovering lights the arrows and the thumb only; a second move over the same
// part leaves the bar clean, the track included.
TEST_F(PlainPanel, MovingOverThePartAlreadyHoveredDoesNotRepaintTheBar) {
  ScrollBar* bar = panel->verticalBar();
  struct Case {
    const char* part;
    std::int32_t position, y;
    std::uint32_t hover;
  };
  for (const Case& c : {Case{"first arrow", 0, 15, ScrollBarParts::FirstArrowOver},
                        Case{"thumb", 0, 30, ScrollBarParts::ThumbOver}, Case{"track after the thumb", 0, 70, 0},
                        Case{"track before the thumb", 300, 40, 0},
                        Case{"second arrow", 0, 100, ScrollBarParts::SecondArrowOver}}) {
    SCOPED_TRACE(c.part);
    panel->setVerticalOffset(c.position);
    mouse(WM_MOUSEMOVE, 200, c.y);
    EXPECT_EQ(bar->parts().state, c.hover);
    dui_test::pump();
    ::ValidateRect(hwnd, nullptr);
    mouse(WM_MOUSEMOVE, 201, c.y + 1);
    EXPECT_EQ(bar->parts().state, c.hover);
    EXPECT_FALSE(::GetUpdateRect(hwnd, nullptr, FALSE)) << "the bar was marked for repainting again";
  }
}

TEST_F(PlainPanel, ARebuildWhileTheBarHoldsTheCaptureLeavesNothingBehind) {
  mouse(WM_MOUSEMOVE, 200, 105);
  mouse(WM_LBUTTONDOWN, 200, 105, MK_LBUTTON);
  ASSERT_EQ(window->captureHolder(), panel->verticalBar());
  ScrollBar* old = panel->verticalBar();
  const std::uint32_t oldSerial = old->serial();
  // The window is resized while the arrow is held: the panel lays out again.
  ::SetWindowPos(hwnd, nullptr, 0, 0, 380, 280, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  measure(root, 380, 280);
  arrange(root, 0, 0, 380, 280);
  EXPECT_FALSE(controlExists(old, oldSerial));
  EXPECT_EQ(window->captureHolder(), nullptr);
  EXPECT_EQ(runningTimerCount(), 0u);
  mouse(WM_MOUSEMOVE, 200, 60);
  mouse(WM_LBUTTONUP, 200, 60);
  dui_test::pump();
  EXPECT_EQ(position(), ScrollPanel::kLineStep);  // the one step before the rebuild, kept
}

// A list 150 x 100 at (10, 10) with `itemHeight` 24 and ten button items.
class List : public ScrollControls {
 protected:
  void SetUp() override {
    ScrollControls::SetUp();
    list = static_cast<ListBox*>(place(root, new ListBox, 10, 10, 150, 100));
    list->setInt(names::itemHeight, 24);
    for (int i = 0; i < 10; ++i) {
      auto* item = new Button;
      item->setString(names::text, L"item " + std::to_wstring(i));
      list->addItem(item);
    }
    open();
    changes.tap(list, events::ValueChange);
    chosen.tap(list, events::Notify);
  }
  std::int32_t position() const { return list->verticalBar() ? list->verticalBar()->position() : -1; }
  void scrollTo(std::int32_t p) { list->verticalBar()->ensurePosition(p); }
  ListBox* list = nullptr;
  EventCount changes, chosen;
};

TEST_F(List, ScrollsByWholeItems) {
  ScrollBar* bar = list->verticalBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->total(), 240);
  struct Case {
    std::int32_t from;
    std::uint32_t action;
    std::intptr_t requested;
    std::int32_t to;
  };
  for (const Case& c : {Case{48, scroll_actions::LineBack, 0, 24}, Case{48, scroll_actions::LineForward, 0, 72},
                        Case{0, scroll_actions::PageForward, 0, 96}, Case{120, scroll_actions::PageBack, 0, 24},
                        Case{0, scroll_actions::ThumbDrag, 50, 48}, Case{0, scroll_actions::ThumbDrag, 71, 48},
                        Case{0, scroll_actions::ThumbDrag, 500, 140}}) {
    SCOPED_TRACE(testing::Message() << "action " << c.action << " from " << c.from);
    scrollTo(c.from);
    Event e = makeEvent(events::Notify, c.action, c.requested);
    raiseEvent(bar, e);
    EXPECT_EQ(position(), c.to);
  }
}

TEST_F(List, AWheelNotchScrollsTwoItemsAndSmallDeltasAddUp) {
  struct Case {
    std::int32_t from, delta, times, to;
  };
  for (const Case& c : {Case{96, 120, 1, 48}, Case{48, -120, 1, 96}, Case{24, 120, 1, 0}, Case{120, -240, 1, 140},
                        Case{96, 30, 4, 48}, Case{48, -20, 6, 96}, Case{96, 10, 6, 72}, Case{96, 50, 1, 96}}) {
    SCOPED_TRACE(testing::Message() << c.from << " by " << c.times << " x " << c.delta);
    scrollTo(c.from);
    wheel(50, 50, c.delta > 0 ? -1 : 1);   // a turn the other way: nothing left from the last case
    for (int i = 0; i < c.times; ++i) wheel(50, 50, c.delta);
    EXPECT_EQ(position(), c.to);
  }
}

TEST_F(List, APressSelectsTheItemUnderItAndKeysMoveTheSelection) {
  EXPECT_EQ(list->selectedText(), L"");
  key(VK_DOWN);  // nothing selected: ignored
  EXPECT_EQ(list->selectedItem(), nullptr);

  click(50, 10 + 2 * 24 + 5);
  ASSERT_EQ(list->selectedItem(), list->itemAt(2));
  EXPECT_TRUE(list->itemAt(2)->hasFlag(flags::Checked));
  EXPECT_EQ(window->focusControl(), list);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(chosen.count, 1);
  EXPECT_EQ(chosen.lastWparam, ListBox::kItemChosen);

  click(50, 10 + 2 * 24 + 5);  // the same item again: no change, still a choice
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(chosen.count, 2);

  key(VK_DOWN);
  EXPECT_EQ(list->selectedText(), L"item 3");
  EXPECT_FALSE(list->itemAt(2)->hasFlag(flags::Checked));
  EXPECT_EQ(changes.count, 2);
  for (int i = 0; i < 10; ++i) key(VK_DOWN);
  EXPECT_EQ(list->selectedText(), L"item 9");
  // Scrolled so that the last item shows at the bottom of whole items.
  EXPECT_EQ(position(), 140);
  for (int i = 0; i < 12; ++i) key(VK_UP);
  EXPECT_EQ(list->selectedText(), L"item 0");
  EXPECT_EQ(position(), 0);
}

TEST_F(List, SelectingByTextRaisesNothing) {
  EXPECT_TRUE(list->selectText(L"item 7"));
  EXPECT_EQ(list->selectedItem(), list->itemAt(7));
  EXPECT_FALSE(list->selectText(L"missing"));
  EXPECT_EQ(list->selectedText(), L"item 7");
  EXPECT_EQ(changes.count, 0);
  EXPECT_GE(position(), 7 * 24 + 24 - 100);
}

class Sliders : public ScrollControls {
 protected:
  void SetUp() override {
    ScrollControls::SetUp();
    slider = static_cast<Slider*>(place(root, new Slider, 5, 40, 110, 20));
    open();
    changes.tap(slider, events::ValueChange);
  }
  Slider* slider = nullptr;
  EventCount changes;
};

TEST_F(Sliders, SetValueClampsAndRaisesOnlyOnAChange) {
  struct Case {
    std::int32_t value, stored, changes;
  };
  for (const Case& c : {Case{150, 100, 1}, Case{100, 100, 1}, Case{-3, 0, 2}, Case{0, 0, 2}, Case{42, 42, 3}}) {
    SCOPED_TRACE(c.value);
    slider->setValue(c.value);
    EXPECT_EQ(slider->value(), c.stored);
    EXPECT_EQ(changes.count, c.changes);
  }
}

TEST_F(Sliders, MeasuresToItsThumbAndFollowsThePointerAndTheWheel) {
  EXPECT_EQ(slider->measureOverride(300, 300), (Size{300, 20}));
  slider->setEnum(names::orientation, names::kwVertical);
  EXPECT_EQ(slider->measureOverride(300, 300), (Size{10, 300}));
  slider->setEnum(names::orientation, names::kwHorizontal);
  slider->removeHandler(events::ValueChange, &changes, &EventCount::on);
  slider->setValue(0);
  // Thumb 10 wide: 0 at x 5 into the slider, 100 at x 105.
  click(5 + 55, 50);
  EXPECT_EQ(slider->value(), 50);
  EXPECT_EQ(slider->thumbRect(), (Rect{50, 0, 60, 20}));
  wheel(60, 50, 120);
  EXPECT_EQ(slider->value(), 52);
  for (int i = 0; i < 3; ++i) wheel(60, 50, 20);   // a third of a step each time
  EXPECT_EQ(slider->value(), 53);
  mouse(WM_LBUTTONDOWN, 5 + 10, 50, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 5 + 200, 50, MK_LBUTTON);  // dragged past the end
  EXPECT_EQ(slider->value(), 100);
  mouse(WM_LBUTTONUP, 5 + 200, 50);
}

}  // namespace
