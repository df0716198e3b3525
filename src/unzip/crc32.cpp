#include "unzip/crc32.h"

namespace unzip {

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace unzip
