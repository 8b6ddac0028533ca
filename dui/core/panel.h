// Panel: a Control with an owned, ordered child list.
#pragma once

#include <cstdint>

#include "dui/core/control.h"

namespace dui {

class Panel : public Control {
 public:
  Panel();
  // Destroys the children, last child first.
  ~Panel() override;

  // Draws itself, then each Visible, not Collapsed child clipped to its own
  // rectangle within the clip, in child order.
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  // The latest child containing the point wins; else the panel itself.
  Control* hitTest(std::int32_t x, std::int32_t y) override;
  const wchar_t* typeName() const override;

  // Appends the child (taking ownership). A child that has a parent is first
  // removed from it. Attaches the child when this panel belongs to a window.
  // False (nothing changed) for nullptr, for this panel itself and for an
  // ancestor of it (a cycle).
  bool addChild(Control* child);
  // Detaches (when this panel belongs to a window) and unlinks the child; the
  // caller owns it afterwards. False when it is not a child of this panel.
  bool removeChild(Control* child);
  // Walks from the first child; nullptr past the end or for a negative index.
  Control* childAt(std::int32_t index) const;
  Control* firstChild() const { return first_; }
  Control* lastChild() const { return last_; }
  std::int32_t childCount() const { return count_; }

 private:
  friend class Control;
  void unlink(Control* child);  // no detach

  Control* first_ = nullptr;
  Control* last_ = nullptr;
  std::int32_t count_ = 0;
};

}  // namespace dui
