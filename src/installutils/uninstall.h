// The product's entry in the system's list of installed programs.
// Windows-only.
#pragma once

#include <windows.h>

#include <string>

#include "common/error.h"
#include "installutils/shell_text.h"

// Writes the uninstall entry <DisplayName> below HKEY_LOCAL_MACHINE and
// kUninstallKeyParent, creating the key when needed, as
// REG_SZ values in a fixed order; empty arguments write nothing, so values
// already there (of those names or others) stay. The uninstall command is
// quoted when it holds a space. The key is flushed when closed.
//
// Errors name the entry: a display name that cannot be a key name, a key
// that cannot be opened or created (nothing written), a value that cannot be
// written (the values before it stay).
q::Error RegisterUninstall(const std::string& Publisher, const std::string& DisplayName,
                           const std::string& DisplayVersion, const std::string& HelpLink,
                           const std::string& HelpTelephone, const std::string& ModifyPath,
                           const std::string& UninstallString, const std::string& URLUpdateInfo,
                           const std::string& URLInfoAbout);

// The same below another root (tests pass a key of their own).
q::Error RegisterUninstallBelow(HKEY root, const UninstallEntry& entry);
