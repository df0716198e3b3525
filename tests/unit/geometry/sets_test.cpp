#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "shapebutton/rotatergn.h"

using namespace rotatergn;

TEST(RegionCombinationPlan, LevelByLevelFirstCopiedHolesCut) {
  const Tpoints points(20, TPoint{1, 1});
  // Levels 1, 0, 2, -1, 0: polygons 1 and 4, then 0, then 2; never 3.
  const auto plan =
      RegionCombinationPlan(points, Tintegers{4, 4, 4, 4, 4}, Tintegers{1, 0, 2, -1, 0});
  ASSERT_EQ(plan.size(), 4u);
  const size_t firsts[] = {4, 16, 0, 8};
  const CombineOp ops[] = {CombineOp::kCopy, CombineOp::kOr, CombineOp::kDiff, CombineOp::kOr};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(plan[i].first, firsts[i]);
    EXPECT_EQ(plan[i].op, ops[i]);
  }
  EXPECT_TRUE(RegionCombinationPlan(points, {}, {}).empty());
}

// Sets from outside (a region string, a caller's arrays) may be inconsistent:
// counts past the points, negative counts, missing or extreme levels, codes
// that are no vertex codes, rectangles in any order. Nothing may read past
// the arrays (the sanitizer build checks) or take unbounded time.
TEST(PolygonSets, InconsistentInputStaysWithinItsArrays) {
  const Tpoints five{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}};
  const auto plan = RegionCombinationPlan(five, Tintegers{3, -2, 9, 4}, Tintegers{INT_MAX});
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[1].first, 3u);  // a count past the end is cut to what remains
  EXPECT_EQ(plan[1].count, 2u);
  EXPECT_EQ(plan[3].op, CombineOp::kDiff);  // INT_MAX: odd, last

  std::mt19937 rng(8);
  std::uniform_int_distribution<int32_t> small(-3, 12), coord(-50, 50);
  for (int round = 0; round < 2000; ++round) {
    Tpoints points(rng() % 16);
    for (TPoint& p : points) p = {coord(rng), coord(rng)};
    Tintegers counts(rng() % 5), levels(rng() % 5);
    for (int32_t& c : counts) c = small(rng);
    for (int32_t& l : levels) l = round % 7 == 0 ? INT_MIN + 3 + small(rng) : small(rng);
    Tpoints inset = points;
    InsetPolygons(inset, counts, levels, small(rng));
    (void)BevelQuads(points, Tpoints(inset.begin(), inset.begin() + inset.size() / 2), counts,
                     levels);
    (void)PolygonLevels(points, counts);
    Tintegers thin_counts = counts, thin_levels = levels;
    ThinPolygons(inset, thin_counts, thin_levels, small(rng));
    size_t total = 0;
    for (int32_t c : thin_counts) total += static_cast<size_t>(c);
    EXPECT_EQ(total, inset.size());
    EXPECT_EQ(thin_levels.size(), thin_counts.size());
    TRgnpoints tagged{points, Tintegers(points.size() / 2)};
    for (int32_t& tag : tagged.tags) tag = small(rng) - 4;
    (void)TraceVertices(tagged);
    (void)SmoothPolygons(tagged);

    std::vector<TRect> rects(1 + rng() % 6);
    for (TRect& r : rects) r = {coord(rng), coord(rng), coord(rng), coord(rng)};
    Tpoints traced;
    Tintegers traced_counts, traced_levels;
    if (!RegionToPolygons(rects, traced, traced_counts, traced_levels)) continue;
    total = 0;
    for (int32_t c : traced_counts) total += static_cast<size_t>(c);
    EXPECT_EQ(total, traced.size());
    EXPECT_EQ(traced_levels.size(), traced_counts.size());
  }
}
