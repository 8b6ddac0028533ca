// The methods of the controls that hold a value in a range, one set of names
// for all of them: setRange and getRange (the maximum), setValue and getValue.
// "ProgressBar" objects get them by type name (with setPosition, the same as
// their setValue); sliders, whose type name "Control" they share with others,
// get them by class.
#include "dui/controls/slider.h"
#include "dui/controls/progress_bar.h"
#include "script/control_methods.h"
#include "script/control_object.h"
#include "script/lua_convert.h"

namespace kavri {
namespace {

template <class T>
T* resolveAs(lua_State* L) {
  return dynamic_cast<T*>(resolveControl(L));
}

std::int32_t argInt32(lua_State* L, int index) { return static_cast<std::int32_t>(argInteger(L, index)); }

// Progress bar: setValue stores the smaller of n and the range (no lower
// bound); setRange does not clamp the position again.
int barSetRange(lua_State* L) {
  if (auto* bar = resolveAs<dui::ProgressBar>(L)) bar->setRange(argInt32(L, 2));
  return 0;
}
int barSetValue(lua_State* L) {
  if (auto* bar = resolveAs<dui::ProgressBar>(L)) bar->setPosition(argInt32(L, 2));
  return 0;
}
int barGetValue(lua_State* L) {
  auto* bar = resolveAs<dui::ProgressBar>(L);
  if (!bar) return 0;
  lua_pushinteger(L, bar->position());
  return 1;
}
int barGetRange(lua_State* L) {
  auto* bar = resolveAs<dui::ProgressBar>(L);
  if (!bar) return 0;
  lua_pushinteger(L, bar->range());
  return 1;
}

// Slider: values stay within 0 .. range; a change raises ValueChange, as the
// user's does.
int sliderSetRange(lua_State* L) {
  if (auto* slider = resolveAs<dui::Slider>(L)) slider->setRange(argInt32(L, 2));
  return 0;
}
int sliderSetValue(lua_State* L) {
  if (auto* slider = resolveAs<dui::Slider>(L)) slider->setValue(argInt32(L, 2));
  return 0;
}
int sliderGetValue(lua_State* L) {
  auto* slider = resolveAs<dui::Slider>(L);
  if (!slider) return 0;
  lua_pushinteger(L, slider->value());
  return 1;
}
int sliderGetRange(lua_State* L) {
  auto* slider = resolveAs<dui::Slider>(L);
  if (!slider) return 0;
  lua_pushinteger(L, slider->maximum());
  return 1;
}

const luaL_Reg kSliderMethods[] = {{"setRange", guardedCall<sliderSetRange>},
                                   {"getRange", guardedCall<sliderGetRange>},
                                   {"setValue", guardedCall<sliderSetValue>},
                                   {"getValue", guardedCall<sliderGetValue>},
                                   {nullptr, nullptr}};

}  // namespace

const luaL_Reg kProgressBarMethods[] = {{"setRange", guardedCall<barSetRange>},
                                        {"getRange", guardedCall<barGetRange>},
                                        {"setValue", guardedCall<barSetValue>},
                                        {"getValue", guardedCall<barGetValue>},
                                        {"setPosition", guardedCall<barSetValue>},
                                        {nullptr, nullptr}};

const luaL_Reg* valueMethods(const dui::Control* control) {
  return dynamic_cast<const dui::Slider*>(control) ? kSliderMethods : nullptr;
}

}  // namespace kavri
