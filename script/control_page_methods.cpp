// Extra methods of "ProgressBar" and "PowerPoint" objects: the bar's range and
// position, and starting and stopping the slideshow.
#include "dui/controls/progress_bar.h"
#include "dui/controls/slideshow.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

template <class T>
T* resolveAs(lua_State* L) {
  return dynamic_cast<T*>(resolveControl(L));
}

int setRange(lua_State* L) {
  if (auto* bar = resolveAs<dui::ProgressBar>(L)) bar->setRange(static_cast<std::int32_t>(argInteger(L, 2)));
  return 0;
}

int setPosition(lua_State* L) {
  if (auto* bar = resolveAs<dui::ProgressBar>(L)) bar->setPosition(static_cast<std::int32_t>(argInteger(L, 2)));
  return 0;
}

int playStart(lua_State* L) {
  if (auto* show = resolveAs<dui::PowerPoint>(L)) show->playStart();
  return 0;
}

int playStop(lua_State* L) {
  if (auto* show = resolveAs<dui::PowerPoint>(L)) show->playStop();
  return 0;
}

}  // namespace

const luaL_Reg kProgressBarMethods[] = {{"setRange", guardedCall<setRange>},
                                        {"setPosition", guardedCall<setPosition>},
                                        {nullptr, nullptr}};

const luaL_Reg kPowerPointMethods[] = {{"playStart", guardedCall<playStart>},
                                       {"playStop", guardedCall<playStop>},
                                       {nullptr, nullptr}};

}  // namespace kavri
