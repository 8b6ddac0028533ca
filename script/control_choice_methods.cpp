// The choice of a list box or a combo box as its object's text: getText reads
// the chosen item's text, setText chooses the item with that text. Neither
// raises ValueChange; that is for the user's choices.
#include "dui/controls/combo_box.h"
#include "dui/controls/list_box.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

// getText: the list's selected item's text, the combo's shown text; empty
// when nothing is chosen.
int getChoice(lua_State* L) {
  dui::Control* control = resolveControl(L);
  if (auto* list = dynamic_cast<dui::ListBox*>(control)) {
    pushWide(L, list->selectedText());
    return 1;
  }
  if (auto* combo = dynamic_cast<dui::ComboBox*>(control)) {
    pushWide(L, combo->getText());
    return 1;
  }
  return 0;
}

// setText(text): selects the first item with that text and answers true; a
// list without such an item keeps its selection and answers false; a combo
// shows the text anyway (no item selected) and answers false.
int setChoice(lua_State* L) {
  dui::Control* control = resolveControl(L);
  bool matched = false;
  if (auto* list = dynamic_cast<dui::ListBox*>(control)) {
    matched = list->selectText(argText(L, 2));
  } else if (auto* combo = dynamic_cast<dui::ComboBox*>(control)) {
    matched = combo->setChoice(argText(L, 2));
  } else {
    return 0;
  }
  lua_pushboolean(L, matched);
  return 1;
}

const luaL_Reg kChoiceMethods[] = {{"getText", guardedCall<getChoice>},
                                   {"setText", guardedCall<setChoice>},
                                   {nullptr, nullptr}};

}  // namespace

const luaL_Reg* choiceMethods(const dui::Control* control) {
  if (dynamic_cast<const dui::ListBox*>(control) || dynamic_cast<const dui::ComboBox*>(control))
    return kChoiceMethods;
  return nullptr;
}

}  // namespace kavri
