// A second thread and the counting semaphores that pace it: the extractor
// writes its files on one while it decodes the next entry. This header
// never pulls in a system header; Monitor and Thread are the system's part
// (posix/, win32/), Semaphore is common.
#pragma once

#include <cstdint>

namespace platform {

// A lock with one condition: the system's part of a Semaphore.
class Monitor {
 public:
  Monitor();
  ~Monitor();
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // False when the system could not make it (then it must not be used).
  bool Valid() const { return handle_ != 0; }
  void Lock();
  void Unlock();
  // Unlocks, sleeps until woken (or spuriously), locks again.
  void Sleep();
  // Wakes a sleeper, if any.
  void Wake();

 private:
  intptr_t handle_ = 0;
};

// A counting semaphore shared by two threads: one waits on it at a time.
// It waits in the kernel directly: under Wine a semaphore object would cost
// a round trip to the wine server for every post and every wait.
class Semaphore {
 public:
  explicit Semaphore(uint32_t initial) : count_(initial) {}
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // False when the system could not make it (then it must not be used).
  bool Valid() const { return monitor_.Valid(); }
  // Adds one to the count, waking a waiter whose wait is over.
  void Post();
  // Waits until the count is at least `atLeast` (1 or more; see Hurry), then
  // takes one. A waiter that needs several is woken once, not by every
  // post: two threads handing work to each other then take turns in
  // batches.
  void Wait(uint32_t atLeast = 1);
  // Takes one when the count is above zero; false, at once, when not.
  bool TryWait();
  // From now on a wait ends as soon as the count is above zero, whatever it
  // waits for: the poster has nothing more to add to a batch.
  void Hurry();

 private:
  bool Over(uint32_t atLeast) const { return count_ != 0 && (count_ >= atLeast || hurried_); }

  Monitor monitor_;
  uint32_t count_;
  uint32_t need_ = 1;  // what the waiter waits for
  bool waiting_ = false;
  bool hurried_ = false;
};

// A thread that runs `run(context)` to its end. Whoever starts it joins it:
// the destructor does if nobody did.
class Thread {
 public:
  Thread() = default;
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // False when the system could not make the thread: then nothing runs.
  bool Start(void (*run)(void*), void* context);
  // Waits until the thread has ended; returns at once when none runs.
  void Join();

 private:
  intptr_t handle_ = 0;
  bool running_ = false;
  void (*run_)(void*) = nullptr;
  void* context_ = nullptr;
  friend struct ThreadEntry;
};

}  // namespace platform
