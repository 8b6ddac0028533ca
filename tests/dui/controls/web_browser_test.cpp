// The WebBrowser control on a real window with the system's browser object:
// activation and teardown, the container's answers, the navigation events
// turned into window messages, the subclassed inner window, and a control
// that dies while the browser still holds its site.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ole2.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "dui/controls/browser_site.h"
#include "dui/controls/web_browser.h"
#include "dui/core/framework.h"
#include "dui/core/window_messages.h"
#include "tests/dui/core/window_test_util.h"

using namespace dui;
using Log = std::vector<std::wstring>;

// Fault injection for this executable: while a FailingAllocations lives,
// every operator new throws std::bad_alloc, as it does when memory runs out.
namespace {
std::atomic<bool> g_failAllocations{false};

class FailingAllocations {
 public:
  FailingAllocations() { g_failAllocations = true; }
  ~FailingAllocations() { g_failAllocations = false; }
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};
}  // namespace

void* operator new(std::size_t size) {
  if (g_failAllocations) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
// The runtime's own operator delete frees with free(), as these allocate.
void* operator new[](std::size_t size) { return operator new(size); }

namespace {

// Records the two navigation messages; `onBefore` runs inside the sent one.
class RecordingWindow : public WindowImpl {
 public:
  RecordingWindow(Log* log, std::function<void()>* onBefore) : log_(log), onBefore_(onBefore) {}
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kMsgBeforeNavigate) {
      const wchar_t* address = reinterpret_cast<const wchar_t*>(wParam);
      log_->push_back(L"1126 " + std::wstring(address ? address : L"(null)") + (lParam ? L" lParam!" : L""));
      if (*onBefore_) (*onBefore_)();
      return 0;
    }
    if (message == kMsgNavigateDone) {
      log_->push_back(wParam || lParam ? L"1127 with parameters" : L"1127");
      return 0;
    }
    return WindowImpl::handleMessage(message, wParam, lParam);
  }

 private:
  Log* log_;
  std::function<void()>* onBefore_;
};

// A 400 x 300 window with a WebBrowser at (20, 30), 200 x 150.
class BrowserWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (withOle) {
      ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
      oleInitialised = true;
    }
    ASSERT_TRUE(startFramework());
    root = new Canvas;
    root->setInt(names::width, 400);
    root->setInt(names::height, 300);
    browser = static_cast<dui::WebBrowser*>(dui_test::place(root, new dui::WebBrowser, 20, 30, 200, 150));
  }
  void open() {
    window = new RecordingWindow(&log, &onBefore);
    window->setRoot(root);
    ASSERT_TRUE(window->create(0, WS_POPUP, 40, 40, 0, 0, nullptr));
    hwnd = window->hwnd();
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    dui_test::pump();
  }
  void TearDown() override {
    onBefore = nullptr;
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    if (!window) delete root;  // never shown: no window owns the tree
    dui_test::pump();
    shutdownFramework();
    if (oleInitialised) ::OleUninitialize();
  }
  Log take() {
    Log out;
    out.swap(log);
    return out;
  }
  // Where the browser's own window is, in the host's client coordinates.
  Rect browserPlacement() const { return dui_test::childRectIn(hwnd, browser->browserWindow()); }
  template <class T>
  T* siteAs(REFIID riid) {
    T* out = nullptr;
    EXPECT_EQ(browser->site()->QueryInterface(riid, reinterpret_cast<void**>(&out)), S_OK);
    return out;
  }

  bool withOle = true;
  bool oleInitialised = false;
  Canvas* root = nullptr;
  dui::WebBrowser* browser = nullptr;
  WindowImpl* window = nullptr;
  HWND hwnd = nullptr;
  Log log;
  std::function<void()> onBefore;
};

// Builds the arguments of a browser event the way the browser passes them
// (last argument first).
struct EventArgs {
  std::vector<VARIANT> values;  // in declaration order
  DISPPARAMS params() {
    reversed.assign(values.rbegin(), values.rend());
    return DISPPARAMS{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  }
  std::vector<VARIANT> reversed;
};

VARIANT variantOf(VARTYPE type) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = type;
  return v;
}

HRESULT invoke(BrowserSite* site, DISPID id, DISPPARAMS* params) {
  IDispatch* sink = static_cast<IDispatch*>(site);
  return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel),
// the address passed as a variant by reference, as the browser does. Built
// ahead of the call, so the call itself allocates nothing on the test's side.
class BeforeNavigateArgs {
 public:
  explicit BeforeNavigateArgs(const wchar_t* address) : url_(::SysAllocString(address)) {
    urlValue_ = variantOf(VT_BSTR);
    V_BSTR(&urlValue_) = url_;
    args_.values.push_back(variantOf(VT_DISPATCH));
    VARIANT urlRef = variantOf(VT_BYREF | VT_VARIANT);
    V_VARIANTREF(&urlRef) = &urlValue_;
    args_.values.push_back(urlRef);
    for (int i = 0; i < 4; ++i) args_.values.push_back(variantOf(VT_BYREF | VT_VARIANT));
    VARIANT cancelRef = variantOf(VT_BYREF | VT_BOOL);
    V_BOOLREF(&cancelRef) = &cancel_;
    args_.values.push_back(cancelRef);
    params_ = args_.params();
  }
  ~BeforeNavigateArgs() { ::SysFreeString(url_); }
  BeforeNavigateArgs(const BeforeNavigateArgs&) = delete;
  BeforeNavigateArgs& operator=(const BeforeNavigateArgs&) = delete;
  DISPPARAMS* params() { return &params_; }

 private:
  BSTR url_;
  VARIANT urlValue_;
  VARIANT_BOOL cancel_ = VARIANT_FALSE;
  EventArgs args_;
  DISPPARAMS params_{};
};

HRESULT beforeNavigate(BrowserSite* site, const wchar_t* address) {
  BeforeNavigateArgs args(address);
  return invoke(site, DISPID_BEFORENAVIGATE2, args.params());
}

// --- Activation against the real object

TEST_F(BrowserWindow, ActivatesInTheWindowAndTearsDownWithIt) {
  open();
  ASSERT_TRUE(browser->active());
  HWND browserWindow = browser->browserWindow();
  ASSERT_NE(browserWindow, nullptr);
  EXPECT_EQ(::GetParent(browserWindow), hwnd);
  EXPECT_TRUE(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CLIPCHILDREN);

  // Hold the site as the browser would; once the window is gone, ours is
  // the only reference left: the browser released every one it took.
  BrowserSite* site = browser->site();
  site->AddRef();
  ::DestroyWindow(hwnd);
  dui_test::pump();
  EXPECT_FALSE(::IsWindow(browserWindow));
  EXPECT_FALSE(site->connected());
  EXPECT_EQ(site->Release(), 0u);
}

TEST_F(BrowserWindow, BrowserFollowsTheControlOntoItsLaidOutRectangle) {
  open();
  ASSERT_TRUE(browser->active());
  EXPECT_EQ(browserPlacement(), (Rect{20, 30, 220, 180}));
}

// Painting changes nothing: a rectangle no layout pass gave leaves the
// browser where it is; the next layout pass moves it.
TEST_F(BrowserWindow, LayoutPassesMoveTheBrowserAndPaintingDoesNot) {
  open();
  ASSERT_TRUE(browser->active());
  browser->setRect(Rect{0, 0, 50, 50});
  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::UpdateWindow(hwnd);
  dui_test::pump();
  EXPECT_EQ(browserPlacement(), (Rect{20, 30, 220, 180}));

  browser->setInt(names::x, 60);
  browser->setInt(names::height, 100);
  window->updateLayout();
  dui_test::pumpFor();   // the move comes with the next frame's paint
  EXPECT_EQ(browserPlacement(), (Rect{60, 30, 260, 130}));
}

TEST_F(BrowserWindow, DetachingTearsDownAndAttachingAgainActivatesAfresh) {
  open();
  ASSERT_TRUE(browser->active());
  HWND first = browser->browserWindow();
  root->removeChild(browser);
  EXPECT_FALSE(browser->active());
  EXPECT_FALSE(::IsWindow(first));
  root->addChild(browser);
  EXPECT_TRUE(browser->active());
  EXPECT_TRUE(::IsWindow(browser->browserWindow()));
}

TEST_F(BrowserWindow, DeletingAnActiveControlClosesTheBrowserAndLeavesTheWindowWorking) {
  open();
  ASSERT_TRUE(browser->active());
  HWND browserWindow = browser->browserWindow();
  BrowserSite* site = browser->site();
  site->AddRef();
  delete browser;
  dui_test::pump();
  EXPECT_FALSE(::IsWindow(browserWindow));
  EXPECT_EQ(site->Release(), 0u);
  EXPECT_TRUE(::IsWindow(hwnd));
  ::UpdateWindow(hwnd);
}

// --- Navigation

TEST_F(BrowserWindow, NavigateTakesOnlyAllowedSchemes) {
  open();
  ASSERT_TRUE(browser->active());
  for (const wchar_t* address : {L"javascript:alert(1)", L"vbscript:msgbox(1)", L"data:text/html,x", L"", L"about"}) {
    EXPECT_FALSE(browser->navigate(address)) << address;
  }
  take();
  EXPECT_TRUE(browser->navigate(L"about:blank"));
}

TEST_F(BrowserWindow, TheUrlAttributeIsLoadedOnActivation) {
  browser->setString(names::url, L"about:blank");
  open();
  ASSERT_TRUE(browser->active());
  dui_test::pump();
  const Log seen = take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), L"1126 about:blank");
}

// --- The container's answers

TEST_F(BrowserWindow, HostInfoAsksForADialogWithoutHelpMenuOrBorder) {
  IDocHostUIHandler* handler = siteAs<IDocHostUIHandler>(IID_IDocHostUIHandler);
  ASSERT_NE(handler, nullptr);
  DOCHOSTUIINFO info{};
  info.dwDoubleClick = 99;
  EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.cbSize, sizeof(void*) == 4 ? 20u : sizeof(DOCHOSTUIINFO));
  EXPECT_EQ(info.dwFlags, 7u);
  EXPECT_EQ(info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT));
  EXPECT_EQ(handler->GetHostInfo(nullptr), E_POINTER);
  handler->Release();
}

TEST_F(BrowserWindow, UiHandlerAnswers) {
  IDocHostUIHandler* handler = siteAs<IDocHostUIHandler>(IID_IDocHostUIHandler);
  ASSERT_NE(handler, nullptr);
  void* const garbage = reinterpret_cast<void*>(0x1234);
  IDispatch* external = static_cast<IDispatch*>(garbage);
  IDropTarget* drop = static_cast<IDropTarget*>(garbage);
  IDataObject* data = static_cast<IDataObject*>(garbage);
  LPWSTR url = static_cast<LPWSTR>(garbage);
  LPOLESTR key = static_cast<LPOLESTR>(garbage);
  MSG msg{};
  POINT at{5, 5};
  struct Case {
    const char* name;
    std::function<HRESULT()> call;
    HRESULT expected;
  };
  const Case cases[] = {
      {"ShowContextMenu (no menu shown)", [&] { return handler->ShowContextMenu(0, &at, nullptr, nullptr); }, S_OK},
      {"ShowUI", [&] { return handler->ShowUI(0, nullptr, nullptr, nullptr, nullptr); }, S_OK},
      {"HideUI", [&] { return handler->HideUI(); }, S_OK},
      {"UpdateUI", [&] { return handler->UpdateUI(); }, S_OK},
      {"EnableModeless", [&] { return handler->EnableModeless(TRUE); }, S_OK},
      {"OnDocWindowActivate", [&] { return handler->OnDocWindowActivate(TRUE); }, S_OK},
      {"OnFrameWindowActivate", [&] { return handler->OnFrameWindowActivate(TRUE); }, S_OK},
      {"ResizeBorder", [&] { return handler->ResizeBorder(nullptr, nullptr, FALSE); }, S_OK},
      {"TranslateAccelerator", [&] { return handler->TranslateAccelerator(&msg, nullptr, 0); }, S_FALSE},
      {"GetOptionKeyPath", [&] { return handler->GetOptionKeyPath(&key, 0); }, S_FALSE},
      {"GetDropTarget", [&] { return handler->GetDropTarget(nullptr, &drop); }, S_FALSE},
      {"GetExternal", [&] { return handler->GetExternal(&external); }, S_FALSE},
      {"TranslateUrl", [&] { return handler->TranslateUrl(0, nullptr, &url); }, S_FALSE},
      {"FilterDataObject", [&] { return handler->FilterDataObject(nullptr, &data); }, S_FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
  // The answers without an object leave no stale pointer for the browser.
  EXPECT_EQ(external, nullptr);
  EXPECT_EQ(drop, nullptr);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(url, nullptr);
  EXPECT_EQ(key, nullptr);
  handler->Release();
}

TEST_F(BrowserWindow, EveryContainerInterfaceHasOneIdentity) {
  IUnknown* identity = siteAs<IUnknown>(IID_IUnknown);
  ASSERT_NE(identity, nullptr);
  for (REFIID riid : {IID_IOleClientSite, IID_IOleWindow, IID_IOleInPlaceSite, IID_IOleInPlaceUIWindow,
                      IID_IOleInPlaceFrame, IID_IDocHostUIHandler, IID_IDispatch, DIID_DWebBrowserEvents2}) {
    IUnknown* asked = siteAs<IUnknown>(riid);
    ASSERT_NE(asked, nullptr);
    IUnknown* back = nullptr;
    EXPECT_EQ(asked->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, identity);
    back->Release();
    asked->Release();
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(identity->QueryInterface(IID_IStream, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  identity->Release();
}

TEST_F(BrowserWindow, WindowContextIsTheHostAndTheControlRectangle) {
  open();
  IOleInPlaceSite* site = siteAs<IOleInPlaceSite>(IID_IOleInPlaceSite);
  ASSERT_NE(site, nullptr);
  HWND answered = nullptr;
  EXPECT_EQ(site->GetWindow(&answered), S_OK);
  EXPECT_EQ(answered, hwnd);
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  info.fMDIApp = TRUE;
  info.haccel = reinterpret_cast<HACCEL>(1);
  info.cAccelEntries = 5;
  ASSERT_EQ(site->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(document, nullptr);
  EXPECT_EQ(position.left, 20);
  EXPECT_EQ(position.top, 30);
  EXPECT_EQ(position.right, 220);
  EXPECT_EQ(position.bottom, 180);
  EXPECT_TRUE(::EqualRect(&position, &clip));
  EXPECT_FALSE(info.fMDIApp);
  EXPECT_EQ(info.hwndFrame, hwnd);
  EXPECT_EQ(info.haccel, nullptr);
  EXPECT_EQ(info.cAccelEntries, 0u);
  EXPECT_EQ(frame->TranslateAccelerator(nullptr, 0), S_FALSE);
  frame->Release();
  site->Release();
}

// --- Events into window messages

TEST_F(BrowserWindow, NavigationEventsBecomeTheTwoWindowMessages) {
  open();
  take();
  EXPECT_EQ(beforeNavigate(browser->site(), L"https://example.test/page?a=1"), S_OK);
  // Sent: there before the event returns.
  EXPECT_EQ(take(), Log{L"1126 https://example.test/page?a=1"});

  DISPPARAMS none{};
  EXPECT_EQ(invoke(browser->site(), DISPID_NAVIGATECOMPLETE2, &none), S_OK);
  // Posted: there once the queue runs.
  EXPECT_EQ(take(), Log{});
  dui_test::pump();
  EXPECT_EQ(take(), Log{L"1127"});

  for (DISPID other : {DISPID_DOCUMENTCOMPLETE, DISPID_STATUSTEXTCHANGE, DISPID_TITLECHANGE})
    EXPECT_EQ(invoke(browser->site(), other, &none), E_NOTIMPL) << other;
  dui_test::pump();
  EXPECT_EQ(take(), Log{});
}

TEST_F(BrowserWindow, FileDownloadsAreCancelled) {
  open();
  struct Case {
    const char* name;
    bool withActiveDocument;  // the two-argument form (ActiveDocument, Cancel)
  };
  for (const Case& c : {Case{"(ActiveDocument, Cancel)", true}, Case{"(Cancel)", false}}) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EventArgs args;
    if (c.withActiveDocument) {
      VARIANT document = variantOf(VT_BOOL);
      V_BOOL(&document) = VARIANT_FALSE;
      args.values.push_back(document);
    }
    VARIANT cancelRef = variantOf(VT_BYREF | VT_BOOL);
    V_BOOLREF(&cancelRef) = &cancel;
    args.values.push_back(cancelRef);
    DISPPARAMS params = args.params();
    EXPECT_EQ(invoke(browser->site(), DISPID_FILEDOWNLOAD, &params), S_OK) << c.name;
    EXPECT_EQ(cancel, VARIANT_TRUE) << c.name;
  }
  dui_test::pump();
  EXPECT_EQ(take(), Log{});
}

TEST_F(BrowserWindow, MalformedEventArgumentsAreSurvived) {
  open();
  take();
  DISPPARAMS none{};
  EXPECT_EQ(invoke(browser->site(), DISPID_BEFORENAVIGATE2, &none), S_OK);
  EXPECT_EQ(invoke(browser->site(), DISPID_BEFORENAVIGATE2, nullptr), S_OK);
  EXPECT_EQ(invoke(browser->site(), DISPID_FILEDOWNLOAD, nullptr), S_OK);
  // No address to report: the message carries an empty text, never null.
  EXPECT_EQ(take(), (Log{L"1126 ", L"1126 "}));
}

TEST_F(BrowserWindow, AHandlerMayDestroyTheWindowWhileTheEventRuns) {
  open();
  onBefore = [this] { ::DestroyWindow(hwnd); };
  BrowserSite* site = browser->site();
  site->AddRef();  // the browser's reference, held across the event
  EXPECT_EQ(beforeNavigate(site, L"about:blank"), S_OK);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(site->connected());
  DISPPARAMS none{};
  EXPECT_EQ(invoke(site, DISPID_NAVIGATECOMPLETE2, &none), S_OK);
  EXPECT_EQ(site->Release(), 0u);
}

// No exception leaves the event sink: with no memory to copy the address the
// event is answered E_OUTOFMEMORY and nothing reaches the host window; the
// next event, with memory again, goes through as usual.
TEST_F(BrowserWindow, OutOfMemoryInsideAnEventIsAnsweredNotThrown) {
  open();
  take();
  BeforeNavigateArgs args(L"about:blank#a-longer-address");
  HRESULT answer = S_OK;
  {
    FailingAllocations failing;
    answer = invoke(browser->site(), DISPID_BEFORENAVIGATE2, args.params());
  }
  EXPECT_EQ(answer, E_OUTOFMEMORY);
  EXPECT_EQ(take(), Log{});
  EXPECT_EQ(invoke(browser->site(), DISPID_BEFORENAVIGATE2, args.params()), S_OK);
  EXPECT_EQ(take(), Log{L"1126 about:blank#a-longer-address"});
}

// --- A control destroyed while the browser still holds the site

TEST_F(BrowserWindow, SiteOutlivingItsControlAnswersSafely) {
  open();
  BrowserSite* site = browser->site();
  site->AddRef();
  delete browser;
  browser = nullptr;
  take();

  EXPECT_FALSE(site->connected());
  EXPECT_EQ(beforeNavigate(site, L"about:blank"), S_OK);
  DISPPARAMS none{};
  EXPECT_EQ(invoke(site, DISPID_NAVIGATECOMPLETE2, &none), S_OK);
  dui_test::pump();
  EXPECT_EQ(take(), Log{});  // no control, no host: nothing sent or posted

  HWND answered = reinterpret_cast<HWND>(1);
  EXPECT_EQ(static_cast<IOleInPlaceSite*>(site)->GetWindow(&answered), E_FAIL);
  EXPECT_EQ(answered, nullptr);
  EXPECT_EQ(site->CanInPlaceActivate(), S_FALSE);
  IOleInPlaceFrame* frame = reinterpret_cast<IOleInPlaceFrame*>(1);
  IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  EXPECT_EQ(site->GetWindowContext(&frame, &document, &position, &clip, &info), E_FAIL);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(document, nullptr);
  EXPECT_EQ(site->Release(), 0u);
}

// --- Without OLE the object cannot be created

class BrowserWithoutOle : public BrowserWindow {
 protected:
  void SetUp() override {
    withOle = false;
    BrowserWindow::SetUp();
  }
};

TEST_F(BrowserWithoutOle, FailingActivationLeavesAnEmptyControlAndAWorkingWindow) {
  open();
  EXPECT_FALSE(browser->active());
  EXPECT_EQ(browser->browserWindow(), nullptr);
  EXPECT_EQ(::GetWindow(hwnd, GW_CHILD), nullptr);
  EXPECT_FALSE(browser->navigate(L"about:blank"));
  BrowserSite* site = browser->site();
  site->AddRef();
  EXPECT_EQ(site->Release(), 1u);  // the control's own reference only
  // The window goes on: painting, input and a clean close.
  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::UpdateWindow(hwnd);
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, dui_test::at(50, 50));
  ::DestroyWindow(hwnd);
  dui_test::pump();
}

// --- The subclassed inner window, on a window of the test's own

// An in-place active object that answers TranslateAccelerator as told.
class FakeActiveObject final : public IOleInPlaceActiveObject {
 public:
  HRESULT answer = S_FALSE;
  std::vector<UINT> offered;
  LONG references = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override {
    offered.push_back(msg->message);
    return answer;
  }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
};

// A plain window that logs what reaches its own procedure.
std::vector<UINT>* g_reached = nullptr;
LRESULT CALLBACK loggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_reached && (message == WM_ERASEBKGND || message == WM_KEYDOWN || message == WM_APP))
    g_reached->push_back(message);
  if (message == WM_APP) return 42;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

class InnerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = loggingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BrowserInnerWindowTest";
    ::RegisterClassW(&wc);
    window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    g_reached = &reached;
    site = new BrowserSite(nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window)) ::DestroyWindow(window);
    site->Release();
    g_reached = nullptr;
  }
  std::vector<UINT> take() {
    std::vector<UINT> out;
    out.swap(reached);
    return out;
  }
  HWND window = nullptr;
  std::vector<UINT> reached;
  BrowserSite* site = nullptr;
};

TEST_F(InnerWindow, SubclassedOnceAndRestoredWhenDestroyed) {
  ASSERT_TRUE(subclassBrowserInnerWindow(window));
  const LONG_PTR procedure = ::GetWindowLongPtrW(window, GWLP_WNDPROC);
  EXPECT_TRUE(subclassBrowserInnerWindow(window));
  EXPECT_EQ(::GetWindowLongPtrW(window, GWLP_WNDPROC), procedure);
  // Once: the message reaches the window's own procedure once, with its result.
  EXPECT_EQ(::SendMessageW(window, WM_APP, 0, 0), 42);
  EXPECT_EQ(take(), std::vector<UINT>{WM_APP});
  ::DestroyWindow(window);
  EXPECT_FALSE(isBrowserInnerWindowSubclassed(window));
  EXPECT_FALSE(subclassBrowserInnerWindow(nullptr));
}

TEST_F(InnerWindow, BackgroundEraseIsAnsweredWithoutErasing) {
  ASSERT_TRUE(subclassBrowserInnerWindow(window));
  HDC dc = ::GetDC(window);
  EXPECT_EQ(::SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  ::ReleaseDC(window, dc);
  EXPECT_EQ(take(), std::vector<UINT>{});
}

TEST_F(InnerWindow, KeysAreOfferedToTheReportedActiveObjectFirst) {
  ASSERT_TRUE(subclassBrowserInnerWindow(window));
  FakeActiveObject active;
  struct Case {
    const char* name;
    HRESULT answer;
    bool reachesWindow;
  };
  site->SetActiveObject(&active, nullptr);
  // A site without a control reports nothing: its browser is on the way out.
  EXPECT_EQ(active.references, 1);
  site->Release();
  auto* owner = new dui::WebBrowser;  // a site with a control
  site = owner->site();
  site->AddRef();
  site->SetActiveObject(&active, nullptr);
  EXPECT_EQ(active.references, 2);
  for (const Case& c : {Case{"consumed by the object", S_OK, false}, Case{"declined by the object", S_FALSE, true}}) {
    active.answer = c.answer;
    active.offered.clear();
    EXPECT_EQ(::SendMessageW(window, WM_KEYDOWN, VK_TAB, 1), 0) << c.name;
    EXPECT_EQ(active.offered, std::vector<UINT>{WM_KEYDOWN}) << c.name;
    EXPECT_EQ(take(), c.reachesWindow ? std::vector<UINT>{WM_KEYDOWN} : std::vector<UINT>{}) << c.name;
  }
  // Other messages are not offered.
  active.offered.clear();
  EXPECT_EQ(::SendMessageW(window, WM_APP, 0, 0), 42);
  EXPECT_EQ(active.offered, std::vector<UINT>{});
  take();
  // Cleared: keys go straight to the window, and the reference is given back.
  site->SetActiveObject(nullptr, nullptr);
  EXPECT_EQ(active.references, 1);
  active.answer = S_OK;
  ::SendMessageW(window, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(take(), std::vector<UINT>{WM_KEYDOWN});
  // A control that dies drops what its site reported.
  site->SetActiveObject(&active, nullptr);
  EXPECT_EQ(active.references, 2);
  delete owner;
  EXPECT_EQ(active.references, 1);
}

// With no memory, reporting an active object fails without taking a
// reference or listing it, and a key the subclassed window gets while the
// set cannot be copied goes to the window's own procedure: nothing throws
// out of the window procedure or the COM method.
TEST_F(InnerWindow, OutOfMemoryLeavesKeysToTheWindowAndTakesNoReference) {
  ASSERT_TRUE(subclassBrowserInnerWindow(window));
  auto* owner = new dui::WebBrowser;
  BrowserSite* withControl = owner->site();
  FakeActiveObject active;
  active.answer = S_OK;   // would consume every key it is offered
  active.offered.reserve(8);
  reached.reserve(8);   // the window's own procedure records without allocating

  HRESULT answer = S_OK;
  {
    FailingAllocations failing;
    answer = withControl->SetActiveObject(&active, nullptr);
  }
  EXPECT_EQ(answer, E_OUTOFMEMORY);
  EXPECT_EQ(active.references, 1);
  EXPECT_EQ(::SendMessageW(window, WM_KEYDOWN, VK_TAB, 1), 0);
  EXPECT_EQ(active.offered, std::vector<UINT>{}) << "an object that was not listed is not offered keys";
  EXPECT_EQ(take(), std::vector<UINT>{WM_KEYDOWN});

  ASSERT_EQ(withControl->SetActiveObject(&active, nullptr), S_OK);
  EXPECT_EQ(active.references, 2);
  reached.reserve(8);
  {
    FailingAllocations failing;
    ::SendMessageW(window, WM_KEYDOWN, VK_TAB, 1);
  }
  EXPECT_EQ(active.offered, std::vector<UINT>{}) << "no copy of the set, no offer";
  EXPECT_EQ(take(), std::vector<UINT>{WM_KEYDOWN});
  // With memory again the object is offered the key, and consumes it.
  ::SendMessageW(window, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(active.offered, std::vector<UINT>{WM_KEYDOWN});
  EXPECT_EQ(take(), std::vector<UINT>{});
  delete owner;
  EXPECT_EQ(active.references, 1);

  // A window whose procedure cannot be remembered is left as it was.
  HWND other = ::CreateWindowExW(0, L"BrowserInnerWindowTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  const LONG_PTR own = ::GetWindowLongPtrW(other, GWLP_WNDPROC);
  bool subclassed = true;
  {
    FailingAllocations failing;
    subclassed = subclassBrowserInnerWindow(other);
  }
  EXPECT_FALSE(subclassed);
  EXPECT_FALSE(isBrowserInnerWindowSubclassed(other));
  EXPECT_EQ(::GetWindowLongPtrW(other, GWLP_WNDPROC), own);
  ::DestroyWindow(other);
}

}  // namespace
