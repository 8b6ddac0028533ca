// The clipboard shortcuts and caret chores shared by Edit and TextBox.
#include "dui/controls/text_editing_keys.h"

#include "dui/controls/clipboard_text.h"
#include "dui/core/control.h"
#include "dui/core/event.h"
#include "dui/core/window_impl.h"

namespace dui {

bool controlKeyDown() { return ::GetKeyState(VK_CONTROL) < 0; }

bool handleClipboardShortcut(WPARAM key, const ClipboardEditing& editing) {
  if (key != 'A' && key != 'C' && key != 'X' && key != 'V') return false;
  if (!controlKeyDown()) return false;
  switch (key) {
    case 'A':
      editing.selectAll();
      break;
    case 'C':
    case 'X':
      if (!editing.canCopy) break;
      if (!copyTextToClipboard(editing.owner, editing.selectedText())) break;
      if (key == 'X') editing.deleteSelection();
      break;
    case 'V': {
      if (!editing.canPaste) break;
      std::wstring text;
      if (readClipboardText(editing.owner, text)) editing.replaceSelection(text);
      break;
    }
  }
  return true;
}

WindowImpl* hostWindowOf(const Control& control) { return dynamic_cast<WindowImpl*>(control.window()); }

HWND hostHwndOf(const Control& control) {
  WindowImpl* window = hostWindowOf(control);
  return window ? window->hwnd() : nullptr;
}

void hideCaretIfFocused(const Control& control) {
  WindowImpl* window = hostWindowOf(control);
  if (window && window->focusControl() == &control) window->hideCaret();
}

void showTextCursor(Event& e) {
  ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
  e.handled = 1;
}

}  // namespace dui
