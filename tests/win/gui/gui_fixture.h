// Shared by the GUI tests: an application object per test and a pump that
// waits for a condition while serving the thread's messages.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "gui/application.h"

namespace gui_test {

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(app_.Initialize(false)); }

  void Pump() { app_.ProcessMessages(); }

  // Serves messages until `done()` holds or `ms` milliseconds pass.
  template <typename F>
  bool PumpUntil(F done, DWORD ms = 3000) {
    ULONGLONG end = ::GetTickCount64() + ms;
    while (!done()) {
      if (::GetTickCount64() > end) return false;
      app_.ProcessMessages();
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
  }

  void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
  }

  gui::TApplication app_;
};

}  // namespace gui_test
