// Keyboard focus over a control tree, without a window: which controls are
// shown, the Tab order ("tabindex" overrides the tree order), the default and
// cancel buttons, and the control a page gives the focus to when it shows.
#pragma once

#include <vector>

#include "dui/core/attribute_names.h"

namespace dui {

class Control;

// The control and every ancestor are Visible and not Collapsed, and a page
// that hangs unlisted is its parent's shown one (a tab control's selected
// page). A control that is not live is not shown.
bool isShown(const Control* control);
// Shown and Enabled: the keyboard may act on it.
bool isUsable(const Control* control);
// A usable control with the TabStop flag whose "tabindex" is not negative.
bool isTabStop(const Control* control);
// A usable control that may hold the keyboard focus: a tab stop, or one that
// takes the focus on a press (Focusable).
bool canHoldFocus(const Control* control);

// The shown controls from `scope` down (itself first) in tree order: each
// control, then its children in order, then its shown unlisted child.
std::vector<Control*> shownInTreeOrder(Control* scope);
// The tab stops from `scope` down in Tab order: those with a positive
// "tabindex" first, by ascending index (tree order among equal ones), then
// the others in tree order.
std::vector<Control*> tabOrder(Control* scope);
// The tab stop after (forward) or before `current` in the Tab order of
// `root`, wrapping round at the ends. When `current` is not in the order, the
// first stop (the last going backwards). nullptr when there is no stop.
Control* nextTabStop(Control* root, const Control* current, bool forward);
// The first tab stop after `control` in tree order under `root` (what an
// access key on a label focuses), nullptr when none follows it.
Control* tabStopAfter(Control* root, const Control* control);

// The first usable control from `scope` down, in tree order, whose integer
// attribute `which` (names::isDefault, names::isCancel) is non-zero.
Control* markedButtonIn(Control* scope, AttrKey which);
// The button Enter (isDefault) or Escape (isCancel) presses while `focus`
// holds the focus: looked for in the focus's ancestors from the nearest one
// outwards, so that a page's own button wins over one of the whole window;
// from `root` when there is no focus.
Control* markedButtonFor(Control* root, Control* focus, AttrKey which);
// Where the focus goes when `page` shows: its usable default button, else
// its first tab stop, else nullptr.
Control* pageFocusTarget(Control* page);

}  // namespace dui
