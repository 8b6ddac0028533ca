// WebBrowser: activation, placement, navigation and teardown of the hosted
// browser object.
#include "dui/controls/web_browser.h"

#include <exdisp.h>
#include <oleauto.h>

#include <utility>

#include "dui/controls/browser_address.h"
#include "dui/controls/browser_site.h"
#include "dui/core/attribute_names.h"
#include "dui/core/control_geometry.h"
#include "dui/core/host_window.h"
#include "dui/core/native_placement.h"
#include "dui/core/window_impl.h"

namespace dui {
namespace {

// A BSTR owned for the length of a call.
class ScopedBstr {
 public:
  explicit ScopedBstr(const std::wstring& text)
      : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~ScopedBstr() { ::SysFreeString(value_); }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

}  // namespace

WebBrowser::WebBrowser() : site_() {
  site_.attach(new BrowserSite(this));
  addHandler(events::Attached, this, &WebBrowser::onAttached);
  addHandler(events::Detached, this, &WebBrowser::onDetached);
  addHandler(events::PlacementChanged, this, &WebBrowser::onPlacementChanged);
}

WebBrowser::~WebBrowser() {
  teardown();
  site_->disconnect();
}

const wchar_t* WebBrowser::typeName() const { return L"Control"; }

HWND WebBrowser::hostWindow() const {
  auto* window = dynamic_cast<WindowImpl*>(this->window());
  return window ? window->hwnd() : nullptr;
}

// The browser is a child window: its place is in the host's pixels.
RECT WebBrowser::placement() const {
  Rect r;
  if (absoluteRect(this, r) && r.right > r.left && r.bottom > r.top) {
    if (auto* window = dynamic_cast<WindowImpl*>(this->window())) r = window->dpiScale().toDevice(r);
    return RECT{r.left, r.top, r.right, r.bottom};
  }
  RECT client{};
  if (HWND host = hostWindow()) ::GetClientRect(host, &client);
  return client;
}

void WebBrowser::onAttached(Control* sender, Event&) {
  if (sender != this) return;
  HWND host = hostWindow();
  if (!host || (active() && host == host_)) return;
  teardown();  // attached to another window: start over there
  if (!activate(host)) return;
  if (HostWindow* window = this->window()) window->followNativeChild(this);
  if (const std::wstring* first = findString(names::url)) {
    if (!first->empty()) navigate(*first);
  }
}

void WebBrowser::onDetached(Control* sender, Event&) {
  if (sender == this) teardown();
}

bool WebBrowser::activate(HWND host) {
  host_ = host;
  // The host paints its controls over its whole client area; the browser's
  // window must stay out of that.
  const LONG_PTR style = ::GetWindowLongPtrW(host, GWL_STYLE);
  if (!(style & WS_CLIPCHILDREN)) ::SetWindowLongPtrW(host, GWL_STYLE, style | WS_CLIPCHILDREN);

  kavri::ComRef<IOleObject> object;
  HRESULT hr = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                  IID_IOleObject, object.putVoid());
  if (FAILED(hr) || !object) {
    teardown();
    return false;
  }
  oleObject_ = object;
  // The site goes in before activation, whether or not the object's status
  // asks for it first: in-place activation needs it either way.
  auto* clientSite = static_cast<IOleClientSite*>(site_.get());
  if (FAILED(object->SetClientSite(clientSite))) {
    teardown();
    return false;
  }
  RECT position = placement();
  hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, host, &position);
  // The activation may have run a message loop in which the control was
  // detached; then teardown has already run and nothing is left to do.
  if (FAILED(hr) || !oleObject_) {
    teardown();
    return false;
  }
  kavri::ComRef<IWebBrowser2> browser;
  kavri::ComRef<IOleWindow> oleWindow;
  kavri::ComRef<IConnectionPointContainer> container;
  kavri::ComRef<IConnectionPoint> connection;
  HWND browserWindow = nullptr;
  DWORD cookie = 0;
  if (FAILED(object->QueryInterface(IID_IWebBrowser2, browser.putVoid())) || !browser ||
      FAILED(object->QueryInterface(IID_IOleWindow, oleWindow.putVoid())) || !oleWindow ||
      FAILED(oleWindow->GetWindow(&browserWindow)) || !browserWindow ||
      FAILED(object->QueryInterface(IID_IConnectionPointContainer, container.putVoid())) || !container ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, connection.put())) || !connection) {
    teardown();
    return false;
  }
  browser_ = browser;
  browserWindow_ = browserWindow;
  connection_ = connection;
  if (FAILED(connection->Advise(static_cast<IDispatch*>(site_.get()), &cookie)) || cookie == 0) {
    teardown();
    return false;
  }
  cookie_ = cookie;
  return true;
}

void WebBrowser::teardown() {
  // Everything is moved out first: a call below may re-enter (a message
  // loop inside the browser), and a second teardown must find nothing.
  kavri::ComRef<IConnectionPoint> connection = std::move(connection_);
  kavri::ComRef<IWebBrowser2> browser = std::move(browser_);
  kavri::ComRef<IOleObject> object = std::move(oleObject_);
  const DWORD cookie = std::exchange(cookie_, 0);
  HWND browserWindow = std::exchange(browserWindow_, nullptr);
  host_ = nullptr;

  if (connection && cookie) connection->Unadvise(cookie);
  if (browser) browser->Quit();
  if (object) {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
  if (site_) site_->browserGone();
  connection.reset();
  browser.reset();
  object.reset();
  if (browserWindow && ::IsWindow(browserWindow)) ::DestroyWindow(browserWindow);
}

void WebBrowser::onPlacementChanged(Control* sender, Event& e) {
  if (sender != this || !oleObject_ || !browserWindow_) return;
  const auto* placement = reinterpret_cast<const NativePlacement*>(e.lparam);
  if (!placement || !placement->shown) {
    ::ShowWindow(browserWindow_, SW_HIDE);
    return;
  }
  // The placement is in layout units; the browser window lives in pixels.
  Rect rect = placement->rect, visible = placement->visible;
  if (auto* window = dynamic_cast<WindowImpl*>(this->window())) {
    rect = window->dpiScale().toDevice(rect);
    visible = window->dpiScale().toDevice(visible);
  }
  const RECT position{rect.left, rect.top, rect.right, rect.bottom};
  const RECT clip{visible.left, visible.top, visible.right, visible.bottom};
  kavri::ComRef<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(oleObject_->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace)
    inPlace->SetObjectRects(&position, &clip);   // the browser cuts itself to the clip
  // The call may have run a message loop in which the browser was torn down.
  if (browserWindow_ && !::IsWindowVisible(browserWindow_)) ::ShowWindow(browserWindow_, SW_SHOWNA);
}

bool WebBrowser::navigate(const std::wstring& address) {
  if (!isNavigableAddress(address)) return false;
  // A local reference: a handler of the navigation messages may destroy the
  // control while the browser is still inside this call.
  kavri::ComRef<IWebBrowser2> browser = browser_;
  if (!browser) return false;
  ScopedBstr url(address);
  if (!url.get()) return false;
  VARIANT empty;
  ::VariantInit(&empty);
  return SUCCEEDED(browser->Navigate(url.get(), &empty, &empty, &empty, &empty));
}

}  // namespace dui
