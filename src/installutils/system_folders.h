// The system's folders and version, read once at program start-up before
// any window exists, then fixed for the run. Windows-only.
#pragma once

#include <windows.h>

#include <string>

#include "installutils/os_version.h"

// Folder values as the registry stores them, with or without a trailing
// "\"; empty when they cannot be read.
struct SystemFolders {
  std::string ProgramFilesFolder;  // parent of the installation folder
  std::string ProgramsFolder;      // the Start menu's Programs folder
  std::string DesktopFolder;
};

// Further folders of the current user and the system, kept for completeness;
// the installer itself does not use them.
struct OtherFolders {
  std::string WindowsFolder;
  std::string SystemFolder;
  std::string StartMenuFolder;
  std::string SendToFolder;
  std::string StartupFolder;
  std::string NetHoodFolder;
  std::string AppDataFolder;
  std::string FontsFolder;
  std::string PersonalFolder;
};

// The start-up code: queries the version and reads the folders. Call it
// once on the main thread before the dialog exists; further calls only
// count, so each must be matched by one FinalizeInstallUtils, the last of
// which releases the values.
void InitializeInstallUtils();
void FinalizeInstallUtils();

// The values read by the start-up code; empty (and an unknown version)
// before it ran.
const OsInfo& OsInformation();
const std::string& ProgramFilesFolder();
const std::string& ProgramsFolder();
const std::string& DesktopFolder();
const OtherFolders& OtherSystemFolders();

// Replaces the three folder values. For tests, which point the installer at
// folders of their own; call it after InitializeInstallUtils, which would
// otherwise read over them.
void SetSystemFolders(SystemFolders folders);

// The version query (GetVersionExA with the 148-byte ANSI record).
OsInfo QueryOsVersion();

// Reads the three folders from the places `os` selects, with `localMachine`
// and `currentUser` as the two roots (the predefined ones at start-up; tests
// pass keys of their own).
SystemFolders ReadSystemFolders(const OsInfo& os, HKEY localMachine, HKEY currentUser);
