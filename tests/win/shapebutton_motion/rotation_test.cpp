// The rotation timer thread: full turns, direction, the pivot, pause and
// resume, window re-creation, destruction while spinning, and what 1,000
// spinning buttons leave behind.
#include <windows.h>
#include <tlhelp32.h>

#include <cmath>

#include "win/shapebutton_motion/motion_fixture.h"

namespace fymotion_test {
namespace {

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

class RotationTest : public MotionTest {
 protected:
  // Spins `b` by `step` until `count` steps have been taken; the pause
  // comes from inside the last step, so no further step follows.
  void SpinSteps(TMotionButton* b, int step, int count) {
    b->SetRotatedAngle(step);
    b->SetRotatedTime(1);
    b->afterStep = [count](TMotionButton& self) {
      if (self.steps == count) self.SetRotated(false);
    };
    b->SetRotated(true);
    ASSERT_TRUE(Serve([&] { return b->steps >= count; }, 20000));
    ServeFor(50);
    EXPECT_EQ(b->steps, count);
  }
};

TEST_F(RotationTest, NinetyStepsMakeAFullTurnInEitherDirection) {
  TMotionButton* b = Place(150, 100, 100, 40);
  const RECT start = b->BoundsRect();
  SpinSteps(b, 40, 90);
  ASSERT_EQ(b->angles.size(), 90u);
  EXPECT_EQ(b->angles[0], 40);
  EXPECT_EQ(b->angles[44], 1800);
  EXPECT_EQ(b->angles[45], -1760);
  EXPECT_EQ(b->ButtonAngle(), 0);
  // About the unturned top-left corner the window swings round and comes
  // home exactly: each step's rounding is undone by a later one.
  EXPECT_NE(b->bounds[44].left, start.left);
  const RECT home = b->BoundsRect();
  EXPECT_TRUE(::EqualRect(&home, &start));

  // -40 turns clockwise.
  b->steps = 0;
  b->angles.clear();
  SpinSteps(b, -40, 90);
  EXPECT_EQ(b->angles[0], -40);
  EXPECT_EQ(b->angles[1], -80);
  EXPECT_EQ(b->ButtonAngle(), 0);
  const RECT end = b->BoundsRect();
  EXPECT_TRUE(::EqualRect(&end, &start));
}

TEST_F(RotationTest, CentreFixedSpinsInPlace) {
  TMotionButton* b = Place(150, 100, 100, 40);
  b->SetRotationCenterFixed(true);
  b->SetCaptionFixed(true);
  const RECT start = b->BoundsRect();
  SpinSteps(b, 40, 90);
  const double cx = (start.left + start.right) / 2.0, cy = (start.top + start.bottom) / 2.0;
  for (const RECT& r : b->bounds) {
    EXPECT_LE(std::abs((r.left + r.right) / 2.0 - cx), 1.0);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2.0 - cy), 1.0);
  }
  // The caption turned with the button, a whole turn.
  EXPECT_EQ(b->CaptionAngle(), 0);
  const RECT& half = b->bounds[44];  // upside down: the window has its first size
  EXPECT_EQ(half.right - half.left, 100);
  EXPECT_EQ(half.bottom - half.top, 40);
}

TEST_F(RotationTest, PausedStopsStepsAndResumedGoesOn) {
  TMotionButton* b = Place(150, 100, 100, 40);
  b->SetRotatedTime(2);
  b->SetRotated(true);
  ASSERT_TRUE(Serve([&] { return b->steps >= 5; }));
  b->SetRotated(false);
  // A step whose sleep had ended is still sent and carried out; the
  // worker may wait a while for the processor on a busy machine.
  ServeFor(150);
  const int held = b->steps;
  ServeFor(200);
  EXPECT_EQ(b->steps, held);
  EXPECT_EQ(b->ButtonAngle(), NormalizeAngle(int64_t{held} * 40));
  b->SetRotated(true);
  ASSERT_TRUE(Serve([&] { return b->steps >= held + 5; }));
  // A new pace from the next sleep: a long one stops the steps for now.
  b->SetRotatedTime(100000);
  ServeFor(150);
  const int slowed = b->steps;
  ServeFor(200);
  EXPECT_EQ(b->steps, slowed);
  EXPECT_EQ(b->RotationTimer()->Interval(), 100000u);
}

TEST_F(RotationTest, SetBeforeTheWindowAndKeptAcrossItsRecreation) {
  auto* b = new TMotionButton(&form_);
  b->SetBounds(150, 100, 100, 40);
  b->SetRotatedTime(3);
  b->SetRotated(true);
  EXPECT_EQ(b->RotationTimer(), nullptr) << "no window, no timer";
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_EQ(b->RotationTimer()->Interval(), 3u);
  ASSERT_TRUE(Serve([&] { return b->steps >= 3; }));

  // A new window gets a new timer, running as Rotated asks; the old one
  // has ended: the count of threads does not grow.
  const int threads = ThreadCount();
  const TfyRotateTimer* first = b->RotationTimer();
  const DWORD firstThread = first->ThreadId();
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  ASSERT_NE(b->RotationTimer(), nullptr);
  EXPECT_NE(b->RotationTimer()->ThreadId(), firstThread);
  EXPECT_EQ(b->RotationTimer()->TargetHandle(), b->Handle());
  const int before = b->steps;
  ASSERT_TRUE(Serve([&] { return b->steps >= before + 3; }));
  EXPECT_EQ(ThreadCount(), threads);

  // Paused across a re-creation, it stays paused.
  b->SetRotated(false);
  ServeFor(150);
  ASSERT_FALSE(b->SetParent(nullptr));
  ASSERT_FALSE(b->SetParent(Panel()));
  const int paused = b->steps;
  ServeFor(100);
  EXPECT_EQ(b->steps, paused);
}

TEST_F(RotationTest, DestroyingASpinningButtonStopsItsThreadFirst) {
  for (int time : {0, 1, 40}) {
    SCOPED_TRACE(time);
    TMotionButton* b = Place(150, 100, 100, 40);
    b->SetRotatedTime(time);
    b->SetRotated(true);
    ASSERT_TRUE(Serve([&] { return b->steps >= 2; }));
    q::KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, b->RotationTimer()->ThreadId()));
    ASSERT_TRUE(thread.Valid());
    // With steps back to back the worker is almost always inside
    // SendMessage here, waiting for this thread.
    delete b;
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0)
        << "ended before delete returned";
    const int after = g_steps;
    ServeFor(100);
    EXPECT_EQ(g_steps, after) << "no step after destruction";
  }
}

TEST_F(RotationTest, AThousandSpinningButtonsLeaveNothingBehind) {
  auto cycle = [&] {
    TMotionButton* b = Place(150, 100, 100, 40);
    b->SetRotatedTime(0);
    b->SetRotated(true);
    EXPECT_TRUE(Serve([&] { return b->steps >= 2; }));
    delete b;
  };
  cycle();  // first-use allocations (window classes, caches) are not leaks
  Pump();
  const long regions = q::LiveGdiObjects<HRGN>();
  const DWORD gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  DWORD handles = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
  const int threads = ThreadCount();
  for (int i = 0; i < 1000 && !HasFailure(); ++i) cycle();
  Pump();
  EXPECT_EQ(q::LiveGdiObjects<HRGN>(), regions);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), user);
  DWORD handlesAfter = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handles);
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
}  // namespace fymotion_test
