// Panel: child list, ownership and hit testing of a container.
#include "dui/core/panel.h"

#include "dui/core/control_registry.h"

namespace dui {

Panel::Panel() {
  panel_ = this;
  setFlag(flags::Container, true);
}

Panel::~Panel() {
  beginDestruction();  // no event reaches this panel while its children die
  while (Control* child = last_) {
    unlink(child);
    delete child;
  }
}

const wchar_t* Panel::typeName() const { return L"Panel"; }

Control* Panel::hitTest(std::int32_t x, std::int32_t y) {
  if (!Control::hitTest(x, y)) return nullptr;
  x -= rect().left;
  y -= rect().top;
  for (Control* c = last_; c; c = c->previous()) {
    if (Control* hit = c->hitTest(x, y)) return hit;
  }
  return this;
}

bool Panel::addChild(Control* child) {
  if (!child) return false;
  for (const Control* c = this; c; c = c->parent()) {
    if (c == child) return false;  // would make a cycle
  }
  if (child->parent_ && child->unlisted_) return false;   // hangs elsewhere
  if (child->parent_) {
    Panel* old = child->parent_->panel_;
    if (!old || !old->removeChild(child)) return false;
  }
  child->parent_ = this;
  child->previous_ = last_;
  child->next_ = nullptr;
  if (last_) {
    last_->next_ = child;
  } else {
    first_ = child;
  }
  last_ = child;
  ++count_;
  if (window() && isLive(this)) attachControl(child);
  return true;
}

bool Panel::removeChild(Control* child) {
  if (!child || child->parent_ != this || child->unlisted_) return false;
  if (window()) {
    const std::uint32_t serial = child->serial();
    detachControl(child);
    // A Detached handler may have destroyed or moved the child already.
    if (!controlExists(child, serial) || child->parent_ != this) return true;
  }
  unlink(child);
  return true;
}

void Panel::unlink(Control* child) {
  if (child->previous_) {
    child->previous_->next_ = child->next_;
  } else {
    first_ = child->next_;
  }
  if (child->next_) {
    child->next_->previous_ = child->previous_;
  } else {
    last_ = child->previous_;
  }
  child->parent_ = nullptr;
  child->previous_ = nullptr;
  child->next_ = nullptr;
  --count_;
}

Control* Panel::childAt(std::int32_t index) const {
  if (index < 0) return nullptr;
  Control* c = first_;
  while (c && index-- > 0) c = c->next();
  return c;
}

}  // namespace dui
