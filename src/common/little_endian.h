// Little-endian integers read from byte buffers (archive headers, region
// data), at any alignment, and appended to them (archives built in tests).
#pragma once

#include <cstdint>
#include <vector>

namespace q {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void AppendLe16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void AppendLe32(std::vector<uint8_t>& b, uint32_t v) {
  AppendLe16(b, v & 0xFFFF);
  AppendLe16(b, v >> 16);
}

}  // namespace q
