// Unicode text on the system clipboard, for the editing controls.
#pragma once

#include <windows.h>

#include <string>

namespace dui {

// Puts the text on the clipboard as CF_UNICODETEXT. False when the clipboard
// cannot be opened or the memory cannot be had; nothing changes then.
bool copyTextToClipboard(HWND owner, const std::wstring& text);

// The clipboard's Unicode text, read up to its terminator or the end of its
// memory block, whichever comes first. False when the clipboard cannot be
// opened or holds no Unicode text.
bool readClipboardText(HWND owner, std::wstring& text);

}  // namespace dui
