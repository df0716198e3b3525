#include "installutils/os_version.h"

#include "common/digits.h"

namespace {

constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWindows = 1;
constexpr uint32_t kPlatformNt = 2;

}  // namespace

OsInfo ClassifyOsVersion(const OsVersionRecord* record) {
  OsInfo os;
  if (record == nullptr) return os;
  os.OsVersionKnown = true;
  os.OsMajor = record->majorVersion;
  os.OsMinor = record->minorVersion;
  os.OsBuild = record->buildNumber & 0xFFFFu;
  os.OsMajorText = q::Decimal(os.OsMajor);
  os.OsMinorText = q::Decimal(os.OsMinor);
  os.OsBuildText = q::Decimal(os.OsBuild);
  switch (record->platformId) {
    case kPlatformWin32s:
      os.OsName = "Win32s";
      os.IsWin32s = true;
      break;
    case kPlatformWindows:
      // 4.10 is Windows 98 and 4.90 Millennium, which behaves like 98 here.
      if (os.OsMajor == 4 && os.OsMinor >= 10) {
        os.OsName = "Windows 98";
        os.IsWin98 = true;
      } else {
        os.OsName = "Windows 95";
        os.IsWin95 = true;
      }
      break;
    case kPlatformNt:
      os.OsName = "Windows NT";
      if (os.OsMajor == 4) {
        os.IsWinNT4 = true;
      } else if (os.OsMajor == 5) {
        // 5.1 is XP; 5.0 and 5.2 (Server 2003) count as 2000.
        if (os.OsMinor == 1) {
          os.IsWinXP = true;
        } else {
          os.IsWin2000 = true;
        }
      }
      break;
    default: break;
  }
  os.OsServicePack = record->servicePack;
  return os;
}

bool UsesOlderFolderBranch(const OsInfo& os) { return os.IsWin95 || os.IsWin98 || os.IsWinNT4; }

FolderSources SelectFolderSources(const OsInfo& os) {
  static constexpr FolderSource kProgramFiles{RegistryRoot::kLocalMachine, kVersionKey,
                                              "ProgramFilesDir"};
  // The per-user Programs folder exists on every older system, and the
  // program group must be created inside an existing folder.
  static constexpr FolderSources kOlder{kProgramFiles,
                                        {RegistryRoot::kCurrentUser, kShellFoldersKey, "Programs"},
                                        {RegistryRoot::kCurrentUser, kShellFoldersKey, "Desktop"}};
  static constexpr FolderSources kNewer{
      kProgramFiles,
      {RegistryRoot::kLocalMachine, kShellFoldersKey, "Common Programs"},
      {RegistryRoot::kLocalMachine, kShellFoldersKey, "Common Desktop"}};
  return UsesOlderFolderBranch(os) ? kOlder : kNewer;
}
