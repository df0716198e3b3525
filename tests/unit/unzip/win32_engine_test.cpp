// The engine's default window-system hooks on Windows: progress messages go
// to a real window as WM_COMMAND with the id sign-extended, the pump runs
// the thread's messages and keeps WM_QUIT for the application.
#if defined(_WIN32)
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/files.h"
#include "support/zip_writer.h"
#include "unzip/unzip.h"

using namespace qtest;

namespace {

struct Seen {
  std::vector<WPARAM> ids;
  std::vector<int> percents;
  int posted = 0;
  bool abortAtFirst = false;
};
Seen* seen = nullptr;

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND && seen) {
    auto* percent = reinterpret_cast<int16_t*>(l);
    seen->ids.push_back(w);
    seen->percents.push_back(*percent);
    if (seen->abortAtFirst && *percent > 0) *percent = static_cast<int16_t>(0xFFFF);
    return 0;
  }
  if (msg == WM_APP && seen) {
    ++seen->posted;
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

class Win32Engine : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QEngineTestWindow";
    RegisterClassA(&wc);
    window = CreateWindowA("QEngineTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    seen = &state;
  }
  void TearDown() override {
    seen = nullptr;
    DestroyWindow(window);
  }
  HWND window = nullptr;
  Seen state;
  TempDir dir;
};

}  // namespace

TEST_F(Win32Engine, ProgressMessagesReachTheWindowAndCanAbort) {
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("a", std::string(100000, 'a'))}));
  ASSERT_EQ(UnzipEntry((dir / "a.zip").c_str(), (dir / "out").c_str(), 0, 0,
                       reinterpret_cast<uintptr_t>(window), -2),
            urOk);
  ASSERT_GE(state.ids.size(), 3u);
  for (WPARAM id : state.ids) EXPECT_EQ(id, static_cast<WPARAM>(static_cast<intptr_t>(-2)));
  EXPECT_EQ(state.percents.front(), 0);
  EXPECT_EQ(state.percents.back(), 100);

  state = Seen{};
  state.abortAtFirst = true;
  EXPECT_EQ(UnzipEntry((dir / "a.zip").c_str(), (dir / "out2").c_str(), 0, 0,
                       reinterpret_cast<uintptr_t>(window), 5),
            urUserAbort);
}

TEST_F(Win32Engine, PumpRunsPostedMessagesAndKeepsTheQuitMessage) {
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("a", "pump")}));
  PostMessageA(window, WM_APP, 0, 0);
  PostQuitMessage(7);
  ASSERT_EQ(UnzipEntry((dir / "a.zip").c_str(), (dir / "out").c_str(), 0, 0, 0, 0), urOk);
  EXPECT_EQ(state.posted, 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT must survive";
  EXPECT_EQ(msg.wParam, 7u);
}
#endif
