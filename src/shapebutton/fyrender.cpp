// TFyeverButton: gradients, the 3D bands and frames, the focus outline and
// the design-time marker, drawn into the face bitmap with the regions of the
// last shape rebuild.
#include <algorithm>

#include "shapebutton/fyeverbutton.h"
#include "shapebutton/fyface.h"
#include "shapebutton/fyshades.h"

namespace fyeverbutton {
namespace {

gui::TPen SolidPen(gui::TColor c, int width) { return {c, width, gui::TPenStyle::psSolid}; }

// One frame of `region`; nothing when there is no region.
void FrameRegion(gui::TCanvas& canvas, HRGN region, gui::TColor c) {
  if (!region) return;
  canvas.SetBrushColor(c);
  canvas.FrameRgn(region, 1, 1);
}

}  // namespace

void TFyeverButton::UseGradients() {
  parts_.gradientFill = &TFyeverButton::GradientFill;
  parts_.gradientEffects = &TFyeverButton::DrawGradientEffects;
}

bool TFyeverButton::GradientsLinked() { return parts_.gradientFill != nullptr; }

void TFyeverButton::GradientFill(gui::TColor c1, gui::TColor c2, int mode) {
  if (!face_ || face_->Empty()) return;
  gui::TCanvas& canvas = face_->Canvas();
  // A gradient bitmap gives one row of colours, sampled across it. One
  // without pixels (a width but no rows) gives none: the colours blend.
  const uint8_t* row = nullptr;
  const int columns = gradientBitmap_.Width();
  if (columns > 0)
    row = gradientBitmap_.ScanLine(GradientRow(gradientBitmap_.Height(), gradientBitmapLine_));
  auto colour = [&](int i, int n) {
    if (!row) return BlendColor(c1, c2, n, i);
    const uint8_t* p = row + 3 * static_cast<size_t>(GradientColumn(columns, i, n));
    return AsColor(
        AdjustGradientRGB(uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16, mode));
  };

  const int w = face_->Width(), h = face_->Height();
  if (gradientKind_ == gkCircular) {
    // Discs from the outermost inward, each as wide as its ring: what is
    // left of each is its 3-pixel ring, and ring 0 the dot at the centre.
    const CircularGradient g(w, h);
    for (int i = g.Steps(); i >= 0; --i) {
      const gui::TColor c = colour(i, g.Steps());
      canvas.SetPen(SolidPen(c, 1));
      canvas.SetBrushColor(c);
      const GradientSegment d = g.Disc(i);
      canvas.Ellipse(d.x1, d.y1, d.x2, d.y2);
    }
    return;
  }
  // Each 3-pixel line as the band a filled polygon covers: one primitive
  // per line as with a wide pen, at a fraction of a wide pen's cost.
  HDC dc = canvas.Handle();
  if (!dc) return;
  const LinearGradient g(w, h, gradientAngle_);
  HGDIOBJ pen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
  for (int i = 0; i <= g.Steps(); ++i) {
    q::BrushHandle brush(::CreateSolidBrush(Rgb(colour(i, g.Steps()))));
    if (!brush) continue;
    HGDIOBJ previous = ::SelectObject(dc, brush.Get());
    const auto band = g.Band(i);
    const POINT points[4] = {{band[0].x, band[0].y},
                             {band[1].x, band[1].y},
                             {band[2].x, band[2].y},
                             {band[3].x, band[3].y}};
    ::Polygon(dc, points, 4);
    ::SelectObject(dc, previous);
  }
  ::SelectObject(dc, pen);
}

void TFyeverButton::ClippedGradient(HRGN region, gui::TColor c1, gui::TColor c2, int mode) {
  // Without a region the clip would be lifted and the band fill the face.
  if (!region) return;
  gui::TCanvas& canvas = face_->Canvas();
  canvas.SelectClipRgn(region);
  FillGradient(c1, c2, mode);
  canvas.SelectClipRgn(nullptr);
}

void TFyeverButton::DrawGradientEffects() {
  gui::TCanvas& canvas = face_->Canvas();
  const FaceEffects e = EffectsFor(button3DKind_, hover_);
  // Bands shade the gradient itself, pressed or not, enabled or not.
  const gui::TColor lit1 = Lighten(buttonColor_), lit2 = Lighten(buttonColor1_);
  const gui::TColor dark1 = Darken(buttonColor_), dark2 = Darken(buttonColor1_);
  if (e.outerBevel) {
    ClippedGradient(regions_[kOuterLitRgn].Get(), pressed_ ? dark1 : lit1, pressed_ ? dark2 : lit2,
                    pressed_ ? -1 : 1);
    ClippedGradient(regions_[kOuterShadedRgn].Get(), pressed_ ? lit1 : dark1,
                    pressed_ ? lit2 : dark2, pressed_ ? 1 : -1);
  }
  if (e.innerBevel) {
    ClippedGradient(regions_[kInnerLitRgn].Get(), lit1, lit2, 1);
    ClippedGradient(regions_[kInnerShadedRgn].Get(), dark1, dark2, -1);
  }
  const gui::TColor frames = Darken(dark1);
  if (e.outlineFrame) FrameRegion(canvas, regions_[kOutlineRgn].Get(), frames);
  if (e.innerBevel) FrameRegion(canvas, regions_[kInnerRgn].Get(), frames);
  if (ShowsFocus(active_, showFocusRgn_, true, Enabled()))
    FrameRegion(canvas, regions_[kFocusRgn].Get(), dark1);
}

void TFyeverButton::Draw3DEffects() {
  // A gradient face is only ever chosen with gradients linked.
  if (Gradient()) {
    (this->*parts_.gradientEffects)();
    return;
  }
  gui::TCanvas& canvas = face_->Canvas();
  const bool enabled = Enabled();
  const FaceEffects e = EffectsFor(button3DKind_, hover_);
  const BevelColors c = SolidBevelColors(Rgb(buttonColor_), enabled, pressed_);
  // The bands in the order of their regions: outer lit and shaded, inner
  // lit and shaded; then the outline, inner and focus frames.
  const uint32_t bands[4] = {c.outerLit, c.outerShaded, c.innerLit, c.innerShaded};
  for (size_t i = 0; i < 4; ++i) {
    HRGN region = regions_[kOuterLitRgn + i].Get();
    if (!(i < 2 ? e.outerBevel : e.innerBevel) || !region) continue;
    canvas.SetBrushColor(AsColor(bands[i]));
    canvas.FillRgn(region);
  }
  const bool frames[3] = {e.outlineFrame, e.innerBevel,
                          ShowsFocus(active_, showFocusRgn_, false, enabled)};
  for (size_t i = 0; i < 3; ++i) {
    if (frames[i]) FrameRegion(canvas, regions_[kOutlineRgn + i].Get(), AsColor(c.frame));
  }
}

void TFyeverButton::SetDesigning(bool v) {
  designMarker_ = v ? &TFyeverButton::DrawRotationMarker : nullptr;
}

void TFyeverButton::DrawRotationMarker() {
  const int px = rotationCenterFixed_ ? buttonWidth_ / 2 : rotationPointX_;
  const int py = rotationCenterFixed_ ? buttonHeight_ / 2 : rotationPointY_;
  const rotatergn::TPoint m = RotationMarker(buttonWidth_, buttonHeight_, buttonAngle_, px, py);
  // A point far off the face is drawn far off the face, without the
  // strokes' offsets running past the integer range.
  constexpr int kFar = 1 << 20;
  const int x = std::clamp(m.x, -kFar, kFar), y = std::clamp(m.y, -kFar, kFar);
  const bool light = IsLightRGB(Rgb(buttonColor_));
  const gui::TColor ink = light ? gui::clBlack : gui::clWhite;
  const gui::TColor accent = light ? gui::clYellow : gui::clBlue;

  gui::TCanvas& canvas = face_->Canvas();
  canvas.SetPen(SolidPen(ink, 1));
  const int strokes[4][4] = {
      {x - 5, y, x - 2, y}, {x + 3, y, x + 6, y}, {x, y - 5, x, y - 2}, {x, y + 3, x, y + 6}};
  for (const auto& s : strokes) {
    canvas.MoveTo(s[0], s[1]);
    canvas.LineTo(s[2], s[3]);
  }
  canvas.Ellipse(x - 2, y - 2, x + 3, y + 3);
  canvas.SetPen(SolidPen(accent, 1));
  canvas.Ellipse(x - 1, y - 1, x + 2, y + 2);
  canvas.SetPixel(x, y, ink);
}

}  // namespace fyeverbutton
