// The start-up code: the folder reads against keys of the test's own, and
// the real start-up against the Wine prefix's registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "installutils/system_folders.h"
#include "test_util.h"

namespace {

constexpr const char* kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Two scratch keys stand in for the local-machine and current-user roots,
// with distinct values under every name either branch may read: a branch
// reading the wrong root or name shows. Values come back as stored: no
// separator added or removed, nothing expanded. (Which systems take which
// branch is the portable ClassifyOsVersion's fact.)
TEST(ReadSystemFolders, EachBranchReadsItsOwnRootAndNames) {
  qtest::ScratchKey lm, cu;
  for (const auto& [key, sub, name, text] :
       std::initializer_list<std::tuple<HKEY, const char*, const char*, const char*>>{
           {lm.Get(), kVersionKey, "ProgramFilesDir", "D:\\Apps\\"},
           {lm.Get(), kShellFolders, "Common Programs", "D:\\LM\\Programs"},
           {lm.Get(), kShellFolders, "Common Desktop", "D:\\LM\\Desktop\\"},
           {lm.Get(), kShellFolders, "Programs", "D:\\LM\\UserPrograms"},
           {lm.Get(), kShellFolders, "Desktop", "D:\\LM\\UserDesktop"},
           {cu.Get(), kVersionKey, "ProgramFilesDir", "D:\\CU\\Apps"},
           {cu.Get(), kShellFolders, "Desktop", "D:\\CU\\Desktop"},
           {cu.Get(), kShellFolders, "Common Programs", "D:\\CU\\Common"}}) {
    qtest::SetRegistryString(key, sub, name, text);
  }
  qtest::SetRegistryString(cu.Get(), kShellFolders, "Programs", "%USERPROFILE%\\Programs\\",
                           REG_EXPAND_SZ);
  const struct {
    OsVersionRecord record;
    bool known, older;
  } cases[] = {{{10, 0, 0, 2, ""}, true, false},
               {{}, false, false},  // the version query failed: current systems
               {{4, 0, 0, 1, ""}, true, true}};
  for (const auto& c : cases) {
    const SystemFolders f =
        ReadSystemFolders(ClassifyOsVersion(c.known ? &c.record : nullptr), lm.Get(), cu.Get());
    SCOPED_TRACE(std::to_string(c.record.platformId) + "/" + std::to_string(c.record.majorVersion));
    EXPECT_EQ(f.ProgramFilesFolder, "D:\\Apps\\");
    EXPECT_EQ(f.ProgramsFolder, c.older ? "%USERPROFILE%\\Programs\\" : "D:\\LM\\Programs");
    EXPECT_EQ(f.DesktopFolder, c.older ? "D:\\CU\\Desktop" : "D:\\LM\\Desktop\\");
  }
}

// Wine reports a current NT system: the all-users folders are read (where
// the end-to-end tests see the installation land). The start-up is
// counted: a nested start runs nothing, the last finish releases, a fresh
// start reads again.
TEST(StartUp, ReadsTheSystemsFoldersOnceAndReleasesAtTheLastFinalize) {
  EXPECT_EQ(ProgramFilesFolder(), "");  // nothing before the start-up code
  InitializeInstallUtils();
  EXPECT_EQ(OsInformation().OsName, "Windows NT");
  const std::string programFiles = ProgramFilesFolder();
  EXPECT_EQ(programFiles, "C:\\Program Files");
  for (const std::string* folder :
       {&OtherSystemFolders().WindowsFolder, &OtherSystemFolders().SystemFolder,
        &OtherSystemFolders().AppDataFolder, &OtherSystemFolders().PersonalFolder}) {
    EXPECT_TRUE(std::filesystem::is_directory(*folder)) << "\"" << *folder << "\"";
  }
  SetSystemFolders({"T:\\Program Files", "T:\\Programs\\", "T:\\Desktop"});
  InitializeInstallUtils();  // counted, not run again
  FinalizeInstallUtils();
  EXPECT_EQ(ProgramsFolder(), "T:\\Programs\\");  // still one start-up to match
  FinalizeInstallUtils();
  EXPECT_EQ(ProgramsFolder(), "");
  EXPECT_FALSE(OsInformation().OsVersionKnown);
  FinalizeInstallUtils();  // unmatched: nothing happens
  InitializeInstallUtils();
  EXPECT_EQ(ProgramFilesFolder(), programFiles);
  FinalizeInstallUtils();
}

}  // namespace
