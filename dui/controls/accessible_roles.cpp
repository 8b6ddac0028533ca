// The role table and the facts and default actions of the controls.
#include "dui/controls/accessible_roles.h"

#include <windows.h>
#include <oleacc.h>

#include <cstdint>
#include <string>
#include <typeinfo>

#include "dui/controls/button_family.h"
#include "dui/controls/combo_box.h"
#include "dui/controls/combo_drop_down.h"
#include "dui/controls/edit.h"
#include "dui/controls/label.h"
#include "dui/controls/list_box.h"
#include "dui/controls/page_controls.h"
#include "dui/controls/scroll_bar.h"
#include "dui/controls/scroll_panel.h"
#include "dui/controls/slider.h"
#include "dui/controls/text_box.h"
#include "dui/core/access_keys.h"
#include "dui/core/accessible_object.h"
#include "dui/core/control_registry.h"
#include "dui/core/core_plugs.h"
#include "dui/core/deferred_call.h"
#include "dui/core/layout_panels.h"

namespace dui {
namespace {

template <class T>
bool isA(const Control& c) {
  return dynamic_cast<const T*>(&c) != nullptr;
}

// The list box whose item this control is, or nullptr.
ListBox* listOfItem(const Control& c) {
  Control* stack = c.parent();
  auto* list = stack ? dynamic_cast<ListBox*>(stack->parent()) : nullptr;
  return list && list->itemStack() == stack ? list : nullptr;
}

bool isListItem(const Control& c) { return listOfItem(c) != nullptr; }
bool isTextLabel(const Control& c) {
  return typeid(c) == typeid(Label) && !withoutAccessKeyMarkers(c.getText()).empty();
}
bool isPlainScrollPanel(const Control& c) { return typeid(c) == typeid(ScrollPanel); }
bool isToggle(const Control& c) { return isA<ToggleButton>(c); }

}  // namespace

const AccessibleRole kAccessibleRoles[] = {
    // kind            test                      role                        action    text   label
    {"list item",      isListItem,               ROLE_SYSTEM_LISTITEM,       L"Select", true,  false},
    {"check box",      isA<CheckBox>,            ROLE_SYSTEM_CHECKBUTTON,    L"Check",  true,  false},
    {"option button",  isA<RadioButton>,         ROLE_SYSTEM_RADIOBUTTON,    L"Check",  true,  false},
    {"page tab",       isA<TabItem>,             ROLE_SYSTEM_PAGETAB,        L"Switch", true,  false},
    {"toggle button",  isToggle,                 ROLE_SYSTEM_PUSHBUTTON,     L"Press",  true,  false},
    {"push button",    isA<Button>,              ROLE_SYSTEM_PUSHBUTTON,     L"Press",  true,  false},
    {"link",           isA<LinkLabel>,           ROLE_SYSTEM_LINK,           L"Jump",   true,  false},
    {"text",           isTextLabel,              ROLE_SYSTEM_STATICTEXT,     nullptr,   true,  false},
    {"text box",       isA<TextBox>,             ROLE_SYSTEM_TEXT,           nullptr,   false, true},
    {"edit",           isA<Edit>,                ROLE_SYSTEM_TEXT,           nullptr,   false, true},
    {"list",           isA<ListBox>,             ROLE_SYSTEM_LIST,           nullptr,   false, true},
    {"combo box",      isA<ComboBox>,            ROLE_SYSTEM_COMBOBOX,       L"Open",   false, true},
    {"progress bar",   isA<ProgressBar>,         ROLE_SYSTEM_PROGRESSBAR,    nullptr,   false, true},
    {"slider",         isA<Slider>,              ROLE_SYSTEM_SLIDER,         nullptr,   false, true},
    {"scroll bar",     isA<ScrollBar>,           ROLE_SYSTEM_SCROLLBAR,      nullptr,   false, false},
    {"scroll panel",   isPlainScrollPanel,       ROLE_SYSTEM_PANE,           nullptr,   false, true},
    {"page tab list",  isA<TabControl>,          ROLE_SYSTEM_PAGETABLIST,    nullptr,   false, false},
    {"graphic",        isA<Drawing>,             ROLE_SYSTEM_GRAPHIC,        nullptr,   false, false},
    {"slideshow",      isA<PowerPoint>,          ROLE_SYSTEM_GRAPHIC,        nullptr,   false, false},
};
const std::size_t kAccessibleRoleCount = sizeof kAccessibleRoles / sizeof kAccessibleRoles[0];

const AccessibleRole* accessibleRoleOf(const Control& control) {
  for (const AccessibleRole& line : kAccessibleRoles)
    if (line.is(control)) return &line;
  return nullptr;
}

namespace {

std::wstring percentOf(const ProgressBar& bar) {
  if (bar.range() <= 0) return L"0%";
  std::int64_t percent = std::int64_t{bar.position()} * 100 / bar.range();
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  return std::to_wstring(percent) + L"%";
}

// The value and the state bits only the control knows.
void addValueAndState(const Control& c, AccessibleFacts& facts) {
  const bool checked = c.hasFlag(flags::Checked);
  switch (facts.role) {
    case ROLE_SYSTEM_CHECKBUTTON:
      if (checked) facts.state |= STATE_SYSTEM_CHECKED;
      facts.defaultAction = checked ? L"Uncheck" : L"Check";
      break;
    case ROLE_SYSTEM_RADIOBUTTON:
      if (checked) facts.state |= STATE_SYSTEM_CHECKED;
      break;
    case ROLE_SYSTEM_PAGETAB:
      facts.state |= STATE_SYSTEM_SELECTABLE;
      if (checked) facts.state |= STATE_SYSTEM_SELECTED;
      break;
    case ROLE_SYSTEM_PUSHBUTTON:
      if (isToggle(c) && checked) facts.state |= STATE_SYSTEM_PRESSED;
      break;
    case ROLE_SYSTEM_LISTITEM:
      facts.state |= STATE_SYSTEM_SELECTABLE;
      if (checked) facts.state |= STATE_SYSTEM_SELECTED;
      break;
    case ROLE_SYSTEM_STATICTEXT:
      facts.state |= STATE_SYSTEM_READONLY;
      break;
    case ROLE_SYSTEM_LINK:
      facts.state |= STATE_SYSTEM_LINKED;
      break;
    case ROLE_SYSTEM_TEXT:
      facts.hasValue = true;
      if (auto* box = dynamic_cast<const TextBox*>(&c)) {
        facts.value = box->text();
      } else if (auto* edit = dynamic_cast<const Edit*>(&c)) {
        facts.value = edit->text();
        if (!edit->model().editable()) facts.state |= STATE_SYSTEM_READONLY;
      }
      break;
    case ROLE_SYSTEM_LIST:
      facts.hasValue = true;
      facts.value = static_cast<const ListBox&>(c).selectedText();
      break;
    case ROLE_SYSTEM_COMBOBOX: {
      const auto& combo = static_cast<const ComboBox&>(c);
      facts.hasValue = true;
      facts.value = c.getText();
      facts.state |= STATE_SYSTEM_HASPOPUP | (combo.dropped() ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED);
      if (combo.dropped()) facts.defaultAction = L"Close";
      break;
    }
    case ROLE_SYSTEM_PROGRESSBAR:
      facts.hasValue = true;
      facts.value = percentOf(static_cast<const ProgressBar&>(c));
      facts.state |= STATE_SYSTEM_READONLY;
      break;
    case ROLE_SYSTEM_SLIDER:
      facts.hasValue = true;
      facts.value = std::to_wstring(static_cast<const Slider&>(c).value());
      break;
    case ROLE_SYSTEM_SCROLLBAR:
      facts.hasValue = true;
      facts.value = std::to_wstring(static_cast<const ScrollBar&>(c).position());
      break;
    default:
      break;
  }
}

// A deferred default action: the control and its serial, checked again when
// the dispatcher runs it.
void runListItemChoice(void* target, void* serial, void*) {
  auto* item = static_cast<Control*>(target);
  if (!isLive(item, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(serial)))) return;
  if (ListBox* list = listOfItem(*item)) list->chooseByUser(item);
}

void runComboOpening(void* target, void* serial, void*) {
  auto* combo = static_cast<ComboBox*>(target);
  if (!isLive(combo, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(serial)))) return;
  if (combo->dropped()) {
    if (ComboHelperWnd* drop = combo->dropDown()) drop->close();
  } else {
    combo->openDropDown();
  }
}

bool postLater(Control& control, void (*function)(void*, void*, void*)) {
  auto* call = new DeferredCall;
  call->target = &control;
  call->function = function;
  call->first = reinterpret_cast<void*>(static_cast<std::uintptr_t>(control.serial()));
  return postDeferredCall(call);
}

}  // namespace

bool describeControl(const Control& control, AccessibleFacts& facts) {
  const AccessibleRole* line = accessibleRoleOf(control);
  if (!line) return false;
  facts.role = line->role;
  if (line->action) facts.defaultAction = line->action;
  if (line->namedByText) facts.name = shownText(control);
  facts.namedByLabel = line->namedByLabel;
  addValueAndState(control, facts);
  return true;
}

bool performDefaultAction(Control& control) {
  const AccessibleRole* line = accessibleRoleOf(control);
  if (!line || !line->action) return false;
  if (line->role == ROLE_SYSTEM_LISTITEM) return postLater(control, &runListItemChoice);
  if (line->role == ROLE_SYSTEM_COMBOBOX) return postLater(control, &runComboOpening);
  return postEvent(&control, makeEvent(events::Click));
}

void plugAccessibleRoles() {
  CorePlugs plugs = corePlugs();
  plugs.describeAccessible = &describeControl;
  plugs.accessibleAction = &performDefaultAction;
  replaceCorePlugs(plugs);
}

void unplugAccessibleRoles() {
  CorePlugs plugs = corePlugs();
  plugs.describeAccessible = nullptr;
  plugs.accessibleAction = nullptr;
  replaceCorePlugs(plugs);
}

}  // namespace dui
