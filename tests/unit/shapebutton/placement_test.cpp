#include <gtest/gtest.h>

#include <limits>

#include "shapebutton/fyplacement.h"

using namespace fyeverbutton;

TEST(Placement, AnglesAndTheTurnedBox) {
  EXPECT_EQ(NormalizeAngle(std::numeric_limits<int64_t>::max()), 1807 - 3600);
  const int64_t angles[][2] = {{1900, -1700}, {-1800, 1800}, {1800, 1800},
                               {1801, -1799}, {3600, 0},     {-7300, -100}};
  for (const auto& [in, out] : angles) {
    EXPECT_EQ(NormalizeAngle(in), out) << in;
  }
  // The window covers the turned box; at 30 degrees 86.6 + 20 by 50 + 34.6.
  // Where the pivot lands is the Wine turning test's.
  for (const auto& [angle, w, h] :
       {std::tuple{0, 100, 40}, {900, 40, 100}, {-1800, 100, 40}, {300, 107, 85}}) {
    EXPECT_EQ(TurnedSize(100, 40, angle).width, w) << angle;
    EXPECT_EQ(TurnedSize(100, 40, angle).height, h) << angle;
  }
}

TEST(ShapeGeometry, RectangleInsets) {
  ShapeGeometry g;
  BuildShapeGeometry(RectOutline(100, 40), {100, 40, 2, false, 0, 100, 40}, g);
  EXPECT_EQ(g.first, (Tpoints{{2, 2}, {98, 2}, {98, 38}, {2, 38}}));
  EXPECT_EQ(g.second, (Tpoints{{4, 4}, {96, 4}, {96, 36}, {4, 36}}));
  EXPECT_EQ(g.focus, (Tpoints{{6, 6}, {94, 6}, {94, 34}, {6, 34}}));
  // Top and left edges lit, bottom and right shaded, one quad per edge.
  EXPECT_EQ(g.outer.first.quads + g.outer.second.quads + g.inner.first.quads, 6);
  BuildShapeGeometry(RectOutline(100, 40), {100, 40, 2, true, 0, 100, 40}, g);
  EXPECT_EQ(g.focus[0], (TPoint{8, 8}));
}
