// CPU cost of a spinning shaped button: one 200 x 100 button with a
// caption turning with it, RotatedTime 40 (the default), on a shown form;
// the process's CPU time (all threads: GUI, timer thread, the system's
// own) over a measured span, as a percent of one core.
//
//   spin_cost_bench.exe [seconds=10] [kind=bkRoundRect] [siblings=0]
//
// With siblings, that many shaped buttons (100 x 50, in a grid around the
// spinner, as in a gallery) share the form, and the GUI thread's cost of
// one step is measured twice in the same run: beside them, and with them
// hidden; the ratio is printed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
  int erases = 0;  // background erases of the form itself

 protected:
  void WndProc(gui::TMessage& m) override {
    if (m.Msg == WM_ERASEBKGND) ++erases;
    TForm::WndProc(m);
  }
};

ULONGLONG Value(const FILETIME& f) { return (ULONGLONG{f.dwHighDateTime} << 32) | f.dwLowDateTime; }

// Kernel and user time of the whole process, or of the calling thread.
ULONGLONG CpuTime100ns(bool thread = false) {
  FILETIME created, exited, kernel, user;
  const BOOL ok = thread
                      ? ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)
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
  TFyeverButton::UseRotation();
  TFyeverButton::UseEveryKind();
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const std::string kind = argc > 2 ? argv[2] : "bkRoundRect";
  const int siblings = argc > 3 ? std::atoi(argv[3]) : 0;
  // The spinner in the middle of a grid of 110 x 60 cells, ten to a row,
  // its own 400 x 300 cell left free.
  constexpr int kColumns = 10, kCellW = 110, kCellH = 60;
  const int rows = siblings > 0 ? (siblings + kColumns - 1) / kColumns + 5 : 0;
  const int width = siblings > 0 ? kColumns * kCellW : 400;
  const int height = siblings > 0 ? rows * kCellH : 300;
  const int spinLeft = (width - 200) / 2, spinTop = (height - 100) / 2;
  std::string others;
  for (int i = 0, cell = 0; i < siblings; ++cell) {
    const int x = (cell % kColumns) * kCellW + 5, y = (cell / kColumns) * kCellH + 5;
    if (x + 100 > spinLeft - 100 && x < spinLeft + 300 && y + 50 > spinTop - 100 &&
        y < spinTop + 200) {
      continue;  // the spinner's turning room
    }
    char object[256];
    std::snprintf(object, sizeof object,
                  "  object S%d: TFyeverButton\n    Left = %d\n    Top = %d\n    Width = 100\n"
                  "    Height = 50\n    ButtonWidth = 100\n    ButtonHeight = 50\n"
                  "    ButtonKind = bkRoundRect\n    Caption = 'S%d'\n  end\n",
                  i, x, y, i);
    others += object;
    ++i;
  }
  gui::TApplication app;
  if (q::Error e = app.Initialize()) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 1;
  }
  TCostForm form;
  const std::string layout = R"(
object F: TCostForm
  BorderStyle = bsNone
  ClientWidth = )" + std::to_string(width) +
                             R"(
  ClientHeight = )" + std::to_string(height) +
                             R"(
  Color = clWhite
)" + others + R"(  object B: TFyeverButton
    Left = )" + std::to_string(spinLeft) +
                             R"(
    Top = )" + std::to_string(spinTop) +
                             R"(
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
  int siblingPaints = 0, spinnerPaints = 0;
  for (int i = 0; i < siblings; ++i) {
    TFyeverButton* s = nullptr;
    char name[16];
    std::snprintf(name, sizeof name, "S%d", i);
    if (!form.BindComponent(name, s) && s) s->OnPaint = [&](gui::TObject*) { ++siblingPaints; };
  }
  b->OnPaint = [&](gui::TObject*) { ++spinnerPaints; };
  Serve(app, 500);
  // One step split in two, GUI thread alone: the angle setter (shape
  // rebuild, face render, window move) and the paint that follows, the
  // parent's and siblings' repaints included (the queue is served).
  auto split = [&](const char* what) {
    ULONGLONG setter = 0, paint = 0;
    constexpr int kSplitSteps = 270;  // three turns: the thread clock ticks coarsely
    siblingPaints = spinnerPaints = form.erases = 0;
    for (int i = 0; i < kSplitSteps; ++i) {
      const ULONGLONG t0 = CpuTime100ns(true);
      b->SetButtonAngle(b->ButtonAngle() + 40);
      const ULONGLONG t1 = CpuTime100ns(true);
      ::UpdateWindow(b->Handle());
      app.ProcessMessages();
      paint += CpuTime100ns(true) - t1;
      setter += t1 - t0;
    }
    const double ms = static_cast<double>(setter + paint) / 1e4 / kSplitSteps;
    std::printf("per step, GUI thread, %s: angle setter %.2f ms, paint %.2f ms (%d steps)\n", what,
                static_cast<double>(setter) / 1e4 / kSplitSteps,
                static_cast<double>(paint) / 1e4 / kSplitSteps, kSplitSteps);
    std::printf("  paints per step: spinner %.2f, siblings %.2f, form erases %.2f\n",
                static_cast<double>(spinnerPaints) / kSplitSteps,
                static_cast<double>(siblingPaints) / kSplitSteps,
                static_cast<double>(form.erases) / kSplitSteps);
    return ms;
  };
  const double beside = split(siblings > 0 ? "beside the siblings" : "alone");
  if (siblings > 0) {
    std::vector<TFyeverButton*> hidden;
    for (int i = 0; i < siblings; ++i) {
      TFyeverButton* s = nullptr;
      char name[16];
      std::snprintf(name, sizeof name, "S%d", i);
      if (!form.BindComponent(name, s) && s) {
        s->Hide();
        hidden.push_back(s);
      }
    }
    Serve(app, 300);
    const double alone = split("alone (siblings hidden)");
    std::printf("step beside %d siblings / alone: %.2f\n", siblings,
                alone > 0 ? beside / alone : 0.0);
    for (TFyeverButton* s : hidden) s->Show();
    Serve(app, 300);
  }
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
  const double percent =
      wall ? 100.0 * (static_cast<double>(cpu) / 1e4) / static_cast<double>(wall) : 0;
  std::printf(
      "spinning %s 200x100, RotatedTime %d ms, RotatedAngle %d: %.1f%% of one core "
      "(%.0f ms CPU in %llu ms, %lu steps, GUI thread %.2f ms per step); angle %d -> %d (from "
      "%d)\n",
      kind.c_str(), b->RotatedTime(), b->RotatedAngle(), percent, static_cast<double>(cpu) / 1e4,
      static_cast<unsigned long long>(wall), stepCount,
      stepCount ? static_cast<double>(gui) / 1e4 / static_cast<double>(stepCount) : 0.0, angle0,
      angle1, startAngle);
  return 0;
}
