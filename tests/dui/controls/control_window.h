// A real framework window with a Canvas root for driving controls with sent
// and posted mouse and keyboard messages (and the real cursor, which the
// click rule reads).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "dui/core/framework.h"
#include "tests/dui/core/window_test_util.h"

namespace dui_test {

class ControlWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dui::startFramework());
    newRoot();
  }
  // A new empty 400 x 300 root for the controls of the next window.
  void newRoot() {
    root = new dui::Canvas;
    root->setInt(dui::names::width, 400);
    root->setInt(dui::names::height, 300);
  }
  // Closes the window (which deletes its tree) and starts a new root, for the
  // next case of a table that opens a window per case.
  void startAgain() {
    ::DestroyWindow(hwnd);
    newRoot();
  }
  // Creates and shows the window once the controls are placed.
  void open() {
    window = new dui::WindowImpl;
    window->setRoot(root);
    ASSERT_TRUE(window->create(0, WS_POPUP, 40, 40, 0, 0, nullptr));
    hwnd = window->hwnd();
    ::SetCursorPos(1200, 1000);  // far away until a test moves it
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    pump();
  }
  void TearDown() override {
    setControlKey(false);
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    dui::shutdownFramework();
    pump();
  }
  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(hwnd, message, wParam, lParam);
  }
  // Cursor onto the client point, then the message carrying that point.
  void mouse(UINT message, int x, int y, WPARAM keys = 0) {
    cursorTo(hwnd, x, y);
    send(message, keys, at(x, y));
  }
  // A full left click at a client point, with the queued work (the posted
  // Click) run afterwards.
  void click(int x, int y) {
    mouse(WM_MOUSEMOVE, x, y);
    mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    mouse(WM_LBUTTONUP, x, y);
    pump();
  }
  void key(WPARAM vk) {
    send(WM_KEYDOWN, vk, 1);
    send(WM_KEYUP, vk, 0xC0000001);
  }
  void type(const std::wstring& text) {
    for (wchar_t c : text) send(WM_CHAR, c, 1);
  }
  // The thread's view of the control key, which the editing controls read.
  static void setControlKey(bool down) {
    BYTE state[256];
    if (!::GetKeyboardState(state)) return;
    state[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(state);
  }
  void withControl(WPARAM vk) {
    setControlKey(true);
    key(vk);
    setControlKey(false);
  }

  dui::Canvas* root = nullptr;
  dui::WindowImpl* window = nullptr;
  HWND hwnd = nullptr;
};

}  // namespace dui_test
