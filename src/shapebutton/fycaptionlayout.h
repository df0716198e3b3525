// The layout of a shaped button's caption: the accelerator marks ("&" makes
// the next character the underlined accelerator, "&&" is one literal "&"),
// the text's size and its turned box, where the box goes on the face, and
// the passes that draw the text plain, embossed or engraved. Portable: the
// renderer measures and draws what this lays out.
//
// Angles are tenths of a degree, positive counter-clockwise on the screen.
// A caption is one line: line breaks are ordinary characters.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "shapebutton/fyeverbutton_types.h"
#include "shapebutton/rotatergn.h"

namespace fyeverbutton {

// A doubled "&" at p is the literal form: one "&" shown, no accelerator.
constexpr bool LiteralAmpersand(std::string_view text, size_t p) {
  return p + 1 < text.size() && text[p + 1] == '&';
}

// The pieces the caption is measured by, f(piece) for each in order: the
// accelerator character is measured with the text after it; a single "&"
// at the end adds nothing.
template <typename F>
void ForEachMeasurePiece(std::string_view text, F&& f) {
  while (!text.empty()) {
    const size_t p = text.find('&');
    if (p == std::string_view::npos) {
      f(text);
      return;
    }
    // A literal piece ends with the one "&" shown; otherwise the
    // accelerator goes with the next piece.
    const bool literal = LiteralAmpersand(text, p);
    f(text.substr(0, literal ? p + 1 : p));
    text.remove_prefix(literal ? p + 2 : p + 1);
  }
}

// The pieces the caption is drawn by, f(text, underline) for each in
// order: plain runs and each accelerator character on its own, underlined.
// A single "&" at the end underlines a space, which the layout does not
// count. Empty runs are left out.
template <typename F>
void ForEachDrawPiece(std::string_view rest, F&& f) {
  for (;;) {
    const size_t p = rest.find('&');
    const bool literal = p != std::string_view::npos && LiteralAmpersand(rest, p);
    const std::string_view run = rest.substr(0, literal ? p + 1 : p);
    if (!run.empty()) f(run, false);
    if (p == std::string_view::npos) return;
    if (!literal) {
      if (p + 1 == rest.size()) {
        f(std::string_view(" "), true);
        return;
      }
      f(rest.substr(p + 1, 1), true);
    }
    rest.remove_prefix(p + 2);
  }
}

struct TextExtent {
  int32_t width = 0;
  int32_t height = 0;
};

// The caption's unturned size: the pieces' widths added, the height of the
// first piece that has one. `measure(std::string_view)` gives a TextExtent.
template <typename Measure>
TextExtent MeasureCaption(std::string_view caption, Measure&& measure) {
  TextExtent total;
  int64_t width = 0;
  ForEachMeasurePiece(caption, [&](std::string_view piece) {
    const TextExtent e = measure(piece);
    width += e.width;
    if (total.height == 0) total.height = e.height;
  });
  total.width = static_cast<int32_t>(width > INT32_MAX ? INT32_MAX : width);
  return total;
}

// The box a width x height text turned by `angle` fills, and where in it
// the text starts (the turned text's own top-left corner).
struct TurnedBox {
  int32_t width = 0;
  int32_t height = 0;
  int32_t startX = 0;
  int32_t startY = 0;
};
TurnedBox TurnTextBox(TextExtent text, int32_t angle);

struct CaptionLayoutParams {
  TextExtent text;
  int32_t captionAngle = 0;
  int32_t buttonAngle = 0;
  // The text turns with the button: it is laid out in the unturned button
  // and carried into the window by the button's turn.
  bool captionFixed = false;
  TFyHAlign hAlign = haCenter;
  TFyVAlign vAlign = vaCenter;
  int32_t captionLeft = 5;  // haNone / vaNone
  int32_t captionTop = 5;
  int32_t depth = 2;
  int32_t width = 0;  // the window
  int32_t height = 0;
  int32_t buttonWidth = 0;  // the unturned button
  int32_t buttonHeight = 0;
};

struct CaptionPlacement {
  TurnedBox box;
  int32_t boxLeft = 0;  // in the window, or in the unturned button when fixed
  int32_t boxTop = 0;
  rotatergn::TPoint start;  // where the text starts, in the window
};

// Aligned boxes keep depth + 4 pixels from the edges they align to.
CaptionPlacement PlaceCaption(const CaptionLayoutParams& p);

// How far the pen moves along a line of text turned by `angle` after a
// piece `width` wide.
rotatergn::TPoint AdvanceText(int32_t width, int32_t angle);

// One drawing of the whole text: its offset from the start point and its
// colour (0 the text colour, positive the light shade, negative the dark).
struct CaptionPass {
  int32_t dx = 0;
  int32_t dy = 0;
  int mode = 0;
};
struct CaptionPasses {
  std::array<CaptionPass, 3> pass{};
  int count = 0;
};
// Embossed: light up-left, dark down-right, then the text; engraved
// (ckPressed) the shades the other way. A pressed button draws every pass
// one pixel right and down.
CaptionPasses PassesFor(TFyCaption3dKind kind, bool pressed);

}  // namespace fyeverbutton
