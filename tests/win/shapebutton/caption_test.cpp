// Captions under Wine: the face must equal the face drawn without caption
// plus the caption's pieces drawn by plain GDI calls where the caption
// layout places them, for every pass and in the pass's colour.
#include <string>

#include "shapebutton/fycaptionlayout.h"
#include "shapebutton/fyplacement.h"
#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

constexpr uint32_t kGround = Rgb(230, 230, 230);

gui::TFont Font(const char* name, int height, gui::TColor color, int style = 0) {
  gui::TFont f;
  f.Name = name;
  f.Height = -height;
  f.Color = color;
  f.Style = static_cast<decltype(f.Style)>(style);
  return f;
}

// What the face should show: b's face without its caption, and the caption
// drawn on it by GDI as the layout functions place it.
void Expected(TProbeButton& b, gui::TBitmap& out) {
  const std::string caption = b.Caption();
  b.SetCaption("");
  b.RenderFace();
  EXPECT_FALSE(out.Assign(*b.Face()));
  b.SetCaption(caption);
  b.RenderFace();
  HDC dc = out.Canvas().Handle();
  LOGFONTA lf = b.Font().ToLogFont();
  // Measured with the unturned font; drawn turned, maybe underlined.
  auto measure = [&](std::string_view text) {
    lf.lfEscapement = lf.lfOrientation = 0;
    lf.lfUnderline = 0;
    q::FontHandle f(::CreateFontIndirectA(&lf));
    HGDIOBJ old = ::SelectObject(dc, f.Get());
    SIZE s{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &s);
    ::SelectObject(dc, old);
    return TextExtent{s.cx, s.cy};
  };
  auto draw = [&](int x, int y, std::string_view text, bool underline, uint32_t colour) {
    lf.lfEscapement = lf.lfOrientation = NormalizeAngle(b.CaptionAngle());
    lf.lfUnderline = underline ? 1 : 0;
    q::FontHandle f(::CreateFontIndirectA(&lf));
    HGDIOBJ old = ::SelectObject(dc, f.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colour);
    ::TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
    ::SelectObject(dc, old);
  };
  const uint32_t ground = static_cast<uint32_t>(b.ButtonColor());
  const uint32_t text =
      b.Enabled() ? static_cast<uint32_t>(gui::ColorToRGB(b.Font().Color)) : ground;
  if (b.Font().Color == gui::clNone || caption.empty()) return;
  CaptionLayoutParams p;
  p.text = MeasureCaption(caption, measure);
  p.captionAngle = b.CaptionAngle();
  p.buttonAngle = b.ButtonAngle();
  p.captionFixed = b.CaptionFixed();
  p.hAlign = b.CaptionHAlign();
  p.vAlign = b.CaptionVAlign();
  p.captionLeft = b.CaptionLeft();
  p.captionTop = b.CaptionTop();
  p.depth = b.ButtonDepth();
  p.width = b.Width();
  p.height = b.Height();
  p.buttonWidth = b.ButtonWidth();
  p.buttonHeight = b.ButtonHeight();
  const rotatergn::TPoint start = PlaceCaption(p).start;
  const CaptionPasses passes = PassesFor(b.Caption3dKind(), b.Pressed());
  for (int i = 0; i < passes.count; ++i) {
    const CaptionPass& pass = passes.pass[static_cast<size_t>(i)];
    const uint32_t colour = pass.mode > 0 ? L(ground) : pass.mode < 0 ? D(ground) : text;
    int x = start.x + pass.dx, y = start.y + pass.dy;
    for (const CaptionPiece& piece : CaptionDrawPieces(caption)) {
      draw(x, y, piece.text, piece.underline, colour);
      const rotatergn::TPoint step = AdvanceText(measure(piece.text).width, b.CaptionAngle());
      x += step.x;
      y += step.y;
    }
  }
}

// Face pixels that differ from `want`, and how many differ from the ground.
struct Diff {
  int differ = 0, ink = 0;
};
Diff Compare(const TProbeButton& b, const gui::TBitmap& want) {
  Diff d;
  for (int y = 0; y < want.Height(); ++y) {
    const uint8_t* w = want.ScanLine(y);
    for (int x = 0; x < want.Width(); ++x) {
      d.differ += b.At(x, y) != Rgb(w[3 * x + 2], w[3 * x + 1], w[3 * x]);
      d.ink += b.At(x, y) != b.At(0, y);
    }
  }
  return d;
}

// A row per caption: its turn and the button's, left-aligned or at (20, 20)
// or centred, fixed to the button's turn, emboss kind, pressed, disabled.
TEST_F(ButtonTest, CaptionsAreTheLaidOutPiecesInEveryPass) {
  Load();
  const struct {
    std::string caption;
    int width, height, captionAngle, buttonAngle;
    TFyHAlign h;
    bool fixed;
    TFyCaption3dKind kind;
    bool pressed, disabled;
  } rows[] = {
      {"A&&B", 200, 60, 0, 0, haNone, false, ckSimple, false, false},
      {"&NO", 200, 60, 0, 0, haCenter, false, ckSimple, false, false},
      {"Turned", 140, 140, 900, 0, haCenter, false, ckSimple, false, false},
      {"Tur&ned", 140, 140, -1350, 0, haCenter, false, ckSimple, false, false},
      {"Fixed", 120, 40, 0, 900, haLeft, true, ckSimple, false, false},
      {"Fixed", 120, 40, 0, 900, haLeft, false, ckSimple, false, false},
      {"Relief", 160, 50, 0, 0, haCenter, false, ckEmbossed, false, false},
      {"Relief", 160, 50, 0, 0, haCenter, false, ckPressed, true, false},
      {"Relief", 160, 50, 0, 0, haCenter, false, ckEmbossed, false, true},
      // The installer's answer button.
      {"&Yes I agree the \"AS IS\"", 193, 105, 0, 0, haCenter, false, ckSimple, false, false},
  };
  for (const auto& r : rows) {
    const std::string what = r.caption + " " + std::to_string(r.width);
    TProbeButton* b = NewButton(20, 20, r.width, r.height, kGround, dkNone);
    b->SetShowFocusRGN(false);
    b->SetFont(r.width == 193 ? Font("Tahoma", 13, gui::clWhite, gui::fsBold)
                              : Font("Arial", 16, gui::clBlack));
    b->SetCaption(r.caption);
    b->SetCaptionLeft(20);  // a coordinate takes over from its alignment
    b->SetCaptionTop(20);
    b->SetCaptionHAlign(r.h);
    b->SetCaptionVAlign(r.h == haNone ? vaNone : vaCenter);
    b->SetCaptionAngle(r.captionAngle);
    b->SetCaptionFixed(r.fixed);
    b->SetButtonAngle(r.buttonAngle);
    b->SetCaption3dKind(r.kind);
    if (r.width == 193) b->SetButtonKind(bkRoundRect);
    b->SetEnabled(!r.disabled);
    Press(b, r.pressed);
    gui::TBitmap want;
    Expected(*b, want);
    const Diff d = Compare(*b, want);
    EXPECT_EQ(d.differ, 0) << what;
    EXPECT_GT(d.ink, 20) << what;
    delete b;
  }

  // A text colour of clNone hides the caption, emboss passes included.
  TProbeButton* b = NewButton(20, 20, 160, 50, kGround, dkNone);
  b->SetShowFocusRGN(false);
  b->SetCaption3dKind(ckEmbossed);
  b->SetFont(Font("Arial", 18, gui::clNone));
  b->SetCaption("Relief");
  Paint(b);
  EXPECT_EQ(Compare(*b, *b->Face()).ink, 0);
}

}  // namespace
}  // namespace fybutton_test
