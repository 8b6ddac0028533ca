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

using dui::ProgressBar;
using dui::Slider;

// control:set...(n): the member `Set` of a T with n.
template <class T, auto Set>
int setNumber(lua_State* L) {
  if (T* control = resolveAs<T>(L)) (control->*Set)(static_cast<std::int32_t>(argInteger(L, 2)));
  return 0;
}

// control:get...() -> the member `Get` of a T.
template <class T, auto Get>
int getNumber(lua_State* L) {
  T* control = resolveAs<T>(L);
  if (!control) return 0;
  lua_pushinteger(L, (control->*Get)());
  return 1;
}

// Slider: values stay within 0 .. range; a change raises ValueChange, as the
// user's does.
const luaL_Reg kSliderMethods[] = {{"setRange", guardedCall<setNumber<Slider, &Slider::setRange>>},
                                   {"getRange", guardedCall<getNumber<Slider, &Slider::maximum>>},
                                   {"setValue", guardedCall<setNumber<Slider, &Slider::setValue>>},
                                   {"getValue", guardedCall<getNumber<Slider, &Slider::value>>},
                                   {nullptr, nullptr}};

}  // namespace

// Progress bar: setValue stores the smaller of n and the range (no lower
// bound); setRange does not clamp the position again.
const luaL_Reg kProgressBarMethods[] = {
    {"setRange", guardedCall<setNumber<ProgressBar, &ProgressBar::setRange>>},
    {"getRange", guardedCall<getNumber<ProgressBar, &ProgressBar::range>>},
    {"setValue", guardedCall<setNumber<ProgressBar, &ProgressBar::setPosition>>},
    {"getValue", guardedCall<getNumber<ProgressBar, &ProgressBar::position>>},
    {"setPosition", guardedCall<setNumber<ProgressBar, &ProgressBar::setPosition>>},
    {nullptr, nullptr}};

const luaL_Reg* valueMethods(const dui::Control* control) {
  return dynamic_cast<const dui::Slider*>(control) ? kSliderMethods : nullptr;
}

}  // namespace kavri
