// TForm3: the installer's one window. It asks "Start setup of Quorvantis ?",
// installs on Yes (DoInstall: folders, the archive resource copied to a
// temporary file and extracted behind the progress bar, three shortcuts, the
// uninstall entry), then asks "Run Quorvantis?" and starts the installed
// program on Yes. No, or any close request, ends the program, except while
// work runs (FBusy). A failed step ends the installation there; the dialog
// then says what failed and offers only No. Windows-only; everything runs
// on the GUI thread.
//
//   TForm3 form;
//   if (q::Error e = form.CreateFromLayout(Form3Layout())) ...;
//   app.Run(form);
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.h"
#include "gui/demo/dialog_controls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "shapebutton/fyeverbutton.h"

// The dialog's layout text (outer object Form3 of class TForm3), with the
// product's built-in texts and the maker's name in place.
std::string Form3Layout();

class TForm3 : public gui::TForm, public gui_demo::TDialogControls {
  Q_GUI_CLASS(TForm3, gui::TForm)

 public:
  TForm3();
  ~TForm3() override;

  gui::TComponent* CreateComponent(std::string_view className) override;

  // The answer buttons, bound after the layout is read with the other
  // controls (TDialogControls).
  fyeverbutton::TFyeverButton* FyeverButtonSI = nullptr;
  fyeverbutton::TFyeverButton* FyeverButtonNO = nullptr;

  // Event handlers, as the framework calls them.
  void FormCreate(gui::TObject* sender);
  void FormCloseQuery(gui::TObject* sender, bool& canClose);
  void FyeverButtonSIClick(gui::TObject* sender);
  void FyeverButtonNOClick(gui::TObject* sender);
  void LabelLinkClick(gui::TObject* sender);

  // The state the flow is in.
  bool Busy() const { return FBusy; }
  int Phase() const { return FPhase; }
  // True once an installation or launch failed and the dialog says so.
  bool Failed() const { return FFailed; }
  const std::string& InstallDir() const { return FInstallDir; }
  const std::string& StartMenuDir() const { return FStartMenuDir; }
  const std::string& ExePath() const { return FExePath; }

  // How the dialog opens a file or address with the shell: ShellExecuteA
  // with verb "open", no parameters and `directory` (may be empty), shown
  // normally. Returns ShellExecuteA's result (above 32: success). Tests
  // install their own, to see what would be opened without opening it.
  using TShellOpen = INT_PTR (*)(const char* file, const char* directory);
  void SetShellOpen(TShellOpen open) { FShellOpen = open; }
  // The module whose resource "ZIP" 1 is installed; this program by
  // default. Tests point it at modules carrying archives of their own.
  void SetArchiveModule(HMODULE module) { FResModule = module; }

 protected:
  q::Error BindComponents() override;

  // The installation procedure and its steps; each failure ends it there.
  q::Error DoInstall();
  q::Error InstallSteps();
  q::Error MakeProductFolder(const std::string& parent, const std::string& folder,
                             const char* what);
  q::Error CopyArchiveToTemporaryFile(const std::string& path);
  q::Error ExtractArchive(const std::string& archive, uint64_t& installedBytes);
  q::Error CreateShortcuts();
  q::Error RegisterProduct(uint64_t installedBytes);
  // The progress event the extractor reports to while DoInstall runs.
  void ExtractProgress(bool Start, bool Finish, int32_t Total, int32_t Position);
  static void ExtractProgressEvent(void* form, bool Start, bool Finish, int32_t Total,
                                   int32_t Position);
  // Starts the installed program.
  q::Error RunInstalledProgram();
  // The dialog after a failure: `prefix` + the reason, only No to answer.
  void ShowFailure(const char* prefix, const q::Error& error);
  void ProcessMessages();
  void SetAppCursor(gui::TCursor cursor);

  bool FBusy = false;
  int FPhase = 1;
  // True while a Yes answer is being handled: the pumps inside it dispatch
  // queued input before DoInstall or the launch sets FBusy, and a second
  // Yes (a double click) must not start a second installation or launch.
  bool FAnswering = false;
  bool FFailed = false;

  std::string FInstallDir;    // ends with "\"
  std::string FStartMenuDir;  // ends with "\"
  std::string FExePath;       // empty until the installation folder exists
  HMODULE FResModule = nullptr;
  HRSRC FResInfo = nullptr;
  HGLOBAL FResData = nullptr;
  DWORD FResSize = 0;
  TShellOpen FShellOpen;
};
