// BrowserSite: the container side of the embedded browser object. One COM
// object answers the client site, in-place site and frame, the UI handler and
// the navigation event sink for one WebBrowser control.
//
// The browser counts references on this object, never on the control: the
// control tree owns the control, and the control holds one reference here.
// When the control goes it disconnects the site, which then answers every
// call as a container that has nothing to offer, so late calls from the
// browser are harmless. No exception leaves a method the browser calls: the
// two that allocate (Invoke, SetActiveObject) answer E_OUTOFMEMORY instead.
#pragma once

#include <windows.h>
#include <mshtmhst.h>
#include <ole2.h>

namespace dui {

class WebBrowser;

class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IDispatch {
 public:
  // Starts with one reference, the owner's.
  explicit BrowserSite(WebBrowser* owner);
  BrowserSite(const BrowserSite&) = delete;
  BrowserSite& operator=(const BrowserSite&) = delete;

  // The owner's browser was torn down: drop the active object it reported
  // and subclass the next browser's inner window afresh.
  void browserGone() noexcept;
  // The owner is going: forget it (and everything browserGone drops).
  void disconnect() noexcept;
  bool connected() const { return owner_ != nullptr; }

  // --- IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // --- IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override;
  HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL show) override;
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

  // --- IOleWindow (of both the in-place site and the frame): the host window.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL enterMode) override;

  // --- IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL undoable) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

  // --- IOleInPlaceUIWindow / IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) noexcept override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU menu, HOLEMENU shared, HWND activeObject) override;
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU menu) override;
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
  // Also IDocHostUIHandler::EnableModeless (same signature).
  HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL enable) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, WORD id) override;

  // --- IDocHostUIHandler: no context menu, no help menu, no 3D border.
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* at, IUnknown* target, IDispatch* object) override;
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* object, IOleCommandTarget* target,
                                   IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) override;
  HRESULT STDMETHODCALLTYPE HideUI() override;
  HRESULT STDMETHODCALLTYPE UpdateUI() override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, WINBOOL frameWindow) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID* group, DWORD command) override;
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* target, IDropTarget** replacement) override;
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR in, LPWSTR* out) override;
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* data, IDataObject** replacement) override;

  // --- IDispatch: the navigation events (DWebBrowserEvents2).
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  // 250 (before a navigation): sends 1126 to the host window with the target
  // address; 252 (navigation done): posts 1127; 270 (a file download): sets
  // its cancel argument; anything else: E_NOTIMPL. E_OUTOFMEMORY when the
  // address cannot be copied (nothing is sent then).
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override;

 private:
  ~BrowserSite();
  void trySubclassInnerWindow() noexcept;
  // Invoke's work; may throw std::bad_alloc.
  HRESULT navigationEvent(DISPID id, DISPPARAMS* params);

  LONG references_ = 1;
  WebBrowser* owner_;
  IOleInPlaceActiveObject* activeObject_ = nullptr;  // owned reference, also listed process-wide
  bool subclassed_ = false;
};

// Subclasses a browser's inner window, once per window: keyboard messages are
// first offered to the TranslateAccelerator of every in-place active object
// the browsers reported (one answering S_OK consumes the message, result 0),
// WM_ERASEBKGND answers 1 without erasing, everything else goes to the
// previous procedure, which is put back when the window is destroyed. A key
// that cannot be offered for want of memory goes to the previous procedure.
// False for no window, a window of another process, or no memory to
// remember the previous procedure (the window is then left as it was).
bool subclassBrowserInnerWindow(HWND window) noexcept;
// Whether the window is currently subclassed by subclassBrowserInnerWindow.
bool isBrowserInnerWindowSubclassed(HWND window) noexcept;

}  // namespace dui
