// Reading a shaped button's face bitmap: pixels as RGB values, the bounding
// box of the pixels that differ from a colour, and a button whose active
// state a test can set without moving the focus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shapebutton/fycolors.h"
#include "win/shapebutton/button_fixture.h"

namespace fyrender_test {

using namespace fybutton_test;

class TFaceButton : public TFyeverButton {
  Q_GUI_CLASS(TFaceButton, TFyeverButton)

 public:
  explicit TFaceButton(gui::TComponent* owner) : TFyeverButton(owner) {}
  // What the form's focus handling tells the button.
  void SetActive(bool on) { SetButtonStyle(on); }
};

constexpr uint32_t L(uint32_t c) { return fyeverbutton::LightenRGB(c); }
constexpr uint32_t D(uint32_t c) { return fyeverbutton::DarkenRGB(c); }
constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}

// The face pixel (x, y) as an RGB value (red in the low byte); a value
// with the top byte set when (x, y) is off the face.
inline uint32_t Pixel(const TFyeverButton& b, int x, int y) {
  const gui::TBitmap* face = b.Face();
  if (!face || x < 0 || x >= face->Width()) return 0xFF000000u;
  const uint8_t* row = face->ScanLine(y);
  if (!row) return 0xFF000000u;
  const uint8_t* p = row + 3 * x;
  return Rgb(p[2], p[1], p[0]);
}

struct InkBox {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom outside
  int count = 0;                                 // pixels inside the box that differ
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// The box around the face pixels inside `area` that `match`.
template <typename Match>
InkBox BoxOf(const TFyeverButton& b, RECT area, Match match) {
  InkBox box{area.right, area.bottom, area.left, area.top, 0};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!match(x, y, Pixel(b, x, y))) continue;
      ++box.count;
      if (x < box.left) box.left = x;
      if (y < box.top) box.top = y;
      if (x + 1 > box.right) box.right = x + 1;
      if (y + 1 > box.bottom) box.bottom = y + 1;
    }
  }
  return box;
}

// The box around every face pixel inside `area` that is not `ground`.
inline InkBox Ink(const TFyeverButton& b, uint32_t ground, RECT area) {
  return BoxOf(b, area, [ground](int, int, uint32_t p) { return p != ground; });
}

// The box around the face pixels inside `area` that are exactly `colour`.
inline InkBox Where(const TFyeverButton& b, uint32_t colour, RECT area) {
  return BoxOf(b, area, [colour](int, int, uint32_t p) { return p == colour; });
}

// How many face pixels inside `area` are exactly `colour`.
inline int Count(const TFyeverButton& b, uint32_t colour, RECT area) {
  return Where(b, colour, area).count;
}

class FaceTest : public ButtonTest {
 protected:
  // A width x height button of colour `color` on the panel, painted once.
  TFaceButton* NewFace(int width, int height, gui::TColor color, TFy3DKind kind = dkNone) {
    auto* b = new TFaceButton(&form_);
    b->SetBounds(20, 20, width, height);
    b->SetButtonWidth(width);
    b->SetButtonHeight(height);
    b->SetButtonColor(color);
    b->SetButton3DKind(kind);
    EXPECT_FALSE(b->SetParent(Panel()));
    Paint(b);
    return b;
  }
  // Held down as by the mouse: the native button's pushed state.
  void Press(TFyeverButton* b, bool down) {
    ::SendMessageA(b->Handle(), BM_SETSTATE, down ? TRUE : FALSE, 0);
    Paint(b);
  }
  void Hover(TFyeverButton* b, bool over) {
    b->Perform(over ? gui::CM_MOUSEENTER : gui::CM_MOUSELEAVE);
    Paint(b);
  }
};

}  // namespace fyrender_test
