// The Windows boundary of the programs' UTF-8 text: every name, path and
// text handed to the system goes through Widen (and WidePath for files),
// every one it hands back through Narrow. The ANSI code page is never used:
// its best-fit mapping would turn look-alike characters (full-width dots,
// slashes, quotes) into real ones. Windows-only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/utf.h"

namespace q {

inline std::wstring Widen(std::string_view utf8) { return Utf8To16<wchar_t>(utf8); }
inline std::string Narrow(std::wstring_view wide) { return Utf16To8(wide); }

// A file path for the wide file functions. Paths too long for the classic
// limit (folders take at most MAX_PATH - 12 characters) are made absolute
// and given the "\\?\" form, which lifts the limit; shorter ones stay as they
// are, so relative names and the classic rules still apply to them.
inline std::wstring WidePath(std::string_view utf8) {
  std::wstring path = Widen(utf8);
  constexpr size_t kClassicLimit = MAX_PATH - 12;
  if (path.size() < kClassicLimit || path.starts_with(L"\\\\?\\")) return path;
  // The system's own reading of the path: "/" as separator, "." and ".."
  // resolved, trailing dots and spaces dropped, as the short form would be.
  const DWORD need = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return path;
  std::wstring full(need, L'\0');
  const DWORD got = ::GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return path;
  full.resize(got);
  if (full.starts_with(L"\\\\.\\") || full.starts_with(L"\\\\?\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace q
