// TfyRotateTimer: the pace of a spinning shaped button. A worker thread
// that sleeps Interval milliseconds and then sends its button one rotation
// step (message 45161), until it is terminated. Windows-only.
//
//   TfyRotateTimer timer(button->Handle(), 40);   // made paused
//   timer.Resume();      // steps begin, the first one Interval from now
//   timer.Suspend();     // no more steps; Resume goes on where it paused
//   // destruction: Terminate, then wait (serving the step being sent)
//
// The thread touches nothing of the button: every effect of a step happens
// in the button's handler, on the GUI thread. The send is synchronous, so at
// most one step is in flight and steps never queue up. The pause is an
// event wait inside the sleep (never SuspendThread): a paused worker holds
// no lock of the process and keeps the time its sleep had left.
#pragma once

#include <windows.h>

#include <atomic>

#include "gui/thread.h"

namespace fyeverbutton {

// One rotation step, sent by the timer with wParam 0 and lParam 0.
inline constexpr UINT FY_ROTATIONSTEP = 45161;

class TfyRotateTimer : public gui::TThread {
 public:
  // Made paused; `Valid()` is false when the system could not make the
  // thread (nothing runs then).
  TfyRotateTimer(HWND target, DWORD interval);
  ~TfyRotateTimer() override;

  // Milliseconds before each step. A change takes effect from the next
  // sleep: the one under way keeps its length. 0: steps back to back.
  DWORD Interval() const { return interval_.load(std::memory_order_relaxed); }
  void SetInterval(DWORD ms) { interval_.store(ms, std::memory_order_relaxed); }
  HWND TargetHandle() const { return target_; }
  // Steps sent so far (the send returned).
  unsigned long Steps() const { return steps_.load(std::memory_order_relaxed); }

 protected:
  void Execute() override;

 private:
  const HWND target_;
  std::atomic<DWORD> interval_;
  std::atomic<unsigned long> steps_{0};
};

}  // namespace fyeverbutton
