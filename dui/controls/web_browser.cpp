// WebBrowser: activation, placement, navigation and teardown of the hosted
// browser object.
#include "dui/controls/web_browser.h"

#include <exdisp.h>
#include <oleauto.h>

#include <cstdint>

#include "dui/controls/browser_address.h"
#include "dui/controls/browser_site.h"
#include "dui/core/attribute_names.h"
#include "dui/core/control_geometry.h"
#include "dui/core/control_registry.h"
#include "dui/core/deferred_call.h"
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

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

WebBrowser::WebBrowser() : site_() {
  site_.attach(new BrowserSite(this));
  addHandler(events::Attached, this, &WebBrowser::onAttached);
  addHandler(events::Detached, this, &WebBrowser::onDetached);
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
  placed_ = placement();
  hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, host, &placed_);
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
  placed_ = RECT{};
  followQueued_ = false;

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

Size WebBrowser::arrangeOverride(std::int32_t width, std::int32_t height) {
  if (oleObject_ && !followQueued_) {
    auto* call = new DeferredCall;
    call->function = &WebBrowser::followLayoutDeferred;
    call->first = static_cast<Control*>(this);
    call->second = reinterpret_cast<void*>(std::uintptr_t{serial()});
    followQueued_ = postDeferredCall(call);   // a refused record is freed there
  }
  return Control::arrangeOverride(width, height);
}

void WebBrowser::followLayoutDeferred(void*, void* control, void* serial) {
  // The control may have died or left its window since the pass: only the
  // live one that queued the call is moved.
  auto* queued = static_cast<Control*>(control);
  if (isLive(queued, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(serial))))
    static_cast<WebBrowser*>(queued)->followLayout();
}

void WebBrowser::followLayout() {
  followQueued_ = false;
  if (!oleObject_) return;
  const RECT now = placement();
  if (sameRect(now, placed_)) return;
  kavri::ComRef<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(oleObject_->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace) {
    placed_ = now;
    inPlace->SetObjectRects(&now, &now);
  }
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
