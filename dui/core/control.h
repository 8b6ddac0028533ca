// Control: a node of the retained UI tree with rectangle, flags and handlers.
#pragma once

#include <cstdint>

#include "dui/core/control_flags.h"
#include "dui/core/delegate.h"
#include "dui/core/event.h"
#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"
#include "dui/core/handler_table.h"
#include "dui/core/object.h"

namespace dui {

class HostWindow;
class Panel;

class Control : public Object {
 public:
  Control();
  // Disables every handler, lets the script host forget the control, and, if
  // it is still attached, silently leaves the live registry, the window's
  // input state and id map and its parent's child list (no events).
  ~Control() override;

  // --- The six virtual operations, in slot order (destructor above).
  // Paints through the "style" attribute's Style; no style, nothing drawn.
  virtual void draw(HDC dc, const Rect& drawRect, const Rect& clip);
  // (x, y) in the parent's coordinates. Itself when Visible, not
  // HitTransparent, not Collapsed, and the point lies inside rect().
  virtual Control* hitTest(std::int32_t x, std::int32_t y);
  virtual const wchar_t* typeName() const;
  // Sizes inside the margin; called only by measure() and arrange().
  virtual Size measureOverride(std::int32_t width, std::int32_t height);
  virtual Size arrangeOverride(std::int32_t width, std::int32_t height);

  // --- Tree links (plain reads).
  Control* parent() const { return parent_; }
  Control* previous() const { return previous_; }
  Control* next() const { return next_; }
  // Whether the parent link is one setUnlistedParent made (a tab page).
  bool hangsUnlisted() const { return unlisted_; }
  // Panel when this control has a child list, otherwise nullptr.
  Panel* asPanel();
  const Panel* asPanel() const;
  // The markup's content model: the layout loader offers this control the
  // result of each of its child elements, in document order (null for an
  // element that built nothing). True when the control took `child` and owns
  // it now; false leaves it with the caller. A control with a child list
  // adds it as its last child; one without takes none.
  virtual bool adoptMarkupChild(Control* child);
  // Whether `child` shows while this control does, and where: `area`, in
  // this control's own coordinates, is the part of it the child may show in.
  // Every child shows anywhere in the rectangle by default; a tab control
  // shows only its selected page, a scroll panel its content only in the
  // viewport. Used to place native child windows (native_placement.h).
  virtual bool childArea(const Control& child, Rect& area) const;
  // The control shown under this one outside its child list (a tab
  // control's selected page), so that walks in tree order (the Tab order,
  // the accessible children) reach it after the children; nullptr for most.
  virtual Control* shownUnlistedChild() const;
  // Scrolls so that `descendant`, a control somewhere below this one, shows,
  // where this control shows its children through a viewport (a scroll
  // panel). The keyboard asks each ancestor of the control it moves the
  // focus to, innermost first. Nothing by default.
  virtual void revealDescendant(const Control& descendant);
  // Whether this is an option (radio) button: an arrow key that moves the
  // focus from one option button to another beside it clicks that one too.
  virtual bool isOptionButton() const;
  // The window showing this control while attached, otherwise nullptr.
  HostWindow* window() const { return window_; }

  // --- Layout results: rectangle relative to the parent's top-left corner,
  // desired size including the margin.
  const Rect& rect() const { return rect_; }
  void setRect(const Rect& r) { rect_ = r; }
  using Object::setRect;  // the rectangle attributes ("margin", ...) stay reachable
  const Size& desiredSize() const { return desired_; }
  void setDesiredSize(const Size& s) { desired_ = s; }

  // --- Flag word (initially Enabled | Visible).
  std::uint32_t flagWord() const { return flags_; }
  void setFlagWord(std::uint32_t word) { flags_ = word; }
  bool hasFlag(std::uint32_t mask) const { return (flags_ & mask) == mask; }
  void setFlag(std::uint32_t mask, bool on) { flags_ = on ? (flags_ | mask) : (flags_ & ~mask); }
  // By bit number, as the script's readFlag/writeFlag: bits outside 0..31
  // read as false and are not written (writeFlagBit then returns false).
  bool readFlagBit(int bit) const;
  bool writeFlagBit(int bit, bool on);

  // A number unique to this control for the life of the process: tells a
  // control from a later one built at the same address.
  std::uint32_t serial() const { return serial_; }

  // --- Handlers.
  // False when the delegate is empty (pool exhausted): nothing registered.
  bool addHandler(std::uint32_t code, const Delegate& delegate) { return handlers_.add(code, delegate); }
  template <class T>
  bool addHandler(std::uint32_t code, T* target, void (T::*fn)(Control*, Event&)) {
    return handlers_.add(code, Delegate::bind(target, fn));
  }
  // Disables and removes the first matching handler; nothing when none.
  bool removeHandler(std::uint32_t code, const DelegateKey& key) { return handlers_.remove(code, key); }
  template <class T>
  bool removeHandler(std::uint32_t code, T* target, void (T::*fn)(Control*, Event&)) {
    return handlers_.remove(code, DelegateKey::of(target, fn));
  }
  const HandlerTable& handlers() const { return handlers_; }

 protected:
  // Runs the destructor's teardown early (Panel does, before destroying its
  // children, so no event reaches a half-destroyed panel). Idempotent.
  void beginDestruction();

 private:
  friend class Panel;
  friend void attachRoot(Control* root, HostWindow* window);
  friend void attachControl(Control* control);
  friend void detachControl(Control* control);
  friend void setUnlistedParent(Control* child, Control* parent);

  Control* parent_ = nullptr;
  Control* previous_ = nullptr;
  Control* next_ = nullptr;
  HostWindow* window_ = nullptr;
  Rect rect_;
  Size desired_;
  HandlerTable handlers_;
  std::uint32_t flags_ = flags::Initial;
  std::uint32_t serial_ = 0;
  Panel* panel_ = nullptr;  // set by Panel: the child list, whatever the flag bits say
  bool unlisted_ = false;   // parent_ is set but the parent's child list does not hold it
  bool tearingDown_ = false;
};

// Hangs `child` under `parent` without entering a child list (nullptr
// unhangs it): events bubble, coordinates resolve and attach finds the window
// through `parent`, yet the parent neither owns, paints nor lists it. A tab
// item's content hangs under its tab control this way. Nothing for a child
// that sits in a child list.
void setUnlistedParent(Control* child, Control* parent);

// Synchronous delivery (tunnel, bubble or direct by e.routing) to `target`'s
// handlers and, unless direct, its ancestors'. Nothing for a control that is
// not live. Every handler gets `target` as sender; e is updated in place.
// Delivery also stops when a handler makes the target leave the tree.
void raiseEvent(Control* target, Event& e);

// The preview/plain pair of input events (PrevKeyDown then KeyDown, ...):
// raises `previewCode` tunnelling and, unless a handler set handled (or the
// target left the tree), `code` bubbling, both with the same parameters.
// Returns whether either was handled.
bool raisePreviewPair(Control* target, std::uint32_t previewCode, std::uint32_t code,
                      std::uintptr_t wparam, std::intptr_t lparam);

}  // namespace dui
