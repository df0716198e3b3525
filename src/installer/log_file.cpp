// SetupLog: see log_file.h.
#include "installer/log_file.h"

#include "common/digits.h"
#include "common/message.h"
#include "common/wide.h"
#include "installer/exit_codes.h"
#include "installer/setup_log.h"
#include "installutils/system_error.h"

q::Error SetupLog::Open(const std::string& path) {
  file_.Reset();
  if (path.empty()) return {};
  const std::wstring wide = q::Widen(path);
  if (wide.empty()) return q::Error::Failf("the log file name %s is not valid text", path);
  // FILE_APPEND_DATA alone: every write lands at the end, also when two
  // runs (a second setup turned away) write to the same file.
  file_.Reset(::CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_)
    return q::Error::Failf("cannot write the log file %s: %s", path,
                           Win32ErrorText(::GetLastError()));
  return {};
}

void SetupLog::Write(std::string_view step, std::string_view result, std::string_view subject,
                     std::string_view detail) {
  if (!file_) return;
  SYSTEMTIME now;
  ::GetSystemTime(&now);
  const setup::LogTime time{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                            now.wMinute, now.wSecond, now.wMilliseconds};
  const std::string line = setup::LogLine(time, step, result, subject, detail);
  DWORD written = 0;
  ::WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void SetupLog::Exit(int code, std::string_view message) {
  Write("exit", q::SignedDecimal(code), setup::ExitCodeName(code), message);
}
