// Key and caret plumbing shared by the editing controls (Edit, TextBox):
// the Ctrl+A/C/X/V shortcuts over the clipboard, and the caret and cursor
// chores every focusable text control repeats.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace dui {

class Control;
class WindowImpl;
struct Event;

// What a text control lends the clipboard shortcuts. The control decides
// beforehand whether copying and pasting are allowed at all (a read-only
// editor allows neither).
struct ClipboardEditing {
  HWND owner = nullptr;    // the clipboard owner; null when not in a window
  bool canCopy = false;    // a selection exists and may be copied (and cut)
  bool canPaste = false;
  std::function<void()> selectAll;
  std::function<std::wstring()> selectedText;
  std::function<void()> deleteSelection;
  std::function<void(const std::wstring&)> replaceSelection;
};

// True while a Control key is held down.
bool controlKeyDown();

// Ctrl+A selects everything, Ctrl+C copies the selection, Ctrl+X copies and
// then deletes it (nothing is deleted when the clipboard refuses the text),
// Ctrl+V replaces the selection with the clipboard's text. True when the key
// with Control held was one of these four, whether or not anything changed;
// false for every other key.
bool handleClipboardShortcut(WPARAM key, const ClipboardEditing& editing);

// The window the control is shown in, when it is a real one, and its handle
// (null when there is none).
WindowImpl* hostWindowOf(const Control& control);
HWND hostHwndOf(const Control& control);

// Hides the window caret when the control holds the focus (a focused text
// control that dies or loses the focus takes the caret with it).
void hideCaretIfFocused(const Control& control);

// Shows the text cursor (I-beam) and marks the event handled.
void showTextCursor(Event& e);

}  // namespace dui
