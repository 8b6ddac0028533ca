// The page controls on a real window with a skin in memory: the progress
// bar's revealed foreground, the slideshow's steps and blended frames, the
// tab control's layout, selection and pages, and the title bar's drag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dui/controls/cross_fade.h"
#include "dui/controls/page_controls.h"
#include "dui/core/control_registry.h"
#include "dui/core/deferred_call.h"
#include "dui/core/focus_navigation.h"
#include "dui/core/msimg.h"
#include "dui/markup/markup_startup.h"
#include "dui/markup/skin_resources.h"
#include "tests/dui/controls/control_window.h"
#include "tests/dui/markup/markup_test_util.h"

using namespace dui;
using dui_test::place;
using dui_test::pumpFor;
using Lines = std::vector<std::string>;

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xC80000;
constexpr uint32_t kGreen = 0x00C800;

// A window with the skin: red.png and green.png (8 x 8), blue.png (16 x 8).
class PageControls : public dui_test::ControlWindow {
 protected:
  void SetUp() override {
    ControlWindow::SetUp();
    kavri::setCurrentFileSystem(&files_);
    ASSERT_TRUE(loadMsimg32());
    std::vector<test::PackageEntry> entries;
    entries.push_back(test::solidPng("red.png", 0xC8, 0, 0));
    entries.push_back(test::solidPng("green.png", 0, 0xC8, 0));
    entries.push_back(test::solidPng("blue.png", 0, 0, 0xC8, 16, 8));
    files_.addFile(L"style.lz", kavri::test::buildImage(std::move(entries)));
    ASSERT_TRUE(openSkinPackage(L"style.lz"));
  }
  void TearDown() override {
    ControlWindow::TearDown();
    closeSkinPackage();
    kavri::setCurrentFileSystem(nullptr);
  }
  kavri::MemoryFileSystem files_;
};

// --- Progress bar

TEST_F(PageControls, ProgressBarRevealsTheForegroundUpToThePosition) {
  struct Case {
    const char* name;
    std::int32_t range, position;
    Rect margin;
    std::int32_t redFrom, redTo;   // the red columns on row 5; redTo == redFrom for none
  };
  const Case cases[] = {
      {"half of a 516-pixel bar", 100, 50, {}, 0, 258},
      {"all of it", 100, 100, {}, 0, 516},
      {"a third, truncated", 3, 1, {}, 0, 172},
      {"position 0 shows none", 100, 0, {}, 0, 0},
      {"range 0 shows none", 0, 0, {}, 0, 0},
      {"a negative position shows none", 100, -5, {}, 0, 0},
      {"inside the margin", 100, 50, {10, 2, 6, 2}, 10, 10 + 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::PixelCanvas canvas(516, 12);
    ProgressBar bar;
    bar.setString(names::progressbkimg, L"green.png");
    bar.setString(names::progressimg, L"red.png");
    bar.setRect(names::progressmargin, c.margin);
    bar.setRange(c.range);
    bar.setPosition(c.position);
    const Rect area{0, 0, 516, 12};
    bar.draw(canvas.dc(), area, area);
    for (int x = 0; x < 516; ++x) {
      const bool red = x >= c.redFrom && x < c.redTo;
      if (canvas.rgb(x, 5) != (red ? kRed : kGreen)) {
        ADD_FAILURE() << "column " << x << " should be " << (red ? "red" : "green");
        break;
      }
    }
  }
}

TEST_F(PageControls, ProgressBarWithMissingPicturesSkipsThem) {
  struct Case { const wchar_t* background; const wchar_t* foreground; uint32_t left; uint32_t right; };
  for (const Case& c : {Case{nullptr, L"red.png", kRed, kBlack}, Case{L"missing.png", L"red.png", kRed, kBlack},
                        Case{L"green.png", L"missing.png", kGreen, kGreen}, Case{nullptr, nullptr, kBlack, kBlack}}) {
    test::PixelCanvas canvas(100, 10);
    ProgressBar bar;
    if (c.background) bar.setString(names::progressbkimg, c.background);
    if (c.foreground) bar.setString(names::progressimg, c.foreground);
    bar.setRange(2);
    bar.setPosition(1);
    const Rect area{0, 0, 100, 10};
    bar.draw(canvas.dc(), area, area);
    EXPECT_EQ(canvas.rgb(10, 5), c.left);
    EXPECT_EQ(canvas.rgb(90, 5), c.right);
  }
}

TEST_F(PageControls, ProgressBarClampsThePositionToTheRangeOnly) {
  struct Step { bool isRange; std::int32_t value; std::int32_t range, position; };
  ProgressBar bar;
  EXPECT_EQ(bar.range(), 1);
  EXPECT_EQ(bar.position(), 0);
  for (const Step& s : {Step{true, 100, 100, 0}, Step{false, 200, 100, 100}, Step{false, -5, 100, -5},
                        Step{false, 40, 100, 40}, Step{true, 10, 10, 40},   // not clamped again
                        Step{false, 40, 10, 10}}) {
    if (s.isRange) bar.setRange(s.value); else bar.setPosition(s.value);
    EXPECT_EQ(bar.range(), s.range);
    EXPECT_EQ(bar.position(), s.position);
  }
  // A position left beyond a lowered range still reveals no more than the bar.
  EXPECT_EQ(ProgressBar::filledRight(Rect{0, 0, 516, 10}, 40, 10), 516);
  EXPECT_EQ(ProgressBar::filledRight(Rect{0, 0, 516, 10}, 0x7FFFFFFF, 0x7FFFFFFF), 516);
}

// --- Cross-fade and slideshow

TEST(CrossFade, AlphaFollowsHalfASineWave) {
  struct Case { int tick; int alpha; };
  for (const Case& c : {Case{0, 0}, Case{10, 37}, Case{20, 128}, Case{30, 218}, Case{39, 255}, Case{40, 255}})
    EXPECT_EQ(crossFadeAlpha(c.tick), c.alpha) << "tick " << c.tick;
}

TEST(CrossFade, EveryByteIsWeighedBetweenTheTwoPictures) {
  const std::uint32_t next[] = {0xFFC80000u, 0xFF000000u, 0x80402010u};
  const std::uint32_t previous[] = {0xFF00C800u, 0xFFFFFFFFu, 0x00000000u};
  std::uint32_t out[3];
  crossFade(next, previous, out, 3, 0);
  EXPECT_EQ(out[0], previous[0]);
  EXPECT_EQ(out[1], previous[1]);
  crossFade(next, previous, out, 3, 128);
  EXPECT_EQ(out[0], 0xFF646400u);
  EXPECT_EQ(out[1], 0xFF7F7F7Fu);
  EXPECT_EQ(out[2], 0x40201008u);
  crossFade(next, previous, out, 3, 256);
  EXPECT_EQ(out[2], next[2]);
}

class Slideshow : public PageControls {
 protected:
  PowerPoint* show(const wchar_t* list) {
    auto* s = new PowerPoint;
    if (list) s->setString(names::imagelist, list);
    place(root, s, 10, 10, 40, 20);
    return s;
  }
  std::uint32_t framePixel(PowerPoint* s) {
    const std::uint32_t* frame = s->frame();
    return frame ? frame[0] & 0xFFFFFF : 0xDEAD;
  }
};

TEST_F(Slideshow, StartsAt50TurnsAfter151TicksAndBlendsTheNext40Frames) {
  PowerPoint* s = show(L"red.png;green.png");
  open();
  EXPECT_EQ(s->interval(), PowerPoint::kInterval);
  ASSERT_EQ(s->pictureCount(), 2u);
  EXPECT_EQ(framePixel(s), kRed);

  s->playStart();   // counts from 50, and the start ticks once
  EXPECT_TRUE(s->playing());
  EXPECT_EQ(s->tickCount(), 51);
  s->advance();
  s->playStart();   // already running: nothing changes
  EXPECT_EQ(s->tickCount(), 52);
  for (int i = 52; i < PowerPoint::kLastTick; ++i) s->advance();
  EXPECT_EQ(s->index(), 0u);
  s->advance();     // the 101st tick since the start
  EXPECT_EQ(s->index(), 1u);
  EXPECT_EQ(s->tickCount(), 0);

  // Ticks 0 .. 39 blend red into green; from 40 on green stands alone.
  for (int tick = 0; tick <= kCrossFadeTicks; ++tick) {
    const std::uint32_t a = static_cast<std::uint32_t>(crossFadeAlpha(tick));
    const std::uint32_t expected = tick < kCrossFadeTicks ? ((0xC8 * (256 - a)) >> 8) << 16 | ((0xC8 * a) >> 8) << 8
                                                          : kGreen;
    ASSERT_EQ(framePixel(s), expected) << "tick " << tick;
    s->advance();
  }
  for (int i = kCrossFadeTicks + 1; i <= PowerPoint::kLastTick; ++i) s->advance();
  EXPECT_EQ(s->index(), 0u);   // wraps after the last picture

  s->playStop();
  EXPECT_FALSE(s->playing());
  EXPECT_EQ(framePixel(s), kRed);   // stopped: no blend
  s->playStart();
  EXPECT_EQ(s->tickCount(), 51);
}

// Slideshows on a page not yet shown decode nothing when their window is
// built and shown; the pictures are decoded when first drawn or played.
TEST_F(Slideshow, PicturesAreDecodedWhenFirstNeededNotWhenAttached) {
  PowerPoint* drawn = show(L"red.png;green.png");
  PowerPoint* played = show(L"blue.png");
  for (PowerPoint* s : {drawn, played}) s->setFlagWord(s->flagWord() & ~flags::Visible);
  open();
  EXPECT_EQ(skinResources().decodedImageCount(), 0u);

  test::PixelCanvas canvas(60, 40);
  const Rect area{0, 0, 60, 40};
  drawn->draw(canvas.dc(), area, area);
  EXPECT_EQ(canvas.rgb(0, 0), kRed);
  EXPECT_EQ(skinResources().decodedImageCount(), 2u);

  played->playStart();
  EXPECT_EQ(played->tickCount(), 51);   // fetching the pictures does not restart the count
  EXPECT_EQ(played->pictureCount(), 1u);
  EXPECT_EQ(skinResources().decodedImageCount(), 3u);
  played->playStop();
}

TEST_F(Slideshow, FullTickFromStartTurnsThePictureAfter151Ticks) {
  PowerPoint* s = show(L"red.png;green.png");
  open();
  for (int i = 0; i < 150; ++i) s->advance();
  EXPECT_EQ(s->index(), 0u);
  s->advance();
  EXPECT_EQ(s->index(), 1u);
}

TEST_F(Slideshow, MissingPicturesDrawNothingAndOtherSizesAreNotBlended) {
  struct Case {
    const wchar_t* list;
    std::size_t count;
    std::vector<std::uint32_t> frames;   // the frame pixel at index 0, 1, ... (0xDEAD: none)
  };
  const Case cases[] = {
      {nullptr, 0, {0xDEAD}},
      {L"", 0, {0xDEAD}},
      {L"missing.png", 1, {0xDEAD}},
      {L";red.png", 2, {0xDEAD, kRed}},
      {L"red.png;missing.png", 2, {kRed, 0xDEAD}},
      {L"red.png;blue.png", 2, {kRed, 0x0000C8}},   // blue is wider: shown, never blended
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list ? std::string(c.list, c.list + wcslen(c.list)) : "no imagelist");
    PowerPoint* s = show(c.list);
    open();
    ASSERT_EQ(s->pictureCount(), c.count);
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
      if (i == 1) {
        s->playStart();
        while (s->index() == 0) s->advance();   // tick 0 of the next picture: a fade if any
      }
      EXPECT_EQ(framePixel(s), c.frames[i]) << "picture " << i;
      test::PixelCanvas canvas(60, 40);
      const Rect area{0, 0, 60, 40};
      s->draw(canvas.dc(), area, area);   // never reads a missing picture
      if (c.frames[i] == 0xDEAD) {
        EXPECT_EQ(canvas.changedBox(kBlack).right, 0);
      }
    }
    startAgain();
  }
}

TEST_F(Slideshow, PaintsTheBlendedFrameAtNaturalSize) {
  PowerPoint* s = show(L"red.png;green.png");
  open();
  for (int i = 0; i <= PowerPoint::kLastTick; ++i) s->advance();
  s->playStart();
  while (s->tickCount() != 20) s->advance();
  test::PixelCanvas canvas(40, 20);
  const Rect area{2, 2, 40, 20};
  s->draw(canvas.dc(), area, area);
  EXPECT_EQ(canvas.rgb(2, 2), 0x646400u);
  EXPECT_EQ(canvas.rgb(9, 9), 0x646400u);
  EXPECT_EQ(canvas.rgb(10, 10), kBlack);   // 8 x 8: not stretched
}

// --- Tabs

// Logs ValueChange of the tab control and its headers.
struct ChangeLog {
  Lines lines;
  std::vector<std::pair<Control*, std::string>> names;
  void tap(Control* c, const std::string& name) {
    names.emplace_back(c, name);
    c->addHandler(events::ValueChange, this, &ChangeLog::on);
  }
  void on(Control* sender, Event&) {
    for (auto& [c, n] : names)
      if (c == sender) lines.push_back(n + (sender->hasFlag(flags::Checked) ? "+" : ""));
  }
  Lines take() {
    Lines out;
    out.swap(lines);
    return out;
  }
};

// A tab control at (20, 20), 300 x 200, strip 30, with three headers 60 wide
// whose pages have ids 11, 12 and 13.
class Tabs : public PageControls {
 protected:
  void build(AttrKey placement) {
    tabs = new TabControl;
    tabs->setInt(names::tabHeight, 30);
    if (placement) tabs->setEnum(names::tabPlacement, placement);
    for (int i = 0; i < 3; ++i) {
      items[i] = new TabItem;
      items[i]->setInt(placement == names::kwLeft ? names::height : names::width, 60);
      pages[i] = new Control;
      pages[i]->setInt(names::id, 11 + i);
      items[i]->setContent(pages[i]);
      tabs->addChild(items[i]);
    }
    log.tap(tabs, "tabs");
    for (int i = 0; i < 3; ++i) log.tap(items[i], "item" + std::to_string(i));
    place(root, tabs, 20, 20, 300, 200);
    open();
  }
  TabControl* tabs = nullptr;
  TabItem* items[3] = {};
  Control* pages[3] = {};
  ChangeLog log;
};

TEST_F(Tabs, FirstArrangeSelectsTheFirstItemAndLaysOutStripAndSlot) {
  struct Case {
    AttrKey placement;
    Rect strip, slot;
    Rect secondHeader;
  };
  for (const Case& c : {Case{nullptr, {0, 0, 300, 30}, {0, 30, 300, 200}, {60, 0, 120, 30}},
                        Case{names::kwTop, {0, 0, 300, 30}, {0, 30, 300, 200}, {60, 0, 120, 30}},
                        Case{names::kwLeft, {0, 0, 30, 200}, {30, 0, 300, 200}, {0, 60, 30, 120}}}) {
    SCOPED_TRACE(c.placement ? std::string(c.placement, c.placement + wcslen(c.placement)) : "none");
    build(c.placement);
    EXPECT_EQ(tabs->selected(), items[0]);
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_EQ(log.take(), Lines{"tabs"});
    EXPECT_EQ(tabs->stripRect(), c.strip);
    EXPECT_EQ(tabs->contentSlot(), c.slot);
    EXPECT_EQ(items[1]->rect(), c.secondHeader);
    for (Control* page : pages) EXPECT_EQ(page->rect(), c.slot);
    startAgain();
    log = ChangeLog{};
  }
}

TEST_F(Tabs, SelectRaisesValueChangeAtTheOldItemThenTheControlAndNothingTwice) {
  build(nullptr);
  log.take();
  struct Step { int item; Lines lines; };
  for (const Step& s : {Step{0, {}}, Step{2, {"item0", "tabs"}}, Step{2, {}}, Step{1, {"item2", "tabs"}}}) {
    tabs->select(items[s.item]);
    EXPECT_EQ(log.take(), s.lines) << "select " << s.item;
    EXPECT_EQ(tabs->selected(), items[s.item]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(items[i]->isChecked(), i == s.item);
    EXPECT_EQ(pages[s.item]->rect(), tabs->contentSlot());   // the slide ends in the slot
  }
  TabItem stranger;
  tabs->select(&stranger);
  EXPECT_EQ(tabs->selected(), items[1]);
}

// Notes where the new page stands each time the window paints the tab
// control (it lies over the tabs, after them, and takes no clicks).
class PaintWatcher : public Control {
 public:
  PaintWatcher(Control** watched, std::vector<Rect>* seen) : watched_(watched), seen_(seen) {
    setFlag(flags::HitTransparent, true);
  }
  void draw(HDC, const Rect&, const Rect&) override {
    if (*watched_ && (seen_->empty() || !(seen_->back() == (*watched_)->rect()))) seen_->push_back((*watched_)->rect());
  }

 private:
  Control** watched_;
  std::vector<Rect>* seen_;
};

// The slide: ten placements, each painted, entering from the right when the
// new item comes after the old one and from the left when before it, then
// the slot; no slide with the headers on the left.
TEST_F(Tabs, ANewPageSlidesInInTenPaintedStepsFromTheSideOfItsHeader) {
  std::vector<Rect> seen;
  Control* watched = nullptr;
  auto steps = [](int first, int step) {   // lefts first, first + step, ... (ten of them), 300 wide
    std::vector<Rect> out;
    for (int i = 0; i < 10; ++i) out.push_back(Rect{first + i * step, 30, first + i * step + 300, 200});
    return out;
  };
  struct Case {
    const char* name;
    AttrKey placement;
    int from, to;
    std::vector<Rect> placements;   // before the slot
  };
  const Case cases[] = {
      {"a later item: in from the right", nullptr, 0, 2, steps(300, -30)},
      {"an earlier item: in from the left", nullptr, 2, 1, steps(-300, 30)},
      {"headers on top", names::kwTop, 1, 2, steps(300, -30)},
      {"headers on the left: no slide", names::kwLeft, 0, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    place(root, new PaintWatcher(&watched, &seen), 20, 20, 300, 200);   // over the tabs
    build(c.placement);
    tabs->select(items[c.from]);
    dui_test::pump();
    seen.clear();
    watched = pages[c.to];
    tabs->select(items[c.to]);
    dui_test::pump();
    std::vector<Rect> expected = c.placements;
    expected.push_back(tabs->contentSlot());
    if (!seen.empty() && seen.front() == tabs->contentSlot() && !c.placements.empty()) seen.erase(seen.begin());
    EXPECT_EQ(seen, expected);
    watched = nullptr;
    startAgain();
    log = ChangeLog{};
  }
}

TEST_F(Tabs, PagesAreFoundByIdWhileAttachedAndOnlyTheSelectedOneIsHit) {
  build(nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(window->idMap().find(11 + i), pages[i]);
    EXPECT_EQ(pages[i]->parent(), tabs);
  }
  // (100, 120) in the window is inside the slot.
  EXPECT_EQ(root->hitTest(100, 120), pages[0]);
  tabs->select(items[2]);
  EXPECT_EQ(root->hitTest(100, 120), pages[2]);
  EXPECT_EQ(root->hitTest(100 + 60, 30), items[2]);

  // Taken out of the window, the pages leave it too; the list stays whole.
  ASSERT_TRUE(root->removeChild(tabs));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(window->idMap().find(11 + i), nullptr);
    EXPECT_FALSE(isLive(pages[i]));
  }
  EXPECT_EQ(tabs->childCount(), 3);
  delete tabs;
}

TEST_F(Tabs, DestroyingAHeaderTakesItsPageAndKeepsTheListWhole) {
  build(nullptr);
  delete items[1];
  EXPECT_EQ(tabs->childCount(), 2);
  EXPECT_EQ(tabs->childAt(1), items[2]);
  EXPECT_EQ(window->idMap().find(12), nullptr);
  EXPECT_FALSE(tabs->removeChild(pages[0]));   // not in the list: refused
  EXPECT_FALSE(root->addChild(pages[0]));      // nor taken from its header
  EXPECT_EQ(pages[0]->parent(), tabs);
}

TEST_F(Tabs, ClickingAHeaderSwitchesThePage) {
  build(nullptr);
  log.take();
  click(20 + 60 + 30, 20 + 15);
  EXPECT_EQ(tabs->selected(), items[1]);
  EXPECT_EQ(log.take(), (Lines{"item0", "tabs"}));
  click(20 + 60 + 30, 20 + 15);   // the selected header again: nothing
  EXPECT_EQ(log.take(), Lines{});
  EXPECT_EQ(root->hitTest(100, 120), pages[1]);
}

TEST_F(Tabs, TheSelectedHeaderIsTheStripsStopAndItsArrowsSwitchWithTheFocus) {
  build(nullptr);
  for (Control* page : pages) page->setFlag(flags::TabStop, true);
  EXPECT_EQ(tabOrder(root), (std::vector<Control*>{items[0], pages[0]})) << "the header, then its page";
  window->setFocus(items[0]);
  struct Step {
    WPARAM key;
    int selected;
  };
  for (const Step& s : {Step{VK_RIGHT, 1}, Step{VK_DOWN, 2}, Step{VK_RIGHT, 2}, Step{VK_HOME, 0}, Step{VK_LEFT, 0},
                        Step{VK_END, 2}, Step{VK_UP, 1}}) {
    key(s.key);
    EXPECT_EQ(tabs->selected(), items[s.selected]) << "key " << s.key;
    EXPECT_EQ(window->focusControl(), items[s.selected]) << "key " << s.key;
  }
  EXPECT_EQ(tabOrder(root), (std::vector<Control*>{items[1], pages[1]}));
  // A header selected by the script while its old one has the focus takes it.
  tabs->select(items[0]);
  EXPECT_EQ(window->focusControl(), items[0]);
}

TEST_F(Tabs, AClickPostedToAHeaderSelectsIt) {
  build(nullptr);
  postEvent(items[2], makeEvent(events::Click));  // an access key, a screen reader's action
  dui_test::pump();
  EXPECT_EQ(tabs->selected(), items[2]);
}

// --- Title bar

void sendInput(DWORD flags, int x = 0, int y = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    in.mi.dx = (x * 65535) / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (y * 65535) / (::GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  ::SendInput(1, &in, sizeof in);
}

TEST_F(PageControls, DraggingTheTitleBarMovesTheWindow) {
  place(root, new TitleBar, 0, 0, 400, 30);
  open();
  RECT before;
  ::GetWindowRect(hwnd, &before);
  const int x = before.left + 100, y = before.top + 10;
  sendInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
  pumpFor(50);
  sendInput(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 5; ++step) sendInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x + 12 * step, y + 8 * step);
  sendInput(MOUSEEVENTF_LEFTUP);
  pumpFor(300);
  RECT after;
  ::GetWindowRect(hwnd, &after);
  EXPECT_EQ(after.left - before.left, 60);
  EXPECT_EQ(after.top - before.top, 40);
}

}  // namespace
