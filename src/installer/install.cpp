// The work behind the two Yes answers: DoInstall and its steps, the
// progress callback, and RunInstalledProgram. Each step that fails ends the
// procedure there with a message saying what could not be done and why, and
// leaves the previous installation, if any, as it was.
#include "common/win32_handles.h"
#include "gui/application.h"
#include "installer/main_form.h"
#include "installer/texts.h"
#include "installer/uninstall_extras.h"
#include "installutils/registry.h"
#include "installutils/shortcut.h"
#include "installutils/system_error.h"
#include "installutils/system_folders.h"
#include "installutils/transaction.h"
#include "installutils/transaction_win32.h"
#include "installutils/uninstall.h"
#include "unzip/extract.h"

#include <optional>

namespace {

// folder + name, with "\" between them unless the folder already ends
// with one.
std::string Join(const std::string& folder, const char* name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + '\\' + name;
}

q::Error LastError(const std::string& what) {
  return q::Error::Fail(what + ": " + Win32ErrorText(::GetLastError()));
}

// A folder value read at start-up; an empty one names no folder at all.
q::Error Known(const std::string& value, const char* which) {
  if (!value.empty()) return {};
  return q::Error::Fail(std::string("the system does not say where its ") + which +
                        " folder is (no value in the registry)");
}

// ShellExecuteA's result as text: at most 32 is a failure.
std::string ShellOpenErrorText(INT_PTR rc) {
  switch (rc) {
    case 0: return "the system is out of memory or resources";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_BAD_FORMAT:
      return Win32ErrorText(static_cast<uint32_t>(rc));
    default: return "the shell refused to open it (code " + std::to_string(rc) + ")";
  }
}

}  // namespace

q::Error TForm3::DoInstall() {
  FBusy = true;
  FInstallNotes.clear();
  q::Error result = InstallSteps();
  FBusy = false;
  if (!FInstallNotes.empty()) {
    std::string text;
    for (const std::string& note : FInstallNotes) text += (text.empty() ? "" : "\n\n") + note;
    ::MessageBoxA(Handle(), text.c_str(), texts::kTitle, MB_OK | MB_ICONINFORMATION);
  }
  return result;
}

// Nothing is written before the archive has been looked at and the target
// volume found large enough; the files then go to a staging folder beside
// the installation folder and replace it only when all of them are whole
// (see installutils/transaction.h).
q::Error TForm3::InstallSteps() {
  ProgressBar1->Show();
  ProgressBar1->SetPosition(0);

  const std::string& programFiles = ProgramFilesFolder();
  if (q::Error e = Known(programFiles, "Program Files")) return e;
  FInstallDir = Join(programFiles, texts::kProductName) + '\\';
  const std::string& programs = ProgramsFolder();
  if (q::Error e = Known(programs, "Start menu's Programs")) return e;
  FStartMenuDir = Join(programs, texts::kProductName) + '\\';
  if (!FolderExists(programFiles)) {
    return q::Error::Fail("cannot create the installation folder " + FInstallDir + ": the folder " +
                          programFiles + " does not exist");
  }

  FResInfo = ::FindResourceA(FResModule, MAKEINTRESOURCEA(texts::kArchiveResourceId),
                             texts::kArchiveResourceType);
  FResData = FResInfo ? ::LoadResource(FResModule, FResInfo) : nullptr;
  FResSize = FResInfo ? ::SizeofResource(FResModule, FResInfo) : 0;
  if (!FResData || FResSize == 0) {
    return q::Error::Fail("this program carries no product archive (it is damaged)");
  }
  if (q::Error e = CheckFreeSpace(programFiles)) return e;

  Win32FolderOps ops;
  txn::Transaction transaction(ops, txn::FoldersFor(FInstallDir));
  q::Error result = InstallTransacted(transaction, programFiles, programs);
  FInstallNotes.insert(FInstallNotes.end(), transaction.notes().begin(), transaction.notes().end());
  return result;
}

q::Error TForm3::CheckFreeSpace(const std::string& programFiles) {
  // A volume that does not say how much room it has is not refused: should
  // it fill up, the extraction fails and the staging folder goes.
  VolumeSpace space;
  if (QueryVolumeSpace(programFiles, space)) return {};
  const auto* bytes = static_cast<const uint8_t*>(::LockResource(FResData));
  const std::optional<txn::ArchiveFootprint> files = txn::MeasureArchive(bytes, FResSize, space.clusterBytes);
  // An archive without a readable directory fails its extraction, which
  // says so; its own size is the least it needs.
  return txn::CheckSpace(txn::SpaceNeeded(files.value_or(txn::ArchiveFootprint{}), FResSize,
                                          space.clusterBytes),
                         space.freeBytes, programFiles);
}

q::Error TForm3::InstallTransacted(txn::Transaction& transaction, const std::string& programFiles,
                                   const std::string& programs) {
  if (q::Error e = transaction.Begin()) return e;
  const txn::Folders& folders = transaction.folders();
  const std::string staging = folders.staging + '\\';
  bool groupMade = false;
  bool shellCaptured = false;
  ShellState shellBefore;
  // Everything back as it was: the shortcuts and entry, the folders, and a
  // program group this run made.
  const auto undo = [&](q::Error why) {
    // The extractor leaves the current folder inside what it made, and a
    // process's current folder can be neither renamed nor removed.
    ::SetCurrentDirectoryA(programFiles.c_str());
    std::string also;
    if (shellCaptured) {
      if (q::Error e = shellBefore.Restore()) also += "; " + e.Message();
    }
    if (q::Error e = transaction.Rollback()) also += "; " + e.Message();
    if (groupMade) ::RemoveDirectoryA(FStartMenuDir.c_str());  // only while empty
    FExePath.clear();
    return also.empty() ? why : q::Error::Fail(why.Message() + also);
  };

  if (!FolderExists(FStartMenuDir)) {
    if (q::Error e = MakeProductFolder(programs, FStartMenuDir, "program group")) return undo(std::move(e));
    groupMade = true;
  }

  // The temporary copy never outlives the procedure, whatever became of
  // the copy or the extraction: it is of no use to anyone afterwards.
  const std::string archive = staging + texts::TempZipFileName;
  uint64_t installedBytes = 0;
  q::Error copied = CopyArchiveToTemporaryFile(archive);
  q::Error extracted = copied ? q::Error() : ExtractArchive(archive, staging, installedBytes);
  ::DeleteFileA(archive.c_str());
  ::SetCurrentDirectoryA(programFiles.c_str());
  if (copied) return undo(std::move(copied));
  if (extracted) return undo(std::move(extracted));

  // What the person put into the installation folder comes along.
  Win32FolderOps ops;
  if (ops.Exists(folders.product)) {
    if (q::Error e = CarryOverFiles(folders.product, folders.staging, texts::TempZipFileName)) {
      return undo(std::move(e));
    }
  }
  if (q::Error e = shellBefore.Capture(
          {DesktopLinkPath(), FStartMenuDir + texts::kProductName + texts::kLinkExtension,
           FStartMenuDir + texts::kUninstallLinkName + texts::kLinkExtension},
          HKEY_LOCAL_MACHINE, RelativeKeyPath(UninstallKeyPath(texts::kProductName)))) {
    return undo(std::move(e));
  }
  shellCaptured = true;

  if (q::Error e = transaction.Commit()) return undo(std::move(e));
  FExePath = FInstallDir + texts::kProgramFile;
  if (q::Error e = CreateShortcuts()) return undo(std::move(e));
  if (q::Error e = RegisterProduct(installedBytes)) return undo(std::move(e));
  // The new installation stands: a previous one that cannot be removed
  // now is only worth telling.
  if (q::Error e = transaction.Finish()) FInstallNotes.push_back(e.Message());
  return {};
}

std::string TForm3::DesktopLinkPath() const {
  const std::string& desktop = DesktopFolder();
  return desktop.empty() ? std::string() : Join(desktop, texts::kProductName) + texts::kLinkExtension;
}

// Creates one level, `folder` (which ends with "\"), inside `parent`,
// relative to the current folder as the procedure always has; the current
// folder stays `parent` afterwards.
q::Error TForm3::MakeProductFolder(const std::string& parent, const std::string& folder,
                                   const char* what) {
  if (!::SetCurrentDirectoryA(parent.c_str())) {
    return LastError(std::string("cannot create the ") + what + " " + folder +
                     ": cannot open " + parent);
  }
  if (!::CreateDirectoryA(texts::kProductName, nullptr)) {
    return LastError(std::string("cannot create the ") + what + " " + folder);
  }
  return {};
}

q::Error TForm3::CopyArchiveToTemporaryFile(const std::string& path) {
  const void* bytes = ::LockResource(FResData);
  if (!bytes) return q::Error::Fail("cannot read this program's product archive");
  const std::string what = "cannot write the temporary file " + path;
  q::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(what);
  // The whole archive in one write, straight from the resource.
  DWORD written = 0;
  if (!::WriteFile(file.Get(), bytes, FResSize, &written, nullptr)) return LastError(what);
  if (written != FResSize) return q::Error::Fail(what + ": the disk is full");
  // Closing flushes what the system still holds: its failure loses data.
  if (!::CloseHandle(file.Release())) return LastError(what);
  return {};
}

q::Error TForm3::ExtractArchive(const std::string& archive, const std::string& folder,
                                uint64_t& installedBytes) {
  OnExtractProgress = TExtractProgressEvent{&TForm3::ExtractProgressEvent, this};
  const ExtractOutcome outcome = ExtractAllFiles(archive, folder);
  OnExtractProgress = TExtractProgressEvent{};
  if (!outcome.Ok()) {
    return q::Error::Fail("the product archive could not be extracted: " + outcome.Describe());
  }
  // What the files take on disk, for the list of installed programs.
  installedBytes = 0;
  for (const EntryOutcome& entry : outcome.entries) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::string path = folder + entry.name;
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      installedBytes += (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    }
  }
  return {};
}

q::Error TForm3::CreateShortcuts() {
  if (q::Error e = Known(DesktopFolder(), "Desktop")) return e;
  if (q::Error e = CreateShortcut(FExePath, "", DesktopLinkPath(), texts::kProductName)) {
    return e;
  }
  if (q::Error e = CreateShortcut(FExePath, "",
                                  FStartMenuDir + texts::kProductName + texts::kLinkExtension,
                                  texts::kProductName)) {
    return e;
  }
  return CreateShortcut(FInstallDir + texts::kUninstallerFile, "",
                        FStartMenuDir + texts::kUninstallLinkName + texts::kLinkExtension,
                        texts::kUninstallLinkName);
}

q::Error TForm3::RegisterProduct(uint64_t installedBytes) {
  if (q::Error e = RegisterUninstall(texts::kMakerName, texts::kProductName,
                                     texts::kDisplayVersion, texts::kMakerUrl, "", "",
                                     FInstallDir + texts::kUninstallerFile, texts::kMakerUrl2,
                                     texts::kMakerUrl2)) {
    return e;
  }
  return WriteUninstallExtras(HKEY_LOCAL_MACHINE, texts::kProductName,
                              MakeUninstallExtras(FInstallDir, installedBytes));
}

void TForm3::ExtractProgressEvent(void* form, bool Start, bool Finish, int32_t Total,
                                  int32_t Position) {
  static_cast<TForm3*>(form)->ExtractProgress(Start, Finish, Total, Position);
}

// Before the first entry the bar shows 0 of N; after entry i it shows i
// (so N-1 after the last); at the end it disappears.
void TForm3::ExtractProgress(bool Start, bool Finish, int32_t Total, int32_t Position) {
  if (Start) {
    ProgressBar1->Show();
    ProgressBar1->SetMax(Total);
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetSmooth(true);
    ProgressBar1->SetStep(1);
  } else if (Finish) {
    ProgressBar1->Hide();
  } else {
    ProgressBar1->SetPosition(Position);
    ProcessMessages();  // the bar repaints; the dialog stays responsive
  }
}

q::Error TForm3::RunInstalledProgram() {
  FBusy = true;
  q::Error result;
  if (!FExePath.empty()) {
    // The path as it stands, however long: no fixed buffer to outgrow.
    const INT_PTR rc = FShellOpen(FExePath.c_str(), "");
    if (rc <= 32) result = q::Error::Fail("cannot start " + FExePath + ": " + ShellOpenErrorText(rc));
  }
  FBusy = false;
  return result;
}

q::Error RecoverInterruptedInstall(std::vector<std::string>& notes) {
  const std::string& programFiles = ProgramFilesFolder();
  if (programFiles.empty()) return {};
  return RecoverInstallation(Join(programFiles, texts::kProductName), notes);
}
