// The Tab order, shown controls, default and cancel buttons, page focus.
#include "dui/core/focus_navigation.h"

#include <algorithm>

#include "dui/core/control.h"
#include "dui/core/panel.h"

namespace dui {
namespace {

bool visibleItself(const Control* c) { return c->hasFlag(flags::Visible) && !c->hasFlag(flags::Collapsed); }

void collectShown(Control* c, std::vector<Control*>& out) {
  if (!visibleItself(c)) return;
  out.push_back(c);
  if (const Panel* panel = c->asPanel())
    for (Control* child = panel->firstChild(); child; child = child->next()) collectShown(child, out);
  if (Control* page = c->shownUnlistedChild()) collectShown(page, out);
}

std::int32_t tabIndexOf(const Control* c) { return c->intOr(names::tabindex, 0); }

}  // namespace

bool isShown(const Control* control) {
  for (const Control* c = control; c; c = c->parent()) {
    if (!visibleItself(c)) return false;
    if (c->hangsUnlisted() && c->parent() && c->parent()->shownUnlistedChild() != c) return false;
  }
  return control != nullptr;
}

bool isUsable(const Control* control) { return control && control->hasFlag(flags::Enabled) && isShown(control); }

bool isTabStop(const Control* control) {
  return control && control->hasFlag(flags::TabStop) && tabIndexOf(control) >= 0 && isUsable(control);
}

bool canHoldFocus(const Control* control) {
  return control && (control->hasFlag(flags::Focusable) || isTabStop(control)) && isUsable(control);
}

std::vector<Control*> shownInTreeOrder(Control* scope) {
  std::vector<Control*> out;
  if (scope) collectShown(scope, out);
  return out;
}

std::vector<Control*> tabOrder(Control* scope) {
  std::vector<Control*> stops;
  for (Control* c : shownInTreeOrder(scope))
    if (c->hasFlag(flags::TabStop) && c->hasFlag(flags::Enabled) && tabIndexOf(c) >= 0) stops.push_back(c);
  // Positive indexes first, ascending; 0 (or none) after them; stable keeps
  // the tree order among equal ones.
  std::stable_sort(stops.begin(), stops.end(), [](const Control* a, const Control* b) {
    const std::int32_t ia = tabIndexOf(a), ib = tabIndexOf(b);
    if (ia == ib) return false;
    if (ia == 0) return false;
    if (ib == 0) return true;
    return ia < ib;
  });
  return stops;
}

Control* nextTabStop(Control* root, const Control* current, bool forward) {
  const std::vector<Control*> stops = tabOrder(root);
  if (stops.empty()) return nullptr;
  const auto at = std::find(stops.begin(), stops.end(), current);
  if (at == stops.end()) return forward ? stops.front() : stops.back();
  const std::size_t index = static_cast<std::size_t>(at - stops.begin());
  const std::size_t count = stops.size();
  return stops[forward ? (index + 1) % count : (index + count - 1) % count];
}

Control* tabStopAfter(Control* root, const Control* control) {
  const std::vector<Control*> shown = shownInTreeOrder(root);
  auto at = std::find(shown.begin(), shown.end(), control);
  if (at == shown.end()) return nullptr;
  for (++at; at != shown.end(); ++at)
    if (isTabStop(*at)) return *at;
  return nullptr;
}

Control* markedButtonIn(Control* scope, AttrKey which) {
  for (Control* c : shownInTreeOrder(scope))
    if (c->intOr(which, 0) != 0 && c->hasFlag(flags::Enabled)) return c;
  return nullptr;
}

Control* markedButtonFor(Control* root, Control* focus, AttrKey which) {
  for (Control* scope = focus; scope; scope = scope->parent())
    if (Control* button = markedButtonIn(scope, which)) return button;
  return focus ? nullptr : markedButtonIn(root, which);
}

Control* pageFocusTarget(Control* page) {
  if (!page || !isShown(page)) return nullptr;
  if (Control* button = markedButtonIn(page, names::isDefault))
    if (canHoldFocus(button)) return button;
  const std::vector<Control*> stops = tabOrder(page);
  return stops.empty() ? nullptr : stops.front();
}

}  // namespace dui
