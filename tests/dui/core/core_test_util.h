// Fakes and helpers for the control-tree tests: a host window that records
// what the tree asks of it, and handler probes that log deliveries.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dui/core/control.h"
#include "dui/core/control_registry.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"

namespace dui_test {

class FakeHost : public dui::HostWindow {
 public:
  dui::IdMap& idMap() override { return ids; }
  void forgetControl(dui::Control* control) override { forgotten.push_back(control); }
  dui::Rect clientRect() const override { return client; }
  void invalidateArea(const dui::Rect& area) override { invalidated.push_back(area); }
  void requestRepaint(bool synchronous) override { repaints.push_back(synchronous); }
  bool cursorClientPosition(dui::Point& position) const override {
    position = cursor;
    return true;
  }
  bool accessKeysShown() const override { return keysShown; }

  dui::IdMap ids;
  std::vector<dui::Control*> forgotten;
  dui::Rect client{0, 0, 800, 600};
  std::vector<dui::Rect> invalidated;
  std::vector<bool> repaints;
  dui::Point cursor;
  bool keysShown = false;
};

// One delivery as seen by a handler.
struct Delivery {
  std::string handler;
  dui::Control* sender;
  std::uint32_t code;
};

// A handler target that logs each call into a shared list.
class Probe {
 public:
  Probe(std::vector<Delivery>* log, std::string name) : log_(log), name_(std::move(name)) {}
  void onEvent(dui::Control* sender, dui::Event& e) {
    log_->push_back(Delivery{name_, sender, e.msg});
    if (stop) e.handled = 1;
    if (action) action(sender, e);
  }
  bool stop = false;
  std::function<void(dui::Control*, dui::Event&)> action;

 private:
  std::vector<Delivery>* log_;
  std::string name_;
};

inline std::vector<std::string> names(const std::vector<Delivery>& log) {
  std::vector<std::string> out;
  for (const Delivery& d : log) out.push_back(d.handler);
  return out;
}

// Turns allocation poisoning on for the lifetime of a test.
class PoolPoisoning {
 public:
  PoolPoisoning() { dui::setPoolPoisoning(true); }
  ~PoolPoisoning() { dui::setPoolPoisoning(false); }
};

}  // namespace dui_test
