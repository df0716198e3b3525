#include "gui/demo/demo_form.h"

#include "gui/application.h"

namespace gui_demo {

// Sizes are pixels; font heights are negative character heights. Aligned
// controls give only what the alignment leaves open (their heights); the
// auto-sizing panels give nothing.
const std::string_view kDemoLayout = R"(
object Form3: TDemoForm
  BorderStyle = bsNone
  Caption = 'Form3'
  ClientWidth = 630
  ClientHeight = 297
  Color = clWhite
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  ActiveControl = ButtonSI
  object Panel1: TPanel
    Align = alClient
    BevelInner = bvLowered
    BevelWidth = 2
    BorderStyle = bsSingle
    Color = clWhite
    object Panel2: TPanel
      Align = alTop
      AutoSize = True
      BevelOuter = bvNone
      BorderWidth = 3
      ParentColor = True
      object Label3: TLabel
        Align = alTop
        Alignment = taCenter
        Height = 32
        Caption = 'Quorvantis'
        Font.Color = clBlue
        Font.Height = -27
        Font.Name = 'Arial'
        Font.Style = [fsBold]
      end
      object Label1: TLabel
        Align = alTop
        Alignment = taCenter
        Height = 75
        Caption =
          'This software here is distributed on an "AS IS" basis.'#13#10 +
          'Use it at your own risk, WITHOUT WARRANTY OF ANY KIND, either express or implied.'#13#10 +
          'If you live or are intended to use this software '#13#10 +
          'in countries where this is not applicable ("AS IS" basis), '#13#10 +
          'DO NOT USE IT.'
        Font.Color = clBlue
        Font.Height = -12
        Font.Name = 'Arial'
        Font.Style = [fsBold]
      end
      object Panel8: TPanel
        Align = alClient
        AutoSize = True
        BevelOuter = bvNone
        BorderWidth = 3
        Height = 30
        ParentColor = True
        object Panel9: TPanel
          Align = alClient
          AutoSize = True
          BevelOuter = bvNone
          BorderWidth = 3
          ParentColor = True
          object LabelLink: TLabel
            Align = alBottom
            Height = 13
            Cursor = crHandPoint
            Caption = 'Build by'
            Font.Color = clBlue
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsUnderline]
          end
        end
      end
    end
    object Label4: TLabel
      Align = alBottom
      Alignment = taCenter
      Height = 15
      Caption = 'Pressing YES means that You agree with "AS IS" basis.'
      Font.Color = clBlue
      Font.Height = -12
      Font.Name = 'Arial'
      Font.Style = [fsBold]
    end
    object ProgressBar1: TProgressBar
      Left = 8
      Top = 152
      Width = 609
      Height = 121
      TabOrder = 2
      Visible = False
    end
    object ButtonNO: TButton
      Left = 408
      Top = 160
      Width = 201
      Height = 105
      Caption = '&NO'
      TabOrder = 0
      Font.Color = clNavy
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
    end
    object ButtonSI: TButton
      Left = 16
      Top = 160
      Width = 193
      Height = 105
      Caption = '&Yes I agree the "AS IS"'
      Default = True
      TabOrder = 1
      Font.Color = clWhite
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
    end
  end
end
)";

TDemoForm::TDemoForm() {
  OnCreate = [this](gui::TObject*) { FormCreate(); };
  OnCloseQuery = [this](gui::TObject*, bool& canClose) { canClose = !busy_; };
}

q::Error TDemoForm::BindComponents() {
  for (q::Error e : {BindComponent("Panel1", Panel1), BindComponent("Panel2", Panel2),
                     BindComponent("Panel8", Panel8), BindComponent("Panel9", Panel9),
                     BindComponent("Label1", Label1), BindComponent("Label3", Label3),
                     BindComponent("Label4", Label4), BindComponent("LabelLink", LabelLink),
                     BindComponent("ProgressBar1", ProgressBar1), BindComponent("ButtonSI", ButtonSI),
                     BindComponent("ButtonNO", ButtonNO)}) {
    if (e) return e;
  }
  ButtonSI->OnClick = [this](gui::TObject*) { ButtonSIClick(); };
  ButtonNO->OnClick = [this](gui::TObject*) { Close(); };
  return {};
}

void TDemoForm::FormCreate() {
  LabelLink->SetCaption(std::string("Build by ") + Q_MAKER_NAME);
  Label4->SetCaption("Start setup of Quorvantis ?");
}

// A stand-in for the installation: the bar advances on a timer while the
// buttons are hidden, then the run question follows.
void TDemoForm::ButtonSIClick() {
  if (busy_) return;
  if (phase_ == 2) {
    Close();
    return;
  }
  busy_ = true;
  Label4->SetCaption("Wait Please...");
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
  Label4->SetCaption("Run Quorvantis?");
  ButtonSI->Show();
  ButtonNO->Show();
  if (gui::TApplication* app = gui::Application()) app->SetCursor(gui::crDefault);
}

}  // namespace gui_demo
