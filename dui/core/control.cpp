// Control: construction and teardown, base virtual operations, flags and
// synchronous event delivery.
#include "dui/core/control.h"

#include <cassert>

#include "dui/core/control_registry.h"
#include "dui/core/core_plugs.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"
#include "dui/core/ui_thread.h"

namespace dui {
namespace detail {
std::uint32_t registerControl(const Control* control);
void setLive(const Control* control, bool live);
void unregisterControl(const Control* control);
}  // namespace detail

Control::Control() : serial_(detail::registerControl(this)) {}

Control::~Control() {
  beginDestruction();
  detail::unregisterControl(this);
}

void Control::beginDestruction() {
  if (tearingDown_) return;
  tearingDown_ = true;
  handlers_.disableAll();  // a raise in progress skips them from now on
  if (flags_ & flags::ScriptBound) {
    if (auto forgotten = corePlugs().controlForgotten) forgotten(this);  // the script object goes
    flags_ &= ~flags::ScriptBound;
  }
  if (isLive(this)) {
    // Destroyed while attached: leave the tree without events, so the window
    // never keeps a pointer to it and no deferred event reaches it.
    detail::setLive(this, false);
    if (HostWindow* window = window_) {
      window->forgetControl(this);
      std::int32_t id;
      if (getInt(names::id, id)) window->idMap().forget(id, this);
    }
  }
  window_ = nullptr;
  if (parent_ && parent_->panel_ && !unlisted_) parent_->panel_->unlink(this);
}

void setUnlistedParent(Control* child, Control* parent) {
  if (!child || (child->parent_ && !child->unlisted_)) return;
  child->parent_ = parent;
  child->unlisted_ = parent != nullptr;
}

Control* Control::hitTest(std::int32_t x, std::int32_t y) {
  // Collapsed controls are not painted, so they do not catch the mouse either.
  if (!hasFlag(flags::Visible) || (flags_ & (flags::HitTransparent | flags::Collapsed))) return nullptr;
  return rect_.contains(x, y) ? this : nullptr;
}

const wchar_t* Control::typeName() const { return L"Control"; }

Size Control::measureOverride(std::int32_t, std::int32_t) { return Size{0, 0}; }

Size Control::arrangeOverride(std::int32_t width, std::int32_t height) { return Size{width, height}; }

Panel* Control::asPanel() { return panel_; }

const Panel* Control::asPanel() const { return panel_; }

bool Control::adoptMarkupChild(Control* child) { return child && panel_ && panel_->addChild(child); }

bool Control::childArea(const Control&, Rect& area) const {
  area = Rect{0, 0, rect_.width(), rect_.height()};
  return true;
}

Control* Control::shownUnlistedChild() const { return nullptr; }

void Control::revealDescendant(const Control&) {}

bool Control::isOptionButton() const { return false; }

bool Control::readFlagBit(int bit) const {
  const std::uint32_t mask = flags::maskOfBit(bit);
  return mask != 0 && (flags_ & mask) != 0;
}

bool Control::writeFlagBit(int bit, bool on) {
  const std::uint32_t mask = flags::maskOfBit(bit);
  if (mask == 0) return false;
  setFlag(mask, on);
  return true;
}

void raiseEvent(Control* target, Event& e) {
  assert(onUiThread() && "events are raised on the UI thread: other threads use postEvent");
  if (!isLive(target)) return;
  const std::uint32_t serial = target->serial();

  HandlerSnapshot snapshot;
  const bool tunnel = e.routing == Routing::Tunnel;
  const bool routed = tunnel || e.routing == Routing::Bubble;  // other values: direct
  for (Control* c = target; c; c = routed ? c->parent() : nullptr) {
    const std::vector<Delegate>* list = c->handlers().find(e.msg);
    if (!list) continue;
    if (tunnel) {
      for (auto d = list->rbegin(); d != list->rend(); ++d) snapshot.append(*d);
    } else {
      for (const Delegate& d : *list) snapshot.append(d);
    }
  }

  const std::size_t count = snapshot.size();
  for (std::size_t n = 0; n < count; ++n) {
    if (e.handled) break;
    // A handler destroyed the target: later handlers would get a dangling sender.
    if (!controlExists(target, serial)) break;
    const Delegate& d = snapshot[tunnel ? count - 1 - n : n];
    d.invoke(target, e);  // a disabled delegate does nothing
  }
}

bool raisePreviewPair(Control* target, std::uint32_t previewCode, std::uint32_t code,
                      std::uintptr_t wparam, std::intptr_t lparam) {
  if (!isLive(target)) return false;
  const std::uint32_t serial = target->serial();
  Event preview;
  preview.msg = previewCode;
  preview.routing = Routing::Tunnel;
  preview.wparam = wparam;
  preview.lparam = lparam;
  raiseEvent(target, preview);
  if (preview.handled) return true;
  if (!isLive(target, serial)) return false;
  Event plain = preview;
  plain.msg = code;
  plain.routing = Routing::Bubble;
  raiseEvent(target, plain);
  return plain.handled != 0;
}

}  // namespace dui
