// CRC-32 of the ZIP format (reflected polynomial 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>

namespace unzip {

// The register after one byte `b` went in from a zero register: entry b of
// the standard 256-entry table, which the routines below derive on first
// use rather than store in the program.
constexpr uint32_t CrcOfByte(uint32_t b) {
  for (int k = 0; k < 8; ++k) b = (b & 1) ? 0xEDB88320u ^ (b >> 1) : b >> 1;
  return b;
}

// Folds `count` bytes into the CRC register `crc` (no pre- or
// post-complement: the caller starts at 0xFFFFFFFF and complements at the
// end). Byte for byte the same as crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8),
// whichever of the routines below does the work.
uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t count);

// The routines behind Crc32Update, for tests and benchmarks:
// one byte per step through the standard table;
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
