// The button in motion: enter, exit and click animations driven by real
// messages, with the shared timer's ticks and the screen after each; the
// rotation thread's turns, pause and resume, and its life with the window.
#include <windows.h>
#include <tlhelp32.h>

#include <cmath>
#include <string>

#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

constexpr uint32_t kFace = Rgb(96, 160, 224), kA = Rgb(200, 30, 30), kB = Rgb(30, 200, 30);
constexpr uint32_t kC = Rgb(30, 30, 200), kKey = Rgb(255, 0, 255);

class MotionTest : public ButtonTest {
 protected:
  void SetUp() override {
    ButtonTest::SetUp();
    Load();
  }
  // An 80 x 40 button without bevels or focus outline; frames go to (2, 2),
  // the probes read (6, 6) and (9, 6).
  TProbeButton* Animated(int left = 10) {
    TProbeButton* b = NewButton(left, 10, 80, 40, kFace, dkNone);
    b->SetShowFocusRGN(false);
    Pump();
    return b;
  }
  // The pointer onto the button and away again, as the window system
  // reports it.
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
  // Serves messages until no animation runs, then a while longer: no tick
  // may come after the last one.
  void RunOut(TProbeButton* b) {
    EXPECT_TRUE(PumpUntil([&] { return !b->AnyAnimationRunning(); }));
    PumpFor(60);
    EXPECT_EQ(b->AnimationTimer(), nullptr);
  }
  // The ticks as text: per tick the two probes' colours (A, B, C, F for the
  // face, ? for any other) and * when the tick invalidated the button.
  static std::string Ticks(const TProbeButton* b) {
    auto name = [](uint32_t c) {
      return c == kA ? 'A' : c == kB ? 'B' : c == kC ? 'C' : c == kFace ? 'F' : '?';
    };
    std::string out;
    for (const auto& t : b->ticks) {
      out += std::string(out.empty() ? "" : " ") + name(t.shown) + name(t.shown2) +
             (t.invalidated ? '*' : '.');
    }
    return out;
  }
};

void Set(TProbeButton* b, TFyAnimation a, const std::vector<uint32_t>& frames, int interval = 30,
         int fw = 5) {
  auto strip = Strip(fw, 8, frames);
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

TEST_F(MotionTest, AnimationFramesOnePerTickThenTheFaceComesBack) {
  const LPARAM at = MAKELPARAM(40, 20);
  struct Row {
    const char* what;
    std::function<void(TProbeButton*)> setUp, event;
    const char* ticks;  // a frame per tick, then a tick that invalidates and draws nothing
  } rows[] = {
      {"enter",
       [](TProbeButton* b) {
         Set(b, TFyAnimation::Enter, {kA, kB, kC});
       },
       [&](TProbeButton* b) { MouseIn(b); }, "AF. BF. CF. CF*"},
      {"left within one interval: exit, enter never shown",
       [](TProbeButton* b) {
         Set(b, TFyAnimation::Enter, {kA}, 200);
         Set(b, TFyAnimation::Exit, {kB, kC});
       },
       [&](TProbeButton* b) { MouseIn(b), MouseOut(b); }, "BF. CF. CF*"},
      {"enter joins a click held down, on the shared timer: enter ends on tick 2",
       [&](TProbeButton* b) {
         Set(b, TFyAnimation::Click, {kA, kB, kC});
         b->SetFocus();  // so that the press starts no focus animation
         RunOut(b);
         b->ticks.clear();
       },
       [&](TProbeButton* b) {
         ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
         MouseIn(b);
       },
       "AF. BF* CF. CF*"},
      {"transparent frames build up where the next is key",
       [](TProbeButton* b) {
         b->SetTransparent(true);
         auto strip = Strip(10, 8, {kKey, kKey});
         strip->Canvas().SetBrushColor(Color(kA));
         strip->Canvas().FillRect({3, 3, 6, 6});
         strip->Canvas().SetBrushColor(Color(kB));
         strip->Canvas().FillRect({16, 3, 19, 6});
         b->SetOnEnterBitmap(strip.get());
         b->SetOnEnterGlyphs(2);
         b->SetOnEnterInterval(30);
       },
       [&](TProbeButton* b) { MouseIn(b); }, "AF. AB. AB*"},
      // Default strips still run one empty frame for every event.
      {"focus, after a first change that starts nothing",
       [&](TProbeButton* b) {
         Animated(100)->SetFocus();
         Pump();
         EXPECT_FALSE(b->AnyAnimationRunning());
       },
       [](TProbeButton* b) { b->SetFocus(); }, "FF. FF*"},
      {"space", [](TProbeButton*) {},
       [](TProbeButton* b) {
         ::SendMessageA(b->Handle(), WM_KEYDOWN, VK_SPACE, 0);
         ::SendMessageA(b->Handle(), WM_KEYUP, VK_SPACE, 0);
       },
       "FF. FF*"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TProbeButton* b = Animated();
    r.setUp(b);
    r.event(b);
    ASSERT_TRUE(b->AnyAnimationRunning());
    RunOut(b);
    EXPECT_EQ(Ticks(b), r.ticks);
    ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
    RunOut(b);
    Pump();
    EXPECT_EQ(b->Screen(6, 6), kFace);
    delete b;
  }
}

TEST_F(MotionTest, IntervalsCannotChangeWhileTheirAnimationRuns) {
  TProbeButton* b = Animated();
  b->SetOnEnterInterval(0);  // a silent timer: enter runs until stopped
  MouseIn(b);
  b->SetOnEnterInterval(25);
  EXPECT_EQ(b->OnEnterInterval(), 0);
  PumpFor(60);
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

// Threads of this process now.
int ThreadCount() {
  q::KernelHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snap || snap.Get() == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 e{};
  e.dwSize = sizeof e;
  int n = 0;
  for (BOOL ok = ::Thread32First(snap.Get(), &e); ok; ok = ::Thread32Next(snap.Get(), &e)) {
    n += e.th32OwnerProcessID == ::GetCurrentProcessId();
  }
  return n;
}

// Spins `b` by `step` until `count` steps have been taken; the pause comes
// from inside the last step, so no further step follows.
void SpinSteps(TProbeButton* b, int step, int count) {
  b->steps = 0;
  b->angles.clear();
  b->bounds.clear();
  b->SetRotatedAngle(step);
  b->SetRotatedTime(1);
  b->afterStep = [count](TProbeButton& self) {
    if (self.steps == count) self.SetRotated(false);
  };
  b->SetRotated(true);
}

TEST_F(MotionTest, NinetyStepsMakeAWholeTurnAboutEitherPivot) {
  for (bool centred : {false, true}) {
    TProbeButton* b = NewButton(150, 100, 100, 40);
    b->SetRotationCenterFixed(centred);
    b->SetCaptionFixed(centred);
    const RECT start = b->BoundsRect();
    for (int step : centred ? std::vector<int>{40} : std::vector<int>{40, -40}) {
      SpinSteps(b, step, 90);
      ASSERT_TRUE(Serve([&] { return b->steps >= 90; }, 20000));
      ServeFor(50);
      ASSERT_EQ(b->steps, 90);
      EXPECT_EQ(b->angles[0], step);
      EXPECT_EQ(b->angles[44], 1800);
      EXPECT_EQ(b->angles[45], step > 0 ? -1760 : 1760);
      EXPECT_EQ(b->ButtonAngle(), 0);
      // Each step's rounding is undone by a later one: the window comes home.
      const RECT home = b->BoundsRect();
      EXPECT_TRUE(::EqualRect(&home, &start)) << centred << " " << step;
      const RECT& half = b->bounds[44];  // upside down: the window has its first size
      EXPECT_EQ(half.right - half.left, 100);
      if (centred) {
        for (const RECT& r : b->bounds) {
          EXPECT_LE(std::abs((r.left + r.right) - (start.left + start.right)), 2);
          EXPECT_LE(std::abs((r.top + r.bottom) - (start.top + start.bottom)), 2);
        }
        EXPECT_EQ(b->CaptionAngle(), 0) << "the caption turned with the button";
      } else {
        EXPECT_NE(b->bounds[44].left, start.left) << "about the corner it swings round";
      }
    }
    delete b;
  }
}

TEST_F(MotionTest, PausedStopsStepsResumedGoesOnAndTheTimerFollowsTheWindow) {
  auto* b = new TProbeButton(&form_);
  b->SetBounds(150, 100, 100, 40);
  b->SetRotatedTime(2);
  b->SetRotated(true);
  EXPECT_EQ(b->RotationTimer(), nullptr) << "no window, no timer";
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_EQ(b->RotationTimer()->Interval(), 2u);
  ASSERT_TRUE(Serve([&] { return b->steps >= 5; }));
  b->SetRotated(false);
  // A step whose sleep had ended is still sent and carried out.
  ServeFor(100);
  int held = b->steps;
  ServeFor(100);
  EXPECT_EQ(b->steps, held);
  EXPECT_EQ(b->ButtonAngle(), NormalizeAngle(int64_t{held} * 40));
  b->SetRotated(true);
  ASSERT_TRUE(Serve([&] { return b->steps >= held + 5; }));

  // A new window gets a new timer, running as Rotated asks; the old one has
  // ended: the count of threads does not grow.
  const int threads = ThreadCount();
  const DWORD firstThread = b->RotationTimer()->ThreadId();
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_NE(b->RotationTimer()->ThreadId(), firstThread);
  EXPECT_EQ(b->RotationTimer()->TargetHandle(), b->Handle());
  const int before = b->steps;
  ASSERT_TRUE(Serve([&] { return b->steps >= before + 3; }));
  EXPECT_EQ(ThreadCount(), threads);

  // Paused across a re-creation, it stays paused; a new pace takes hold
  // from the next sleep: a long one stops the steps for now.
  b->SetRotated(false);
  ServeFor(100);
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  held = b->steps;
  ServeFor(100);
  EXPECT_EQ(b->steps, held);
  b->SetRotated(true);
  ASSERT_TRUE(Serve([&] { return b->steps >= held + 3; }));
  b->SetRotatedTime(100000);
  ServeFor(100);
  held = b->steps;
  ServeFor(100);
  EXPECT_EQ(b->steps, held);
  EXPECT_EQ(b->RotationTimer()->Interval(), 100000u);
}

TEST_F(MotionTest, DestroyingSpinningButtonsStopsTheirThreadsAndLeavesNothing) {
  for (int time : {0, 1, 40}) {
    SCOPED_TRACE(time);
    TProbeButton* b = NewButton(150, 100, 100, 40);
    b->SetRotatedTime(time);
    b->SetRotated(true);
    ASSERT_TRUE(Serve([&] { return b->steps >= 2; }));
    q::KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, b->RotationTimer()->ThreadId()));
    ASSERT_TRUE(thread.Valid());
    // With steps back to back the worker is almost always inside
    // SendMessage here, waiting for this thread.
    delete b;
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0) << "ended before delete";
    const int after = g_steps;
    ServeFor(50);
    EXPECT_EQ(g_steps, after) << "no step after destruction";
  }

  const long regions = q::LiveGdiObjects<HRGN>();
  const DWORD gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  DWORD handles = 0, handlesAfter = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
  const int threads = ThreadCount();
  for (int i = 0; i < 40 && !HasFailure(); ++i) {
    TProbeButton* b = NewButton(150, 100, 100, 40);
    b->SetRotatedTime(0);
    b->SetRotated(true);
    EXPECT_TRUE(Serve([&] { return b->steps >= 2; }));
    delete b;
  }
  Pump();
  EXPECT_EQ(q::LiveGdiObjects<HRGN>(), regions);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), user);
  ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handles);
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
}  // namespace fybutton_test
