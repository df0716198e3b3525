// The uninstall entry's values beyond the nine RegisterUninstall writes:
// where the product lies and its icon (the system's list of programs shows
// them), its size (no longer computed by the system), its version as
// numbers, that it cannot be modified or repaired, and the silent uninstall
// command. Windows-only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/error.h"

struct UninstallExtras {
  std::string installLocation;   // the installation folder, ending with "\"
  std::string displayIcon;       // the program's path
  uint32_t estimatedSizeKb = 0;  // kilobytes of the installed files
  uint32_t versionMajor = 0;
  uint32_t versionMinor = 0;
  std::string quietUninstallString;  // the quoted uninstaller, then " /S"
};

// The product's values for an installation in `installDir` (ending with
// "\") whose files take `installedBytes`.
UninstallExtras MakeUninstallExtras(const std::string& installDir, uint64_t installedBytes);

// Kilobytes, rounded up, at most what a REG_DWORD holds.
uint32_t KilobytesFor(uint64_t bytes);

// Writes the values into the existing entry `displayName` below `root`
// (HKEY_LOCAL_MACHINE for the installer; tests pass keys of their own):
// InstallLocation, DisplayIcon, EstimatedSize, VersionMajor, VersionMinor,
// NoModify, NoRepair, QuietUninstallString, in this order. The key is
// flushed when closed. Errors name the entry and the value.
q::Error WriteUninstallExtras(HKEY root, const std::string& displayName,
                              const UninstallExtras& extras);
