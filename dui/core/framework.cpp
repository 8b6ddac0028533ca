// Framework start and stop, the framework lock and the dispatcher window.
#include "dui/core/framework.h"

#include <memory>
#include <utility>

#include "dui/core/app_handlers.h"
#include "dui/core/core_plugs.h"
#include "dui/core/deferred_call.h"
#include "dui/core/msimg.h"
#include "dui/core/window_impl.h"
#include "dui/core/window_messages.h"
#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace dui {
namespace {

constexpr wchar_t kDispatcherClass[] = L"Dispatcher_Vantu124";

// What the framework owns while it runs.
struct FrameworkContext {
  ~FrameworkContext() {
    if (msimgLoaded) unloadMsimg32();
  }
  bool msimgLoaded = false;
  kavri::UniqueHwnd dispatcher;
  ApplicationHandlers appHandlers;  // code 1024
};

// The framework lock guards g_context against shutdown while another thread
// posts a deferred call. Constructed on first use, never destroyed, so a late
// poster during process exit still finds a valid lock.
kavri::CriticalSection& frameworkLock() {
  static kavri::CriticalSection* lock = new kavri::CriticalSection(100);
  return *lock;
}

// Never destroyed, as the lock: a late poster during process exit still finds
// an empty slot rather than a destroyed one.
std::unique_ptr<FrameworkContext>& g_context = *new std::unique_ptr<FrameworkContext>();

// The dispatcher runs only message 1025; no exception leaves the procedure.
LRESULT CALLBACK dispatcherProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message != kMsgDeferredCall) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (!wParam) return 0;
  try {
    runDeferredCall(reinterpret_cast<DeferredCall*>(wParam));  // runs it and frees the record
  } catch (...) {
    kavri::debugLog(L"deferred call failed with an exception");
  }
  return 0;
}

HWND createDispatcherWindow() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &dispatcherProc;
  wc.hInstance = instance;
  wc.lpszClassName = kDispatcherClass;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    kavri::logWin32Failure("RegisterClassExW(Dispatcher_Vantu124)", __FILE__, __LINE__);
    return nullptr;
  }
  HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, kDispatcherClass, L"", WS_POPUP, 0, 0, 1, 1,
                                nullptr, nullptr, instance, nullptr);
  if (!hwnd) kavri::logWin32Failure("CreateWindowExW(Dispatcher_Vantu124)", __FILE__, __LINE__);
  return hwnd;
}

// Runs the deferred calls still queued (their records are freed that way);
// the caller's owner then destroys the window. Calls posted meanwhile are
// refused: the context is already gone, so the loop ends.
void drain(HWND dispatcher) {
  if (!dispatcher || !::IsWindow(dispatcher)) return;
  MSG msg;
  while (::PeekMessageW(&msg, dispatcher, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // not ours: leave it for the caller's loop
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ::DispatchMessageW(&msg);
  }
}

// The control tree's way onto the dispatcher (post event, a button's Click).
class DispatcherPoster final : public DeferredDispatcher {
 public:
  bool post(DeferredCall* call) override { return postToDispatcher(call); }
};

}  // namespace

bool startFramework() {
  static DispatcherPoster poster;  // valid for the rest of the process
  CorePlugs plugs = corePlugs();
  plugs.deferredDispatcher = &poster;
  replaceCorePlugs(plugs);
  frameworkLock();  // step 1: the lock exists before anything can post
  {
    kavri::CriticalSectionLock guard(frameworkLock());
    if (g_context) return true;
  }
  auto context = std::make_unique<FrameworkContext>();
  context->msimgLoaded = loadMsimg32();
  context->dispatcher.reset(createDispatcherWindow());
  if (!context->dispatcher) return false;   // the context unloads msimg32 as it goes
  kavri::CriticalSectionLock guard(frameworkLock());
  g_context = std::move(context);
  return true;
}

void shutdownFramework() {
  kavri::UniqueHwnd dispatcher;  // destroyed once drained
  {
    kavri::CriticalSectionLock guard(frameworkLock());
    if (!g_context) return;
    dispatcher = std::move(g_context->dispatcher);
    g_context.reset();  // from here on, posting a deferred call does nothing
  }
  drain(dispatcher.get());
}

bool frameworkStarted() {
  kavri::CriticalSectionLock guard(frameworkLock());
  return g_context != nullptr;
}

HWND dispatcherWindow() {
  kavri::CriticalSectionLock guard(frameworkLock());
  return g_context ? g_context->dispatcher.get() : nullptr;
}

bool postToDispatcher(DeferredCall* record) {
  if (!record) return false;
  kavri::CriticalSectionLock guard(frameworkLock());
  if (!g_context) return false;
  if (!::PostMessageW(g_context->dispatcher.get(), kMsgDeferredCall, reinterpret_cast<WPARAM>(record), 0)) {
    kavri::logWin32Failure("PostMessageW(dispatcher)", __FILE__, __LINE__);
    return false;
  }
  return true;
}

ApplicationHandlers* applicationHandlers() { return g_context ? &g_context->appHandlers : nullptr; }

}  // namespace dui
