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
//   return form.ExitCode();
//
// Unattended (/S), the form's windows are never made, and InstallUnattended
// runs what a Yes would run, without a progress bar or message pump.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "gui/demo/dialog_controls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "installer/launch.h"
#include "installer/progress_throttle.h"
#include "shapebutton/fyeverbutton.h"

class SetupLog;
namespace txn {
class Transaction;
}

// The dialog's layout (outer object Form3 of class TForm3), with the
// product's built-in texts and the maker's name in place, read at compile
// time.
gui::TCompiledLayout Form3Layout();

// Finishes or undoes an installation that was killed halfway (the folders
// beside the installation folder), before anything else happens; what the
// person should know goes to `notes`. Needs the system's folders read.
q::Error RecoverInterruptedInstall(std::vector<std::string>& notes);

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
  // What the last installation has to tell although it did not fail (a
  // previous version's folder left to the next restart).
  const std::vector<std::string>& InstallNotes() const { return FInstallNotes; }

  // How the dialog opens a file or address with the shell: ShellExecuteA
  // with verb "open", no parameters and `directory` (may be empty), shown
  // normally. Returns ShellExecuteA's result (above 32: success). Tests
  // install their own, to see what would be opened without opening it.
  using TShellOpen = INT_PTR (*)(const char* file, const char* directory);
  void SetShellOpen(TShellOpen open) { FShellOpen = open; }
  // The module whose resource "ZIP" 1 is installed; this program by
  // default. Tests point it at modules carrying archives of their own.
  void SetArchiveModule(HMODULE module) { FResModule = module; }
  // How the installed program is started as the desktop's user; tests
  // install a stand-in. When it fails, the shell open above starts it.
  void SetDesktopShellExecute(TDesktopShellExecute start) { FDesktopShellExecute = start; }
  // The folder to install into instead of the product's folder in Program
  // Files (absolute, ending with a backslash); empty for the default.
  void SetInstallFolder(const std::string& folder) { FTargetDir = folder; }
  // Where the steps are written down; none by default.
  void SetLog(SetupLog* log) { FLog = log; }

  // Without the dialog: installs as a Yes would and returns the exit code.
  int InstallUnattended();
  // How the run ended so far: success once installed (whatever became of
  // the launch), failure after a failed installation, cancelled before.
  int ExitCode() const;
  // Why the installation failed; empty otherwise.
  const std::string& FailureMessage() const { return FFailure; }

 protected:
  q::Error BindComponents() override;

  // The installation procedure and its steps; each failure ends it there.
  q::Error DoInstall();
  q::Error InstallSteps();
  q::Error CheckFreeSpace(const std::string& base);
  q::Error InstallTransacted(txn::Transaction& transaction, const std::string& base,
                             const std::string& programs);
  q::Error MakeProductFolder(const std::string& parent, const std::string& folder,
                             const char* what);
  q::Error CopyArchiveToTemporaryFile(const std::string& path);
  q::Error ExtractArchive(const std::string& archive, const std::string& folder,
                          uint64_t& installedBytes);
  // The shortcuts' link files: the desktop's (empty when the desktop is
  // unknown), then the program's and the uninstaller's in the program group.
  using ShortcutLinks = std::array<std::string, 3>;
  ShortcutLinks ShortcutLinkFiles() const;
  q::Error CreateShortcuts(const ShortcutLinks& links);
  q::Error RegisterProduct(uint64_t installedBytes);
  // Records the procedure's outcome for the exit code and the log.
  void InstallFinished(const q::Error& error);
  // The progress event the extractor reports to while DoInstall runs.
  void ExtractProgress(bool Start, bool Finish, int32_t Total, int32_t Position);
  static void ExtractProgressEvent(void* form, bool Start, bool Finish, int32_t Total,
                                   int32_t Position);
  // Starts the installed program.
  q::Error RunInstalledProgram();
  // The dialog after a failure: `prefix` + the reason, only No to answer.
  void ShowFailure(const char* prefix, const q::Error& error);
  void ProcessMessages();
  void LogStep(std::string_view step, std::string_view result, std::string_view subject = {},
               std::string_view detail = {});
  void SetAppCursor(gui::TCursor cursor);

  bool FBusy = false;
  int FPhase = 1;
  // True while a Yes answer is being handled: the pumps inside it dispatch
  // queued input before DoInstall or the launch sets FBusy, and a second
  // Yes (a double click) must not start a second installation or launch.
  bool FAnswering = false;
  bool FFailed = false;
  bool FInstalled = false;
  bool FUnattended = false;  // /S: no window, no message box
  std::string FFailure;

  std::string FInstallDir;    // ends with "\"
  std::string FStartMenuDir;  // ends with "\"
  std::string FExePath;       // empty until the installation folder exists
  std::vector<std::string> FInstallNotes;
  HMODULE FResModule = nullptr;
  HRSRC FResInfo = nullptr;
  HGLOBAL FResData = nullptr;
  DWORD FResSize = 0;
  TShellOpen FShellOpen;
  TDesktopShellExecute FDesktopShellExecute = DesktopShellExecute;
  std::string FTargetDir;
  SetupLog* FLog = nullptr;
  ProgressThrottle FBarThrottle;  // which extraction reports move the bar
};
