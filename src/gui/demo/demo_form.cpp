#include "gui/demo/demo_form.h"

#include "gui/application.h"
#include "product/dialog_layout.h"
#include "product/texts.h"

namespace gui_demo {

std::string DemoLayout() {
  return product::DialogLayout(TDemoForm::kClassName, {gui::TButton::kClassName, "ButtonSI",
                                                       "ButtonNO", "\nDefault = True", "", ""});
}

TDemoForm::TDemoForm() {
  OnCreate = [this](gui::TObject*) { FormCreate(); };
  OnCloseQuery = [this](gui::TObject*, bool& canClose) { canClose = !busy_; };
}

q::Error TDemoForm::BindComponents() {
  for (q::Error e : {BindControls(*this), BindComponent("ButtonSI", ButtonSI),
                     BindComponent("ButtonNO", ButtonNO)}) {
    if (e) return e;
  }
  ButtonSI->OnClick = [this](gui::TObject*) { ButtonSIClick(); };
  ButtonNO->OnClick = [this](gui::TObject*) { Close(); };
  return {};
}

void TDemoForm::FormCreate() { Label4->SetCaption(texts::kStartQuestion); }

// A stand-in for the installation: the bar advances on a timer while the
// buttons are hidden, then the run question follows.
void TDemoForm::ButtonSIClick() {
  if (busy_) return;
  if (phase_ == 2) {
    Close();
    return;
  }
  busy_ = true;
  Label4->SetCaption(texts::kWaitPlease);
  ButtonSI->Hide();
  ButtonNO->Hide();
  ProgressBar1->SetMax(40);
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetSmooth(true);
  ProgressBar1->SetStep(1);
  ProgressBar1->Show();
  if (gui::TApplication* app = gui::Application()) app->SetCursor(gui::crHourGlass);
  work_ = new gui::TTimer(this);
  work_->SetInterval(50);
  work_->OnTimer = [this](gui::TObject*) { Tick(); };
}

void TDemoForm::Tick() {
  if (ProgressBar1->Position() + 1 < ProgressBar1->Max()) {
    ProgressBar1->StepIt();
    return;
  }
  work_->SetEnabled(false);
  ProgressBar1->Hide();
  phase_ = 2;
  busy_ = false;
  Label4->SetCaption(texts::kRunQuestion);
  ButtonSI->Show();
  ButtonNO->Show();
  if (gui::TApplication* app = gui::Application()) app->SetCursor(gui::crDefault);
}

}  // namespace gui_demo
