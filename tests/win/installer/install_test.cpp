// The installation procedure as the dialog runs it: the real payload and
// archives made here, the progress bar, installing again, and each failing
// step stopping the procedure there with the failure shown.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "installer/progress_throttle.h"
#include "unzip/crc32.h"
#include "unzip/zipread.h"
#include "win/installer/installer_fixture.h"
#include "win/installutils/test_util.h"

namespace installer_test {
namespace {

constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvantis";

std::string StringValue(const std::string& name) {
  const auto v = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, kKey, name);
  if (!v) return "(missing)";
  if (v->type != REG_SZ) return "(type " + std::to_string(v->type) + ")";
  return v->data.substr(0, v->data.find('\0'));
}

DWORD NumberValue(const std::string& name) {
  const auto v = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, kKey, name);
  DWORD n = 0xDEADBEEF;
  if (v && v->type == REG_DWORD && v->data.size() == sizeof n)
    std::memcpy(&n, v->data.data(), sizeof n);
  return n;
}

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
  // Installs `archive` (null: the real payload) in a dialog of its own;
  // the dialog stays open in `form`.
  void Install(TProbeForm3& form, const Bytes* archive) {
    if (archive) module_ = std::make_unique<ArchiveModule>(archive);
    Open(form, module_ ? module_->Get() : nullptr);
    Yes(form);
  }
  bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::unique_ptr<ArchiveModule> module_;
};

TEST_F(InstallTest, ThePayloadLandsByteForByteWithShortcutsAndTheFullUninstallEntry) {
  // Folder values with a trailing backslash make the same folders.
  SetFolders(programFiles_ + "\\", programs_ + "\\", desktop_ + "\\");
  TProbeForm3 form;
  Install(form, nullptr);
  ASSERT_FALSE(form.Failed()) << form.Label4->Caption();
  EXPECT_EQ(form.ExitCode(), 0);
  EXPECT_EQ(form.InstallDir(), InstallDir());
  EXPECT_EQ(form.StartMenuDir(), GroupDir());

  uint64_t bytes = 0;
  int entries = 0;
  TZipSearchRec rec{};
  const std::string payload = qtest::HostPath(Q_PAYLOAD_ZIP);
  for (int rc = ZipFindFirst(payload.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    ++entries;
    const Bytes installed = qtest::ReadFileBytes(InstallDir() + rec.EntryName);
    EXPECT_EQ(installed.size(), rec.UnpackedSize) << rec.EntryName;
    EXPECT_EQ(~unzip::Crc32Update(0xFFFFFFFFu, installed.data(), installed.size()), rec.EntryCrc)
        << rec.EntryName;
    bytes += installed.size();
  }
  ZipFindClose(rec);
  EXPECT_GE(entries, 2);
  EXPECT_FALSE(Exists(InstallDir() + "_TEMP_ZIP_.DAT"));

  const struct {
    std::string link, target, description;
  } links[] = {
      {DesktopLink(), InstallDir() + "Quorvantis.exe", "Quorvantis"},
      {GroupDir() + "Quorvantis.lnk", InstallDir() + "Quorvantis.exe", "Quorvantis"},
      {GroupDir() + "Uninstall Quorvantis.lnk", InstallDir() + "UninstallQuorvantis.exe",
       "Uninstall Quorvantis"},
  };
  for (const auto& l : links) {
    const qtest::LinkFields f = qtest::ReadShortcut(l.link);
    EXPECT_EQ(f.path, l.target) << l.link;
    EXPECT_EQ(f.arguments, "") << l.link;
    EXPECT_EQ(f.workingFolder, InstallDir()) << l.link;
    EXPECT_EQ(f.description, l.description) << l.link;
  }

  EXPECT_EQ(StringValue("Publisher"), "Quorvantis Software");
  EXPECT_EQ(StringValue("DisplayName"), "Quorvantis");
  EXPECT_EQ(StringValue("DisplayVersion"), "1.1 ");
  EXPECT_EQ(StringValue("HelpLink"), "https://quorvantis.example/");
  EXPECT_EQ(StringValue("URLUpdateInfo"), "https://quorvantis.example/updates/");
  EXPECT_EQ(StringValue("URLInfoAbout"), "https://quorvantis.example/updates/");
  EXPECT_EQ(StringValue("HelpTelephone"), "(missing)");
  EXPECT_EQ(StringValue("ModifyPath"), "(missing)");
  EXPECT_NE(StringValue("UninstallString").find(InstallDir() + "UninstallQuorvantis.exe"),
            std::string::npos);
  EXPECT_EQ(StringValue("InstallLocation"), InstallDir());
  EXPECT_EQ(StringValue("DisplayIcon"), InstallDir() + "Quorvantis.exe");
  EXPECT_EQ(NumberValue("EstimatedSize"), (bytes + 1023) / 1024);
  EXPECT_EQ(NumberValue("VersionMajor"), 1u);
  EXPECT_EQ(NumberValue("VersionMinor"), 1u);
  EXPECT_EQ(NumberValue("NoModify"), 1u);
  EXPECT_EQ(NumberValue("NoRepair"), 1u);
  const std::string uninstaller = InstallDir() + "UninstallQuorvantis.exe";
  EXPECT_EQ(StringValue("QuietUninstallString"), '"' + uninstaller + "\" /S");
}

TEST_F(InstallTest, TheBarCountsEntriesFromZeroToOneShortOfTheTotalThenHides) {
  for (const auto& [files, folder] : {std::pair{3, false}, std::pair{39, true}}) {
    SCOPED_TRACE(files);
    const int total = files + (folder ? 1 : 0);
    const Bytes archive = SmallArchive(files, folder);
    ArchiveModule module(&archive);
    TProbeForm3 form;
    Open(form, module.Get());
    BarRecorder bar(form.ProgressBar1->Handle());
    Yes(form);
    ASSERT_FALSE(form.Failed()) << form.Label4->Caption();

    // The positions shown while the maximum is the entry count, repeats
    // left out: 0, 1, ..., N-1, all with the bar visible.
    std::vector<int> shown;
    for (const BarStep& s : bar.steps) {
      if (s.max != total) continue;
      EXPECT_TRUE(s.visible);
      if (shown.empty() || shown.back() != s.position) shown.push_back(s.position);
    }
    std::vector<int> expected;
    for (int i = 0; i < total; ++i) expected.push_back(i);
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(form.ProgressBar1->Visible());
    EXPECT_EQ(form.ProgressBar1->Max(), total);
    EXPECT_EQ(form.ProgressBar1->Step(), 1);
    EXPECT_TRUE(::GetWindowLongPtrA(form.ProgressBar1->Handle(), GWL_STYLE) & PBS_SMOOTH);
    if (folder) {
      EXPECT_TRUE(qtest::FolderExists(InstallDir() + "docs"));
    }
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
  }
}

// Thousands of quick entries move the bar once per fiftieth of it; a slow
// stretch still shows a report once the interval is over.
TEST(ProgressThrottle, MovesOncePerFiftiethOrAfterTheInterval) {
  ProgressThrottle throttle;
  throttle.Start(2000, 617, 1000);
  int shown = 0;
  for (int i = 0; i < 2000; ++i) shown += throttle.Show(i, 1000 + i / 100) ? 1 : 0;
  EXPECT_EQ(shown, ProgressThrottle::kMaxSteps - 1);  // fiftieths 1 to 49
  throttle.Start(2000, 617, 0);
  EXPECT_FALSE(throttle.Show(1, ProgressThrottle::kDefaultInterval - 1));
  EXPECT_TRUE(throttle.Show(2, ProgressThrottle::kDefaultInterval));
}

TEST_F(InstallTest, InstallingAgainRestoresFilesShortcutsAndValuesAndKeepsOthers) {
  const Bytes archive = SmallArchive(3);
  ArchiveModule module(&archive);
  {
    TProbeForm3 form;
    Open(form, module.Get());
    Yes(form);
    ASSERT_FALSE(form.Failed()) << form.Label4->Caption();
  }
  // Damage the installation a little, and add what a person may have added.
  qtest::WriteFileBytes(InstallDir() + "file1.txt", qtest::ToBytes("changed"));
  qtest::WriteFileBytes(InstallDir() + "notes.txt", qtest::ToBytes("mine"));
  ASSERT_TRUE(::SetFileAttributesA((InstallDir() + "file2.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::DeleteFileA((GroupDir() + "Quorvantis.lnk").c_str()));
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, "DisplayVersion", "0.9");
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, "Comments", "kept");

  TProbeForm3 form;
  Open(form, module.Get());
  Yes(form);
  ASSERT_FALSE(form.Failed()) << form.Label4->Caption();
  EXPECT_EQ(qtest::ReadFileBytes(InstallDir() + "file1.txt"),
            qtest::ToBytes("content of file1.txt\r\n"));
  EXPECT_EQ(qtest::ReadFileBytes(InstallDir() + "notes.txt"), qtest::ToBytes("mine"));
  EXPECT_FALSE(Exists(InstallDir() + "_TEMP_ZIP_.DAT"));
  // The previous installation, read-only files and all, is gone.
  EXPECT_FALSE(Exists(programFiles_ + "\\Quorvantis.~old"));
  EXPECT_EQ(qtest::ReadShortcut(GroupDir() + "Quorvantis.lnk").path,
            InstallDir() + "Quorvantis.exe");
  EXPECT_EQ(StringValue("DisplayVersion"), "1.1 ");
  EXPECT_EQ(StringValue("Comments"), "kept");
}

TEST_F(InstallTest, WithoutAProgramFilesFolderNothingIsCreated) {
  SetFolders(root_.Path() + "Missing", programs_, desktop_);
  const std::vector<std::string> before = Tree();
  TProbeForm3 form;
  Install(form, nullptr);
  ExpectFailure(form,
                "cannot create the installation folder " + root_.Path() + "Missing\\Quorvantis\\");
  EXPECT_EQ(Tree(), before);
  EXPECT_FALSE(UninstallEntryExists());
  // The hidden Yes launches nothing; No ends the program.
  Yes(form);
  EXPECT_TRUE(opened.empty());
  form.FyeverButtonNO->Click();
  EXPECT_FALSE(form.Visible());
}

TEST_F(InstallTest, WithoutAProgramsFolderNothingIsCreated) {
  SetFolders(programFiles_, root_.Path() + "Missing", desktop_);
  TProbeForm3 form;
  Install(form, nullptr);
  ExpectFailure(form, "cannot create the program group");
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Desktop", "Program Files", "Programs"}));
  EXPECT_FALSE(UninstallEntryExists());
}

TEST_F(InstallTest, AnEmptyFolderValueEndsTheInstallationThere) {
  SetFolders("", programs_, desktop_);
  TProbeForm3 form;
  Install(form, nullptr);
  ExpectFailure(form, "Program Files");
  EXPECT_EQ(form.ExePath(), "");
}

TEST_F(InstallTest, ACorruptEntryStopsBeforeShortcutsAndEntry) {
  std::vector<qtest::ZipEntryPlan> entries = {qtest::Stored("Quorvantis.exe", "program"),
                                              qtest::Stored("data.bin", "data")};
  entries[1].overrideCrc = true;
  entries[1].crc = 0x12345678;
  const Bytes archive = qtest::BuildZip(entries);
  TProbeForm3 form;
  Install(form, &archive);
  ExpectFailure(form, "1 of 2 entries failed: data.bin (urCrcError)");
  EXPECT_FALSE(Exists(InstallDir() + "_TEMP_ZIP_.DAT"));
  EXPECT_FALSE(Exists(DesktopLink()));
  EXPECT_FALSE(Exists(GroupDir() + "Quorvantis.lnk"));
  EXPECT_FALSE(UninstallEntryExists());
}

TEST_F(InstallTest, AMissingEmptyOrUnreadableArchiveIsAFailure) {
  const Bytes empty = qtest::BuildZip({});
  const Bytes garbage = qtest::ToBytes(std::string(3000, 'x'));
  const struct {
    const Bytes* archive;
    const char* reason;
  } cases[] = {
      {nullptr, "no product archive"},
      {&empty, "the archive holds no entries"},
      {&garbage, "not a readable ZIP archive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    ArchiveModule module(c.archive);
    TProbeForm3 form;
    Open(form, module.Get());
    Yes(form);
    ExpectFailure(form, c.reason);
    EXPECT_FALSE(Exists(InstallDir() + "_TEMP_ZIP_.DAT"));
    EXPECT_FALSE(Exists(DesktopLink()));
    EXPECT_FALSE(UninstallEntryExists());
  }
}

TEST_F(InstallTest, AShortcutThatCannotBeSavedPutsEverythingBackAsItWas) {
  // A first installation leaves nothing.
  const std::string desktop = desktop_, noDesktop = root_.Path() + "NoDesktop";
  SetFolders(programFiles_, programs_, noDesktop);
  const Bytes first = SmallArchive(2);
  {
    TProbeForm3 form;
    Install(form, &first);
    ExpectFailure(form, "Quorvantis.lnk");
  }
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Desktop", "Program Files", "Programs"}));
  EXPECT_FALSE(UninstallEntryExists());

  // Over an installation: its files, the person's own, its shortcuts and
  // entry stay exactly as they were.
  SetFolders(programFiles_, programs_, desktop);
  {
    TProbeForm3 form;
    Install(form, &first);
    ASSERT_FALSE(form.Failed()) << form.Label4->Caption();
  }
  qtest::WriteFileBytes(InstallDir() + "notes.txt", qtest::ToBytes("mine"));
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, "DisplayVersion", "0.9");
  ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, "EstimatedSize");
  const std::vector<std::string> before = Tree();
  const Bytes file0 = qtest::ReadFileBytes(InstallDir() + "file0.txt");
  const Bytes link = qtest::ReadFileBytes(GroupDir() + "Quorvantis.lnk");
  SetFolders(programFiles_, programs_, noDesktop);
  const Bytes second =
      qtest::BuildZip({qtest::Stored("file0.txt", "second"), qtest::Stored("new.txt", "new")});
  TProbeForm3 form;
  Install(form, &second);
  ExpectFailure(form, "Quorvantis.lnk");
  EXPECT_EQ(Tree(), before);
  EXPECT_EQ(qtest::ReadFileBytes(InstallDir() + "file0.txt"), file0);
  EXPECT_EQ(qtest::ReadFileBytes(GroupDir() + "Quorvantis.lnk"), link);
  EXPECT_EQ(StringValue("DisplayVersion"), "0.9");
  EXPECT_EQ(NumberValue("EstimatedSize"), 0xDEADBEEFu);
}

}  // namespace
}  // namespace installer_test
