// Test-only encoder of the reduce methods (ZIP methods 2 to 5, factor 1 to
// 4): an LZ77 stage whose matches are coded after the escape byte 144, then
// each byte coded through the follower set of the byte before it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/zip_writer.h"

namespace qtest {

struct ReduceOptions {
  int factor = 4;  // 1 to 4; the ZIP method is factor + 1
  bool matches = true;
  bool preStart = false;  // matches may reach before the start (zeros)
  // Size of each byte's follower set: -1 lets the data choose (up to 32 of
  // its most frequent followers); 0 to 63 forces that size (filled with the
  // most frequent followers first, then with other byte values).
  std::array<int, 256> setSize;
  ReduceOptions() { setSize.fill(-1); }
};

// The largest match length and distance a factor can code.
uint32_t ReduceMaxLength(int factor);
uint32_t ReduceMaxDistance(int factor);

// Codes an intermediate stream (bytes with 144-escapes already in place)
// with the given follower sets. `sets[x]` lists the followers of byte x, at
// most 63 of them.
Bytes ReduceCodeStream(const Bytes& intermediate, const std::vector<std::vector<uint8_t>>& sets);

Bytes Reduce(const Bytes& data, const ReduceOptions& options = {});

}  // namespace qtest
