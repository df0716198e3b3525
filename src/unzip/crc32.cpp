#include "unzip/crc32.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define Q_CRC_X86 1
#endif

namespace unzip {
namespace {

// Slice k maps a byte to the effect of that byte followed by k zero bytes:
// eight bytes then fold in with eight independent lookups. Slice 0 is the
// standard table (CrcOfByte). All eight are derived on first use rather
// than stored in the program (8 KB of its image).
using SliceTables = std::array<std::array<uint32_t, 256>, 8>;

struct Slices {
  SliceTables t;
  Slices() {
    for (uint32_t i = 0; i < 256; ++i) t[0][i] = CrcOfByte(i);
    for (size_t k = 1; k < t.size(); ++k) {
      for (size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
  }
};

const SliceTables& SliceTable() {
  static const Slices slices;
  return slices.t;
}

inline uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

#if defined(Q_CRC_X86)

// Carry-less multiplication folding. A 16-byte lane of the message, loaded
// little-endian, holds in bit k the coefficient of x^(127-k) (relative to
// the lane's end), bits being taken least significant first as the CRC
// reads them. Its low quadword L and high quadword H stand for L*x^64 + H.
// Moving the lane D bytes further on multiplies it by x^(8D); modulo the
// polynomial P that is L*(x^(8D+64) mod P) + H*(x^(8D) mod P), a value of
// at most 96 bits that is XORed into the lane found there. A carry-less
// product of two such reflected quadwords comes out one bit position short
// (it reads as the product times x), so the constants are taken one power
// lower: x^(8D+63) and x^(8D-1).

// x^n mod P, P = x^32 + 0x04C11DB7 (bit i = coefficient of x^i).
constexpr uint32_t XPowModP(unsigned n) {
  uint32_t r = 1;
  for (unsigned i = 0; i < n; ++i) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
  return r;
}

// A remainder of degree < 32 as a reflected quadword: x^d in bit 63 - d.
constexpr uint64_t Reflected(uint32_t r) {
  uint64_t out = 0;
  for (unsigned d = 0; d < 32; ++d) {
    if (r & (1u << d)) out |= uint64_t{1} << (63 - d);
  }
  return out;
}

struct FoldConstants {
  uint64_t low;   // for the low quadword L
  uint64_t high;  // for the high quadword H
};

constexpr FoldConstants Fold(unsigned bytes) {
  return {Reflected(XPowModP(8 * bytes + 63)), Reflected(XPowModP(8 * bytes - 1))};
}

constexpr FoldConstants kFold64 = Fold(64);
constexpr FoldConstants kFold16 = Fold(16);

// 32-bit Windows starts threads with a 4-byte aligned stack; the vector
// code must realign it before it spills anything.
#if defined(__i386__)
#define Q_REALIGN __attribute__((force_align_arg_pointer))
#else
#define Q_REALIGN
#endif

#define Q_CLMUL_TARGET __attribute__((target("pclmul,sse2")))

Q_CLMUL_TARGET inline __m128i FoldLane(__m128i lane, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(lane, k, 0x00), _mm_clmulepi64_si128(lane, k, 0x11));
}

Q_CLMUL_TARGET inline __m128i Load128(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

Q_CLMUL_TARGET inline __m128i Constants(const FoldConstants& c) {
  return _mm_set_epi64x(static_cast<long long>(c.high), static_cast<long long>(c.low));
}

// Folds the 16-byte pieces left before the last 0-15 bytes into the lane,
// which then stands for everything before p: its CRC from a zero register
// is the register for the whole prefix. The tables finish with the rest.
Q_REALIGN Q_CLMUL_TARGET uint32_t FinishFold(__m128i lane, const uint8_t* p, size_t count) {
  const __m128i k16 = Constants(kFold16);
  while (count >= 16) {
    lane = _mm_xor_si128(FoldLane(lane, k16), Load128(p));
    p += 16;
    count -= 16;
  }
  alignas(16) uint8_t bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), lane);
  return Crc32UpdateSlicing(Crc32UpdateSlicing(0, bytes, sizeof(bytes)), p, count);
}

// count >= 64. Folds whole 64-byte blocks four lanes at a time, then the
// lanes and any further 16-byte pieces into one lane, whose CRC the tables
// finish together with the last 0-15 bytes.
Q_REALIGN Q_CLMUL_TARGET uint32_t FoldClmul(uint32_t crc, const uint8_t* p, size_t count) {
  __m128i x0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = Load128(p + 16);
  __m128i x2 = Load128(p + 32);
  __m128i x3 = Load128(p + 48);
  p += 64;
  count -= 64;
  const __m128i k64 = Constants(kFold64);
  while (count >= 64) {
    x0 = _mm_xor_si128(FoldLane(x0, k64), Load128(p));
    x1 = _mm_xor_si128(FoldLane(x1, k64), Load128(p + 16));
    x2 = _mm_xor_si128(FoldLane(x2, k64), Load128(p + 32));
    x3 = _mm_xor_si128(FoldLane(x3, k64), Load128(p + 48));
    p += 64;
    count -= 64;
  }
  const __m128i k16 = Constants(kFold16);
  x1 = _mm_xor_si128(x1, FoldLane(x0, k16));
  x2 = _mm_xor_si128(x2, FoldLane(x1, k16));
  x3 = _mm_xor_si128(x3, FoldLane(x2, k16));
  return FinishFold(x3, p, count);
}

bool DetectClmul() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & bit_PCLMUL) != 0 && (edx & bit_SSE2) != 0;
}

#if defined(__linux__)
// The same folding on 256-bit registers, two lanes per register, eight
// lanes per 128 bytes. Only where the compiler keeps 32-byte stack
// alignment: MinGW's compilers do not realign the stack for 256-bit spills
// on 64-bit Windows, so the Windows builds stay with the 128-bit code.
#define Q_CRC_VPCLMUL 1
#define Q_VPCLMUL_TARGET __attribute__((target("vpclmulqdq,pclmul,avx2")))

constexpr FoldConstants kFold128 = Fold(128);
constexpr FoldConstants kFold32 = Fold(32);

Q_VPCLMUL_TARGET inline __m256i FoldLanes(__m256i lanes, __m256i k) {
  return _mm256_xor_si256(_mm256_clmulepi64_epi128(lanes, k, 0x00),
                          _mm256_clmulepi64_epi128(lanes, k, 0x11));
}

Q_VPCLMUL_TARGET inline __m256i Load256(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

Q_VPCLMUL_TARGET inline __m256i Constants256(const FoldConstants& c) {
  return _mm256_set_epi64x(static_cast<long long>(c.high), static_cast<long long>(c.low),
                           static_cast<long long>(c.high), static_cast<long long>(c.low));
}

// count >= 128.
Q_VPCLMUL_TARGET uint32_t FoldVpclmul(uint32_t crc, const uint8_t* p, size_t count) {
  __m256i y0 = _mm256_xor_si256(Load256(p),
                                _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
  __m256i y1 = Load256(p + 32);
  __m256i y2 = Load256(p + 64);
  __m256i y3 = Load256(p + 96);
  p += 128;
  count -= 128;
  const __m256i k128 = Constants256(kFold128);
  while (count >= 128) {
    y0 = _mm256_xor_si256(FoldLanes(y0, k128), Load256(p));
    y1 = _mm256_xor_si256(FoldLanes(y1, k128), Load256(p + 32));
    y2 = _mm256_xor_si256(FoldLanes(y2, k128), Load256(p + 64));
    y3 = _mm256_xor_si256(FoldLanes(y3, k128), Load256(p + 96));
    p += 128;
    count -= 128;
  }
  const __m256i k32 = Constants256(kFold32);
  y1 = _mm256_xor_si256(y1, FoldLanes(y0, k32));
  y2 = _mm256_xor_si256(y2, FoldLanes(y1, k32));
  y3 = _mm256_xor_si256(y3, FoldLanes(y2, k32));
  // The register's two lanes lie 16 bytes apart.
  const __m128i low = _mm256_castsi256_si128(y3);
  const __m128i high = _mm256_extracti128_si256(y3, 1);
  return FinishFold(_mm_xor_si128(high, FoldLane(low, Constants(kFold16))), p, count);
}

bool DetectVpclmul() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  if ((ecx & bit_OSXSAVE) == 0 || (ecx & bit_AVX) == 0 || (ecx & bit_PCLMUL) == 0) return false;
  // The system must save the 256-bit registers (XCR0 bits 1 and 2).
  unsigned xcr0Low = 0, xcr0High = 0;
  __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
  if ((xcr0Low & 6) != 6) return false;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return (ebx & bit_AVX2) != 0 && (ecx & bit_VPCLMULQDQ) != 0;
}
#endif  // __linux__

#endif  // Q_CRC_X86

// Below this many bytes the setup of the folding costs more than it saves.
constexpr size_t kClmulMinimum = 128;

}  // namespace

uint32_t Crc32UpdateBytewise(uint32_t crc, const uint8_t* data, size_t count) {
  const std::array<uint32_t, 256>& table = SliceTable()[0];
  for (size_t i = 0; i < count; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

uint32_t Crc32UpdateSlicing(uint32_t crc, const uint8_t* data, size_t count) {
  const SliceTables& slices = SliceTable();
  while (count >= 8) {
    const uint32_t a = crc ^ Load32(data);
    const uint32_t b = Load32(data + 4);
    crc = slices[7][a & 0xFF] ^ slices[6][(a >> 8) & 0xFF] ^ slices[5][(a >> 16) & 0xFF] ^
          slices[4][a >> 24] ^ slices[3][b & 0xFF] ^ slices[2][(b >> 8) & 0xFF] ^
          slices[1][(b >> 16) & 0xFF] ^ slices[0][b >> 24];
    data += 8;
    count -= 8;
  }
  return Crc32UpdateBytewise(crc, data, count);
}

bool Crc32HasClmul() {
#if defined(Q_CRC_X86)
  // Asked once: CPUID traps to the hypervisor on virtual machines.
  static const bool has = DetectClmul();
  return has;
#else
  return false;
#endif
}

uint32_t Crc32UpdateClmul(uint32_t crc, const uint8_t* data, size_t count) {
#if defined(Q_CRC_X86)
  if (count >= 64 && Crc32HasClmul()) return FoldClmul(crc, data, count);
#endif
  return Crc32UpdateSlicing(crc, data, count);
}

bool Crc32HasWideClmul() {
#if defined(Q_CRC_VPCLMUL)
  static const bool has = DetectVpclmul();
  return has;
#else
  return false;
#endif
}

uint32_t Crc32UpdateWideClmul(uint32_t crc, const uint8_t* data, size_t count) {
#if defined(Q_CRC_VPCLMUL)
  if (count >= 128 && Crc32HasWideClmul()) return FoldVpclmul(crc, data, count);
#endif
  return Crc32UpdateClmul(crc, data, count);
}

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t count) {
  if (count >= kClmulMinimum) return Crc32UpdateWideClmul(crc, data, count);
  return Crc32UpdateSlicing(crc, data, count);
}

}  // namespace unzip
