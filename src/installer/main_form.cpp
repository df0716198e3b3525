// The dialog: its layout, its creation and close rules, and the two-phase
// question flow. The work behind the answers is in install.cpp.
#include "installer/main_form.h"

#include <windows.h>
#include <shellapi.h>

#include "common/wide.h"
#include "gui/application.h"
#include "gui/layout_reader.h"
#include "installer/exit_codes.h"
#include "installer/log_file.h"
#include "product/dialog_layout.h"
#include "product/texts.h"

namespace {

// The answer buttons' rounded-rectangle outline and everything that keeps
// it still and unturned; the colours and sizes are each button's own.
constexpr std::string_view kAnswerButtonLook = R"(
ButtonKind = bkRoundRect
RadiusRatio = 0.5
ArcAngle = 2.094395102393196
ButtonAngle = 0
CaptionAngle = 0
Caption3dKind = ckSimple
Transparent = False
UserRGNAUTO = True
Rotated = False
RotationPointX = 0
RotationPointY = 0
CaptionFixed = False
GradientFixed = False
GradientBitmapLine = 0)";

INT_PTR ShellOpen(const char* file, const char* directory) {
  return reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", q::Widen(file).c_str(), L"",
                                                   q::Widen(directory).c_str(), SW_SHOWNORMAL));
}

}  // namespace

constexpr product::AnswerButtons kAnswerButtons{
    fyeverbutton::TFyeverButton::kClassName,
    "FyeverButtonSI",
    "FyeverButtonNO",
    "\nButtonColor = clGreen\nButtonWidth = 193\nButtonHeight = 105\nDefault = True",
    "\nButtonColor = clRed\nButtonWidth = 201\nButtonHeight = 105\nDefault = False",
    kAnswerButtonLook};

gui::TCompiledLayout Form3Layout() {
  return gui::CompiledLayout<product::ConstantDialogLayout<TForm3::kClassName, kAnswerButtons>>();
}

TForm3::TForm3() : FResModule(::GetModuleHandleA(nullptr)), FShellOpen(ShellOpen) {
  OnCreate = [this](gui::TObject* sender) { FormCreate(sender); };
  OnCloseQuery = [this](gui::TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
}

TForm3::~TForm3() = default;

gui::TComponent* TForm3::CreateComponent(std::string_view className) {
  if (className == fyeverbutton::TFyeverButton::kClassName) {
    return new fyeverbutton::TFyeverButton(this);
  }
  return TForm::CreateComponent(className);
}

q::Error TForm3::BindComponents() {
  if (q::Error e = BindControls(*this)) return e;
  if (q::Error e = BindComponent("FyeverButtonSI", FyeverButtonSI)) return e;
  if (q::Error e = BindComponent("FyeverButtonNO", FyeverButtonNO)) return e;
  FyeverButtonSI->OnClick = [this](gui::TObject* sender) { FyeverButtonSIClick(sender); };
  FyeverButtonNO->OnClick = [this](gui::TObject* sender) { FyeverButtonNOClick(sender); };
  LabelLink->OnClick = [this](gui::TObject* sender) { LabelLinkClick(sender); };
  return {};
}

void TForm3::FormCreate(gui::TObject*) {
  Label4->SetCaption(texts::kStartQuestion);
  FBusy = false;
  FPhase = 1;
}

void TForm3::FormCloseQuery(gui::TObject*, bool& canClose) { canClose = !FBusy && !FAnswering; }

void TForm3::ProcessMessages() {
  if (gui::TApplication* app = gui::Application()) app->ProcessMessages();
}

void TForm3::SetAppCursor(gui::TCursor cursor) {
  if (gui::TApplication* app = gui::Application()) app->SetCursor(cursor);
}

void TForm3::FyeverButtonSIClick(gui::TObject*) {
  // While work runs, or while another Yes is being answered, a Yes changes
  // nothing at all, not even the cursor.
  if (FBusy || FAnswering) return;
  FAnswering = true;
  SetAppCursor(gui::crHourGlass);
  if (FPhase == 1) {
    Label4->SetCaption(texts::kWaitPlease);
    FyeverButtonSI->Hide();
    FyeverButtonNO->Hide();
    ProcessMessages();  // the dialog repaints before the work starts
    LogStep("answer", "ok", texts::kStartQuestion, "yes");
    const q::Error error = DoInstall();
    InstallFinished(error);
    FPhase = 2;
    if (error) {
      ShowFailure(texts::kSetupFailed, error);
    } else {
      Label4->SetCaption(texts::kRunQuestion);
      FyeverButtonSI->Show();
      FyeverButtonNO->Show();
    }
    FAnswering = false;
    ProcessMessages();
  } else if (FPhase == 2 && !FFailed) {
    Label4->SetCaption(texts::kWaitPlease);
    FyeverButtonSI->Show();
    FyeverButtonNO->Show();
    ProcessMessages();
    LogStep("answer", "ok", texts::kRunQuestion, "yes");
    const q::Error error = RunInstalledProgram();
    ProcessMessages();
    FAnswering = false;
    if (error) {
      ShowFailure(texts::kRunFailed, error);
    } else {
      Close();  // the main window: the program ends
    }
  } else {
    FAnswering = false;
  }
  SetAppCursor(gui::crDefault);
}

void TForm3::FyeverButtonNOClick(gui::TObject*) {
  if (!FBusy && !FAnswering) {
    LogStep("answer", "ok", Label4->Caption(), "no");  // the question or the failure shown
  }
  Close();
}

int TForm3::InstallUnattended() {
  FUnattended = true;
  const q::Error error = DoInstall();
  InstallFinished(error);
  FPhase = 2;
  return ExitCode();
}

void TForm3::InstallFinished(const q::Error& error) {
  FInstalled = !error;
  FFailure = error ? error.Message() : std::string();
  LogStep("install", error ? "failed" : "ok", FInstallDir, FFailure);
}

int TForm3::ExitCode() const {
  if (FInstalled) return setup::kExitSuccess;
  return FPhase == 1 ? setup::kExitCancelled : setup::kExitFailed;
}

void TForm3::LogStep(std::string_view step, std::string_view result, std::string_view subject,
                     std::string_view detail) {
  if (FLog) FLog->Write(step, result, subject, detail);
}

void TForm3::LabelLinkClick(gui::TObject*) { FShellOpen(texts::kMakerUrl, ""); }

void TForm3::ShowFailure(const char* prefix, const q::Error& error) {
  FFailed = true;
  FBusy = false;
  ProgressBar1->Hide();
  FyeverButtonSI->Hide();
  FyeverButtonNO->Show();
  // The reason may be long (it names folders and files): it takes the
  // place of the Yes button, wrapped, rather than one clipped line.
  Label4->SetShowAccelChar(false);
  Label4->SetWordWrap(true);
  Label4->SetLayout(gui::tlCenter);
  Label4->SetAlign(gui::alNone);
  Label4->SetBounds(FyeverButtonSI->Left(), FyeverButtonSI->Top(),
                    FyeverButtonNO->Left() - FyeverButtonSI->Left() - 16, FyeverButtonSI->Height());
  Label4->SetCaption(prefix + error.Message());
  Label4->Invalidate();
  FyeverButtonNO->SetFocus();
}
