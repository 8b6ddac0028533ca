// Attribute bags, tree links, attach/detach with the id map, hit testing,
// coordinates and invalidation.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <map>
#include <memory>

#include "dui/core/control_geometry.h"
#include "dui/core/core_plugs.h"
#include "dui/core/object.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;
using dui_test::Delivery;
using dui_test::FakeHost;
using dui_test::Probe;

namespace {

TEST(Object, BagsFindFirstOverwriteInPlaceAndKeyByIdentity) {
  Object o;
  std::int32_t v = 0;
  EXPECT_FALSE(o.getInt(names::width, v));
  o.setInt(names::width, 10);
  o.setInt(names::height, 20);
  o.setInt(names::width, 30);  // overwrite, no second entry
  ASSERT_TRUE(o.getInt(names::width, v));
  EXPECT_EQ(v, 30);
  EXPECT_EQ(o.intOr(names::height, -1), 20);

  // Same text at another address is another key.
  static const wchar_t otherWidth[] = L"width";
  EXPECT_FALSE(o.getInt(otherWidth, v));

  o.setRect(names::margin, Rect{1, 2, 3, 4});
  EXPECT_EQ(o.rectOr(names::margin, Rect{}), (Rect{1, 2, 3, 4}));
  o.setSize(names::initSize, Size{500, 400});
  Size s;
  ASSERT_TRUE(o.getSize(names::initSize, s));
  EXPECT_EQ(s, (Size{500, 400}));

  EXPECT_EQ(o.getText(), L"");
  o.setString(names::text, L"Install");
  o.setString(names::text, L"Next");
  EXPECT_EQ(o.getText(), L"Next");
  EXPECT_EQ(o.findString(names::style), nullptr);
}

TEST(Object, EnumeratedValuesAbsentUnmatchedAndKeyword) {
  Object o;
  AttrKey k = names::kwLeft;
  EXPECT_FALSE(o.getEnum(names::dock, k));
  o.setEnum(names::dock, nullptr);  // a markup value that matched no keyword
  ASSERT_TRUE(o.getEnum(names::dock, k));
  EXPECT_EQ(k, nullptr);
  o.setEnum(names::dock, names::kwTop);
  ASSERT_TRUE(o.getEnum(names::dock, k));
  EXPECT_EQ(k, names::kwTop);
}

TEST(AttributeNames, LookupReturnsTheCanonicalConstants) {
  EXPECT_EQ(findAttributeName(L"margin"), names::margin);
  EXPECT_EQ(findAttributeName(L"Margin"), nullptr);
  EXPECT_EQ(findAttributeName(nullptr), nullptr);
  ASSERT_EQ(kEnumKeywordCount, 13u);
  EXPECT_EQ(kEnumKeywords[0], names::kwLeft);
  EXPECT_EQ(kEnumKeywords[12], names::kwNever);
  EXPECT_EQ(findEnumKeyword(L"stretch"), names::kwStretch);
  EXPECT_STREQ(names::kwTrue, L"true");
}

TEST(ObjectPool, FreedBlocksAreReusedAndPoisoned) {
  if (!kPoolReusesBlocks) GTEST_SKIP() << "each block is its own heap allocation in this build";
  dui_test::PoolPoisoning poisoning;
  auto* a = new Object;
  a->setString(names::text, L"some text long enough to leave the small-string buffer");
  void* address = a;
  delete a;
  // The vtable slot of a freed object is poisoned: a use after free faults.
  unsigned char first;
  std::memcpy(&first, address, 1);
  EXPECT_EQ(first, 0xDD);
  auto* b = new Object;
  EXPECT_EQ(static_cast<void*>(b), address);
  delete b;

  // Requests above 1024 bytes go to the general heap and come back intact.
  const PoolStats before = poolStats();
  void* big = poolAllocateObject(5000);
  std::memset(big, 0x11, 5000);
  poolFreeObject(big);
  EXPECT_EQ(poolStats().allocations, before.allocations + 1);
  EXPECT_EQ(poolStats().frees, before.frees + 1);
}

TEST(Flags, NamedBitsAndScriptBitNumbers) {
  Control c;
  EXPECT_EQ(c.flagWord(), flags::Enabled | flags::Visible);
  EXPECT_TRUE(c.readFlagBit(1));
  EXPECT_TRUE(c.writeFlagBit(18, true));
  EXPECT_TRUE(c.hasFlag(flags::ScriptBound));
  EXPECT_FALSE(c.writeFlagBit(32, true));
  EXPECT_FALSE(c.writeFlagBit(-1, true));
  EXPECT_FALSE(c.readFlagBit(40));
  c.setFlag(flags::ScriptBound, false);
  Panel p;
  EXPECT_TRUE(p.hasFlag(flags::Container));
  EXPECT_STREQ(p.typeName(), L"Panel");
  EXPECT_STREQ(c.typeName(), L"Control");
}

Control* g_forgottenByScript = nullptr;

TEST(Flags, ScriptBoundControlIsForgottenByTheScriptHostOnDestruction) {
  CorePlugs plugs = corePlugs();
  plugs.controlForgotten = [](Control* c) { g_forgottenByScript = c; };
  const CorePlugs previous = replaceCorePlugs(plugs);
  auto* c = new Control;
  c->setFlag(flags::ScriptBound, true);
  delete c;
  EXPECT_EQ(g_forgottenByScript, c);
  g_forgottenByScript = nullptr;
  auto* plain = new Control;
  delete plain;
  EXPECT_EQ(g_forgottenByScript, nullptr);
  replaceCorePlugs(previous);
}

TEST(Tree, ChildLinksCountAndRefusedCycles) {
  Panel root;
  auto* a = new Panel;
  auto* b = new Control;
  auto* c = new Control;
  EXPECT_TRUE(root.addChild(a));
  EXPECT_TRUE(root.addChild(b));
  EXPECT_TRUE(a->addChild(c));
  EXPECT_EQ(root.childCount(), 2);
  EXPECT_EQ(root.childAt(0), a);
  EXPECT_EQ(root.childAt(1), b);
  EXPECT_EQ(root.childAt(2), nullptr);
  EXPECT_EQ(root.childAt(-1), nullptr);
  EXPECT_EQ(b->previous(), a);
  EXPECT_EQ(a->next(), b);

  EXPECT_FALSE(a->addChild(&root));  // ancestor: cycle
  EXPECT_FALSE(a->addChild(a));
  EXPECT_FALSE(a->addChild(nullptr));

  // Moving a child to another panel unlinks it from the first.
  EXPECT_TRUE(a->addChild(b));
  EXPECT_EQ(root.childCount(), 1);
  EXPECT_EQ(root.lastChild(), a);
  EXPECT_EQ(a->lastChild(), b);
  EXPECT_EQ(b->parent(), a);

  EXPECT_TRUE(a->removeChild(c));
  EXPECT_EQ(c->parent(), nullptr);
  EXPECT_EQ(a->firstChild(), b);
  EXPECT_EQ(b->previous(), nullptr);
  EXPECT_FALSE(a->removeChild(c));
  delete c;

  // Destroying a detached child unlinks it from its parent.
  delete b;
  EXPECT_EQ(a->childCount(), 0);
  EXPECT_EQ(a->firstChild(), nullptr);
}

struct AttachLog : ::testing::Test {
  void watch(Control* c, const std::string& name) {
    probes.push_back(std::make_unique<Probe>(&log, name));
    c->addHandler(events::Attached, probes.back().get(), &Probe::onEvent);
    c->addHandler(events::Detached, probes.back().get(), &Probe::onEvent);
  }
  std::vector<std::string> logged(std::uint32_t code) {
    std::vector<std::string> out;
    for (const Delivery& d : log) {
      if (d.code == code) out.push_back(d.handler);
    }
    return out;
  }
  dui_test::PoolPoisoning poisoning;
  FakeHost host;
  std::vector<Delivery> log;
  std::vector<std::unique_ptr<Probe>> probes;
};

TEST_F(AttachLog, ParentsFirstOnAttachChildrenFirstOnDetach) {
  auto* root = new Panel;
  auto* a = new Panel;
  auto* a1 = new Control;
  auto* a2 = new Control;
  auto* b = new Control;
  root->addChild(a);
  a->addChild(a1);
  a->addChild(a2);
  root->addChild(b);
  watch(root, "root");
  watch(a, "a");
  watch(a1, "a1");
  watch(a2, "a2");
  watch(b, "b");

  attachRoot(root, &host);
  EXPECT_EQ(logged(events::Attached), (std::vector<std::string>{"root", "a", "a1", "a2", "b"}));
  EXPECT_EQ(liveControlCount(), 5u);
  EXPECT_EQ(a2->window(), &host);

  detachControl(root);
  EXPECT_EQ(logged(events::Detached), (std::vector<std::string>{"a1", "a2", "a", "b", "root"}));
  EXPECT_EQ(host.forgotten, (std::vector<Control*>{a1, a2, a, b, root}));
  EXPECT_EQ(liveControlCount(), 0u);
  EXPECT_EQ(a2->window(), nullptr);
  delete root;
}

TEST_F(AttachLog, IdMapKeepsTheLastAndNeverAnswersADeadControl) {
  auto* root = new Panel;
  auto* first = new Control;
  auto* second = new Control;
  auto* other = new Control;
  first->setInt(names::id, 7);
  second->setInt(names::id, 7);
  other->setInt(names::id, 9);
  root->addChild(first);
  root->addChild(second);
  root->addChild(other);
  attachRoot(root, &host);
  EXPECT_EQ(host.ids.find(7), second);  // the later control with the id wins
  EXPECT_EQ(host.ids.find(9), other);
  EXPECT_EQ(host.ids.find(1), nullptr);

  // A control added while attached joins the map at once.
  auto* late = new Control;
  late->setInt(names::id, 11);
  root->addChild(late);
  EXPECT_EQ(host.ids.find(11), late);

  // Removed (detached) and destroyed controls are no longer found.
  root->removeChild(second);
  EXPECT_EQ(host.ids.find(7), nullptr);
  delete second;
  delete other;  // destroyed while attached
  EXPECT_EQ(host.ids.find(9), nullptr);
  EXPECT_EQ(root->childCount(), 2);

  // A new control at the dead one's address is not mistaken for it.
  auto* reborn = new Control;
  root->addChild(reborn);
  EXPECT_EQ(host.ids.find(9), nullptr);

  detachControl(root);
  EXPECT_EQ(host.ids.find(11), nullptr);
  delete root;
}

TEST_F(AttachLog, DestroyingAnAttachedPanelForgetsItThenItsChildrenLastFirst) {
  auto* root = new Panel;
  auto* box = new Panel;
  auto* c1 = new Control;
  auto* c2 = new Control;
  box->addChild(c1);
  box->addChild(c2);
  root->addChild(box);
  box->setInt(names::id, 3);
  attachRoot(root, &host);
  watch(c1, "c1");
  watch(c2, "c2");
  ASSERT_EQ(liveControlCount(), 4u);

  delete box;  // no Detached events: the controls leave silently
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(host.forgotten, (std::vector<Control*>{box, c2, c1}));
  EXPECT_EQ(liveControlCount(), 1u);
  EXPECT_EQ(root->childCount(), 0);
  EXPECT_EQ(host.ids.find(3), nullptr);
  detachControl(root);
  delete root;
}

TEST_F(AttachLog, AddAndRemoveWhileAttached) {
  auto* root = new Panel;
  attachRoot(root, &host);
  auto* box = new Panel;
  auto* inner = new Control;
  box->addChild(inner);  // box not attached: nothing raised
  watch(box, "box");
  watch(inner, "inner");
  EXPECT_TRUE(log.empty());
  root->addChild(box);
  EXPECT_EQ(logged(events::Attached), (std::vector<std::string>{"box", "inner"}));
  EXPECT_TRUE(isLive(inner));
  root->removeChild(box);
  EXPECT_EQ(logged(events::Detached), (std::vector<std::string>{"inner", "box"}));
  EXPECT_FALSE(isLive(inner));
  EXPECT_EQ(box->childCount(), 1);  // removed, not destroyed
  delete box;
  detachControl(root);
  delete root;
}

// --- Hit testing and coordinates.
//
// root (0,0,200,200) > a (10,10,110,110) > b (5,5,20,20); root > c (50,50,150,150)
struct Geometry : ::testing::Test {
  Geometry() {
    root = new Panel;
    a = new Panel;
    b = new Control;
    c = new Control;
    root->setRect(Rect{0, 0, 200, 200});
    a->setRect(Rect{10, 10, 110, 110});
    b->setRect(Rect{5, 5, 20, 20});
    c->setRect(Rect{50, 50, 150, 150});
    root->addChild(a);
    a->addChild(b);
    root->addChild(c);
    attachRoot(root, &host);
  }
  ~Geometry() override {
    detachControl(root);
    delete root;
  }
  FakeHost host;
  Panel* root;
  Panel* a;
  Control* b;
  Control* c;
};

TEST_F(Geometry, HitTestTable) {
  struct Case {
    const char* name;
    std::uint32_t cFlagsOff, cFlagsOn;
    std::int32_t x, y;
    const char* expected;  // nullptr: no hit
  };
  const Case cases[] = {
      {"grandchild", 0, 0, 20, 20, "b"},
      {"later sibling wins the overlap", 0, 0, 60, 60, "c"},
      {"container where no child is", 0, 0, 12, 12, "a"},
      {"root where no child is", 0, 0, 190, 5, "root"},
      {"right and bottom are exclusive", 0, 0, 200, 100, nullptr},
      {"left and top are inclusive", 0, 0, 0, 0, "root"},
      {"hit-transparent passes through", 0, flags::HitTransparent, 60, 60, "a"},
      {"invisible passes through", flags::Visible, 0, 60, 60, "a"},
      {"collapsed passes through", 0, flags::Collapsed, 60, 60, "a"},
      {"disabled is hit like any other", flags::Enabled, 0, 60, 60, "c"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::uint32_t saved = c->flagWord();
    c->setFlagWord((saved & ~k.cFlagsOff) | k.cFlagsOn);
    const std::map<std::string, Control*> byName{{"root", root}, {"a", a}, {"b", b}, {"c", c}};
    Control* expected = k.expected ? byName.at(k.expected) : nullptr;
    EXPECT_EQ(root->hitTest(k.x, k.y), expected);
    c->setFlagWord(saved);
  }
}

TEST_F(Geometry, AbsoluteRectCursorEventPointerAndInvalidate) {
  root->setRect(Rect{5, 5, 205, 205});  // the root's own offset is not counted
  Rect r;
  ASSERT_TRUE(absoluteRect(b, r));
  EXPECT_EQ(r, (Rect{15, 15, 30, 30}));
  ASSERT_TRUE(absoluteRect(root, r));
  EXPECT_EQ(r, (Rect{0, 0, 200, 200}));

  host.cursor = Point{20, 25};
  Point p;
  ASSERT_TRUE(cursorPosition(b, p));
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 10);

  // A mouse event's position (x and y as two signed 16-bit halves of its
  // lparam, as a window message packs them) relative to the control.
  const auto packed = [](int x, int y) {
    return std::intptr_t(std::uint32_t(std::uint16_t(x)) | std::uint32_t(std::uint16_t(y)) << 16);
  };
  struct PointerCase {
    const char* what;
    int x, y;
    Point local;
  } const pointerCases[] = {
      {"inside", 20, 25, {5, 10}},
      {"left of the client area (captured)", -3, 25, {-18, 10}},
      {"above the client area (captured)", 20, -16, {5, -31}},
      {"far right and below", 32767, 32767, {32752, 32752}},
  };
  for (const PointerCase& c : pointerCases) {
    ASSERT_TRUE(pointerInControl(b, packed(c.x, c.y), p)) << c.what;
    EXPECT_EQ(p.x, c.local.x) << c.what;
    EXPECT_EQ(p.y, c.local.y) << c.what;
  }

  host.client = Rect{0, 0, 25, 100};
  invalidate(b, false);
  ASSERT_EQ(host.invalidated.size(), 1u);
  EXPECT_EQ(host.invalidated[0], (Rect{15, 15, 25, 30}));
  EXPECT_EQ(host.repaints, std::vector<bool>{false});

  host.client = Rect{0, 0, 10, 10};  // outside the client area: nothing
  invalidate(b, true);
  EXPECT_EQ(host.invalidated.size(), 1u);

  a->removeChild(b);  // no longer live
  EXPECT_FALSE(absoluteRect(b, r));
  EXPECT_FALSE(cursorPosition(b, p));
  EXPECT_FALSE(pointerInControl(b, packed(20, 25), p));
  host.client = Rect{0, 0, 800, 600};
  invalidate(b, true);
  EXPECT_EQ(host.invalidated.size(), 1u);
  delete b;
}

}  // namespace
