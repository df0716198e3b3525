// A button that reports its animation ticks and rotation steps, frame
// strips of solid colours, and pixel reads of the face and the screen.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "win/shapebutton/button_fixture.h"

namespace fymotion_test {

using namespace fyeverbutton;
using fybutton_test::ButtonTest;

// Steps any motion button received, also after it is gone.
inline std::atomic<int> g_steps{0};

class TMotionButton : public TFyeverButton {
  Q_GUI_CLASS(TMotionButton, TFyeverButton)

 public:
  explicit TMotionButton(gui::TComponent* owner) : TFyeverButton(owner) {}

  // What one animation tick left: the screen pixels at the two probe
  // points, and whether the tick invalidated the button.
  struct Tick {
    gui::TColor shown;
    gui::TColor shown2;
    bool invalidated;
  };
  std::vector<Tick> ticks;
  POINT probe{0, 0}, probe2{0, 0};
  // Rotation steps: the angle and window after each.
  int steps = 0;
  std::vector<int> angles;
  std::vector<RECT> bounds;
  std::function<void(TMotionButton&)> afterStep;

  using TFyeverButton::AnimationRunning;

  gui::TColor ScreenPixel(int x, int y) {
    q::WindowDcHandle dc(::GetDC(Handle()));
    return static_cast<gui::TColor>(::GetPixel(dc.Get(), x, y));
  }
  gui::TColor FacePixel(int x, int y) const {
    const uint8_t* row = Face()->ScanLine(y);
    return row ? gui::RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]) : gui::clNone;
  }
  bool AnyAnimationRunning() const {
    return AnimationRunning(TFyAnimation::Enter) || AnimationRunning(TFyAnimation::Exit) ||
           AnimationRunning(TFyAnimation::Click);
  }

 protected:
  void AnimationTick() override {
    TFyeverButton::AnimationTick();
    RECT dirty;
    const bool invalid = ::GetUpdateRect(Handle(), &dirty, FALSE) != 0;
    ticks.push_back({ScreenPixel(probe.x, probe.y), ScreenPixel(probe2.x, probe2.y), invalid});
  }
  void WndProc(gui::TMessage& m) override {
    TFyeverButton::WndProc(m);
    if (m.Msg != FY_ROTATIONSTEP) return;
    ++steps;
    ++g_steps;
    angles.push_back(ButtonAngle());
    bounds.push_back(BoundsRect());
    if (afterStep) afterStep(*this);
  }
};

// A strip of frames of fw x bh, frame k in colours[k]; its pixel (0, 0)
// is `key` when one is given.
inline std::unique_ptr<gui::TBitmap> Strip(int fw, int bh,
                                           std::initializer_list<gui::TColor> colours,
                                           gui::TColor key = gui::clNone) {
  auto strip = std::make_unique<gui::TBitmap>();
  EXPECT_FALSE(strip->SetSize(fw * static_cast<int>(colours.size()), bh));
  int k = 0;
  for (gui::TColor c : colours) {
    strip->Canvas().SetBrushColor(c);
    strip->Canvas().FillRect({k * fw, 0, (k + 1) * fw, bh});
    ++k;
  }
  if (key != gui::clNone) strip->Canvas().SetPixel(0, 0, key);
  return strip;
}

class MotionTest : public ButtonTest {
 protected:
  void SetUp() override {
    ButtonTest::SetUp();
    Load("");
  }
  // Serves messages one at a time until `done()` holds or `ms` pass. A
  // spinning button's steps keep the queue from ever running empty, so
  // the whole-queue pump may not come back to test the condition.
  template <typename F>
  bool Serve(F done, DWORD ms = 3000) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    MSG msg;
    while (!done()) {
      if (::GetTickCount64() > end) return false;
      if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        app_.DispatchOne(msg);
      } else {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      }
    }
    return true;
  }
  void ServeFor(DWORD ms) {
    Serve([] { return false; }, ms);
  }
  // A button made in code on the panel, and painted once.
  TMotionButton* Place(int left, int top, int width, int height) {
    auto* b = new TMotionButton(&form_);
    b->SetBounds(left, top, width, height);
    b->SetButtonWidth(width);
    b->SetButtonHeight(height);
    EXPECT_FALSE(b->SetParent(Panel()));
    Paint(b);
    return b;
  }
};

}  // namespace fymotion_test
