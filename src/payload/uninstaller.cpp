// UninstallQuorvantis.exe: removes what the installer created. Started from
// the installation folder (a shortcut, the system's list of programs) with
// no arguments or "/S"; see uninstall_plan.h for the command line and the
// hand-over to a temporary copy that deletes the original program.
//
// It works only in the folder the uninstall entry registers, and removes the
// files packed into the installer (their names travel in its resources),
// nothing else of that folder. Order: installed files, their sub-folders
// once empty, shortcuts, program group, and only when all of that went well
// the uninstall entry and the uninstaller itself. After a failure (a file in
// use) the uninstaller and its entry stay, so the person can close the
// program and run it again.
#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "installer/log_file.h"
#include "installutils/dll_search.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "installutils/system_error.h"
#include "installutils/system_folders.h"
#include "installutils/transaction_win32.h"
#include "payload/file_list.h"
#include "payload/uninstall_plan.h"
#include "product/texts.h"

namespace {

using uninstall::Report;

constexpr char kCaption[] = "Uninstall Quorvantis";

q::Error Failure(const std::string& what, DWORD code) {
  return q::Error::Fail(what + ": " + Win32ErrorText(code));
}

std::string ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return q::Narrow(path);
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

// The long form of an existing path (a program started through its 8.3
// name reports that name), or the path itself.
std::string LongPath(const std::string& path) {
  const std::wstring wide = q::Widen(path);
  const DWORD n = GetLongPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  const DWORD m = GetLongPathNameW(wide.c_str(), out.data(), n);
  if (m == 0 || m >= n) return path;
  out.resize(m);
  return q::Narrow(out);
}

bool Missing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// Deletes one installed file; one that is already gone is fine. Files
// extracted from the archive may carry the read-only attribute.
q::Error DeleteInstalledFile(const std::string& path) {
  const std::wstring wide = q::WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    return Missing(code) ? q::Error() : Failure(path, code);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return q::Error::Fail(path + ": a folder of that name stands where a file was installed");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(wide.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  }
  if (!DeleteFileW(wide.c_str())) {
    const DWORD code = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(wide.c_str(), attributes);
    return Missing(code) ? q::Error() : Failure(path, code);
  }
  return {};
}

// Removes a folder the installer created, unless someone put files of their
// own into it (then it stays, and the person is told).
void RemoveFolderIfEmpty(const std::string& folder, Report& report) {
  if (folder.empty() || RemoveDirectoryW(q::WidePath(folder).c_str())) return;
  const DWORD code = GetLastError();
  if (Missing(code)) return;
  if (code == ERROR_DIR_NOT_EMPTY) {
    report.notes.push_back("The folder " + folder +
                           " was kept: it holds files that Setup did not install.");
  } else {
    report.failures.push_back(Win32ErrorText(code).insert(0, folder + ": "));
  }
}

// Deletes the uninstall entry when it is this installation's: another copy
// of the product installed elsewhere keeps its own.
void RemoveUninstallEntry(const std::string& ownPath, Report& report) {
  const std::string key = UninstallKeyPath(texts::kProductName);
  const std::string command = RegReadString(HKEY_LOCAL_MACHINE, key, "UninstallString");
  if (!command.empty() &&
      !uninstall::SamePath(LongPath(uninstall::CommandProgram(command)), ownPath)) {
    report.notes.push_back("The entry " + KeyPathText(HKEY_LOCAL_MACHINE, key) +
                           " was kept: it belongs to the installation of " + command + ".");
    return;
  }
  const LONG rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, q::Widen(RelativeKeyPath(key)).c_str());
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
    report.failures.push_back(KeyPathText(HKEY_LOCAL_MACHINE, key) + ": " +
                              Win32ErrorText(static_cast<DWORD>(rc)));
  }
}

// The folder the uninstall entry registers: its InstallLocation, or for an
// entry without one the folder of its uninstall command. Empty when the
// product is not registered.
std::string RegisteredFolder() {
  const std::string key = UninstallKeyPath(texts::kProductName);
  const std::string location = RegReadString(HKEY_LOCAL_MACHINE, key, "InstallLocation");
  if (!location.empty()) return LongPath(location);
  const std::string command = RegReadString(HKEY_LOCAL_MACHINE, key, "UninstallString");
  return std::string(FolderPart(LongPath(uninstall::CommandProgram(command))));
}

// The names of the files packed into the installer, from this program's
// resources.
std::vector<std::string> PayloadFiles() {
  HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(Q_FILE_LIST_RESOURCE_ID), RT_RCDATA);
  const char* bytes =
      info ? static_cast<const char*>(LockResource(LoadResource(nullptr, info))) : nullptr;
  if (!bytes) return {};
  return uninstall::ParseFileList(std::string_view(bytes, SizeofResource(nullptr, info)));
}

// Where the report goes with "/S": the inherited standard output, or else
// the console of the program that started this one.
void Print(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  q::FileHandle console;
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    console.Reset(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr));
    if (!console) return;
    out = console.Get();
  }
  std::string line;
  for (char c : text) {
    if (c == '\n') line += '\r';
    line += c;
  }
  line += "\r\n";
  DWORD written = 0;
  WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void Tell(const std::string& text, bool silent, UINT icon) {
  if (silent) {
    Print(text);
  } else {
    MessageBoxW(nullptr, q::Widen(text).c_str(), q::Widen(kCaption).c_str(),
                MB_OK | icon | MB_SETFOREGROUND);
  }
}

// The Windows folder's Temp, with its trailing "\"; empty if unknown.
std::string WindowsTempFolder() {
  wchar_t windows[MAX_PATH + 1];
  const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
  return (n == 0 || n > MAX_PATH)
             ? std::string()
             : JoinFolder(LongPath(q::Narrow(std::wstring_view(windows, n))), "Temp\\");
}

// A new folder below the Windows folder's Temp that only administrators and
// SYSTEM may change, its access list not inherited from Temp (where every
// user may create files). The user who started the uninstallation can
// neither swap the copy that runs elevated from it nor put a DLL beside it.
// The user's own temporary folder is no such place: its owner can move
// entries out of it whatever their access lists say. The random name keeps
// anyone from preparing the folder in advance: an existing one is never used.
q::Error MakePrivateFolder(std::string& folder) {
  const std::string temp = WindowsTempFolder();
  if (temp.empty()) return q::Error::Fail("the Windows folder is unknown");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
          "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr)) {
    return Failure("the folder's access list", GetLastError());
  }
  SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
  DWORD code = ERROR_ALREADY_EXISTS;
  for (int attempt = 0; attempt < 8 && code == ERROR_ALREADY_EXISTS; ++attempt) {
    unsigned char random[8];
    if (!RtlGenRandom(random, sizeof random)) {
      code = GetLastError();
      break;
    }
    std::string name = "UninstallQuorvantis-";
    for (unsigned char b : random) {
      name += "0123456789abcdef"[b >> 4];
      name += "0123456789abcdef"[b & 15];
    }
    folder = temp + name + "\\";
    code =
        CreateDirectoryW(q::WidePath(folder).c_str(), &security) ? ERROR_SUCCESS : GetLastError();
  }
  LocalFree(descriptor);
  return code == ERROR_SUCCESS ? q::Error() : Failure(temp, code);
}

// Copies this program into a private folder and starts the copy, which
// waits for this process to end and then deletes the installed uninstaller
// and the installation folder. The copy is held open without write or
// delete sharing until it runs, starts by its full path with System32 as
// its current folder, and narrows its DLL search first thing (main).
q::Error StartFinisher(const std::string& ownPath, const std::string& installDir, bool silent) {
  std::string folder;
  if (q::Error err = MakePrivateFolder(folder)) return err;
  const std::string copy = folder + texts::kUninstallerFile;
  const std::wstring wideCopy = q::WidePath(copy);
  const auto discard = [&] {
    DeleteFileW(wideCopy.c_str());
    RemoveDirectoryW(q::WidePath(folder).c_str());
  };
  if (!CopyFileW(q::WidePath(ownPath).c_str(), wideCopy.c_str(), TRUE)) {
    const DWORD code = GetLastError();
    discard();
    return Failure(copy, code);
  }
  q::FileHandle held(CreateFileW(wideCopy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  wchar_t system[MAX_PATH + 1];
  const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (!held || systemLength == 0 || systemLength > MAX_PATH) {
    const DWORD code = GetLastError();
    held.Reset();
    discard();
    return Failure(copy, code);
  }

  HANDLE raw = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &raw,
                       SYNCHRONIZE, TRUE, 0)) {
    const DWORD code = GetLastError();
    held.Reset();
    discard();
    return Failure("this process's handle", code);
  }
  q::KernelHandle self(raw);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (silent) {
    // The copy reports on the same output (a caller reading it to its end
    // also waits for the copy).
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {startup.hStdOutput, startup.hStdError}) {
      if (h != nullptr && h != INVALID_HANDLE_VALUE) {
        SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
      }
    }
  }
  std::wstring commandLine = q::Widen(uninstall::FinishCommandLine(
      copy, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(self.Get())), installDir, silent));
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(wideCopy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      system, &startup, &process)) {
    const DWORD code = GetLastError();
    held.Reset();
    discard();
    return Failure(copy, code);
  }
  q::KernelHandle thread(process.hThread);
  q::KernelHandle child(process.hProcess);
  return {};
}

// Without a temporary copy, the system deletes the program and the then
// empty folder at the next restart (this needs administrator rights).
void ScheduleAtRestart(const std::string& ownPath, const std::string& installDir,
                       const q::Error& why, Report& report) {
  std::string folder = installDir;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (MoveFileExW(q::WidePath(ownPath).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
      MoveFileExW(q::WidePath(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    report.notes.push_back(std::string(texts::kUninstallerFile) +
                           " and its folder will be removed when Windows restarts (" +
                           why.Message() + ").");
  } else {
    report.failures.push_back(ownPath + ": the uninstaller cannot remove itself (" + why.Message() +
                              "; " + Win32ErrorText(GetLastError()) + ")");
  }
}

int Uninstall(bool silent, SetupLog& log) {
  const std::string ownPath = LongPath(ModulePath());
  const std::string installDir = std::string(FolderPart(ownPath));
  if (installDir.empty()) {
    Tell("Cannot find out where Quorvantis is installed.", silent, MB_ICONERROR);
    log.Exit(uninstall::kExitIncomplete, "cannot find out where Quorvantis is installed");
    return uninstall::kExitIncomplete;
  }
  // An installation left unfinished is settled here, before this
  // installation's folder is compared with the entry and anything deleted:
  // its folders lie beside this one.
  Report report;
  if (q::Error err = RecoverInstallation(installDir, report.notes))
    report.failures.push_back(err.Message());
  if (q::Error err = uninstall::CheckInstallation(installDir, RegisteredFolder())) {
    // Nothing was touched, but what was asked for did not happen.
    Tell(err.Message(), silent, MB_ICONERROR);
    log.Exit(uninstall::kExitIncomplete, err.Message());
    return uninstall::kExitIncomplete;
  }
  const std::vector<std::string> payload = PayloadFiles();
  if (payload.empty()) {
    const std::string text = std::string(texts::kUninstallerFile) +
                             " carries no list of the installed files; nothing was removed.";
    Tell(text, silent, MB_ICONERROR);
    log.Exit(uninstall::kExitIncomplete, text);
    return uninstall::kExitIncomplete;
  }
  if (!silent) {
    const std::string question = "Remove Quorvantis from your computer?\n\nThe program in " +
                                 installDir + ", its shortcuts and its entry in the list of " +
                                 "installed programs will be deleted.";
    if (MessageBoxW(nullptr, q::Widen(question).c_str(), q::Widen(kCaption).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
      log.Exit(uninstall::kExitCancelled, "cancelled; nothing was removed");
      return uninstall::kExitCancelled;
    }
  }

  // The shortcuts lie where the installer put them: the folders are read
  // the same way.
  InitializeInstallUtils();
  const uninstall::Plan plan =
      uninstall::MakePlan(installDir, payload, ProgramsFolder(), DesktopFolder());
  FinalizeInstallUtils();
  const auto remove = [&](const char* step, const std::string& path) {
    q::Error err = DeleteInstalledFile(path);
    log.Write(step, err ? "failed" : "ok", path, err ? err.Message() : "removed or absent");
    if (err) report.failures.push_back(err.Message());
  };
  for (const std::string& file : plan.files) remove("file", file);
  for (const std::string& folder : plan.folders) RemoveFolderIfEmpty(folder, report);
  for (const std::string& link : plan.shortcuts) remove("shortcut", link);
  RemoveFolderIfEmpty(plan.programGroup, report);
  if (report.failures.empty()) RemoveUninstallEntry(ownPath, report);
  if (report.failures.empty()) {
    if (q::Error err = StartFinisher(ownPath, installDir, silent)) {
      ScheduleAtRestart(ownPath, installDir, err, report);
    }
  }
  const std::string text = uninstall::ReportText(report);
  Tell(text, silent, report.failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
  log.Exit(uninstall::ExitCode(report), text);
  return uninstall::ExitCode(report);
}

// The temporary copy: waits for the installed uninstaller to end, deletes
// it and the installation folder when that is empty, and leaves itself to
// the system (deleted at the next restart; it lies in the temporary folder).
int Finish(const uninstall::Arguments& args) {
  {
    q::KernelHandle parent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(args.parentProcess)));
    WaitForSingleObject(parent.Get(), INFINITE);
  }
  Report report;
  const uninstall::Plan plan = uninstall::MakePlan(args.installDir, {}, {}, {});
  q::Error err;
  // The image of an ended process may stay locked for a moment.
  for (int attempt = 0; attempt < 50; ++attempt) {
    err = DeleteInstalledFile(plan.uninstaller);
    if (!err) break;
    Sleep(100);
  }
  if (err) {
    ScheduleAtRestart(plan.uninstaller, args.installDir, err, report);
  } else {
    RemoveFolderIfEmpty(args.installDir, report);
  }
  // Only a copy in its own folder below the Windows folder's Temp deletes
  // itself and that folder (when Windows restarts: it is running now):
  // "/_finish" given to the installed program by hand must not schedule that
  // for deletion.
  const std::string self = LongPath(ModulePath());
  std::string folder(FolderPart(self));
  if (!folder.empty()) folder.pop_back();
  if (uninstall::SamePath(std::string(FolderPart(folder)), WindowsTempFolder())) {
    MoveFileExW(q::WidePath(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(q::WidePath(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  if (!report.failures.empty() || !report.notes.empty()) {
    Tell(uninstall::ReportText(report), args.silent,
         report.failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
  }
  return uninstall::ExitCode(report);
}

// The arguments as the system's parser reads the wide command line: the
// installation folder may hold any character.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(q::Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int main() {
  RestrictDllSearch();
  const std::vector<std::string> args = Arguments();
  uninstall::Arguments parsed;
  const q::Error wrong = uninstall::ParseArguments(args, parsed);
  SetupLog log;
  if (q::Error err = log.Open(parsed.logPath)) {
    Tell(err.Message(), parsed.silent, MB_ICONERROR);
    return uninstall::kExitIncomplete;
  }
  if (wrong) {
    Tell(wrong.Message(), parsed.silent, MB_ICONERROR);
    log.Exit(uninstall::kExitBadCommandLine, wrong.Message());
    return uninstall::kExitBadCommandLine;
  }
  if (parsed.finish) return Finish(parsed);
  log.Write("start", "ok", std::string("UninstallQuorvantis ") + texts::kVersion, ModulePath());
  return Uninstall(parsed.silent, log);
}
