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

// Older systems read the program and desktop folders of the current user,
// as stored (nothing expanded), and Program Files of the machine; the
// machine's keys hold other values under every name, so a wrong root shows.
// (Current systems are the start-up's branch below.)
TEST(ReadSystemFolders, OlderSystemsReadTheUsersFolders) {
  qtest::ScratchKey lm, cu;
  for (const auto& [key, sub, name, text] :
       std::initializer_list<std::tuple<HKEY, const char*, const char*, const char*>>{
           {lm.Get(), kVersionKey, "ProgramFilesDir", "D:\\Apps\\"},
           {lm.Get(), kShellFolders, "Programs", "D:\\LM\\Programs"},
           {lm.Get(), kShellFolders, "Desktop", "D:\\LM\\Desktop"},
           {cu.Get(), kVersionKey, "ProgramFilesDir", "D:\\CU\\Apps"},
           {cu.Get(), kShellFolders, "Desktop", "D:\\CU\\Desktop"}}) {
    qtest::SetRegistryString(key, sub, name, text);
  }
  qtest::SetRegistryString(cu.Get(), kShellFolders, "Programs", "%USERPROFILE%\\Programs\\",
                           REG_EXPAND_SZ);
  const OsVersionRecord win95{4, 0, 0, 1, ""};
  const SystemFolders f = ReadSystemFolders(ClassifyOsVersion(&win95), lm.Get(), cu.Get());
  EXPECT_EQ(f.ProgramFilesFolder, "D:\\Apps\\");
  EXPECT_EQ(f.ProgramsFolder, "%USERPROFILE%\\Programs\\");
  EXPECT_EQ(f.DesktopFolder, "D:\\CU\\Desktop");
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
