// TFyeverButton: the caption, drawn into the face with a font turned by
// CaptionAngle, plain, embossed or engraved, its accelerator underlined.
#include "shapebutton/fycaptionlayout.h"
#include "shapebutton/fyeverbutton.h"
#include "shapebutton/fyplacement.h"
#include "shapebutton/fyshades.h"

namespace fyeverbutton {
namespace {

TextExtent Measure(gui::TCanvas& canvas, std::string_view text) {
  const SIZE size = canvas.TextExtent(text);
  return {size.cx, size.cy};
}

}  // namespace

void TFyeverButton::DrawCaption() {
  gui::TCanvas& canvas = face_->Canvas();
  canvas.SetFont(Font());
  // A disabled caption is drawn in the button colour; a colour of clNone
  // hides it, every pass included.
  if ((Enabled() ? Font().Color : buttonColor_) == gui::clNone || Caption().empty()) return;

  CaptionLayoutParams p;
  p.text = MeasureCaption(Caption(), [&canvas](std::string_view s) { return Measure(canvas, s); });
  p.captionAngle = captionAngle_;
  p.buttonAngle = buttonAngle_;
  p.captionFixed = captionFixed_;
  p.hAlign = captionHAlign_;
  p.vAlign = captionVAlign_;
  p.captionLeft = captionLeft_;
  p.captionTop = captionTop_;
  p.depth = buttonDepth_;
  p.width = Width();
  p.height = Height();
  p.buttonWidth = buttonWidth_;
  p.buttonHeight = buttonHeight_;
  const CaptionPlacement place = PlaceCaption(p);
  DrawCaptionPasses(place.start.x, place.start.y, Caption(), captionAngle_);
}

void TFyeverButton::DrawCaptionPasses(int x, int y, std::string_view text, int angle) {
  gui::TCanvas& canvas = face_->Canvas();
  // Every pass walks the same pieces, each measured with the unturned font
  // before it is drawn.
  const CaptionPasses passes = PassesFor(caption3dKind_, pressed_);
  for (int i = 0; i < passes.count; ++i) {
    const CaptionPass& pass = passes.pass[static_cast<size_t>(i)];
    rotatergn::TPoint pen{x, y};
    ForEachDrawPiece(text, [&](std::string_view piece, bool underline) {
      const rotatergn::TPoint step = AdvanceText(Measure(canvas, piece).width, angle);
      DrawTextPiece(Saturate(int64_t{pen.x} + pass.dx), Saturate(int64_t{pen.y} + pass.dy),
                    underline, piece, pass.mode, angle);
      pen = {Saturate(int64_t{pen.x} + step.x), Saturate(int64_t{pen.y} + step.y)};
    });
  }
}

void TFyeverButton::DrawTextPiece(int x, int y, bool underline, std::string_view text, int mode,
                                  int angle) {
  const gui::TColor normal = Enabled() ? Font().Color : buttonColor_;
  if (normal == gui::clNone) return;
  const gui::TColor colour = mode > 0   ? Lighten(buttonColor_)
                             : mode < 0 ? Darken(buttonColor_)
                                        : normal;
  gui::TCanvas& canvas = face_->Canvas();
  HFONT base = canvas.FontHandle();
  HDC dc = canvas.Handle();
  LOGFONTA lf{};
  if (!dc || !base || ::GetObjectA(base, sizeof lf, &lf) != sizeof lf) return;
  lf.lfEscapement = lf.lfOrientation = NormalizeAngle(angle);
  if (underline) lf.lfUnderline = 1;
  q::FontHandle turned(::CreateFontIndirectA(&lf));
  if (!turned) return;
  // The text goes on the face as it is, without a background box; the DC
  // gets back what the canvas had set.
  HGDIOBJ previous = ::SelectObject(dc, turned.Get());
  const int mode0 = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF colour0 = ::SetTextColor(dc, Rgb(colour));
  ::TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
  ::SetTextColor(dc, colour0);
  ::SetBkMode(dc, mode0);
  ::SelectObject(dc, previous);
}

}  // namespace fyeverbutton
