// The button in motion: enter, exit and click animations driven by real
// messages, with the shared timer's ticks and the screen after each; the
// rotation thread's pause and resume, and its life with the window.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

constexpr uint32_t kFace = Rgb(96, 160, 224), kA = Rgb(200, 30, 30), kB = Rgb(30, 200, 30);
constexpr uint32_t kC = Rgb(30, 30, 200), kKey = Rgb(255, 0, 255);

void Set(TProbeButton* b, TFyAnimation a, const std::vector<uint32_t>& frames, int interval = 30) {
  auto strip = Strip(5, 8, frames);
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

// Each row: per tick the two probes' colours (A, B, C, F for the face, ?
// for any other) and * when the tick invalidated the button; a frame per
// tick, then a tick that invalidates and draws nothing. The button is 80 x
// 40 without bevels or focus outline; frames go to (2, 2), the probes read
// (6, 6) and (9, 6).
TEST_F(ButtonTest, AnimationFramesOnePerTickThenTheFaceComesBack) {
  Load();
  auto animated = [&](int left) {
    TProbeButton* b = NewButton(left, 10, 80, 40, kFace, dkNone);
    b->SetShowFocusRGN(false);
    Pump();
    return b;
  };
  // Serves messages until no animation runs, then a while longer: no tick
  // may come after the last one.
  auto runOut = [&](TProbeButton* b) {
    EXPECT_TRUE(PumpUntil([&] { return !b->AnyAnimationRunning(); }));
    PumpFor(60);
    EXPECT_EQ(b->AnimationTimer(), nullptr);
  };
  const LPARAM at = MAKELPARAM(40, 20);
  struct Row {
    const char* what;
    std::function<void(TProbeButton*)> setUp, event;
    const char* ticks;
  } rows[] = {
      {"enter", [](TProbeButton* b) { Set(b, TFyAnimation::Enter, {kA, kB, kC}); }, MouseIn,
       "AF. BF. CF. CF*"},
      {"left within one interval: exit, enter never shown",
       [](TProbeButton* b) {
         Set(b, TFyAnimation::Enter, {kA}, 200);
         Set(b, TFyAnimation::Exit, {kB, kC});
       },
       [](TProbeButton* b) { MouseIn(b), MouseOut(b); }, "BF. CF. CF*"},
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
       MouseIn, "AF. AB. AB*"},
      // Default strips still run one empty frame for every event.
      {"focus, after a first change that starts nothing",
       [&](TProbeButton* b) {
         animated(100)->SetFocus();
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
  auto name = [](uint32_t c) {
    return c == kA ? 'A' : c == kB ? 'B' : c == kC ? 'C' : c == kFace ? 'F' : '?';
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TProbeButton* b = animated(10);
    r.setUp(b);
    r.event(b);
    ASSERT_TRUE(b->AnyAnimationRunning());
    runOut(b);
    std::string ticks;
    for (const auto& t : b->ticks) {
      ticks += std::string(ticks.empty() ? "" : " ") + name(t.shown) + name(t.shown2) +
               (t.invalidated ? '*' : '.');
    }
    EXPECT_EQ(ticks, r.ticks);
    ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
    runOut(b);
    Pump();
    EXPECT_EQ(b->Screen(6, 6), kFace);
    delete b;
  }
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
  // ended: the count of threads does not grow.
  const int threads = ThreadCount();
  const DWORD firstThread = b->RotationTimer()->ThreadId();
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_NE(b->RotationTimer()->ThreadId(), firstThread);
  EXPECT_EQ(b->RotationTimer()->TargetHandle(), b->Handle());
  ASSERT_TRUE(stepsOn(3));
  EXPECT_EQ(ThreadCount(), threads);

  // Paused across a re-creation, it stays paused; a new pace takes hold
  // from the next sleep: a long one stops the steps for now.
  b->SetRotated(false);
  ServeFor(100);
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  EXPECT_TRUE(paused());
  b->SetRotated(true);
  ASSERT_TRUE(stepsOn(3));
  b->SetRotatedTime(100000);
  EXPECT_TRUE(paused());
  EXPECT_EQ(b->RotationTimer()->Interval(), 100000u);
}

// Spinning buttons deleted at three paces, then many more: each thread has
// ended when delete returns, no step comes after, and nothing is left.
TEST_F(ButtonTest, DestroyingSpinningButtonsStopsTheirThreadsAndLeavesNothing) {
  Load();
  long regions = 0;
  DWORD gdi = 0, user = 0, handles = 0, handlesAfter = 0;
  int threads = 0;
  for (int i = 0; i < 43 && !HasFailure(); ++i) {
    if (i == 3) {  // the first buttons made what a process makes once
      regions = q::LiveGdiObjects<HRGN>();
      gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
      user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
      ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
      threads = ThreadCount();
    }
    TProbeButton* b = NewButton(150, 100, 100, 40);
    b->SetRotatedTime(i == 2 ? 40 : i % 2);
    b->SetRotated(true);
    ASSERT_TRUE(Serve([&] { return b->steps >= 2; })) << i;
    q::KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, b->RotationTimer()->ThreadId()));
    ASSERT_TRUE(thread.Valid());
    // With steps back to back the worker is almost always inside
    // SendMessage here, waiting for this thread.
    delete b;
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0) << "ended before delete";
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
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
}  // namespace fybutton_test
