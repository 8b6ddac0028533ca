// Painting a tree: styles by name, child order, per-child clipping.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "dui/core/core_plugs.h"
#include "dui/core/skin_source.h"
#include "dui/core/style.h"
#include "support/win32_handles.h"
#include "tests/dui/core/core_test_util.h"
#include "tests/helpers/pixel_canvas.h"

using namespace dui;

namespace {

struct Painted {
  std::wstring style;
  Rect drawRect;
  Rect clipBox;
};

// A style that records where it was asked to draw and the device context's clip.
class RecordingStyle : public Style {
 public:
  RecordingStyle(std::wstring name, std::vector<Painted>* log) : name_(std::move(name)), log_(log) {}
  void draw(HDC dc, const Rect& rect, Control*) override {
    RECT box{};
    ::GetClipBox(dc, &box);
    log_->push_back(Painted{name_, rect, Rect{box.left, box.top, box.right, box.bottom}});
  }

 private:
  std::wstring name_;
  std::vector<Painted>* log_;
};

class Styles : public SkinSource {
 public:
  Style* getStyle(const std::wstring& name) override {
    auto it = styles.find(name);
    return it == styles.end() ? nullptr : it->second;
  }
  SkinImage* getImage(const std::wstring&) override { return nullptr; }
  HFONT getFont(const std::wstring&) override { return nullptr; }
  std::map<std::wstring, Style*> styles;
};

Control* add(Panel* parent, Control* c, const wchar_t* style, const Rect& r) {
  if (style) c->setString(names::style, style);
  c->setRect(r);
  parent->addChild(c);
  return c;
}

TEST(Paint, ChildrenInOrderClippedToTheirRectangles) {
  std::vector<Painted> log;
  Styles source;
  const wchar_t* styleNames[] = {L"root", L"a", L"hidden", L"collapsed", L"overflow", L"outside", L"box", L"inner"};
  std::vector<std::unique_ptr<RecordingStyle>> owned;
  for (const wchar_t* n : styleNames) {
    owned.push_back(std::make_unique<RecordingStyle>(n, &log));
    source.styles[n] = owned.back().get();
  }
  CorePlugs plugs = corePlugs();
  plugs.skinSource = &source;
  const CorePlugs previous = replaceCorePlugs(plugs);

  Panel root;
  root.setString(names::style, L"root");
  root.setRect(Rect{0, 0, 100, 100});
  add(&root, new Control, L"a", Rect{10, 10, 50, 50});
  add(&root, new Control, L"hidden", Rect{10, 10, 50, 50})->setFlag(flags::Visible, false);
  add(&root, new Control, L"collapsed", Rect{10, 10, 50, 50})->setFlag(flags::Collapsed, true);
  add(&root, new Control, L"missing-style", Rect{10, 10, 50, 50});
  add(&root, new Control, L"overflow", Rect{90, 90, 150, 150});
  add(&root, new Control, L"outside", Rect{120, 0, 130, 10});
  auto* box = static_cast<Panel*>(add(&root, new Panel, L"box", Rect{20, 60, 60, 100}));
  add(box, new Control, L"inner", Rect{5, 5, 100, 100});

  kavri::UniqueHdc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = 300;
  info.bmiHeader.biHeight = -300;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  kavri::UniqueHbitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bitmap);
  kavri::ScopedSelect select(dc.get(), bitmap.get());

  // A clip of the caller's own: drawing must leave it exactly as it was.
  kavri::UniqueHrgn callerClip(::CreateRectRgn(0, 0, 250, 240));
  ASSERT_EQ(::SelectClipRgn(dc.get(), callerClip.get()), SIMPLEREGION);
  root.draw(dc.get(), Rect{0, 0, 100, 100}, Rect{0, 0, 100, 100});
  replaceCorePlugs(previous);

  struct Expect {
    const wchar_t* style;
    Rect drawRect;
    Rect clipBox;
  };
  const Expect expected[] = {
      {L"root", {0, 0, 100, 100}, {0, 0, 250, 240}},   // the caller's clip
      {L"a", {10, 10, 50, 50}, {10, 10, 50, 50}},
      {L"overflow", {90, 90, 150, 150}, {90, 90, 100, 100}},
      {L"box", {20, 60, 60, 100}, {20, 60, 60, 100}},
      {L"inner", {25, 65, 120, 160}, {25, 65, 60, 100}},
  };
  ASSERT_EQ(log.size(), std::size(expected));
  for (std::size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(log[i].style, expected[i].style);
    EXPECT_EQ(log[i].drawRect, expected[i].drawRect);
    EXPECT_EQ(log[i].clipBox, expected[i].clipBox);
  }

  // The caller's clip of the device context is back after the children drew.
  RECT box2{};
  ASSERT_EQ(::GetClipBox(dc.get(), &box2), SIMPLEREGION);
  EXPECT_EQ(box2.left, 0);
  EXPECT_EQ(box2.top, 0);
  EXPECT_EQ(box2.right, 250);
  EXPECT_EQ(box2.bottom, 240);
}

// A style that fills the rectangle it is given.
class FillingStyle : public Style {
 public:
  void draw(HDC dc, const Rect& rect, Control*) override {
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  }
};

// Without a skin source a control naming a style draws nothing: the pixels
// and the context's clip and colours stay as they were. The same draw with a
// source that has the style fills the canvas, so the canvas would show it.
TEST(Paint, NoSkinSourceDrawsNothing) {
  CorePlugs plugs = corePlugs();
  plugs.skinSource = nullptr;
  const CorePlugs previous = replaceCorePlugs(plugs);
  Control c;
  c.setString(names::style, L"any");
  constexpr uint32_t kBackground = 0xFF102030u;
  kavri::test::PixelCanvas canvas(12, 12, kBackground);
  const COLORREF textColour = ::GetTextColor(canvas.dc());
  const COLORREF backColour = ::GetBkColor(canvas.dc());
  RECT clipBefore{};
  const int clipKind = ::GetClipBox(canvas.dc(), &clipBefore);

  c.draw(canvas.dc(), Rect{1, 1, 11, 11}, Rect{1, 1, 11, 11});
  canvas.expectPixels([](int, int) { return kBackground; }, "no skin source");
  RECT clipAfter{};
  EXPECT_EQ(::GetClipBox(canvas.dc(), &clipAfter), clipKind);
  EXPECT_TRUE(::EqualRect(&clipAfter, &clipBefore));
  EXPECT_EQ(::GetTextColor(canvas.dc()), textColour);
  EXPECT_EQ(::GetBkColor(canvas.dc()), backColour);

  FillingStyle filling;
  Styles source;
  source.styles[L"any"] = &filling;
  plugs.skinSource = &source;
  replaceCorePlugs(plugs);
  c.draw(canvas.dc(), Rect{1, 1, 11, 11}, Rect{1, 1, 11, 11});
  replaceCorePlugs(previous);
  EXPECT_EQ(canvas.rgb(5, 5), 0xFFFFFFu) << "with the style the same draw paints";
  EXPECT_EQ(canvas.rgb(0, 0), kBackground & 0xFFFFFFu);
}

}  // namespace
