// The installation procedure as the dialog runs it: the real payload and
// archives made here, the progress bar, installing again, and each failing
// step stopping the procedure there with the failure shown and nothing left.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "installer/progress_throttle.h"
#include "installer/uninstall_extras.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "win/installer/installer_fixture.h"

namespace installer_test {
namespace {

class InstallTest : public InstallerTest {
 protected:
  // The dialog after a failed step: the reason, no Yes, No to end, not busy.
  void ExpectFailure(const TForm3& form, const std::string& reasonPart) {
    const std::string& status = form.Label4->Caption();
    EXPECT_EQ(status.rfind("Setup of Quorvantis failed: ", 0), 0u) << status;
    EXPECT_NE(status.find(reasonPart), std::string::npos) << status;
    EXPECT_TRUE(form.Failed());
    EXPECT_EQ(form.ExitCode(), 1603);
    EXPECT_FALSE(form.Busy());
    EXPECT_EQ(form.Phase(), 2);
    EXPECT_FALSE(form.FyeverButtonSI->Visible());
    EXPECT_TRUE(form.FyeverButtonNO->Visible());
    EXPECT_FALSE(form.ProgressBar1->Visible());
    EXPECT_EQ(::GetFocus(), form.FyeverButtonNO->Handle());
  }
  // Installs `archive` in a dialog of its own; the dialog stays open in
  // `form`.
  void Install(TProbeForm3& form, const Bytes* archive) {
    module_ = std::make_unique<ArchiveModule>(archive);
    Open(form, module_->Get());
    Yes(form);
  }
  // A first installation of `archive` that must succeed, its dialog closed.
  void InstallFirst(const Bytes& archive) {
    TProbeForm3 form;
    Install(form, &archive);
    ASSERT_FALSE(form.Failed()) << form.Label4->Caption();
  }
  bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::unique_ptr<ArchiveModule> module_;
};

TEST_F(InstallTest, TheBarCountsEntriesFromZeroToOneShortOfTheTotalThenHides) {
  // Up to fifty entries every one is shown; of more, about one per fiftieth.
  for (const auto& [files, folder] :
       {std::pair{3, false}, std::pair{39, true}, std::pair{400, false}}) {
    SCOPED_TRACE(files);
    const int total = files + (folder ? 1 : 0);
    const Bytes archive = SmallArchive(files, folder);
    ArchiveModule module(&archive);
    TProbeForm3 form;
    Open(form, module.Get());
    BarRecorder bar(form.ProgressBar1->Handle());
    const DWORD start = ::GetTickCount();
    Yes(form);
    const DWORD elapsed = ::GetTickCount() - start;
    ASSERT_FALSE(form.Failed()) << form.Label4->Caption();

    // The positions shown while the maximum is the entry count, repeats
    // left out: 0, 1, ..., N-1, all with the bar visible.
    std::vector<int> shown, expected;
    for (const BarStep& s : bar.steps) {
      if (s.max != total) continue;
      EXPECT_TRUE(s.visible);
      if (shown.empty() || shown.back() != s.position) shown.push_back(s.position);
    }
    for (int i = 0; i < total; ++i) expected.push_back(i);
    if (total <= ProgressThrottle::kMaxSteps) {
      EXPECT_EQ(shown, expected);
    } else {
      EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
      // One show per drawn step, one per interval that passed (a slow
      // machine shows more), and the first.
      EXPECT_GE(shown.size(), 40u);
      EXPECT_LE(shown.size(),
                ProgressThrottle::kMaxSteps + 3 + elapsed / ProgressThrottle::kDefaultInterval);
    }
    EXPECT_FALSE(form.ProgressBar1->Visible());
    EXPECT_EQ(form.ProgressBar1->Step(), 1);
    EXPECT_TRUE(::GetWindowLongPtrA(form.ProgressBar1->Handle(), GWL_STYLE) & PBS_SMOOTH);
    EXPECT_TRUE(!folder || std::filesystem::is_directory(InstallDir() + "docs"));
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
  }
}

TEST_F(InstallTest, InstallingAgainRestoresFilesAndShortcuts) {
  const Bytes archive = SmallArchive(3);
  ASSERT_NO_FATAL_FAILURE(InstallFirst(archive));
  // Damage the installation a little (files of a person's own: end to end).
  qtest::WriteFileBytes(InstallDir() + "file1.txt", qtest::ToBytes("changed"));
  ASSERT_TRUE(::SetFileAttributesA((InstallDir() + "file2.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::DeleteFileA((GroupDir() + "Quorvantis.lnk").c_str()));
  TProbeForm3 form;
  Install(form, &archive);
  ASSERT_FALSE(form.Failed()) << form.Label4->Caption();
  EXPECT_EQ(qtest::ReadFileBytes(InstallDir() + "file1.txt"),
            qtest::ToBytes("content of file1.txt\r\n"));
  EXPECT_FALSE(Exists(InstallDir() + "_TEMP_ZIP_.DAT"));
  // The previous installation, read-only files and all, is gone.
  EXPECT_FALSE(Exists(programFiles_ + "\\Quorvantis.~old"));
  EXPECT_TRUE(Exists(GroupDir() + "Quorvantis.lnk"));
}

// A folder or shortcut that cannot be made, an archive missing, empty,
// unreadable or with a damaged entry: the step says why, and the folders and registry
// are left as they were.
TEST_F(InstallTest, EachFailingStepEndsTheInstallationAndLeavesNothing) {
  std::vector<qtest::ZipEntryPlan> damaged = {qtest::Stored("Quorvantis.exe", "program"),
                                              qtest::Stored("data.bin", "data")};
  damaged[1].overrideCrc = true;
  damaged[1].crc = 0x12345678;
  const Bytes corrupt = qtest::BuildZip(damaged), empty = qtest::BuildZip({}),
              garbage = qtest::ToBytes(std::string(3000, 'x')), small = SmallArchive(2);
  const std::string base = programFiles_, missing = root_.Path() + "Missing";
  const struct {
    std::string programFiles, programs, desktop;
    const Bytes* archive;
    std::string reason;
  } cases[] = {
      {missing, programs_, desktop_, &small,
       "cannot create the installation folder " + missing + "\\Quorvantis\\"},
      {base, missing, desktop_, &small, "cannot create the program group"},
      {"", programs_, desktop_, &small, "Program Files"},
      {base, programs_, missing, &small, "cannot create shortcut " + missing + "\\Quorvantis.lnk"},
      {base, programs_, desktop_, &corrupt, "1 of 2 entries failed: data.bin (urCrcError)"},
      {base, programs_, desktop_, nullptr, "no product archive"},
      {base, programs_, desktop_, &empty, "the archive holds no entries"},
      {base, programs_, desktop_, &garbage, "not a readable ZIP archive"},
  };
  const std::vector<std::string> before = Tree();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    SetFolders(c.programFiles, c.programs, c.desktop);
    ArchiveModule module(c.archive);
    TProbeForm3 form;
    Open(form, module.Get());
    Yes(form);
    ExpectFailure(form, c.reason);
    EXPECT_EQ(Tree(), before);
    EXPECT_FALSE(qtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    // The hidden Yes launches nothing; No ends the program.
    Yes(form);
    EXPECT_TRUE(opened.empty());
    form.FyeverButtonNO->Click();
    EXPECT_FALSE(form.Visible());
  }
}

// A shortcut that cannot be saved over an installation: its files, the
// person's own, its shortcuts and entry stay exactly as they were.
TEST_F(InstallTest, AShortcutThatCannotBeSavedPutsEverythingBackAsItWas) {
  const Bytes first = SmallArchive(2);
  ASSERT_NO_FATAL_FAILURE(InstallFirst(first));
  qtest::WriteFileBytes(InstallDir() + "notes.txt", qtest::ToBytes("mine"));
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "0.9");
  ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
  const std::vector<std::string> before = Tree();
  const Bytes file0 = qtest::ReadFileBytes(InstallDir() + "file0.txt");
  const Bytes link = qtest::ReadFileBytes(GroupDir() + "Quorvantis.lnk");
  SetFolders(programFiles_, programs_, root_.Path() + "NoDesktop");
  const Bytes second =
      qtest::BuildZip({qtest::Stored("file0.txt", "second"), qtest::Stored("new.txt", "new")});
  TProbeForm3 form;
  Install(form, &second);
  ExpectFailure(form, "Quorvantis.lnk");
  EXPECT_EQ(Tree(), before);
  EXPECT_EQ(qtest::ReadFileBytes(InstallDir() + "file0.txt"), file0);
  EXPECT_EQ(qtest::ReadFileBytes(GroupDir() + "Quorvantis.lnk"), link);
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "0.9");
  EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", RRF_RT_ANY, nullptr,
                           nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
}

// The entry's further values go only over an existing entry; sizes are
// whole kilobytes, rounded up, saturating.
TEST(UninstallExtras, NeedTheEntryAndRoundSizesUp) {
  qtest::ScratchKey root;
  q::Error err = WriteUninstallExtras(root.Get(), "Quorvantis", MakeUninstallExtras("C:\\Q\\", 0));
  EXPECT_NE(err.Message().find("Uninstall\\Quorvantis"), std::string::npos) << err.Message();
  EXPECT_FALSE(qtest::RegistryKeyExists(root.Get(), UninstallKeyPath("Quorvantis").substr(1)));
  for (const auto& [bytes, kilobytes] :
       {std::pair<uint64_t, uint32_t>{1, 1}, {1025, 2}, {uint64_t{0xFFFFFFFF} * 1024 + 1, ~0u}}) {
    EXPECT_EQ(KilobytesFor(bytes), kilobytes) << bytes;
  }
}

}  // namespace
}  // namespace installer_test
