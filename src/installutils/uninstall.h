// The product's entry in the system's list of installed programs.
// Windows-only.
#pragma once

#include <windows.h>

#include <string_view>

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
q::Error RegisterUninstall(std::string_view Publisher, std::string_view DisplayName,
                           std::string_view DisplayVersion, std::string_view HelpLink,
                           std::string_view HelpTelephone, std::string_view ModifyPath,
                           std::string_view UninstallString, std::string_view URLUpdateInfo,
                           std::string_view URLInfoAbout);

// The same below another root (tests pass a key of their own).
q::Error RegisterUninstallBelow(HKEY root, const UninstallEntry& entry);
