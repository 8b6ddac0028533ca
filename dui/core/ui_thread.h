// Which thread is the UI thread, for the asserts that catch a UI call made
// from another thread. It is the thread that first asks: in the program and
// in the tests the process's first thread, which builds the first control
// and starts the first timer long before any worker runs. Window-free.
#pragma once

#include <thread>

namespace dui {

inline bool onUiThread() {
  static const std::thread::id uiThread = std::this_thread::get_id();
  return std::this_thread::get_id() == uiThread;
}

}  // namespace dui
