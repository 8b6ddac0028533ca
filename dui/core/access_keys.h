// Access keys: "&" before a character of a button's or a label's text marks
// the key that activates the control ("&&" is a literal "&"), without a
// window: parsing, the text as shown, and what a key press does in a tree.
#pragma once

#include <cstdint>
#include <string>

namespace dui {

class Control;

// The character after the first single "&" of `text`, upper-cased; 0 when
// there is none (no "&", only "&&", or a "&" at the very end).
wchar_t accessKeyOf(const std::wstring& text);
// The text as it reads: each single "&" dropped, each "&&" one "&".
std::wstring withoutAccessKeyMarkers(const std::wstring& text);
// Whether the control's text is read for access keys: not LiteralText (a
// list's items, whose texts are data) and not TextEntry (a text box's
// content).
bool textMarksAccessKeys(const Control& control);
// The control's text as it reads (markers dropped where they mark keys).
std::wstring shownText(const Control& control);

// What an access key does.
struct AccessKeyAction {
  Control* focus = nullptr;  // gets the keyboard focus (nullptr: the key is not used)
  bool press = false;        // and is then pressed (a Click)
};
// The action of access key `key` in the tree `root` while `current` holds the
// focus. The holders are the usable controls, in tree order, whose text
// marks `key` (compared upper-cased). One holder that is a tab stop is
// focused and pressed; a holder that is not (a label) focuses the first tab
// stop after it. With several holders the key only moves the focus: to the
// one after `current`'s holder, round to the first.
AccessKeyAction accessKeyAction(Control* root, const Control* current, wchar_t key);

// The DrawTextW prefix flags for the control's text: DT_NOPREFIX where "&"
// is text; otherwise DT_HIDEPREFIX while its window hides access keys (a
// control in no window hides them too), 0 while they are shown.
std::uint32_t accessKeyTextFormat(const Control& control);

}  // namespace dui
