// The message timer, and waiting for a worker thread from the GUI thread.
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

// Sends to a window of the GUI thread as fast as it can.
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
      ::SendMessageA(target_, WM_NULL, 0, 0);
      ++sent;
    }
  }

 private:
  HWND target_;
};

// The pause itself is proven with the spinning buttons' rotation thread.
TEST_F(TimerTest, WaitingForAThreadBlockedInSendMessageServesIt) {
  gui::TForm target;
  ASSERT_FALSE(target.CreateFromLayout("object F: TForm end"));
  auto sender = std::make_unique<TSender>(target.Handle());
  EXPECT_TRUE(PumpUntil([&] { return sender->sent > 10; }));
  ::Sleep(50);     // not serving: the worker is now stuck in SendMessage to this thread
  sender.reset();  // Terminate + WaitFor from the thread it is blocked on: no deadlock
}

}  // namespace
}  // namespace gui_test
