// Benchmark: raising events on a 32-deep tree and measure+arrange passes over
// a 10,000-control tree. Prints the time per operation and the allocations
// made while raising (expected: none).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "dui/core/layout.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/core/core_test_util.h"

namespace {

std::size_t g_heapAllocations = 0;

}  // namespace

// Counts every general-heap allocation of the process.
void* operator new(std::size_t size) {
  ++g_heapAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace dui;
using Clock = std::chrono::steady_clock;

namespace {

struct Counter {
  void onEvent(Control*, Event& e) { e.lparam += 1; }
};

double nanosPer(Clock::duration d, std::size_t n) {
  return std::chrono::duration<double, std::nano>(d).count() / static_cast<double>(n);
}

void benchRaise() {
  dui_test::FakeHost host;
  Counter counter;
  auto* root = new Panel;
  Panel* parent = root;
  Control* leaf = nullptr;
  for (int depth = 1; depth < 32; ++depth) {
    Control* c = depth == 31 ? new Control : new Panel;
    parent->addChild(c);
    if (depth < 31) parent = static_cast<Panel*>(c);
    leaf = c;
  }
  attachRoot(root, &host);
  // One handler on every other level for the bubble event (16 in all), one on
  // every level for another (32: beyond the snapshot's 16 inline entries),
  // 16 on the leaf for a direct one.
  int level = 0;
  for (Control* c = leaf; c; c = c->parent(), ++level) {
    if (level % 2 == 0) c->addHandler(events::MouseMove, &counter, &Counter::onEvent);
    c->addHandler(events::KeyDown, &counter, &Counter::onEvent);
  }
  for (int i = 0; i < 16; ++i) leaf->addHandler(events::Notify, &counter, &Counter::onEvent);

  struct Run {
    const char* name;
    std::uint32_t code;
    Routing routing;
  };
  const Run runs[] = {
      {"bubble, 32 levels, 16 handlers", events::MouseMove, Routing::Bubble},
      {"bubble, 32 levels, 32 handlers", events::KeyDown, Routing::Bubble},
      {"tunnel, 32 levels, no handlers", events::PrevLButtonDown, Routing::Tunnel},
      {"direct, 16 handlers on the target", events::Notify, Routing::Direct},
  };
  const std::size_t n = 200000;
  for (const Run& r : runs) {
    const std::size_t heapBefore = g_heapAllocations;
    const PoolStats poolBefore = poolStats();
    const auto start = Clock::now();
    for (std::size_t i = 0; i < n; ++i) {
      Event e;
      e.msg = r.code;
      e.routing = r.routing;
      raiseEvent(leaf, e);
    }
    const auto elapsed = Clock::now() - start;
    std::printf("raise %-36s %8.1f ns/raise  heap allocations %zu  pool allocations %llu\n", r.name,
                nanosPer(elapsed, n), g_heapAllocations - heapBefore,
                static_cast<unsigned long long>(poolStats().allocations - poolBefore.allocations));
  }
  detachControl(root);
  delete root;
}

void benchLayout() {
  dui_test::FakeHost host;
  // Grid > 100 StackPanels (alternating orientation) > 99 labels-like controls
  // with margins and alignment: 10,000 controls in all.
  auto* root = new Grid;
  std::size_t count = 1;
  for (int s = 0; s < 100; ++s) {
    Panel* stack = s % 4 == 3 ? static_cast<Panel*>(new DockPanel) : static_cast<Panel*>(new StackPanel);
    if (s % 2) stack->setEnum(names::orientation, names::kwHorizontal);
    stack->setRect(names::margin, Rect{1, 1, 1, 1});
    root->addChild(stack);
    ++count;
    for (int i = 0; i < 99; ++i) {
      auto* c = new Control;
      c->setInt(names::width, 10 + i % 7);
      c->setInt(names::height, 12);
      c->setRect(names::margin, Rect{2, 1, 2, 1});
      if (i % 3 == 0) c->setEnum(names::horizontalAlign, names::kwCenter);
      if (i % 5 == 0) c->setEnum(names::dock, names::kwTop);
      stack->addChild(c);
      ++count;
    }
  }
  attachRoot(root, &host);
  const std::size_t passes = 200;
  const std::size_t heapBefore = g_heapAllocations;
  const auto start = Clock::now();
  for (std::size_t i = 0; i < passes; ++i) {
    measure(root, 1024 + static_cast<std::int32_t>(i % 2), 768);
    arrange(root, 0, 0, 1024 + static_cast<std::int32_t>(i % 2), 768);
  }
  const auto elapsed = Clock::now() - start;
  std::printf("layout measure+arrange of %zu controls    %8.1f us/pass  %6.1f ns/control  heap allocations %zu\n",
              count, nanosPer(elapsed, passes) / 1000.0, nanosPer(elapsed, passes * count),
              g_heapAllocations - heapBefore);
  detachControl(root);
  delete root;
}

}  // namespace

int main() {
  benchRaise();
  benchLayout();
  return 0;
}
