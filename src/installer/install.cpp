// The work behind the first Yes answer: DoInstall and its steps and the
// progress callback (the launch is in launch.cpp). Each step that fails ends
// the procedure there with a message saying what could not be done and why,
// and leaves the previous installation, if any, as it was.
#include <optional>

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "gui/application.h"
#include "installer/main_form.h"
#include "installer/uninstall_extras.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "installutils/shortcut.h"
#include "installutils/system_error.h"
#include "installutils/system_folders.h"
#include "installutils/transaction.h"
#include "installutils/transaction_win32.h"
#include "installutils/uninstall.h"
#include "product/texts.h"
#include "unzip/extract.h"

namespace {

constexpr char kCannotCreateInstallFolder[] = "cannot create the installation folder";

q::Error LastError(const std::string& what) {
  return q::Error::Failf("%s: %s", what, Win32ErrorText(::GetLastError()));
}

// A folder value read at start-up; an empty one names no folder at all.
q::Error Known(const std::string& value, const char* which) {
  if (!value.empty()) return {};
  return q::Error::Failf(
      "the system does not say where its %s folder is (no value in the registry)", which);
}

// Creates `folder` (ending with "\") and every missing folder above it;
// the root (a drive's or a share's) must exist.
q::Error MakeFolderPath(const std::string& folder) {
  size_t from = 3;                     // past "C:\"
  if (folder.rfind("\\\\", 0) == 0) {  // past "\\server\share\"
    from = folder.find('\\', folder.find('\\', 2) + 1) + 1;
  }
  for (size_t end = folder.find('\\', from); end != std::string::npos;
       end = folder.find('\\', end + 1)) {
    const std::string step = folder.substr(0, end);
    if (!::CreateDirectoryW(q::Widen(step).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return LastError(
          q::Message("%s %s: cannot create %s", kCannotCreateInstallFolder, folder, step));
    }
  }
  return {};
}

// The engine runs the message queue before each entry and after every
// block it reads. With thousands of small files that is tens of thousands
// of runs, each a round trip to the window system (under Wine, to its
// server) even when nothing is queued. While an extraction runs, a run is
// skipped when the last one is less than kEnginePumpGap ms ago: input is
// still handled within a fraction of a frame.
// Without a window (/S) there is no queue to run at all.
class EnginePumpThrottle {
 public:
  static constexpr uint32_t kEnginePumpGap = 15;
  explicit EnginePumpThrottle(bool windowless) : saved_(GetEngineUi()) {
    own_ = saved_;
    lastRun_ = saved_.tickCount() - kEnginePumpGap;
    platform::EngineUi throttled = saved_;
    throttled.pumpMessages = windowless ? &Skip : &Pump;
    SetEngineUi(throttled);
  }
  ~EnginePumpThrottle() { SetEngineUi(saved_); }
  EnginePumpThrottle(const EnginePumpThrottle&) = delete;
  EnginePumpThrottle& operator=(const EnginePumpThrottle&) = delete;

 private:
  static void Pump(uintptr_t notifyWindow) {
    const uint32_t now = own_.tickCount();
    if (now - lastRun_ < kEnginePumpGap) return;
    lastRun_ = now;
    own_.pumpMessages(notifyWindow);
  }
  static void Skip(uintptr_t) {}
  platform::EngineUi saved_;
  static inline platform::EngineUi own_{};
  static inline uint32_t lastRun_ = 0;
};

// The installation folder when /D= names none: Program Files\Quorvantis
// (without the closing "\"); empty when Program Files is unknown.
std::string DefaultProductFolder() { return JoinFolder(ProgramFilesFolder(), texts::kProductName); }

}  // namespace

q::Error TForm3::DoInstall() {
  FBusy = true;
  FInstallNotes.clear();
  q::Error result = InstallSteps();
  FBusy = false;
  if (!FInstallNotes.empty()) {
    std::string text;
    for (const std::string& note : FInstallNotes) {
      LogStep("note", "ok", FInstallDir, note);
      q::AppendMessage(text, "%s%s", text.empty() ? "" : "\n\n", note);
    }
    if (!FUnattended) {
      ::MessageBoxW(Handle(), q::Widen(text).c_str(), q::Widen(texts::kTitle).c_str(),
                    MB_OK | MB_ICONINFORMATION);
    }
  }
  return result;
}

// Nothing is written before the archive has been looked at and the target
// volume found large enough; the files then go to a staging folder beside
// the installation folder and replace it only when all of them are whole
// (see installutils/transaction.h).
q::Error TForm3::InstallSteps() {
  if (!FUnattended) {
    ProgressBar1->Show();
    ProgressBar1->SetPosition(0);
  }

  // The folder the installation folder lies in: Program Files, or the
  // parent of the folder /D= names (made when missing). The staging folder
  // goes beside the installation folder, on the same volume.
  std::string base;
  if (!FTargetDir.empty()) {
    FInstallDir = FTargetDir;
    base = FInstallDir.substr(0, FInstallDir.find_last_of('\\', FInstallDir.size() - 2));
    if (q::Error e = MakeFolderPath(base + '\\')) return e;
  } else {
    base = ProgramFilesFolder();
    if (q::Error e = Known(base, "Program Files")) return e;
    FInstallDir = DefaultProductFolder() + '\\';
  }
  const std::string& programs = ProgramsFolder();
  if (q::Error e = Known(programs, "Start menu's Programs")) return e;
  FStartMenuDir = JoinFolder(programs, texts::kProductName) + '\\';
  if (!FolderExists(base)) {
    return q::Error::Failf("%s %s: the folder %s does not exist", kCannotCreateInstallFolder,
                           FInstallDir, base);
  }
  LogStep("folder", "ok", FInstallDir, FolderExists(FInstallDir) ? "exists" : "new");

  FResInfo = ::FindResourceA(FResModule, MAKEINTRESOURCEA(texts::kArchiveResourceId),
                             texts::kArchiveResourceType);
  FResData = FResInfo ? ::LoadResource(FResModule, FResInfo) : nullptr;
  FResSize = FResInfo ? ::SizeofResource(FResModule, FResInfo) : 0;
  if (!FResData || FResSize == 0) {
    return q::Error::Fail("this program carries no product archive (it is damaged)");
  }
  if (q::Error e = CheckFreeSpace(base)) return e;

  Win32FolderOps ops;
  txn::Transaction transaction(ops, txn::FoldersFor(FInstallDir));
  q::Error result = InstallTransacted(transaction, base, programs);
  for (const std::string& note : transaction.notes()) FInstallNotes.push_back(note);
  return result;
}

q::Error TForm3::CheckFreeSpace(const std::string& programFiles) {
  // A volume that does not say how much room it has is not refused: should
  // it fill up, the extraction fails and the staging folder goes.
  VolumeSpace space;
  if (QueryVolumeSpace(programFiles, space)) return {};
  const auto* bytes = static_cast<const uint8_t*>(::LockResource(FResData));
  const std::optional<txn::ArchiveFootprint> files =
      txn::MeasureArchive(bytes, FResSize, space.clusterBytes);
  // An archive without a readable directory fails its extraction, which
  // says so; its own size is the least it needs.
  return txn::CheckSpace(
      txn::SpaceNeeded(files.value_or(txn::ArchiveFootprint{}), FResSize, space.clusterBytes),
      space.freeBytes, programFiles);
}

q::Error TForm3::InstallTransacted(txn::Transaction& transaction, const std::string& base,
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
    ::SetCurrentDirectoryW(q::WidePath(base).c_str());
    std::string also;
    if (shellCaptured) {
      if (q::Error e = shellBefore.Restore()) q::AppendMessage(also, "; %s", e.Message());
    }
    if (q::Error e = transaction.Rollback()) q::AppendMessage(also, "; %s", e.Message());
    if (groupMade) ::RemoveDirectoryW(q::WidePath(FStartMenuDir).c_str());  // only while empty
    FExePath.clear();
    return also.empty() ? why : q::Error::Failf("%s%s", why.Message(), also);
  };

  if (!FolderExists(FStartMenuDir)) {
    if (q::Error e = MakeProductFolder(programs, FStartMenuDir, "program group"))
      return undo(std::move(e));
    groupMade = true;
  }
  LogStep("group", "ok", FStartMenuDir, groupMade ? "created" : "exists");

  // The temporary copy never outlives the procedure, whatever became of
  // the copy or the extraction: it is of no use to anyone afterwards.
  const std::string archive = staging + texts::TempZipFileName;
  uint64_t installedBytes = 0;
  q::Error copied = CopyArchiveToTemporaryFile(archive);
  q::Error extracted = copied ? q::Error() : ExtractArchive(archive, staging, installedBytes);
  ::DeleteFileW(q::WidePath(archive).c_str());
  ::SetCurrentDirectoryW(q::WidePath(base).c_str());
  if (copied) return undo(std::move(copied));
  if (extracted) return undo(std::move(extracted));

  // What the person put into the installation folder comes along.
  Win32FolderOps ops;
  if (ops.Exists(folders.product)) {
    if (q::Error e = CarryOverFiles(folders.product, folders.staging, texts::TempZipFileName)) {
      return undo(std::move(e));
    }
  }
  const ShortcutLinks links = ShortcutLinkFiles();
  if (q::Error e = shellBefore.Capture(links, HKEY_LOCAL_MACHINE,
                                       RelativeKeyPath(UninstallKeyPath(texts::kProductName)))) {
    return undo(std::move(e));
  }
  shellCaptured = true;

  if (q::Error e = transaction.Commit()) return undo(std::move(e));
  FExePath = FInstallDir + texts::kProgramFile;
  if (q::Error e = CreateShortcuts(links)) return undo(std::move(e));
  if (q::Error e = RegisterProduct(installedBytes)) return undo(std::move(e));
  // The new installation stands: a previous one that cannot be removed
  // now is only worth telling.
  if (q::Error e = transaction.Finish()) FInstallNotes.push_back(e.Message());
  return {};
}

TForm3::ShortcutLinks TForm3::ShortcutLinkFiles() const {
  const std::string& desktop = DesktopFolder();
  return {desktop.empty() ? std::string()
                          : JoinFolder(desktop, texts::kProductName) + texts::kLinkExtension,
          FStartMenuDir + texts::kProductName + texts::kLinkExtension,
          FStartMenuDir + texts::kUninstallLinkName + texts::kLinkExtension};
}

// Creates one level, `folder` (which ends with "\"), inside `parent`,
// relative to the current folder as the procedure always has; the current
// folder stays `parent` afterwards.
q::Error TForm3::MakeProductFolder(const std::string& parent, const std::string& folder,
                                   const char* what) {
  if (!::SetCurrentDirectoryW(q::Widen(parent).c_str())) {
    // A parent deeper than a current folder can be is still reached by the
    // folder's whole path.
    if (::GetLastError() == ERROR_FILENAME_EXCED_RANGE &&
        ::CreateDirectoryW(q::WidePath(folder).c_str(), nullptr)) {
      return {};
    }
    return LastError(q::Message("cannot create the %s %s: cannot open %s", what, folder, parent));
  }
  if (!::CreateDirectoryW(q::Widen(texts::kProductName).c_str(), nullptr)) {
    return LastError(q::Message("cannot create the %s %s", what, folder));
  }
  return {};
}

q::Error TForm3::CopyArchiveToTemporaryFile(const std::string& path) {
  const void* bytes = ::LockResource(FResData);
  if (!bytes) return q::Error::Fail("cannot read this program's product archive");
  const std::string what = q::Message("cannot write the temporary file %s", path);
  q::FileHandle file(::CreateFileW(q::WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(what);
  // The whole archive in one write, straight from the resource.
  DWORD written = 0;
  if (!::WriteFile(file.Get(), bytes, FResSize, &written, nullptr)) return LastError(what);
  if (written != FResSize) return q::Error::Failf("%s: the disk is full", what);
  // Closing flushes what the system still holds: its failure loses data.
  if (!::CloseHandle(file.Release())) return LastError(what);
  return {};
}

q::Error TForm3::ExtractArchive(const std::string& archive, const std::string& folder,
                                uint64_t& installedBytes) {
  if (!FUnattended) OnExtractProgress = TExtractProgressEvent{&TForm3::ExtractProgressEvent, this};
  ExtractOutcome outcome;
  {
    EnginePumpThrottle throttle(FUnattended);
    outcome = ExtractAllFiles(archive, folder);
  }
  OnExtractProgress = TExtractProgressEvent{};
  const bool readable =
      outcome.status == ExtractStatus::kOk || outcome.status == ExtractStatus::kEntriesFailed;
  LogStep("archive", readable ? "ok" : "failed", archive,
          readable ? q::Message("%u entries", outcome.entries.size()) : outcome.Describe());
  // What the files take, for the list of installed programs.
  installedBytes = 0;
  for (const EntryOutcome& entry : outcome.entries) {
    if (entry.refused || entry.result != urOk) {
      LogStep("entry", "failed", entry.name,
              entry.refused ? "refused: outside the folder" : UnzipResultName(entry.result));
      continue;
    }
    if (!entry.name.empty() && entry.name.back() == '\\') {
      LogStep("entry", "ok", entry.name, "folder");
    } else {
      installedBytes += entry.bytes;
      LogStep("entry", "ok", entry.name, q::Message("%u bytes", entry.bytes));
    }
  }
  if (!outcome.Ok()) {
    return q::Error::Failf("the product archive could not be extracted: %s", outcome.Describe());
  }
  return {};
}

q::Error TForm3::CreateShortcuts(const ShortcutLinks& links) {
  if (q::Error e = Known(DesktopFolder(), "Desktop")) return e;
  const std::string uninstaller = FInstallDir + texts::kUninstallerFile;
  const struct {
    const std::string& target;
    const char* description;
  } shortcuts[] = {
      {FExePath, texts::kProductName},
      {FExePath, texts::kProductName},
      {uninstaller, texts::kUninstallLinkName},
  };
  static_assert(std::size(shortcuts) == std::tuple_size_v<ShortcutLinks>);
  for (size_t i = 0; i < links.size(); ++i) {
    const auto& [target, description] = shortcuts[i];
    if (q::Error e = CreateShortcut(target, "", links[i], description)) return e;
    LogStep("shortcut", "ok", links[i], target);
  }
  return {};
}

q::Error TForm3::RegisterProduct(uint64_t installedBytes) {
  const std::string uninstaller = FInstallDir + texts::kUninstallerFile;
  if (q::Error e = RegisterUninstall(texts::kMakerName, texts::kProductName, texts::kDisplayVersion,
                                     texts::kMakerUrl, "", "", uninstaller, texts::kMakerUrl2,
                                     texts::kMakerUrl2)) {
    return e;
  }
  if (q::Error e = WriteUninstallExtras(HKEY_LOCAL_MACHINE, texts::kProductName,
                                        MakeUninstallExtras(FInstallDir, installedBytes))) {
    return e;
  }
  LogStep("uninstall-entry", "ok",
          KeyPathText(HKEY_LOCAL_MACHINE, UninstallKeyPath(texts::kProductName)), uninstaller);
  return {};
}

void TForm3::ExtractProgressEvent(void* form, bool Start, bool Finish, int32_t Total,
                                  int32_t Position) {
  static_cast<TForm3*>(form)->ExtractProgress(Start, Finish, Total, Position);
}

// Before the first entry the bar shows 0 of N; after entry i it shows i
// (so N-1 after the last) whenever that moves the drawn bar or the last
// move is a while ago; at the end it disappears.
void TForm3::ExtractProgress(bool Start, bool Finish, int32_t Total, int32_t Position) {
  if (Start) {
    ProgressBar1->Show();
    ProgressBar1->SetMax(Total);
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetSmooth(true);
    ProgressBar1->SetStep(1);
    RECT bar{};
    ::GetClientRect(ProgressBar1->Handle(), &bar);
    FBarThrottle.Start(Total, bar.right - bar.left, ::GetTickCount());
  } else if (Finish) {
    ProgressBar1->Hide();
  } else if (FBarThrottle.Show(Position, ::GetTickCount())) {
    ProgressBar1->SetPosition(Position);
    ProcessMessages();  // the bar repaints; the dialog stays responsive
  }
}

q::Error RecoverInterruptedInstall(std::vector<std::string>& notes) {
  const std::string folder = DefaultProductFolder();
  return folder.empty() ? q::Error() : RecoverInstallation(folder, notes);
}
