// QuorvantisSetup.exe: program entry. Start-up runs in a fixed order: the
// DLL search is narrowed first (before anything can load a library), the
// system's folders are read, COM and the application start, Form3 is made
// from its layout (its creation handler sets the first question) and the
// message loop runs until the dialog closes.
#include <windows.h>

#include "common/wide.h"
#include "gui/application.h"
#include "installer/main_form.h"
#include "installutils/dll_search.h"
#include "installutils/system_folders.h"

namespace {

// Only a broken build or system gets here: say so, there is no dialog.
int StartFailed(const q::Error& error) {
  ::MessageBoxW(nullptr, q::Widen(error.Message()).c_str(), L"Quorvantis Setup",
                MB_OK | MB_ICONERROR);
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
  const int rc = RunSetup();
  FinalizeInstallUtils();
  return rc;
}
