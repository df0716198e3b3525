#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "shapebutton/rotatergn.h"

using namespace rotatergn;

TEST(RegionCombinationPlan, LevelByLevelFirstCopiedHolesCut) {
  const Tpoints points(20, TPoint{1, 1});
  // Polygons 0..4 of 4 points each with levels 1, 0, 2, -1, 0.
  const auto plan = RegionCombinationPlan(points, Tintegers{4, 4, 4, 4, 4}, Tintegers{1, 0, 2, -1, 0});
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[0].first, 4u);
  EXPECT_EQ(plan[0].op, CombineOp::kCopy);
  EXPECT_EQ(plan[1].first, 16u);
  EXPECT_EQ(plan[1].op, CombineOp::kOr);
  EXPECT_EQ(plan[2].first, 0u);
  EXPECT_EQ(plan[2].op, CombineOp::kDiff);
  EXPECT_EQ(plan[3].first, 8u);
  EXPECT_EQ(plan[3].op, CombineOp::kOr);
  EXPECT_TRUE(RegionCombinationPlan(points, {}, {}).empty());
  EXPECT_TRUE(RegionCombinationPlan(points, Tintegers{4}, Tintegers{-3}).empty());
}

// Sets from outside (a region string, a caller's arrays) may be
// inconsistent: counts past the points, negative counts, missing or extreme
// levels. Nothing may read past the arrays (the sanitizer build checks) or
// take unbounded time.
TEST(PolygonSets, InconsistentSetsAreHandledWithinTheirArrays) {
  const Tpoints square{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}};
  const auto plan = RegionCombinationPlan(square, Tintegers{3, -2, 9, 4}, Tintegers{INT_MAX});
  ASSERT_EQ(plan.size(), 4u);
  // Polygons without a level are outer boundaries; a negative count is
  // empty; a count past the end is cut to the points that remain.
  EXPECT_EQ(plan[0].count, 0u);
  EXPECT_EQ(plan[1].first, 3u);
  EXPECT_EQ(plan[1].count, 2u);
  EXPECT_EQ(plan[3].count, 3u);  // INT_MAX: odd, last
  EXPECT_EQ(plan[3].op, CombineOp::kDiff);

  std::mt19937 rng(8);
  std::uniform_int_distribution<int32_t> small(-3, 12), coord(-50, 50);
  for (int round = 0; round < 2000; ++round) {
    Tpoints points(static_cast<size_t>(rng() % 16));
    for (TPoint& p : points) p = {coord(rng), coord(rng)};
    Tintegers counts(rng() % 5), levels(rng() % 5);
    for (int32_t& c : counts) c = small(rng);
    for (int32_t& l : levels) {
      l = small(rng);
      if (round % 7 == 0) l += INT_MIN + 3;
      if (round % 7 == 1) l = INT_MAX - 3 - l;
    }
    Tpoints inset = points;
    InsetPolygons(inset, counts, levels, small(rng));
    (void)BevelQuads(points, inset, counts, levels);
    (void)BevelQuads(points, Tpoints(inset.begin(), inset.begin() + inset.size() / 2), counts, levels);
    (void)PolygonLevels(points, counts);
    Tpoints thin = points;
    Tintegers thin_counts = counts, thin_levels = levels;
    ThinPolygons(thin, thin_counts, thin_levels, small(rng));
    size_t total = 0;
    for (int32_t c : thin_counts) total += static_cast<size_t>(c);
    EXPECT_EQ(total, thin.size());
    EXPECT_EQ(thin_levels.size(), thin_counts.size());
    TRgnpoints tagged{points, Tintegers(points.size() / 2)};
    for (int32_t& tag : tagged.tags) tag = small(rng) - 4;  // codes, some invalid
    (void)TraceVertices(tagged);
    (void)SmoothPolygons(tagged);
  }
}

TEST(RegionToPolygons, OverlappingAndUnorderedRectanglesStillGiveClosedPolygons) {
  // Not what a region's data holds, but a caller may pass anything.
  std::mt19937 rng(12);
  std::uniform_int_distribution<int32_t> coord(0, 20);
  for (int round = 0; round < 1000; ++round) {
    std::vector<TRect> rects(1 + rng() % 6);
    for (TRect& r : rects) r = {coord(rng), coord(rng), coord(rng), coord(rng)};
    Tpoints points;
    Tintegers counts, levels;
    if (!RegionToPolygons(rects, points, counts, levels)) continue;
    size_t total = 0;
    for (int32_t c : counts) {
      EXPECT_GT(c, 0);
      total += static_cast<size_t>(c);
    }
    EXPECT_EQ(total, points.size());
    EXPECT_EQ(levels.size(), counts.size());
  }
}
