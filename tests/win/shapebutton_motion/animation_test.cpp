// Enter, exit and click animations driven by real messages, with the
// shared timer's ticks counted and the screen read after each.
#include "win/shapebutton_motion/motion_fixture.h"

namespace fymotion_test {
namespace {

constexpr gui::TColor kFace = gui::RGBColor(96, 160, 224);
constexpr gui::TColor kA = gui::RGBColor(200, 30, 30), kB = gui::RGBColor(30, 200, 30);
constexpr gui::TColor kC = gui::RGBColor(30, 30, 200), kKey = gui::clFuchsia;

class AnimationTest : public MotionTest {
 protected:
  // An 80 x 40 button without bevels or focus outline; frames go to (2, 2)
  // and the probe reads (6, 6).
  TMotionButton* AnimatedButton(int left = 10) {
    TMotionButton* b = Place(left, 10, 80, 40);
    b->SetButton3DKind(dkNone);
    b->SetShowFocusRGN(false);
    b->SetButtonColor(kFace);
    b->probe = {6, 6};
    b->probe2 = {9, 6};
    Pump();
    return b;
  }
  void SetStrip(TMotionButton* b, TFyAnimation a, std::initializer_list<gui::TColor> frames,
                int interval = 30, gui::TColor key = gui::clNone) {
    auto strip = Strip(5, 8, frames, key);
    const int n = static_cast<int>(frames.size());
    switch (a) {
      case TFyAnimation::Enter:
        b->SetOnEnterBitmap(strip.get()), b->SetOnEnterGlyphs(n), b->SetOnEnterInterval(interval);
        break;
      case TFyAnimation::Exit:
        b->SetOnExitBitmap(strip.get()), b->SetOnExitGlyphs(n), b->SetOnExitInterval(interval);
        break;
      case TFyAnimation::Click:
        b->SetOnClickBitmap(strip.get()), b->SetOnClickGlyphs(n), b->SetOnClickInterval(interval);
        break;
    }
  }
  // The pointer onto the button and away again, as the window system
  // reports it.
  void MouseIn(TMotionButton* b) {
    POINT p{40, 20};
    ::ClientToScreen(b->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    ::SendMessageA(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
  }
  void MouseOut(TMotionButton* b) {
    ::SetCursorPos(0, 0);
    ::SendMessageA(b->Handle(), WM_MOUSELEAVE, 0, 0);
  }
  // Serves messages until no animation runs, then a while longer: no tick
  // may come after the last one.
  void RunOut(TMotionButton* b) {
    EXPECT_TRUE(PumpUntil([&] { return !b->AnyAnimationRunning(); }));
    PumpFor(150);
    EXPECT_EQ(b->AnimationTimer(), nullptr);
  }
  static std::vector<gui::TColor> Shown(const TMotionButton* b) {
    std::vector<gui::TColor> out;
    for (const auto& t : b->ticks) out.push_back(t.shown);
    return out;
  }
  static std::vector<bool> Invalidated(const TMotionButton* b) {
    std::vector<bool> out;
    for (const auto& t : b->ticks) out.push_back(t.invalidated);
    return out;
  }
};

TEST_F(AnimationTest, FramesOnePerTickThenTheFaceComesBack) {
  TMotionButton* b = AnimatedButton();
  SetStrip(b, TFyAnimation::Enter, {kA, kB, kC});
  MouseIn(b);
  ASSERT_TRUE(b->AnimationRunning(TFyAnimation::Enter));
  RunOut(b);
  // Frames 0..2 on ticks 1..3; tick 4 invalidates and draws nothing.
  EXPECT_EQ(Shown(b), (std::vector<gui::TColor>{kA, kB, kC, kC}));
  EXPECT_EQ(Invalidated(b), (std::vector<bool>{false, false, false, true}));
  Pump();
  EXPECT_EQ(b->ScreenPixel(6, 6), kFace);
}

TEST_F(AnimationTest, LeavingWithinOneIntervalStopsEnterBeforeItsFirstFrame) {
  TMotionButton* b = AnimatedButton();
  SetStrip(b, TFyAnimation::Enter, {kA}, 200);
  SetStrip(b, TFyAnimation::Exit, {kB, kC});
  MouseIn(b);
  MouseOut(b);
  EXPECT_FALSE(b->AnimationRunning(TFyAnimation::Enter));
  EXPECT_TRUE(b->AnimationRunning(TFyAnimation::Exit));
  RunOut(b);
  EXPECT_EQ(Shown(b), (std::vector<gui::TColor>{kB, kC, kC}));
  EXPECT_EQ(Invalidated(b), (std::vector<bool>{false, false, true}));
}

TEST_F(AnimationTest, FocusStartsEnterAndExitButNotTheFirstTime) {
  TMotionButton* a = AnimatedButton(10);
  TMotionButton* b = AnimatedButton(100);
  a->SetFocus();
  Pump();
  EXPECT_FALSE(a->AnyAnimationRunning() || b->AnyAnimationRunning());
  b->SetFocus();
  EXPECT_TRUE(a->AnimationRunning(TFyAnimation::Exit));
  EXPECT_TRUE(b->AnimationRunning(TFyAnimation::Enter));
  RunOut(a);
  RunOut(b);
}

TEST_F(AnimationTest, IntervalsCannotChangeWhileTheirAnimationRuns) {
  TMotionButton* b = AnimatedButton();
  b->SetOnEnterInterval(0);  // a silent timer: enter runs until stopped
  MouseIn(b);
  b->SetOnEnterInterval(25);
  EXPECT_EQ(b->OnEnterInterval(), 0);
  PumpFor(100);
  EXPECT_TRUE(b->ticks.empty());
  EXPECT_TRUE(b->AnimationRunning(TFyAnimation::Enter));
  MouseOut(b);
  b->SetOnEnterInterval(25);
  EXPECT_EQ(b->OnEnterInterval(), 25);
  b->SetOnExitInterval(5);
  EXPECT_EQ(b->OnExitInterval(), 40) << "exit runs now";
  RunOut(b);
  b->SetOnExitInterval(5);
  EXPECT_EQ(b->OnExitInterval(), 5);
}

TEST_F(AnimationTest, DefaultStripsStillRunOneEmptyFrameForEveryEvent) {
  TMotionButton* b = AnimatedButton();
  TMotionButton* other = AnimatedButton(100);
  other->SetFocus();  // the first focus change, which starts nothing
  Pump();
  const LPARAM at = MAKELPARAM(40, 20);
  const std::pair<const char*, std::function<void()>> events[] = {
      {"enter", [&] { MouseIn(b); }},
      {"leave", [&] { MouseOut(b); }},
      {"focus", [&] { b->SetFocus(); }},
      {"focus lost", [&] { other->SetFocus(); }},
      {"press",
       [&] {
         ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
         ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
       }},
      {"space",
       [&] {
         ::SendMessageA(b->Handle(), WM_KEYDOWN, VK_SPACE, 0);
         ::SendMessageA(b->Handle(), WM_KEYUP, VK_SPACE, 0);
       }},
  };
  for (const auto& [name, event] : events) {
    SCOPED_TRACE(name);
    b->ticks.clear();
    event();
    ASSERT_TRUE(b->AnyAnimationRunning());
    RunOut(b);
    // Nothing drawn on the first tick, the face back on the second.
    EXPECT_EQ(Invalidated(b), (std::vector<bool>{false, true}));
  }
}

TEST_F(AnimationTest, AnAnimationLeftRunningKeepsTheSharedTimer) {
  TMotionButton* b = AnimatedButton();
  SetStrip(b, TFyAnimation::Click, {kA, kB, kC});
  b->SetFocus();
  Pump();
  const LPARAM at = MAKELPARAM(40, 20);
  ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  MouseIn(b);  // enter (one empty frame) joins the click on a new timer
  ASSERT_TRUE(b->AnimationRunning(TFyAnimation::Click));
  ASSERT_TRUE(b->AnimationRunning(TFyAnimation::Enter));
  RunOut(b);
  ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
  // Enter ends on tick 2; the click goes on to its last frame.
  ASSERT_EQ(b->ticks.size(), 4u);
  EXPECT_EQ(b->ticks[0].shown, kA);
  EXPECT_EQ(b->ticks[1].shown, kB);
  EXPECT_EQ(b->ticks[2].shown, kC);
  EXPECT_TRUE(b->ticks[1].invalidated);
  EXPECT_TRUE(b->ticks[3].invalidated);
}

TEST_F(AnimationTest, TransparentFramesBuildUpOnTheScreen) {
  TMotionButton* b = AnimatedButton();
  b->SetTransparent(true);
  // Frame 0 paints the probe, frame 1 the second probe; the rest is key.
  auto strip = Strip(10, 8, {kKey, kKey});
  strip->Canvas().SetBrushColor(kA);
  strip->Canvas().FillRect({3, 3, 6, 6});
  strip->Canvas().SetBrushColor(kB);
  strip->Canvas().FillRect({16, 3, 19, 6});
  b->SetOnEnterBitmap(strip.get());
  b->SetOnEnterGlyphs(2);
  b->SetOnEnterInterval(30);
  MouseIn(b);
  RunOut(b);
  ASSERT_EQ(b->ticks.size(), 3u);
  EXPECT_EQ(b->ticks[0].shown, kA);
  EXPECT_EQ(b->ticks[0].shown2, kFace);
  EXPECT_EQ(b->ticks[1].shown, kA) << "frame 1 leaves frame 0 where it is key";
  EXPECT_EQ(b->ticks[1].shown2, kB);
}

}  // namespace
}  // namespace fymotion_test
