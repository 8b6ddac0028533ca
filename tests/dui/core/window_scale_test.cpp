// A window at another display scale (WM_DPICHANGED): the tree keeps its
// layout units while the window takes the suggested pixels; presses in device
// pixels hit the control drawn there; invalidation and painting reach the
// scaled pixels.
#include <gtest/gtest.h>

#include "dui/core/framework.h"
#include "tests/dui/core/window_test_util.h"

using namespace dui;
using dui_test::place;

namespace {

// Fills its rectangle with one colour.
class Swatch : public Control {
 public:
  void draw(HDC dc, const Rect& r, const Rect&) override {
    kavri::UniqueHbrush brush(::CreateSolidBrush(RGB(0, 0, 255)));
    RECT area{r.left, r.top, r.right, r.bottom};
    ::FillRect(dc, &area, brush.get());
  }
};

// root (Canvas 300 x 200), swatch at (10, 10, 50 x 30), other at (100, 10, 50 x 30)
class WindowScale : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startFramework());
    root = new Canvas;
    root->setInt(names::width, 300);
    root->setInt(names::height, 200);
    swatch = place(root, new Swatch, 10, 10, 50, 30);
    other = place(root, new Control, 100, 10, 50, 30);
    window = dui_test::openQuietPopup(root);
    ASSERT_NE(window, nullptr);
    hwnd = window->hwnd();
    log.tap(root, "root");
    log.tap(swatch, "swatch");
    log.tap(other, "other");
  }
  void TearDown() override {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    shutdownFramework();
    dui_test::pump();
  }
  // Moves the window to a "monitor" of this DPI, at the size the system suggests.
  void rescale(int dpi) {
    RECT place{50, 50, 50 + 300 * dpi / 96, 50 + 200 * dpi / 96};
    ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
  }
  RECT client() const {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return r;
  }

  WindowImpl* window = nullptr;
  HWND hwnd = nullptr;
  Canvas* root = nullptr;
  Control* swatch = nullptr;
  Control* other = nullptr;
  dui_test::EventLog log;
};

TEST_F(WindowScale, TheTreeKeepsLayoutUnitsWhileTheWindowTakesTheSuggestedPixels) {
  for (int dpi : {144, 192, 96}) {
    SCOPED_TRACE(dpi);
    rescale(dpi);
    EXPECT_EQ(window->dpiScale().dpi(), dpi);
    EXPECT_EQ(client().right, 300 * dpi / 96);
    EXPECT_EQ(client().bottom, 200 * dpi / 96);
    EXPECT_EQ(root->rect(), (Rect{0, 0, 300, 200}));
    EXPECT_EQ(swatch->rect(), (Rect{10, 10, 60, 40}));
    EXPECT_EQ(window->clientRect(), (Rect{0, 0, 300, 200}));
  }
}

TEST_F(WindowScale, PressesInDevicePixelsHitTheControlDrawnThere) {
  const struct {
    int dpi, x, y;
    const char* hit;
  } presses[] = {
      {192, 20, 20, "swatch"},   {192, 119, 79, "swatch"},  {192, 120, 79, "root"},   // 2x: 10..60 is 20..120
      {192, 19, 20, "root"},     {192, 200, 20, "other"},   {192, 198, 20, "root"},
      {144, 15, 15, "swatch"},   {144, 14, 15, "root"},     {144, 89, 59, "swatch"},  // 1.5x: 10..60 is 15..90
      {144, 90, 59, "root"},     {144, 150, 15, "other"},
  };
  for (const auto& p : presses) {
    SCOPED_TRACE(testing::Message() << p.dpi << " at " << p.x << "," << p.y);
    rescale(p.dpi);
    log.take();
    ::SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
    const auto lines = log.take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), std::string(p.hit) + ":RButtonDown");
  }
}

TEST_F(WindowScale, InvalidationAndPaintingReachTheScaledPixels) {
  rescale(192);
  ::ValidateRect(hwnd, nullptr);
  dui_test::pumpFor();   // whatever the rescale asked for is painted
  window->invalidateArea(Rect{10, 10, 60, 40});
  // Recorded in pixels until the next frame hands it to the system.
  ASSERT_EQ(window->dirtyList().size(), 1u);
  EXPECT_EQ(window->dirtyList()[0], (Rect{20, 20, 120, 80}));

  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::UpdateWindow(hwnd);
  const BackBuffer& buffer = window->backBuffer();
  ASSERT_EQ(buffer.width(), 600);
  ::GdiFlush();
  const auto blue = [&](int x, int y) { return (buffer.pixels()[y * buffer.width() + x] & 0xFFFFFFu) == 0x0000FFu; };
  EXPECT_TRUE(blue(20, 20));
  EXPECT_TRUE(blue(119, 79));
  EXPECT_FALSE(blue(120, 79));
  EXPECT_FALSE(blue(19, 20));
  EXPECT_FALSE(blue(20, 80));
}

}  // namespace
