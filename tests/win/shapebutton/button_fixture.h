// A form with a panel for shaped buttons made in code, and a probe button
// that counts renders, ticks and steps and reads pixels.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gui/forms.h"
#include "shapebutton/fycolors.h"
#include "shapebutton/fyeverbutton.h"
#include "win/gui/gui_fixture.h"

namespace fybutton_test {

using namespace fyeverbutton;

constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}
constexpr uint32_t L(uint32_t c) { return LightenRGB(c); }
constexpr uint32_t D(uint32_t c) { return DarkenRGB(c); }
inline gui::TColor Color(uint32_t rgb) { return static_cast<gui::TColor>(rgb); }

// Rotation steps any probe received, also after it is gone.
inline std::atomic<int> g_steps{0};

class TProbeButton : public TFyeverButton {
  Q_GUI_CLASS(TProbeButton, TFyeverButton)

 public:
  explicit TProbeButton(gui::TComponent* owner) : TFyeverButton(owner) {}
  int renders = 0;  // RenderFace draws the glyph once per render
  // Each animation tick: the screen at (6, 6), and whether the tick
  // invalidated the button.
  struct Tick {
    uint32_t shown;
    bool invalidated;
  };
  std::vector<Tick> ticks;
  int steps = 0;  // rotation steps

  void SetActive(bool on) { SetButtonStyle(on); }  // as the form's focus handling does
  // The face pixel as RGB, red in the low byte; top byte set off the face.
  uint32_t At(int x, int y) const {
    const gui::TBitmap* face = Face();
    const uint8_t* row = face && x >= 0 && x < face->Width() ? face->ScanLine(y) : nullptr;
    return row ? Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]) : 0xFF000000u;
  }
  uint32_t Screen(int x, int y) {
    q::WindowDcHandle dc(::GetDC(Handle()));
    return static_cast<uint32_t>(::GetPixel(dc.Get(), x, y));
  }

 protected:
  void DrawGlyph(bool pressed) override {
    ++renders;
    TFyeverButton::DrawGlyph(pressed);
  }
  void AnimationTick() override {
    TFyeverButton::AnimationTick();
    ticks.push_back({Screen(6, 6), ::GetUpdateRect(Handle(), nullptr, FALSE) != 0});
  }
  void WndProc(gui::TMessage& m) override {
    TFyeverButton::WndProc(m);
    if (m.Msg != FY_ROTATIONSTEP) return;
    ++steps;
    ++g_steps;
  }
};

// A strip of frames of fw x bh, frame k in colours[k].
inline std::unique_ptr<gui::TBitmap> Strip(int fw, int bh, const std::vector<uint32_t>& colours) {
  auto strip = std::make_unique<gui::TBitmap>();
  EXPECT_FALSE(strip->SetSize(fw * static_cast<int>(colours.size()), bh));
  for (size_t k = 0; k < colours.size(); ++k) {
    strip->Canvas().SetBrushColor(Color(colours[k]));
    strip->Canvas().FillRect({fw * static_cast<int>(k), 0, fw * static_cast<int>(k + 1), bh});
  }
  return strip;
}

class ButtonTest : public gui_test::GuiTest {
 protected:
  ButtonTest() { TFyeverButton::UseEveryPart(); }
  // A 400 x 300 form with a panel filling it.
  void Load() {
    q::Error err = form_.CreateFromLayout(
        "object F: TForm\n BorderStyle = bsNone\n ClientWidth = 400\n ClientHeight = 300\n"
        " object P: TPanel\n  Align = alClient\n  BevelOuter = bvNone\n end\nend\n");
    ASSERT_FALSE(err) << err.Message();
    form_.Show();
    Pump();
  }
  gui::TPanel* Panel() { return static_cast<gui::TPanel*>(form_.FindComponent("P")); }
  // A button made in code on `parent` (the panel if none), and painted once.
  TProbeButton* NewButton(int left, int top, int width, int height, uint32_t color = gui::clNone,
                          TFy3DKind kind = dk3D, gui::TWinControl* parent = nullptr) {
    auto* b = new TProbeButton(&form_);
    b->SetBounds(left, top, width, height);
    b->SetButtonWidth(width);
    b->SetButtonHeight(height);
    if (color != gui::clNone) b->SetButtonColor(Color(color));
    b->SetButton3DKind(kind);
    EXPECT_FALSE(b->SetParent(parent ? parent : Panel()));
    Paint(b);
    return b;
  }
  void Paint(TFyeverButton* b) {
    b->Invalidate();
    ::UpdateWindow(b->Handle());
  }
  // Held down as by the mouse: the native button's pushed state.
  void Press(TFyeverButton* b, bool down) {
    ::SendMessageA(b->Handle(), BM_SETSTATE, down ? TRUE : FALSE, 0);
    Paint(b);
  }
  void Hover(TFyeverButton* b, bool over) {
    b->Perform(over ? gui::CM_MOUSEENTER : gui::CM_MOUSELEAVE);
    Paint(b);
  }
  // Serves messages one at a time until `done()` holds or `ms` pass: a
  // spinning button's steps keep the queue from ever running empty.
  template <typename F>
  bool Serve(F done, DWORD ms = 3000) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    MSG msg;
    while (!done()) {
      if (::GetTickCount64() > end) return false;
      if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        app_.DispatchOne(msg);
      } else {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      }
    }
    return true;
  }
  void ServeFor(DWORD ms) {
    Serve([] { return false; }, ms);
  }

  gui::TForm form_;
};

}  // namespace fybutton_test
