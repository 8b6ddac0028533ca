// What the scrolling controls ask of the real window that shows them, beyond
// the HostWindow interface: the keyboard focus, and a pointer move posted so
// that hover states follow content that scrolled under a still pointer.
// Both do nothing for a control not shown by a framework window.
#pragma once

namespace dui {

class Control;

void takeKeyboardFocus(Control* control);
void postPointerMove(const Control* control);

}  // namespace dui
