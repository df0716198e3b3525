// Win32 threads and semaphores of the engine's OS layer.
#include <windows.h>

#include "platform/thread.h"

namespace platform {
namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// A count behind a slim lock and a condition variable: under Wine these
// wait in the kernel directly, where a semaphore object is a round trip to
// the wine server for every post and every wait.
struct Counter {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
  uint32_t count = 0;
  uint32_t waiters = 0;
  uint32_t need = 1;  // what the waiter waits for
  bool hurried = false;
};

Counter* C(intptr_t handle) { return reinterpret_cast<Counter*>(handle); }

}  // namespace

Semaphore::Semaphore(uint32_t initial) {
  auto* c = static_cast<Counter*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(Counter)));
  if (c != nullptr) *c = Counter{SRWLOCK_INIT, CONDITION_VARIABLE_INIT, initial, 0, 1, false};
  handle_ = reinterpret_cast<intptr_t>(c);
}

Semaphore::~Semaphore() {
  if (handle_ != 0) ::HeapFree(::GetProcessHeap(), 0, C(handle_));
}

void Semaphore::Post() {
  Counter& c = *C(handle_);
  ::AcquireSRWLockExclusive(&c.lock);
  ++c.count;
  const bool waiting = c.waiters != 0 && (c.count >= c.need || c.hurried);
  ::ReleaseSRWLockExclusive(&c.lock);
  if (waiting) ::WakeConditionVariable(&c.wake);
}

void Semaphore::Wait(uint32_t atLeast) {
  Counter& c = *C(handle_);
  ::AcquireSRWLockExclusive(&c.lock);
  while (c.count == 0 || (c.count < atLeast && !c.hurried)) {
    c.need = atLeast;
    ++c.waiters;
    ::SleepConditionVariableSRW(&c.wake, &c.lock, INFINITE, 0);
    --c.waiters;
  }
  --c.count;
  ::ReleaseSRWLockExclusive(&c.lock);
}

void Semaphore::Hurry() {
  Counter& c = *C(handle_);
  ::AcquireSRWLockExclusive(&c.lock);
  c.hurried = true;
  const bool waiting = c.waiters != 0 && c.count != 0;
  ::ReleaseSRWLockExclusive(&c.lock);
  if (waiting) ::WakeConditionVariable(&c.wake);
}

bool Semaphore::TryWait() {
  Counter& c = *C(handle_);
  ::AcquireSRWLockExclusive(&c.lock);
  const bool taken = c.count != 0;
  if (taken) --c.count;
  ::ReleaseSRWLockExclusive(&c.lock);
  return taken;
}

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
