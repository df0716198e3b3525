// The work behind the two Yes answers: DoInstall and its steps, the
// progress callback, and RunInstalledProgram. Each step that fails ends the
// procedure there with a message saying what could not be done and why.
#include "common/win32_handles.h"
#include "gui/application.h"
#include "installer/main_form.h"
#include "installer/uninstall_extras.h"
#include "installutils/shell_text.h"
#include "installutils/shortcut.h"
#include "installutils/system_error.h"
#include "installutils/system_folders.h"
#include "installutils/uninstall.h"
#include "product/texts.h"
#include "unzip/extract.h"

namespace {

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
  q::Error result = InstallSteps();
  FBusy = false;
  return result;
}

q::Error TForm3::InstallSteps() {
  ProgressBar1->Show();
  ProgressBar1->SetPosition(0);

  const std::string& programFiles = ProgramFilesFolder();
  if (q::Error e = Known(programFiles, "Program Files")) return e;
  FInstallDir = JoinFolder(programFiles, texts::kProductName) + '\\';
  if (!FolderExists(FInstallDir)) {
    if (q::Error e = MakeProductFolder(programFiles, FInstallDir, "installation folder")) return e;
  }
  FExePath = FInstallDir + texts::kProgramFile;

  const std::string& programs = ProgramsFolder();
  if (q::Error e = Known(programs, "Start menu's Programs")) return e;
  FStartMenuDir = JoinFolder(programs, texts::kProductName) + '\\';
  if (!FolderExists(FStartMenuDir)) {
    if (q::Error e = MakeProductFolder(programs, FStartMenuDir, "program group")) return e;
  }

  FResInfo = ::FindResourceA(FResModule, MAKEINTRESOURCEA(texts::kArchiveResourceId),
                             texts::kArchiveResourceType);
  FResData = FResInfo ? ::LoadResource(FResModule, FResInfo) : nullptr;
  FResSize = FResInfo ? ::SizeofResource(FResModule, FResInfo) : 0;
  if (!FResData || FResSize == 0) {
    return q::Error::Fail("this program carries no product archive (it is damaged)");
  }

  // The temporary copy never outlives the procedure, whatever became of
  // the copy or the extraction: it is of no use to anyone afterwards.
  const std::string archive = FInstallDir + texts::TempZipFileName;
  uint64_t installedBytes = 0;
  q::Error copied = CopyArchiveToTemporaryFile(archive);
  q::Error extracted = copied ? q::Error() : ExtractArchive(archive, installedBytes);
  ::DeleteFileA(archive.c_str());
  if (copied) return copied;
  if (extracted) return extracted;

  if (q::Error e = CreateShortcuts()) return e;
  return RegisterProduct(installedBytes);
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

q::Error TForm3::ExtractArchive(const std::string& archive, uint64_t& installedBytes) {
  OnExtractProgress = TExtractProgressEvent{&TForm3::ExtractProgressEvent, this};
  const ExtractOutcome outcome = ExtractAllFiles(archive, FInstallDir);
  OnExtractProgress = TExtractProgressEvent{};
  if (!outcome.Ok()) {
    return q::Error::Fail("the product archive could not be extracted: " + outcome.Describe());
  }
  // What the files take on disk, for the list of installed programs.
  installedBytes = 0;
  for (const EntryOutcome& entry : outcome.entries) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::string path = FInstallDir + entry.name;
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      installedBytes += (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    }
  }
  return {};
}

q::Error TForm3::CreateShortcuts() {
  const std::string& desktop = DesktopFolder();
  if (q::Error e = Known(desktop, "Desktop")) return e;
  if (q::Error e = CreateShortcut(FExePath, "",
                                  JoinFolder(desktop, texts::kProductName) + texts::kLinkExtension,
                                  texts::kProductName)) {
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
