// Under Xvfb: the demo dialog's pixels as the window system shows them, and
// mouse tracking driven by real pointer moves.
#include <cmath>

#include "gui/demo/demo_form.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

using gui_demo::TDemoForm;

class PixelsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    q::Error err = form_.CreateFromLayout(gui_demo::DemoLayout());
    ASSERT_FALSE(err) << err.Message();
    form_.Show();
    ASSERT_TRUE(PumpUntil([&] { return form_.ButtonSI->Focused(); }));
    PumpFor(300);
    // The form's client area as shown.
    ASSERT_FALSE(shot_.SetSize(630, 297));
    q::WindowDcHandle dc(::GetDC(form_.Handle()));
    ::BitBlt(shot_.Canvas().Handle(), 0, 0, 630, 297, dc.Get(), 0, 0, SRCCOPY);
  }
  gui::TColor At(int x, int y) {
    const uint8_t* row = shot_.ScanLine(y);
    return gui::RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  // Pixels of exactly `c` inside the rectangle.
  int Count(const RECT& r, gui::TColor c) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == c;
    }
    return n;
  }
  // Where a control's client area lies in the form's client area.
  RECT Area(const gui::TWinControl* c) {
    RECT r;
    ::GetClientRect(c->Handle(), &r);
    ::MapWindowPoints(c->Handle(), form_.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  TDemoForm form_;
  gui::TBitmap shot_;
};

TEST_F(PixelsTest, DialogShowsItsPanelsLabelsAndColours) {
  const gui::TColor light = static_cast<gui::TColor>(::GetSysColor(COLOR_BTNHIGHLIGHT));
  const gui::TColor shadow = static_cast<gui::TColor>(::GetSysColor(COLOR_BTNSHADOW));
  // Panel1: sunken edge (2 px), raised bevel (2 px), lowered bevel (2 px); white
  // everywhere inside that has no text.
  const struct {
    int x, y;
    gui::TColor want;
  } probes[] = {{0, 150, shadow},       {2, 150, light},          {3, 150, light},
                {626, 150, shadow},     {4, 150, shadow},         {5, 150, shadow},
                {624, 150, light},      {150, 2, light},          {150, 293, shadow},
                {10, 60, gui::clWhite}, {320, 150, gui::clWhite}, {300, 200, gui::clWhite}};
  for (const auto& p : probes) EXPECT_EQ(At(p.x, p.y), p.want) << p.x << "," << p.y;

  // The title is centred in blue.
  RECT title = Area(form_.Label3);
  EXPECT_GT(Count(title, gui::clBlue), 300);
  int firstTitle = 630, lastTitle = 0;
  for (int y = title.top; y < title.bottom; ++y) {
    for (int x = title.left; x < title.right; ++x) {
      if (At(x, y) == gui::clBlue) {
        firstTitle = std::min(firstTitle, x);
        lastTitle = std::max(lastTitle, x);
      }
    }
  }
  EXPECT_LE(std::abs((firstTitle + lastTitle) / 2 - (title.left + title.right) / 2), 3);
}

TEST_F(PixelsTest, RealPointerMovesEnterAndLeaveAButton) {
  RECT r;
  ::GetWindowRect(form_.ButtonNO->Handle(), &r);
  ::SetCursorPos(r.left + 20, r.top + 20);
  INPUT move{};
  move.type = INPUT_MOUSE;
  move.mi.dwFlags = MOUSEEVENTF_MOVE;
  move.mi.dx = 1;
  ::SendInput(1, &move, sizeof move);
  EXPECT_TRUE(PumpUntil([&] { return form_.ButtonNO->MouseInside(); }));
  ::SetCursorPos(r.left - 100, r.top + 20);
  ::SendInput(1, &move, sizeof move);
  EXPECT_TRUE(PumpUntil([&] { return !form_.ButtonNO->MouseInside(); }));
}

}  // namespace
}  // namespace gui_test
