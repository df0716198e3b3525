// The installer dialog's controls besides its two answer buttons, as its
// layout names them: the installer's form and the demo's both hold them and
// bind them once the layout is read.
#pragma once

#include "gui/stdctrls.h"

namespace gui_demo {

struct TDialogControls {
  gui::TPanel* Panel1 = nullptr;
  gui::TPanel* Panel2 = nullptr;
  gui::TPanel* Panel8 = nullptr;
  gui::TPanel* Panel9 = nullptr;
  gui::TLabel* Label1 = nullptr;
  gui::TLabel* Label3 = nullptr;
  gui::TLabel* Label4 = nullptr;
  gui::TLabel* LabelLink = nullptr;
  gui::TProgressBar* ProgressBar1 = nullptr;

  // Points the fields at the components of `form` with their names.
  q::Error BindControls(const gui::TComponent& form) {
    for (q::Error e :
         {form.BindComponent("Panel1", Panel1), form.BindComponent("Panel2", Panel2),
          form.BindComponent("Panel8", Panel8), form.BindComponent("Panel9", Panel9),
          form.BindComponent("Label1", Label1), form.BindComponent("Label3", Label3),
          form.BindComponent("Label4", Label4), form.BindComponent("LabelLink", LabelLink),
          form.BindComponent("ProgressBar1", ProgressBar1)}) {
      if (e) return e;
    }
    return {};
  }
};

}  // namespace gui_demo
