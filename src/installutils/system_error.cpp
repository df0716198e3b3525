#include "installutils/system_error.h"

#include <windows.h>

#include <cstdio>

namespace {

// The system's message for a code, without its trailing period and line
// break; empty when it has none.
std::string SystemMessage(uint32_t code) {
  char buffer[512];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string Win32ErrorText(uint32_t code) {
  std::string text = SystemMessage(code);
  const std::string number = "error " + std::to_string(code);
  return text.empty() ? number : text + " (" + number + ")";
}

std::string HresultText(int32_t hr) {
  const uint32_t code = static_cast<uint32_t>(hr);
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
  std::string text = SystemMessage(code);
  return text.empty() ? std::string(number) : text + " (" + number + ")";
}
