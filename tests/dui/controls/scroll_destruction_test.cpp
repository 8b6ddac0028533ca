// Scrolling controls destroyed while they are still handling input: a scroll
// panel that lays itself out again from its bar's own Notify (so the bar dies
// inside its press, its repeat tick or its thumb drag), and lists and sliders
// whose ValueChange handler destroys them. Built natively under
// AddressSanitizer, where any touch of a freed control is reported.
#include <gtest/gtest.h>

#include <functional>

#include <windows.h>

#include "dui/controls/list_box.h"
#include "dui/controls/scroll_bar.h"
#include "dui/controls/scroll_panel.h"
#include "dui/controls/slider.h"
#include "dui/core/layout.h"
#include "dui/core/layout_panels.h"
#include "dui/core/timer.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;

namespace {

// Lays itself out again after each of its bars' actions: every Notify ends
// with the bar that raised it destroyed and replaced.
class RebuildingPanel : public ScrollPanel {
 public:
  ScrollBar* createScrollBar() override {
    ScrollBar* bar = ScrollPanel::createScrollBar();   // scrolls first
    bar->addHandler(events::Notify, this, &RebuildingPanel::rebuild);
    return bar;
  }
  void rebuild(Control*, Event&) {
    ++rebuilds;
    measure(this, rect().width(), rect().height());
    arrange(this, rect());
  }
  int rebuilds = 0;
};

// Removes and deletes the control that raised the event.
struct Destroyer {
  Panel* parent;
  void on(Control* sender, Event&) {
    parent->removeChild(sender);
    delete sender;
  }
};

Control* place(Panel* parent, Control* c, int x, int y, int w, int h) {
  c->setInt(names::x, x);
  c->setInt(names::y, y);
  c->setInt(names::width, w);
  c->setInt(names::height, h);
  parent->addChild(c);
  return c;
}

class ScrollDestruction : public ::testing::Test {
 protected:
  void SetUp() override { root = new Canvas; }
  void TearDown() override {
    detachControl(root);
    delete root;
  }
  void attach() {
    attachRoot(root, &host);
    measure(root, 400, 300);
    arrange(root, 0, 0, 400, 300);
  }
  static bool raise(Control* target, std::uint32_t code, int x, int y, WPARAM wparam = 0) {
    Event e = makeEvent(code, wparam, MAKELPARAM(x, y));
    raiseEvent(target, e);
    return e.handled != 0;
  }

  dui_test::FakeHost host;
  Canvas* root = nullptr;
};

// The panel 200 x 100 at (10, 10) over content 400 tall: its bar at x 194 ..
// 210 with the down arrow at y 94 .. 110, the thumb (20 long) at 26 .. 46.
TEST_F(ScrollDestruction, ABarRebuiltInsideItsOwnActionIsNeverTouchedAgain) {
  auto* panel = static_cast<RebuildingPanel*>(place(root, new RebuildingPanel, 10, 10, 200, 100));
  auto* content = new StackPanel;
  content->setInt(names::height, 400);
  panel->addChild(content);
  attach();
  struct Case {
    const char* name;
    int pressY;
    int dragToY;   // 0: no drag
    std::int32_t position;
  };
  const Case cases[] = {
      {"pressing the down arrow", 100, 0, ScrollPanel::kLineStep},
      {"pressing the track below the thumb", 80, 0, 100},
      // Grabbed 4 pixels into the thumb (bar y 20), moved to bar y 44:
      // 300 * (44 - 4 - 16) / 48.
      {"dragging the thumb", 30, 54, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    panel->setVerticalOffset(0);
    ScrollBar* bar = panel->verticalBar();
    ASSERT_NE(bar, nullptr);
    const std::uint32_t serial = bar->serial();
    const int before = panel->rebuilds;
    host.cursor = Point{200, c.pressY};   // the repeat reads where the pointer is
    raise(bar, events::LButtonDown, 200, c.pressY, MK_LBUTTON);
    if (c.dragToY) {
      ASSERT_TRUE(controlExists(bar, serial));   // a grab raises nothing
      bar->setFlag(flags::Captured, true);         // as the window does on a press
      raise(bar, events::MouseMove, 200, c.dragToY, MK_LBUTTON);
    }
    EXPECT_EQ(panel->rebuilds, before + 1);
    EXPECT_FALSE(controlExists(bar, serial));
    ASSERT_NE(panel->verticalBar(), nullptr);
    EXPECT_EQ(panel->verticalBar()->position(), c.position);   // the new bar kept it
    EXPECT_EQ(content->rect().top, -c.position);
    EXPECT_EQ(runningTimerCount(), 0u);                        // the repeat died with its bar
  }
}

// A list 150 x 100 at (10, 10), items 24 tall; and a slider 110 x 20 at (10, 150).
TEST_F(ScrollDestruction, ListsAndSlidersDestroyedByTheirValueChangeHandler) {
  Destroyer destroyer{root};
  struct Case {
    const char* name;
    std::function<void(ListBox*, Slider*)> act;
    bool listDies, sliderDies;
  };
  const Case cases[] = {
      {"a press on a list item",
       [](ListBox* list, Slider*) { raise(list->itemAt(3), events::LButtonDown, 50, 10 + 3 * 24 + 5); }, true,
       false},
      {"Down in the list",
       [](ListBox* list, Slider*) {
         Event e = makeEvent(events::KeyDown, VK_DOWN, 0);
         raiseEvent(list, e);
       },
       true, false},
      {"a press on the slider",
       [](ListBox*, Slider* slider) { raise(slider, events::LButtonDown, 100, 160, MK_LBUTTON); }, false, true},
      {"the wheel over the slider",
       [](ListBox*, Slider* slider) { raise(slider, events::MouseWheel, 100, 160, MAKEWPARAM(0, 120)); }, false,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (root->childCount()) {
      detachControl(root);
      while (Control* child = root->lastChild()) {
        root->removeChild(child);
        delete child;
      }
    }
    auto* list = static_cast<ListBox*>(place(root, new ListBox, 10, 10, 150, 100));
    list->setInt(names::itemHeight, 24);
    for (int i = 0; i < 8; ++i) {
      auto* item = new Control;
      item->setString(names::text, std::to_wstring(i));
      list->addItem(item);
    }
    auto* slider = static_cast<Slider*>(place(root, new Slider, 10, 150, 110, 20));
    attach();
    list->select(list->itemAt(1));
    const std::uint32_t listSerial = list->serial(), sliderSerial = slider->serial();
    list->addHandler(events::ValueChange, &destroyer, &Destroyer::on);
    slider->addHandler(events::ValueChange, &destroyer, &Destroyer::on);
    c.act(list, slider);
    EXPECT_EQ(controlExists(list, listSerial), !c.listDies);
    EXPECT_EQ(controlExists(slider, sliderSerial), !c.sliderDies);
  }
}

}  // namespace
