// The process entry of a shipped Windows program with a WinMain, in place of
// the C runtime's start-up code (the program links with -nostartfiles).
//
// That start-up prepares what this code never uses: argument vectors and
// wildcard expansion, the environment copy, runtime relocation of data
// imported from DLLs (the link refuses any), thread-local storage callbacks,
// the mapping of system exceptions to signals. What the program does need is
// done here, in this order:
//  - the x87 unit in the state the runtime's start-up leaves it (64-bit
//    precision), so that floating-point results do not depend on the entry;
//  - the static constructors, in the order the C runtime's __main runs
//    them, and the running of the linker's destructor list at exit (the
//    compiler registers static destructors with the exit list itself);
//  - WinMain with the module, the command line's arguments after the
//    program name, and the window state the starter asked for;
//  - exit() with WinMain's result, which runs the exit list and flushes the
//    C library before the process ends.
#include <windows.h>

#include <cstdlib>

// The lists the linker makes of the objects' .ctors and .dtors entries:
// -1, the functions, then a null.
extern "C" void (*__CTOR_LIST__[])();
extern "C" void (*__DTOR_LIST__[])();

namespace {

// The command line after the program name (quoted or not) and the blanks
// that follow it, as WinMain receives it.
LPSTR ArgumentsOf(LPSTR line) {
  if (*line == '"') {
    ++line;
    while (*line && *line != '"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

void RunDestructors() {
  for (auto* d = __DTOR_LIST__ + 1; *d != nullptr; ++d) (*d)();
}

// Last to first, as the C runtime runs them.
void RunConstructors() {
  size_t count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (; count != 0; --count) __CTOR_LIST__[count]();
  std::atexit(RunDestructors);
}

}  // namespace

// The start-up code also defined atexit (the import library has msvcrt's
// only as data): the exit list is the C library's, which exit() runs. Its
// entries are called for no result, so a function without one is fine.
extern "C" int atexit(void (*function)()) {
  return ::_onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}

// The linker's default entry for a Windows-subsystem program. 32-bit Windows
// enters it with a stack aligned to 4 bytes only: the code below realigns
// it before anything spills vectors.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
#if defined(__i386__)
  __asm__ volatile("fninit");
#endif
  RunConstructors();
  STARTUPINFOW startup;
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  std::exit(
      ::WinMain(::GetModuleHandleW(nullptr), nullptr, ArgumentsOf(::GetCommandLineA()), show));
}
