// UTF-8, the text of the rest of the code, to and from UTF-16, the text of
// the system's wide functions. Windows-only. Invalid input gives an empty
// result, never a best-fit guess.
#pragma once

#include <string>
#include <string_view>

std::wstring Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::wstring_view text);
