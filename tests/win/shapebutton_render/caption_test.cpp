// Captions under Wine: the face is compared with the same text drawn by
// plain GDI calls where the layout fixes the place, and otherwise with
// invariants of the ink (the pixels that are not the button colour), since
// fonts differ from one system to the next.
#include <string>
#include <vector>

#include "win/shapebutton_render/face_fixture.h"

namespace fyrender_test {
namespace {

constexpr uint32_t kGround = Rgb(230, 230, 230);

gui::TFont Arial(int height, gui::TColor color) {
  gui::TFont f;
  f.Name = "Arial";
  f.Height = -height;
  f.Color = color;
  return f;
}

// `text` drawn once with the button's font turned by `angle` at (x, y) on
// a face-sized ground, as GDI draws it.
class Reference {
 public:
  Reference(const TFyeverButton& b, uint32_t ground) : font_(b.Font()) {
    EXPECT_FALSE(bitmap_.SetSize(b.Face()->Width(), b.Face()->Height()));
    bitmap_.Canvas().SetBrushColor(static_cast<gui::TColor>(ground));
    bitmap_.Canvas().FillRect({0, 0, bitmap_.Width(), bitmap_.Height()});
    dc_ = bitmap_.Canvas().Handle();
  }
  struct Look {
    int angle = 0;
    bool underline = false;
    gui::TColor color = gui::clDefault;  // the font's
  };
  void Text(int x, int y, std::string_view text, Look look) {
    LOGFONTA lf = font_.ToLogFont();
    lf.lfEscapement = lf.lfOrientation = look.angle;
    lf.lfUnderline = look.underline ? 1 : 0;
    q::FontHandle f(::CreateFontIndirectA(&lf));
    HGDIOBJ old = ::SelectObject(dc_, f.Get());
    ::SetBkMode(dc_, TRANSPARENT);
    ::SetTextColor(dc_, gui::ColorToRGB(look.color == gui::clDefault ? font_.Color : look.color));
    ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
    ::SelectObject(dc_, old);
  }
  void Text(int x, int y, std::string_view text) { Text(x, y, text, Look{}); }
  SIZE Extent(std::string_view text) {
    LOGFONTA lf = font_.ToLogFont();
    q::FontHandle f(::CreateFontIndirectA(&lf));
    HGDIOBJ old = ::SelectObject(dc_, f.Get());
    SIZE s{};
    ::GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    ::SelectObject(dc_, old);
    return s;
  }
  TEXTMETRICA Metrics() {
    LOGFONTA lf = font_.ToLogFont();
    q::FontHandle f(::CreateFontIndirectA(&lf));
    HGDIOBJ old = ::SelectObject(dc_, f.Get());
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc_, &tm);
    ::SelectObject(dc_, old);
    return tm;
  }
  // The box around the face pixels that differ from this drawing.
  InkBox Diff(const TFyeverButton& b) {
    return BoxOf(b, {0, 0, bitmap_.Width(), bitmap_.Height()},
                 [this](int x, int y, uint32_t pixel) {
                   const uint8_t* p = bitmap_.ScanLine(y) + 3 * x;
                   return pixel != Rgb(p[2], p[1], p[0]);
                 });
  }

 private:
  gui::TFont font_;
  gui::TBitmap bitmap_;
  HDC dc_ = nullptr;
};

class CaptionTest : public FaceTest {
 protected:
  TFaceButton* NewCaption(int width, int height, std::string caption, gui::TFont font) {
    TFaceButton* b = NewFace(width, height, static_cast<gui::TColor>(kGround));
    b->SetFont(font);
    b->SetCaption(std::move(caption));
    Paint(b);
    return b;
  }
  InkBox TextInk(const TFyeverButton& b) { return Ink(b, kGround, {0, 0, b.Width(), b.Height()}); }
};

TEST_F(CaptionTest, AmpersandsAreMarksNotText) {
  Load("");
  // Text placed by coordinates starts at (20, 20).
  TFaceButton* b = NewCaption(200, 60, "A&&B", Arial(16, gui::clBlack));
  b->SetCaptionHAlign(haNone);
  b->SetCaptionVAlign(vaNone);
  b->SetCaptionLeft(20);
  b->SetCaptionTop(20);
  // Drawn piece by piece: "A&" and "B" after it, nothing underlined.
  {
    Reference r(*b, kGround);
    r.Text(20, 20, "A&");
    r.Text(20 + r.Extent("A&").cx, 20, "B");
    EXPECT_EQ(r.Diff(*b).count, 0);
  }
  // "&NO": "N" underlined, then "O" after it.
  b->SetCaption("&NO");
  Paint(b);
  {
    Reference r(*b, kGround);
    r.Text(20, 20, "N", {.underline = true});
    r.Text(20 + r.Extent("N").cx, 20, "O");
    EXPECT_EQ(r.Diff(*b).count, 0);
  }
  {
    // The line is under the N alone, below the letters.
    Reference r(*b, kGround);
    const TEXTMETRICA tm = r.Metrics();
    const int n = r.Extent("N").cx;
    r.Text(20, 20, "N");
    r.Text(20 + n, 20, "O");
    const InkBox under = r.Diff(*b);
    EXPECT_GE(under.count, n - 2);
    EXPECT_GE(under.left, 20);
    EXPECT_LE(under.right, 20 + n);
    EXPECT_GE(under.top, 20 + tm.tmAscent - 1);
    EXPECT_LE(under.bottom, 20 + tm.tmHeight);
  }
  // A closing "&" underlines a space after the text.
  b->SetCaption("AB&");
  Paint(b);
  {
    Reference r(*b, kGround);
    r.Text(20, 20, "AB");
    r.Text(20 + r.Extent("AB").cx, 20, " ", {.underline = true});
    EXPECT_EQ(r.Diff(*b).count, 0);
  }
  b->SetCaption("");
  Paint(b);
  EXPECT_EQ(TextInk(*b).count, 0);
}

TEST_F(CaptionTest, RightAlignedBoxKeepsDepthPlusFourFromTheRightEdge) {
  Load("");
  TFaceButton* b = NewCaption(200, 60, "Right", Arial(16, gui::clNavy));
  b->SetCaptionHAlign(haRight);
  Reference r(*b, kGround);
  const SIZE s = r.Extent("Right");
  r.Text(200 - 2 - 4 - s.cx, (60 - s.cy) / 2, "Right");
  EXPECT_EQ(r.Diff(*b).count, 0);
}

TEST_F(CaptionTest, PressedMovesTheTextOnePixelRightAndDown) {
  Load("");
  TFaceButton* b = NewCaption(160, 50, "Press me", Arial(16, gui::clBlack));
  const InkBox up = TextInk(*b);
  ASSERT_GT(up.count, 20);
  Press(b, true);
  const InkBox down = TextInk(*b);
  EXPECT_EQ(down.left, up.left + 1);
  EXPECT_EQ(down.top, up.top + 1);
  EXPECT_EQ(down.Width(), up.Width());
  EXPECT_EQ(down.Height(), up.Height());
  EXPECT_EQ(down.count, up.count);
}

TEST_F(CaptionTest, TurnedCaptionsStayCentred) {
  Load("");
  TFaceButton* b = NewCaption(140, 140, "Turned", Arial(16, gui::clBlack));
  for (int angle : {0, 450, 900, 1800, 2700, -900}) {
    b->SetCaptionAngle(angle);
    Paint(b);
    const InkBox ink = TextInk(*b);
    ASSERT_GT(ink.count, 20) << angle;
    EXPECT_NEAR(ink.left + ink.right, 140, 5) << angle;
    EXPECT_NEAR(ink.top + ink.bottom, 140, 5) << angle;
    if (angle % 1800 == 0) {
      EXPECT_GT(ink.Width(), 2 * ink.Height()) << angle;
    } else if (angle % 900 == 0) {
      EXPECT_GT(ink.Height(), 2 * ink.Width()) << "tall and narrow at " << angle;
    }
  }
  // At 900 the text runs upward from its box's bottom-left corner.
  b->SetCaptionAngle(900);
  Reference r(*b, kGround);
  const SIZE s = r.Extent("Turned");
  r.Text((140 - s.cy) / 2, (140 - s.cx) / 2 + s.cx, "Turned", {.angle = 900});
  EXPECT_EQ(r.Diff(*b).count, 0);
}

TEST_F(CaptionTest, FixedCaptionTurnsWithTheButton) {
  Load("");
  // A 120 x 40 button turned a quarter lives in a 40 x 120 window. Left
  // aligned in the unturned button means at the bottom of the window.
  TFaceButton* b = NewCaption(120, 40, "Fixed", Arial(14, gui::clBlack));
  b->SetCaptionHAlign(haLeft);
  b->SetCaptionFixed(true);
  b->SetButtonAngle(900);
  ASSERT_EQ(b->CaptionAngle(), 900);
  ASSERT_EQ(b->Width(), 40);
  Paint(b);
  InkBox ink = TextInk(*b);
  EXPECT_GT(ink.Height(), 2 * ink.Width());
  EXPECT_LE(ink.bottom, 120 - 6);
  EXPECT_GE(ink.bottom, 120 - 6 - 3);
  EXPECT_NEAR(ink.left + ink.right, 40, 3);

  // Not fixed, the same caption is laid out in the window itself: at its
  // left, half-way down.
  b->SetCaptionFixed(false);
  Paint(b);
  ink = TextInk(*b);
  EXPECT_GT(ink.Height(), 2 * ink.Width());
  EXPECT_GE(ink.left, 6);
  EXPECT_LE(ink.left, 6 + 3);
  EXPECT_NEAR(ink.top + ink.bottom, 120, 3);
}

TEST_F(CaptionTest, EmbossedEngravedDisabledAndHidden) {
  Load("");
  TFaceButton* b = NewCaption(160, 50, "Relief", Arial(18, gui::clBlack));
  // Every pass draws the whole text at the centred start point, moved by
  // its own offset, in its own colour; later passes over earlier ones.
  struct Pass {
    int d;
    uint32_t colour;
  };
  auto expect = [&](std::vector<Pass> passes, uint32_t ground, const char* what) {
    Reference r(*b, ground);
    const SIZE s = r.Extent("Relief");
    const int x = (160 - s.cx) / 2, y = (50 - s.cy) / 2;
    for (const Pass& p : passes) {
      r.Text(x + p.d, y + p.d, "Relief", {.color = static_cast<gui::TColor>(p.colour)});
    }
    EXPECT_EQ(r.Diff(*b).count, 0) << what;
  };
  const uint32_t black = Rgb(0, 0, 0);
  b->SetCaption3dKind(ckEmbossed);
  expect({{-1, L(kGround)}, {1, D(kGround)}, {0, black}}, kGround, "embossed");
  b->SetCaption3dKind(ckPressed);
  expect({{-1, D(kGround)}, {1, L(kGround)}, {0, black}}, kGround, "engraved");
  Press(b, true);
  expect({{0, D(kGround)}, {2, L(kGround)}, {1, black}}, kGround, "engraved and pressed");
  Press(b, false);

  // Disabled: the text in the button colour on the paler ground; embossed,
  // the shades of the button colour, then the button colour.
  b->SetEnabled(false);
  b->SetCaption3dKind(ckSimple);
  Paint(b);
  expect({{0, kGround}}, L(kGround), "disabled");
  b->SetCaption3dKind(ckEmbossed);
  expect({{-1, L(kGround)}, {1, D(kGround)}, {0, kGround}}, L(kGround), "disabled, embossed");

  // A text colour of clNone hides the caption, emboss passes included.
  b->SetEnabled(true);
  gui::TFont none = b->Font();
  none.Color = gui::clNone;
  b->SetFont(none);
  Paint(b);
  EXPECT_EQ(TextInk(*b).count, 0);
}

TEST_F(CaptionTest, InstallerAnswerButtonsInTahomaBold) {
  Load("");
  // The installer's "Yes" button: the whole caption centred on the face,
  // the Y underlined, the rest after it, in bold white.
  gui::TFont font;
  font.Name = "Tahoma";
  font.Height = -13;
  font.Style = gui::fsBold;
  font.Color = gui::clWhite;
  const std::string caption = "&Yes I agree the \"AS IS\"";
  TFaceButton* b = NewCaption(193, 105, caption, font);
  b->SetButtonKind(bkRoundRect);
  Paint(b);
  Reference r(*b, kGround);
  const std::string shown = "Yes I agree the \"AS IS\"";
  const SIZE s = r.Extent(shown);
  const int x = (193 - s.cx) / 2, y = (105 - s.cy) / 2;
  r.Text(x, y, "Y", {.underline = true});
  r.Text(x + r.Extent("Y").cx, y, shown.substr(1));
  EXPECT_EQ(r.Diff(*b).count, 0);
  const RECT inside{0, 0, 193, 105};
  const int bold = Count(*b, Rgb(255, 255, 255), inside);

  font.Style = 0;
  b->SetFont(font);
  Paint(b);
  EXPECT_GT(bold, Count(*b, Rgb(255, 255, 255), inside)) << "bold carried into the drawn font";
}

}  // namespace
}  // namespace fyrender_test
