// POSIX threads and monitors of the engine's OS layer.
#include <pthread.h>

#include <cstdlib>

#include "platform/thread.h"

namespace platform {
namespace {

struct MonitorState {
  pthread_mutex_t lock;
  pthread_cond_t wake;
};

MonitorState* M(intptr_t handle) { return reinterpret_cast<MonitorState*>(handle); }

}  // namespace

Monitor::Monitor() {
  auto* m = static_cast<MonitorState*>(std::malloc(sizeof(MonitorState)));
  if (m == nullptr) return;
  if (::pthread_mutex_init(&m->lock, nullptr) != 0) {
    std::free(m);
    return;
  }
  if (::pthread_cond_init(&m->wake, nullptr) != 0) {
    ::pthread_mutex_destroy(&m->lock);
    std::free(m);
    return;
  }
  handle_ = reinterpret_cast<intptr_t>(m);
}

Monitor::~Monitor() {
  if (handle_ == 0) return;
  ::pthread_cond_destroy(&M(handle_)->wake);
  ::pthread_mutex_destroy(&M(handle_)->lock);
  std::free(M(handle_));
}

void Monitor::Lock() { ::pthread_mutex_lock(&M(handle_)->lock); }
void Monitor::Unlock() { ::pthread_mutex_unlock(&M(handle_)->lock); }
void Monitor::Sleep() { ::pthread_cond_wait(&M(handle_)->wake, &M(handle_)->lock); }
void Monitor::Wake() { ::pthread_cond_signal(&M(handle_)->wake); }

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
