// What a control tells screen readers when it changes: the kinds of change,
// and the call that passes one to the control's window (which raises the
// system's event for it). Outside a window nothing is told.
#pragma once

namespace dui {

class Control;

enum class AccessibleChange {
  State,        // checked, enabled, pressed, selected, ...
  Value,        // a text box's text, a bar's or a slider's position, a choice
  Name,         // its text, or the name a script gave it
  Description,
  Shown,
  Hidden,
  Selection,    // the selected item of a list or a tab strip
};

void announceChange(const Control* control, AccessibleChange change);

}  // namespace dui
