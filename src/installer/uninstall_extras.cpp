#include "installer/uninstall_extras.h"

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "installutils/registry.h"
#include "installutils/shell_text.h"
#include "installutils/system_error.h"
#include "product/texts.h"

uint32_t KilobytesFor(uint64_t bytes) {
  const uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
  return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

UninstallExtras MakeUninstallExtras(const std::string& installDir, uint64_t installedBytes) {
  UninstallExtras extras;
  extras.installLocation = installDir;
  extras.displayIcon = installDir + texts::kProgramFile;
  extras.estimatedSizeKb = KilobytesFor(installedBytes);
  extras.versionMajor = texts::kVersionMajor;
  extras.versionMinor = texts::kVersionMinor;
  // Quoted whatever the folder: the system runs this command as it stands.
  extras.quietUninstallString = q::Message("\"%s%s\" %s", installDir, texts::kUninstallerFile,
                                           texts::kQuietUninstallArgument);
  return extras;
}

q::Error WriteUninstallExtras(HKEY root, const std::string& displayName,
                              const UninstallExtras& extras) {
  const std::string path = UninstallKeyPath(displayName);
  const std::string context =
      q::Message("cannot complete the uninstall entry %s", KeyPathText(root, path));
  HKEY opened = nullptr;
  const LONG rc =
      ::RegOpenKeyExW(root, q::Widen(RelativeKeyPath(path)).c_str(), 0, KEY_SET_VALUE, &opened);
  if (rc != ERROR_SUCCESS) {
    return q::Error::Failf("%s: %s", context, Win32ErrorText(static_cast<uint32_t>(rc)));
  }
  const q::RegistryKeyHandle key(opened);

  struct Value {
    const char* name;
    DWORD type;
    const std::string* text;  // REG_SZ
    DWORD number;             // REG_DWORD
  };
  const Value values[] = {
      {"InstallLocation", REG_SZ, &extras.installLocation, 0},
      {"DisplayIcon", REG_SZ, &extras.displayIcon, 0},
      {"EstimatedSize", REG_DWORD, nullptr, extras.estimatedSizeKb},
      {"VersionMajor", REG_DWORD, nullptr, extras.versionMajor},
      {"VersionMinor", REG_DWORD, nullptr, extras.versionMinor},
      {"NoModify", REG_DWORD, nullptr, 1},
      {"NoRepair", REG_DWORD, nullptr, 1},
      {"QuietUninstallString", REG_SZ, &extras.quietUninstallString, 0},
  };
  q::Error result;
  for (const Value& v : values) {
    const LONG written =
        v.type == REG_DWORD
            ? ::RegSetValueExW(key.Get(), q::Widen(v.name).c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&v.number), sizeof v.number)
            : RegWriteString(key.Get(), v.name, *v.text);
    if (written != ERROR_SUCCESS) {
      result = q::Error::Failf("%s: cannot write the value \"%s\": %s", context, v.name,
                               Win32ErrorText(static_cast<uint32_t>(written)));
      break;
    }
  }
  // As for the nine values: on disk before the person looks at the list.
  ::RegFlushKey(key.Get());
  return result;
}
