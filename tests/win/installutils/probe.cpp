// installutils_probe: one sample call of each install-utilities operation
// in the current Wine prefix (or Windows), and what landed: the OS and the
// folders of the start-up code, a shortcut read back through the shell, the
// uninstall entry read back through the registry and with reg.exe. The
// shortcut goes to a temporary folder laid out as the installer's; the entry
// "Quorvantis Probe" is removed again unless --keep is given. Exit status 0
// when every read-back matches what was written.
#include <windows.h>
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

void Check(bool ok, const std::string& what) {
  if (!ok) std::printf("  MISMATCH: %s\n", what.c_str());
  g_mismatches += !ok;
}

void PrintStartUp() {
  InitializeInstallUtils();
  const OsInfo& os = OsInformation();
  std::printf("Start-up: OsVersionKnown=%d \"%s\" %s.%s build %s \"%s\", %s branch\n",
              os.OsVersionKnown, os.OsName.c_str(), os.OsMajorText.c_str(), os.OsMinorText.c_str(),
              os.OsBuildText.c_str(), os.OsServicePack.c_str(),
              UsesOlderFolderBranch(os) ? "older-systems" : "current-systems");
  const std::pair<const char*, std::string> folders[] = {
      {"ProgramFilesFolder", ProgramFilesFolder()},
      {"ProgramsFolder", ProgramsFolder()},
      {"DesktopFolder", DesktopFolder()}};
  for (const auto& [name, folder] : folders) {
    const bool exists = qtest::FolderExists(folder);
    std::printf("  %-18s = \"%s\" (%s)\n", name, folder.c_str(), exists ? "exists" : "MISSING");
    Check(exists, name);
  }
}

void PrintShortcut() {
  char temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) throw std::runtime_error("no temporary folder");
  const std::string root = std::string(temp) + qtest::UniqueName("QuorvantisProbe-") + "\\";
  const std::string folders[] = {root, root + "Program Files\\",
                                 root + "Program Files\\Quorvantis\\", root + "Desktop\\"};
  for (const std::string& folder : folders) ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string target = folders[2] + "Quorvantis.exe", link = folders[3] + "Quorvantis.lnk";
  q::FileHandle(
      ::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

  std::printf("CreateShortcut(\"%s\", \"\", \"%s\", \"Quorvantis\")\n", target.c_str(),
              link.c_str());
  const q::Error err = CreateShortcut(target, "", link, "Quorvantis");
  std::printf("  result: %s\n", err ? err.Message().c_str() : "ok");
  Check(!err, "CreateShortcut succeeds");
  if (!err) {
    const qtest::LinkFields f = qtest::ReadShortcut(link);
    std::printf(
        "  read back: path=\"%s\" arguments=\"%s\"\n             working folder=\"%s\" "
        "description=\"%s\"\n",
        f.path.c_str(), f.arguments.c_str(), f.workingFolder.c_str(), f.description.c_str());
    Check(f.path == target && f.arguments.empty() && f.workingFolder == folders[2] &&
              f.description == "Quorvantis",
          "shortcut fields");
  }
  const std::string orphan = root + "No Such Folder\\Quorvantis.lnk";
  const q::Error missing = CreateShortcut(target, "", orphan, "Quorvantis");
  std::printf("Into a missing folder: %s\n", missing ? missing.Message().c_str() : "ok");
  Check(missing && !qtest::FileExists(orphan), "a missing link folder is an error");

  ::DeleteFileA(link.c_str());
  ::DeleteFileA(target.c_str());
  for (auto it = std::rbegin(folders); it != std::rend(folders); ++it)
    ::RemoveDirectoryA(it->c_str());
}

void PrintUninstall(bool keep) {
  const UninstallEntry entry{Q_MAKER_NAME,
                             "Quorvantis Probe",
                             "1.1 ",
                             Q_MAKER_URL,
                             "",
                             "",
                             "C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe",
                             Q_MAKER_URL2,
                             Q_MAKER_URL2};
  const q::Error err =
      RegisterUninstall(entry.publisher, entry.displayName, entry.displayVersion, entry.helpLink,
                        "", "", entry.uninstallString, entry.urlUpdateInfo, entry.urlInfoAbout);
  std::printf("RegisterUninstall(\"%s\", ...): %s\n", entry.displayName.c_str(),
              err ? err.Message().c_str() : "ok");
  Check(!err, "RegisterUninstall succeeds");
  const std::string key = RelativeKeyPath(UninstallKeyPath(entry.displayName));
  for (const RegistryStringValue& value : UninstallValues(entry)) {
    const auto stored = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, key, value.name);
    Check(stored && stored->type == REG_SZ && stored->data == value.data + '\0', value.name);
  }
  Check(qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, key).size() == UninstallValues(entry).size(),
        "no other values (HelpTelephone, ModifyPath)");
  std::string out = qtest::RegQuery("HKLM\\" + key);
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  std::printf("reg query \"HKLM\\%s\":\n%s", key.c_str(), out.c_str());
  if (!keep) qtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
}

}  // namespace

int main(int argc, char** argv) {
  if (FAILED(::CoInitialize(nullptr))) {
    std::printf("CoInitialize failed\n");
    return 2;
  }
  try {
    PrintStartUp();
    PrintShortcut();
    PrintUninstall(argc > 1 && std::strcmp(argv[1], "--keep") == 0);
  } catch (const std::exception& e) {
    Check(false, std::string("probe failed: ") + e.what());
  }
  FinalizeInstallUtils();
  ::CoUninitialize();
  std::printf("%s\n",
              g_mismatches == 0 ? "everything read back as written" : "SOME READ-BACKS DIFFER");
  return g_mismatches == 0 ? 0 : 1;
}
