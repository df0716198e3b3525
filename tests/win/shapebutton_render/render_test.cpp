// The face under Wine: background, bevel bands and frames by 3D kind,
// hover, pressed and disabled state, the focus outline, and the gradients,
// read back from the face bitmap at points whose colour is fixed.
#include "shapebutton/fyface.h"
#include "win/shapebutton_render/face_fixture.h"

namespace fyrender_test {
namespace {

constexpr uint32_t kLight = Rgb(100, 150, 200);  // brightness 450
constexpr uint32_t kDark = Rgb(40, 40, 100);     // brightness 180
constexpr uint32_t kC1 = Rgb(200, 40, 0);
constexpr uint32_t kC2 = Rgb(0, 140, 250);

gui::TColor Color(uint32_t rgb) { return static_cast<gui::TColor>(rgb); }
uint32_t Blend(uint32_t a, uint32_t b, int max, int pos) {
  return fyeverbutton::BlendRGB(a, b, max, pos);
}

TEST_F(FaceTest, SolidRectangleBandsAndFrames) {
  Load("");
  // 100 x 40, depth 2: bands on rows and columns 0-1, the outline frame on
  // the outermost pixels.
  TFaceButton* b = NewFace(100, 40, Color(kLight), dk3D);
  EXPECT_EQ(Pixel(*b, 50, 20), kLight);
  EXPECT_EQ(Pixel(*b, 50, 1), L(kLight)) << "top: lit";
  EXPECT_EQ(Pixel(*b, 1, 20), L(kLight)) << "left: lit";
  EXPECT_EQ(Pixel(*b, 50, 38), D(kLight)) << "bottom: shaded";
  EXPECT_EQ(Pixel(*b, 98, 20), D(kLight)) << "right: shaded";
  for (auto [x, y] : {std::pair{50, 0}, {0, 20}, {99, 20}, {50, 39}}) {
    EXPECT_EQ(Pixel(*b, x, y), D(D(kLight))) << "frame at " << x << "," << y;
  }

  Press(b, true);
  ASSERT_TRUE(b->Pressed());
  EXPECT_EQ(Pixel(*b, 50, 1), D(kLight)) << "pressed: the shades change places";
  EXPECT_EQ(Pixel(*b, 98, 20), L(kLight));
  EXPECT_EQ(Pixel(*b, 50, 0), D(D(kLight)));
  EXPECT_EQ(Pixel(*b, 50, 20), kLight);
  Press(b, false);
  EXPECT_EQ(Pixel(*b, 50, 1), L(kLight));

  b->SetEnabled(false);
  Paint(b);
  EXPECT_EQ(Pixel(*b, 50, 20), L(kLight)) << "disabled: paler";
  EXPECT_EQ(Pixel(*b, 50, 1), L(L(kLight)));
  EXPECT_EQ(Pixel(*b, 50, 38), D(L(kLight)));
  EXPECT_EQ(Pixel(*b, 50, 0), D(kLight));
  Press(b, true);
  EXPECT_EQ(Pixel(*b, 50, 1), L(L(kLight))) << "disabled looks the same pressed";

  // A dark colour gets light frames.
  TFaceButton* dark = NewFace(100, 40, Color(kDark), dk3D);
  EXPECT_EQ(Pixel(*dark, 50, 0), L(L(kDark)));
  dark->SetEnabled(false);
  Paint(dark);
  EXPECT_EQ(Pixel(*dark, 50, 0), L(L(L(kDark))));
}

TEST_F(FaceTest, SevenKindsOutsideAndUnderThePointer) {
  Load("");
  // Rows of a 100 x 40 button of depth 2: 0 outline frame, 1 outer band,
  // 2-3 inner band (sunken: shaded on top), 4 inner frame.
  struct Row {
    TFy3DKind kind;
    const char* outside;  // o outer band, f outline frame, i inner band and frame
    const char* over;
  };
  const Row rows[] = {{dk3D, "of", "of"},         {dkFlatten, "", "of"},
                      {dk3dsimple, "o", "o"},     {dkFlattenSimple, "", "o"},
                      {dk3dBorder, "ofi", "ofi"}, {dk3dBorderFlatten, "", "ofi"},
                      {dkNone, "", "o"}};
  TFaceButton* b = NewFace(100, 40, Color(kLight));
  const uint32_t frame = D(D(kLight));
  for (const Row& r : rows) {
    b->SetButton3DKind(r.kind);
    for (int over = 0; over < 2; ++over) {
      Hover(b, over != 0);
      const std::string_view shows = over ? r.over : r.outside;
      const bool outer = shows.find('o') != shows.npos, outline = shows.find('f') != shows.npos,
                 inner = shows.find('i') != shows.npos;
      const std::string what = std::string(k3DKindNames[r.kind]) + (over ? " over" : " outside");
      EXPECT_EQ(Pixel(*b, 50, 1), outer ? L(kLight) : kLight) << what;
      EXPECT_EQ(Pixel(*b, 50, 0), outline ? frame : outer ? L(kLight) : kLight) << what;
      EXPECT_EQ(Pixel(*b, 50, 3), inner ? D(kLight) : kLight) << what;
      EXPECT_EQ(Pixel(*b, 50, 36), inner ? L(kLight) : kLight) << what;
      EXPECT_EQ(Pixel(*b, 50, 4), inner ? frame : kLight) << what;
      EXPECT_EQ(Pixel(*b, 50, 20), kLight) << what;
    }
  }
}

TEST_F(FaceTest, UserRegionTakenAsItIsHasNoBevels) {
  Load("");
  TFaceButton* b = NewFace(100, 40, Color(kLight), dk3dBorder);
  b->SetStringButtonRegion("");  // the button's rectangle
  b->SetUserRGNAUTO(false);
  b->SetButtonKind(bkUser);
  b->SetActive(true);
  Hover(b, true);
  for (auto [x, y] : {std::pair{50, 0}, {50, 1}, {50, 3}, {50, 6}, {0, 20}, {98, 20}}) {
    EXPECT_EQ(Pixel(*b, x, y), kLight) << x << "," << y;
  }
}

TEST_F(FaceTest, NoColourFillsNothing) {
  Load("");
  TFaceButton* b = NewFace(100, 40, gui::clRed);
  ASSERT_EQ(Pixel(*b, 50, 20), Rgb(255, 0, 0));
  b->SetButtonColor(gui::clNone);
  EXPECT_EQ(Pixel(*b, 50, 20), 0u) << "what a new face holds, not the last colour";
  EXPECT_EQ(Pixel(*b, 0, 0), 0u);
}

TEST_F(FaceTest, CustomDrawReplacesOnlyBackgroundAndCaption) {
  Load("");
  TFaceButton* b = NewFace(100, 40, Color(kLight), dk3D);
  gui::TFont font;
  font.Name = "Tahoma";
  font.Height = -13;
  font.Color = gui::clWhite;
  b->SetFont(font);
  b->SetCaption("NO");
  ASSERT_GT(Count(*b, Rgb(255, 255, 255), {0, 0, 100, 40}), 0);
  b->SetCustomDraw(true);
  EXPECT_EQ(Count(*b, Rgb(255, 255, 255), {0, 0, 100, 40}), 0) << "no caption";
  EXPECT_EQ(Count(*b, kLight, {2, 2, 98, 38}), 96 * 36) << "a plain fill inside the bands";
  EXPECT_EQ(Pixel(*b, 50, 1), L(kLight)) << "bevels";
  EXPECT_EQ(Pixel(*b, 50, 0), D(D(kLight))) << "frame";

  // The plain fill is the brush a render leaves: disabled, the paler one.
  b->SetEnabled(false);
  Paint(b);
  Hover(b, true);
  EXPECT_EQ(Pixel(*b, 50, 20), L(kLight));
  EXPECT_EQ(Pixel(*b, 50, 1), L(L(kLight)));
}

TEST_F(FaceTest, PaintRendersOnlyWhenPressedHoverOrEnabledChange) {
  Load("");
  TFaceButton* b = NewFace(100, 40, Color(kLight));
  // A mark the renderer would paint over: it survives a paint that changes
  // nothing, so that paint copied the face without rendering it.
  uint8_t* row = const_cast<gui::TBitmap*>(b->Face())->ScanLine(20);
  ASSERT_NE(row, nullptr);
  row[3 * 50] = row[3 * 50 + 1] = row[3 * 50 + 2] = 0;
  Paint(b);
  EXPECT_EQ(Pixel(*b, 50, 20), 0u);
  Hover(b, true);
  EXPECT_EQ(Pixel(*b, 50, 20), kLight);
}

TEST_F(FaceTest, FocusOutlineRules) {
  Load("");
  // The focus outline runs depth + 4 = 6 pixels inside the outline.
  TFaceButton* b = NewFace(100, 40, Color(kLight));
  EXPECT_EQ(Pixel(*b, 50, 6), kLight);
  b->SetActive(true);
  ASSERT_TRUE(b->IsActive());
  EXPECT_EQ(Pixel(*b, 50, 6), D(D(kLight)));
  EXPECT_EQ(Pixel(*b, 6, 20), D(D(kLight)));
  EXPECT_EQ(Pixel(*b, 50, 7), kLight) << "one pixel wide";
  b->SetShowFocusRGN(false);
  EXPECT_EQ(Pixel(*b, 50, 6), kLight);
  b->SetShowFocusRGN(true);

  b->SetEnabled(false);
  Paint(b);
  EXPECT_EQ(Pixel(*b, 50, 6), D(kLight))
      << "solid and disabled: shown in the disabled frame colour";

  // With a gradient the outline needs the button enabled.
  b->SetButtonColor1(Color(kLight));  // a flat gradient: the same colour all over
  b->SetGradientKind(gkLinear);
  EXPECT_EQ(Pixel(*b, 50, 6), L(kLight)) << "gradient and disabled: none";
  b->SetEnabled(true);
  Paint(b);
  EXPECT_EQ(Pixel(*b, 50, 6), D(kLight));
  EXPECT_EQ(Pixel(*b, 50, 20), kLight);
}

TEST_F(FaceTest, LinearGradientRowsAndColumns) {
  Load("");
  // Angle 0 on 100 x 30: eleven lines at y = 0, 3, ..., 30, c1 at the top.
  TFaceButton* b = NewFace(100, 30, Color(kC1));
  b->SetButtonColor1(Color(kC2));
  b->SetGradientAngle(0);
  b->SetGradientKind(gkLinear);
  for (int k = 0; k < 10; ++k) {
    for (int x = 0; x < 100; x += 11) {
      ASSERT_EQ(Pixel(*b, x, 3 * k), Blend(kC1, kC2, 10, k)) << x << "," << 3 * k;
    }
  }
  EXPECT_EQ(Pixel(*b, 50, 29), kC2) << "the last line, at y = 30, reaches row 29";

  // 900: from left to right, one line every 3 columns (N = 33).
  b->SetGradientAngle(900);
  for (int k = 0; k < 34; ++k) {
    for (int y = 0; y < 30; y += 7) {
      ASSERT_EQ(Pixel(*b, 3 * k, y), Blend(kC1, kC2, 33, k)) << 3 * k << "," << y;
    }
  }

  // Disabled: the gradient of both colours lightened.
  b->SetGradientAngle(0);
  b->SetEnabled(false);
  Paint(b);
  EXPECT_EQ(Pixel(*b, 50, 0), L(kC1));
  EXPECT_EQ(Pixel(*b, 50, 29), L(kC2));
}

TEST_F(FaceTest, CircularGradientCentreToRim) {
  Load("");
  for (auto [w, h] : {std::pair{100, 100}, {101, 51}, {37, 80}}) {
    TFaceButton* b = NewFace(w, h, Color(kC1));
    b->SetButtonColor1(Color(kC2));
    b->SetGradientKind(gkCircular);
    const int steps = fyeverbutton::CircularGradient(w, h).Steps();
    EXPECT_EQ(Pixel(*b, w / 2, h / 2), kC1) << w << "x" << h;
    // The corners lie on the outermost rings.
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
      const uint32_t p = Pixel(*b, x, y);
      EXPECT_TRUE(p == Blend(kC1, kC2, steps, steps) || p == Blend(kC1, kC2, steps, steps - 1))
          << w << "x" << h << " corner " << x << "," << y << ": " << std::hex << p;
    }
    // The rings leave no pixel of the face unpainted.
    EXPECT_EQ(Ink(*b, 0, {0, 0, w, h}).count, w * h) << w << "x" << h;
  }
}

TEST_F(FaceTest, GradientBitmapColumnsRowsAndModes) {
  Load("");
  // A 10-pixel bitmap across a 60-pixel face at 900: N = 20 steps, step i
  // from column 10 * i / 20, the last step from the last column.
  gui::TBitmap strip;
  ASSERT_FALSE(strip.SetSize(10, 2));
  auto column = [](int j, int row) { return Rgb(20 * j, 100 + 50 * row, 255 - 20 * j); };
  for (int row = 0; row < 2; ++row) {
    uint8_t* p = strip.ScanLine(row);
    for (int j = 0; j < 10; ++j) {
      const uint32_t c = column(j, row);
      p[3 * j] = static_cast<uint8_t>(c >> 16);
      p[3 * j + 1] = static_cast<uint8_t>(c >> 8);
      p[3 * j + 2] = static_cast<uint8_t>(c);
    }
  }
  TFaceButton* b = NewFace(60, 20, gui::clGray);
  b->SetGradientAngle(900);
  b->SetGradientKind(gkLinear);
  b->SetGradientBitmap(&strip);
  EXPECT_EQ(Pixel(*b, 0, 10), column(0, 0));
  EXPECT_EQ(Pixel(*b, 3, 10), column(0, 0)) << "step 1";
  EXPECT_EQ(Pixel(*b, 30, 10), column(5, 0)) << "step 10";
  EXPECT_EQ(Pixel(*b, 57, 10), column(9, 0)) << "step 19";
  EXPECT_EQ(Pixel(*b, 59, 10), column(9, 0)) << "step 20: still the last column";

  b->SetGradientBitmapLine(1);
  EXPECT_EQ(Pixel(*b, 30, 10), column(5, 1));
  b->SetGradientBitmapLine(2);  // no such row: row 0
  EXPECT_EQ(Pixel(*b, 30, 10), column(5, 0));

  b->SetEnabled(false);
  Paint(b);
  EXPECT_EQ(Pixel(*b, 30, 10), L(L(column(5, 0)))) << "disabled: lightened twice";
  b->SetEnabled(true);
  Paint(b);

  // A bitmap with a width but no rows has no colours to give: the
  // button's colours blend as without a bitmap.
  gui::TBitmap rowless;
  ASSERT_FALSE(rowless.SetSize(10, 0));
  b->SetButtonColor(Color(kC1));
  b->SetButtonColor1(Color(kC2));
  b->SetGradientBitmap(&rowless);
  ASSERT_EQ(b->GradientBitmap().Width(), 10);
  EXPECT_EQ(Pixel(*b, 30, 10), Blend(kC1, kC2, 20, 10));
}

TEST_F(FaceTest, GradientBandsShadeTheGradient) {
  Load("");
  // 100 x 40 at angle 0: 14 lines (N = 13); row 1 belongs to line 0, row
  // 38 to line 13.
  TFaceButton* b = NewFace(100, 40, Color(kC1), dk3D);
  b->SetButtonColor1(Color(kC2));
  b->SetGradientAngle(0);
  b->SetGradientKind(gkLinear);
  EXPECT_EQ(Pixel(*b, 50, 1), L(kC1)) << "lit band: the lightened gradient";
  EXPECT_EQ(Pixel(*b, 50, 38), D(kC2)) << "shaded band: the darkened gradient";
  EXPECT_EQ(Pixel(*b, 50, 0), D(D(kC1))) << "frames from the first colour";
  EXPECT_EQ(Pixel(*b, 50, 20), Blend(kC1, kC2, 13, 7));
  Press(b, true);
  EXPECT_EQ(Pixel(*b, 50, 1), D(kC1));
  EXPECT_EQ(Pixel(*b, 50, 38), L(kC2));
  Press(b, false);
  b->SetEnabled(false);
  Paint(b);
  EXPECT_EQ(Pixel(*b, 50, 1), L(kC1)) << "disabled: the bands stay as they are";
  EXPECT_EQ(Pixel(*b, 50, 20), Blend(L(kC1), L(kC2), 13, 7));
}

TEST_F(FaceTest, DesignTimeMarkerAtTheRotationPoint) {
  Load("");
  TFaceButton* b = NewFace(100, 40, Color(kDark));
  b->SetRotationPointX(30);
  b->SetRotationPointY(20);
  EXPECT_EQ(Pixel(*b, 30, 20), kDark) << "not while running";
  b->SetDesigning(true);
  b->RenderFace();
  // Dark colour: white strokes and point, a blue ring.
  EXPECT_EQ(Pixel(*b, 30, 20), Rgb(255, 255, 255));
  EXPECT_EQ(Pixel(*b, 25, 20), Rgb(255, 255, 255)) << "left stroke";
  EXPECT_EQ(Pixel(*b, 30, 25), Rgb(255, 255, 255)) << "lower stroke";
  EXPECT_EQ(Ink(*b, kDark, {0, 0, 100, 40}).Width(), 11);
  EXPECT_GT(Count(*b, Rgb(0, 0, 255), {0, 0, 100, 40}), 0);

  b->SetButtonColor(Color(kLight));
  b->SetRotationCenterFixed(true);  // the centre
  EXPECT_EQ(Pixel(*b, 50, 20), 0u) << "light colour: black";
}

}  // namespace
}  // namespace fyrender_test
