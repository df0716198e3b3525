#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "shapebutton/fyplacement.h"

using namespace fyeverbutton;

namespace {

// Where the point (px, py) of the unturned box ends up on the parent, for
// a window at (left, top) of the turned size: the box centre sits in the
// window centre and the box turns counter-clockwise about it.
std::pair<double, double> OnParent(WindowPos pos, int w, int h, int angle, double px, double py) {
  const double a = angle * std::numbers::pi / 1800;
  const Extent e = TurnedSize(w, h, angle);
  const double dx = px - w / 2.0, dy = py - h / 2.0;
  return {pos.left + e.width / 2.0 + dx * std::cos(a) + dy * std::sin(a),
          pos.top + e.height / 2.0 - dx * std::sin(a) + dy * std::cos(a)};
}

}  // namespace

TEST(Placement, AnglesAreKeptInOneTurn) {
  EXPECT_EQ(NormalizeAngle(1900), -1700);
  EXPECT_EQ(NormalizeAngle(-1800), 1800);
  EXPECT_EQ(NormalizeAngle(1800), 1800);
  EXPECT_EQ(NormalizeAngle(1801), -1799);
  EXPECT_EQ(NormalizeAngle(-1799), -1799);
  EXPECT_EQ(NormalizeAngle(3600), 0);
  EXPECT_EQ(NormalizeAngle(-7300), -100);
  EXPECT_EQ(NormalizeAngle(std::numeric_limits<int64_t>::max()), 1807 - 3600);
}

TEST(Placement, WindowCoversTheTurnedBox) {
  EXPECT_EQ(TurnedSize(100, 40, 0).width, 100);
  EXPECT_EQ(TurnedSize(100, 40, 900).width, 40);
  EXPECT_EQ(TurnedSize(100, 40, 900).height, 100);
  EXPECT_EQ(TurnedSize(100, 40, -1800).width, 100);
  // 30 degrees: 86.6 + 20 and 50 + 34.6.
  EXPECT_EQ(TurnedSize(100, 40, 300).width, 107);
  EXPECT_EQ(TurnedSize(100, 40, 300).height, 85);
}

TEST(Placement, TurningKeepsThePivotOnTheParent) {
  // 100 x 40 at (200, 300) turned 0 -> 900: about its centre the window
  // (40 x 100) stays centred; about (0, 0) the top-left corner stays.
  WindowPos centred = TurnedPosition(200, 300, 100, 40, 50, 20, 900, 900);
  EXPECT_EQ(centred.left, 230);
  EXPECT_EQ(centred.top, 270);
  WindowPos corner = TurnedPosition(200, 300, 100, 40, 0, 0, 900, 900);
  EXPECT_EQ(corner.left, 200);
  EXPECT_EQ(corner.top, 200);
  // No change, no move.
  WindowPos still = TurnedPosition(200, 300, 100, 40, 0, 0, 900, 0);
  EXPECT_EQ(still.left, 200);
  EXPECT_EQ(still.top, 300);

  // Step by step through whole turns about odd pivots, inside and outside
  // the box: the pivot stays within the rounding of each step's terms.
  for (const auto& [px, py] : {std::pair{0, 0}, {73, 11}, {-40, 90}, {50, 20}}) {
    WindowPos pos{500, 400};
    int angle = 0;
    const auto start = OnParent(pos, 100, 40, 0, px, py);
    for (int step = 0; step < 90; ++step) {
      const int next = NormalizeAngle(angle + 40);
      pos = TurnedPosition(pos.left, pos.top, 100, 40, px, py, next, 40);
      angle = next;
      const auto now = OnParent(pos, 100, 40, angle, px, py);
      // Each step rounds four terms per axis; their errors do not add up
      // from step to step more than that.
      EXPECT_NEAR(now.first, start.first, 2.5) << px << "," << py << " step " << step;
      EXPECT_NEAR(now.second, start.second, 2.5) << px << "," << py << " step " << step;
    }
  }
}

TEST(Placement, ResizeFromOutside) {
  // At rest the button takes the window's size; turned a quarter, crosswise.
  OutsideResize r = ResizeFromOutside(120, 50, 100, 40, 0);
  EXPECT_EQ(r.buttonWidth, 120);
  EXPECT_EQ(r.buttonHeight, 50);
  EXPECT_FALSE(r.moveWindow);
  r = ResizeFromOutside(50, 120, 100, 40, 900);
  EXPECT_EQ(r.buttonWidth, 120);
  EXPECT_EQ(r.buttonHeight, 50);
  r = ResizeFromOutside(50, 120, 100, 40, -1800);
  EXPECT_EQ(r.buttonWidth, 50);

  // At 30 degrees both sides scale by one factor: the larger of the two
  // the window asks for.
  r = ResizeFromOutside(213, 150, 100, 40, 300);
  const double w = 100 * std::cos(std::numbers::pi / 6) + 40 * 0.5;
  const double k = 213 / w;
  EXPECT_TRUE(r.moveWindow);
  EXPECT_EQ(r.buttonWidth, std::lround(100 * k));
  EXPECT_EQ(r.buttonHeight, std::lround(40 * k));
  EXPECT_EQ(r.windowWidth, 213);
  EXPECT_EQ(r.windowHeight, TurnedSize(r.buttonWidth, r.buttonHeight, 300).height);

  // A box too small to scale keeps its size.
  r = ResizeFromOutside(80, 80, 0, 0, 300);
  EXPECT_EQ(r.buttonWidth, 0);
  EXPECT_EQ(r.windowWidth, 0);
}

TEST(ShapeGeometry, RectangleInsets) {
  ShapeGeometry g;
  BuildShapeGeometry(RectOutline(100, 40), {100, 40, 2, false, 0, 100, 40}, g);
  EXPECT_EQ(g.base.points, (Tpoints{{0, 0}, {100, 0}, {100, 40}, {0, 40}}));
  EXPECT_EQ(g.first, (Tpoints{{2, 2}, {98, 2}, {98, 38}, {2, 38}}));
  EXPECT_EQ(g.second, (Tpoints{{4, 4}, {96, 4}, {96, 36}, {4, 36}}));
  EXPECT_EQ(g.focus, (Tpoints{{6, 6}, {94, 6}, {94, 34}, {6, 34}}));
  // Top and left edges lit, bottom and right shaded, one quad per edge.
  EXPECT_EQ(g.outer.first.quads, 2);
  EXPECT_EQ(g.outer.second.quads, 2);
  EXPECT_EQ(g.inner.first.quads, 2);
  BuildShapeGeometry(RectOutline(100, 40), {100, 40, 2, true, 0, 100, 40}, g);
  EXPECT_EQ(g.focus[0], (TPoint{8, 8}));
}
