// The dirty list of layered windows: containment, merging and the early flush.
#include "dui/core/dirty_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace dui {
namespace {

struct Recorder {
  DirtyList list;
  std::vector<std::vector<Rect>> flushes;

  void add(const Rect& r) {
    list.add(r, [this] {
      std::vector<Rect> painted;
      for (std::size_t i = 0; i < list.size(); ++i) painted.push_back(list[i]);
      flushes.push_back(painted);
      list.clear();
    });
  }
  std::vector<Rect> stored() const {
    std::vector<Rect> out;
    for (std::size_t i = 0; i < list.size(); ++i) out.push_back(list[i]);
    return out;
  }
};

TEST(DirtyList, SideBySideControlsMergeAndAnInnerAreaAddsNothing) {
  Recorder r;
  r.add({10, 20, 60, 40});
  r.add({60, 20, 110, 40});  // same rows, touching columns
  EXPECT_EQ(r.stored(), (std::vector<Rect>{{10, 20, 110, 40}}));
  r.add({30, 25, 90, 35});  // inside the merged one
  EXPECT_EQ(r.stored(), (std::vector<Rect>{{10, 20, 110, 40}}));
  EXPECT_TRUE(r.flushes.empty());
}

TEST(DirtyList, MergeRules) {
  struct Case {
    const char* what;
    Rect first, second;
    std::vector<Rect> expected;
  } cases[] = {
      {"stacked, same columns, touching", {0, 0, 50, 10}, {0, 10, 50, 30}, {{0, 0, 50, 30}}},
      {"stacked, same columns, overlapping above", {0, 10, 50, 30}, {0, 5, 50, 15}, {{0, 5, 50, 30}}},
      {"same columns with a gap", {0, 0, 50, 10}, {0, 11, 50, 20}, {{0, 0, 50, 10}, {0, 11, 50, 20}}},
      {"same rows with a gap", {0, 0, 10, 10}, {11, 0, 20, 10}, {{0, 0, 10, 10}, {11, 0, 20, 10}}},
      {"touching but different heights", {0, 0, 10, 10}, {10, 0, 20, 12}, {{0, 0, 10, 10}, {10, 0, 20, 12}}},
      {"new area covers the stored one", {5, 5, 10, 10}, {0, 0, 20, 20}, {{0, 0, 20, 20}}},
      {"empty area ignored", {0, 0, 10, 10}, {5, 5, 5, 9}, {{0, 0, 10, 10}}},
  };
  for (const Case& c : cases) {
    Recorder r;
    r.add(c.first);
    r.add(c.second);
    EXPECT_EQ(r.stored(), c.expected) << c.what;
  }
}

TEST(DirtyList, CoveringAreaRemovesEveryContainedOneIncludingTheMovedLast) {
  Recorder r;
  r.add({0, 0, 5, 5});        // inside
  r.add({100, 100, 110, 110});  // outside
  r.add({10, 0, 15, 5});      // inside
  r.add({20, 20, 24, 24});    // inside, last: moves into the first freed slot
  r.add({0, 0, 30, 30});
  EXPECT_EQ(r.stored(), (std::vector<Rect>{{100, 100, 110, 110}, {0, 0, 30, 30}}));
}

TEST(DirtyList, TwentyFirstDistinctAreaFlushesBeforeItIsStored) {
  Recorder r;
  for (int i = 0; i < 20; ++i) r.add({i * 10, i * 10, i * 10 + 5, i * 10 + 5});
  EXPECT_EQ(r.list.size(), 20u);
  EXPECT_TRUE(r.flushes.empty());
  r.add({500, 500, 505, 505});
  ASSERT_EQ(r.flushes.size(), 1u);
  EXPECT_EQ(r.flushes[0].size(), 20u);
  EXPECT_EQ(r.stored(), (std::vector<Rect>{{500, 500, 505, 505}}));
  // A mergeable 21st area does not flush.
  Recorder full;
  for (int i = 0; i < 20; ++i) full.add({i * 10, i * 10, i * 10 + 5, i * 10 + 5});
  full.add({0, 5, 5, 8});
  EXPECT_TRUE(full.flushes.empty());
  EXPECT_EQ(full.list[0], (Rect{0, 0, 5, 8}));
}

}  // namespace
}  // namespace dui
