// Access-key parsing and the action of a key press over a control tree.
#include "dui/core/access_keys.h"

#include <windows.h>

#include <vector>

#include "dui/core/control.h"
#include "dui/core/focus_navigation.h"
#include "dui/core/host_window.h"

namespace dui {
namespace {

// Upper case as the system's keyboard layouts see it (beyond ASCII too).
wchar_t upper(wchar_t c) {
  ::CharUpperBuffW(&c, 1);
  return c;
}

}  // namespace

wchar_t accessKeyOf(const std::wstring& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] == L'&') {
      ++i;  // a literal "&"
      continue;
    }
    return upper(text[i + 1]);
  }
  return 0;
}

std::wstring withoutAccessKeyMarkers(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'&') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == L'&') {
      out += L'&';
      ++i;
    }
  }
  return out;
}

bool textMarksAccessKeys(const Control& control) {
  return !control.hasFlag(flags::LiteralText) && !control.hasFlag(flags::TextEntry);
}

std::wstring shownText(const Control& control) {
  const std::wstring text = control.getText();
  return textMarksAccessKeys(control) ? withoutAccessKeyMarkers(text) : text;
}

AccessKeyAction accessKeyAction(Control* root, const Control* current, wchar_t key) {
  AccessKeyAction action;
  if (!root || key == 0) return action;
  key = upper(key);
  std::vector<Control*> holders;
  for (Control* c : shownInTreeOrder(root)) {
    if (!c->hasFlag(flags::Enabled) || !textMarksAccessKeys(*c)) continue;
    const std::wstring* text = c->findString(names::text);
    if (text && accessKeyOf(*text) == key) holders.push_back(c);
  }
  if (holders.empty()) return action;
  // The control a holder gives the focus to: itself, or the stop after a label.
  auto targetOf = [root](Control* holder) { return isTabStop(holder) ? holder : tabStopAfter(root, holder); };
  if (holders.size() == 1) {
    action.focus = targetOf(holders.front());
    action.press = action.focus == holders.front();
    return action;
  }
  // Several: step through them, starting after the one that has the focus
  // (itself, or the label before it).
  std::size_t start = 0;
  for (std::size_t i = 0; i < holders.size(); ++i)
    if (holders[i] == current || (current && targetOf(holders[i]) == current)) start = i + 1;
  for (std::size_t n = 0; n < holders.size(); ++n) {
    Control* target = targetOf(holders[(start + n) % holders.size()]);
    if (target) {
      action.focus = target;
      return action;
    }
  }
  return action;
}

std::uint32_t accessKeyTextFormat(const Control& control) {
  if (!textMarksAccessKeys(control)) return DT_NOPREFIX;
  const HostWindow* window = control.window();
  return window && window->accessKeysShown() ? 0u : static_cast<std::uint32_t>(DT_HIDEPREFIX);
}

}  // namespace dui
