#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "shapebutton/fyplacement.h"

using namespace fyeverbutton;

TEST(Placement, AnglesAndTheTurnedBox) {
  for (const auto& [in, out] : {std::pair<int64_t, int32_t>{1900, -1700}, {-1800, 1800},
                                {1800, 1800}, {1801, -1799}, {3600, 0}, {-7300, -100},
                                {std::numeric_limits<int64_t>::max(), 1807 - 3600}}) {
    EXPECT_EQ(NormalizeAngle(in), out) << in;
  }
  // The window covers the turned box; at 30 degrees 86.6 + 20 by 50 + 34.6.
  for (const auto& [angle, w, h] : {std::tuple{0, 100, 40}, {900, 40, 100}, {-1800, 100, 40},
                                    {300, 107, 85}}) {
    EXPECT_EQ(TurnedSize(100, 40, angle).width, w) << angle;
    EXPECT_EQ(TurnedSize(100, 40, angle).height, h) << angle;
  }
}

TEST(Placement, TurningKeepsThePivotOnTheParent) {
  EXPECT_EQ(TurnedPosition(200, 300, 100, 40, 0, 0, 900, 0).top, 300) << "no change, no move";
  // Step by step through whole turns about odd pivots, inside and outside
  // the box: where the pivot lands on the parent stays within the rounding
  // of each step's four terms per axis, which do not add up.
  for (const auto& pivot : {std::pair{0, 0}, {73, 11}, {-40, 90}, {50, 20}}) {
    const int px = pivot.first, py = pivot.second;
    WindowPos pos{500, 400};
    int angle = 0;
    auto onParent = [&] {
      const double a = angle * std::numbers::pi / 1800, dx = px - 50.0, dy = py - 20.0;
      const Extent e = TurnedSize(100, 40, angle);
      return std::pair{pos.left + e.width / 2.0 + dx * std::cos(a) + dy * std::sin(a),
                       pos.top + e.height / 2.0 - dx * std::sin(a) + dy * std::cos(a)};
    };
    const auto start = onParent();
    for (int step = 0; step < 90; ++step) {
      angle = NormalizeAngle(angle + 40);
      pos = TurnedPosition(pos.left, pos.top, 100, 40, px, py, angle, 40);
      const auto now = onParent();
      EXPECT_NEAR(now.first, start.first, 2.5) << px << "," << py << " step " << step;
      EXPECT_NEAR(now.second, start.second, 2.5) << px << "," << py << " step " << step;
    }
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
