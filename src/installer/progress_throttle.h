// Which of the extraction's per-entry reports reach the screen. Moving the
// bar and running the message queue for every one of thousands of small
// files costs more than extracting them (a themed bar repaints whole, and
// under Wine a repaint of the installer's large bar costs tens of
// milliseconds); the person watching sees nothing of most of those moves. A
// report is shown when the bar's drawn length changes, counted in pixels but
// in no finer steps than a fiftieth of the bar (an archive of up to 50
// entries still shows every one), or when `interval` milliseconds have
// passed since the last one shown, so the dialog keeps answering while slow
// entries come through.
#pragma once

#include <cstdint>

#include "common/digits.h"

class ProgressThrottle {
 public:
  static constexpr uint32_t kDefaultInterval = 50;
  static constexpr int32_t kMaxSteps = 50;

  // A new run of `total` reports on a bar `pixels` wide, at time `now`.
  void Start(int32_t total, int32_t pixels, uint32_t now) {
    total_ = total > 0 ? total : 1;
    pixels_ = pixels < 1 ? 1 : pixels > kMaxSteps ? kMaxSteps : pixels;
    drawn_ = 0;
    shownAt_ = now;
  }

  // True when the report of `position` is to be shown (and is then taken as
  // shown).
  bool Show(int32_t position, uint32_t now, uint32_t interval = kDefaultInterval) {
    // position * pixels / total, toward zero, without a 64-bit division
    // (a library routine in the i686 build).
    const auto size = static_cast<uint64_t>(position < 0 ? -int64_t{position} : position);
    uint32_t rest = 0;
    const auto part = static_cast<int64_t>(
        q::DivideWide(size * static_cast<uint64_t>(pixels_), static_cast<uint32_t>(total_), rest));
    const int64_t drawn = position < 0 ? -part : part;
    if (drawn == drawn_ && now - shownAt_ < interval) return false;
    drawn_ = drawn;
    shownAt_ = now;
    return true;
  }

 private:
  int64_t total_ = 1;
  int64_t pixels_ = 1;
  int64_t drawn_ = 0;
  uint32_t shownAt_ = 0;
};
