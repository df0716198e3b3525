#include "gui/thread.h"

namespace gui {

TThread::TThread()
    : running_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      pausedEvent_(::CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      terminate_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      paused_(true) {
  if (!running_ || !pausedEvent_ || !terminate_) return;
  thread_.Reset(::CreateThread(nullptr, 0, &TThread::ThreadProc, this, 0, &threadId_));
}

TThread::~TThread() {
  Terminate();
  WaitFor();
}

DWORD WINAPI TThread::ThreadProc(LPVOID self) {
  auto* t = static_cast<TThread*>(self);
  // Execute starts with the first Resume, once the object is whole.
  if (t->CheckPaused()) t->Execute();
  t->finished_.store(true);
  return 0;
}

void TThread::Resume() {
  if (!running_) return;
  paused_.store(false);
  ::ResetEvent(pausedEvent_.Get());
  ::SetEvent(running_.Get());
}

void TThread::Suspend() {
  if (!running_) return;
  paused_.store(true);
  ::ResetEvent(running_.Get());
  ::SetEvent(pausedEvent_.Get());
}

void TThread::Terminate() {
  terminated_.store(true);
  if (terminate_) ::SetEvent(terminate_.Get());
}

bool TThread::CheckPaused() {
  HANDLE handles[2] = {terminate_.Get(), running_.Get()};
  DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  return r != WAIT_OBJECT_0 && !terminated_.load();
}

bool TThread::Sleep(DWORD ms) {
  DWORD left = ms;
  for (;;) {
    if (!CheckPaused()) return false;
    ULONGLONG start = ::GetTickCount64();
    HANDLE handles[2] = {terminate_.Get(), pausedEvent_.Get()};
    DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, left);
    if (r == WAIT_TIMEOUT) return !terminated_.load();
    if (r != WAIT_OBJECT_0 + 1) return false;  // terminated (or a failed wait)
    // Paused during the sleep: keep what was left for after the resume.
    ULONGLONG spent = ::GetTickCount64() - start;
    left = spent >= left ? 0 : left - static_cast<DWORD>(spent);
  }
}

void TThread::WaitFor() {
  if (!thread_) return;
  if (::GetCurrentThreadId() == threadId_) return;  // a thread cannot wait for itself
  HANDLE h = thread_.Get();
  for (;;) {
    // Peeking delivers the messages other threads are sending to this one
    // (a worker may be blocked in such a call); posted messages stay queued.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) break;  // ended, or the wait failed
  }
}

}  // namespace gui
