// Caption layout: accelerator marks, measuring, the turned text box, its
// place on the face (by alignment, by coordinates, carried by the button's
// turn), the pen's advance along turned text and the emboss passes.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "shapebutton/fycaptionlayout.h"

using namespace fyeverbutton;

namespace {

std::vector<std::string> Measured(std::string_view caption) {
  std::vector<std::string> out;
  for (std::string_view p : CaptionMeasurePieces(caption)) out.emplace_back(p);
  return out;
}

// Drawn pieces, an underlined one in brackets.
std::string Drawn(std::string_view caption) {
  std::string out;
  for (const CaptionPiece& p : CaptionDrawPieces(caption)) {
    if (p.underline) out += '[';
    out += p.text;
    out += p.underline ? ']' : '|';
  }
  return out;
}

// Ten pixels a character, 20 high; an empty text has no height.
TextExtent FakeMeasure(std::string_view s) {
  return {static_cast<int32_t>(10 * s.size()), s.empty() ? 0 : 20};
}

TEST(CaptionMarks, AcceleratorsAndLiteralAmpersands) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Measured("&NO"), (V{"", "NO"}));
  EXPECT_EQ(Drawn("&NO"), "[N]O|");
  EXPECT_EQ(Measured("A&&B"), (V{"A&", "B"}));
  EXPECT_EQ(Drawn("A&&B"), "A&|B|") << "one ampersand shown, nothing underlined";
  // A single "&" at the end underlines a space the layout does not count.
  EXPECT_EQ(Measured("AB&"), (V{"AB"}));
  EXPECT_EQ(Drawn("AB&"), "AB|[ ]");
  EXPECT_EQ(Drawn("&&&"), "&|[ ]");
  EXPECT_EQ(Drawn("a&&&b"), "a&|[b]");
  EXPECT_EQ(Drawn("a&b&c"), "a|[b][c]");
  EXPECT_EQ(Drawn("&Yes I agree the \"AS IS\""), "[Y]es I agree the \"AS IS\"|");
  EXPECT_EQ(Drawn("two\r\nlines"), "two\r\nlines|") << "one line, breaks included";
  EXPECT_TRUE(CaptionMeasurePieces("").empty());
  EXPECT_TRUE(CaptionDrawPieces("").empty());
}

TEST(CaptionMarks, SizeIsThePiecesWidthAndTheFirstHeight) {
  const TextExtent no = MeasureCaption("&NO", FakeMeasure);
  EXPECT_EQ(no.width, 20) << "measured as NO";
  EXPECT_EQ(no.height, 20) << "the empty first piece has no height; the next one counts";
  EXPECT_EQ(MeasureCaption("A&&B", FakeMeasure).width, 30);
  EXPECT_EQ(MeasureCaption("AB&", FakeMeasure).width, 20);
  const TextExtent empty = MeasureCaption("", FakeMeasure);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
}

TEST(CaptionBox, FourQuadrantsOfTheTurnedBox) {
  const TextExtent t{100, 20};
  struct Case {
    int angle;
    TurnedBox box;
  };
  const Case cases[] = {
      {0, {100, 20, 0, 0}},                                // the text's own corner is the box's
      {900, {20, 100, 0, 100}},                            // runs upward from the bottom-left
      {1800, {100, 20, 100, 20}},                          // upside down from the bottom-right
      {2700, {20, 100, 20, 0}},                            // runs downward from the top-right
      {-900, {20, 100, 20, 0}},   {450, {85, 85, 0, 71}},  // 0.7071 * 120 and 0.7071 * 100
      {1350, {85, 85, 71, 85}},   {-450, {85, 85, 14, 0}}, {-1350, {85, 85, 85, 14}},
  };
  for (const Case& c : cases) {
    const TurnedBox b = TurnTextBox(t, c.angle);
    EXPECT_EQ(b.width, c.box.width) << c.angle;
    EXPECT_EQ(b.height, c.box.height) << c.angle;
    EXPECT_EQ(b.startX, c.box.startX) << c.angle;
    EXPECT_EQ(b.startY, c.box.startY) << c.angle;
  }
}

TEST(CaptionPlace, AlignmentsKeepDepthPlusFourFromTheEdge) {
  CaptionLayoutParams p{.text = {50, 20},
                        .hAlign = haRight,
                        .vAlign = vaBottom,
                        .depth = 2,
                        .width = 200,
                        .height = 100,
                        .buttonWidth = 200,
                        .buttonHeight = 100};
  CaptionPlacement c = PlaceCaption(p);
  EXPECT_EQ(c.boxLeft, 144);
  EXPECT_EQ(c.boxTop, 74);
  EXPECT_EQ(c.start, (rotatergn::TPoint{144, 74}));

  p.hAlign = haLeft;
  p.vAlign = vaTop;
  EXPECT_EQ(PlaceCaption(p).start, (rotatergn::TPoint{6, 6}));
  p.hAlign = haCenter;
  p.vAlign = vaCenter;
  p.text = {51, 21};
  EXPECT_EQ(PlaceCaption(p).start, (rotatergn::TPoint{74, 39})) << "integer halves";
  p.hAlign = haNone;
  p.vAlign = vaNone;
  p.captionLeft = -7;
  p.captionTop = 300;
  EXPECT_EQ(PlaceCaption(p).start, (rotatergn::TPoint{-7, 300}));

  // Turned text starts inside its box: at 900 from the box's bottom-left.
  p.hAlign = haLeft;
  p.vAlign = vaTop;
  p.text = {50, 20};
  p.captionAngle = 900;
  c = PlaceCaption(p);
  EXPECT_EQ(c.box.width, 20);
  EXPECT_EQ(c.start, (rotatergn::TPoint{6, 56}));
}

TEST(CaptionPlace, FixedCaptionIsCarriedByTheButtonsTurn) {
  // A 100 x 40 button turned a quarter: a 40 x 100 window. The caption,
  // turned with it (900 - 900 = 0 relative to the button), is laid out
  // in the unturned button and carried along.
  CaptionLayoutParams p{.text = {30, 10},
                        .captionAngle = 900,
                        .buttonAngle = 900,
                        .captionFixed = true,
                        .width = 40,
                        .height = 100,
                        .buttonWidth = 100,
                        .buttonHeight = 40};
  CaptionPlacement c = PlaceCaption(p);
  EXPECT_EQ(c.box.width, 30) << "laid out unturned";
  EXPECT_EQ(c.boxLeft, 35);
  EXPECT_EQ(c.boxTop, 15);
  // (35, 15) turned: the text runs upward from (15, 65) and its box,
  // x 15..25 and y 35..65, sits at the window's centre.
  EXPECT_EQ(c.start, (rotatergn::TPoint{15, 65}));
  // At the left of the unturned button means at the bottom of the window.
  p.hAlign = haLeft;
  EXPECT_EQ(PlaceCaption(p).start, (rotatergn::TPoint{15, 94}));

  // Unturned, fixed or not makes no difference.
  p.buttonAngle = 0;
  p.captionAngle = 0;
  p.width = 100;
  p.height = 40;
  const rotatergn::TPoint fixed = PlaceCaption(p).start;
  p.captionFixed = false;
  EXPECT_EQ(PlaceCaption(p).start, fixed);
}

TEST(CaptionPlace, ExtremeValuesSaturate) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = -kMax - 1;
  CaptionLayoutParams p{.text = {kMax, 20},
                        .captionAngle = kMin,
                        .hAlign = haNone,
                        .vAlign = vaNone,
                        .captionLeft = kMax,
                        .captionTop = kMin,
                        .width = 10,
                        .height = 10};
  const CaptionPlacement c = PlaceCaption(p);  // no overflow on the way
  EXPECT_EQ(c.start.x, kMax);
  p.captionFixed = true;
  p.buttonAngle = 1800;
  p.depth = kMax;
  p.hAlign = haRight;
  (void)PlaceCaption(p);
}

TEST(CaptionPasses, AdvanceAndPasses) {
  EXPECT_EQ(AdvanceText(40, 0), (rotatergn::TPoint{40, 0}));
  EXPECT_EQ(AdvanceText(40, 900), (rotatergn::TPoint{0, -40})) << "upward";
  EXPECT_EQ(AdvanceText(40, 1800), (rotatergn::TPoint{-40, 0}));
  EXPECT_EQ(AdvanceText(10, 450), (rotatergn::TPoint{7, -7}));

  auto passes = [](TFyCaption3dKind k, bool pressed) {
    std::string out;
    const CaptionPasses p = PassesFor(k, pressed);
    for (int i = 0; i < p.count; ++i) {
      const CaptionPass& x = p.pass[static_cast<size_t>(i)];
      char sep = '(';
      for (int v : {x.dx, x.dy, x.mode}) {
        out += sep;
        out += std::to_string(v);
        sep = ',';
      }
      out += ')';
    }
    return out;
  };
  EXPECT_EQ(passes(ckSimple, false), "(0,0,0)");
  EXPECT_EQ(passes(ckSimple, true), "(1,1,0)");
  EXPECT_EQ(passes(ckEmbossed, false), "(-1,-1,1)(1,1,-1)(0,0,0)");
  EXPECT_EQ(passes(ckPressed, false), "(-1,-1,-1)(1,1,1)(0,0,0)");
  EXPECT_EQ(passes(ckPressed, true), "(0,0,-1)(2,2,1)(1,1,0)");
}

}  // namespace
