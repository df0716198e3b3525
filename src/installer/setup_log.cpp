// The log's line format: see setup_log.h.
#include "installer/setup_log.h"

#include "common/digits.h"

namespace setup {
namespace {

void AppendField(std::string& line, std::string_view field) {
  for (char c : field) line += static_cast<unsigned char>(c) < 32 ? ' ' : c;
}

}  // namespace

std::string LogLine(const LogTime& time, std::string_view step, std::string_view result,
                    std::string_view subject, std::string_view detail) {
  // 2026-12-07T05:50:22.123Z
  char stamp[] = "0000-00-00T00:00:00.000Z";
  const auto put = [](char* at, int value, int width) {
    q::PutDigits(at, static_cast<uint32_t>(value), width);
  };
  put(stamp, time.year, 4);
  put(stamp + 5, time.month, 2);
  put(stamp + 8, time.day, 2);
  put(stamp + 11, time.hour, 2);
  put(stamp + 14, time.minute, 2);
  put(stamp + 17, time.second, 2);
  put(stamp + 20, time.millisecond, 3);
  std::string line = stamp;
  for (std::string_view field : {step, result, subject, detail}) {
    line += '\t';
    AppendField(line, field);
  }
  line += "\r\n";
  return line;
}

}  // namespace setup
