// Event routing, handler lifetime during delivery, delegates, deferred events
// and application handlers.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

#include "dui/core/app_handlers.h"
#include "dui/core/core_plugs.h"
#include "dui/core/deferred_call.h"
#include "tests/dui/core/core_test_util.h"

using namespace dui;
using dui_test::Delivery;
using dui_test::FakeHost;
using dui_test::Probe;

namespace {

// root > mid > leaf, attached to a fake window.
struct ThreeLevels : ::testing::Test {
  ThreeLevels() {
    root = new Panel;
    mid = new Panel;
    leaf = new Control;
    root->addChild(mid);
    mid->addChild(leaf);
    attachRoot(root, &host);
  }
  ~ThreeLevels() override {
    detachControl(root);
    delete root;
  }
  Probe* probe(Control* on, const std::string& name, std::uint32_t code = events::Notify) {
    probes.push_back(std::make_unique<Probe>(&log, name));
    on->addHandler(code, probes.back().get(), &Probe::onEvent);
    return probes.back().get();
  }

  dui_test::PoolPoisoning poisoning;
  FakeHost host;
  Panel* root;
  Panel* mid;
  Control* leaf;
  std::vector<Delivery> log;
  std::vector<std::unique_ptr<Probe>> probes;
};

struct RoutingCase {
  const char* name;
  Routing routing;
  const char* stopAt;   // handler that sets handled, or nullptr
  bool twoOnLeaf;       // a second handler on the leaf, registered after the first
  std::vector<std::string> expected;
};

TEST_F(ThreeLevels, RoutingTable) {
  const RoutingCase cases[] = {
      {"tunnel runs root first", Routing::Tunnel, nullptr, false, {"root", "mid", "leaf"}},
      {"bubble runs target first", Routing::Bubble, nullptr, false, {"leaf", "mid", "root"}},
      {"direct runs the target alone", Routing::Direct, nullptr, false, {"leaf"}},
      {"tunnel stops at handled", Routing::Tunnel, "mid", false, {"root", "mid"}},
      {"bubble stops at handled", Routing::Bubble, "mid", false, {"leaf", "mid"}},
      {"tunnel keeps registration order", Routing::Tunnel, nullptr, true,
       {"root", "mid", "leaf", "leaf2"}},
      {"bubble keeps registration order", Routing::Bubble, nullptr, true,
       {"leaf", "leaf2", "mid", "root"}},
      {"direct stops between two handlers", Routing::Direct, "leaf", true, {"leaf"}},
      {"unknown routing counts as direct", static_cast<Routing>(7), nullptr, false, {"leaf"}},
  };
  std::uint32_t code = 100;  // a fresh code per case keeps the handler lists apart
  for (const RoutingCase& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    Probe* r = probe(root, "root", code);
    Probe* m = probe(mid, "mid", code);
    Probe* l = probe(leaf, "leaf", code);
    if (c.twoOnLeaf) probe(leaf, "leaf2", code);
    std::map<std::string, Probe*> byName{{"root", r}, {"mid", m}, {"leaf", l}};
    if (c.stopAt) byName[c.stopAt]->stop = true;

    Event e;
    e.msg = code++;
    e.routing = c.routing;
    raiseEvent(leaf, e);
    EXPECT_EQ(dui_test::names(log), c.expected);
    EXPECT_EQ(e.handled != 0, c.stopAt != nullptr);
    for (const Delivery& d : log) EXPECT_EQ(d.sender, leaf) << d.handler;
  }
}

TEST_F(ThreeLevels, HandledPreviewSuppressesThePlainEvent) {
  Probe* prev = probe(mid, "PrevKeyDown", events::PrevKeyDown);
  probe(root, "KeyDown", events::KeyDown);
  EXPECT_FALSE(raisePreviewPair(leaf, events::PrevKeyDown, events::KeyDown, 0x41, 7));
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"PrevKeyDown", "KeyDown"}));

  log.clear();
  prev->stop = true;
  EXPECT_TRUE(raisePreviewPair(leaf, events::PrevKeyDown, events::KeyDown, 0x41, 7));
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"PrevKeyDown"}));
}

TEST_F(ThreeLevels, DefaultRoutingFollowsTheCodeTable) {
  EXPECT_EQ(defaultRouting(events::PrevLButtonDown), Routing::Tunnel);
  EXPECT_EQ(defaultRouting(events::LButtonDown), Routing::Bubble);
  EXPECT_EQ(defaultRouting(events::MouseMove), Routing::Bubble);
  EXPECT_EQ(defaultRouting(events::Click), Routing::Direct);
  EXPECT_EQ(defaultRouting(events::AppNotify), Routing::Direct);
  EXPECT_EQ(defaultRouting(24), Routing::Direct);
}

TEST_F(ThreeLevels, HandlersWriteResultsIntoTheCallersRecord) {
  probe(leaf, "leaf")->action = [](Control*, Event& e) { e.lparam = 42; };
  Event e = makeEvent(events::Notify);
  raiseEvent(leaf, e);
  EXPECT_EQ(e.lparam, 42);
}

TEST_F(ThreeLevels, SamePairTwiceRunsTwiceAndOneRemoveRemovesOne) {
  Probe p(&log, "p");
  leaf->addHandler(events::Notify, &p, &Probe::onEvent);
  leaf->addHandler(events::Notify, &p, &Probe::onEvent);
  Event e = makeEvent(events::Notify);
  raiseEvent(leaf, e);
  EXPECT_EQ(log.size(), 2u);

  EXPECT_TRUE(leaf->removeHandler(events::Notify, &p, &Probe::onEvent));
  log.clear();
  e = makeEvent(events::Notify);
  raiseEvent(leaf, e);
  EXPECT_EQ(log.size(), 1u);

  EXPECT_TRUE(leaf->removeHandler(events::Notify, &p, &Probe::onEvent));
  EXPECT_FALSE(leaf->removeHandler(events::Notify, &p, &Probe::onEvent));
  EXPECT_FALSE(leaf->removeHandler(events::Click, &p, &Probe::onEvent));
}

TEST_F(ThreeLevels, MoreThanSixteenHandlersAllRunInOrder) {
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) {
    Control* on = i < 15 ? static_cast<Control*>(leaf) : i < 30 ? static_cast<Control*>(mid) : root;
    probe(on, std::to_string(i));
    expected.push_back(std::to_string(i));
  }
  Event e = makeEvent(events::Notify);
  e.routing = Routing::Bubble;
  raiseEvent(leaf, e);
  EXPECT_EQ(dui_test::names(log), expected);

  log.clear();
  e = makeEvent(events::Notify);
  e.routing = Routing::Tunnel;
  raiseEvent(leaf, e);
  std::vector<std::string> tunnel(expected.begin() + 30, expected.end());
  tunnel.insert(tunnel.end(), expected.begin() + 15, expected.begin() + 30);
  tunnel.insert(tunnel.end(), expected.begin(), expected.begin() + 15);
  EXPECT_EQ(dui_test::names(log), tunnel);
}

TEST_F(ThreeLevels, EventsOnControlsOutsideAWindowAreDropped) {
  Control loose;
  Probe* p = probe(&loose, "loose");
  (void)p;
  Event e = makeEvent(events::Notify);
  raiseEvent(&loose, e);
  raiseEvent(nullptr, e);
  EXPECT_TRUE(log.empty());
}

// --- Handlers that change the tree during delivery.

TEST_F(ThreeLevels, DestroyedAncestorsHandlersAreSkipped) {
  // The leaf's handler moves the leaf to the root and destroys its old parent:
  // mid's handler, already in the snapshot, must be skipped; root's still runs.
  probe(leaf, "leaf")->action = [this](Control*, Event&) {
    root->addChild(leaf);
    root->removeChild(mid);
    delete mid;
    mid = nullptr;
  };
  probe(mid, "mid");
  probe(root, "root");
  Event e = makeEvent(events::Notify);
  e.routing = Routing::Bubble;
  raiseEvent(leaf, e);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"leaf", "root"}));
  EXPECT_EQ(log.back().sender, leaf);
}

TEST_F(ThreeLevels, DestroyingTheTargetEndsDelivery) {
  probe(leaf, "leaf")->action = [this](Control*, Event&) {
    delete leaf;  // still attached: leaves the tree silently
    leaf = nullptr;
  };
  probe(leaf, "leaf2");
  probe(mid, "mid");
  probe(root, "root");
  Control* target = leaf;
  Event e = makeEvent(events::Notify);
  e.routing = Routing::Bubble;
  raiseEvent(target, e);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"leaf"}));
  EXPECT_EQ(mid->childCount(), 0);
  ASSERT_EQ(host.forgotten.size(), 1u);
  EXPECT_EQ(host.forgotten[0], target);
}

TEST_F(ThreeLevels, RemovedHandlerIsSkippedWhenNotYetRun) {
  Probe* m = probe(mid, "mid");
  probe(leaf, "leaf")->action = [this, m](Control*, Event&) {
    mid->removeHandler(events::Notify, m, &Probe::onEvent);
  };
  Event e = makeEvent(events::Notify);
  e.routing = Routing::Bubble;
  raiseEvent(leaf, e);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"leaf"}));
}

TEST_F(ThreeLevels, DestroyingTheWholeTreeFromAHandler) {
  probe(root, "root")->action = [this](Control*, Event&) {
    detachControl(root);
    delete root;
    root = nullptr;
  };
  probe(mid, "mid");
  probe(leaf, "leaf");
  Event e = makeEvent(events::Notify);
  e.routing = Routing::Tunnel;
  raiseEvent(leaf, e);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"root"}));
  EXPECT_EQ(liveControlCount(), 0u);
  root = new Panel;  // for the fixture's teardown
}

TEST_F(ThreeLevels, AttachedHandlerDestroyingALaterSibling) {
  Panel* box = new Panel;
  Control* first = new Control;
  Control* second = new Control;
  box->addChild(first);
  box->addChild(second);
  probe(first, "first", events::Attached)->action = [box, second](Control*, Event&) {
    box->removeChild(second);
    delete second;
  };
  probe(second, "second", events::Attached);
  root->addChild(box);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"first"}));
  EXPECT_EQ(box->childCount(), 1);
}

// --- Delegates.

TEST(Delegate, ExhaustedPoolFailsTheRegistrationCleanly) {
  Probe p(nullptr, "p");
  std::vector<Delegate> held;
  held.reserve(Delegate::kPoolSize);
  while (Delegate d = Delegate::bind(&p, &Probe::onEvent)) held.push_back(d);
  EXPECT_EQ(Delegate::freePairs(), 0u);

  Control c;
  EXPECT_FALSE(c.addHandler(events::Notify, &p, &Probe::onEvent));
  EXPECT_EQ(c.handlers().find(events::Notify), nullptr);

  held.pop_back();
  EXPECT_TRUE(c.addHandler(events::Notify, &p, &Probe::onEvent));
}

TEST(Delegate, LastReleaseReturnsThePairAndDisableIsShared) {
  const std::size_t before = Delegate::freePairs();
  std::vector<Delivery> log;
  Probe p(&log, "p");
  {
    Delegate a = Delegate::bind(&p, &Probe::onEvent);
    Delegate b = a;
    EXPECT_EQ(Delegate::freePairs(), before - 1);
    EXPECT_TRUE(a.matches(DelegateKey::of(&p, &Probe::onEvent)));
    b.disable();
    EXPECT_FALSE(a.enabled());
    Event e;
    a.invoke(nullptr, e);
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(Delegate::freePairs(), before);
}

TEST(Delegate, FunctionDelegatesMatchByFunctionAndContext) {
  static int calls = 0;
  auto fn = [](void* context, Control*, Event&) { calls += *static_cast<int*>(context); };
  int one = 1, two = 2;
  Delegate d = Delegate::bindFunction(fn, &one);
  EXPECT_TRUE(d.matches(DelegateKey::ofFunction(fn, &one)));
  EXPECT_FALSE(d.matches(DelegateKey::ofFunction(fn, &two)));
  Event e;
  d.invoke(nullptr, e);
  EXPECT_EQ(calls, 1);
}

// --- Deferred events.

class QueueDispatcher : public DeferredDispatcher {
 public:
  bool post(DeferredCall* call) override {
    if (!open) return false;
    queue.push_back(call);
    return true;
  }
  void runAll() {
    while (!queue.empty()) {
      DeferredCall* call = queue.front();
      queue.pop_front();
      runDeferredCall(call);
    }
  }
  bool open = true;
  std::deque<DeferredCall*> queue;
};

// Plugs `dispatcher` into dui/core for as long as it lives.
void plugDispatcher(DeferredDispatcher* dispatcher) {
  CorePlugs plugs = corePlugs();
  plugs.deferredDispatcher = dispatcher;
  replaceCorePlugs(plugs);
}

struct PostedEvents : ThreeLevels {
  PostedEvents() { plugDispatcher(&dispatcher); }
  ~PostedEvents() override {
    dispatcher.runAll();
    plugDispatcher(nullptr);
  }
  QueueDispatcher dispatcher;
};

TEST_F(PostedEvents, RaisedLaterWithHandledReset) {
  probe(leaf, "leaf", events::Click);
  Event e = makeEvent(events::Click);
  e.handled = 1;
  EXPECT_TRUE(postEvent(leaf, e));
  EXPECT_TRUE(log.empty());
  dispatcher.runAll();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sender, leaf);
  EXPECT_EQ(log[0].code, static_cast<std::uint32_t>(events::Click));
}

TEST_F(PostedEvents, DroppedWhenTheControlDiedMeanwhile) {
  Control* doomed = new Control;
  mid->addChild(doomed);
  probe(doomed, "doomed", events::Click);
  ASSERT_TRUE(postEvent(doomed, makeEvent(events::Click)));
  delete doomed;
  // A new control built now takes the freed block: the event must not reach it.
  Control* successor = new Control;
  if (kPoolReusesBlocks) {
    ASSERT_EQ(static_cast<void*>(successor), static_cast<void*>(doomed));
  }
  mid->addChild(successor);
  probe(successor, "successor", events::Click);
  dispatcher.runAll();
  EXPECT_TRUE(log.empty());
  // The successor itself does get events posted to it.
  ASSERT_TRUE(postEvent(successor, makeEvent(events::Click)));
  dispatcher.runAll();
  EXPECT_EQ(dui_test::names(log), std::vector<std::string>{"successor"});
}

TEST_F(PostedEvents, DroppedWhenDetached) {
  probe(leaf, "leaf", events::Click);
  ASSERT_TRUE(postEvent(leaf, makeEvent(events::Click)));
  mid->removeChild(leaf);
  dispatcher.runAll();
  EXPECT_TRUE(log.empty());
  delete leaf;
  leaf = nullptr;
}

TEST_F(PostedEvents, NotQueuedAfterShutdown) {
  dispatcher.open = false;
  EXPECT_FALSE(postEvent(leaf, makeEvent(events::Click)));
  plugDispatcher(nullptr);
  EXPECT_FALSE(postEvent(leaf, makeEvent(events::Click)));
  plugDispatcher(&dispatcher);
}

// --- Application handlers.

TEST(ApplicationHandlers, DirectDeliveryWithoutSender) {
  std::vector<Delivery> log;
  Probe a(&log, "a"), b(&log, "b"), c(&log, "c");
  ApplicationHandlers app;
  app.add(Delegate::bind(&a, &Probe::onEvent));
  app.add(Delegate::bind(&b, &Probe::onEvent));
  app.add(Delegate::bind(&c, &Probe::onEvent));
  a.action = [&](Control*, Event&) { app.remove(DelegateKey::of(&b, &Probe::onEvent)); };
  c.action = [](Control*, Event& e) { e.lparam = 7; };

  Event e = makeEvent(events::AppNotify, 5, 0);
  app.raise(e);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(log[0].sender, nullptr);
  EXPECT_EQ(e.lparam, 7);

  log.clear();
  a.stop = true;
  e = makeEvent(events::AppNotify);
  app.raise(e);
  EXPECT_EQ(dui_test::names(log), (std::vector<std::string>{"a"}));
}

}  // namespace
