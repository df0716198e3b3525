// The log's line format: see setup_log.h.
#include "installer/setup_log.h"

#include <cstdio>

namespace setup {
namespace {

void AppendField(std::string& line, std::string_view field) {
  for (char c : field) line += static_cast<unsigned char>(c) < 32 ? ' ' : c;
}

}  // namespace

std::string LogLine(const LogTime& time, std::string_view step, std::string_view result,
                    std::string_view subject, std::string_view detail) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", time.year, time.month,
                time.day, time.hour, time.minute, time.second, time.millisecond);
  std::string line = stamp;
  for (std::string_view field : {step, result, subject, detail}) {
    line += '\t';
    AppendField(line, field);
  }
  line += "\r\n";
  return line;
}

}  // namespace setup
