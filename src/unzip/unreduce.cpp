// Methods 2 to 5 (reduced with compression factor 1 to 4). Each byte is
// coded relative to the byte before it: a per-byte follower set lists the
// bytes likely to come next, and a byte of the set is coded by its index.
// The bytes so decoded then pass through a small state machine in which the
// escape byte 144 introduces either a literal 144 or a back-reference whose
// length and distance bits the factor splits.
#include <cstring>

#include "unzip/decoders.h"
#include "unzip/lz_window.h"

namespace unzip {
namespace {

constexpr uint32_t kReduceWindow = 16384;  // holds the longest distance, 4,096
constexpr uint8_t kEscapeByte = 144;
constexpr uint32_t kMaxFollowers = 64;

struct FactorParams {
  uint8_t lengthMask;
  uint8_t distanceShift;
  uint8_t distanceMask;
};
constexpr FactorParams kFactors[4] = {{0x7F, 7, 1}, {0x3F, 6, 3}, {0x1F, 5, 7}, {0x0F, 4, 15}};

// Index width of a follower set of n members (n < 64 as stored): the bits
// to number n members, at least one.
constexpr uint8_t IndexBits(uint32_t n) {
  uint8_t bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

struct FollowerSets {
  uint8_t count[256];
  uint8_t bits[256];  // index width of each set
  // Unused members stay zero: an index past a set's count (possible in a
  // malformed stream) reads a zero byte, never outside the row.
  uint8_t member[256][kMaxFollowers];
};

// Sets are stored for byte 255 first, down to byte 0: a 6-bit count, then
// that many 8-bit members.
void LoadFollowers(Engine& e, FollowerSets& sets) {
  std::memset(&sets, 0, sizeof(sets));
  for (int x = 255; x >= 0; --x) {
    const uint32_t n = e.GetBits(6);
    sets.count[x] = static_cast<uint8_t>(n);
    sets.bits[x] = IndexBits(n);
    for (uint32_t i = 0; i < n; ++i) sets.member[x][i] = static_cast<uint8_t>(e.GetBits(8));
  }
}

}  // namespace

TUnzipResult UnreduceEntry(Engine& e, int method) {
  // Only the uncompressed size ends the data: without it the decoder would
  // run on through the rest of the archive.
  if (e.CompressedSize == DescriptorSizeMarker) return urNotSupported;
  const FactorParams f = kFactors[(method - 2) & 3];
  e.InputExhausted = false;
  e.ResetInput();
  FollowerSets sets;
  LoadFollowers(e, sets);

  LzWindow<kReduceWindow> window(e);
  // Counted in 64 bits: a match overshooting an entry of nearly 4 GiB must
  // still end the loop.
  int64_t remaining = e.UncompressedSize;
  uint8_t lastChar = 0;  // the last byte decoded from the stream
  int state = 0;
  uint32_t v = 0;
  uint32_t len = 0;
  while (remaining > 0 && !e.InputExhausted) {
    if (e.AbortRequested) return urUserAbort;  // the partial window is dropped
    uint32_t ch;
    if (sets.count[lastChar] == 0 || e.GetBits(1) != 0) {
      ch = e.GetBits(8);
    } else {
      ch = sets.member[lastChar][e.GetBits(sets.bits[lastChar])];
    }
    switch (state) {
      case 0:
        if (ch != kEscapeByte) {
          if (!window.Put(static_cast<uint8_t>(ch))) return urWriteError;
          --remaining;
        } else {
          state = 1;
        }
        break;
      case 1:
        if (ch == 0) {
          if (!window.Put(kEscapeByte)) return urWriteError;
          --remaining;
          state = 0;
        } else {
          v = ch;
          len = v & f.lengthMask;
          state = len == f.lengthMask ? 2 : 3;
        }
        break;
      case 2:
        len += ch;
        state = 3;
        break;
      default: {
        const uint32_t length = len + 3;
        const uint32_t distance = ((v >> f.distanceShift) & f.distanceMask) * 256 + ch + 1;
        remaining -= length;  // a longer match than declared is copied whole
        if (!window.Copy(distance, length)) return urWriteError;
        state = 0;
        break;
      }
    }
    lastChar = static_cast<uint8_t>(ch);
  }
  if (!window.Finish()) return urWriteError;
  // The loop ended before the declared size: the input ran out. Said so
  // rather than left to the CRC comparison, which an empty output passes
  // when the header's CRC is 0.
  return remaining > 0 ? urReadError : urOk;
}

}  // namespace unzip
