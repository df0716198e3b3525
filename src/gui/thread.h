// TThread: a worker thread with a cooperative pause. Execute() runs on the
// new thread; it calls Sleep() (or CheckPaused()) at the points where a
// pause may take effect, and tests Terminated() to end.
//
//   class TTicker : public gui::TThread {
//    public:
//     TTicker() = default;
//    protected:
//     void Execute() override {
//       while (!Terminated()) {
//         if (!Sleep(interval)) break;           // pausable, ends early on Terminate
//         ::SendMessageA(target, 45161, 0, 0);
//       }
//     }
//   };
//   TTicker t;  t.Start();  ...  t.Suspend();  t.Resume();
//   // The owner's destructor: Terminate() and WaitFor(), then the object goes.
//
// Suspend() is an event the worker waits on, never SuspendThread: a paused
// worker holds no lock and resumes where it stopped, inside its Sleep with
// the time that was left. WaitFor() on a thread with a message queue (the
// GUI thread) keeps serving messages sent to it while it waits, so a worker
// blocked in SendMessage to that thread finishes its call and can end.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/error.h"
#include "common/win32_handles.h"

namespace gui {

class TThread {
 public:
  // The thread is made at once but waits for Start() (or Resume()) before
  // Execute begins: a thread that ran at once would call Execute on an object
  // whose subclass part is still being built.
  TThread();
  // Terminates, resumes and waits for the thread: subclasses whose Execute
  // uses their own members must do the same in their destructor.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // False when the system could not make the thread (then nothing runs).
  bool Valid() const { return thread_.Valid(); }
  void Start() { Resume(); }
  void Resume();
  // The worker stops at its next Sleep()/CheckPaused().
  void Suspend();
  bool Suspended() const { return paused_.load(); }
  // Asks the worker to end: Terminated() turns true and its Sleep() and
  // CheckPaused() return at once (also from a pause).
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // Waits until the thread has ended; see the header comment.
  void WaitFor();
  bool Finished() const { return finished_.load(); }
  DWORD ThreadId() const { return threadId_; }

 protected:
  virtual void Execute() = 0;
  // Sleeps `ms` milliseconds of running time: time spent paused does not
  // count. False when terminated before the time was up.
  bool Sleep(DWORD ms);
  // Waits while paused; false when terminated.
  bool CheckPaused();

 private:
  static DWORD WINAPI ThreadProc(LPVOID self);

  q::KernelHandle running_;      // manual-reset, set while not paused
  q::KernelHandle pausedEvent_;  // manual-reset, set while paused
  q::KernelHandle terminate_;    // manual-reset, set by Terminate
  q::KernelHandle thread_;
  DWORD threadId_ = 0;
  std::atomic<bool> paused_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

}  // namespace gui
