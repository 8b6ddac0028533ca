// The places where the layers above plug into dui/core, in one table: where
// drawing finds the skin, how a window gets its control tree from a layout
// name, how a deferred call reaches the UI thread, and what the script host
// hears when a control or a window it knows dies.
//
//   entry               filled by            when empty
//   skinSource          markup start-up      nothing skinned is drawn; windows
//                       (SkinResources)      paint with the system GUI font
//   loadLayoutRoot      markup start-up      windows get an empty root panel,
//                       (LayoutLoader)       a shadow its built-in border
//   deferredDispatcher  framework start-up   post event and deferred calls do nothing
//   controlForgotten    script host          nobody is told
//   windowDestroyed     script host          nobody is told
//   navigationMessage   script host          the navigation messages end at
//                                            the window
//   describeAccessible  markup start-up      screen readers see push buttons
//                       (the controls'       and the window; nothing else
//   accessibleAction     accessible facts)   no default actions
//
// Tests install their own table and restore the previous one.
#pragma once

#include <string>

namespace dui {

class Control;
class DeferredDispatcher;
struct AccessibleFacts;
class SkinSource;
class WindowImpl;

struct CorePlugs {
  // Styles, images and fonts by name (Control::draw, the controls, the
  // windows' "Default" font). Must outlive every draw while plugged in.
  SkinSource* skinSource;
  // Builds a control tree from a layout file by name; nullptr when it cannot.
  Control* (*loadLayoutRoot)(const std::wstring& layoutName);
  // The window side of deferred calls (dui/core/deferred_call.h); must stay
  // valid while plugged in, as any thread may post through it.
  DeferredDispatcher* deferredDispatcher;
  // A control with flags::ScriptBound dies (the host drops its script object).
  void (*controlForgotten)(Control* control);
  // A window is destroyed, before its object goes (the host forgets the
  // window, its timers and its application handler).
  void (*windowDestroyed)(WindowImpl* window);
  // A browser in the window reported a navigation: kMsgBeforeNavigate with
  // the address (never null), or kMsgNavigateDone with an empty text (the
  // host hands them to the window's script).
  void (*navigationMessage)(WindowImpl* window, unsigned message, const wchar_t* address);
  // What a control is to a screen reader: role, name, value, state bits and
  // default action (dui/core/accessible_object.h). False leaves the
  // control out of the window's accessible children.
  bool (*describeAccessible)(const Control& control, AccessibleFacts& facts);
  // Performs the control's default action (press, check, select, open) as
  // the user would; false when it has none.
  bool (*accessibleAction)(Control& control);
};

// The table in use, as a copy: each entry is read atomically, because other
// threads read the dispatcher while the UI thread may re-plug the skin.
CorePlugs corePlugs();
// Installs `plugs` and returns the previous table, so a caller can restore
// it. Plugging happens on the UI thread.
CorePlugs replaceCorePlugs(const CorePlugs& plugs);

}  // namespace dui
