#include "installutils/uninstall.h"

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "installutils/registry.h"
#include "installutils/system_error.h"

q::Error RegisterUninstallBelow(HKEY root, const UninstallEntry& entry) {
  const std::string context =
      q::Message("cannot register \"%s\" in the list of installed programs", entry.displayName);
  if (!IsValidUninstallKeyName(entry.displayName)) {
    return q::Error::Failf("%s: the display name must be one non-empty key name, without \"\\\"",
                           context);
  }
  const std::string path = UninstallKeyPath(entry.displayName);
  HKEY created = nullptr;
  const LONG rc =
      ::RegCreateKeyExW(root, q::Widen(RelativeKeyPath(path)).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created, nullptr);
  if (rc != ERROR_SUCCESS) {
    return q::Error::Failf("%s: cannot open or create %s: %s", context, KeyPathText(root, path),
                           Win32ErrorText(static_cast<uint32_t>(rc)));
  }
  const q::RegistryKeyHandle key(created);

  q::Error result;
  for (const RegistryStringValue& value : UninstallValues(entry)) {
    const LONG written = RegWriteString(key.Get(), value.name, value.data);
    if (written != ERROR_SUCCESS) {
      result =
          q::Error::Failf("%s: cannot write the value \"%s\" of %s: %s", context, value.name,
                          KeyPathText(root, path), Win32ErrorText(static_cast<uint32_t>(written)));
      break;
    }
  }
  // Forces what was written to disk now, also after a failed write: a
  // person who looks at the list right after the installation sees it. A
  // failing flush loses nothing (the system writes the hive later anyway),
  // so it is not an error.
  ::RegFlushKey(key.Get());
  return result;
}

q::Error RegisterUninstall(std::string_view Publisher, std::string_view DisplayName,
                           std::string_view DisplayVersion, std::string_view HelpLink,
                           std::string_view HelpTelephone, std::string_view ModifyPath,
                           std::string_view UninstallString, std::string_view URLUpdateInfo,
                           std::string_view URLInfoAbout) {
  const UninstallEntry entry{Publisher,       DisplayName,   DisplayVersion,
                             HelpLink,        HelpTelephone, ModifyPath,
                             UninstallString, URLUpdateInfo, URLInfoAbout};
  return RegisterUninstallBelow(HKEY_LOCAL_MACHINE, entry);
}
