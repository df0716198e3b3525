// The face as drawn, read back and compared with what the face arithmetic
// predicts for each state: bands, frames and focus, gradients, glyphs.
#include "shapebutton/fyface.h"
#include "shapebutton/fyframes.h"
#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

constexpr uint32_t kLight = Rgb(100, 150, 200), kDark = Rgb(40, 40, 100);
constexpr uint32_t kC1 = Rgb(200, 40, 0), kC2 = Rgb(0, 140, 250);

// 100 x 40, depth 2: outline frame on row 0, outer bands on rows 0-1 and 38-39,
// inner bands 2-3 and 36-37, inner frame 4, focus outline 6 (8 inside bevels).
TEST_F(ButtonTest, SolidBandsFramesAndFocusFollowTheFaceArithmetic) {
  Load();
  for (uint32_t colour : {kLight, kDark}) {
    TProbeButton* b = NewButton(20, 20, 100, 40, colour);
    for (int k = 0; k < static_cast<int>(k3DKindNames.size()); ++k) {
      const auto kind = static_cast<TFy3DKind>(k);
      b->SetButton3DKind(kind);
      for (int s = 0; s < 16; ++s) {
        const bool enabled = s & 1, hover = s & 2, pressed = s & 4, active = s & 8;
        b->SetEnabled(enabled);
        b->SetActive(active);
        Hover(b, hover);
        Press(b, pressed);
        const FaceEffects e = EffectsFor(kind, b->Hover());
        const BevelColors c = SolidBevelColors(colour, enabled, b->Pressed());
        const uint32_t g = enabled ? colour : L(colour);
        const int focusRow = kind == dk3dBorder || kind == dk3dBorderFlatten ? 8 : 6;
        const uint32_t focus = ShowsFocus(b->IsActive(), true, false, enabled) ? c.frame : g;
        const uint32_t outerLit = e.outerBevel ? c.outerLit : g;
        const uint32_t outerShaded = e.outerBevel ? c.outerShaded : g;
        const struct {
          int x, y;
          uint32_t want;
        } probes[] = {{50, 0, e.outlineFrame ? c.frame : outerLit},
                      {50, 1, outerLit},
                      {50, 38, outerShaded},
                      {50, 3, e.innerBevel ? c.innerShaded : g},
                      {50, 36, e.innerBevel ? c.innerLit : g},
                      {50, 4, e.innerBevel ? c.frame : g},
                      {50, focusRow, focus},
                      {focusRow, 20, focus},
                      {50, 20, g}};
        for (const auto& p : probes) {
          EXPECT_EQ(b->At(p.x, p.y), p.want) << k3DKindNames[k] << " state " << s << " at " << p.x
                                             << "," << p.y << " colour " << colour;
        }
      }
      Press(b, false);
    }
    delete b;
  }
}

// Lines 3 pixels wide: a point on the middle row (or column) of line i has
// step i's colour of the pair its band blends. The button is not active: no
// focus outline crosses the lines.
TEST_F(ButtonTest, LinearGradientsFollowTheirLinesInEveryBand) {
  Load();
  TProbeButton* b = NewButton(20, 20, 100, 40, kC1);
  b->SetButtonColor1(Color(kC2));
  b->SetGradientKind(gkLinear);
  for (int angle : {0, 900}) {
    b->SetGradientAngle(angle);
    const LinearGradient lines(100, 40, angle);
    const int n = lines.Steps();
    for (int s = 0; s < 4; ++s) {
      const bool enabled = s & 1, pressed = s & 2;
      b->SetEnabled(enabled);
      Press(b, pressed);
      const uint32_t lit1 = pressed ? D(kC1) : L(kC1), lit2 = pressed ? D(kC2) : L(kC2);
      const uint32_t dark1 = pressed ? L(kC1) : D(kC1), dark2 = pressed ? L(kC2) : D(kC2);
      auto at = [&](int along, int across) {
        return angle == 0 ? b->At(across, along) : b->At(along, across);
      };
      const int last = angle == 0 ? 38 : 98;
      EXPECT_EQ(at(1, 20 + 30 * (angle == 0)), BlendRGB(lit1, lit2, n, 0)) << angle << " " << s;
      EXPECT_EQ(at(last, 20 + 30 * (angle == 0)), BlendRGB(dark1, dark2, n, n))
          << angle << " " << s;
      EXPECT_EQ(at(0, 10 + 40 * (angle == 0)), D(D(kC1))) << "frames from the first colour";
      for (int i = 1; 3 * i + 2 < last; ++i) {
        ASSERT_EQ(at(3 * i, 9 + 40 * (angle == 0)),
                  enabled ? BlendRGB(kC1, kC2, n, i) : BlendRGB(L(kC1), L(kC2), n, i))
            << angle << " state " << s << " line " << i;
      }
    }
  }
}

TEST_F(ButtonTest, CircularGradientAndGradientBitmap) {
  Load();
  constexpr int w = 101, h = 51;
  TProbeButton* ring = NewButton(20, 20, w, h, kC1, dkNone);
  ring->SetButtonColor1(Color(kC2));
  ring->SetGradientKind(gkCircular);
  const int rings = CircularGradient(w, h).Steps();
  EXPECT_EQ(ring->At(w / 2, h / 2), kC1);
  for (int i = 0; i < w * h; ++i) ASSERT_NE(ring->At(i % w, i / w), 0u) << "a gap in the rings";
  const uint32_t corner = ring->At(w - 1, h - 1);
  EXPECT_TRUE(corner == BlendRGB(kC1, kC2, rings, rings) ||
              corner == BlendRGB(kC1, kC2, rings, rings - 1));
  delete ring;

  // A 10-pixel bitmap across a 60-pixel face at 900: step i from column
  // GradientColumn, the row GradientRow picks; a bitmap without rows gives
  // no colours, and the button's own blend.
  gui::TBitmap strip;
  ASSERT_FALSE(strip.SetSize(10, 2));
  auto column = [](int j, int row) { return Rgb(20 * j, 100 + 50 * row, 255 - 20 * j); };
  for (int row = 0; row < 2; ++row) {
    for (int j = 0; j < 10; ++j) strip.Canvas().SetPixel(j, row, Color(column(j, row)));
  }
  TProbeButton* b = NewButton(20, 20, 60, 20, gui::clGray, dkNone);
  b->SetGradientAngle(900);
  b->SetGradientKind(gkLinear);
  b->SetGradientBitmap(&strip);
  const int n = LinearGradient(60, 20, 900).Steps();
  for (int line : {1, 0, 2}) {
    b->SetGradientBitmapLine(line);
    for (int i = 0; i <= n; ++i) {
      ASSERT_EQ(b->At(std::min(3 * i, 59), 10),
                column(GradientColumn(10, i, n), GradientRow(2, line)))
          << "line " << line << " step " << i;
    }
  }
  b->SetEnabled(false);
  Paint(b);
  EXPECT_EQ(b->At(30, 10), L(L(column(5, 0)))) << "disabled: lightened twice";
  gui::TBitmap rowless;
  ASSERT_FALSE(rowless.SetSize(10, 0));
  b->SetEnabled(true);
  b->SetButtonColor(Color(kC1));
  b->SetButtonColor1(Color(kC2));
  b->SetGradientBitmap(&rowless);
  EXPECT_EQ(b->At(30, 10), BlendRGB(kC1, kC2, n, 10));
}

// Four frames, each state at another alignment: the last copy GlyphCopies
// lists shows its frame where FrameLeft and FrameTop put it; one frame on
// a disabled button is merged with the face.
TEST_F(ButtonTest, GlyphFramesShowWhereTheFrameArithmeticPutsThem) {
  Load();
  constexpr uint32_t kFace = Rgb(96, 160, 224);
  const std::vector<uint32_t> colours = {Rgb(200, 100, 50), Rgb(10, 200, 10), Rgb(10, 10, 200),
                                         Rgb(250, 250, 0)};
  TProbeButton* b = NewButton(10, 10, 60, 30, kFace, dkNone);
  b->SetShowFocusRGN(false);
  b->SetButtonDepth(3);
  b->SetBitmapLeft(30);
  b->SetBitmapTop(4);  // clear of the bands hover shows
  auto strip = Strip(12, 10, colours);
  b->SetMainBitmapGlyphs(4);
  b->SetMainBitmap(strip.get());
  for (int s = 0; s < 6; ++s) {
    const auto h = static_cast<TFyHAlign>(s % 4);
    const auto v = static_cast<TFyVAlign>((s + 1) % 4);
    b->SetBitmapHAlign(h);
    b->SetBitmapVAlign(v);
    b->SetEnabled(s != 1);
    Hover(b, s >= 2);
    Press(b, s >= 3 && s != 4);
    GlyphCopy copies[2];
    const int n = GlyphCopies(4, 12, 10, {b->Pressed(), s != 1, b->Hover()}, copies);
    const GlyphCopy& c = copies[n - 1];
    const int64_t x = FrameLeft(h, 30, 3, 60, 12) + c.dx, y = FrameTop(v, 4, 3, 30, 10) + c.dy;
    EXPECT_EQ(b->At(static_cast<int>(x) + 5, static_cast<int>(y) + 5),
              colours[static_cast<size_t>(c.source.left / 12)])
        << s;
  }
  Press(b, false);
  Hover(b, false);
  b->SetBitmapHAlign(haNone);
  b->SetBitmapVAlign(vaNone);
  b->SetEnabled(false);
  b->SetMainBitmapGlyphs(1);
  auto one = Strip(12, 10, {colours[0]});
  b->SetMainBitmap(one.get());
  EXPECT_EQ(b->At(35, 9), colours[0] & L(kFace)) << "disabled: merged with the face";
}

}  // namespace
}  // namespace fybutton_test
