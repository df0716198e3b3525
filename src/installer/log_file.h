// SetupLog: the /LOG= file of a run (format in setup_log.h), appended to
// line by line, each line written through at once so that a run that dies
// leaves every step it finished. A log that is not open takes lines and
// writes nothing. Windows-only.
//
//   SetupLog log;
//   if (q::Error e = log.Open(options.logPath)) ...;
//   log.Write("folder", "ok", dir, "created");
//   log.Exit(code, message);  // the last line
#pragma once

#include <string>
#include <string_view>

#include "common/error.h"
#include "common/win32_handles.h"

class SetupLog {
 public:
  // Opens (creating it when missing) the file at `path` for appending; other
  // programs may read it meanwhile. An empty path opens nothing.
  q::Error Open(const std::string& path);
  bool IsOpen() const { return static_cast<bool>(file_); }

  void Write(std::string_view step, std::string_view result, std::string_view subject = {},
             std::string_view detail = {});
  // The exit line: the code as the result, its name and `message` as detail.
  void Exit(int code, std::string_view message);

 private:
  q::FileHandle file_;
};
