// The button in motion: enter, exit and click animations driven by real
// messages, with the shared timer's ticks and the screen after each; the
// rotation thread's pause and resume, and its life with the window.
#include <windows.h>

#include <string>

#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

constexpr uint32_t kFace = Rgb(96, 160, 224), kA = Rgb(200, 30, 30), kB = Rgb(30, 200, 30);
constexpr uint32_t kC = Rgb(30, 30, 200);

void Set(TProbeButton* b, TFyAnimation a, const std::vector<uint32_t>& frames, int interval = 30) {
  auto strip = Strip(5, 8, frames);
  const int n = static_cast<int>(frames.size());
  if (a == TFyAnimation::Enter) {
    b->SetOnEnterBitmap(strip.get()), b->SetOnEnterGlyphs(n), b->SetOnEnterInterval(interval);
  } else if (a == TFyAnimation::Exit) {
    b->SetOnExitBitmap(strip.get()), b->SetOnExitGlyphs(n), b->SetOnExitInterval(interval);
  } else {
    b->SetOnClickBitmap(strip.get()), b->SetOnClickGlyphs(n), b->SetOnClickInterval(interval);
  }
}

// The pointer onto the button and away again, as the window system reports it.
void MouseIn(TProbeButton* b) {
  POINT p{40, 20};
  ::ClientToScreen(b->Handle(), &p);
  ::SetCursorPos(p.x, p.y);
  ::SendMessageA(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
}
void MouseOut(TProbeButton* b) {
  ::SetCursorPos(0, 0);
  ::SendMessageA(b->Handle(), WM_MOUSELEAVE, 0, 0);
}

// Each row: per tick the colour at (6, 6) (A, B, C, F for the face, ? for
// any other) and * when the tick invalidated the button; a frame per tick,
// then a tick that invalidates and draws nothing. The button is 80 x 40
// without bevels or focus outline; frames go to (2, 2). Default strips
// still run one empty frame for every event.
TEST_F(ButtonTest, AnimationFramesOnePerTickThenTheFaceComesBack) {
  Load();
  // Serves until the shared timer is let go, then longer: no tick may follow.
  auto runOut = [&](TProbeButton* b) {
    EXPECT_TRUE(PumpUntil([&] { return b->AnimationTimer() == nullptr; }));
    PumpFor(60);
    EXPECT_EQ(b->AnimationTimer(), nullptr);
  };
  const LPARAM at = MAKELPARAM(40, 20);
  struct Row {
    const char* what;
    std::function<void(TProbeButton*)> setUp, event;
    const char* ticks;
  } rows[] = {
      {"enter",
       [](TProbeButton* b) {
         Set(b, TFyAnimation::Enter, {kA, kB, kC});
       },
       MouseIn, "A. B. C. C*"},
      {"left within one interval: exit, enter never shown",
       [](TProbeButton* b) {
         Set(b, TFyAnimation::Enter, {kA}, 200);
         Set(b, TFyAnimation::Exit, {kB, kC});
       },
       [](TProbeButton* b) { MouseIn(b), MouseOut(b); }, "B. C. C*"},
      {"enter joins a click held down, on the shared timer: enter ends on tick 2",
       [&](TProbeButton* b) {
         Set(b, TFyAnimation::Click, {kA, kB, kC});
         b->SetFocus();  // so that the press starts no focus animation
         runOut(b);
         b->ticks.clear();
       },
       [&](TProbeButton* b) {
         ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
         MouseIn(b);
       },
       "A. B* C. C*"},
      {"space", [](TProbeButton*) {},
       [](TProbeButton* b) {
         ::SendMessageA(b->Handle(), WM_KEYDOWN, VK_SPACE, 0);
         ::SendMessageA(b->Handle(), WM_KEYUP, VK_SPACE, 0);
       },
       "F. F*"},
  };
  auto name = [](uint32_t c) {
    return c == kA ? 'A' : c == kB ? 'B' : c == kC ? 'C' : c == kFace ? 'F' : '?';
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TProbeButton* b = NewButton(10, 10, 80, 40, kFace, dkNone);
    b->SetShowFocusRGN(false);
    Pump();
    r.setUp(b);
    r.event(b);
    ASSERT_NE(b->AnimationTimer(), nullptr);
    runOut(b);
    std::string ticks;
    for (const auto& t : b->ticks) {
      ticks += std::string(ticks.empty() ? "" : " ") + name(t.shown) + (t.invalidated ? '*' : '.');
    }
    EXPECT_EQ(ticks, r.ticks);
    ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
    runOut(b);
    Pump();
    EXPECT_EQ(b->Screen(6, 6), kFace);
    delete b;
  }
}

// The button's rotation thread, to wait on.
q::KernelHandle RotationThread(TFyeverButton* b) {
  q::KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, b->RotationTimer()->ThreadId()));
  EXPECT_TRUE(thread.Valid());
  return thread;
}
bool Ended(const q::KernelHandle& thread) {
  return ::WaitForSingleObject(thread.Get(), 0) == WAIT_OBJECT_0;
}

TEST_F(ButtonTest, PausedStopsStepsResumedGoesOnAndTheTimerFollowsTheWindow) {
  Load();
  auto* b = new TProbeButton(&form_);
  // Whether `n` more steps come; whether none comes once a step whose
  // sleep had ended has been carried out.
  auto stepsOn = [&](int n) {
    const int from = b->steps;
    return Serve([&] { return b->steps >= from + n; });
  };
  auto paused = [&] {
    ServeFor(100);
    const int held = b->steps;
    ServeFor(100);
    return b->steps == held;
  };
  b->SetBounds(150, 100, 100, 40);
  b->SetRotatedTime(2);
  b->SetRotated(true);
  EXPECT_EQ(b->RotationTimer(), nullptr) << "no window, no timer";
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_EQ(b->RotationTimer()->Interval(), 2u);
  ASSERT_TRUE(stepsOn(5));
  b->SetRotated(false);
  EXPECT_TRUE(paused());
  EXPECT_EQ(b->ButtonAngle(), NormalizeAngle(int64_t{b->steps} * 40));
  b->SetRotated(true);
  ASSERT_TRUE(stepsOn(5));

  // A new window gets a new timer, running as Rotated asks; the old one has
  // ended.
  const q::KernelHandle firstThread = RotationThread(b);
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_TRUE(Ended(firstThread));
  EXPECT_EQ(b->RotationTimer()->TargetHandle(), b->Handle());
  ASSERT_TRUE(stepsOn(3));

  // Paused across a re-creation, it stays paused.
  b->SetRotated(false);
  ServeFor(100);
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  EXPECT_TRUE(paused());
}

// Spinning buttons deleted at three paces, then many more: each thread has
// ended when delete returns, no step comes after, and nothing is left.
TEST_F(ButtonTest, DestroyingSpinningButtonsStopsTheirThreadsAndLeavesNothing) {
  Load();
  long regions = 0;
  DWORD gdi = 0, user = 0, handles = 0, handlesAfter = 0;
  for (int i = 0; i < 43 && !HasFailure(); ++i) {
    if (i == 3) {  // the first buttons made what a process makes once
      regions = q::LiveGdiObjects<HRGN>();
      gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
      user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
      ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
    }
    TProbeButton* b = NewButton(150, 100, 100, 40);
    b->SetButtonKind(static_cast<TFyButtonKind>(i % bkUser));
    b->SetRotatedTime(i == 2 ? 40 : i % 2);
    b->SetRotated(true);
    ASSERT_TRUE(Serve([&] { return b->steps >= 2; })) << i;
    const q::KernelHandle thread = RotationThread(b);
    // With steps back to back the worker is almost always inside
    // SendMessage here, waiting for this thread.
    delete b;
    EXPECT_TRUE(Ended(thread)) << "ended before delete returns";
    const int after = g_steps;
    if (i < 3) ServeFor(50);
    EXPECT_EQ(g_steps, after) << "no step after destruction";
  }
  Pump();
  EXPECT_EQ(q::LiveGdiObjects<HRGN>(), regions);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), user);
  ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handles);
}

}  // namespace
}  // namespace fybutton_test
