// Clipboard transfer of Unicode text with every handle owned on every path.
#include "dui/controls/clipboard_text.h"

#include <cstring>

#include "support/win32_handles.h"

namespace dui {

bool copyTextToClipboard(HWND owner, const std::wstring& text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  kavri::UniqueHglobal memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
  if (!memory) return false;
  {
    kavri::ScopedGlobalLock lock(memory.get());
    if (!lock.data()) return false;
    std::memcpy(lock.data(), text.c_str(), bytes);
  }
  kavri::ScopedClipboard clipboard(owner);
  if (!clipboard.opened() || !::EmptyClipboard()) return false;
  if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

bool readClipboardText(HWND owner, std::wstring& text) {
  kavri::ScopedClipboard clipboard(owner);
  if (!clipboard.opened()) return false;
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (!data) return false;
  kavri::ScopedGlobalLock lock(data);
  if (!lock.data()) return false;
  const SIZE_T capacity = ::GlobalSize(data) / sizeof(wchar_t);
  const wchar_t* chars = static_cast<const wchar_t*>(lock.data());
  SIZE_T length = 0;
  while (length < capacity && chars[length] != L'\0') ++length;
  text.assign(chars, length);
  return true;
}

}  // namespace dui
