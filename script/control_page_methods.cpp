// Extra methods of "PowerPoint" objects: starting and stopping the slideshow.
#include "dui/controls/slideshow.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

int playStart(lua_State* L) {
  if (auto* show = resolveAs<dui::PowerPoint>(L)) show->playStart();
  return 0;
}

int playStop(lua_State* L) {
  if (auto* show = resolveAs<dui::PowerPoint>(L)) show->playStop();
  return 0;
}

}  // namespace

const luaL_Reg kPowerPointMethods[] = {{"playStart", guardedCall<playStart>},
                                       {"playStop", guardedCall<playStop>},
                                       {nullptr, nullptr}};

}  // namespace kavri
