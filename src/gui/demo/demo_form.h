// The installer dialog's layout built with the framework's own controls:
// plain push buttons stand in for the shaped answer buttons. Used by
// gui-demo.exe and by the layout tests.
#pragma once

#include <string>

#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"

namespace gui_demo {

// The installer dialog's layout (outer object Form3 of class TDemoForm) with
// push buttons as the answer buttons.
std::string DemoLayout();

class TDemoForm : public gui::TForm {
  Q_GUI_CLASS(TDemoForm, gui::TForm)

 public:
  TDemoForm();

  gui::TPanel* Panel1 = nullptr;
  gui::TPanel* Panel2 = nullptr;
  gui::TPanel* Panel8 = nullptr;
  gui::TPanel* Panel9 = nullptr;
  gui::TLabel* Label1 = nullptr;
  gui::TLabel* Label3 = nullptr;
  gui::TLabel* Label4 = nullptr;
  gui::TLabel* LabelLink = nullptr;
  gui::TProgressBar* ProgressBar1 = nullptr;
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
