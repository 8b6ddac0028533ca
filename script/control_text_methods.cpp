// Extra methods of "TextBox" and "Edit" objects: the control's own content
// replaces the common pair, which reads and writes the "text" attribute.
#include "dui/controls/edit.h"
#include "dui/controls/text_box.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

// setText: replaces the content (a TextBox ignores its own current text and
// cuts a longer one to its buffer), then repaints.
template <class T>
int setText(lua_State* L) {
  if (T* control = resolveAs<T>(L)) control->setText(argText(L, 2));
  return 0;
}

template <class T>
int getText(lua_State* L) {
  T* control = resolveAs<T>(L);
  if (!control) return 0;
  pushWide(L, control->text());
  return 1;
}

}  // namespace

const luaL_Reg kTextBoxMethods[] = {{"setText", guardedCall<setText<dui::TextBox>>},
                                    {"getText", guardedCall<getText<dui::TextBox>>},
                                    {nullptr, nullptr}};

const luaL_Reg kEditMethods[] = {{"setText", guardedCall<setText<dui::Edit>>},
                                 {"getText", guardedCall<getText<dui::Edit>>},
                                 {nullptr, nullptr}};

}  // namespace kavri
