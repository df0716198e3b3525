// The few C++ runtime entry points a shipped Windows program needs, without
// the exception machinery behind libstdc++'s own versions.
//
// Shipped code is built without exceptions, yet libstdc++'s operator new
// throws std::bad_alloc, and its std::__throw_* helpers (called by the
// containers on impossible sizes) throw too. Either pulls in the whole
// exception runtime: the unwinder, the personality routine, the exception
// classes with their copy-on-write strings and the verbose terminate handler
// with its symbol demangler, well over 100 KB of a 32-bit image. The
// definitions here take precedence over the library's (the linker takes an
// archive member only for a symbol still undefined), so none of that is
// linked. Every path that would have thrown ends the program with a message,
// which is what an uncaught exception would have done.
//
// Linked into every shipped Windows executable (q_shipped); test programs
// keep the real runtime.
#include <windows.h>
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>

namespace {

[[noreturn]] void Fatal(const char* what) {
  // Shows `what` to the person and ends the process at once.
  ::FatalAppExitA(0, what);
  ::ExitProcess(3);
}

void* Allocate(std::size_t size) {
  // A zero-byte request still yields a distinct pointer.
  void* p = std::malloc(size != 0 ? size : 1);
  if (!p) Fatal("Out of memory.");
  return p;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

// What the standard library would have thrown. The texts are for whoever
// reads a crash report; none of these can happen in a correct program but
// the out-of-memory ones.
namespace std {

void __throw_bad_exception() { Fatal("Internal error: bad exception."); }
void __throw_bad_alloc() { Fatal("Out of memory."); }
void __throw_bad_array_new_length() { Fatal("Out of memory (array too large)."); }
void __throw_bad_cast() { Fatal("Internal error: bad cast."); }
void __throw_bad_typeid() { Fatal("Internal error: bad typeid."); }
void __throw_logic_error(const char*) { Fatal("Internal error: logic error."); }
void __throw_domain_error(const char*) { Fatal("Internal error: domain error."); }
void __throw_invalid_argument(const char*) { Fatal("Internal error: invalid argument."); }
void __throw_length_error(const char*) { Fatal("Out of memory (length error)."); }
void __throw_out_of_range(const char*) { Fatal("Internal error: index out of range."); }
void __throw_out_of_range_fmt(const char*, ...) { Fatal("Internal error: index out of range."); }
void __throw_runtime_error(const char*) { Fatal("Internal error: runtime error."); }
void __throw_range_error(const char*) { Fatal("Internal error: range error."); }
void __throw_overflow_error(const char*) { Fatal("Internal error: overflow."); }
void __throw_underflow_error(const char*) { Fatal("Internal error: underflow."); }
void __throw_system_error(int) { Fatal("Internal error: system error."); }
void __throw_bad_function_call() { Fatal("Internal error: empty function called."); }

}  // namespace std

// Function-local statics. The library's guards throw on a recursive
// initialisation and so bring the exception runtime; these end the program
// instead. The guard is 64 bits: byte 0 says "initialised" (the compiler's
// inline fast path reads it), the second 32-bit word holds the id of the
// thread initialising it. Another thread waits until that one is done; the
// same thread coming back is the recursion the language forbids.
namespace {

struct Guard {
  volatile char done;
  char unused[3];
  volatile LONG owner;
};
static_assert(sizeof(Guard) == 8, "the ABI's 64-bit guard");

}  // namespace

extern "C" int __cxa_guard_acquire(Guard* g) {
  const auto self = static_cast<LONG>(::GetCurrentThreadId());
  for (;;) {
    if (__atomic_load_n(&g->done, __ATOMIC_ACQUIRE)) return 0;
    const LONG owner = ::InterlockedCompareExchange(&g->owner, self, 0);
    if (owner == 0) {
      if (!__atomic_load_n(&g->done, __ATOMIC_ACQUIRE)) return 1;  // ours to initialise
      ::InterlockedExchange(&g->owner, 0);
      return 0;
    }
    if (owner == self) Fatal("Internal error: a static initialises itself.");
    ::Sleep(0);
  }
}

extern "C" void __cxa_guard_release(Guard* g) {
  __atomic_store_n(&g->done, 1, __ATOMIC_RELEASE);
  ::InterlockedExchange(&g->owner, 0);
}

// Only reached when an initialiser throws, which shipped code cannot.
extern "C" void __cxa_guard_abort(Guard* g) { ::InterlockedExchange(&g->owner, 0); }

// A pure virtual function called during construction or destruction.
extern "C" void __cxa_pure_virtual() { Fatal("Internal error: pure virtual function called."); }
extern "C" void __cxa_deleted_virtual() {
  Fatal("Internal error: deleted virtual function called.");
}

// Should anything still reach std::terminate, end without the demangling
// handler (which alone is some 46 KB).
namespace __gnu_cxx {
void __verbose_terminate_handler() { Fatal("Internal error: terminate called."); }
}  // namespace __gnu_cxx
