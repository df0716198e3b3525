// The installer dialog's layout built with the framework's own controls:
// plain push buttons stand in for the shaped answer buttons. Used by
// gui-demo.exe and by the layout tests.
#pragma once

#include <string>

#include "gui/demo/dialog_controls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"

namespace gui_demo {

// The installer dialog's layout (outer object Form3 of class TDemoForm) with
// push buttons as the answer buttons.
std::string DemoLayout();

class TDemoForm : public gui::TForm, public TDialogControls {
  Q_GUI_CLASS(TDemoForm, gui::TForm)

 public:
  TDemoForm();

  gui::TButton* ButtonSI = nullptr;
  gui::TButton* ButtonNO = nullptr;

 protected:
  q::Error BindComponents() override;

 private:
  void FormCreate();
  void ButtonSIClick();
  void Tick();

  int phase_ = 1;
  bool busy_ = false;
  gui::TTimer* work_ = nullptr;
};

}  // namespace gui_demo
