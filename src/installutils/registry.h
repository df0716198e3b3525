// Reading and writing string values of the registry, as UTF-8 through the
// wide functions. Windows-only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The text of the string value `ValueName` of `Key` below `Root` (a
// predefined root or any open key; a leading "\" in `Key` is allowed). The
// key is opened with full access. REG_SZ and REG_EXPAND_SZ values give their
// text up to the first zero character, environment references unexpanded.
// Anything else gives an empty string and nothing further: a key that does
// not exist or cannot be opened with full access, a missing value, a value
// of another type, a value larger than a megabyte.
std::string RegReadString(HKEY Root, std::string_view Key, std::string_view ValueName);

// Writes `Text` (UTF-8) as the REG_SZ value `ValueName` of the open key.
// Returns the system's code (ERROR_SUCCESS on success).
LONG RegWriteString(HKEY Key, const char* ValueName, std::string_view Text);

// `Key` without its leading "\", as the registry functions take it.
std::string_view RelativeKeyPath(std::string_view Key);

// "HKEY_LOCAL_MACHINE\SOFTWARE\...", for messages.
std::string KeyPathText(HKEY Root, const std::string& Key);
