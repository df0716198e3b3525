// CPU cost of a spinning shaped button: one 200 x 100 button with a
// caption turning with it, RotatedTime 40 (the default), on a shown form;
// the process's CPU time (all threads: GUI, timer thread, the system's
// own) over a measured span, as a percent of one core.
//
//   spin_cost_bench.exe [seconds=10] [kind=bkRoundRect]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/application.h"
#include "gui/forms.h"
#include "shapebutton/fyeverbutton.h"

namespace {

using namespace fyeverbutton;

class TCostForm : public gui::TForm {
  Q_GUI_CLASS(TCostForm, gui::TForm)

 public:
  gui::TComponent* CreateComponent(std::string_view cls) override {
    if (cls == TFyeverButton::kClassName) return new TFyeverButton(this);
    return TForm::CreateComponent(cls);
  }
  TFyeverButton* Button() {
    TFyeverButton* out = nullptr;
    return BindComponent("B", out) ? nullptr : out;
  }
};

ULONGLONG Value(const FILETIME& f) { return (ULONGLONG{f.dwHighDateTime} << 32) | f.dwLowDateTime; }

// Kernel and user time of the whole process, or of the calling thread.
ULONGLONG CpuTime100ns(bool thread = false) {
  FILETIME created, exited, kernel, user;
  const BOOL ok = thread ? ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)
                         : ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  return ok ? Value(kernel) + Value(user) : 0;
}

// Serves messages for `ms` of wall time.
void Serve(gui::TApplication& app, ULONGLONG ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  MSG msg;
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      app.DispatchOne(msg);
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const std::string kind = argc > 2 ? argv[2] : "bkRoundRect";
  gui::TApplication app;
  if (q::Error e = app.Initialize()) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 1;
  }
  TCostForm form;
  const std::string layout = R"(
object F: TCostForm
  BorderStyle = bsNone
  ClientWidth = 400
  ClientHeight = 300
  Color = clWhite
  object B: TFyeverButton
    Left = 100
    Top = 100
    Width = 200
    Height = 100
    ButtonWidth = 200
    ButtonHeight = 100
    ButtonKind = )" + kind + R"(
    Caption = 'Spin'
    Font.Height = -24
    CaptionFixed = True
    RotationCenterFixed = True
  end
end
)";
  if (q::Error e = form.CreateFromLayout(layout)) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 1;
  }
  form.Show();
  TFyeverButton* b = form.Button();
  if (!b) return 1;
  Serve(app, 500);
  // One step split in two, GUI thread alone: the angle setter (shape
  // rebuild, face render, window move) and the paint that follows.
  ULONGLONG setter = 0, paint = 0;
  constexpr int kSplitSteps = 90;
  for (int i = 0; i < kSplitSteps; ++i) {
    const ULONGLONG t0 = CpuTime100ns(true);
    b->SetButtonAngle(b->ButtonAngle() + 40);
    const ULONGLONG t1 = CpuTime100ns(true);
    ::UpdateWindow(b->Handle());
    paint += CpuTime100ns(true) - t1;
    setter += t1 - t0;
  }
  std::printf("per step, GUI thread: angle setter %.2f ms, paint %.2f ms (%d steps)\n",
              static_cast<double>(setter) / 1e4 / kSplitSteps,
              static_cast<double>(paint) / 1e4 / kSplitSteps, kSplitSteps);
  const int startAngle = b->ButtonAngle();
  b->SetRotated(true);
  Serve(app, 1000);  // warm-up: caches, first sizes
  const ULONGLONG cpu0 = CpuTime100ns(), gui0 = CpuTime100ns(true), wall0 = ::GetTickCount64();
  const int angle0 = b->ButtonAngle();
  auto steps = [b] { return b->RotationTimer() ? b->RotationTimer()->Steps() : 0ul; };
  const unsigned long steps0 = steps();
  Serve(app, static_cast<ULONGLONG>(seconds) * 1000);
  const ULONGLONG cpu = CpuTime100ns() - cpu0, gui = CpuTime100ns(true) - gui0;
  const ULONGLONG wall = ::GetTickCount64() - wall0;
  const int angle1 = b->ButtonAngle();
  const unsigned long stepCount = steps() - steps0;
  b->SetRotated(false);
  const double percent = wall ? 100.0 * (static_cast<double>(cpu) / 1e4) / static_cast<double>(wall) : 0;
  std::printf("spinning %s 200x100, RotatedTime %d ms, RotatedAngle %d: %.1f%% of one core "
              "(%.0f ms CPU in %llu ms, %lu steps, GUI thread %.2f ms per step); angle %d -> %d (from %d)\n",
              kind.c_str(), b->RotatedTime(), b->RotatedAngle(), percent,
              static_cast<double>(cpu) / 1e4, static_cast<unsigned long long>(wall), stepCount,
              stepCount ? static_cast<double>(gui) / 1e4 / static_cast<double>(stepCount) : 0.0, angle0, angle1,
              startAngle);
  return 0;
}
