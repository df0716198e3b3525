// UTF-8, the text of every string inside the programs, and UTF-16, the text
// of the wide Windows functions: the one pair of conversions between them
// and the UTF-8 decoding step the archive reader shares. Portable; the
// Windows code instantiates the conversions with wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace q {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Decodes the UTF-8 sequence at text[*pos] and moves *pos behind it. False
// (and *pos moved by one byte) for anything that is not a shortest-form
// sequence of a code point: stray continuation bytes, truncated sequences,
// overlong forms, surrogates, values above U+10FFFF.
inline bool DecodeUtf8(std::string_view text, size_t* pos, char32_t* cp) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(*pos);
  size_t extra = 0;
  char32_t value = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    *cp = lead;
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, least = 0x10000;
  } else {
    ++*pos;
    return false;
  }
  if (text.size() - *pos <= extra) {
    ++*pos;
    return false;
  }
  for (size_t i = 1; i <= extra; ++i) {
    const uint8_t next = byte(*pos + i);
    if ((next & 0xC0) != 0x80) {
      ++*pos;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++*pos;
    return false;
  }
  *cp = value;
  *pos += extra + 1;
  return true;
}

inline bool IsValidUtf8(std::string_view text) {
  char32_t cp;
  for (size_t pos = 0; pos < text.size();) {
    if (!DecodeUtf8(text, &pos, &cp)) return false;
  }
  return true;
}

// Appends one code point (surrogate values included, so that a lone
// surrogate from a system name survives the round trip).
inline void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// UTF-8 to UTF-16. Text that is not UTF-8 cannot come from this program's
// own strings; each byte of it becomes U+FFFD rather than a guess. A lone
// surrogate written by Utf16To8 comes back as itself.
template <typename Char16 = wchar_t>
std::basic_string<Char16> Utf8To16(std::string_view text) {
  static_assert(sizeof(Char16) == 2, "UTF-16 code units");
  std::basic_string<Char16> out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    char32_t cp;
    const size_t at = pos;
    if (!DecodeUtf8(text, &pos, &cp)) {
      // A surrogate encoded on its own: three bytes ED A0-BF xx.
      const auto b = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
      if (text.size() - at >= 3 && b(at) == 0xED && (b(at + 1) & 0xE0) == 0xA0 &&
          (b(at + 2) & 0xC0) == 0x80) {
        cp = 0xD000 | ((b(at + 1) & 0x3F) << 6) | (b(at + 2) & 0x3F);
        pos = at + 3;
      } else {
        cp = kReplacementChar;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<Char16>(0xD800 | (cp >> 10)));
      out.push_back(static_cast<Char16>(0xDC00 | (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<Char16>(cp));
    }
  }
  return out;
}

// UTF-16 to UTF-8. Windows names may hold unpaired surrogates; they are
// kept, encoded on their own, so the name converts back to itself.
template <typename Char16>
std::string Utf16To8(std::basic_string_view<Char16> text) {
  static_assert(sizeof(Char16) == 2, "UTF-16 code units");
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<uint16_t>(text[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const char32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(&out, cp);
  }
  return out;
}

#if defined(_WIN32)
inline std::string Utf16To8(const wchar_t* text) { return Utf16To8(std::wstring_view(text)); }
inline std::string Utf16To8(const std::wstring& text) { return Utf16To8(std::wstring_view(text)); }
#endif

}  // namespace q
