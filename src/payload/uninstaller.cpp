// UninstallQuorvantis.exe: removes what the installer created. Started from
// the installation folder (a shortcut, the system's list of programs) with
// no arguments or "/S"; see uninstall_plan.h for the command line and the
// hand-over to a temporary copy that deletes the original program.
//
// Order: installed files, shortcuts, program group, and only when all of
// that went well the uninstall entry and the uninstaller itself. After a
// failure (a file in use) the uninstaller and its entry stay, so the person
// can close the program and run it again.
#include <windows.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/win32_handles.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "installutils/system_error.h"
#include "installutils/system_folders.h"
#include "payload/uninstall_plan.h"
#include "product/texts.h"

namespace {

using uninstall::Report;

constexpr char kCaption[] = "Uninstall Quorvantis";

q::Error Failure(const std::string& what, DWORD code) {
  return q::Error::Fail(what + ": " + Win32ErrorText(code));
}

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

// The long form of an existing path (a program started through its 8.3
// name reports that name), or the path itself.
std::string LongPath(const std::string& path) {
  const DWORD n = GetLongPathNameA(path.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::string out(n, '\0');
  const DWORD m = GetLongPathNameA(path.c_str(), out.data(), n);
  if (m == 0 || m >= n) return path;
  out.resize(m);
  return out;
}

bool Missing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// Deletes one installed file; one that is already gone is fine. Files
// extracted from the archive may carry the read-only attribute.
q::Error DeleteInstalledFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    return Missing(code) ? q::Error() : Failure(path, code);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return q::Error::Fail(path + ": a folder of that name stands where a file was installed");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  }
  if (!DeleteFileA(path.c_str())) {
    const DWORD code = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes);
    return Missing(code) ? q::Error() : Failure(path, code);
  }
  return {};
}

// Removes a folder the installer created, unless someone put files of their
// own into it (then it stays, and the person is told).
void RemoveFolderIfEmpty(const std::string& folder, Report& report) {
  if (folder.empty() || RemoveDirectoryA(folder.c_str())) return;
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
  const LONG rc = RegDeleteTreeA(HKEY_LOCAL_MACHINE, RelativeKeyPath(key).c_str());
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
    report.failures.push_back(KeyPathText(HKEY_LOCAL_MACHINE, key) + ": " +
                              Win32ErrorText(static_cast<DWORD>(rc)));
  }
}

// Where the report goes with "/S": the inherited standard output, or else
// the console of the program that started this one.
void Print(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  q::FileHandle console;
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    console.Reset(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
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
    MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | icon | MB_SETFOREGROUND);
  }
}

// The user's temporary folder, with its trailing "\"; empty if unknown.
std::string TempFolder() {
  char temp[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof temp, temp);
  return (n == 0 || n > MAX_PATH) ? std::string() : LongPath(std::string(temp, n));
}

// Copies this program to the temporary folder and starts the copy, which
// waits for this process to end and then deletes the installed uninstaller
// and the installation folder.
q::Error StartFinisher(const std::string& ownPath, const std::string& installDir, bool silent) {
  const std::string tempDir = TempFolder();
  if (tempDir.empty()) return q::Error::Fail("the temporary folder is unknown");
  const std::string copy = JoinFolder(
      tempDir, "UninstallQuorvantis-" + std::to_string(GetCurrentProcessId()) + ".exe");
  if (!CopyFileA(ownPath.c_str(), copy.c_str(), FALSE)) return Failure(copy, GetLastError());

  HANDLE raw = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &raw,
                       SYNCHRONIZE, TRUE, 0)) {
    const DWORD code = GetLastError();
    DeleteFileA(copy.c_str());
    return Failure("this process's handle", code);
  }
  q::KernelHandle self(raw);

  STARTUPINFOA startup{};
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
  std::string commandLine = uninstall::FinishCommandLine(
      copy, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(self.Get())), installDir, silent);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      tempDir.c_str(), &startup, &process)) {
    const DWORD code = GetLastError();
    DeleteFileA(copy.c_str());
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
  if (MoveFileExA(ownPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
      MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    report.notes.push_back(std::string(texts::kUninstallerFile) +
                           " and its folder will be removed when Windows restarts (" +
                           why.Message() + ").");
  } else {
    report.failures.push_back(ownPath + ": the uninstaller cannot remove itself (" +
                              why.Message() + "; " + Win32ErrorText(GetLastError()) + ")");
  }
}

int Uninstall(bool silent) {
  const std::string ownPath = LongPath(ModulePath());
  const std::string installDir = std::string(FolderPart(ownPath));
  if (installDir.empty()) {
    Tell("Cannot find out where Quorvantis is installed.", silent, MB_ICONERROR);
    return uninstall::kExitIncomplete;
  }
  if (!silent) {
    const std::string question = "Remove Quorvantis from your computer?\n\nThe program in " +
                                 installDir + ", its shortcuts and its entry in the list of " +
                                 "installed programs will be deleted.";
    if (MessageBoxA(nullptr, question.c_str(), kCaption,
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
      return uninstall::kExitCancelled;
    }
  }

  // The shortcuts lie where the installer put them: the folders are read
  // the same way.
  InitializeInstallUtils();
  const uninstall::Plan plan = uninstall::MakePlan(installDir, ProgramsFolder(), DesktopFolder());
  FinalizeInstallUtils();
  Report report;
  for (const std::string& file : plan.files) {
    if (q::Error err = DeleteInstalledFile(file)) report.failures.push_back(err.Message());
  }
  for (const std::string& link : plan.shortcuts) {
    if (q::Error err = DeleteInstalledFile(link)) report.failures.push_back(err.Message());
  }
  RemoveFolderIfEmpty(plan.programGroup, report);
  if (report.failures.empty()) RemoveUninstallEntry(ownPath, report);
  if (report.failures.empty()) {
    if (q::Error err = StartFinisher(ownPath, installDir, silent)) {
      ScheduleAtRestart(ownPath, installDir, err, report);
    }
  }
  Tell(uninstall::ReportText(report), silent,
       report.failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
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
  const uninstall::Plan plan = uninstall::MakePlan(args.installDir, {}, {});
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
  // Only a copy in the temporary folder deletes itself: "/_finish" given to
  // the installed program by hand must not schedule that for deletion.
  const std::string self = LongPath(ModulePath());
  if (uninstall::SamePath(std::string(FolderPart(self)), TempFolder())) {
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  if (!report.failures.empty() || !report.notes.empty()) {
    Tell(uninstall::ReportText(report), args.silent,
         report.failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
  }
  return uninstall::ExitCode(report);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  uninstall::Arguments parsed;
  if (q::Error err = uninstall::ParseArguments(args, parsed)) {
    Tell(err.Message(), parsed.silent, MB_ICONERROR);
    return uninstall::kExitCancelled;
  }
  return parsed.finish ? Finish(parsed) : Uninstall(parsed.silent);
}
