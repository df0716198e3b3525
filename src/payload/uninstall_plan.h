// What the uninstaller removes, how its command line looks and what it tells
// the person. Pure functions on Windows paths ("\" separates folders whatever
// the build target), tested on every target; the Windows side is in
// uninstaller.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "installer/exit_codes.h"

namespace uninstall {

// The command line. A person or the system's list of programs starts the
// installed uninstaller without arguments or with "/S" (silent: no
// questions, the outcome on standard output and in the exit code), and
// "/LOG=file" to append the steps to a log as the setup program does. The
// installed uninstaller cannot delete its own running image, so it hands
// the last step to a copy of itself in a folder of its own below the
// Windows folder's Temp, started with "/_finish HANDLE FOLDER": HANDLE is
// the inherited handle of the original process, which the copy waits for
// before it deletes the original program and the installation folder.
struct Arguments {
  bool silent = false;
  bool finish = false;
  std::string logPath;  // "/LOG="; empty: no log
  uint64_t parentProcess = 0;
  std::string installDir;  // "/_finish" only; ends with "\"
};

// `out.silent` and `out.logPath` are set whenever "/S" and "/LOG=" are
// among the arguments, also when the command line is otherwise wrong, so
// the complaint goes where it should.
q::Error ParseArguments(const std::vector<std::string>& args, Arguments& out);

// The command line of the finishing copy, program included, quoted so that
// the system's argument parser gives back exactly these strings.
std::string FinishCommandLine(const std::string& copyPath, uint64_t parentProcess,
                              const std::string& installDir, bool silent);

// One argument as the system's parser (CommandLineToArgv, the C runtime)
// reads it back: quoted when it holds a space, tab or quote or is empty;
// backslashes before a quote doubled.
std::string QuoteArgument(std::string_view arg);

// The payload's file names as the build lists them for the uninstaller:
// one a line, "/" between folders (as in the archive). Given back with "\"
// between folders; empty lines are skipped.
std::vector<std::string> ParseFileList(std::string_view text);

// What an installation consists of, for one installation folder, the names
// of the files packed into the installer (relative, "\" between folders)
// and the system's Programs and Desktop folders.
struct Plan {
  // The installed files except the uninstaller, and a temporary archive
  // copy left behind by an interrupted installation.
  std::vector<std::string> files;
  // The payload's sub-folders, each ending with "\", deepest first: removed
  // once empty.
  std::vector<std::string> folders;
  std::vector<std::string> shortcuts;  // desktop, program group (two)
  std::string programGroup;            // ends with "\"; empty when unknown
  std::string uninstaller;             // deleted last, by the finishing copy
};
Plan MakePlan(std::string_view installDir, const std::vector<std::string>& payloadFiles,
              std::string_view programsFolder, std::string_view desktopFolder);

// Whether an uninstaller lying in `ownFolder` may remove the installation
// registered in `registeredFolder` (the entry's InstallLocation; either may
// lack its final "\"). It may only when both are the same folder: a copy
// started anywhere else would delete files of the same names there.
q::Error CheckInstallation(std::string_view ownFolder, std::string_view registeredFolder);

// The program a registered uninstall command starts: the text in its leading
// quotes (arguments after them ignored), or the whole value when it is not
// quoted (the installer registers the bare path, spaces and all).
std::string CommandProgram(std::string_view command);

// Two paths name the same file: equal but for the case of ASCII letters.
bool SamePath(std::string_view a, std::string_view b);

// What became of an uninstallation. Failures are things left behind that
// the person can act on (a file in use, no right to delete); notes are
// facts worth knowing (a folder kept because it holds foreign files).
struct Report {
  std::vector<std::string> failures;
  std::vector<std::string> notes;
};

// The text shown in the final message box or printed with "/S".
std::string ReportText(const Report& report);

// Exit status, as the setup program's: 0 everything removed, 1603 something
// left behind, 1602 cancelled, 87 a wrong command line.
inline constexpr int kExitOk = setup::kExitSuccess;
inline constexpr int kExitIncomplete = setup::kExitFailed;
inline constexpr int kExitCancelled = setup::kExitCancelled;
inline constexpr int kExitBadCommandLine = setup::kExitBadCommandLine;
inline int ExitCode(const Report& report) {
  return report.failures.empty() ? kExitOk : kExitIncomplete;
}

}  // namespace uninstall
