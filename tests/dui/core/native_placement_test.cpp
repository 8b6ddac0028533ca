// Where a control hosting a native child window shows (window-free, on a fake
// window): hidden and collapsed ancestors, a parent that hides the child,
// clipping to ancestors and the client area; and the followers list that
// tells such controls only when their placement changed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "dui/core/native_placement.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;
using dui_test::FakeHost;

namespace {

// A panel that shows none of its children (as a tab control hides the pages
// it does not show), or all of them inside a smaller area (as a scroll panel
// shows its content only in its viewport).
class Picky : public Panel {
 public:
  bool childArea(const Control& child, Rect& area) const override {
    if (hideAll) return false;
    Panel::childArea(child, area);
    if (inner) area = *inner;
    return true;
  }
  bool hideAll = false;
  const Rect* inner = nullptr;
};

// root (0, 0, 400, 300) > outer at (20, 20), 200 x 150 > host at (10, 10), 100 x 50:
// the host lies at (30, 30) - (130, 80) in the window.
struct Tree {
  Tree() {
    root = new Panel;
    root->setRect(Rect{0, 0, 400, 300});
    outer = new Picky;
    outer->setRect(Rect{20, 20, 220, 170});
    host = new Control;
    host->setRect(Rect{10, 10, 110, 60});
    root->addChild(outer);
    outer->addChild(host);
    attachRoot(root, &window);
  }
  ~Tree() {
    detachControl(root);
    delete root;
  }
  FakeHost window;
  Panel* root;
  Picky* outer;
  Control* host;
};

TEST(NativePlacement, IsShownOnlyWhenEveryAncestorShowsItAndSomeOfItIsInView) {
  const Rect whole{30, 30, 130, 80};
  const Rect innerArea{0, 0, 60, 40};
  struct Case {
    const char* name;
    std::function<void(Tree&)> change;
    bool shown;
    Rect rect, visible;
  };
  const Case cases[] = {
      {"all shown", [](Tree&) {}, true, whole, whole},
      {"the host hidden", [](Tree& t) { t.host->setFlag(flags::Visible, false); }, false, whole, {}},
      {"a parent hidden", [](Tree& t) { t.outer->setFlag(flags::Visible, false); }, false, whole, {}},
      {"the root hidden", [](Tree& t) { t.root->setFlag(flags::Visible, false); }, false, whole, {}},
      {"a parent collapsed", [](Tree& t) { t.outer->setFlag(flags::Collapsed, true); }, false, whole, {}},
      {"a parent that does not show it", [](Tree& t) { t.outer->hideAll = true; }, false, whole, {}},
      {"a parent that shows it in part", [&](Tree& t) { t.outer->inner = &innerArea; }, true, whole,
       {30, 30, 80, 60}},
      {"moved partly out of its parent", [](Tree& t) { t.host->setRect(Rect{150, 100, 250, 150}); }, true,
       {170, 120, 270, 170}, {170, 120, 220, 170}},
      {"moved out of its parent", [](Tree& t) { t.host->setRect(Rect{300, 10, 400, 60}); }, false,
       {320, 30, 420, 80}, {}},
      {"scrolled above its parent", [](Tree& t) { t.host->setRect(Rect{10, -80, 110, -30}); }, false,
       {30, -60, 130, -10}, {}},
      {"a small client area", [](Tree& t) { t.window.client = Rect{0, 0, 100, 60}; }, true, whole,
       {30, 30, 100, 60}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tree t;
    c.change(t);
    const NativePlacement p = nativePlacementOf(t.host);
    EXPECT_EQ(p.shown, c.shown);
    EXPECT_EQ(p.rect, c.rect);
    EXPECT_EQ(p.visible, c.visible);
  }
  Control loose;   // in no window
  EXPECT_FALSE(nativePlacementOf(&loose).shown);
  EXPECT_FALSE(nativePlacementOf(nullptr).shown);
}

// Records the placements told to a control.
struct Told {
  std::vector<NativePlacement> seen;
  std::function<void()> then;
  void on(Control*, Event& e) {
    seen.push_back(*reinterpret_cast<const NativePlacement*>(e.lparam));
    if (then) then();
  }
};

TEST(NativeFollowers, AreToldTheFirstPlacementAndThenOnlyChanges) {
  Tree t;
  Control* host = t.host;
  Picky* outer = t.outer;
  Told told;
  host->addHandler(events::PlacementChanged, &told, &Told::on);
  NativeFollowers followers(&t.window);
  followers.add(host);
  followers.place();
  ASSERT_EQ(told.seen.size(), 1u);
  EXPECT_TRUE(told.seen[0].shown);
  followers.place();   // nothing changed
  EXPECT_EQ(told.seen.size(), 1u);

  outer->setFlag(flags::Visible, false);
  followers.place();
  ASSERT_EQ(told.seen.size(), 2u);
  EXPECT_FALSE(told.seen[1].shown);
  outer->setFlag(flags::Visible, true);
  host->setRect(Rect{10, 20, 110, 70});
  followers.place();
  ASSERT_EQ(told.seen.size(), 3u);
  EXPECT_EQ(told.seen[2].rect, (Rect{30, 40, 130, 90}));

  followers.add(host);   // following again: told again, though nothing changed
  followers.place();
  EXPECT_EQ(told.seen.size(), 4u);
  EXPECT_EQ(followers.size(), 1u);

  // Detached, it is dropped; attached again, it is not told until it asks.
  outer->removeChild(host);
  followers.place();
  EXPECT_EQ(followers.size(), 0u);
  outer->addChild(host);
  followers.place();
  EXPECT_EQ(told.seen.size(), 4u);
}

TEST(NativeFollowers, AFollowerThatDiesOrAddsAnotherWhileBeingToldIsSafe) {
  Tree t;
  Control* host = t.host;
  Picky* outer = t.outer;
  Control* second = new Control;
  second->setRect(Rect{0, 0, 10, 10});
  outer->addChild(second);
  NativeFollowers followers(&t.window);
  Told first, other;
  host->addHandler(events::PlacementChanged, &first, &Told::on);
  second->addHandler(events::PlacementChanged, &other, &Told::on);
  // The first one told deletes the second and follows a third.
  Control* third = new Control;
  outer->addChild(third);
  Told last;
  third->addHandler(events::PlacementChanged, &last, &Told::on);
  first.then = [&] {
    delete second;
    followers.add(third);
    followers.place();   // nested: does nothing
  };
  followers.add(host);
  followers.add(second);
  followers.place();
  EXPECT_EQ(first.seen.size(), 1u);
  EXPECT_EQ(other.seen.size(), 0u);
  EXPECT_EQ(last.seen.size(), 1u);   // added while placing: told in the same pass
  EXPECT_EQ(followers.size(), 2u);
}

}  // namespace
