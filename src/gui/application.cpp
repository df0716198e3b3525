#include "gui/application.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <cstring>

#include "common/message.h"
#include "gui/forms.h"
#include "gui/timer.h"

namespace gui {
namespace {

TApplication* g_application = nullptr;

}  // namespace

TApplication* Application() { return g_application; }

TApplication::TApplication() {
  if (!g_application) g_application = this;
}

TApplication::~TApplication() {
  if (g_application == this) g_application = nullptr;
  if (comInitialized_) ::CoUninitialize();
}

bool InitCommonControlClasses(DWORD classes) {
  using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const Init init = [] {
    // Found as an import of the program would be: the version the manifest
    // names first, then the program's library search.
    const HMODULE library = ::LoadLibraryW(L"comctl32.dll");
    // Through void(*)(): GetProcAddress's type says nothing of the function's.
    return library ? reinterpret_cast<Init>(reinterpret_cast<void (*)()>(
                         ::GetProcAddress(library, "InitCommonControlsEx")))
                   : nullptr;
  }();
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = classes;
  return init != nullptr && init(&icc);
}

q::Error TApplication::StartCom(DWORD apartment) {
  if (comInitialized_) return {};
  const HRESULT hr = ::CoInitializeEx(nullptr, apartment);
  if (FAILED(hr)) {
    return q::Error::Failf("COM could not be initialised (HRESULT %u)",
                           static_cast<unsigned long>(hr));
  }
  comInitialized_ = true;
  return {};
}

q::Error TApplication::Initialize(bool initializeCom) {
  if (initializeCom) {
    if (q::Error e = StartCom(COINIT_APARTMENTTHREADED)) return e;
  }
  if (!InitCommonControlClasses(ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES))
    return q::Error::Fail("the common controls could not be initialised");
  return {};
}

q::Error TApplication::InitializeWindowless() { return StartCom(COINIT_MULTITHREADED); }

int TApplication::Run(TForm& mainForm) {
  mainForm_ = &mainForm;
  mainForm.Show();
  MSG msg;
  while (!terminated_) {
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      exitCode_ = static_cast<int>(msg.wParam);
      terminated_ = true;
    } else if (got == -1) {
      terminated_ = true;
    } else {
      DispatchOne(msg);
    }
  }
  return exitCode_;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (!terminated_ && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      exitCode_ = static_cast<int>(msg.wParam);
      terminated_ = true;
      break;
    }
    DispatchOne(msg);
  }
}

void TApplication::Terminate() { ::PostQuitMessage(0); }

// Dialog keys of our forms are handled here unless the focused control
// asks for them (WM_GETDLGCODE), as edit controls do for characters.
bool TApplication::IsDialogKeyMessage(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR && msg.message != WM_SYSCHAR)
    return false;
  TWinControl* target = nullptr;
  for (HWND h = msg.hwnd; h && !target; h = ::GetParent(h)) target = TWinControl::FromHandle(h);
  TForm* form = target ? target->ParentForm() : nullptr;
  if (!form) return false;
  LRESULT code =
      ::SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (msg.message == WM_SYSCHAR) return form->DialogChar(msg.wParam, true);
  if (msg.message == WM_CHAR)
    return !(code & DLGC_WANTCHARS) && form->DialogChar(msg.wParam, false);
  switch (msg.wParam) {
    case VK_TAB:
      if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS)) return false;
      break;
    case VK_RETURN:
    case VK_ESCAPE:
      if (code & DLGC_WANTALLKEYS) return false;
      break;
    default: return false;
  }
  return form->DialogKey(msg.wParam);
}

void TApplication::DispatchOne(MSG& msg) {
  if (IsDialogKeyMessage(msg)) return;
  HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && TWinControl::FromHandle(root) && ::IsDialogMessageA(root, &msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
}

void TApplication::SetCursor(TCursor c) {
  if (c == cursor_) return;
  cursor_ = c;
  if (c != crDefault) {
    ::SetCursor(CursorHandle(c));
    return;
  }
  // Let the window under the pointer choose its own cursor again.
  POINT pt;
  HWND under = ::GetCursorPos(&pt) ? ::WindowFromPoint(pt) : nullptr;
  if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
    LRESULT hit = ::SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    ::SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
  } else {
    ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
  }
}

int ReportStartFailure(const char* program, const q::Error& error) {
  ::MessageBoxA(nullptr, error.Message().c_str(), program, MB_ICONERROR);
  return 1;
}

void CloseAfterFromCommandLine(TForm& form, const char* cmdLine) {
  constexpr char kSwitch[] = "--close-after ";
  const char* arg = std::strstr(cmdLine, kSwitch);
  if (!arg) return;
  auto* closer = new TTimer(&form);
  closer->SetInterval(static_cast<unsigned>(std::strtoul(arg + sizeof kSwitch - 1, nullptr, 10)));
  closer->OnTimer = [&form](TObject*) { form.Close(); };
}

}  // namespace gui
