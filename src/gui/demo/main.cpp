// gui-demo.exe: shows the installer dialog's layout with plain buttons.
// "--close-after MS" closes it by itself (for screenshots taken by tests).
#include <windows.h>

#include "gui/application.h"
#include "gui/demo/demo_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  gui::TApplication app;
  if (q::Error e = app.Initialize()) return gui::ReportStartFailure("gui-demo", e);
  gui_demo::TDemoForm form;
  if (q::Error e = form.CreateFromLayout(gui_demo::DemoLayout())) {
    return gui::ReportStartFailure("gui-demo", e);
  }
  gui::CloseAfterFromCommandLine(form, cmdLine);
  return app.Run(form);
}
