// Where the program's libraries may come from. Windows-only.
#pragma once

// Libraries load from System32 only, never from the program's own folder
// or the current one, where anyone may have put a DLL named like a system
// one (a download folder, a temporary folder). Call first thing in main.
// SetDefaultDllDirectories exists from Windows 8 (and on Windows 7 with
// its update); without it at least the current folder leaves the search.
void RestrictDllSearch();
