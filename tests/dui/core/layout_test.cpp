// Layout: measure/arrange arithmetic and the four panels, as one table of
// (tree, expected rectangles), plus the root layout pass.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "dui/core/layout.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;
using dui_test::FakeHost;

namespace {

// A control whose content wants a fixed size (like a label's text).
class Fixed : public Control {
 public:
  Fixed(std::int32_t w, std::int32_t h) : w_(w), h_(h) {}
  Size measureOverride(std::int32_t, std::int32_t) override { return Size{w_, h_}; }

 private:
  std::int32_t w_, h_;
};

// Builds named trees; the first control made is the root.
struct TreeBuilder {
  template <class T, class... Args>
  T* make(const std::string& name, Panel* parent, Args... args) {
    T* c = new T(args...);
    byName[name] = c;
    if (parent) {
      parent->addChild(c);
    } else {
      root = c;
    }
    return c;
  }
  Control* root = nullptr;
  std::map<std::string, Control*> byName;
};

Control* margins(Control* c, std::int32_t m) {
  c->Object::setRect(names::margin, Rect{m, m, m, m});
  return c;
}

struct LayoutCase {
  const char* name;
  std::function<void(TreeBuilder&)> build;
  Rect slot;  // the root is measured with the slot's size and arranged in it
  std::map<std::string, Rect> expected;
};

TEST(Layout, EdgeCaseTable) {
  const LayoutCase cases[] = {
      {"margin 10 in a 100 x 50 slot",
       [](TreeBuilder& t) { margins(t.make<Control>("c", nullptr), 10); },
       Rect{0, 0, 100, 50},
       {{"c", Rect{10, 10, 90, 40}}}},
      {"set width is centred by stretch",
       [](TreeBuilder& t) { margins(t.make<Control>("c", nullptr), 10)->setInt(names::width, 40); },
       Rect{0, 0, 100, 50},
       {{"c", Rect{30, 10, 70, 40}}}},
      {"right alignment with inner width 30 and margin 5",
       [](TreeBuilder& t) {
         margins(t.make<Fixed>("c", nullptr, 30, 10), 5)->setEnum(names::horizontalAlign, names::kwRight);
       },
       Rect{0, 0, 100, 50},
       {{"c", Rect{65, 5, 95, 45}}}},
      {"wider than the slot and centred starts at the margin",
       [](TreeBuilder& t) {
         Control* c = margins(t.make<Fixed>("c", nullptr, 150, 10), 5);
         c->setEnum(names::horizontalAlign, names::kwCenter);
         c->setEnum(names::verticalAlign, names::kwCenter);
       },
       Rect{0, 0, 100, 50},
       {{"c", Rect{5, 20, 155, 30}}}},
      {"alignment that matched no keyword places left and top",
       [](TreeBuilder& t) {
         Control* c = t.make<Fixed>("c", nullptr, 30, 10);
         c->setEnum(names::horizontalAlign, nullptr);
         c->setEnum(names::verticalAlign, names::kwHorizontal);
       },
       Rect{0, 0, 100, 50},
       {{"c", Rect{0, 0, 30, 10}}}},
      {"bottom alignment",
       [](TreeBuilder& t) {
         t.make<Fixed>("c", nullptr, 30, 10)->setEnum(names::verticalAlign, names::kwBottom);
       },
       Rect{0, 0, 100, 50},
       {{"c", Rect{0, 40, 100, 50}}}},
      {"horizontal stack of 30, 40 and 50",
       [](TreeBuilder& t) {
         Panel* s = t.make<StackPanel>("stack", nullptr);
         s->setEnum(names::orientation, names::kwHorizontal);
         t.make<Control>("a", s)->setInt(names::width, 30);
         t.make<Control>("b", s)->setInt(names::width, 40);
         t.make<Control>("c", s)->setInt(names::width, 50);
       },
       Rect{0, 0, 300, 60},
       {{"stack", Rect{0, 0, 300, 60}},
        {"a", Rect{0, 0, 30, 60}},
        {"b", Rect{30, 0, 70, 60}},
        {"c", Rect{70, 0, 120, 60}}}},
      {"dock top, left, and the last child fills",
       [](TreeBuilder& t) {
         Panel* d = t.make<DockPanel>("dock", nullptr);
         Control* top = t.make<Control>("top", d);
         top->setEnum(names::dock, names::kwTop);
         top->setInt(names::height, 20);
         Control* left = t.make<Control>("left", d);
         left->setEnum(names::dock, names::kwLeft);
         left->setInt(names::width, 50);
         t.make<Control>("fill", d)->setEnum(names::dock, names::kwRight);
       },
       Rect{0, 0, 200, 100},
       {{"top", Rect{0, 0, 200, 20}}, {"left", Rect{0, 20, 50, 100}}, {"fill", Rect{50, 20, 200, 100}}}},
      {"dock right and bottom, no dock means left",
       [](TreeBuilder& t) {
         Panel* d = t.make<DockPanel>("dock", nullptr);
         Control* right = t.make<Control>("right", d);
         right->setEnum(names::dock, names::kwRight);
         right->setInt(names::width, 30);
         Control* bottom = t.make<Control>("bottom", d);
         bottom->setEnum(names::dock, names::kwBottom);
         bottom->setInt(names::height, 10);
         t.make<Control>("plain", d)->setInt(names::width, 40);
         t.make<Control>("fill", d);
       },
       Rect{0, 0, 200, 100},
       {{"right", Rect{170, 0, 200, 100}},
        {"bottom", Rect{0, 90, 170, 100}},
        {"plain", Rect{0, 0, 40, 90}},
        {"fill", Rect{40, 0, 170, 90}}}},
      {"canvas child at x -10 of a 200-wide canvas",
       [](TreeBuilder& t) {
         Panel* c = t.make<Canvas>("canvas", nullptr);
         Control* k = t.make<Control>("k", c);
         k->setInt(names::x, -10);
         k->setInt(names::width, 5);
         k->setInt(names::height, 5);
         Control* j = t.make<Fixed>("j", c, 20, 10);
         j->setInt(names::x, 3);
         j->setInt(names::y, -15);
       },
       Rect{0, 0, 200, 100},
       {{"canvas", Rect{0, 0, 200, 100}}, {"k", Rect{190, 0, 195, 5}}, {"j", Rect{3, 85, 23, 95}}}},
      {"margin larger than the slot gives the empty rectangle",
       [](TreeBuilder& t) { margins(t.make<Control>("c", nullptr), 60); },
       Rect{0, 0, 100, 100},
       {{"c", Rect{}}}},
      {"width 0 is set and arranges empty",
       [](TreeBuilder& t) { t.make<Control>("c", nullptr)->setInt(names::width, 0); },
       Rect{0, 0, 100, 100},
       {{"c", Rect{}}}},
      {"an invisible stack child keeps its room",
       [](TreeBuilder& t) {
         Panel* s = t.make<StackPanel>("stack", nullptr);
         t.make<Control>("a", s)->setInt(names::height, 10);
         Control* b = t.make<Control>("b", s);
         b->setInt(names::height, 20);
         b->setFlag(flags::Visible, false);
         t.make<Control>("c", s)->setInt(names::height, 30);
       },
       Rect{0, 0, 50, 100},
       {{"a", Rect{0, 0, 50, 10}}, {"b", Rect{0, 10, 50, 30}}, {"c", Rect{0, 30, 50, 60}}}},
      {"a collapsed stack child closes the gap",
       [](TreeBuilder& t) {
         Panel* s = t.make<StackPanel>("stack", nullptr);
         t.make<Control>("a", s)->setInt(names::height, 10);
         Control* b = t.make<Control>("b", s);
         b->setInt(names::height, 20);
         b->setFlag(flags::Collapsed, true);
         t.make<Control>("c", s)->setInt(names::height, 30);
       },
       Rect{0, 0, 50, 100},
       {{"a", Rect{0, 0, 50, 10}}, {"b", Rect{}}, {"c", Rect{0, 10, 50, 40}}}},
      {"grid overlays children by their own alignment",
       [](TreeBuilder& t) {
         Panel* g = t.make<Grid>("grid", nullptr);
         margins(t.make<Control>("back", g), 2);
         Control* badge = t.make<Fixed>("badge", g, 10, 10);
         badge->setEnum(names::horizontalAlign, names::kwRight);
         badge->setEnum(names::verticalAlign, names::kwTop);
       },
       Rect{0, 0, 60, 40},
       {{"back", Rect{2, 2, 58, 38}}, {"badge", Rect{50, 0, 60, 10}}}},
      {"nested slot offsets are relative to the parent",
       [](TreeBuilder& t) {
         Panel* g = t.make<Grid>("grid", nullptr);
         Panel* inner = t.make<Grid>("inner", g);
         margins(inner, 10);
         margins(t.make<Control>("leaf", inner), 5);
       },
       Rect{0, 0, 100, 100},
       {{"inner", Rect{10, 10, 90, 90}}, {"leaf", Rect{5, 5, 75, 75}}}},
  };

  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost host;
    TreeBuilder tree;
    c.build(tree);
    attachRoot(tree.root, &host);
    measure(tree.root, c.slot.width(), c.slot.height());
    arrange(tree.root, c.slot);
    for (const auto& [name, rect] : c.expected) {
      const Rect got = tree.byName.at(name)->rect();
      EXPECT_EQ(got, rect) << name << ": got (" << got.left << ", " << got.top << ", " << got.right
                           << ", " << got.bottom << ")";
    }
    detachControl(tree.root);
    delete tree.root;
  }
}

TEST(Layout, MeasureResults) {
  FakeHost host;
  Control c;
  attachRoot(&c, &host);
  c.Object::setRect(names::margin, Rect{60, 0, 60, 0});
  EXPECT_EQ(measure(&c, 100, 100), (Size{0, 0}));  // margin larger than the available size
  c.Object::setRect(names::margin, Rect{1, 2, 3, 4});
  c.setInt(names::width, 500);  // larger than available: used as given
  EXPECT_EQ(measure(&c, 100, 100), (Size{504, 6}));
  EXPECT_EQ(c.desiredSize(), (Size{504, 6}));
  c.setFlag(flags::Collapsed, true);
  EXPECT_EQ(measure(&c, 100, 100), (Size{0, 0}));
  detachControl(&c);

  // Not live: measures 0 x 0 without touching the stored size; arranges empty.
  c.setFlag(flags::Collapsed, false);
  c.setDesiredSize(Size{7, 7});
  c.setRect(Rect{1, 1, 2, 2});
  EXPECT_EQ(measure(&c, 100, 100), (Size{0, 0}));
  EXPECT_EQ(c.desiredSize(), (Size{7, 7}));
  arrange(&c, 0, 0, 100, 100);
  EXPECT_EQ(c.rect(), Rect{});
}

TEST(Layout, PanelsMeasureTheirChildren) {
  FakeHost host;
  auto* stack = new StackPanel;
  stack->addChild(new Fixed(30, 10));
  stack->addChild(new Fixed(50, 5));
  auto* dock = new DockPanel;
  auto* top = new Fixed(40, 20);
  top->setEnum(names::dock, names::kwTop);
  dock->addChild(top);
  dock->addChild(new Fixed(70, 30));  // docks left below the top child
  auto* canvas = new Canvas;
  canvas->addChild(new Fixed(500, 500));
  auto* grid = new Grid;
  grid->addChild(stack);
  grid->addChild(dock);
  grid->addChild(canvas);
  attachRoot(grid, &host);
  EXPECT_EQ(measure(grid, 1000, 1000), (Size{70, 50}));
  EXPECT_EQ(stack->desiredSize(), (Size{50, 15}));
  EXPECT_EQ(dock->desiredSize(), (Size{70, 50}));
  EXPECT_EQ(canvas->desiredSize(), (Size{0, 0}));
  EXPECT_EQ(canvas->firstChild()->desiredSize(), (Size{500, 500}));
  detachControl(grid);
  delete grid;
}

TEST(Layout, RootPassUsesInitSizeOrTheRootsDesiredSize) {
  FakeHost host;
  auto* root = new Grid;
  auto* content = new Control;
  content->setInt(names::width, 300);
  content->setInt(names::height, 200);
  root->addChild(content);
  attachRoot(root, &host);

  EXPECT_EQ(rootLayoutPass(root), (Size{300, 200}));
  EXPECT_EQ(root->rect(), (Rect{0, 0, 300, 200}));

  root->setSize(names::initSize, Size{500, 400});
  EXPECT_EQ(rootLayoutPass(root), (Size{500, 400}));
  EXPECT_EQ(root->rect(), (Rect{0, 0, 500, 400}));
  EXPECT_EQ(content->rect(), (Rect{100, 100, 400, 300}));

  EXPECT_FALSE(layoutToClient(root, 500, 400));  // unchanged size: no pass
  EXPECT_TRUE(layoutToClient(root, 600, 400));
  EXPECT_EQ(root->rect(), (Rect{0, 0, 600, 400}));
  detachControl(root);
  delete root;
}

TEST(Layout, HugeSizesSaturateInsteadOfWrapping) {
  FakeHost host;
  auto* stack = new StackPanel;
  stack->setEnum(names::orientation, names::kwHorizontal);
  for (int i = 0; i < 3; ++i) {
    auto* c = new Control;
    c->setInt(names::width, 2000000000);
    stack->addChild(c);
  }
  attachRoot(stack, &host);
  const Size s = measure(stack, 100, 100);
  EXPECT_EQ(s.width, INT32_MAX);
  arrange(stack, 0, 0, 100, 100);
  EXPECT_GE(stack->childAt(2)->rect().left, 0);
  detachControl(stack);
  delete stack;
}

}  // namespace
