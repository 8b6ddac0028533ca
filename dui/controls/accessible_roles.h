// What each kind of control is to a screen reader: the role table (role,
// default action, where the name and value come from), the facts of one
// control, and its default action performed as the user would. The markup
// start-up plugs facts and action into core (CorePlugs), whose accessible
// object adds the window's part.
#pragma once

#include <string>

namespace dui {

class Control;
struct AccessibleFacts;

// One line of the role table. The first line whose test a control passes
// decides (a check box is a button too: its line comes first).
struct AccessibleRole {
  const char* kind;                  // the kind's name, for tests and diagnostics
  bool (*is)(const Control& control);
  long role;                         // ROLE_SYSTEM_*
  const wchar_t* action;             // the default action's name; nullptr: none
  bool namedByText;                  // its name is its text (access-key markers dropped)
  bool namedByLabel;                 // without a name of its own, the label before it names it
};

// The table, in matching order, and its length.
extern const AccessibleRole kAccessibleRoles[];
extern const std::size_t kAccessibleRoleCount;

// The table line of a control, nullptr for one screen readers do not see
// (layout panels, the title bar, the browser, an empty label).
const AccessibleRole* accessibleRoleOf(const Control& control);

// Fills role, name, value, description, default action and the control's
// own state bits (checked, pressed, selected, read-only, expanded, ...);
// false for a control without a line. The plugged describer.
bool describeControl(const Control& control, AccessibleFacts& facts);
// Performs the default action later, from the dispatcher (a Click for the
// buttons, selecting a list item, opening a combo box), never inside the
// screen reader's call; false when the control has none.
bool performDefaultAction(Control& control);

// Plugs the two into core (CorePlugs::describeAccessible, accessibleAction).
void plugAccessibleRoles();
// Takes them out again.
void unplugAccessibleRoles();

}  // namespace dui
