// What the decompression engine needs from the user interface while it
// works: a message pump, a key state, a progress message and a clock. On
// Windows the defaults call the window system; elsewhere they do nothing
// (the clock still runs). Callers and tests may install their own.
#pragma once

#include <cstdint>

namespace platform {

struct EngineUi {
  // Runs the thread's pending window messages. Messages for the notify
  // window's dialog go through dialog-key handling first.
  void (*pumpMessages)(uintptr_t notifyWindow);
  // True while the virtual key is held down at this moment.
  bool (*keyDown)(int virtualKey);
  // Sends the progress message: WM_COMMAND to `window` with wParam = `id`
  // sign-extended and lParam = `percent`'s address. The receiver may store
  // 0xFFFF there to ask for an abort.
  void (*notify)(uintptr_t window, int16_t id, int16_t* percent);
  // Milliseconds, wrapping at 2^32 (GetTickCount).
  uint32_t (*tickCount)();
};

EngineUi DefaultEngineUi();

}  // namespace platform
