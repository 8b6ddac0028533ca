// WindowImpl: a top-level window showing a control tree. Message table,
// painting through the back buffer (layered windows through
// UpdateLayeredWindow), rounded regions, caret, IME position, tooltips and the
// input routing that turns mouse and keyboard messages into control events.
//
// [SECTION] window_impl.cpp   construction, message table, creation, resize, destruction
// [SECTION] window_paint.cpp  invalidation, flush, WM_PAINT, caret, IME, WM_PRINTCLIENT
// [SECTION] window_tooltip.cpp tooltip window
// [SECTION] window_input.cpp  focus, capture, hover path, buttons, wheel, keys, forget
// [SECTION] window_keyboard.cpp Tab order, default and cancel buttons, access keys,
//                               keyboard cues and the focus mark, focus of a shown page
// [SECTION] window_accessibility.cpp the accessible object (WM_GETOBJECT) and WinEvents
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "dui/core/attribute_names.h"
#include "dui/core/back_buffer.h"
#include "dui/core/control_registry.h"
#include "dui/core/dirty_list.h"
#include "dui/core/dpi_scale.h"
#include "dui/core/drop_target.h"
#include "dui/core/host_window.h"
#include "dui/core/hover_path.h"
#include "dui/core/native_placement.h"
#include "dui/core/timer.h"
#include "dui/core/window_base.h"
#include "support/win32_handles.h"

namespace dui {

class AccessibleLink;
class Control;
class WindowImpl;

// Where the tracking tooltip goes for a cursor at (x, y) in screen
// coordinates: 19 pixels below it, shifted left so that the estimated width
// (14 pixels per character) plus 2 fits on the screen.
POINT tooltipPosition(POINT cursor, std::size_t textLength, int screenWidth);

class WindowImpl : public WindowBase, public CDropTarget, public HostWindow {
 public:
  WindowImpl();
  ~WindowImpl() override;

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The tree shown by the window; the window owns it and destroys it with
  // itself. Set before create (creation attaches and lays it out).
  void setRoot(Control* root);
  Control* root() const { return root_; }
  // A layered window paints only through UpdateLayeredWindow. Before create.
  void setLayered(bool layered) { layered_ = layered; }
  bool layered() const { return layered_; }

  // The window's display scale. The tree, its rectangles and every position
  // a control sees are in layout units (1/96 inch); the window turns them
  // into its pixels: size, painting (a scaling transform, fonts realized at
  // the device size), invalidation and mouse positions. Set on creation and
  // on WM_DPICHANGED.
  const DpiScale& dpiScale() const { return scale_; }

  // --- HostWindow (areas and positions in layout units)
  IdMap& idMap() override { return idMap_; }
  void forgetControl(Control* control) override;
  Rect clientRect() const override;
  void invalidateArea(const Rect& area) override;
  void requestRepaint(bool synchronous) override;
  bool cursorClientPosition(Point& position) const override;
  void beginWindowDrag() override;
  void postMouseMove() override;
  void followNativeChild(Control* control) override;
  void controlShown(Control* control) override;
  bool accessKeysShown() const override { return accessKeyCues_; }
  void announce(const Control* control, AccessibleChange change) override;
  // The cursor's client position in device pixels, packed as a mouse
  // message's lParam: for posting a mouse move to this window.
  bool cursorMessagePosition(LPARAM& lParam) const;

  // Measures and arranges the root again, gives the window the size that
  // answers without moving it, and repaints the whole client area: controls
  // that moved or grew are drawn at their new places even when the window
  // keeps its size.
  void updateLayout();

  // Paints what is pending now: the dirty areas handed to the system and
  // UpdateWindow for an ordinary window, the dirty list and
  // UpdateLayeredWindow for a layered one. First the native child windows
  // are placed (native_placement.h).
  void flush();
  const NativeFollowers& nativeFollowers() const { return followers_; }
  // Shortest time between two paints asked for without waiting (one display
  // frame): invalidations meanwhile are kept and painted together.
  static constexpr UINT kFrameMs = 16;
  const DirtyList& dirtyList() const { return dirty_; }
  const BackBuffer& backBuffer() const { return buffer_; }

  // --- Caret (drawn by the window in RGB(90, 90, 90)).
  void showCaret(int x, int y);
  void hideCaret();
  void setCaretSize(int width, int height) {
    caretWidth_ = width;
    caretHeight_ = height;
  }
  bool caretBlinking() const { return caretTimer_.running(); }
  bool caretDrawn() const { return caretPhase_ != 0; }

  // --- Tooltip
  void showTooltip(const std::wstring& text);
  void hideTooltip();
  bool tooltipVisible() const;
  HWND tooltipWindow() const { return tooltip_.get(); }

  // --- Input state
  void setFocus(Control* control);
  void releaseCapture();
  Control* focusControl() const { return focus_; }
  Control* savedFocus() const { return savedFocus_; }
  Control* captureHolder() const { return capture_; }
  Control* hoverTarget() const { return hover_; }
  const ControlPath& hoverPath() const { return hoverPath_; }

  // --- Keyboard (window_keyboard.cpp)
  // Whether the focus mark is drawn: hidden until the keyboard is used, as
  // the system's UISF_HIDEFOCUS state says.
  bool focusMarkShown() const { return focusCues_; }
  // Presses a control as a click would (a posted Click), when it is usable.
  static bool press(Control* control);
  // The button Escape presses now (a visible, enabled "isCancel" control
  // nearest the focus), or nullptr.
  Control* cancelButton() const;
  // Moves the focus to the page's default button or first tab stop when the
  // focus has nowhere to stay (no focus, or one hidden or disabled).
  void settleFocus();

  // --- Accessibility (window_accessibility.cpp)
  // The child id under which screen readers know a control of this window
  // (its serial), 0 when it cannot have one.
  static long accessibleChildId(const Control* control);
  // The live control of this window with that child id, or nullptr.
  Control* controlOfChildId(long childId) const;

 protected:
  // WM_CREATE: attach and lay out the root, region, tooltip, layering.
  LRESULT onCreate();
  // A modal run ignores closing by the frame: Escape's button is pressed instead.
  void closeRequested() override;
  LRESULT onSize(WPARAM wParam);
  LRESULT onDestroy();
  // WM_DPICHANGED: the new scale, the suggested rectangle, a new layout and a
  // full repaint. Virtual so a window with companions (the shadow) follows.
  virtual void onDpiChanged(int dpi, const RECT* suggested);

  // CDropTarget: hit-tests and raises the drag events on the nearest DropTarget.
  void onDragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
  void onDragOver(DWORD keys, POINTL pt, DWORD* effect) override;
  void onDragLeave() override;
  void onDrop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

 private:
  class WindowTimer : public Timer {
   public:
    explicit WindowTimer(WindowImpl* owner);
    void tick() override;

   private:
    WindowImpl* owner_;
  };

  // [painting]
  void paintArea(HDC dc, const Rect& area);
  void drawCaret(HDC dc);
  void invalidateCaret();
  void applyRoundCorner(int width, int height);
  LRESULT onPaint();
  // The private repaint message without a wait: paints now when the last
  // paint is a frame old, else arms the frame timer, which paints then.
  void paceFlush();
  void handToSystem();
  LRESULT onPrintClient(HDC dc, LPARAM flags);
  void onImeStartComposition();
  HFONT defaultFont() const;

  // [tooltip]
  void createTooltip();

  // [input]
  Control* hitTestClient(LPARAM lParam) const;
  Control* hitTestCursor() const;
  bool cursorDevicePosition(POINT& position) const;
  void takeCapture(Control* control);
  void onMouseMove(WPARAM wParam, LPARAM lParam);
  void onMouseHover(LPARAM lParam);
  void onMouseLeave(WPARAM wParam, LPARAM lParam);
  void onLeftDown(WPARAM wParam, LPARAM lParam);
  void onLeftUp(WPARAM wParam, LPARAM lParam);
  void onRightButton(bool down, WPARAM wParam, LPARAM lParam);
  void onDoubleClick(bool left, WPARAM wParam, LPARAM lParam);
  void onWheel(WPARAM wParam, LPARAM lParam);
  bool onKey(std::uint32_t prevCode, std::uint32_t code, WPARAM wParam, LPARAM lParam);
  LRESULT onSetCursor(WPARAM wParam, LPARAM lParam);
  void onCaptureChanged();
  void onKillFocus();
  void armHoverTracking();
  void leavePath(const ControlPath& leave, WPARAM wParam, LPARAM lParam);
  void enterPath(const ControlPath& enter, WPARAM wParam, LPARAM lParam);
  void postCursorMove();
  Control* dropTargetAt(POINTL pt) const;

  // [keyboard]
  void onKeyDown(WPARAM wParam, LPARAM lParam);
  void onChar(WPARAM wParam, LPARAM lParam);
  bool onSysKeyDown(WPARAM wParam, LPARAM lParam);
  bool onSysChar(WPARAM wParam);
  void moveFocus(bool forward);
  // An arrow from a control that has no use for it: the focus moves as with
  // Tab, and an option button reached from one beside it is checked.
  void moveFocusByArrow(bool forward);
  void focusByKeyboard(Control* control);
  bool runAccessKey(wchar_t key);
  bool pressMarked(AttrKey which, wchar_t swallow);
  void showKeyboardCues(bool focusMark, bool accessKeys);
  void onUpdateUiState(WPARAM wParam);
  void initKeyboardCues();
  void requestFocusSettle();
  void drawFocusMark(HDC dc, const Rect& area);
  void invalidateFocusMark(Control* control);

  // [accessibility]
  LRESULT onGetObject(WPARAM wParam, LPARAM lParam);
  void announceFocus(const Control* control);
  void disconnectAccessible();

  Control* root_ = nullptr;
  Control* capture_ = nullptr;
  Control* focus_ = nullptr;
  Control* savedFocus_ = nullptr;
  Control* hover_ = nullptr;
  ControlPath hoverPath_;
  BackBuffer buffer_;
  kavri::UniqueOwnedHwnd tooltip_;
  TTTOOLINFOW toolInfo_{};
  std::wstring tooltipText_;
  IdMap idMap_;
  bool hoverTracking_ = false;
  HRGN region_ = nullptr;  // owned by the system once set; kept to know it exists
  Control* dropControl_ = nullptr;
  int caretX_ = 0, caretY_ = 0, caretWidth_ = 0, caretHeight_ = 0;
  int caretPhase_ = 0;
  WindowTimer caretTimer_;
  bool layered_ = false;
  BYTE constantAlpha_ = 255;
  bool perPixelAlpha_ = true;
  DirtyList dirty_;   // areas not yet painted (layered) or not yet handed to the system (ordinary)
  NativeFollowers followers_{this};
  bool repaintPosted_ = false;   // a repaint message is on its way: later requests ride on it
  bool frameTimerArmed_ = false;
  DWORD lastFlush_ = 0;          // GetTickCount() of the last paint
  bool painted_ = false;         // lastFlush_ is set
  bool destroying_ = false;
  // Keyboard: the cue states, the character a handled key's WM_CHAR
  // brings (eaten), the page last shown, whether a focus settle is posted.
  bool focusCues_ = false;
  bool accessKeyCues_ = false;
  WPARAM swallowChar_ = 0;
  Control* shownPage_ = nullptr;
  std::uint32_t shownPageSerial_ = 0;
  bool settlePosted_ = false;
  // Accessibility: what the accessible objects handed out reach this window
  // through; cut when the window goes.
  std::shared_ptr<AccessibleLink> accessibleLink_;
  DpiScale scale_;
};

}  // namespace dui
