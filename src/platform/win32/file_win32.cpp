// Win32 implementation of the engine's OS layer: the wide file functions
// (paths arrive as UTF-8), file times through the system's calendar
// conversion, attributes, the tick count, and the window-system side of the
// engine's user-interface hooks.
#include <windows.h>

#include "common/wide.h"
#include "platform/engine_ui.h"
#include "platform/file.h"

namespace platform {
namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

int LastError() {
  const DWORD err = ::GetLastError();
  return err == 0 ? 5 : static_cast<int>(err);  // never report success on failure
}

}  // namespace

int File::OpenRead(const char* path) {
  Close();
  HANDLE h = ::CreateFileW(q::WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  handle_ = reinterpret_cast<intptr_t>(h);
  StartReadAhead();
  return 0;
}

int File::OpenWrite(const char* path) {
  Close();
  HANDLE h = ::CreateFileW(q::WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  handle_ = reinterpret_cast<intptr_t>(h);
  return 0;
}

bool File::ReadThrough(void* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  DWORD n = 0;
  if (!::ReadFile(H(handle_), buffer, count, &n, nullptr)) return false;
  *got = n;
  return true;
}

bool File::Write(const void* buffer, uint32_t count, uint32_t* written) {
  *written = 0;
  if (!IsOpen()) return false;
  DWORD n = 0;
  if (!::WriteFile(H(handle_), buffer, count, &n, nullptr)) return false;
  *written = n;
  return n == count;
}

bool File::SeekThrough(uint64_t position) {
  if (position > 0x7FFFFFFFFFFFFFFFull) return false;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position);
  return ::SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN) != 0;
}

bool File::Size(uint64_t* size) const {
  LARGE_INTEGER s;
  if (!IsOpen() || !::GetFileSizeEx(H(handle_), &s)) return false;
  *size = static_cast<uint64_t>(s.QuadPart);
  return true;
}

bool File::SetDosTime(uint32_t stamp) {
  const DosTime t = DosStampToTime(stamp);
  // The system's own conversion refuses impossible dates on Windows; Wine's
  // lets some through (Feb 29 of a common year): test the fields first.
  if (!IsOpen() || !IsValidDosTime(t)) return false;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  FILETIME local, utc;
  if (!::SystemTimeToFileTime(&st, &local)) return false;
  if (!::LocalFileTimeToFileTime(&local, &utc)) return false;
  return ::SetFileTime(H(handle_), nullptr, nullptr, &utc) != 0;
}

bool File::SetAttributes(uint16_t attributes) {
  if (!IsOpen()) return false;
  FILE_BASIC_INFO info{};  // times of zero stay as they are
  // No bits at all is "normal" here, as for SetFileAttributes; zero would
  // leave the attributes unchanged.
  info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(H(handle_), FileBasicInfo, &info, sizeof info) != 0;
}

bool File::Close() {
  EndReadAhead();
  if (!IsOpen()) return true;
  const BOOL ok = ::CloseHandle(H(handle_));
  handle_ = kInvalid;
  return ok != 0;
}

bool EraseFile(const char* path) { return ::DeleteFileW(q::WidePath(path).c_str()) != 0; }

// The current folder cannot take the "\\?\" form: its own limit holds.
int ChangeDir(const char* path) {
  return ::SetCurrentDirectoryW(q::Widen(path).c_str()) ? 0 : LastError();
}

int MakeDir(const char* path) {
  return ::CreateDirectoryW(q::WidePath(path).c_str(), nullptr) ? 0 : LastError();
}

bool FolderExists(const char* path) {
  const DWORD a = ::GetFileAttributesW(q::WidePath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const char* path) {
  return ::GetFileAttributesW(q::WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SetAttributes(const char* path, uint16_t attributes) {
  return ::SetFileAttributesW(q::WidePath(path).c_str(), attributes) != 0;
}

uint32_t TickCount() { return ::GetTickCount(); }

namespace {

void PumpWindowMessages(uintptr_t notifyWindow) {
  HWND dialog = reinterpret_cast<HWND>(notifyWindow);
  MSG msg;
  bool quit = false;
  WPARAM quitCode = 0;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Removing WM_QUIT here would swallow the application's end: keep it
      // and post it again once the queue is drained.
      quit = true;
      quitCode = msg.wParam;
      continue;
    }
    if (dialog != nullptr && ::IsDialogMessageA(dialog, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
}

bool KeyDown(int virtualKey) { return ::GetAsyncKeyState(virtualKey) < 0; }

void SendProgress(uintptr_t window, int16_t id, int16_t* percent) {
  ::SendMessageA(reinterpret_cast<HWND>(window), WM_COMMAND,
                 static_cast<WPARAM>(static_cast<intptr_t>(id)), reinterpret_cast<LPARAM>(percent));
}

}  // namespace

EngineUi DefaultEngineUi() {
  return EngineUi{PumpWindowMessages, KeyDown, SendProgress, TickCount};
}

// --- Replacing a file only once its successor is complete -----------------

int File::CreateNew(const char* path) {
  Close();
  HANDLE h = ::CreateFileW(q::WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const int err = LastError();
    return err == ERROR_FILE_EXISTS ? kFileExists : err;
  }
  handle_ = reinterpret_cast<intptr_t>(h);
  return 0;
}

bool RenameOver(const char* from, const char* to) {
  return ::MoveFileExW(q::WidePath(from).c_str(), q::WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

// The volume and file index that identify an existing file or folder.
bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = ::CreateFileW(q::WidePath(path).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = ::GetFileInformationByHandle(h, info);
  ::CloseHandle(h);
  return ok != 0;
}

}  // namespace

bool SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return FileIdentity(a, &ia) && FileIdentity(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace platform
