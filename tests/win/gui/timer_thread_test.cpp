// The message timer and the worker thread with its event-based pause.
#include <atomic>
#include <memory>

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
  DWORD thread = 0;
  timer->SetInterval(10);
  timer->OnTimer = [&](gui::TObject* sender) {
    EXPECT_EQ(sender, timer);
    thread = ::GetCurrentThreadId();
    if (++fired == 3) delete timer;  // a timer may end itself
  };
  EXPECT_TRUE(PumpUntil([&] { return fired == 3; }));
  EXPECT_EQ(thread, ::GetCurrentThreadId());
  EXPECT_EQ(owner.ComponentCount(), 0);
  PumpFor(50);
  EXPECT_EQ(fired, 3);

  // Disabled or with interval 0 it stays silent.
  gui::TTimer quiet(nullptr);
  int ticks = 0;
  quiet.OnTimer = [&](gui::TObject*) { ++ticks; };
  quiet.SetInterval(0);
  PumpFor(40);
  quiet.SetInterval(5);
  quiet.SetEnabled(false);
  PumpFor(40);
  EXPECT_EQ(ticks, 0);
  quiet.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }));
}

// Counts steps of a pausable sleep.
class TCounter : public gui::TThread {
 public:
  explicit TCounter(DWORD step) : TThread(true), step_(step) {}
  ~TCounter() override {
    Terminate();
    WaitFor();
  }
  std::atomic<int> steps{0};

 protected:
  void Execute() override {
    while (!Terminated()) {
      if (!Sleep(step_)) break;
      ++steps;
    }
  }

 private:
  DWORD step_;
};

// A pause takes hold at the worker's next sleep and holds until resumed;
// time paused inside a sleep does not count towards it. Ending a thread
// never started, or paused, must not hang: Terminate wakes it.
TEST(ThreadTest, PausedThreadResumesWhereItWas) {
  TCounter counter(2);
  ::Sleep(30);
  EXPECT_EQ(counter.steps, 0) << "created suspended";
  counter.Start();
  while (counter.steps < 5) ::Sleep(1);
  counter.Suspend();
  ::Sleep(30);
  int held = counter.steps;
  ::Sleep(60);
  EXPECT_EQ(counter.steps, held);
  EXPECT_TRUE(counter.Suspended());
  counter.Resume();
  while (counter.steps <= held + 3) ::Sleep(1);
  EXPECT_FALSE(counter.Finished());
  counter.Suspend();  // destroyed while paused

  TCounter slow(300);
  const ULONGLONG start = ::GetTickCount64();
  slow.Start();
  ::Sleep(100);
  slow.Suspend();
  ::Sleep(300);
  slow.Resume();
  while (slow.steps == 0) ::Sleep(1);
  EXPECT_GE(::GetTickCount64() - start, 550u)
      << "100 ms slept, 300 ms paused, then the remaining ~200 ms";

  TCounter neverStarted(1);
}

// Sends to the GUI thread as fast as it can.
class TSender : public gui::TThread {
 public:
  explicit TSender(HWND target) : TThread(false), target_(target) {}
  ~TSender() override {
    Terminate();
    WaitFor();
  }
  std::atomic<int> sent{0};

 protected:
  void Execute() override {
    while (!Terminated()) {
      ::SendMessageA(target_, WM_APP + 7, 0, 0);
      ++sent;
    }
  }

 private:
  HWND target_;
};

TEST_F(TimerTest, WaitingForAThreadBlockedInSendMessageServesIt) {
  static int received = 0;
  received = 0;
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_APP + 7) {
      ++received;
      return 0;
    }
    return ::DefWindowProcA(h, m, w, l);
  };
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "Q.Test.SendTarget";
  ::RegisterClassA(&wc);
  q::WindowHandle target(::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, wc.hInstance, nullptr));
  ASSERT_TRUE(target.Valid());
  auto sender = std::make_unique<TSender>(target.Get());
  EXPECT_TRUE(PumpUntil([&] { return received > 10; }));
  ::Sleep(50);     // not serving: the worker is now stuck in SendMessage to this thread
  sender.reset();  // Terminate + WaitFor from the thread it is blocked on: no deadlock
}

}  // namespace
}  // namespace gui_test
