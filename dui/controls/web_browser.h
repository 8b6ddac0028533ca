// WebBrowser: a control that shows the system's web browser object inside its
// rectangle. Activated when attached to a window, torn down when detached,
// when activation fails and in the destructor. Before each navigation the
// host window is sent kMsgBeforeNavigate (1126, wParam the address) and after
// each one it is posted kMsgNavigateDone (1127); file downloads are refused.
// The "url" attribute, when it names an allowed address, is loaded once the
// browser is active; navigate() loads any allowed address later. The browser
// window follows the control (native_placement.h): moved and clipped with it,
// hidden with it, an ancestor or its tab page, moved when a scroll panel
// scrolls it; the window places it when it repaints, never while painting.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>

#include <string>

#include "dui/core/control.h"
#include "dui/core/geometry.h"
#include "support/win32_handles.h"

// The browser's automation interface, from <exdisp.h>; that header also names
// a global WebBrowser class, so it stays out of this one.
struct IWebBrowser2;

namespace dui {

class BrowserSite;

class WebBrowser : public Control {
 public:
  WebBrowser();
  ~WebBrowser() override;

  // Type name "Control".
  const wchar_t* typeName() const override;

  // Loads the address through the browser. False when the address is not an
  // http, https, about or file address, when the browser is not active, or
  // when the browser refuses it.
  bool navigate(const std::wstring& address);

  // Whether the browser object is active in the control.
  bool active() const { return static_cast<bool>(browser_); }
  // The browser object's own window (a child of the host window), or null.
  HWND browserWindow() const { return browserWindow_; }
  // The window showing the control (a real framework window), or null.
  HWND hostWindow() const;
  // Where the browser starts, in host window coordinates: the control's
  // rectangle, or the whole client area while layout has not placed it yet.
  // From then on the window's placements move it (onPlacementChanged).
  RECT placement() const;
  // The container object the browser talks to (for tests and the site).
  BrowserSite* site() const { return site_.get(); }

 private:
  void onAttached(Control* sender, Event& e);
  void onDetached(Control* sender, Event& e);
  // Creates and activates the browser in the host window; on any failure
  // everything is torn down and false is returned.
  bool activate(HWND host);
  void teardown();
  // Moves the browser onto the control's rectangle, clipped to what shows,
  // or hides it.
  void onPlacementChanged(Control* sender, Event& e);

  kavri::ComRef<IWebBrowser2> browser_;
  kavri::ComRef<IConnectionPoint> connection_;
  kavri::ComRef<IOleObject> oleObject_;
  DWORD cookie_ = 0;
  HWND host_ = nullptr;
  HWND browserWindow_ = nullptr;
  kavri::ComRef<BrowserSite> site_;
};

}  // namespace dui
