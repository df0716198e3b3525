// button-gallery.exe: one window with the shaped button in every outline
// kind, every 3D kind with the pointer outside and over it, linear and
// circular gradients and a gradient bitmap, turned and embossed captions,
// the disabled, pressed and focused looks, a turned button with its
// caption fixed to it, the design-time marker, the installer's two answer
// buttons, and buttons in motion: one spinning with its caption fixed, one
// with a four-frame glyph strip, and one playing enter, exit and click
// animations. "--close-after MS" closes it by itself (for screenshots).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/messages.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"
#include "shapebutton/fyeverbutton.h"

namespace {

using namespace fyeverbutton;

constexpr std::string_view kLayout = R"(
object Gallery: TForm
  BorderStyle = bsSingle
  Caption = 'Shaped button gallery'
  ClientWidth = 1200
  ClientHeight = 975
  Color = clWhite
  Font.Height = -12
  Font.Name = 'Arial'
  Font.Style = [fsBold]
  Position = poScreenCenter
end
)";

gui::TFont Face(std::string name, int height, gui::TColor color, bool bold = true) {
  gui::TFont f;
  f.Name = std::move(name);
  f.Height = -height;
  f.Color = color;
  f.Style = bold ? gui::fsBold : 0;
  return f;
}

class Gallery {
 public:
  explicit Gallery(gui::TForm& form) : form_(form) {}

  void Build() {
    Kinds(8);
    ThreeDKinds(112);
    Gradients(262);
    Captions(372);
    States(520);
    Installer(660);
    Motion(800);
  }

 private:
  void Heading(int top, const std::string& text) {
    auto* l = new gui::TLabel(&form_);
    l->SetBounds(10, top, 1180, 16);
    l->SetCaption(text);
    l->SetFont(Face("Arial", 12, gui::clNavy));
    (void)l->SetParent(&form_);
  }

  TFyeverButton* Button(int left, int top, int width, int height, const std::string& caption,
                        gui::TColor color) {
    auto* b = new TFyeverButton(&form_);
    b->SetBounds(left, top, width, height);
    b->SetButtonWidth(width);
    b->SetButtonHeight(height);
    b->SetCaption(caption);
    b->SetButtonColor(color);
    b->SetFont(Face("Arial", 11, gui::clBlack));
    (void)b->SetParent(&form_);
    return b;
  }

  void Kinds(int top) {
    Heading(top, "ButtonKind: every outline (dk3D, depth 2)");
    const gui::TColor colors[] = {gui::clSilver, gui::RGBColor(255, 200, 120),
                                  gui::RGBColor(150, 200, 255), gui::RGBColor(190, 240, 170)};
    for (size_t k = 0; k < kButtonKindNames.size(); ++k) {
      const auto kind = static_cast<TFyButtonKind>(k);
      TFyeverButton* b = Button(10 + static_cast<int>(k) * 79, top + 22, 74, 70,
                                std::string(kButtonKindNames[k].substr(2)), colors[k % 4]);
      b->SetFont(Face("Arial", 10, gui::clBlack));
      if (kind == bkUser) b->SetStringButtonRegion("");  // the plain rectangle region
      b->SetButtonKind(kind);
    }
  }

  void ThreeDKinds(int top) {
    Heading(top, "Button3DKind: pointer outside (upper row) and over the button (lower row)");
    for (size_t k = 0; k < k3DKindNames.size(); ++k) {
      for (int over = 0; over < 2; ++over) {
        TFyeverButton* b = Button(10 + static_cast<int>(k) * 169, top + 22 + over * 62, 160, 54,
                                  std::string(k3DKindNames[k]), gui::RGBColor(120, 160, 220));
        b->SetButtonKind(bkRoundRect);
        b->SetButton3DKind(static_cast<TFy3DKind>(k));
        b->SetButtonDepth(3);
        if (over) b->Perform(gui::CM_MOUSEENTER);
      }
    }
  }

  void Gradients(int top) {
    Heading(top, "Gradients: linear 0, 450, 900, 1350, circular, a gradient bitmap, disabled");
    struct G {
      TFyGradientKind kind;
      int angle;
      const char* caption;
    };
    const G g[] = {{gkLinear, 0, "linear 0"},
                   {gkLinear, 450, "linear 450"},
                   {gkLinear, 900, "linear 900"},
                   {gkLinear, 1350, "linear 1350"},
                   {gkCircular, 0, "circular"}};
    int left = 10;
    for (const G& x : g) {
      TFyeverButton* b = Button(left, top + 22, 160, 80, x.caption, gui::RGBColor(255, 240, 120));
      b->SetButtonColor1(gui::RGBColor(200, 40, 40));
      b->SetGradientKind(x.kind);
      b->SetGradientAngle(x.angle);
      b->SetButtonKind(x.kind == gkCircular ? bkElliptic : bkRoundRect);
      b->SetFont(Face("Arial", 12, gui::clNavy));
      left += 169;
    }
    // A rainbow row as the gradient bitmap.
    uint8_t* row = rainbow_.SetSize(60, 1) ? nullptr : rainbow_.ScanLine(0);
    if (row) {
      for (int x = 0; x < 60; ++x) {
        const int h = x * 6 * 256 / 60, f = h % 256;
        int r = 0, gr = 0, bl = 0;
        switch (h / 256) {
          case 0: r = 255, gr = f; break;
          case 1: r = 255 - f, gr = 255; break;
          case 2: gr = 255, bl = f; break;
          case 3: gr = 255 - f, bl = 255; break;
          case 4: r = f, bl = 255; break;
          default: r = 255, bl = 255 - f; break;
        }
        row[3 * x] = static_cast<uint8_t>(bl);
        row[3 * x + 1] = static_cast<uint8_t>(gr);
        row[3 * x + 2] = static_cast<uint8_t>(r);
      }
    }
    TFyeverButton* b = Button(left, top + 22, 160, 80, "bitmap 0", gui::clGray);
    b->SetGradientKind(gkLinear);
    b->SetGradientAngle(900);
    b->SetGradientBitmap(&rainbow_);
    b->SetButton3DKind(dk3dBorder);
    left += 169;
    TFyeverButton* d = Button(left, top + 22, 160, 80, "disabled", gui::RGBColor(60, 120, 60));
    d->SetButtonColor1(gui::RGBColor(20, 40, 120));
    d->SetGradientKind(gkLinear);
    d->SetEnabled(false);
  }

  void Captions(int top) {
    Heading(top, "Captions at 0, 450, 900, 1800, 2700 tenths: ckSimple, ckEmbossed, ckPressed");
    const int angles[] = {0, 450, 900, 1800, 2700};
    int left = 10;
    for (int kind = 0; kind < 3; ++kind) {
      for (int angle : angles) {
        TFyeverButton* b = Button(left, top + 22, 74, 110, "Abc " + std::to_string(angle),
                                  gui::RGBColor(200, 200, 215));
        b->SetCaptionAngle(angle);
        b->SetCaption3dKind(static_cast<TFyCaption3dKind>(kind));
        b->SetFont(Face("Tahoma", 13, gui::clMaroon));
        left += 79;
      }
    }
  }

  void States(int top) {
    Heading(top,
            "States: normal, disabled, pressed, focused, the design-time marker, turned 300 with "
            "CaptionFixed");
    const gui::TColor color = gui::RGBColor(240, 170, 60);
    TFyeverButton* normal = Button(10, top + 22, 150, 60, "&Normal", color);
    normal->SetButtonKind(bkRoundRect);
    TFyeverButton* disabled = Button(170, top + 22, 150, 60, "&Disabled", color);
    disabled->SetButtonKind(bkRoundRect);
    disabled->SetEnabled(false);
    pressed_ = Button(330, top + 22, 150, 60, "&Pressed", color);
    pressed_->SetButtonKind(bkRoundRect);
    focused_ = Button(490, top + 22, 150, 60, "&Focused", color);
    focused_->SetButtonKind(bkRoundRect);
    TFyeverButton* marked = Button(650, top + 22, 150, 60, "marker", gui::RGBColor(40, 80, 140));
    marked->SetFont(Face("Arial", 11, gui::clWhite));
    marked->SetDesigning(true);
    marked->SetRotationPointX(30);
    marked->SetRotationPointY(20);
    TFyeverButton* turned = Button(860, top + 10, 140, 50, "Fixed &caption", gui::clTeal);
    turned->SetFont(Face("Arial", 12, gui::clWhite));
    turned->SetButtonKind(bkRoundRect);
    turned->SetRotationCenterFixed(true);
    turned->SetCaptionFixed(true);
    turned->SetButtonAngle(300);
  }

  void Installer(int top) {
    Heading(top, "The installer's answer buttons (bkRoundRect, ckSimple, Tahoma bold 13)");
    TFyeverButton* yes = Button(16, top + 22, 193, 105, "&Yes I agree the \"AS IS\"", gui::clGreen);
    yes->SetButtonKind(bkRoundRect);
    yes->SetFont(Face("Tahoma", 13, gui::clWhite));
    TFyeverButton* no = Button(408, top + 22, 201, 105, "&NO", gui::clRed);
    no->SetButtonKind(bkRoundRect);
    no->SetFont(Face("Tahoma", 13, gui::clNavy));
  }

  // A strip of `frames` square frames on a fuchsia key: frame k is a square
  // in colours[k % count], smaller towards the first frame.
  static void Strip(gui::TBitmap& strip, int frames, int size, const gui::TColor* colours,
                    int count) {
    if (strip.SetSize(frames * size, size)) return;
    gui::TCanvas& c = strip.Canvas();
    c.SetBrushColor(gui::clFuchsia);
    c.FillRect({0, 0, frames * size, size});
    for (int k = 0; k < frames; ++k) {
      const int inset = (size / 3) * (frames - 1 - k) / (frames > 1 ? frames - 1 : 1) + 2;
      c.SetBrushColor(colours[k % count]);
      c.FillRect({k * size + inset, inset, (k + 1) * size - inset, size - inset});
    }
  }

  void Motion(int top) {
    Heading(top,
            "In motion: a four-frame glyph (normal, disabled, hover, pressed), enter/exit/click "
            "animations (point at it, click it), spinning with its caption fixed");
    // 160 x 80 turns about its centre within 90 pixels of it: at the right,
    // below the heading's text, the window holds every angle.
    TFyeverButton* spin = Button(960, top + 40, 160, 80, "Spin", gui::clNavy);
    spin->SetRotationCenterFixed(true);
    spin->SetButtonKind(bkArrow);
    spin->SetButtonColor1(gui::clAqua);
    spin->SetGradientKind(gkLinear);
    spin->SetFont(Face("Arial", 18, gui::clWhite));
    spin->SetCaptionFixed(true);
    spinner_ = spin;

    const gui::TColor states[] = {gui::clGreen, gui::clGray, gui::clLime, gui::clRed};
    Strip(glyphStrip_, 4, 40, states, 4);
    TFyeverButton* glyph = Button(60, top + 40, 200, 84, "Glyph", gui::clSilver);
    glyph->SetMainBitmap(&glyphStrip_);
    glyph->SetMainBitmapGlyphs(4);
    glyph->SetBitmapHAlign(haLeft);
    glyph->SetBitmapVAlign(vaCenter);
    glyph->SetTransparent(true);

    const gui::TColor warm[] = {gui::clYellow, gui::clRed};
    const gui::TColor cold[] = {gui::clAqua, gui::clBlue};
    Strip(enterStrip_, 6, 56, warm, 2);
    Strip(exitStrip_, 6, 56, cold, 2);
    Strip(clickStrip_, 3, 56, warm, 2);
    TFyeverButton* animated = Button(420, top + 40, 200, 84, "Animated", gui::clTeal);
    animated->SetButtonKind(bkElliptic);
    animated->SetOnEnterBitmap(&enterStrip_);
    animated->SetOnEnterGlyphs(6);
    animated->SetOnExitBitmap(&exitStrip_);
    animated->SetOnExitGlyphs(6);
    animated->SetOnClickBitmap(&clickStrip_);
    animated->SetOnClickGlyphs(3);
    animated->SetBitmapHAlign(haCenter);
    animated->SetBitmapVAlign(vaCenter);
    animated->SetTransparent(true);
  }

 public:
  // What needs the shown window: the pressed state and the focus. Then the
  // client area's place on the screen goes to standard output, for a
  // screenshot to be cut to it, and the spinner starts.
  void AfterShow() {
    ::SendMessageA(pressed_->Handle(), BM_SETSTATE, TRUE, 0);
    form_.SetActiveControl(focused_);
    focused_->SetFocus();
    POINT origin{0, 0};
    ::ClientToScreen(form_.Handle(), &origin);
    char line[96];
    const int n = std::snprintf(line, sizeof line, "client %ld %ld %d %d\n", origin.x, origin.y,
                                form_.ClientWidth(), form_.ClientHeight());
    DWORD written = 0;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && n > 0) {
      ::WriteFile(out, line, static_cast<DWORD>(n), &written, nullptr);
    }
    spinner_->SetRotated(true);  // at the default step
  }

 private:
  gui::TForm& form_;
  gui::TBitmap rainbow_;
  gui::TBitmap glyphStrip_, enterStrip_, exitStrip_, clickStrip_;
  TFyeverButton* pressed_ = nullptr;
  TFyeverButton* focused_ = nullptr;
  TFyeverButton* spinner_ = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  gui::TApplication app;
  if (q::Error e = app.Initialize()) return gui::ReportStartFailure("button-gallery", e);
  TFyeverButton::UseEveryPart();
  gui::TForm form;
  if (q::Error e = form.CreateFromLayout(kLayout))
    return gui::ReportStartFailure("button-gallery", e);
  Gallery gallery(form);
  gallery.Build();
  auto* start = new gui::TTimer(&form);
  start->SetInterval(200);
  start->OnTimer = [&gallery, start](gui::TObject*) {
    start->SetEnabled(false);
    gallery.AfterShow();
  };
  gui::CloseAfterFromCommandLine(form, cmdLine);
  return app.Run(form);
}
