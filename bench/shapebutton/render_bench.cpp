// Microseconds per RenderFace of a 200 x 100 bkRoundRect button with the
// installer's caption (Tahoma bold 13, accelerator underlined): solid and
// with a linear gradient, against a few heavier looks. A render paints the
// background, the caption and the 3D bands and frames into the face bitmap.
// Run under wine64:
//   build/win64/wine/run build/win64/bin/shapebutton_render_bench.exe
#include <cstdio>
#include <functional>

#include "geometry/bench_shapes.h"
#include "shapebutton/fyeverbutton.h"

using namespace fyeverbutton;

int main() {
  std::printf("RenderFace, 200 x 100 bkRoundRect, dk3D, depth 2 (measured under Wine)\n");
  TFyeverButton::UseGradients();
  TFyeverButton button(nullptr);
  button.SetBounds(0, 0, 200, 100);
  button.SetButtonWidth(200);
  button.SetButtonHeight(100);
  button.SetButtonKind(bkRoundRect);
  button.SetButtonColor(gui::clGreen);
  button.SetButtonColor1(gui::clNavy);
  gui::TFont font;
  font.Name = "Tahoma";
  font.Height = -13;
  font.Style = gui::fsBold;
  font.Color = gui::clWhite;
  button.SetFont(font);

  struct Case {
    const char* name;
    std::function<void()> set;
  };
  const Case cases[] = {
      {"solid, no caption", [&] { button.SetCaption(""); }},
      {"solid, caption", [&] { button.SetCaption("&Yes I agree the \"AS IS\""); }},
      {"linear gradient 450, caption", [&] { button.SetGradientKind(gkLinear); }},
      {"linear gradient 0, caption", [&] { button.SetGradientAngle(0); }},
      {"circular gradient, caption", [&] { button.SetGradientKind(gkCircular); }},
      {"linear, dk3dBorder bands",
       [&] {
         button.SetGradientKind(gkLinear);
         button.SetGradientAngle(450);
         button.SetButton3DKind(dk3dBorder);
       }},
      {"solid, embossed caption",
       [&] {
         button.SetGradientKind(gkNone);
         button.SetButton3DKind(dk3D);
         button.SetCaption3dKind(ckEmbossed);
       }},
      {"solid, caption at 450",
       [&] {
         button.SetCaption3dKind(ckSimple);
         button.SetCaptionAngle(450);
       }},
  };
  for (const Case& c : cases) {
    c.set();
    std::printf("%-34s %9.1f us\n", c.name, geobench::MicrosPerCall([&] { button.RenderFace(); }));
  }
  return 0;
}
