// Captions under Wine: the face must equal the face drawn without caption
// plus the caption's pieces drawn by plain GDI calls where the caption
// layout places them, for every pass and in the pass's colour.
#include <functional>
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

TEST_F(ButtonTest, CaptionsAreTheLaidOutPiecesInEveryPass) {
  Load();
  const gui::TFont arial = Font("Arial", 16, gui::clBlack);
  struct Row {
    const char* what;
    int width, height;
    std::string caption;
    gui::TFont font;
    std::function<void(TProbeButton*)> set;
  } rows[] = {
      {"literal ampersand, by coordinates", 200, 60, "A&&B", arial,
       [](TProbeButton* b) {
         b->SetCaptionHAlign(haNone);
         b->SetCaptionVAlign(vaNone);
         b->SetCaptionLeft(20);
         b->SetCaptionTop(20);
       }},
      {"accelerator", 200, 60, "&NO", arial, [](TProbeButton*) {}},
      {"closing ampersand", 200, 60, "AB&", arial, [](TProbeButton*) {}},
      {"right aligned", 200, 60, "Right", Font("Arial", 16, gui::clNavy),
       [](TProbeButton* b) { b->SetCaptionHAlign(haRight); }},
      {"pressed", 160, 50, "Press me", arial, [this](TProbeButton* b) { Press(b, true); }},
      {"turned 900", 140, 140, "Turned", arial, [](TProbeButton* b) { b->SetCaptionAngle(900); }},
      {"turned 450", 140, 140, "Turned", arial, [](TProbeButton* b) { b->SetCaptionAngle(450); }},
      {"turned -1350", 140, 140, "Tur&ned", arial,
       [](TProbeButton* b) { b->SetCaptionAngle(-1350); }},
      {"fixed, left, the button turned", 120, 40, "Fixed", Font("Arial", 14, gui::clBlack),
       [](TProbeButton* b) {
         b->SetCaptionHAlign(haLeft);
         b->SetCaptionFixed(true);
         b->SetButtonAngle(900);
       }},
      {"not fixed, left, the button turned", 120, 40, "Fixed", Font("Arial", 14, gui::clBlack),
       [](TProbeButton* b) {
         b->SetCaptionHAlign(haLeft);
         b->SetButtonAngle(900);
       }},
      {"embossed", 160, 50, "Relief", Font("Arial", 18, gui::clBlack),
       [](TProbeButton* b) { b->SetCaption3dKind(ckEmbossed); }},
      {"engraved and pressed", 160, 50, "Relief", Font("Arial", 18, gui::clBlack),
       [this](TProbeButton* b) {
         b->SetCaption3dKind(ckPressed);
         Press(b, true);
       }},
      {"disabled", 160, 50, "Relief", Font("Arial", 18, gui::clBlack),
       [this](TProbeButton* b) {
         b->SetEnabled(false);
         Paint(b);
       }},
      {"disabled and embossed", 160, 50, "Relief", Font("Arial", 18, gui::clBlack),
       [this](TProbeButton* b) {
         b->SetCaption3dKind(ckEmbossed);
         b->SetEnabled(false);
         Paint(b);
       }},
      {"the installer's answer button, bold", 193, 105, "&Yes I agree the \"AS IS\"",
       Font("Tahoma", 13, gui::clWhite, gui::fsBold),
       [](TProbeButton* b) { b->SetButtonKind(bkRoundRect); }},
  };
  for (const Row& r : rows) {
    TProbeButton* b = NewButton(20, 20, r.width, r.height, kGround, dkNone);
    b->SetShowFocusRGN(false);
    b->SetFont(r.font);
    b->SetCaption(r.caption);
    r.set(b);
    Paint(b);
    gui::TBitmap want;
    Expected(*b, want);
    const Diff d = Compare(*b, want);
    EXPECT_EQ(d.differ, 0) << r.what;
    EXPECT_GT(d.ink, 20) << r.what;
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
