// spin-demo.exe: the shaped button in motion, for screenshots taken under
// Xvfb. A 200 x 100 arrow spins about its centre with its caption turning
// along; beside it a glyph button with a four-frame strip (normal, disabled,
// hover, pressed) and a button that plays enter, exit and click animations.
//
//   spin-demo.exe [--close-after MS] [--rotated-time MS]
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/timer.h"
#include "shapebutton/fyeverbutton.h"

namespace {

using namespace fyeverbutton;

class TSpinForm : public gui::TForm {
  Q_GUI_CLASS(TSpinForm, gui::TForm)

 public:
  gui::TComponent* CreateComponent(std::string_view cls) override {
    if (cls == TFyeverButton::kClassName) return new TFyeverButton(this);
    return TForm::CreateComponent(cls);
  }
  template <typename T>
  T* Find(std::string_view name) {
    T* out = nullptr;
    return BindComponent(name, out) ? nullptr : out;
  }
};

constexpr std::string_view kLayout = R"(
object SpinDemo: TSpinForm
  BorderStyle = bsNone
  Caption = 'SpinDemo'
  ClientWidth = 560
  ClientHeight = 300
  Color = clWhite
  Position = poScreenCenter
  object Spinner: TFyeverButton
    Left = 40
    Top = 100
    Width = 200
    Height = 100
    ButtonWidth = 200
    ButtonHeight = 100
    ButtonKind = bkArrow
    Caption = 'Spin'
    Font.Height = -24
    Font.Name = 'Arial'
    Font.Style = [fsBold]
    ButtonColor = clNavy
    ButtonColor1 = clAqua
    GradientKind = gkLinear
    CaptionFixed = True
    GradientFixed = True
    RotationCenterFixed = True
    Rotated = True
  end
  object Glyph: TFyeverButton
    Left = 320
    Top = 40
    Width = 180
    Height = 80
    ButtonWidth = 180
    ButtonHeight = 80
    ButtonKind = bkRoundRect
    Caption = 'Glyph'
    ButtonColor = clSilver
    BitmapHAlign = haLeft
    BitmapVAlign = vaCenter
    MainBitmapGlyphs = 4
    Transparent = True
  end
  object Animated: TFyeverButton
    Left = 320
    Top = 170
    Width = 180
    Height = 80
    ButtonWidth = 180
    ButtonHeight = 80
    ButtonKind = bkElliptic
    Caption = 'Animated'
    ButtonColor = clTeal
    BitmapHAlign = haCenter
    BitmapVAlign = vaCenter
    OnEnterGlyphs = 6
    OnExitGlyphs = 6
    OnClickGlyphs = 3
    OnEnterInterval = 60
    OnExitInterval = 60
    OnClickInterval = 80
    Transparent = True
  end
end
)";

// Fills `strip` with `frames` frames of `size` x `size` on a magenta key:
// frame k shows a disc in colours[k % count] whose radius grows with k.
void MakeStrip(gui::TBitmap& strip, int frames, int size, const gui::TColor* colours, int count) {
  if (strip.SetSize(frames * size, size)) return;
  gui::TCanvas& c = strip.Canvas();
  c.SetBrushColor(gui::clFuchsia);
  c.FillRect({0, 0, frames * size, size});
  c.SetPenColor(gui::clBlack);
  for (int k = 0; k < frames; ++k) {
    const int r = size / 4 + (size / 4 - 1) * k / (frames > 1 ? frames - 1 : 1);
    const int cx = k * size + size / 2, cy = size / 2;
    c.SetBrushColor(colours[k % count]);
    c.Ellipse(cx - r, cy - r, cx + r, cy + r);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  gui::TApplication app;
  if (q::Error e = app.Initialize()) return gui::ReportStartFailure("spin-demo", e);
  TFyeverButton::UseGlyphs();
  TFyeverButton::UseGradients();
  TFyeverButton::UseEveryKind();
  TFyeverButton::UseRotation();
  TSpinForm form;
  if (q::Error e = form.CreateFromLayout(kLayout)) return gui::ReportStartFailure("spin-demo", e);
  // Strips are made in code: a layout carries no pictures.
  if (auto* glyph = form.Find<TFyeverButton>("Glyph")) {
    const gui::TColor states[] = {gui::clGreen, gui::clGray, gui::clLime, gui::clRed};
    gui::TBitmap strip;
    MakeStrip(strip, 4, 48, states, 4);
    glyph->SetMainBitmap(&strip);
  }
  if (auto* animated = form.Find<TFyeverButton>("Animated")) {
    const gui::TColor warm[] = {gui::clYellow, gui::clRed};
    const gui::TColor cold[] = {gui::clAqua, gui::clBlue};
    gui::TBitmap enter, exit, click;
    MakeStrip(enter, 6, 60, warm, 2);
    MakeStrip(exit, 6, 60, cold, 2);
    MakeStrip(click, 3, 60, warm, 2);
    animated->SetOnEnterBitmap(&enter);
    animated->SetOnExitBitmap(&exit);
    animated->SetOnClickBitmap(&click);
  }
  if (const char* arg = std::strstr(cmdLine, "--rotated-time ")) {
    if (auto* spinner = form.Find<TFyeverButton>("Spinner")) {
      spinner->SetRotatedTime(static_cast<int>(std::strtol(arg + 15, nullptr, 10)));
    }
  }
  gui::CloseAfterFromCommandLine(form, cmdLine);
  return app.Run(form);
}
