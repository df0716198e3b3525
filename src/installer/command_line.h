// The setup program's command line, parsed by a pure function:
//
//   QuorvantisSetup.exe [/S] [/LOG=file] [/?] [/D=folder]
//
// Switches are case-insensitive and separated by spaces or tabs. A switch
// may be quoted whole or in part ("/LOG=C:\My Logs\setup.log" or
// /LOG="C:\My Logs\setup.log"); quotes only group, a backslash is an
// ordinary character. /D= takes the rest of the line as it stands, spaces
// included, so it comes last and needs no quotes (quotes around the whole
// folder are removed all the same).
#pragma once

#include <string>
#include <string_view>

#include "common/error.h"

namespace setup {

struct Options {
  bool silent = false;     // /S: no window, no question, the product not started
  bool help = false;       // /?: the usage, nothing else
  std::string logPath;     // /LOG=: lines appended to this file; empty: no log
  std::string installDir;  // /D=: absolute, "\" separated, ends with "\"; empty: the default
};

// The whole command line as the system hands it over (GetCommandLine),
// without the program's name: a quoted name ends at its closing quote,
// another at the first space or tab.
std::string_view ArgumentsOf(std::string_view commandLine);

// Reads `arguments` (the command line without the program's name). Every
// switch is read even after a wrong one, so `out.silent` and `out.logPath`
// are known when the complaint has to be delivered; the first fault is
// returned.
q::Error ParseCommandLine(std::string_view arguments, Options& out);

// A folder given with /D= in its installed form (see Options::installDir),
// or the reason it cannot be one: it must be absolute (a drive's folder or
// a network share's), below the root, without "." or ".." steps or
// characters that no file name may hold.
q::Error NormalizeInstallFolder(std::string_view folder, std::string& out);

// The text /? shows.
std::string_view UsageText();

}  // namespace setup
