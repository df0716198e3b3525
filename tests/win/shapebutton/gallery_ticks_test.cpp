// A button spinning at the default step among sixty shaped siblings on the
// form, as in the gallery: an animation beside it keeps its pace, no sibling
// repaints, and the turns leave only the form's colour where the button no
// longer is.
#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

TEST_F(ButtonTest, ASpinAmongSiblingsKeepsTimersPacedAndLeavesNothingBehind) {
  ASSERT_FALSE(
      form_.CreateFromLayout("object F: TForm\n BorderStyle = bsNone\n Color = "
                             "clWhite\n ClientWidth = 1100\n ClientHeight = 660\nend\n"));
  form_.Show();
  int repaints = 0;
  auto add = [&](int x, int y, int w, int h) {
    TProbeButton* b = NewButton(x, y, w, h, gui::clNone, dk3D, &form_);
    b->SetButtonKind(bkRoundRect);
    b->OnPaint = [&](gui::TObject*) { ++repaints; };
    return b;
  };
  constexpr RECT room{350, 180, 750, 480};  // 100 pixels about the spinner
  for (int i = 0, cell = 0; i < 60; ++cell) {
    const int x = cell % 10 * 110 + 5, y = cell / 10 * 60 + 5;
    if (x + 100 <= room.left || x >= room.right || y + 50 <= room.top || y >= room.bottom)
      add(x, y, 100, 50), ++i;
  }
  TProbeButton* spinner = add(450, 280, 200, 100);
  TProbeButton* animated = add(5, 560, 200, 80);
  spinner->SetCaptionFixed(true);
  spinner->SetRotationCenterFixed(true);
  const auto strip = Strip(8, 8, std::vector<uint32_t>(200, Rgb(0, 128, 255)));  // 8 s
  animated->SetOnEnterBitmap(strip.get());
  animated->SetOnEnterGlyphs(200);
  Pump();
  spinner->OnPaint = animated->OnPaint = nullptr;
  repaints = 0;

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

  gui::TBitmap shot;
  const int w = room.right - room.left, h = room.bottom - room.top;
  ASSERT_FALSE(shot.SetSize(w, h));
  q::WindowDcHandle dc(::GetDCEx(form_.Handle(), nullptr, DCX_CACHE));
  ::BitBlt(shot.Canvas().Handle(), 0, 0, w, h, dc.Get(), room.left, room.top, SRCCOPY);
  q::RegionHandle shape(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(spinner->Handle(), shape.Get()), ERROR);
  ::OffsetRgn(shape.Get(), spinner->Left() - room.left, spinner->Top() - room.top);
  int stray = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = shot.ScanLine(y) + 3 * x;
      stray += (p[0] & p[1] & p[2]) != 255 && !::PtInRegion(shape.Get(), x, y);
    }
  }
  EXPECT_EQ(stray, 0) << "pixels of an old outline; angle " << spinner->ButtonAngle();
}

}  // namespace
}  // namespace fybutton_test
