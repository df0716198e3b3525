// TApplication: the GUI thread's message loop and pump, the application
// cursor, and COM start-up. One object per program (the GUI thread), made
// before any form:
//
//   gui::TApplication app;
//   if (q::Error e = app.Initialize()) ...;   // COM (STA), common controls
//   TForm3 form;
//   form.CreateFromLayout(...);
//   return app.Run(form);                     // until the main form closes
//
// Every message the loop or the pump takes goes through dialog-key handling
// first (the form's Tab, arrows, Enter, Escape and accelerators), then
// through IsDialogMessage for the form's window, then TranslateMessage and
// DispatchMessage.
#pragma once

#include <windows.h>

#include "common/error.h"
#include "gui/control.h"

namespace gui {

class TForm;

class TApplication {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Initialises COM for this thread as a single-threaded apartment (when
  // asked) and the common controls.
  q::Error Initialize(bool initializeCom = true);
  // For a run that makes no window at all: COM in the multithreaded
  // apartment, whose start makes no window (a single-threaded apartment
  // makes its message window, and under Wine the first window a program
  // makes waits for the desktop process to start), and no common controls.
  q::Error InitializeWindowless();

  // Shows `mainForm` and runs the message loop until the main form closes
  // (or Terminate). Returns the WM_QUIT exit code.
  int Run(TForm& mainForm);
  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* form) { mainForm_ = form; }

  // Removes and dispatches every queued message; returns when the queue is
  // empty (or WM_QUIT arrived, which ends the application).
  void ProcessMessages();
  // Handles one message the way the loop does.
  void DispatchOne(MSG& msg);
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The application cursor: anything but crDefault shows over every
  // control of the application (crHourGlass while busy).
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);

 private:
  bool IsDialogKeyMessage(MSG& msg);
  q::Error StartCom(DWORD apartment);

  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  int exitCode_ = 0;
  TCursor cursor_ = crDefault;
  bool comInitialized_ = false;
};

// The application object alive on this program's GUI thread, or null.
TApplication* Application();

// Registers the common-control window classes `classes` (ICC_* bits); false
// when the system refused. Their library is loaded on the first call rather
// than at the program's start: under Wine, loading it starts the desktop
// process, which a run without windows has no reason to wait for.
bool InitCommonControlClasses(DWORD classes);

// For the demo programs: shows a start-up failure of `program` in a message
// box and returns the exit status 1.
int ReportStartFailure(const char* program, const q::Error& error);
// For the demo programs: "--close-after MS" in `cmdLine` closes `form` after
// that many milliseconds (for screenshots taken by tests).
void CloseAfterFromCommandLine(TForm& form, const char* cmdLine);

}  // namespace gui
