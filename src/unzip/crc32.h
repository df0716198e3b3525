// CRC-32 of the ZIP format (reflected polynomial 0xEDB88320).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace unzip {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

// The standard 256-entry table, constant data.
inline constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Folds `count` bytes into the CRC register `crc` (no pre- or
// post-complement: the caller starts at 0xFFFFFFFF and complements at the
// end). Byte for byte the same as crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8),
// whichever of the routines below does the work.
uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t count);

// The routines behind Crc32Update, for tests and benchmarks:
// one byte per step through kCrcTable;
uint32_t Crc32UpdateBytewise(uint32_t crc, const uint8_t* data, size_t count);
// eight bytes per step through eight derived tables (any processor);
uint32_t Crc32UpdateSlicing(uint32_t crc, const uint8_t* data, size_t count);
// 64 bytes per step by carry-less multiplication, on x86 processors that
// have it (Crc32HasClmul); elsewhere the same as Crc32UpdateSlicing;
uint32_t Crc32UpdateClmul(uint32_t crc, const uint8_t* data, size_t count);
bool Crc32HasClmul();
// 128 bytes per step on 256-bit registers (Crc32HasWideClmul: x86 with
// AVX2 and VPCLMULQDQ, Linux builds); elsewhere the same as
// Crc32UpdateClmul.
uint32_t Crc32UpdateWideClmul(uint32_t crc, const uint8_t* data, size_t count);
bool Crc32HasWideClmul();

}  // namespace unzip
