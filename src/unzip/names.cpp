#include "unzip/names.h"

#include <array>
#include <string_view>

#include "common/little_endian.h"
#include "common/utf.h"
#include "unzip/crc32.h"

namespace unzip {
namespace {

// Code page 437 above 127; below it is ASCII.
constexpr std::array<uint16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Hosts of "version made by" whose archivers wrote names in the OEM code
// page: MS-DOS and OS/2 FAT (0), OS/2 HPFS (6), Windows NTFS (10), VFAT (14).
bool IsOemHost(uint8_t host) { return host == 0 || host == 6 || host == 10 || host == 14; }

constexpr uint16_t kUnicodePathTag = 0x7075;

using q::Le16;
using q::Le32;

// The name held by a Unicode path extra field (version 1) whose CRC matches
// the stored name, so it still describes the same entry; empty otherwise.
std::string_view UnicodePathField(const RawEntryName& raw) {
  const uint8_t* p = raw.extra;
  size_t left = raw.extra != nullptr ? raw.extraSize : 0;
  while (left >= 4) {
    const uint16_t tag = Le16(p);
    const size_t size = Le16(p + 2);
    if (size > left - 4) break;
    if (tag == kUnicodePathTag && size > 5 && p[4] == 1) {
      const uint32_t crc = ~Crc32Update(0xFFFFFFFFu, raw.bytes, raw.size);
      if (Le32(p + 5) == crc) return {reinterpret_cast<const char*>(p + 9), size - 5};
    }
    p += 4 + size;
    left -= 4 + size;
  }
  return {};
}

// Writes text up to its first zero, at most kMaxEntryNameChars characters,
// as UTF-8 with "/" turned into `separator`. `decode` yields one code point
// per call (false: an invalid sequence, written as U+FFFD).
template <typename Decode>
bool Emit(std::string_view text, char separator, char* out, Decode decode) {
  std::string name;
  bool valid = true;
  size_t chars = 0;
  for (size_t pos = 0; pos < text.size() && text[pos] != '\0' && chars < kMaxEntryNameChars;
       ++chars) {
    char32_t cp = 0;
    if (!decode(text, &pos, &cp)) {
      valid = false;
      cp = q::kReplacementChar;
    }
    q::AppendUtf8(&name, cp == '/' ? static_cast<char32_t>(separator) : cp);
  }
  static_assert(kEntryNameBufferSize > kMaxEntryNameChars * 4, "room for 4 bytes a character");
  name.copy(out, name.size());
  out[name.size()] = '\0';
  return valid;
}

bool DecodeCp437(std::string_view text, size_t* pos, char32_t* cp) {
  *cp = Cp437ToUnicode(static_cast<uint8_t>(text[(*pos)++]));
  return true;
}

bool DecodeUtf8(std::string_view text, size_t* pos, char32_t* cp) {
  return q::DecodeUtf8(text, pos, cp);
}

}  // namespace

char32_t Cp437ToUnicode(uint8_t byte) { return byte < 0x80 ? byte : kCp437High[byte - 0x80]; }

bool DecodeEntryName(const RawEntryName& raw, char separator, char* out) {
  const std::string_view stored(reinterpret_cast<const char*>(raw.bytes), raw.size);
  const std::string_view field = UnicodePathField(raw);
  // The extra field is a supplement: when it is not UTF-8 the header's own
  // name is read instead.
  if (!field.empty() && q::IsValidUtf8(field.substr(0, field.find('\0')))) {
    return Emit(field, separator, out, DecodeUtf8);
  }
  if (raw.flags & kFlagUtf8Name) return Emit(stored, separator, out, DecodeUtf8);
  const std::string_view upToZero = stored.substr(0, stored.find('\0'));
  if (!IsOemHost(raw.host) && q::IsValidUtf8(upToZero)) {
    return Emit(stored, separator, out, DecodeUtf8);
  }
  return Emit(stored, separator, out, DecodeCp437);
}

}  // namespace unzip
