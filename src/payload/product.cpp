// Quorvantis.exe: the demo product the installer installs. One window that
// names the installed version and the folder the program runs from, so a
// person (or a test) sees at a glance what was installed where.
#include <windows.h>

#include <string>

#include "common/digits.h"
#include "common/win32_handles.h"
#include "product/texts.h"

namespace {

constexpr char kClassName[] = "QuorvantisMainWindow";
constexpr int kClientWidth = 460;
constexpr int kClientHeight = 190;
constexpr int kMargin = 16;

struct Fonts {
  q::FontHandle text;
  q::FontHandle title;
};
std::string ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "(unknown)";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

// The system's message font (what dialogs use), and a larger bold one.
Fonts MakeFonts() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTA base{};
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    base = metrics.lfMessageFont;
  } else {
    base.lfHeight = -12;
    lstrcpynA(base.lfFaceName, "Tahoma", LF_FACESIZE);
  }
  Fonts fonts;
  fonts.text.Reset(CreateFontIndirectA(&base));
  LOGFONTA title = base;
  title.lfHeight = base.lfHeight * 2;
  title.lfWeight = FW_BOLD;
  fonts.title.Reset(CreateFontIndirectA(&title));
  return fonts;
}

HWND AddChild(HWND parent, const char* cls, const std::string& text, DWORD style, int x, int y,
              int w, int h, int id, HFONT font) {
  HWND child = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  if (child && font) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

// The fonts belong to WinMain and outlive the window.
void CreateChildren(HWND window, const Fonts& fonts) {
  const int width = kClientWidth - 2 * kMargin;
  HFONT text = fonts.text.Get();
  AddChild(window, "STATIC", std::string(texts::kProductName) + " " + texts::kVersion,
           SS_LEFT | SS_NOPREFIX, kMargin, kMargin, width, 36, 0, fonts.title.Get());
  AddChild(window, "STATIC",
           std::string("Version ") + texts::kVersion + " is installed and running.",
           SS_LEFT | SS_NOPREFIX, kMargin, 60, width, 18, 0, text);
  AddChild(window, "STATIC", "Installed in: " + ProgramFolder(),
           SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, kMargin, 82, width, 18, 0, text);
  AddChild(window, "STATIC", std::string("Made by ") + texts::kMakerName, SS_LEFT | SS_NOPREFIX,
           kMargin, 104, width, 18, 0, text);
  AddChild(window, "BUTTON", "Close", WS_TABSTOP | BS_DEFPUSHBUTTON, kClientWidth - kMargin - 88,
           kClientHeight - kMargin - 28, 88, 28, IDCANCEL, text);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateChildren(window, *static_cast<const Fonts*>(
                                 reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
      return 0;
    case WM_SETFOCUS:  // as in a dialog: the keyboard goes to the button
      SetFocus(GetDlgItem(window, IDCANCEL));
      return 0;
    case WM_CTLCOLORSTATIC:  // labels on the window's white
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_COMMAND:
      // Enter answers IDOK, Esc IDCANCEL: both close, as the button does.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(window);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

int Fail(const char* what) {
  const std::string text =
      std::string(what) + " failed (error " + q::Decimal(GetLastError()) + ").";
  MessageBoxA(nullptr, text.c_str(), texts::kProductName, MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const Fonts fonts = MakeFonts();

  WNDCLASSEXA cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  cls.hIconSm = cls.hIcon;
  cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  cls.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  cls.lpszClassName = kClassName;
  if (!RegisterClassExA(&cls)) return Fail("Registering the window class");

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int w = frame.right - frame.left;
  const int h = frame.bottom - frame.top;
  const std::string title = std::string(texts::kProductName) + " " + texts::kVersion;
  HWND window =
      CreateWindowExA(0, kClassName, title.c_str(), style, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                      (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr, instance,
                      const_cast<Fonts*>(&fonts));
  if (!window) return Fail("Creating the window");
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Enter and Esc press Close, Tab moves the focus.
    if (IsDialogMessageA(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
