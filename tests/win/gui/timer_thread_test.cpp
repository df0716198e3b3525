// The message timer and the worker thread with its event-based pause.
#include <atomic>
#include <memory>

#include "gui/forms.h"
#include "gui/thread.h"
#include "gui/timer.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

using TimerTest = GuiTest;

TEST_F(TimerTest, FiresOnTheGuiThreadAndMayBeFreedInItsEvent) {
  gui::TComponent owner(nullptr);
  auto* timer = new gui::TTimer(&owner);
  int fired = 0;
  const DWORD guiThread = ::GetCurrentThreadId();
  timer->SetInterval(10);
  timer->OnTimer = [&](gui::TObject* sender) {
    EXPECT_EQ(sender, timer);
    EXPECT_EQ(::GetCurrentThreadId(), guiThread);
    if (++fired == 3) delete timer;  // a timer may end itself
  };
  EXPECT_TRUE(PumpUntil([&] { return fired == 3; }));
  EXPECT_EQ(owner.ComponentCount(), 0);
  PumpFor(50);
  EXPECT_EQ(fired, 3);

  // Disabled or with interval 0 it stays silent.
  gui::TTimer quiet(nullptr);
  int ticks = 0;
  quiet.OnTimer = [&](gui::TObject*) { ++ticks; };
  for (bool enabled : {true, false}) {
    quiet.SetInterval(enabled ? 0 : 5);
    quiet.SetEnabled(enabled);
    PumpFor(40);
  }
  EXPECT_EQ(ticks, 0);
  quiet.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }));
}

// Counts steps until terminated: pausable sleeps, or with a target window
// messages sent to it as fast as it can.
class TWorker : public gui::TThread {
 public:
  TWorker(bool suspended, DWORD sleep, HWND target = nullptr)
      : TThread(suspended), sleep_(sleep), target_(target) {}
  ~TWorker() override {
    Terminate();
    WaitFor();
  }
  std::atomic<int> steps{0};

 protected:
  void Execute() override {
    while (!Terminated()) {
      if (target_) {
        ::SendMessageA(target_, WM_NULL, 0, 0);
      } else if (!Sleep(sleep_)) {
        break;
      }
      ++steps;
    }
  }

 private:
  DWORD sleep_;
  HWND target_;
};

// A pause holds until resumed, and time paused inside a sleep does not
// count towards it. Ending a thread never started, or paused, must not hang.
TEST(ThreadTest, PausedThreadResumesWhereItWas) {
  TWorker slow(false, 300);
  const ULONGLONG start = ::GetTickCount64();
  ::Sleep(100);
  slow.Suspend();
  ::Sleep(300);
  EXPECT_EQ(slow.steps, 0);
  slow.Resume();
  while (slow.steps == 0) ::Sleep(1);
  EXPECT_GE(::GetTickCount64() - start, 550u)
      << "100 ms slept, 300 ms paused, then the remaining ~200 ms";
  slow.Suspend();
  TWorker neverStarted(true, 1);
}

TEST_F(TimerTest, WaitingForAThreadBlockedInSendMessageServesIt) {
  gui::TForm target;
  ASSERT_FALSE(target.CreateFromLayout("object F: TForm end"));
  auto sender = std::make_unique<TWorker>(false, 0, target.Handle());
  EXPECT_TRUE(PumpUntil([&] { return sender->steps > 10; }));
  ::Sleep(50);     // not serving: the worker is now stuck in SendMessage to this thread
  sender.reset();  // Terminate + WaitFor from the thread it is blocked on: no deadlock
}

}  // namespace
}  // namespace gui_test
