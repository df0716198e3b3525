// The start-up code: version query and folder reads, against keys of the
// test's own and against the Wine prefix's real registry.
#include "installutils/system_folders.h"

#include <gtest/gtest.h>

#include "installutils/registry.h"
#include "test_util.h"

namespace {

constexpr const char* kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

OsInfo Classified(uint32_t platform, uint32_t major, uint32_t minor) {
  OsVersionRecord record{major, minor, 0, platform, ""};
  return ClassifyOsVersion(&record);
}

// Two scratch keys standing in for the local-machine and current-user roots,
// each holding distinct values under every name either branch may read.
class ReadSystemFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qtest::SetRegistryString(lm_.Get(), kVersionKey, "ProgramFilesDir", "D:\\Apps\\");
    qtest::SetRegistryString(lm_.Get(), kShellFolders, "Common Programs", "D:\\LM\\Programs");
    qtest::SetRegistryString(lm_.Get(), kShellFolders, "Common Desktop", "D:\\LM\\Desktop\\");
    qtest::SetRegistryString(lm_.Get(), kShellFolders, "Programs", "D:\\LM\\UserPrograms");
    qtest::SetRegistryString(lm_.Get(), kShellFolders, "Desktop", "D:\\LM\\UserDesktop");
    qtest::SetRegistryString(cu_.Get(), kVersionKey, "ProgramFilesDir", "D:\\CU\\Apps");
    qtest::SetRegistryString(cu_.Get(), kShellFolders, "Programs", "%USERPROFILE%\\Programs\\",
                             REG_EXPAND_SZ);
    qtest::SetRegistryString(cu_.Get(), kShellFolders, "Desktop", "D:\\CU\\Desktop");
    qtest::SetRegistryString(cu_.Get(), kShellFolders, "Common Programs", "D:\\CU\\Common");
  }
  qtest::ScratchKey lm_;
  qtest::ScratchKey cu_;
};

TEST_F(ReadSystemFoldersTest, CurrentSystemsUseTheAllUsersFolders) {
  for (const OsInfo& os : {Classified(2, 5, 0), Classified(2, 5, 1), Classified(2, 10, 0),
                           ClassifyOsVersion(nullptr)}) {
    const SystemFolders f = ReadSystemFolders(os, lm_.Get(), cu_.Get());
    EXPECT_EQ(f.ProgramFilesFolder, "D:\\Apps\\");  // trailing "\" kept
    EXPECT_EQ(f.ProgramsFolder, "D:\\LM\\Programs");  // none added
    EXPECT_EQ(f.DesktopFolder, "D:\\LM\\Desktop\\");
  }
}

TEST_F(ReadSystemFoldersTest, OlderSystemsUseTheCurrentUsersFolders) {
  for (const OsInfo& os : {Classified(1, 4, 0), Classified(1, 4, 10), Classified(2, 4, 0)}) {
    const SystemFolders f = ReadSystemFolders(os, lm_.Get(), cu_.Get());
    EXPECT_EQ(f.ProgramFilesFolder, "D:\\Apps\\");
    EXPECT_EQ(f.ProgramsFolder, "%USERPROFILE%\\Programs\\");
    EXPECT_EQ(f.DesktopFolder, "D:\\CU\\Desktop");
  }
}

// The real start-up in the prefix: Wine reports a current NT system, so the
// all-users folders are read, and they exist.
TEST(StartUp, ReadsTheSystemsFolders) {
  InitializeInstallUtils();
  const OsInfo& os = OsInformation();
  EXPECT_TRUE(os.OsVersionKnown);
  EXPECT_EQ(os.OsName, "Windows NT");
  EXPECT_GE(os.OsMajor, 6u);
  EXPECT_EQ(ProgramFilesFolder(),
            RegReadString(HKEY_LOCAL_MACHINE, kVersionKey, "ProgramFilesDir"));
  EXPECT_EQ(ProgramsFolder(), RegReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs"));
  EXPECT_EQ(DesktopFolder(), RegReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop"));
  for (const std::string* folder : {&ProgramFilesFolder(), &ProgramsFolder(), &DesktopFolder(),
                                    &OtherSystemFolders().WindowsFolder,
                                    &OtherSystemFolders().SystemFolder,
                                    &OtherSystemFolders().AppDataFolder,
                                    &OtherSystemFolders().PersonalFolder}) {
    EXPECT_TRUE(qtest::FolderExists(*folder)) << "\"" << *folder << "\"";
  }
  FinalizeInstallUtils();
}

TEST(StartUp, RunsOnceAndReleasesAtTheLastFinalize) {
  EXPECT_EQ(ProgramFilesFolder(), "");  // nothing before the start-up code
  InitializeInstallUtils();
  const std::string programFiles = ProgramFilesFolder();
  ASSERT_NE(programFiles, "");
  SetSystemFolders({"T:\\Program Files", "T:\\Programs\\", "T:\\Desktop"});
  InitializeInstallUtils();  // counted, not run again
  EXPECT_EQ(ProgramFilesFolder(), "T:\\Program Files");
  EXPECT_EQ(ProgramsFolder(), "T:\\Programs\\");
  EXPECT_EQ(DesktopFolder(), "T:\\Desktop");
  FinalizeInstallUtils();
  EXPECT_EQ(ProgramsFolder(), "T:\\Programs\\");  // still one start-up to match
  FinalizeInstallUtils();
  EXPECT_EQ(ProgramsFolder(), "");
  EXPECT_FALSE(OsInformation().OsVersionKnown);
  FinalizeInstallUtils();  // unmatched: nothing happens
  InitializeInstallUtils();  // a fresh start reads again
  EXPECT_EQ(ProgramFilesFolder(), programFiles);
  FinalizeInstallUtils();
}

}  // namespace
