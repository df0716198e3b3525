#include "installutils/os_version.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct VersionCase {
  uint32_t platform, major, minor;
  const char* name;
  // Which flag is set: "", "Win32s", "Win95", "Win98", "WinNT4", "Win2000", "WinXP".
  const char* flag;
  bool olderBranch;
};

std::string SetFlags(const OsInfo& os) {
  std::string flags;
  const std::pair<bool, const char*> all[] = {
      {os.IsWin32s, "Win32s"}, {os.IsWin95, "Win95"},     {os.IsWin98, "Win98"},
      {os.IsWinNT4, "WinNT4"}, {os.IsWin2000, "Win2000"}, {os.IsWinXP, "WinXP"}};
  for (const auto& [set, name] : all) {
    if (set) flags += flags.empty() ? name : std::string(",") + name;
  }
  return flags;
}

TEST(ClassifyOsVersion, PlatformsAndVersions) {
  const VersionCase cases[] = {
      {0, 3, 10, "Win32s", "Win32s", false},
      {1, 4, 0, "Windows 95", "Win95", true},
      {1, 4, 3, "Windows 95", "Win95", true},     // OSR2
      {1, 4, 9, "Windows 95", "Win95", true},     // just below 98
      {1, 4, 10, "Windows 98", "Win98", true},
      {1, 4, 90, "Windows 98", "Win98", true},    // Millennium
      {1, 5, 0, "Windows 95", "Win95", true},     // only 4.x can be 98
      {2, 3, 51, "Windows NT", "", false},
      {2, 4, 0, "Windows NT", "WinNT4", true},
      {2, 5, 0, "Windows NT", "Win2000", false},
      {2, 5, 1, "Windows NT", "WinXP", false},
      {2, 5, 2, "Windows NT", "Win2000", false},  // Server 2003
      {2, 6, 1, "Windows NT", "", false},
      {2, 10, 0, "Windows NT", "", false},
      {3, 4, 0, "", "", false},                   // Windows CE
      {0xFFFFFFFF, 5, 1, "", "", false},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.platform) + "/" + std::to_string(c.major) + "." +
                 std::to_string(c.minor));
    OsVersionRecord record;
    record.platformId = c.platform;
    record.majorVersion = c.major;
    record.minorVersion = c.minor;
    const OsInfo os = ClassifyOsVersion(&record);
    EXPECT_TRUE(os.OsVersionKnown);
    EXPECT_EQ(os.OsName, c.name);
    EXPECT_EQ(SetFlags(os), c.flag);  // at most one flag, the right one
    EXPECT_EQ(UsesOlderFolderBranch(os), c.olderBranch);
  }
}

TEST(ClassifyOsVersion, NumbersTextsAndServicePack) {
  // Windows 98 SE reports 4.10 with the version in the build's high word.
  OsVersionRecord record{4, 10, 0x040A08AEu, 1, " A "};
  OsInfo os = ClassifyOsVersion(&record);
  EXPECT_EQ(os.OsMajor, 4u);
  EXPECT_EQ(os.OsMinor, 10u);
  EXPECT_EQ(os.OsBuild, 2222u);
  EXPECT_EQ(os.OsMajorText, "4");
  EXPECT_EQ(os.OsMinorText, "10");
  EXPECT_EQ(os.OsBuildText, "2222");
  EXPECT_EQ(os.OsServicePack, " A ");  // as the system reports it

  record = {5, 1, 2600, 2, "Service Pack 3"};
  os = ClassifyOsVersion(&record);
  EXPECT_EQ(os.OsBuildText, "2600");
  EXPECT_EQ(os.OsServicePack, "Service Pack 3");

  record = {10, 0, 0xFFFFFFFFu, 2, ""};
  EXPECT_EQ(ClassifyOsVersion(&record).OsBuild, 0xFFFFu);
}

TEST(ClassifyOsVersion, FailedQueryKnowsNothingAndTakesCurrentBranch) {
  const OsInfo os = ClassifyOsVersion(nullptr);
  EXPECT_FALSE(os.OsVersionKnown);
  EXPECT_EQ(SetFlags(os), "");
  EXPECT_EQ(os.OsName, "");
  EXPECT_EQ(os.OsMajor, 0u);
  EXPECT_EQ(os.OsMajorText, "");
  EXPECT_FALSE(UsesOlderFolderBranch(os));
  EXPECT_EQ(std::string(SelectFolderSources(os).programs.valueName), "Common Programs");
}

TEST(SelectFolderSources, EachBranchReadsItsOwnPlaces) {
  constexpr const char* kVersion = "\\Software\\Microsoft\\Windows\\CurrentVersion";
  constexpr const char* kShell =
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  struct BranchCase {
    uint32_t platform, major, minor;
    RegistryRoot userFoldersRoot;
    const char* programs;
    const char* desktop;
  };
  constexpr RegistryRoot kLm = RegistryRoot::kLocalMachine;
  constexpr RegistryRoot kCu = RegistryRoot::kCurrentUser;
  const BranchCase cases[] = {
      // Older systems: the current user's folders.
      {1, 4, 0, kCu, "Programs", "Desktop"},
      {1, 4, 10, kCu, "Programs", "Desktop"},
      {2, 4, 0, kCu, "Programs", "Desktop"},
      // Everything else: the all-users folders.
      {2, 5, 0, kLm, "Common Programs", "Common Desktop"},
      {2, 5, 1, kLm, "Common Programs", "Common Desktop"},
      {2, 10, 0, kLm, "Common Programs", "Common Desktop"},
      {0, 3, 10, kLm, "Common Programs", "Common Desktop"},
      {2, 3, 51, kLm, "Common Programs", "Common Desktop"},
  };
  for (const BranchCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.platform) + "/" + std::to_string(c.major) + "." +
                 std::to_string(c.minor));
    OsVersionRecord record{c.major, c.minor, 0, c.platform, ""};
    const FolderSources s = SelectFolderSources(ClassifyOsVersion(&record));
    EXPECT_EQ(s.programFiles.root, kLm);
    EXPECT_STREQ(s.programFiles.key, kVersion);
    EXPECT_STREQ(s.programFiles.valueName, "ProgramFilesDir");
    EXPECT_EQ(s.programs.root, c.userFoldersRoot);
    EXPECT_STREQ(s.programs.key, kShell);
    EXPECT_STREQ(s.programs.valueName, c.programs);
    EXPECT_EQ(s.desktop.root, c.userFoldersRoot);
    EXPECT_STREQ(s.desktop.key, kShell);
    EXPECT_STREQ(s.desktop.valueName, c.desktop);
  }
}

}  // namespace
