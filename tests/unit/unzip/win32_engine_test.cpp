// The engine's default window-system hooks on Windows: progress messages go
// to a real window as WM_COMMAND with the id sign-extended and can abort;
// the pump runs the thread's messages and keeps WM_QUIT for the application.
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
} seen;

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_APP) return ++seen.posted, 0;
  if (msg != WM_COMMAND) return DefWindowProcA(h, msg, w, l);
  auto* percent = reinterpret_cast<int16_t*>(l);
  seen.ids.push_back(w);
  seen.percents.push_back(*percent);
  if (seen.abortAtFirst && *percent > 0) *percent = static_cast<int16_t>(0xFFFF);
  return 0;
}

}  // namespace

TEST(Win32Engine, ProgressReachesTheWindowAndThePumpKeepsTheQuitMessage) {
  TempDir dir;
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc, wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QEngineTestWindow";
  RegisterClassA(&wc);
  const HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const auto notify = reinterpret_cast<uintptr_t>(window);
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("a", std::string(100000, 'a'))}));
  const std::string a = dir / "a.zip";
  ASSERT_EQ(UnzipEntry(a.c_str(), (dir / "out").c_str(), 0, 0, notify, -2), urOk);
  ASSERT_GE(seen.ids.size(), 3u);
  for (WPARAM id : seen.ids) EXPECT_EQ(id, static_cast<WPARAM>(static_cast<intptr_t>(-2)));
  EXPECT_EQ(seen.percents.front(), 0);
  EXPECT_EQ(seen.percents.back(), 100);
  seen.abortAtFirst = true;
  EXPECT_EQ(UnzipEntry(a.c_str(), (dir / "out2").c_str(), 0, 0, notify, 5), urUserAbort);

  PostMessageA(window, WM_APP, 0, 0);
  PostQuitMessage(7);
  ASSERT_EQ(UnzipEntry(a.c_str(), (dir / "out3").c_str(), 0, 0, 0, 0), urOk);
  EXPECT_EQ(seen.posted, 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT must survive";
  EXPECT_EQ(msg.wParam, 7u);
  DestroyWindow(window);
}
#endif
