// gui-demo.exe: shows the installer dialog's layout with plain buttons.
// "--close-after MS" closes it by itself (for screenshots taken by tests).
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "gui/application.h"
#include "gui/demo/demo_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  gui::TApplication app;
  if (q::Error e = app.Initialize()) {
    ::MessageBoxA(nullptr, e.Message().c_str(), "gui-demo", MB_ICONERROR);
    return 1;
  }
  gui_demo::TDemoForm form;
  if (q::Error e = form.CreateFromLayout(gui_demo::DemoLayout())) {
    ::MessageBoxA(nullptr, e.Message().c_str(), "gui-demo", MB_ICONERROR);
    return 1;
  }
  if (const char* arg = std::strstr(cmdLine, "--close-after ")) {
    auto* closer = new gui::TTimer(&form);
    closer->SetInterval(static_cast<unsigned>(std::strtoul(arg + 14, nullptr, 10)));
    closer->OnTimer = [&form](gui::TObject*) { form.Close(); };
  }
  return app.Run(form);
}
