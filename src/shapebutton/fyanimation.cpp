// TFyeverButton: the enter, exit and click animations. One message timer
// serves all three; each tick draws the next frame of every running
// animation straight onto the screen, and a finished animation invalidates
// the button so that the face comes back.
//
// The timer lives while any animation runs. It can be let go from inside
// its own event (the last tick of the last animation): it then counts as
// gone at once and waits among the retired timers for the posted 45157,
// whose handler frees it once no tick is on the stack.
#include "shapebutton/fyeverbutton.h"

namespace fyeverbutton {

struct TFyeverButton::AnimationSource {
  gui::TBitmap& strip;
  int glyphs;
  int interval;
};

TFyeverButton::AnimationRecord& TFyeverButton::Record(TFyAnimation a) {
  switch (a) {
    case TFyAnimation::Enter: return enterAnimation_;
    case TFyAnimation::Exit: return exitAnimation_;
    case TFyAnimation::Click: break;
  }
  return clickAnimation_;
}

TFyeverButton::AnimationSource TFyeverButton::Source(TFyAnimation a) {
  switch (a) {
    case TFyAnimation::Enter: return {onEnterBitmap_, onEnterGlyphs_, onEnterInterval_};
    case TFyAnimation::Exit: return {onExitBitmap_, onExitGlyphs_, onExitInterval_};
    case TFyAnimation::Click: break;
  }
  return {onClickBitmap_, onClickGlyphs_, onClickInterval_};
}

bool TFyeverButton::AnimationRunning(TFyAnimation a) const {
  // Only the glyphs part starts animations.
  return parts_.animate && const_cast<TFyeverButton*>(this)->Record(a).running;
}

void TFyeverButton::StartAnimation(TFyAnimation a) {
  if (parts_.animate) (this->*parts_.animate)(a, true);
}

void TFyeverButton::StopAnimation(TFyAnimation a) {
  if (parts_.animate) (this->*parts_.animate)(a, false);
}

void TFyeverButton::Animate(TFyAnimation a, bool start) {
  AnimationRecord& r = Record(a);
  if (r.running == start) return;
  r.running = start;
  if (!start) {
    if (AnimationRunning(TFyAnimation::Enter) || AnimationRunning(TFyAnimation::Exit) ||
        AnimationRunning(TFyAnimation::Click)) {
      return;  // the shared timer keeps serving the others
    }
    RetireAnimationTimer();
    return;
  }
  // Animations still running go on with the new timer, at this one's pace.
  RetireAnimationTimer();
  animationTimer_ = std::make_unique<gui::TTimer>(nullptr);
  // A negative interval is as silent as 0: the animation runs until a
  // message stops it.
  const int interval = Source(a).interval;
  animationTimer_->SetInterval(interval > 0 ? static_cast<unsigned>(interval) : 0);
  r.frame = 0;
  animationTimer_->OnTimer = [this](gui::TObject*) { AnimationTick(); };
  animationTimer_->SetEnabled(true);
}

void TFyeverButton::RetireAnimationTimer() {
  if (!animationTimer_) return;
  animationTimer_->SetEnabled(false);
  retiredTimers_.push_back(std::move(animationTimer_));
  if (!inAnimationTick_) {
    Perform(FY_RELEASEANIMATIONTIMER);
  } else if (HandleAllocated()) {
    ::PostMessageA(Handle(), FY_RELEASEANIMATIONTIMER, 0, 0);
  }
  // A window-less button in a tick keeps the timer until the next release
  // or its destruction; the timer is disabled and ticks no more.
}

void TFyeverButton::ReleaseAnimationTimer() {
  // Timers are only ever made and retired with glyphs linked: the test
  // lets a program without them leave out the rest, here and in the tick.
  if (!parts_.animate || retiredTimers_.empty()) return;
  if (inAnimationTick_) {
    // Reached from a message loop run inside a tick: that tick's timer may
    // be among these. Later, then.
    if (HandleAllocated()) ::PostMessageA(Handle(), FY_RELEASEANIMATIONTIMER, 0, 0);
    return;
  }
  for (auto& timer : retiredTimers_) timer->OnTimer = nullptr;
  retiredTimers_.clear();
}

void TFyeverButton::AnimationTick() {
  if (!parts_.animate) return;
  const bool outer = !inAnimationTick_;
  inAnimationTick_ = true;
  for (TFyAnimation a : {TFyAnimation::Enter, TFyAnimation::Exit, TFyAnimation::Click}) {
    AnimationRecord& r = Record(a);
    if (!r.running) continue;
    AnimationSource s = Source(a);
    if (s.glyphs <= r.frame) {
      // One interval after the last frame the face comes back.
      Invalidate();
      StopAnimation(a);
    } else {
      (this->*parts_.drawFrame)(s.strip, s.glyphs, r.frame);
      ++r.frame;
    }
  }
  if (outer) inAnimationTick_ = false;
}

}  // namespace fyeverbutton
