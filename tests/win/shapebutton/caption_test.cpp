// Captions under Wine: the face must equal the face drawn without caption
// plus the caption's pieces drawn by plain GDI calls where the caption
// layout places them, for every pass and in the pass's colour.
#include <span>
#include <string>

#include "shapebutton/fycaptionlayout.h"
#include "shapebutton/fyplacement.h"
#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

// What the face should show: b's face without its caption, and the caption
// drawn on it by GDI as the layout functions place it.
void Expected(TProbeButton& b, gui::TBitmap& out) {
  const std::string caption = b.Caption();
  b.SetCaption("");
  b.RenderFace();
  EXPECT_FALSE(out.Assign(*b.Face()));
  b.SetCaption(caption);
  b.RenderFace();
  if (b.Font().Color == gui::clNone) return;
  HDC dc = out.Canvas().Handle();
  LOGFONTA lf = b.Font().ToLogFont();
  q::FontHandle font;
  auto use = [&](int angle, bool underline) {
    lf.lfEscapement = lf.lfOrientation = angle;
    lf.lfUnderline = underline ? 1 : 0;
    ::SelectObject(dc, ::GetStockObject(SYSTEM_FONT));
    font = q::FontHandle(::CreateFontIndirectA(&lf));
    ::SelectObject(dc, font.Get());
  };
  // Measured with the unturned font; drawn turned, maybe underlined.
  auto measure = [&](std::string_view text) {
    use(0, false);
    SIZE s{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &s);
    return TextExtent{s.cx, s.cy};
  };
  const uint32_t ground = static_cast<uint32_t>(b.ButtonColor());
  const uint32_t text =
      b.Enabled() ? static_cast<uint32_t>(gui::ColorToRGB(b.Font().Color)) : ground;
  const rotatergn::TPoint start =
      PlaceCaption({MeasureCaption(caption, measure), b.CaptionAngle(), b.ButtonAngle(),
                    b.CaptionFixed(), b.CaptionHAlign(), b.CaptionVAlign(), b.CaptionLeft(),
                    b.CaptionTop(), b.ButtonDepth(), b.Width(), b.Height(), b.ButtonWidth(),
                    b.ButtonHeight()})
          .start;
  const CaptionPasses passes = PassesFor(b.Caption3dKind(), b.Pressed());
  ::SetBkMode(dc, TRANSPARENT);
  for (const CaptionPass& pass : std::span(passes.pass.data(), static_cast<size_t>(passes.count))) {
    ::SetTextColor(dc, pass.mode > 0 ? L(ground) : pass.mode < 0 ? D(ground) : text);
    int x = start.x + pass.dx, y = start.y + pass.dy;
    ForEachDrawPiece(caption, [&](std::string_view piece, bool underline) {
      const rotatergn::TPoint step = AdvanceText(measure(piece).width, b.CaptionAngle());
      use(NormalizeAngle(b.CaptionAngle()), underline);
      ::TextOutA(dc, x, y, piece.data(), static_cast<int>(piece.size()));
      x += step.x;
      y += step.y;
    });
  }
  ::SelectObject(dc, ::GetStockObject(SYSTEM_FONT));
}

// A row per caption: turns, alignment or (20, 20), fixed to the button's
// turn, emboss kind, pressed, disabled; a colour of clNone hides it all.
TEST_F(ButtonTest, CaptionsAreTheLaidOutPiecesInEveryPass) {
  Load();
  const struct {
    std::string caption;
    int width, height, captionAngle, buttonAngle;
    TFyHAlign h;
    bool fixed;
    TFyCaption3dKind kind;
    bool pressed, disabled;
    gui::TColor colour;
  } rows[] = {
      {"A&&B", 200, 60, 0, 0, haNone, false, ckSimple, false, false, gui::clBlack},
      {"Tur&ned", 140, 140, -1350, 0, haCenter, false, ckSimple, false, false, gui::clBlack},
      {"Fixed", 120, 40, 0, 900, haLeft, true, ckSimple, false, false, gui::clBlack},
      {"Relief", 160, 50, 0, 0, haCenter, false, ckPressed, true, false, gui::clBlack},
      {"Relief", 160, 50, 0, 0, haCenter, false, ckEmbossed, false, true, gui::clBlack},
      {"Relief", 160, 50, 0, 0, haCenter, false, ckEmbossed, false, false, gui::clNone},
      // The installer's answer button.
      {"&Yes I agree the \"AS IS\"", 193, 105, 0, 0, haCenter, false, ckSimple, false, false,
       gui::clWhite},
  };
  for (const auto& r : rows) {
    TProbeButton* b = NewButton(20, 20, r.width, r.height, Rgb(230, 230, 230), dkNone);
    b->SetShowFocusRGN(false);
    gui::TFont f;
    f.Name = r.width == 193 ? "Tahoma" : "Arial";
    f.Height = -16;
    f.Color = r.colour;
    if (r.width == 193) f.Style = gui::fsBold;
    b->SetFont(f);
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
    int differ = 0, ink = 0;
    for (int y = 0; y < want.Height(); ++y) {
      const uint8_t* w = want.ScanLine(y);
      for (int x = 0; x < want.Width(); ++x) {
        differ += b->At(x, y) != Rgb(w[3 * x + 2], w[3 * x + 1], w[3 * x]);
        ink += b->At(x, y) != b->At(0, y);
      }
    }
    EXPECT_EQ(differ, 0) << r.caption;
    EXPECT_EQ(ink > 20, r.colour != gui::clNone) << r.caption << ": " << ink;
    delete b;
  }
}

}  // namespace
}  // namespace fybutton_test
