// A form with a panel and shaped buttons made from a layout, for the button
// tests; a probe subclass counts the face renders.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "gui/forms.h"
#include "shapebutton/fyeverbutton.h"
#include "win/gui/gui_fixture.h"

namespace fybutton_test {

using namespace fyeverbutton;

// Counts renders (RenderFace draws the glyph once per render).
class TProbeButton : public TFyeverButton {
  Q_GUI_CLASS(TProbeButton, TFyeverButton)

 public:
  explicit TProbeButton(gui::TComponent* owner) : TFyeverButton(owner) {}
  int renders = 0;

 protected:
  void DrawGlyph(bool pressed) override {
    ++renders;
    TFyeverButton::DrawGlyph(pressed);
  }
};

class TButtonForm : public gui::TForm {
  Q_GUI_CLASS(TButtonForm, gui::TForm)

 public:
  gui::TComponent* CreateComponent(std::string_view cls) override {
    if (cls == TFyeverButton::kClassName) return new TFyeverButton(this);
    if (cls == TProbeButton::kClassName) return new TProbeButton(this);
    return TForm::CreateComponent(cls);
  }
  template <typename T>
  T* Find(std::string_view name) {
    T* out = nullptr;
    return BindComponent(name, out) ? nullptr : out;
  }
};

// A 400 x 300 form with a panel filling it.
inline std::string FormLayout(std::string_view buttons) {
  return std::string(R"(
object F: TButtonForm
  BorderStyle = bsNone
  ClientWidth = 400
  ClientHeight = 300
  object P: TPanel
    Align = alClient
    BevelOuter = bvNone
)") + std::string(buttons) +
         R"(
  end
end
)";
}

class ButtonTest : public gui_test::GuiTest {
 protected:
  ButtonTest() {
    TFyeverButton::UseRegionTracing();
    TFyeverButton::UseGlyphs();
    TFyeverButton::UseGradients();
    TFyeverButton::UseRotation();
  }
  void Load(std::string_view buttons) {
    q::Error err = form_.CreateFromLayout(FormLayout(buttons));
    ASSERT_FALSE(err) << err.Message();
    form_.Show();
    Pump();
  }
  gui::TPanel* Panel() { return form_.Find<gui::TPanel>("P"); }
  // A button made in code on the panel, and painted once.
  TProbeButton* NewButton(int left, int top, int width, int height) {
    auto* b = new TProbeButton(&form_);
    b->SetBounds(left, top, width, height);
    b->SetButtonWidth(width);
    b->SetButtonHeight(height);
    EXPECT_FALSE(b->SetParent(Panel()));
    Paint(b);
    return b;
  }
  void Paint(TFyeverButton* b) {
    b->Invalidate();
    ::UpdateWindow(b->Handle());
  }

  TButtonForm form_;
};

}  // namespace fybutton_test
