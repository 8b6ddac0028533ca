// Which extra methods a control object gets, by its control's type name.
// Adding a type: one line here and its table in its own file.
#include "script/control_methods.h"

namespace kavri {

const ControlTypeMethods kControlTypeMethods[] = {
    {L"Panel", kPanelMethods},
    {L"Button", kButtonMethods},
    {L"TextBox", kTextBoxMethods},
    {L"Edit", kEditMethods},
    {L"Control", kBrowserMethods},
    {L"PowerPoint", kPowerPointMethods},
    {L"ProgressBar", kProgressBarMethods},
};
const int kControlTypeMethodCount = sizeof(kControlTypeMethods) / sizeof(kControlTypeMethods[0]);

}  // namespace kavri
