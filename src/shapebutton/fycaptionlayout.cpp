#include "shapebutton/fycaptionlayout.h"

#include <cmath>
#include <numbers>

#include "shapebutton/fyplacement.h"

namespace fyeverbutton {

using rotatergn::RoundHalfEven;

namespace {

double Radians(int64_t angle) { return NormalizeAngle(angle) * std::numbers::pi / 1800; }

}  // namespace

TurnedBox TurnTextBox(TextExtent text, int32_t angle) {
  const double a = Radians(angle);
  const double s = std::sin(a), c = std::cos(a);
  const double as = std::fabs(s), ac = std::fabs(c);
  const double tw = text.width, th = text.height;
  TurnedBox box;
  box.width = RoundHalfEven(ac * tw + as * th);
  box.height = RoundHalfEven(as * tw + ac * th);
  // The text's own top-left corner: bottom-left of the box when it runs
  // upward, bottom-right upside down, top-right running downward.
  if (s > 0 && c > 0) {
    box.startY = RoundHalfEven(as * tw);
  } else if (s > 0) {
    box.startX = RoundHalfEven(ac * tw);
    box.startY = box.height;
  } else if (c > 0) {
    box.startX = RoundHalfEven(as * th);
  } else {
    box.startX = box.width;
    box.startY = RoundHalfEven(ac * th);
  }
  return box;
}

CaptionPlacement PlaceCaption(const CaptionLayoutParams& p) {
  CaptionPlacement out;
  // Fixed to the button, the text keeps its angle to the button.
  const int64_t relative =
      p.captionFixed ? int64_t{p.captionAngle} - p.buttonAngle : p.captionAngle;
  out.box = TurnTextBox(p.text, NormalizeAngle(relative));
  const int64_t rw = p.captionFixed ? p.buttonWidth : p.width;
  const int64_t rh = p.captionFixed ? p.buttonHeight : p.height;
  const int64_t margin = int64_t{p.depth} + 4;
  int64_t left = p.captionLeft, top = p.captionTop;
  switch (p.hAlign) {
    case haLeft: left = margin; break;
    case haCenter: left = Half(rw - out.box.width); break;
    case haRight: left = rw - margin - out.box.width; break;
    case haNone: break;
  }
  switch (p.vAlign) {
    case vaTop: top = margin; break;
    case vaCenter: top = Half(rh - out.box.height); break;
    case vaBottom: top = rh - margin - out.box.height; break;
    case vaNone: break;
  }
  out.boxLeft = Saturate(left);
  out.boxTop = Saturate(top);
  const double px = static_cast<double>(left + out.box.startX);
  const double py = static_cast<double>(top + out.box.startY);
  if (!p.captionFixed) {
    out.start = {Saturate(left + out.box.startX), Saturate(top + out.box.startY)};
    return out;
  }
  // From the unturned button into the window: turn about the button's
  // corner, then move the turned centre onto the window centre.
  const double b = Radians(p.buttonAngle), c = std::cos(b), s = std::sin(b);
  const double hw = p.buttonWidth / 2.0, hh = p.buttonHeight / 2.0;
  const int64_t x1 = RoundHalfEven(c * px + s * py), y1 = RoundHalfEven(-s * px + c * py);
  const int64_t cx = RoundHalfEven(c * hw + s * hh), cy = RoundHalfEven(-s * hw + c * hh);
  out.start = {Saturate(x1 + (p.width / 2 - cx)), Saturate(y1 + (p.height / 2 - cy))};
  return out;
}

rotatergn::TPoint AdvanceText(int32_t width, int32_t angle) {
  const double a = Radians(angle);
  return {RoundHalfEven(std::cos(a) * width), RoundHalfEven(-std::sin(a) * width)};
}

CaptionPasses PassesFor(TFyCaption3dKind kind, bool pressed) {
  CaptionPasses out;
  auto add = [&out, pressed](int32_t d, int mode) {
    const int32_t shift = pressed ? 1 : 0;
    out.pass[static_cast<size_t>(out.count++)] = {d + shift, d + shift, mode};
  };
  switch (kind) {
    case ckEmbossed:
      add(-1, 1);
      add(1, -1);
      break;
    case ckPressed:
      add(-1, -1);
      add(1, 1);
      break;
    case ckSimple: break;
  }
  add(0, 0);
  return out;
}

}  // namespace fyeverbutton
