// Win32 threads and monitors of the engine's OS layer.
#include <windows.h>

#include "platform/thread.h"

namespace platform {
namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// A slim lock and a condition variable: under Wine both wait in the kernel
// directly.
struct MonitorState {
  SRWLOCK lock;
  CONDITION_VARIABLE wake;
};

MonitorState* M(intptr_t handle) { return reinterpret_cast<MonitorState*>(handle); }

}  // namespace

Monitor::Monitor() {
  auto* m = static_cast<MonitorState*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(MonitorState)));
  if (m != nullptr) *m = MonitorState{SRWLOCK_INIT, CONDITION_VARIABLE_INIT};
  handle_ = reinterpret_cast<intptr_t>(m);
}

Monitor::~Monitor() {
  if (handle_ != 0) ::HeapFree(::GetProcessHeap(), 0, M(handle_));
}

void Monitor::Lock() { ::AcquireSRWLockExclusive(&M(handle_)->lock); }
void Monitor::Unlock() { ::ReleaseSRWLockExclusive(&M(handle_)->lock); }
void Monitor::Sleep() {
  ::SleepConditionVariableSRW(&M(handle_)->wake, &M(handle_)->lock, INFINITE, 0);
}
void Monitor::Wake() { ::WakeConditionVariable(&M(handle_)->wake); }

struct ThreadEntry {
  static DWORD WINAPI Run(LPVOID self) {
    auto* thread = static_cast<Thread*>(self);
    thread->run_(thread->context_);
    return 0;
  }
};

bool Thread::Start(void (*run)(void*), void* context) {
  Join();
  run_ = run;
  context_ = context;
  HANDLE h = ::CreateThread(nullptr, 0, &ThreadEntry::Run, this, 0, nullptr);
  if (h == nullptr) return false;
  handle_ = reinterpret_cast<intptr_t>(h);
  running_ = true;
  return true;
}

void Thread::Join() {
  if (!running_) return;
  ::WaitForSingleObject(H(handle_), INFINITE);
  ::CloseHandle(H(handle_));
  handle_ = 0;
  running_ = false;
}

}  // namespace platform
