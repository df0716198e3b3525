// installutils_probe: makes one sample call of each install-utilities
// operation in the current Wine prefix (or Windows) and prints what landed:
// the OS information and folder values of the start-up code, a shortcut
// read back through the shell, the uninstall entry read back through the
// registry and with reg.exe. The shortcut goes to a temporary folder laid
// out as the installer's folders; the uninstall entry "Quorvantis Probe" is
// removed again unless --keep is given. Exit status 0 when every read-back
// matches what was written.
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "common/win32_handles.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "installutils/shortcut.h"
#include "installutils/system_folders.h"
#include "installutils/uninstall.h"
#include "test_util.h"

namespace {

int g_mismatches = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("  MISMATCH: %s\n", what);
    ++g_mismatches;
  }
}

// Size, header length and class id of a link file.
std::string DescribeLinkFile(const std::string& path) {
  const q::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  unsigned char bytes[20] = {};
  DWORD got = 0;
  if (!file || !::GetFileSizeEx(file.Get(), &size) ||
      !::ReadFile(file.Get(), bytes, sizeof bytes, &got, nullptr) || got < sizeof bytes) {
    return "unreadable or too short for a link";
  }
  auto byte = [&bytes](size_t i) { return static_cast<unsigned>(bytes[i]); };
  char text[128];
  std::snprintf(text, sizeof text,
                "%lld bytes, header size 0x%02X, class id %02X%02X%02X%02X-%02X%02X-%02X%02X-"
                "%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<long long>(size.QuadPart), byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24, byte(7),
                byte(6), byte(5), byte(4), byte(9), byte(8), byte(11), byte(10), byte(12),
                byte(13), byte(14), byte(15), byte(16), byte(17), byte(18), byte(19));
  return text;
}

const char* Exists(const std::string& folder) {
  return qtest::FolderExists(folder) ? "exists" : "MISSING";
}

void PrintStartUp() {
  InitializeInstallUtils();
  const OsInfo& os = OsInformation();
  std::printf("Start-up\n");
  std::printf("  OsVersionKnown=%d OsName=\"%s\" version %s.%s build %s service pack \"%s\"\n",
              os.OsVersionKnown, os.OsName.c_str(), os.OsMajorText.c_str(),
              os.OsMinorText.c_str(), os.OsBuildText.c_str(), os.OsServicePack.c_str());
  std::printf("  flags: Win32s=%d Win95=%d Win98=%d WinNT4=%d Win2000=%d WinXP=%d -> %s branch\n",
              os.IsWin32s, os.IsWin95, os.IsWin98, os.IsWinNT4, os.IsWin2000, os.IsWinXP,
              UsesOlderFolderBranch(os) ? "older-systems" : "current-systems");
  std::printf("  ProgramFilesFolder = \"%s\" (%s)\n", ProgramFilesFolder().c_str(),
              Exists(ProgramFilesFolder()));
  std::printf("  ProgramsFolder     = \"%s\" (%s)\n", ProgramsFolder().c_str(),
              Exists(ProgramsFolder()));
  std::printf("  DesktopFolder      = \"%s\" (%s)\n", DesktopFolder().c_str(),
              Exists(DesktopFolder()));
  Check(!ProgramFilesFolder().empty() && qtest::FolderExists(ProgramFilesFolder()),
        "Program Files folder");
  Check(qtest::FolderExists(ProgramsFolder()), "Programs folder");
  Check(qtest::FolderExists(DesktopFolder()), "Desktop folder");
}

void PrintShortcut() {
  char temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) throw std::runtime_error("no temporary folder");
  const std::string root = std::string(temp) + qtest::UniqueName("QuorvantisProbe-") + "\\";
  const std::string installDir = root + "Program Files\\Quorvantis\\";
  const std::string desktop = root + "Desktop\\";
  for (const std::string& folder : {root, root + "Program Files\\", installDir, desktop}) {
    ::CreateDirectoryA(folder.c_str(), nullptr);
  }
  const std::string target = installDir + "Quorvantis.exe";
  q::FileHandle(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                              nullptr));  // an empty stand-in program, closed at once
  const std::string link = desktop + "Quorvantis.lnk";

  std::printf("CreateShortcut(\"%s\", \"\", \"%s\", \"Quorvantis\")\n", target.c_str(),
              link.c_str());
  const q::Error err = CreateShortcut(target, "", link, "Quorvantis");
  std::printf("  result: %s\n", err ? err.Message().c_str() : "ok");
  Check(!err, "CreateShortcut succeeds");
  if (!err) {
    const qtest::LinkFields fields = qtest::ReadShortcut(link);
    std::printf("  read back: path=\"%s\"\n", fields.path.c_str());
    std::printf("             arguments=\"%s\"\n", fields.arguments.c_str());
    std::printf("             working folder=\"%s\"\n", fields.workingFolder.c_str());
    std::printf("             description=\"%s\"\n", fields.description.c_str());
    std::printf("  file: %s\n", DescribeLinkFile(link).c_str());
    Check(fields.path == target, "path");
    Check(fields.arguments.empty(), "arguments");
    Check(fields.workingFolder == installDir, "working folder");
    Check(fields.description == "Quorvantis", "description");
  }

  // What a person reads when the link folder is missing.
  const std::string orphan = root + "No Such Folder\\Quorvantis.lnk";
  const q::Error missing = CreateShortcut(target, "", orphan, "Quorvantis");
  std::printf("CreateShortcut into a missing folder:\n  result: %s\n",
              missing ? missing.Message().c_str() : "ok");
  Check(missing && !qtest::FileExists(orphan), "a missing link folder is an error");

  ::DeleteFileA(link.c_str());
  ::DeleteFileA(target.c_str());
  for (const std::string& folder : {desktop, installDir, root + "Program Files\\", root}) {
    ::RemoveDirectoryA(folder.c_str());
  }
}

void PrintUninstall(bool keep) {
  const std::string name = "Quorvantis Probe";
  const std::string uninstall = "C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe";
  std::printf("RegisterUninstall(\"%s\", \"%s\", \"1.1 \", \"%s\", \"\", \"\", \"%s\", \"%s\", \"%s\")\n",
              Q_MAKER_NAME, name.c_str(), Q_MAKER_URL, uninstall.c_str(), Q_MAKER_URL2,
              Q_MAKER_URL2);
  const q::Error err = RegisterUninstall(Q_MAKER_NAME, name, "1.1 ", Q_MAKER_URL, "", "",
                                         uninstall, Q_MAKER_URL2, Q_MAKER_URL2);
  std::printf("  result: %s\n", err ? err.Message().c_str() : "ok");
  Check(!err, "RegisterUninstall succeeds");

  const std::string key = RelativeKeyPath(UninstallKeyPath(name));
  std::printf("  read back from HKEY_LOCAL_MACHINE\\%s:\n", key.c_str());
  UninstallEntry expected{Q_MAKER_NAME, name, "1.1 ", Q_MAKER_URL, "", "", uninstall,
                          Q_MAKER_URL2, Q_MAKER_URL2};
  for (const RegistryStringValue& value : UninstallValues(expected)) {
    const auto stored = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, key, value.name);
    if (!stored) {
      std::printf("    %-16s missing\n", value.name);
      Check(false, value.name);
      continue;
    }
    const std::string text = stored->data.substr(0, stored->data.find('\0'));
    std::printf("    %-16s %s [%s]\n", value.name, stored->type == REG_SZ ? "REG_SZ" : "other type",
                text.c_str());
    Check(stored->type == REG_SZ && text == value.data, value.name);
  }
  for (const char* absent : {"HelpTelephone", "ModifyPath"}) {
    const bool present = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, key, absent).has_value();
    std::printf("    %-16s %s\n", absent, present ? "PRESENT" : "not written");
    Check(!present, absent);
  }
  std::printf("  reg query \"HKLM\\%s\":\n", key.c_str());
  std::string out = qtest::RegQuery("HKLM\\" + key);
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  std::printf("%s", out.c_str());
  if (!keep) qtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
}

}  // namespace

int main(int argc, char** argv) {
  const bool keep = argc > 1 && std::strcmp(argv[1], "--keep") == 0;
  if (FAILED(::CoInitialize(nullptr))) {
    std::printf("CoInitialize failed\n");
    return 2;
  }
  try {
    PrintStartUp();
    std::printf("\n");
    PrintShortcut();
    std::printf("\n");
    PrintUninstall(keep);
  } catch (const std::exception& e) {
    std::printf("probe failed: %s\n", e.what());
    ++g_mismatches;
  }
  FinalizeInstallUtils();
  ::CoUninitialize();
  std::printf("\n%s\n", g_mismatches == 0 ? "everything read back as written"
                                          : "SOME READ-BACKS DIFFER");
  return g_mismatches == 0 ? 0 : 1;
}
