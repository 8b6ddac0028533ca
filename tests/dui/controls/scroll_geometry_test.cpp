// The scroll bar's window-free arithmetic: thumb size and place, hit regions
// and the position a drag asks for.
#include <gtest/gtest.h>

#include "dui/controls/scroll_geometry.h"

using dui::Rect;
using dui::ScrollBarParts;
using dui::ScrollGeometry;
using dui::Size;

namespace {

// A vertical bar 16 wide and 200 tall with 16 x 16 arrows: a 168-pixel track
// from 16 to 184.
ScrollGeometry bar(std::int32_t total, std::int32_t page, std::int32_t position) {
  ScrollGeometry g;
  g.width = 16;
  g.height = 200;
  g.firstArrowSize = Size{16, 16};
  g.secondArrowSize = Size{16, 16};
  g.total = total;
  g.page = page;
  g.position = position;
  return g;
}

TEST(ScrollGeometry, ThumbLengthFollowsThePageAndNeverDropsBelowTwenty) {
  struct Case {
    std::int32_t total, page, length;
  };
  for (const Case& c : {Case{1000, 100, 20},     // 16.8 + 1 would be 17
                        Case{100000, 10, 20},    // a huge total: still grabbable
                        Case{400, 200, 85},      // 168 * 200 / 400 + 1
                        Case{300, 150, 85}, Case{0, 0, 168}}) {
    SCOPED_TRACE(c.total);
    EXPECT_EQ(bar(c.total, c.page, 0).thumbLength(), c.length);
  }
}

TEST(ScrollGeometry, ThumbRunsTheTrackWithThePositionAndSpansTheBar) {
  struct Case {
    std::int32_t position, start;
  };
  // Total 400, page 200: thumb 85, room 83, range 200.
  for (const Case& c : {Case{0, 16}, Case{100, 16 + 41}, Case{200, 16 + 83}, Case{500, 16 + 83}, Case{-5, 16}}) {
    SCOPED_TRACE(c.position);
    const ScrollGeometry g = bar(400, 200, c.position);
    EXPECT_EQ(g.thumb(), (Rect{0, c.start, 16, c.start + 85}));
  }
  ScrollGeometry horizontal = bar(400, 200, 200);
  horizontal.vertical = false;
  horizontal.width = 200;
  horizontal.height = 16;
  EXPECT_EQ(horizontal.firstArrow(), (Rect{0, 0, 16, 16}));
  EXPECT_EQ(horizontal.secondArrow(), (Rect{184, 0, 200, 16}));
  EXPECT_EQ(horizontal.thumb(), (Rect{99, 0, 184, 16}));
}

TEST(ScrollGeometry, ArrowsKeepTheirSizeCentredAcrossTheBar) {
  ScrollGeometry g = bar(400, 200, 0);
  g.width = 20;
  g.firstArrowSize = Size{10, 12};
  g.secondArrowSize = Size{14, 8};
  EXPECT_EQ(g.firstArrow(), (Rect{5, 0, 15, 12}));
  EXPECT_EQ(g.secondArrow(), (Rect{3, 192, 17, 200}));
  EXPECT_EQ(g.trackStart(), 12);
  EXPECT_EQ(g.trackLength(), 180);
}

TEST(ScrollGeometry, PointsHitTheFirstMatchingPart) {
  using P = ScrollBarParts;
  const ScrollGeometry g = bar(400, 200, 100);  // thumb 57 .. 142
  struct Case {
    std::int32_t x, y;
    std::uint32_t part;
  };
  for (const Case& c : {Case{8, 0, P::FirstArrowPressed}, Case{8, 15, P::FirstArrowPressed},
                        Case{8, 199, P::SecondArrowPressed}, Case{8, 57, P::ThumbDragged},
                        Case{8, 141, P::ThumbDragged}, Case{8, 16, P::TrackBeforePressed},
                        Case{8, 56, P::TrackBeforePressed}, Case{8, 142, P::TrackAfterPressed},
                        Case{8, 183, P::TrackAfterPressed}, Case{-1, 100, 0u}, Case{16, 100, 0u},
                        Case{8, 200, 0u}}) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(g.hit(c.x, c.y), c.part);
  }
  // Nothing to scroll: the arrows still hit, the track and thumb do not.
  const ScrollGeometry full = bar(100, 100, 0);
  EXPECT_EQ(full.hit(8, 5), P::FirstArrowPressed);
  EXPECT_EQ(full.hit(8, 100), 0u);
  EXPECT_EQ(P::FirstArrowPressed / 16, P::FirstArrowOver);
  EXPECT_EQ(P::ThumbDragged / 16, P::ThumbOver);
}

TEST(ScrollGeometry, DragAsksForThePositionThatPutsTheThumbThere) {
  const ScrollGeometry g = bar(400, 200, 0);  // room 83, range 200
  struct Case {
    std::int32_t thumbStart, position;
  };
  for (const Case& c : {Case{16, 0}, Case{57, 98}, Case{99, 200}, Case{150, 322}, Case{0, -38}}) {
    SCOPED_TRACE(c.thumbStart);
    EXPECT_EQ(g.positionForThumbAt(c.thumbStart), c.position);  // the bar's owner clamps
  }
  // The inverse holds wherever the placement is exact.
  for (std::int32_t position : {0, 100, 200}) EXPECT_NEAR(g.positionForThumbAt(bar(400, 200, position).thumbStart()), position, 2);
  // A track with no room for the thumb to move asks for 0.
  ScrollGeometry tiny = bar(400, 200, 0);
  tiny.height = 50;
  EXPECT_EQ(tiny.positionForThumbAt(30), 0);
}

}  // namespace
