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
//  - the static constructors (__main, which also registers their
//    destructors with the C library's exit list);
//  - WinMain with the module, the command line's arguments after the
//    program name, and the window state the starter asked for;
//  - exit() with WinMain's result, which runs the exit list and flushes the
//    C library before the process ends.
#include <windows.h>

#include <cstdlib>

extern "C" void __main();  // libgcc's constructor runner

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
  __main();
  STARTUPINFOW startup;
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  std::exit(
      ::WinMain(::GetModuleHandleW(nullptr), nullptr, ArgumentsOf(::GetCommandLineA()), show));
}
