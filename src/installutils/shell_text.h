// Text rules of the shell integration: link-file names, working folders and
// the uninstall entry's values. Pure string functions on Windows paths ("\"
// separates folders whatever the build target), tested on every target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// True when the link file's extension is ".lnk" in any letter case. The
// extension runs from the name's last "." to its end, unless a "\" or ":"
// follows that dot (then the dot belongs to a folder or drive and the name
// has no extension).
bool HasLinkExtension(std::string_view linkFile);

// The folder part of a path: up to and including its last "\" or ":"; empty
// when there is neither.
std::string_view FolderPart(std::string_view path);

// folder + name, with "\" inserted when the folder does not end with one;
// empty when the folder is empty (an unknown folder names nothing).
std::string JoinFolder(std::string_view folder, std::string_view name);

// A command path as the shell's list of installed programs runs it: in
// double quotes when it holds a space or tab (unquoted, "C:\Program Files\x.exe"
// may start "C:\Program.exe"), unchanged when it holds none or is already quoted.
std::string QuoteCommandPath(std::string_view path);

inline constexpr const char* kUninstallKeyParent =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The uninstall entry's key path, absolute from the local-machine root.
std::string UninstallKeyPath(std::string_view displayName);

// A display name serves as one key name: it must be non-empty (an empty one
// would write into the shared parent key) and hold no "\" (which would make
// a nested key the shell never lists).
bool IsValidUninstallKeyName(std::string_view displayName);

// What the installer registers; every field may be empty. The texts are
// the caller's, which outlive the entry.
struct UninstallEntry {
  std::string_view publisher;
  std::string_view displayName;
  std::string_view displayVersion;
  std::string_view helpLink;
  std::string_view helpTelephone;
  std::string_view modifyPath;
  std::string_view uninstallString;
  std::string_view urlUpdateInfo;
  std::string_view urlInfoAbout;
};

struct RegistryStringValue {
  const char* name;
  std::string data;
};

// The string values to write, in writing order; empty fields are left out,
// so an existing value of that name stays as it is. The uninstall command
// is quoted when it needs it.
std::vector<RegistryStringValue> UninstallValues(const UninstallEntry& entry);
