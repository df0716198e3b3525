#include "installutils/system_error.h"

#include <windows.h>

#include "common/message.h"
#include "common/wide.h"

namespace {

// The system's message for a code, without its trailing period and line
// break; empty when it has none.
std::string SystemMessage(uint32_t code) {
  wchar_t buffer[512];
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 512, nullptr);
  std::string text = q::Narrow(std::wstring_view(buffer, length));
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

// "0x8007000E". By hand: the C library's formatter would bring its whole
// floating-point printing machinery into every program.
std::string HexCode(uint32_t code) {
  std::string number = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) number += "0123456789ABCDEF"[(code >> shift) & 0xF];
  return number;
}

// "text (number)", or the number alone when the system has no text.
std::string WithNumber(const std::string& text, const std::string& number) {
  return text.empty() ? number : q::Message("%s (%s)", text, number);
}

}  // namespace

std::string Win32ErrorText(uint32_t code) {
  return WithNumber(SystemMessage(code), q::Message("error %u", code));
}

std::string HresultText(int32_t hr) {
  const uint32_t code = static_cast<uint32_t>(hr);
  return WithNumber(SystemMessage(code), HexCode(code));
}
