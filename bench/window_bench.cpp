// Benchmark: painting through the back buffer. A 20 x 10 grid of controls on
// an ordinary and on a layered 800 x 400 window; each control is invalidated
// once, then the window's repaint messages run. Prints the cell paints per
// round (each cell once: nothing outside the dirty areas is drawn) and the
// time per round; also the cost of a mouse move through the hover path.
#include <chrono>
#include <cstdio>
#include <vector>

#include "dui/core/control_geometry.h"
#include "dui/core/framework.h"
#include "tests/dui/core/window_test_util.h"

using namespace dui;
using Clock = std::chrono::steady_clock;

namespace {

class Cell : public Control {
 public:
  void draw(HDC dc, const Rect& r, const Rect&) override {
    ++paints;
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  }
  static int paints;
};
int Cell::paints = 0;

// One round: the time from the first invalidation to the last paint, and the
// cell paints it took.
struct Round {
  double micros;
  int paints;
};

Round run(WindowImpl* window, const std::vector<Control*>& cells, bool byRows) {
  Cell::paints = 0;
  const auto start = Clock::now();
  if (byRows) {
    for (Control* c : cells) invalidate(c, false);
  } else {
    for (std::size_t col = 0; col < 20; ++col)
      for (std::size_t row = 0; row < 10; ++row) invalidate(cells[row * 20 + col], false);
  }
  dui_test::pump();
  window->flush();
  const auto end = Clock::now();
  return Round{std::chrono::duration<double, std::micro>(end - start).count(), Cell::paints};
}

}  // namespace

int main() {
  if (!startFramework()) return 1;
  for (bool layered : {false, true}) {
    auto* root = new Canvas;
    root->setInt(names::width, 800);
    root->setInt(names::height, 400);
    std::vector<Control*> cells;
    for (int row = 0; row < 10; ++row)
      for (int col = 0; col < 20; ++col) cells.push_back(dui_test::place(root, new Cell, col * 40, row * 40, 40, 40));
    auto* window = new WindowImpl;
    window->setRoot(root);
    window->setLayered(layered);
    if (!window->create(0, WS_POPUP, 0, 0, 0, 0, nullptr)) return 1;
    ::ShowWindow(window->hwnd(), SW_SHOWNOACTIVATE);
    dui_test::pump();
    for (bool byRows : {true, false}) {
      Round best{1e12, 0};
      for (int i = 0; i < 20; ++i) {
        const Round r = run(window, cells, byRows);
        if (r.micros < best.micros) best = r;
      }
      std::printf("%-9s window, 200 cells invalidated %s: %5d cell paints, %8.1f us per round\n",
                  layered ? "layered" : "ordinary", byRows ? "row by row   " : "column by col", best.paints,
                  best.micros);
    }
    const auto start = Clock::now();
    int moves = 0;
    for (int pass = 0; pass < 10; ++pass)
      for (int x = 0; x < 800; x += 7, ++moves) ::SendMessageW(window->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, 100));
    std::printf("%-9s window, mouse moves across the grid: %.2f us per move\n", layered ? "layered" : "ordinary",
                std::chrono::duration<double, std::micro>(Clock::now() - start).count() / moves);
    ::DestroyWindow(window->hwnd());
  }
  shutdownFramework();
  return 0;
}
