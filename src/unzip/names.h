// Entry names as the archive format defines them: UTF-8 when the entry says
// so (general-purpose flag bit 11, or a Unicode path extra field), otherwise
// code page 437, which archives from Unix hosts often stretch to hold UTF-8.
// The directory reader decodes each name once; from there on every name in
// the engine is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace unzip {

// The longest name the reader delivers, in characters (code points), and the
// buffer that holds it in UTF-8 with its terminating zero.
inline constexpr size_t kMaxEntryNameChars = 259;
inline constexpr size_t kEntryNameBufferSize = kMaxEntryNameChars * 4 + 1;

// General-purpose flag bit 11: the name (and comment) are UTF-8.
inline constexpr uint16_t kFlagUtf8Name = 0x0800;

// The raw name of a central directory header and what decides its reading.
struct RawEntryName {
  const uint8_t* bytes = nullptr;  // the name field as stored
  size_t size = 0;
  uint16_t flags = 0;              // general-purpose flags
  uint8_t host = 0;                // upper byte of "version made by"
  const uint8_t* extra = nullptr;  // the extra field of the same header
  size_t extraSize = 0;
};

// Unicode for one byte of code page 437.
char32_t Cp437ToUnicode(uint8_t byte);

// Decodes `raw` into `out` (kEntryNameBufferSize bytes): UTF-8, zero-
// terminated, stopping at a zero byte of the stored name, cut to
// kMaxEntryNameChars characters, with every "/" turned into `separator`.
// False when the name is marked as UTF-8 but is not: `out` then holds a
// readable stand-in (each invalid byte as U+FFFD) for messages only, and the
// entry must not be extracted under it.
bool DecodeEntryName(const RawEntryName& raw, char separator, char* out);

}  // namespace unzip
