// A button spinning at the default step among sixty shaped siblings on the
// form, as in the gallery: an animation beside it keeps its pace, no sibling
// repaints, and the turns leave only the form's colour where the button no
// longer is.
#include <cstdio>
#include <string>

#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

// Pixels of `parent` in `room` that are neither its colour nor under the
// button's window region.
int Stray(gui::TWinControl& parent, TFyeverButton& b, const RECT& room) {
  const int w = room.right - room.left, h = room.bottom - room.top;
  gui::TBitmap shot;
  EXPECT_FALSE(shot.SetSize(w, h));
  q::WindowDcHandle dc(::GetDCEx(parent.Handle(), nullptr, DCX_CACHE));
  ::BitBlt(shot.Canvas().Handle(), 0, 0, w, h, dc.Get(), room.left, room.top, SRCCOPY);
  q::RegionHandle shape(::CreateRectRgn(0, 0, 0, 0));
  EXPECT_NE(::GetWindowRgn(b.Handle(), shape.Get()), ERROR);
  ::OffsetRgn(shape.Get(), b.Left() - room.left, b.Top() - room.top);
  const COLORREF c = gui::ColorToRGB(parent.Color());
  int stray = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = shot.ScanLine(y) + 3 * x;
      stray += RGB(p[2], p[1], p[0]) != c && !::PtInRegion(shape.Get(), x, y);
    }
  }
  return stray;
}

TEST_F(ButtonTest, ASpinAmongSiblingsKeepsTimersPacedAndLeavesNothingBehind) {
  constexpr RECT room{350, 180, 750, 480};  // 100 pixels about the spinner
  std::string layout =
      "object F: TButtonForm\n BorderStyle = bsNone\n Color = clWhite\n"
      " ClientWidth = 1100\n ClientHeight = 660\n";
  for (int i = 0, cell = 0; i < 60; ++cell) {
    const int x = cell % 10 * 110 + 5, y = cell / 10 * 60 + 5;
    if (x + 100 > room.left && x < room.right && y + 50 > room.top && y < room.bottom) continue;
    char object[200];
    std::snprintf(object, sizeof object,
                  " object S%d: TFyeverButton\n  Left = %d\n  Top = %d\n  Width = 100\n"
                  "  Height = 50\n  ButtonWidth = 100\n  ButtonHeight = 50\n  ButtonKind = "
                  "bkRoundRect\n end\n",
                  i++, x, y);
    layout += object;
  }
  ASSERT_FALSE(form_.CreateFromLayout(layout += "end\n"));
  form_.Show();
  auto* spinner = new TProbeButton(&form_);
  auto* animated = new TProbeButton(&form_);
  spinner->SetBounds(450, 280, 200, 100);
  animated->SetBounds(5, 560, 200, 80);
  for (TProbeButton* b : {spinner, animated}) {
    b->SetButtonWidth(b->Width());
    b->SetButtonHeight(b->Height());
    b->SetButtonKind(bkRoundRect);
    b->SetButtonColor(gui::clNavy);
    ASSERT_FALSE(b->SetParent(&form_));
  }
  spinner->SetCaptionFixed(true);
  spinner->SetRotationCenterFixed(true);
  const std::vector<uint32_t> frames(200, Rgb(0, 128, 255));  // 8 s at 40 ms
  const auto strip = Strip(8, 8, frames);
  animated->SetOnEnterBitmap(strip.get());
  animated->SetOnEnterGlyphs(200);
  Pump();
  int repaints = 0;
  for (int i = 0; i < form_.ComponentCount(); ++i) {
    auto* b = static_cast<TFyeverButton*>(form_.Component(i));
    if (b != spinner && b != animated) b->OnPaint = [&](gui::TObject*) { ++repaints; };
  }

  Hover(animated, true);
  spinner->SetRotated(true);
  const ULONGLONG start = ::GetTickCount64();
  ServeFor(2000);
  const auto span = static_cast<size_t>(::GetTickCount64() - start);
  spinner->SetRotated(false);
  Pump();
  EXPECT_GE(animated->ticks.size() * 4, span / 40 * 3) << animated->ticks.size() << " ticks";
  EXPECT_GE(spinner->steps * 2, static_cast<int>(span / 40));
  EXPECT_EQ(repaints, 0);
  EXPECT_EQ(Stray(form_, *spinner, room), 0) << "at angle " << spinner->ButtonAngle();
}

}  // namespace
}  // namespace fybutton_test
