// The rotation timer thread, and the button's side of it: the timer made
// with the window, paced by RotatedTime, running while Rotated, stopped
// before the window goes.
#include "shapebutton/fyrotatetimer.h"

#include "shapebutton/fyeverbutton.h"

namespace fyeverbutton {

TfyRotateTimer::TfyRotateTimer(HWND target, DWORD interval)
    : target_(target), interval_(interval) {}

TfyRotateTimer::~TfyRotateTimer() {
  // Execute reads this object's fields: it must end before they go. The
  // wait serves a step being sent to this thread, so a worker blocked in
  // SendMessage finishes it and sees the flag.
  Terminate();
  Resume();
  WaitFor();
}

void TfyRotateTimer::Execute() {
  // The flag is tested after each step: a step that has begun is finished.
  while (!Terminated()) {
    if (!Sleep(Interval())) break;
    ::SendMessageA(target_, FY_ROTATIONSTEP, 0, 0);
    steps_.fetch_add(1, std::memory_order_relaxed);
    // A window that is gone takes no more steps; its handle may one day
    // name another window.
    if (!::IsWindow(target_)) break;
  }
}

// --- The button's timer ------------------------------------------------------------

void TFyeverButton::UseRotation() {
  parts_.createRotationTimer = &TFyeverButton::CreateRotationTimer;
}

bool TFyeverButton::RotationLinked() { return parts_.createRotationTimer != nullptr; }

void TFyeverButton::CreateRotationTimer() {
  // A button never owns two timers: a re-created window's old one goes
  // first.
  FreeRotationTimer();
  auto timer = std::make_unique<TfyRotateTimer>(Handle(), static_cast<DWORD>(rotatedTime_));
  // Without a thread the button still works; it only cannot spin.
  if (!timer->Valid()) return;
  rotationTimer_ = std::move(timer);
  if (rotated_) rotationTimer_->Resume();
}

void TFyeverButton::FreeRotationTimer() {
  // The destructor terminates, resumes and waits, serving a step in flight.
  rotationTimer_.reset();
}

// Changes made before the window exists wait for the timer CreateHandle
// makes, which takes them all.
void TFyeverButton::RotationTimerChanged() {
  // Without the rotation part no timer is ever made: the test lets a
  // program that does not link it leave out the rest.
  if (!RotationLinked() || !rotationTimer_) return;
  rotationTimer_->SetInterval(static_cast<DWORD>(rotatedTime_));
  if (rotated_ && rotationTimer_->Suspended()) {
    rotationTimer_->Resume();
  } else if (!rotated_ && !rotationTimer_->Suspended()) {
    rotationTimer_->Suspend();
  }
}

void TFyeverButton::RotationStep() { SetButtonAngle(buttonAngle_ + rotatedAngle_); }

}  // namespace fyeverbutton
