#include "installutils/os_version.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string SetFlags(const OsInfo& os) {
  std::string flags;
  const std::pair<bool, const char*> all[] = {{os.IsWin32s, "Win32s"},   {os.IsWin95, "Win95"},
                                              {os.IsWin98, "Win98"},     {os.IsWinNT4, "WinNT4"},
                                              {os.IsWin2000, "Win2000"}, {os.IsWinXP, "WinXP"}};
  for (const auto& [set, name] : all) {
    if (set) flags += flags.empty() ? name : std::string(",") + name;
  }
  return flags;
}

// Where each folder is read from: "LM"/"CU", key and value name.
std::string Sources(const FolderSources& s) {
  std::string out;
  for (const FolderSource& f : {s.programFiles, s.programs, s.desktop}) {
    out += std::string(f.root == RegistryRoot::kLocalMachine ? "LM" : "CU") + f.key + ":" +
           f.valueName + ";";
  }
  return out;
}

// Name, the one flag, and the folder branch: older systems read the current
// user's Programs and Desktop, all others the all-users ones; Program Files
// always comes from the local machine.
TEST(ClassifyOsVersion, PlatformsAndVersionsPickNameFlagAndFolderBranch) {
  const std::string version = "\\Software\\Microsoft\\Windows\\CurrentVersion";
  const std::string shell = version + "\\Explorer\\Shell Folders";
  const std::string older =
      "LM" + version + ":ProgramFilesDir;CU" + shell + ":Programs;CU" + shell + ":Desktop;";
  const std::string current = "LM" + version + ":ProgramFilesDir;LM" + shell +
                              ":Common Programs;LM" + shell + ":Common Desktop;";
  const struct {
    uint32_t platform, major, minor;
    const char* name;
    const char* flag;
    bool olderBranch;
  } cases[] = {
      {0, 3, 10, "Win32s", "Win32s", false},
      {1, 4, 0, "Windows 95", "Win95", true},
      {1, 4, 9, "Windows 95", "Win95", true},  // just below 98
      {1, 4, 10, "Windows 98", "Win98", true},
      {1, 5, 0, "Windows 95", "Win95", true},  // only 4.x can be 98
      {2, 3, 51, "Windows NT", "", false},
      {2, 4, 0, "Windows NT", "WinNT4", true},
      {2, 5, 0, "Windows NT", "Win2000", false},
      {2, 5, 1, "Windows NT", "WinXP", false},
      {2, 10, 0, "Windows NT", "", false},
      {3, 4, 0, "", "", false},  // Windows CE
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.platform) + "/" + std::to_string(c.major) + "." +
                 std::to_string(c.minor));
    OsVersionRecord record{c.major, c.minor, 0, c.platform, ""};
    const OsInfo os = ClassifyOsVersion(&record);
    EXPECT_TRUE(os.OsVersionKnown);
    EXPECT_EQ(os.OsName, c.name);
    EXPECT_EQ(SetFlags(os), c.flag);  // at most one flag, the right one
    EXPECT_EQ(UsesOlderFolderBranch(os), c.olderBranch);
    EXPECT_EQ(Sources(SelectFolderSources(os)), c.olderBranch ? older : current);
  }
  // A failed query knows nothing and takes the current systems' branch.
  const OsInfo unknown = ClassifyOsVersion(nullptr);
  EXPECT_FALSE(unknown.OsVersionKnown);
  EXPECT_EQ(SetFlags(unknown) + unknown.OsName + unknown.OsMajorText, "");
  EXPECT_EQ(unknown.OsMajor, 0u);
  EXPECT_EQ(Sources(SelectFolderSources(unknown)), current);
}

}  // namespace
