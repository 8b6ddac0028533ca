// WindowBase: a window object bound to its handle through the window map, the
// window class "WINDOW:234:000", the static window procedure and the modal loop.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace dui {

// The static window procedure of "WINDOW:234:000" and the binding hook.
LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK bindingHook(int code, WPARAM wParam, LPARAM lParam) noexcept;

class WindowBase {
 public:
  WindowBase() = default;
  // Leaves the window map (when the entry still points here) and ends a modal
  // run of this window that is still on the stack.
  virtual ~WindowBase();
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // The base deletes the object on WM_DESTROY (returns 0) and passes every
  // other message to DefWindowProcW.
  virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Registers the class on first use, binds this object to the handle being
  // created (so it knows its handle before WM_NCCREATE) and creates the
  // window. The object must come from new: on success the window owns it
  // (deleted on WM_DESTROY); on failure it is deleted before this returns.
  // The binding hook is removed on every path.
  bool create(DWORD exStyle, DWORD style, int x, int y, int width, int height, HWND owner);

  HWND hwnd() const { return hwnd_; }

  // Shows the window and runs messages until endModal(non-zero) or the quit
  // message (which is posted again so outer loops end too; result 0). The
  // owner, when given, is disabled meanwhile, then re-enabled and activated.
  // Closing by the frame or Alt+F4 does not close the window during the run
  // (closeRequested is called instead). The window is
  // destroyed before this returns (and so is this object).
  std::int32_t runModal(HWND owner);
  // Stores the result and wakes the loop; 0 does not end it.
  void endModal(std::int32_t result);
  bool inModalRun() const { return modal_ != nullptr; }

  // The object bound to a handle, or nullptr.
  static WindowBase* fromHandle(HWND hwnd);

  static constexpr const wchar_t* kClassName = L"WINDOW:234:000";

 protected:
  // The frame's close box or Alt+F4 during a modal run, which does not close
  // the window: a derived window may act on it (press its cancel button).
  // Called inside the window procedure's or the loop's exception guard.
  virtual void closeRequested() {}

  HWND hwnd_ = nullptr;
  std::int32_t modalResult_ = 0;

 private:
  // The state of a modal run on the stack; outlives this object.
  struct ModalRun {
    bool destroyed = false;
    std::int32_t result = 0;
  };
  friend LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  friend LRESULT CALLBACK bindingHook(int, WPARAM, LPARAM) noexcept;

  ModalRun* modal_ = nullptr;
  bool* deletedDuringCreate_ = nullptr;
};

// Number of windows in the window map (for diagnostics and tests).
std::size_t liveWindowCount();
// Whether the binding hook is installed (only during create).
bool bindingHookInstalled();

}  // namespace dui
