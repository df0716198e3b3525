// The log the setup program and the uninstaller append to with /LOG=file:
// UTF-8 text, one line per step, CR LF at its end, five fields separated by
// tabs:
//
//   time <TAB> step <TAB> result <TAB> subject <TAB> detail
//
//   time     UTC, 2026-12-07T05:50:22.123Z
//   step     start, folder, archive, entry, shortcut, uninstall-entry,
//            answer, launch, file, group, exit ...
//   result   ok or failed; on the exit line the exit code (0, 1602, 1603...)
//   subject  what the step worked on (a folder, an entry's name, a link)
//   detail   sizes, reasons, the exit code's name and the outcome's message
//
// The last line of a run is its exit line. A control character inside a
// field (a tab, a line break of a multi-line message) is written as a
// space, so a reader splits every line at its tabs and nothing else; paths
// keep their backslashes. A field is never missing.
// The line format is portable; the file is written by SetupLog.
#pragma once

#include <string>
#include <string_view>

namespace setup {

struct LogTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

inline constexpr int kLogFields = 5;

// One line, CR LF included.
std::string LogLine(const LogTime& time, std::string_view step, std::string_view result,
                    std::string_view subject, std::string_view detail);

}  // namespace setup
