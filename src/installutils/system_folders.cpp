#include "installutils/system_folders.h"

#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "common/wide.h"
#include "installutils/registry.h"

namespace {

// The module's values: written by the start-up code (or a test) on the main
// thread before any other thread exists, only read afterwards.
struct InstallUtilsState {
  int initCount = 0;
  OsInfo os;
  SystemFolders folders;
  OtherFolders others;
};
InstallUtilsState g_state;

std::string ReadFolder(const FolderSource& source, HKEY localMachine, HKEY currentUser) {
  const HKEY root = source.root == RegistryRoot::kLocalMachine ? localMachine : currentUser;
  return RegReadString(root, source.key, source.valueName);
}

// GetWindowsDirectoryW and GetSystemDirectoryW: a result of 0 (failure) or
// larger than the buffer (it needs more) leaves the value empty.
template <typename Query>
std::string SystemDirectory(Query query) {
  wchar_t buffer[MAX_PATH + 1];
  const UINT length = query(buffer, MAX_PATH + 1);
  return (length == 0 || length >= MAX_PATH + 1) ? std::string()
                                                 : q::Narrow(std::wstring_view(buffer, length));
}

OtherFolders ReadOtherFolders() {
  OtherFolders f;
  f.WindowsFolder = SystemDirectory(::GetWindowsDirectoryW);
  f.SystemFolder = SystemDirectory(::GetSystemDirectoryW);
  static constexpr std::pair<std::string OtherFolders::*, const char*> kUserFolders[] = {
      {&OtherFolders::StartMenuFolder, "Start Menu"}, {&OtherFolders::SendToFolder, "SendTo"},
      {&OtherFolders::StartupFolder, "Startup"},      {&OtherFolders::NetHoodFolder, "NetHood"},
      {&OtherFolders::AppDataFolder, "AppData"},      {&OtherFolders::FontsFolder, "Fonts"},
      {&OtherFolders::PersonalFolder, "Personal"},
  };
  for (const auto& [value, name] : kUserFolders) {
    f.*value = RegReadString(HKEY_CURRENT_USER, kShellFoldersKey, name);
  }
  return f;
}

}  // namespace

OsInfo QueryOsVersion() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  static_assert(sizeof info == 148, "the ANSI version-information record");
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(&info)) return ClassifyOsVersion(nullptr);
  OsVersionRecord record;
  record.majorVersion = info.dwMajorVersion;
  record.minorVersion = info.dwMinorVersion;
  record.buildNumber = info.dwBuildNumber;
  record.platformId = info.dwPlatformId;
  // The system need not terminate the text within its 128 characters.
  const std::string_view servicePack(info.szCSDVersion, sizeof info.szCSDVersion);
  record.servicePack.assign(servicePack.substr(0, servicePack.find('\0')));
  return ClassifyOsVersion(&record);
}

SystemFolders ReadSystemFolders(const OsInfo& os, HKEY localMachine, HKEY currentUser) {
  const FolderSources sources = SelectFolderSources(os);
  SystemFolders folders;
  folders.ProgramFilesFolder = ReadFolder(sources.programFiles, localMachine, currentUser);
  folders.ProgramsFolder = ReadFolder(sources.programs, localMachine, currentUser);
  folders.DesktopFolder = ReadFolder(sources.desktop, localMachine, currentUser);
  return folders;
}

namespace {

// Gives `value` the one `make` returns, made in its place: no assignment
// operator of the records is needed.
template <typename T, typename Make>
void Remake(T& value, Make make) {
  value.~T();
  ::new (static_cast<void*>(&value)) T(make());
}

}  // namespace

void InitializeInstallUtils() {
  if (g_state.initCount++ != 0) return;
  Remake(g_state.os, QueryOsVersion);
  Remake(g_state.folders,
         [] { return ReadSystemFolders(g_state.os, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER); });
  Remake(g_state.others, ReadOtherFolders);
}

void FinalizeInstallUtils() {
  if (g_state.initCount == 0 || --g_state.initCount != 0) return;
  Remake(g_state, [] { return InstallUtilsState(); });
}

const OsInfo& OsInformation() { return g_state.os; }
const std::string& ProgramFilesFolder() { return g_state.folders.ProgramFilesFolder; }
const std::string& ProgramsFolder() { return g_state.folders.ProgramsFolder; }
const std::string& DesktopFolder() { return g_state.folders.DesktopFolder; }
const OtherFolders& OtherSystemFolders() { return g_state.others; }

void SetSystemFolders(SystemFolders folders) { g_state.folders = std::move(folders); }
