// Caption layout: accelerator marks, measuring, the turned text box, its
// place on the face, the pen's advance along turned text, the emboss passes.
#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <string>
#include <tuple>

#include "shapebutton/fycaptionlayout.h"

using namespace fyeverbutton;

namespace {

// Measured pieces joined by "|"; drawn pieces, underlined ones in brackets.
std::string Pieces(std::string_view caption) {
  std::string out;
  ForEachMeasurePiece(caption, [&out](std::string_view p) { out.append(p).append("|"); });
  out += " ";
  ForEachDrawPiece(caption, [&out](std::string_view text, bool underline) {
    out.append(underline ? "[" : "").append(text).append(underline ? "]" : "|");
  });
  return out;
}

TEST(CaptionMarks, AcceleratorsLiteralAmpersandsAndTheSize) {
  const std::pair<std::string_view, std::string_view> rows[] = {
      {"&NO", "|NO| [N]O|"},
      {"A&&B", "A&|B| A&|B|"},  // one ampersand shown, nothing underlined
      // A single "&" at the end underlines a space the layout does not count.
      {"AB&", "AB| AB|[ ]"},
      {"&&&", "&|| &|[ ]"},
      {"a&&&b", "a&||b| a&|[b]"},
      {"a&b&c", "a|b|c| a|[b][c]"},
      {"two\r\nlines", "two\r\nlines| two\r\nlines|"},  // one line, breaks included
      {"", " "},
  };
  for (const auto& [caption, want] : rows) EXPECT_EQ(Pieces(caption), want) << caption;
  // Ten pixels a character, 20 high; an empty text has no height: the
  // width adds the measured pieces, the height is the first one's that has
  // one.
  auto measure = [](std::string_view s) {
    return TextExtent{static_cast<int32_t>(10 * s.size()), s.empty() ? 0 : 20};
  };
  for (const auto& [caption, w, h] :
       {std::tuple{"&NO", 20, 20}, {"A&&B", 30, 20}, {"AB&", 20, 20}, {"", 0, 0}}) {
    const TextExtent e = MeasureCaption(caption, measure);
    EXPECT_EQ(std::pair(e.width, e.height), std::pair(w, h)) << caption;
  }
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
    EXPECT_EQ(std::tuple(b.width, b.height, b.startX, b.startY),
              std::tuple(c.box.width, c.box.height, c.box.startX, c.box.startY))
        << c.angle;
  }
}

TEST(CaptionPlace, AlignmentsKeepDepthPlusFourFromTheEdge) {
  // A 200 x 100 face of depth 2; halves are integer halves; turned text
  // starts inside its box: at 900 from the box's bottom-left.
  const struct {
    TFyHAlign h;
    TFyVAlign v;
    TextExtent text;
    int angle;
    rotatergn::TPoint start;
  } rows[] = {{haRight, vaBottom, {50, 20}, 0, {144, 74}},
              {haLeft, vaTop, {50, 20}, 0, {6, 6}},
              {haCenter, vaCenter, {51, 21}, 0, {74, 39}},
              {haNone, vaNone, {51, 21}, 0, {-7, 300}},
              {haLeft, vaTop, {50, 20}, 900, {6, 56}}};
  CaptionLayoutParams p{
      .text = {}, .captionLeft = -7, .captionTop = 300, .width = 200, .height = 100};
  p.buttonWidth = p.width;
  p.buttonHeight = p.height;
  for (const auto& r : rows) {
    std::tie(p.text, p.captionAngle, p.hAlign, p.vAlign) = std::tuple(r.text, r.angle, r.h, r.v);
    EXPECT_EQ(PlaceCaption(p).start, r.start) << r.h << " " << r.v << " " << r.angle;
  }
}

TEST(CaptionPlace, ExtremeValuesSaturate) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = -kMax - 1;
  CaptionLayoutParams p{.text = {kMax, 20}, .captionAngle = kMin, .width = 10, .height = 10};
  std::tie(p.hAlign, p.vAlign, p.captionLeft, p.captionTop) =
      std::tuple(haNone, vaNone, kMax, kMin);
  EXPECT_EQ(PlaceCaption(p).start.x, kMax);  // no overflow on the way
  std::tie(p.captionFixed, p.buttonAngle, p.depth, p.hAlign) =
      std::tuple(true, 1800, kMax, haRight);
  (void)PlaceCaption(p);
}

TEST(CaptionPasses, AdvanceAndPasses) {
  // 900 runs upward.
  for (const auto& [len, angle, x, y] :
       {std::tuple{40, 0, 40, 0}, {40, 900, 0, -40}, {40, 1800, -40, 0}, {10, 450, 7, -7}}) {
    EXPECT_EQ(AdvanceText(len, angle), (rotatergn::TPoint{x, y})) << angle;
  }

  auto passes = [](TFyCaption3dKind k, bool pressed) {
    std::string out;
    const CaptionPasses p = PassesFor(k, pressed);
    for (const CaptionPass& x : std::span(p.pass.data(), static_cast<size_t>(p.count))) {
      out += std::to_string(x.dx) + "," + std::to_string(x.dy) + "," + std::to_string(x.mode) + ";";
    }
    return out;
  };
  EXPECT_EQ(passes(ckSimple, false), "0,0,0;");
  EXPECT_EQ(passes(ckSimple, true), "1,1,0;");
  EXPECT_EQ(passes(ckEmbossed, false), "-1,-1,1;1,1,-1;0,0,0;");
  EXPECT_EQ(passes(ckPressed, false), "-1,-1,-1;1,1,1;0,0,0;");
  EXPECT_EQ(passes(ckPressed, true), "0,0,-1;2,2,1;1,1,0;");
}

}  // namespace
