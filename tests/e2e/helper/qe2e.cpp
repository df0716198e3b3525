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
//   qe2e shortcut-make TARGET LINK DESCRIPTION
//                                a shell link as the installer makes it
//                                (working folder = the target's folder)
//   qe2e shortcut-read LINK      target, arguments, workdir, description
//   qe2e register-uninstall INSTALLDIR
//                                the uninstall entry as the installer
//                                writes it
//   qe2e hold FILE SECONDS       keeps FILE open without sharing
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/win32_handles.h"
#include "installer/texts.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "installutils/shortcut.h"
#include "installutils/uninstall.h"

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
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
    return {};
  }
  return buffer;
}

int Folders() {
  const char* version = "Software\\Microsoft\\Windows\\CurrentVersion";
  const char* shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  std::printf("ProgramFilesDir\t%s\n", ReadValue(HKEY_LOCAL_MACHINE, version, "ProgramFilesDir").c_str());
  std::printf("Common Programs\t%s\n", ReadValue(HKEY_LOCAL_MACHINE, shell, "Common Programs").c_str());
  std::printf("Common Desktop\t%s\n", ReadValue(HKEY_LOCAL_MACHINE, shell, "Common Desktop").c_str());
  return 0;
}

std::wstring Wide(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), static_cast<int>(w.size()));
  w.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return w;
}

// COM for one command; the interfaces are released before CoUninitialize.
struct Com {
  Com() { CoInitialize(nullptr); }
  ~Com() { CoUninitialize(); }
};

// The installer's own shortcut routine.
int ShortcutMake(const std::string& target, const std::string& link, const std::string& description) {
  Com com;
  if (q::Error err = CreateShortcut(target, "", link, description)) {
    std::fprintf(stderr, "qe2e: %s\n", err.Message().c_str());
    return 1;
  }
  return 0;
}

int ShortcutRead(const std::string& link) {
  Com com;
  IShellLinkA* raw = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&raw)))) {
    return 1;
  }
  q::ComPtr<IShellLinkA> shell(raw);
  IPersistFile* file = nullptr;
  if (FAILED(shell.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) return 1;
  q::ComPtr<IPersistFile> persist(file);
  if (FAILED(file->Load(Wide(link).c_str(), STGM_READ))) {
    std::fprintf(stderr, "qe2e: cannot read %s\n", link.c_str());
    return 1;
  }
  char buffer[4096];
  shell.Get()->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
  std::printf("target\t%s\n", buffer);
  shell.Get()->GetArguments(buffer, sizeof buffer);
  std::printf("arguments\t%s\n", buffer);
  shell.Get()->GetWorkingDirectory(buffer, sizeof buffer);
  std::printf("workdir\t%s\n", buffer);
  shell.Get()->GetDescription(buffer, sizeof buffer);
  std::printf("description\t%s\n", buffer);
  return 0;
}

// The uninstall entry as the installer writes it: the nine values through
// the installer's own routine, then the further ones.
int RegisterEntry(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  const std::string uninstaller = dir + texts::kUninstallerFile;
  if (q::Error err = RegisterUninstall(texts::kMakerName, texts::kProductName,
                                       texts::kDisplayVersion, texts::kMakerUrl, "", "",
                                       uninstaller, texts::kMakerUrl2, texts::kMakerUrl2)) {
    std::fprintf(stderr, "qe2e: %s\n", err.Message().c_str());
    return 1;
  }
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RelativeKeyPath(UninstallKeyPath(texts::kProductName)).c_str(),
                    0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) {
    return 1;
  }
  q::RegistryKeyHandle key(raw);
  const std::pair<const char*, std::string> strings[] = {
      {"InstallLocation", dir},
      {"DisplayIcon", dir + texts::kProgramFile},
      {"QuietUninstallString", QuoteCommandPath(uninstaller) + " " + texts::kQuietUninstallArgument},
  };
  int rc = 0;
  for (const auto& [name, value] : strings) {
    if (RegSetValueExA(raw, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
      rc = 1;
    }
  }
  const std::pair<const char*, DWORD> numbers[] = {
      {"VersionMajor", texts::kVersionMajor}, {"VersionMinor", texts::kVersionMinor},
      {"NoModify", 1}, {"NoRepair", 1}};
  for (const auto& [name, value] : numbers) {
    if (RegSetValueExA(raw, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value) != ERROR_SUCCESS) {
      rc = 1;
    }
  }
  return rc;
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

int Usage() {
  std::fprintf(stderr, "usage: qe2e windows TITLE | folders | shortcut-make TARGET LINK DESC | "
                       "shortcut-read LINK | register-uninstall DIR | hold FILE SECONDS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  const std::string cmd = a.empty() ? "" : a[0];
  if (cmd == "windows" && a.size() == 2) return Windows(a[1].c_str());
  if (cmd == "folders" && a.size() == 1) return Folders();
  if (cmd == "shortcut-make" && a.size() == 4) return ShortcutMake(a[1], a[2], a[3]);
  if (cmd == "shortcut-read" && a.size() == 2) return ShortcutRead(a[1]);
  if (cmd == "register-uninstall" && a.size() == 2) return RegisterEntry(a[1]);
  if (cmd == "hold" && a.size() == 3) return Hold(a[1], std::atoi(a[2].c_str()));
  return Usage();
}
