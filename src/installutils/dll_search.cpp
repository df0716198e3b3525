#include "installutils/dll_search.h"

#include <windows.h>

void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  // Through void(*)(): GetProcAddress's type says nothing of the function's.
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
      kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryA("");
}
