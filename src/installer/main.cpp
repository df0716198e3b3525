// QuorvantisSetup.exe: program entry. Start-up runs in a fixed order: the
// DLL search is narrowed first (before anything can load a library), the
// command line is read and the log opened, a second setup is turned away,
// the system's folders are read, COM and the application start, Form3 is
// made from its layout (its creation handler sets the first question) and
// the message loop runs until the dialog closes, or, with /S, the
// installation runs without any window. The exit code says how it ended
// (exit_codes.h); with /LOG= the log's last line says the same.
#include <windows.h>

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "gui/application.h"
#include "installer/command_line.h"
#include "installer/exit_codes.h"
#include "installer/log_file.h"
#include "installer/main_form.h"
#include "installutils/dll_search.h"
#include "installutils/shortcut.h"
#include "installutils/system_error.h"
#include "installutils/system_folders.h"
#include "product/texts.h"

namespace {

static_assert(setup::kExitBadCommandLine == ERROR_INVALID_PARAMETER);
static_assert(setup::kExitCancelled == ERROR_INSTALL_USEREXIT);
static_assert(setup::kExitFailed == ERROR_INSTALL_FAILURE);
static_assert(setup::kExitAlreadyRunning == ERROR_INSTALL_ALREADY_RUNNING);

constexpr wchar_t kCaption[] = L"Quorvantis Setup";
// Held while a setup runs, in every session of the machine.
constexpr wchar_t kRunningMutex[] = L"Global\\QuorvantisSetup.Running";

// A message for the person at the screen; with /S there is none, and the
// log and the exit code carry it.
void Tell(const setup::Options& options, std::string_view text, UINT icon) {
  if (options.silent) return;
  ::MessageBoxW(nullptr, q::Widen(text).c_str(), kCaption, MB_OK | icon | MB_SETFOREGROUND);
}

struct Outcome {
  int code;
  std::string message;
};

Outcome RunSetup(const setup::Options& options, SetupLog& log) {
  gui::TApplication app;
  // With /S the dialog is never made: no window at all, so nothing waits
  // for the window system to start.
  if (q::Error e = options.silent ? app.InitializeWindowless() : app.Initialize()) {
    Tell(options, e.Message(), MB_ICONERROR);  // only a broken build or system gets here
    return {setup::kExitFailed, e.Message()};
  }
  TForm3 form;
  form.SetLog(&log);
  form.SetInstallFolder(options.installDir);
  int code = setup::kExitSuccess;
  if (options.silent) {
    code = form.InstallUnattended();
  } else if (q::Error e = form.CreateFromLayout(Form3Layout())) {
    Tell(options, e.Message(), MB_ICONERROR);
    return {setup::kExitFailed, e.Message()};
  } else {
    app.Run(form);
    code = form.ExitCode();
  }
  return {code, code == setup::kExitSuccess
                    ? q::Message("Quorvantis is installed in %s", form.InstallDir())
                : code == setup::kExitCancelled ? "setup was cancelled; nothing was installed"
                                                : form.FailureMessage()};
}

Outcome Run(const setup::Options& options, const q::Error& parsed, SetupLog& log) {
  if (parsed) {
    Tell(options, q::Message("%s\n\n%s", parsed.Message(), setup::UsageText()), MB_ICONERROR);
    return {setup::kExitBadCommandLine, parsed.Message()};
  }
  if (options.help) {
    Tell(options, setup::UsageText(), MB_ICONINFORMATION);
    return {setup::kExitSuccess, "usage shown"};
  }
  // A second setup would extract over the first one's files.
  const q::KernelHandle running(::CreateMutexW(nullptr, FALSE, kRunningMutex));
  const DWORD code = ::GetLastError();
  if (running ? code == ERROR_ALREADY_EXISTS : code == ERROR_ACCESS_DENIED) {
    constexpr std::string_view text =
        "Another Quorvantis setup is already running. Let it finish, then "
        "start this one again if it is still needed.";
    Tell(options, text, MB_ICONWARNING);
    return {setup::kExitAlreadyRunning, std::string(text)};
  }
  if (!running) log.Write("mutex", "failed", "", Win32ErrorText(code));
  // The shortcut module's one message box (a link name without ".lnk",
  // which Setup never passes) has no one to answer it.
  if (options.silent) SetShortcutMessageBox([](const char*, const char*, unsigned) {});
  InitializeInstallUtils();
  // An installation killed halfway is settled first; what cannot be settled
  // now the installation reports when it runs into it.
  std::vector<std::string> notes;
  if (q::Error e = RecoverInterruptedInstall(notes))
    log.Write("recover", "failed", "", e.Message());
  for (const std::string& note : notes) log.Write("recover", "ok", "", note);
  Outcome outcome = RunSetup(options, log);
  FinalizeInstallUtils();
  return outcome;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearch();
  const std::string commandLine = q::Narrow(::GetCommandLineW());
  const std::string_view arguments = setup::ArgumentsOf(commandLine);
  setup::Options options;
  const q::Error parsed = setup::ParseCommandLine(arguments, options);
  SetupLog log;
  if (q::Error e = log.Open(options.logPath)) {
    // Whoever asked for the log reads the outcome there: without it the
    // run would be blind, so nothing is done.
    Tell(options, e.Message(), MB_ICONERROR);
    return setup::kExitFailed;
  }
  log.Write("start", "ok", std::string("QuorvantisSetup ") + texts::kVersion,
            arguments.substr(std::min(arguments.find_first_not_of(" \t"), arguments.size())));
  const Outcome outcome = Run(options, parsed, log);
  log.Exit(outcome.code, outcome.message);
  return outcome.code;
}
