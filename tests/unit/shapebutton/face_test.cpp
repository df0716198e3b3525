// The face arithmetic: shades, which bands and frames each 3D kind shows,
// their solid colours, the gradients' geometry and colour steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>

#include "shapebutton/fycolors.h"
#include "shapebutton/fyface.h"

using namespace fyeverbutton;

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

TEST(Shades, LightenDarkenBrightnessAndBlend) {
  EXPECT_EQ(LightenRGB(Rgb(0, 223, 224)), Rgb(32, 255, 255));
  EXPECT_EQ(DarkenRGB(Rgb(31, 32, 255)), Rgb(0, 0, 223));
  // A marker value's top byte never leaks into a channel.
  EXPECT_EQ(LightenRGB(0x1FFFFFFFu), 0xFFFFFFu);
  EXPECT_EQ(BrightnessRGB(Rgb(120, 120, 120)), 360);
  EXPECT_FALSE(IsLightRGB(Rgb(120, 120, 120)));
  EXPECT_TRUE(IsLightRGB(Rgb(121, 120, 120)));
  // Blends cut toward zero, not down: 10 + (0 - 10) * 1 / 3 = 10 - 3.
  EXPECT_EQ(BlendRGB(Rgb(10, 0, 200), Rgb(0, 10, 100), 3, 1), Rgb(7, 3, 167));
  EXPECT_EQ(BlendRGB(Rgb(10, 0, 200), Rgb(0, 10, 100), 3, 3), Rgb(0, 10, 100));
  EXPECT_EQ(BlendRGB(0x80000010u, Rgb(1, 2, 3), 0, 5), 0x80000010u) << "max 0: c1 untouched";
  // Steps beyond the range stay inside the channels.
  EXPECT_EQ(BlendRGB(Rgb(0, 0, 0), Rgb(255, 255, 255), 1, 2), Rgb(255, 255, 255));
  EXPECT_EQ(BlendRGB(Rgb(0, 0, 0), Rgb(255, 255, 255), 1, -1), Rgb(0, 0, 0));
  constexpr int32_t kBig = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(BlendRGB(Rgb(0, 0, 0), Rgb(255, 0, 0), kBig, kBig), Rgb(255, 0, 0));
}

TEST(Effects, KindsFocusAndSolidColours) {
  // Outside and over: outer bevel, inner bevel, outline frame.
  const std::pair<TFy3DKind, const char*> rows[] = {
      {dk3D, "101 101"},       {dkFlatten, "000 101"},
      {dk3dsimple, "100 100"}, {dkFlattenSimple, "000 100"},
      {dk3dBorder, "111 111"}, {dk3dBorderFlatten, "000 111"},
      {dkNone, "000 100"}};
  for (const auto& [kind, want] : rows) {
    std::string got;
    for (bool over : {false, true}) {
      const FaceEffects e = EffectsFor(kind, over);
      got += std::string(over ? " " : "") + "01"[e.outerBevel] + "01"[e.innerBevel] +
             "01"[e.outlineFrame];
    }
    EXPECT_EQ(got, want) << k3DKindNames[kind];
  }
  // The focus outline: when active with ShowFocusRGN; on a gradient face
  // only while enabled. Bit 0 active, 1 shown, 2 gradient, 3 enabled.
  std::string focus;
  for (int s = 0; s < 16; ++s) focus += "01"[ShowsFocus(s & 1, s & 2, s & 4, s & 8)];
  EXPECT_EQ(focus, "0001000000010001");

  const uint32_t light = Rgb(200, 160, 100), dark = Rgb(20, 60, 100);
  const uint32_t L = LightenRGB(light), D = DarkenRGB(light), LL = LightenRGB(L), DL = DarkenRGB(L);
  // enabled, pressed -> outer lit, outer shaded, inner lit, inner shaded, frame. Pressed
  // exchanges the outer shades; disabled has its own paler row, pressed or not.
  const struct {
    bool enabled, pressed;
    uint32_t outerLit, outerShaded, innerLit, innerShaded, frame;
  } colours[] = {{true, false, L, D, L, D, DarkenRGB(D)},
                 {true, true, D, L, L, D, DarkenRGB(D)},
                 {false, false, LL, DL, LL, DL, D},
                 {false, true, LL, DL, LL, DL, D}};
  for (const auto& r : colours) {
    const BevelColors c = SolidBevelColors(light, r.enabled, r.pressed);
    EXPECT_EQ((std::array{c.outerLit, c.outerShaded, c.innerLit, c.innerShaded, c.frame}),
              (std::array{r.outerLit, r.outerShaded, r.innerLit, r.innerShaded, r.frame}))
        << r.enabled << r.pressed;
  }
  EXPECT_EQ(SolidBevelColors(dark, false, false).frame, LightenRGB(LightenRGB(LightenRGB(dark))));
}

TEST(LinearGradient, BandsHaveSquareEnds) {
  // A slanted end would leave corner pixels of the face out.
  for (int angle : {900, 1800, 2700, -900}) {
    const auto b = LinearGradient(100, 30, angle).Band(1);
    EXPECT_TRUE(b[0].x == b[3].x || b[0].y == b[3].y) << angle;
  }
}

// Distance from (px, py) to the segment.
double Distance(const GradientSegment& s, double px, double py) {
  const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - s.x1) * dx + (py - s.y1) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (s.x1 + t * dx), py - (s.y1 + t * dy));
}

TEST(LinearGradient, EveryAngleCoversTheFaceFromItsStartCorner) {
  // The 3-pixel lines leave no pixel more than a pen width from a line,
  // and the first line is the one through the corner the direction comes
  // from, whichever of the four start cases the angle falls in.
  for (const auto& [w, h] : {std::pair{100, 30}, std::pair{37, 81}, std::pair{5, 5}}) {
    for (int angle = -1800; angle <= 1800; angle += 75) {
      const LinearGradient g(w, h, angle);
      double worst = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          double best = 1e9;
          for (int i = 0; i <= g.Steps(); ++i) best = std::min(best, Distance(g.Line(i), x, y));
          worst = std::max(worst, best);
        }
      }
      EXPECT_LE(worst, 2.5) << w << "x" << h << " at " << angle;
      // The corner the sweep leaves from: opposite to the direction (sin, cos).
      const double a = angle * std::numbers::pi / 1800;
      const double cx = std::sin(a) > 1e-9 ? 0 : (std::sin(a) < -1e-9 ? w : w / 2.0);
      const double cy = std::cos(a) > 1e-9 ? 0 : (std::cos(a) < -1e-9 ? h : h / 2.0);
      EXPECT_LE(Distance(g.Line(0), cx, cy), 1.5) << w << "x" << h << " at " << angle;
    }
  }
}

TEST(GradientBitmap, ColumnAndRowRules) {
  // Columns of 10 over 20 steps; never past the last column.
  const int32_t big = std::numeric_limits<int32_t>::max();
  const int32_t rows[][4] = {{10, 0, 20, 0},  {10, 1, 20, 0}, {10, 19, 20, 9},
                             {10, 20, 20, 9}, {10, 5, 0, 0},  {big, 3, 4, 1610612735}};
  for (const auto& [w, i, n, column] : rows) {
    EXPECT_EQ(GradientColumn(w, i, n), column) << w << " " << i << " " << n;
  }
  EXPECT_EQ(GradientRow(6, 5), 5);
  EXPECT_EQ(GradientRow(5, 5), 0) << "a row the bitmap does not have";
  const uint32_t c = Rgb(100, 150, 250);
  EXPECT_EQ((std::array{AdjustGradientRGB(c, -1), AdjustGradientRGB(c, 2), AdjustGradientRGB(c, 0),
                        AdjustGradientRGB(c, 7)}),
            (std::array{DarkenRGB(c), LightenRGB(LightenRGB(c)), c, c}));
}

}  // namespace
