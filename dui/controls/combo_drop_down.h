// ComboHelperWnd: the combo box's drop-down, a pop-up tool window holding a
// list, and the local message loop that runs while it is open.
#pragma once

#include <windows.h>

#include "dui/core/window_impl.h"

namespace dui {

class ComboBox;
class ListBox;

class ComboHelperWnd : public WindowImpl {
 public:
  // A Grid styled "ComboDropped_Bkgnd.xml" holding a ListBox with margin
  // 2,2,2,2 and itemHeight 24. Create with create() afterwards.
  explicit ComboHelperWnd(ComboBox* combo);
  ~ComboHelperWnd() override;

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  ListBox* list() const { return list_; }
  bool open() const { return loop_ != nullptr; }
  // Ends the running loop (the drop-down hides when it ends).
  void close();
  // The combo died: the window destroys itself, now or (while its loop runs)
  // when the posted close message arrives.
  void comboDestroyed();

  // Shows the window at `area` (screen), sliding down or up over 100 ms, and
  // runs the local loop: mouse, non-client mouse, wheel and keyboard messages
  // of the thread go to this window (mouse positions mapped into it). Returns
  // when closed, when another window becomes active or on a quit message
  // (posted again). False when the window was destroyed meanwhile.
  bool runDropped(const RECT& area, bool below, HWND owner);

 private:
  struct LoopState {
    bool closed = false;
    bool destroyed = false;
  };
  bool readdress(MSG& msg) const;

  ComboBox* combo_;
  ListBox* list_ = nullptr;
  LoopState* loop_ = nullptr;
};

}  // namespace dui
