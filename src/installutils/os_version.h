// Which Windows the installer runs on, and where it therefore looks for the
// system's folders. Pure functions of the version record: no system calls,
// built and tested on every target.
#pragma once

#include <cstdint>
#include <string>

// The fields of the system's ANSI version-information record that matter.
struct OsVersionRecord {
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  // As reported: on the Windows 95 family the high word holds the version
  // numbers, so only the low 16 bits are the build.
  uint32_t buildNumber = 0;
  uint32_t platformId = 0;  // 0 Win32s, 1 Windows 95 family, 2 NT family
  std::string servicePack;
};

// What the start-up code knows about the system. At most one Is... flag is
// set; none when the version query failed or the system is newer or unknown.
struct OsInfo {
  bool OsVersionKnown = false;
  uint32_t OsMajor = 0;
  uint32_t OsMinor = 0;
  uint32_t OsBuild = 0;                               // low 16 bits of the build number
  std::string OsMajorText, OsMinorText, OsBuildText;  // the numbers in decimal
  std::string OsName;  // "Win32s", "Windows 95", "Windows 98", "Windows NT" or empty
  std::string OsServicePack;
  bool IsWin32s = false;
  bool IsWin95 = false;
  bool IsWin98 = false;
  bool IsWinNT4 = false;
  bool IsWin2000 = false;
  bool IsWinXP = false;
};

// Classifies a version record; null stands for a failed version query.
OsInfo ClassifyOsVersion(const OsVersionRecord* record);

// Systems before Windows 2000 keep no all-users Start menu and desktop in
// the registry: the folders are read from the older-systems places.
bool UsesOlderFolderBranch(const OsInfo& os);

// Where one folder value is read from. Keys are absolute from their root.
enum class RegistryRoot { kLocalMachine, kCurrentUser };
struct FolderSource {
  RegistryRoot root;
  const char* key;
  const char* valueName;
};
struct FolderSources {
  FolderSource programFiles;
  FolderSource programs;
  FolderSource desktop;
};

inline constexpr const char* kVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char* kShellFoldersKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The registry places of the three folders the installer uses.
FolderSources SelectFolderSources(const OsInfo& os);
