// POSIX threads and semaphores of the engine's OS layer.
#include <pthread.h>

#include <cstdlib>

#include "platform/thread.h"

namespace platform {
namespace {

// A count behind a mutex and a condition variable (see the Win32 side).
struct Counter {
  pthread_mutex_t lock;
  pthread_cond_t wake;
  uint32_t count;
  uint32_t waiters;
  uint32_t need;  // what the waiter waits for
  bool hurried;
};

Counter* C(intptr_t handle) { return reinterpret_cast<Counter*>(handle); }

}  // namespace

Semaphore::Semaphore(uint32_t initial) {
  auto* c = static_cast<Counter*>(std::malloc(sizeof(Counter)));
  if (c == nullptr) return;
  if (::pthread_mutex_init(&c->lock, nullptr) != 0) {
    std::free(c);
    return;
  }
  if (::pthread_cond_init(&c->wake, nullptr) != 0) {
    ::pthread_mutex_destroy(&c->lock);
    std::free(c);
    return;
  }
  c->count = initial;
  c->waiters = 0;
  c->need = 1;
  c->hurried = false;
  handle_ = reinterpret_cast<intptr_t>(c);
}

Semaphore::~Semaphore() {
  if (handle_ == 0) return;
  ::pthread_cond_destroy(&C(handle_)->wake);
  ::pthread_mutex_destroy(&C(handle_)->lock);
  std::free(C(handle_));
}

void Semaphore::Post() {
  Counter& c = *C(handle_);
  ::pthread_mutex_lock(&c.lock);
  ++c.count;
  const bool waiting = c.waiters != 0 && (c.count >= c.need || c.hurried);
  ::pthread_mutex_unlock(&c.lock);
  if (waiting) ::pthread_cond_signal(&c.wake);
}

void Semaphore::Wait(uint32_t atLeast) {
  Counter& c = *C(handle_);
  ::pthread_mutex_lock(&c.lock);
  while (c.count == 0 || (c.count < atLeast && !c.hurried)) {
    c.need = atLeast;
    ++c.waiters;
    ::pthread_cond_wait(&c.wake, &c.lock);
    --c.waiters;
  }
  --c.count;
  ::pthread_mutex_unlock(&c.lock);
}

void Semaphore::Hurry() {
  Counter& c = *C(handle_);
  ::pthread_mutex_lock(&c.lock);
  c.hurried = true;
  const bool waiting = c.waiters != 0 && c.count != 0;
  ::pthread_mutex_unlock(&c.lock);
  if (waiting) ::pthread_cond_signal(&c.wake);
}

bool Semaphore::TryWait() {
  Counter& c = *C(handle_);
  ::pthread_mutex_lock(&c.lock);
  const bool taken = c.count != 0;
  if (taken) --c.count;
  ::pthread_mutex_unlock(&c.lock);
  return taken;
}

static_assert(sizeof(pthread_t) <= sizeof(intptr_t), "a thread's id fits the handle");

struct ThreadEntry {
  static void* Run(void* self) {
    auto* thread = static_cast<Thread*>(self);
    thread->run_(thread->context_);
    return nullptr;
  }
};

bool Thread::Start(void (*run)(void*), void* context) {
  Join();
  run_ = run;
  context_ = context;
  pthread_t id;
  if (::pthread_create(&id, nullptr, &ThreadEntry::Run, this) != 0) return false;
  handle_ = static_cast<intptr_t>(id);
  running_ = true;
  return true;
}

void Thread::Join() {
  if (!running_) return;
  ::pthread_join(static_cast<pthread_t>(handle_), nullptr);
  handle_ = 0;
  running_ = false;
}

}  // namespace platform
