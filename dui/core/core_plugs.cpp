// The process-wide table of dui/core's plug points.
#include "dui/core/core_plugs.h"

#include <atomic>

namespace dui {
namespace {

// Entry by entry, so a worker thread reading the dispatcher never races the UI
// thread re-plugging the skin.
struct AtomicPlugs {
  std::atomic<SkinSource*> skinSource{nullptr};
  std::atomic<Control* (*)(const std::wstring&)> loadLayoutRoot{nullptr};
  std::atomic<DeferredDispatcher*> deferredDispatcher{nullptr};
  std::atomic<void (*)(Control*)> controlForgotten{nullptr};
  std::atomic<void (*)(WindowImpl*)> windowDestroyed{nullptr};
  std::atomic<void (*)(WindowImpl*, unsigned, const wchar_t*)> navigationMessage{nullptr};
  std::atomic<bool (*)(const Control&, AccessibleFacts&)> describeAccessible{nullptr};
  std::atomic<bool (*)(Control&)> accessibleAction{nullptr};
};

AtomicPlugs g_plugs;

}  // namespace

CorePlugs corePlugs() {
  return CorePlugs{g_plugs.skinSource.load(), g_plugs.loadLayoutRoot.load(), g_plugs.deferredDispatcher.load(),
                   g_plugs.controlForgotten.load(), g_plugs.windowDestroyed.load(),
                   g_plugs.navigationMessage.load(), g_plugs.describeAccessible.load(),
                   g_plugs.accessibleAction.load()};
}

CorePlugs replaceCorePlugs(const CorePlugs& plugs) {
  return CorePlugs{g_plugs.skinSource.exchange(plugs.skinSource),
                   g_plugs.loadLayoutRoot.exchange(plugs.loadLayoutRoot),
                   g_plugs.deferredDispatcher.exchange(plugs.deferredDispatcher),
                   g_plugs.controlForgotten.exchange(plugs.controlForgotten),
                   g_plugs.windowDestroyed.exchange(plugs.windowDestroyed),
                   g_plugs.navigationMessage.exchange(plugs.navigationMessage),
                   g_plugs.describeAccessible.exchange(plugs.describeAccessible),
                   g_plugs.accessibleAction.exchange(plugs.accessibleAction)};
}

}  // namespace dui
