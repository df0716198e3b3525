// qe2e.exe: the end-to-end tests' eyes and hands inside the Wine prefix.
// Child controls are not X windows, so a script that wants to click one
// asks this program where it is. One command per run; tab-separated output.
//
//   qe2e windows TITLE           the top-level window of that caption and
//                                its child controls (EnumChildWindows):
//                                kind id class visible x y w h text
//                                (screen coordinates; kind "window",
//                                "client" or "child"); exit 1 if none
//   qe2e folders                 the folder values the installer reads:
//                                ProgramFilesDir, Common Programs,
//                                Common Desktop
//   qe2e shortcut-read LINK      target, arguments, workdir, description
//   qe2e hold FILE SECONDS       keeps FILE open without sharing
//   qe2e freeze TITLE SECONDS [UNTIL]
//                                as soon as a window of that caption (or, for
//                                "X.exe", that setup holding its mutex) exists,
//                                shown or not, holds its thread still for
//                                SECONDS, or until the file UNTIL exists:
//                                prints "watching" once it looks, then
//                                "frozen"; exit 1 if none came within a
//                                minute
//   qe2e freeze-progress TITLE SECONDS [UNTIL]
//                                the same once the progress bar of that
//                                window is visible and a third of the way
//                                (a screenshot can catch the bar): prints
//                                "watching" once it sees the window, then
//                                "frozen POSITION MAXIMUM"
//   qe2e run PROGRAM ARGS...     runs PROGRAM with ARGS (quoted when they
//                                hold a space) and prints "exit CODE", the
//                                whole 32-bit code: Wine hands its callers
//                                only the low 8 bits
//   qe2e set-resource EXE TYPE ID FILE
//                                puts FILE's bytes in place of a resource
//                                (the installer's "ZIP" 1, the uninstaller's
//                                file list "#10" 100)
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/wide.h"
#include "common/win32_handles.h"
#include "win/installutils/test_util.h"

namespace {

std::string Text(HWND window) {
  const int n = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), n + 1)));
  // One line per control: line breaks become "\n".
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    out += c == '\n' ? std::string("\\n") : c == '\t' ? std::string(" ") : std::string(1, c);
  }
  return out;
}

void PrintRow(const char* kind, HWND window, const RECT& r) {
  char cls[256] = {};
  GetClassNameA(window, cls, sizeof cls);
  std::printf("%s\t%d\t%s\t%d\t%ld\t%ld\t%ld\t%ld\t%s\n", kind, GetDlgCtrlID(window), cls,
              IsWindowVisible(window) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top,
              Text(window).c_str());
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  RECT r{};
  GetWindowRect(child, &r);
  PrintRow("child", child, r);
  return TRUE;
}

int Windows(const char* title) {
  HWND window = FindWindowA(nullptr, title);
  if (!window) {
    std::fprintf(stderr, "qe2e: no window \"%s\"\n", title);
    return 1;
  }
  RECT r{};
  GetWindowRect(window, &r);
  PrintRow("window", window, r);
  RECT c{};
  GetClientRect(window, &c);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(&c, origin.x, origin.y);
  PrintRow("client", window, c);
  EnumChildWindows(window, PrintChild, 0);
  return 0;
}

std::string ReadValue(HKEY root, const char* key, const char* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(root, q::Widen(key).c_str(), q::Widen(name).c_str(), RRF_RT_REG_SZ, nullptr,
                   buffer, &size) != ERROR_SUCCESS) {
    return {};
  }
  return q::Narrow(buffer);
}

int Folders() {
  const char* version = "Software\\Microsoft\\Windows\\CurrentVersion";
  const char* shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  for (const auto& [key, name] : {std::pair{version, "ProgramFilesDir"},
                                  {shell, "Common Programs"},
                                  {shell, "Common Desktop"}}) {
    std::printf("%s\t%s\n", name, ReadValue(HKEY_LOCAL_MACHINE, key, name).c_str());
  }
  return 0;
}

int ShortcutRead(const std::string& link) {
  CoInitialize(nullptr);  // for the rest of this short process
  try {
    const qtest::LinkFields f = qtest::ReadShortcut(link);
    std::printf("target\t%s\narguments\t%s\nworkdir\t%s\ndescription\t%s\n", f.path.c_str(),
                f.arguments.c_str(), f.workingFolder.c_str(), f.description.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qe2e: %s\n", e.what());
    return 1;
  }
  return 0;
}

int Hold(const std::string& file, int seconds) {
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  CloseHandle(h);
  return 0;
}

// The first visible progress bar among a window's children.
BOOL CALLBACK FindProgress(HWND child, LPARAM out) {
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (IsWindowVisible(child) &&
      (std::strstr(cls, "ProgressBar") || std::strstr(cls, "progress32"))) {
    *reinterpret_cast<HWND*>(out) = child;
    return FALSE;
  }
  return TRUE;
}

int Run(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    const bool quote = arg.find(' ') != std::string::npos;
    line += (line.empty() ? "" : " ") + (quote ? "\"" + arg + "\"" : arg);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(args[0].c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("exit %lu\n", static_cast<unsigned long>(code));
  return 0;
}

// Holds thread `threadId` still for `seconds`, or until the file `until`
// exists (when one is named), after printing `said`.
bool Freeze(DWORD threadId, int seconds, const std::string& said, const std::string& until) {
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
  if (!thread || SuspendThread(thread) == static_cast<DWORD>(-1)) return false;
  std::printf("%s\n", said.c_str());
  std::fflush(stdout);
  for (int ms = 0; ms < seconds * 1000; ms += 20) {
    if (!until.empty() && GetFileAttributesW(q::Widen(until).c_str()) != INVALID_FILE_ATTRIBUTES)
      break;
    Sleep(20);
  }
  ResumeThread(thread);
  CloseHandle(thread);
  return true;
}

// The first thread (the one at work) of a running program `exe`, else 0.
DWORD FirstThread(const char* exe) {
  const q::FileHandle all(CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0));
  PROCESSENTRY32W p{};
  THREADENTRY32 t{};
  p.dwSize = sizeof p, t.dwSize = sizeof t;
  DWORD pid = 0;
  for (BOOL ok = Process32FirstW(all.Get(), &p); ok && !pid; ok = Process32NextW(all.Get(), &p))
    if (_wcsicmp(p.szExeFile, q::Widen(exe).c_str()) == 0) pid = p.th32ProcessID;
  for (BOOL ok = pid && Thread32First(all.Get(), &t); ok; ok = Thread32Next(all.Get(), &t))
    if (t.th32OwnerProcessID == pid) return t.th32ThreadID;
  return 0;
}

// The thread of setup `exe` once it holds the running mutex, else 0: a setup
// without a window (/S) is held so. The thread is found first and the mutex
// then watched closely, for such a setup may hold it only for moments.
DWORD SetupThread(const char* exe) {
  const DWORD thread = FirstThread(exe);
  if (!thread) return 0;
  const q::KernelHandle handle(OpenThread(SYNCHRONIZE, FALSE, thread));
  for (int ms = 0; handle && ms < 10000; ++ms, Sleep(1)) {
    if (q::KernelHandle(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\QuorvantisSetup.Running")))
      return thread;
    if (WaitForSingleObject(handle.Get(), 0) == WAIT_OBJECT_0) break;  // it has ended
  }
  return 0;
}

// Waits up to a minute for the window (and with `progress`, for its bar a
// third of the way), then freezes it.
int FreezeWhen(const char* title, int seconds, bool progress, const std::string& until) {
  // Without a bar to wait for, the caller may start what is to be held
  // once this looks: a setup without a window can end within moments.
  bool watching = !progress;
  if (watching) {
    std::printf("watching\n");
    std::fflush(stdout);
  }
  // Only a program's name is looked for among the processes: a snapshot of
  // them all per look would let a quick window's bar pass unseen.
  const std::string_view named(title);
  const bool program = named.size() > 4 && _stricmp(title + named.size() - 4, ".exe") == 0;
  for (int waited = 0; waited < 60000; waited += 2, Sleep(2)) {
    if (const DWORD thread = program ? SetupThread(title) : 0)
      return Freeze(thread, seconds, "frozen", until) ? 0 : 1;
    HWND window = FindWindowA(nullptr, title);
    if (!window) continue;
    if (!progress)
      return Freeze(GetWindowThreadProcessId(window, nullptr), seconds, "frozen", until) ? 0 : 1;
    if (!watching) {
      // The caller waits for this before it starts the work to watch.
      std::printf("watching\n");
      std::fflush(stdout);
      watching = true;
    }
    HWND bar = nullptr;
    EnumChildWindows(window, FindProgress, reinterpret_cast<LPARAM>(&bar));
    DWORD_PTR position = 0, maximum = 0;
    if (bar && SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 200, &position) &&
        SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 200, &maximum) &&
        position >= 1 && position >= maximum / 3) {
      return Freeze(GetWindowThreadProcessId(window, nullptr), seconds,
                    "frozen\t" + std::to_string(position) + "\t" + std::to_string(maximum), until)
                 ? 0
                 : 1;
    }
  }
  return 1;
}

// Keeps the first language a resource has (a callback of the system's
// calling convention: on i686 a lambda's is not).
BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR out) {
  *reinterpret_cast<WORD*>(out) = found;
  return FALSE;
}

// Resource TYPE ("#10": a number) ID replaced by the file's bytes, in the
// language the build gave it.
int SetResource(const std::string& exe, const std::string& type, int id, const std::string& path) {
  FILE* in = _wfopen(q::Widen(path).c_str(), L"rb");
  std::vector<char> data;
  for (int c; in != nullptr && (c = std::fgetc(in)) != EOF;) data.push_back(static_cast<char>(c));
  if (in == nullptr || std::fclose(in) != 0 || data.empty()) return 1;
  const std::wstring typeName = q::Widen(type);
  const wchar_t* kind =
      type[0] == '#' ? MAKEINTRESOURCEW(std::atoi(type.c_str() + 1)) : typeName.c_str();
  WORD language = 0;
  if (HMODULE image = LoadLibraryExW(q::Widen(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    EnumResourceLanguagesW(image, kind, MAKEINTRESOURCEW(id), FirstLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
    FreeLibrary(image);
  }
  HANDLE update = BeginUpdateResourceW(q::Widen(exe).c_str(), FALSE);
  const bool ok = update && UpdateResourceW(update, kind, MAKEINTRESOURCEW(id), language,
                                            data.data(), static_cast<DWORD>(data.size()));
  return update && EndUpdateResourceW(update, !ok) && ok ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr, "usage: qe2e COMMAND ARGS... (the commands: see qe2e.cpp)\n");
  return 2;
}

}  // namespace

int main() {
  // The arguments from the wide command line, as UTF-8: paths may hold any
  // character.
  std::vector<std::string> a;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; argv != nullptr && i < argc; ++i) a.push_back(q::Narrow(argv[i]));
  LocalFree(argv);
  const std::string cmd = a.empty() ? "" : a[0];
  if (cmd == "windows" && a.size() == 2) return Windows(a[1].c_str());
  if (cmd == "folders" && a.size() == 1) return Folders();
  if (cmd == "shortcut-read" && a.size() == 2) return ShortcutRead(a[1]);
  if (cmd == "hold" && a.size() == 3) return Hold(a[1], std::atoi(a[2].c_str()));
  if (cmd == "run" && a.size() >= 2) return Run({a.begin() + 1, a.end()});
  if ((cmd == "freeze" || cmd == "freeze-progress") && (a.size() == 3 || a.size() == 4))
    return FreezeWhen(a[1].c_str(), std::atoi(a[2].c_str()), cmd == "freeze-progress",
                      a.size() == 4 ? a[3] : "");
  if (cmd == "set-resource" && a.size() == 5)
    return SetResource(a[1], a[2], std::atoi(a[3].c_str()), a[4]);
  return Usage();
}
