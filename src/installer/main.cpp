// QuorvantisSetup.exe: program entry. Start-up runs in a fixed order: the
// DLL search is narrowed first (before anything can load a library), the
// system's folders are read, COM and the application start, Form3 is made
// from its layout (its creation handler sets the first question) and the
// message loop runs until the dialog closes.
#include <windows.h>

#include "gui/application.h"
#include "installer/main_form.h"
#include "installutils/system_folders.h"

namespace {

// An installer is often started from a download folder, where anyone may
// have put a DLL named like a system one: libraries load from System32
// only. SetDefaultDllDirectories exists from Windows 8 (and on Windows 7
// with its update); without it at least the current folder leaves the
// search path.
void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  // Through void(*)(): GetProcAddress's type says nothing of the function's.
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
      kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryA("");
}

// Only a broken build or system gets here: say so, there is no dialog.
int StartFailed(const q::Error& error) {
  ::MessageBoxA(nullptr, error.Message().c_str(), "Quorvantis Setup", MB_OK | MB_ICONERROR);
  return 1;
}

int RunSetup() {
  gui::TApplication app;
  if (q::Error e = app.Initialize()) return StartFailed(e);
  TForm3 form;
  if (q::Error e = form.CreateFromLayout(Form3Layout())) return StartFailed(e);
  return app.Run(form);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearch();
  InitializeInstallUtils();
  // An installation killed halfway is settled first; what cannot be settled
  // now the installation reports when it runs into it.
  std::vector<std::string> notes;
  static_cast<void>(RecoverInterruptedInstall(notes));
  const int rc = RunSetup();
  FinalizeInstallUtils();
  return rc;
}
