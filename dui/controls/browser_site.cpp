// BrowserSite: the container interfaces of the embedded browser, its event
// sink, and the subclassed inner window with the accelerator hand-off.
#include "dui/controls/browser_site.h"

#include <exdisp.h>
#include <exdispid.h>

#include <map>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dui/controls/web_browser.h"
#include "dui/core/window_messages.h"
#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace dui {
namespace {

// The in-place active objects the browsers reported through SetActiveObject
// (each reference owned by its site). UI thread only.
std::set<IOleInPlaceActiveObject*>& activeObjects() {
  static std::set<IOleInPlaceActiveObject*> objects;
  return objects;
}

// Previous window procedures of the subclassed inner windows.
std::map<HWND, WNDPROC>& previousProcedures() {
  static std::map<HWND, WNDPROC> procedures;
  return procedures;
}

// Set while the active objects translate a message, so a message they send
// back to the window is not offered to them again.
bool g_translating = false;

// A diagnostic from a place no exception may leave: a line that cannot be
// written for want of memory is dropped.
void logQuietly(const wchar_t* text) noexcept {
  try {
    kavri::debugLog(text);
  } catch (...) {
  }
}

// Throws std::bad_alloc when the copy of the set cannot be made; nothing has
// been offered then.
bool offerToActiveObjects(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_translating || message < WM_KEYFIRST || message > WM_KEYLAST || activeObjects().empty()) return false;
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = ::GetTickCount();
  ::GetCursorPos(&msg.pt);
  // A copy with references of its own: a translation may change the set.
  std::vector<kavri::ComRef<IOleInPlaceActiveObject>> objects;
  objects.reserve(activeObjects().size());
  for (IOleInPlaceActiveObject* object : activeObjects()) objects.push_back(kavri::ComRef<IOleInPlaceActiveObject>::share(object));
  struct Translating {
    Translating() { g_translating = true; }
    ~Translating() { g_translating = false; }
  } translating;
  for (auto& object : objects) {
    if (object->TranslateAccelerator(&msg) == S_OK) return true;
  }
  return false;
}

LRESULT CALLBACK innerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto found = previousProcedures().find(window);
  if (found == previousProcedures().end()) return ::DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC previous = found->second;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    previousProcedures().erase(found);
    return ::CallWindowProcW(previous, window, message, wParam, lParam);
  }
  try {
    if (offerToActiveObjects(window, message, wParam, lParam)) return 0;
  } catch (...) {
    // No memory for the copy of the set: the page gets the key unoffered.
    logQuietly(L"browser window: a key could not be offered to the active objects");
  }
  if (message == WM_ERASEBKGND) return 1;
  return ::CallWindowProcW(previous, window, message, wParam, lParam);
}

// Argument `index` in the order the event declares them (DISPPARAMS keeps
// them last to first), or null.
VARIANT* argument(DISPPARAMS* params, UINT index) {
  if (!params || !params->rgvarg || index >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}

// The text of a string argument, passed by value or by reference.
std::wstring stringArgument(const VARIANT* value) {
  while (value && V_VT(value) == (VT_BYREF | VT_VARIANT)) value = V_VARIANTREF(value);
  if (!value) return std::wstring();
  if (V_VT(value) == VT_BSTR && V_BSTR(value)) return std::wstring(V_BSTR(value), ::SysStringLen(V_BSTR(value)));
  if (V_VT(value) == (VT_BYREF | VT_BSTR) && V_BSTRREF(value) && *V_BSTRREF(value))
    return std::wstring(*V_BSTRREF(value), ::SysStringLen(*V_BSTRREF(value)));
  return std::wstring();
}

template <class T>
HRESULT noObject(T** out) {
  if (out) *out = nullptr;
  return S_FALSE;
}

}  // namespace

bool subclassBrowserInnerWindow(HWND window) noexcept {
  if (!window || !::IsWindow(window)) return false;
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process != ::GetCurrentProcessId()) return false;
  auto& procedures = previousProcedures();
  if (procedures.count(window)) return true;
  // The entry comes first: when there is no memory for it, the window is
  // left as it was instead of subclassed with nowhere to find its procedure.
  std::map<HWND, WNDPROC>::iterator entry;
  try {
    entry = procedures.emplace(window, nullptr).first;
  } catch (...) {
    return false;
  }
  const LONG_PTR previous =
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&innerWindowProc));
  if (!previous) {
    procedures.erase(entry);
    return false;
  }
  entry->second = reinterpret_cast<WNDPROC>(previous);
  return true;
}

bool isBrowserInnerWindowSubclassed(HWND window) noexcept { return previousProcedures().count(window) != 0; }

BrowserSite::BrowserSite(WebBrowser* owner) : owner_(owner) {}

BrowserSite::~BrowserSite() { browserGone(); }

void BrowserSite::browserGone() noexcept {
  subclassed_ = false;
  if (!activeObject_) return;
  activeObjects().erase(activeObject_);
  std::exchange(activeObject_, nullptr)->Release();
}

void BrowserSite::disconnect() noexcept {
  owner_ = nullptr;
  browserGone();
}

// --- IUnknown

HRESULT BrowserSite::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
    *object = static_cast<IDocHostUIHandler*>(this);
  } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
    *object = static_cast<IDispatch*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG BrowserSite::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG BrowserSite::Release() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// --- IOleClientSite

HRESULT BrowserSite::SaveObject() { return E_NOTIMPL; }

HRESULT BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT BrowserSite::ShowObject() { return S_OK; }
HRESULT BrowserSite::OnShowWindow(WINBOOL) { return S_OK; }
HRESULT BrowserSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// --- IOleWindow

HRESULT BrowserSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = owner_ ? owner_->hostWindow() : nullptr;
  return *window ? S_OK : E_FAIL;
}

HRESULT BrowserSite::ContextSensitiveHelp(WINBOOL) { return E_NOTIMPL; }

// --- IOleInPlaceSite

HRESULT BrowserSite::CanInPlaceActivate() { return owner_ && owner_->hostWindow() ? S_OK : S_FALSE; }
HRESULT BrowserSite::OnInPlaceActivate() { return S_OK; }
HRESULT BrowserSite::OnUIActivate() { return S_OK; }

HRESULT BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame) *frame = nullptr;
  if (document) *document = nullptr;
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  HWND host = owner_ ? owner_->hostWindow() : nullptr;
  if (!host) return E_FAIL;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *position = owner_->placement();
  *clip = *position;
  info->fMDIApp = FALSE;
  info->hwndFrame = host;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT BrowserSite::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT BrowserSite::OnUIDeactivate(WINBOOL) { return S_OK; }
HRESULT BrowserSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT BrowserSite::DiscardUndoState() { return E_NOTIMPL; }
HRESULT BrowserSite::DeactivateAndUndo() { return E_NOTIMPL; }
HRESULT BrowserSite::OnPosRectChange(LPCRECT) { return S_OK; }

// --- IOleInPlaceUIWindow / IOleInPlaceFrame

HRESULT BrowserSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT BrowserSite::SetBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }

HRESULT BrowserSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) noexcept {
  if (object == activeObject_) return S_OK;
  const bool keepSubclassed = subclassed_;
  browserGone();
  subclassed_ = keepSubclassed;
  // A site whose control is gone lists nothing: its browser is on the way out.
  if (!object || !owner_) return S_OK;
  try {
    activeObjects().insert(object);   // first: a failure leaves no reference taken
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  object->AddRef();
  activeObject_ = object;
  return S_OK;
}

HRESULT BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
HRESULT BrowserSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT BrowserSite::RemoveMenus(HMENU) { return E_NOTIMPL; }
HRESULT BrowserSite::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT BrowserSite::EnableModeless(WINBOOL) { return S_OK; }
HRESULT BrowserSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// --- IDocHostUIHandler

HRESULT BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }

HRESULT BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->cbSize = sizeof(DOCHOSTUIINFO);
  info->dwFlags = DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_NO3DBORDER;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

HRESULT BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                            IOleInPlaceUIWindow*) {
  return S_OK;
}
HRESULT BrowserSite::HideUI() { return S_OK; }
HRESULT BrowserSite::UpdateUI() { return S_OK; }
HRESULT BrowserSite::OnDocWindowActivate(WINBOOL) { return S_OK; }
HRESULT BrowserSite::OnFrameWindowActivate(WINBOOL) { return S_OK; }
HRESULT BrowserSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) { return S_OK; }
HRESULT BrowserSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

HRESULT BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return S_FALSE;
}

HRESULT BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** replacement) { return noObject(replacement); }
HRESULT BrowserSite::GetExternal(IDispatch** external) { return noObject(external); }
HRESULT BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) { return noObject(out); }
HRESULT BrowserSite::FilterDataObject(IDataObject*, IDataObject** replacement) { return noObject(replacement); }

// --- IDispatch

HRESULT BrowserSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT BrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

void BrowserSite::trySubclassInnerWindow() noexcept {
  if (subclassed_ || !owner_) return;
  HWND shell = owner_->browserWindow();
  HWND view = shell ? ::GetWindow(shell, GW_CHILD) : nullptr;
  HWND inner = view ? ::GetWindow(view, GW_CHILD) : nullptr;
  // Until the browser has built its inner window there is nothing to
  // subclass; a later event tries again.
  if (inner) subclassed_ = subclassBrowserInnerWindow(inner);
}

HRESULT BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                            UINT*) noexcept {
  try {
    return navigationEvent(id, params);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT BrowserSite::navigationEvent(DISPID id, DISPPARAMS* params) {
  // Held for the call: a handler of the messages may destroy the control,
  // which drops its reference to this object.
  kavri::ComRef<BrowserSite> self = kavri::ComRef<BrowserSite>::share(this);
  trySubclassInnerWindow();
  switch (id) {
    case DISPID_BEFORENAVIGATE2: {
      // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
      const std::wstring address = stringArgument(argument(params, 1));
      if (HWND host = owner_ ? owner_->hostWindow() : nullptr)
        ::SendMessageW(host, kMsgBeforeNavigate, reinterpret_cast<WPARAM>(address.c_str()), 0);
      return S_OK;
    }
    case DISPID_NAVIGATECOMPLETE2:
      if (HWND host = owner_ ? owner_->hostWindow() : nullptr) ::PostMessageW(host, kMsgNavigateDone, 0, 0);
      return S_OK;
    case DISPID_FILEDOWNLOAD:
      // (ActiveDocument, Cancel), or only (Cancel) from older browsers: the
      // one boolean passed by reference is the cancel flag.
      for (UINT i = 0; params && params->rgvarg && i < params->cArgs; ++i) {
        VARIANT& value = params->rgvarg[i];
        if (V_VT(&value) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&value)) {
          *V_BOOLREF(&value) = VARIANT_TRUE;
          break;
        }
      }
      return S_OK;
    default:
      return E_NOTIMPL;
  }
}

}  // namespace dui
