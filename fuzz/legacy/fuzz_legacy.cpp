// The legacy methods on arbitrary data, bits 3-4 of the first byte choosing
// which: unshrink (0) on any code stream (escapes, partial clears, cycles),
// unreduce (1, the factor from bits 0-1) on any follower sets and escape
// sequences, explode (2, 3; flag bits 1 and 2 from the same bits) on any
// tree descriptions and code streams.
#include "legacy_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch ((data[0] >> 3) & 3) {
    case 0: qfuzz::RunLegacyEntry(data, size, 1, 0); break;
    case 1: qfuzz::RunLegacyEntry(data, size, static_cast<uint16_t>(2 + (data[0] & 3)), 0); break;
    default: qfuzz::RunLegacyEntry(data, size, 6, static_cast<uint16_t>(data[0] & 6)); break;
  }
  return 0;
}
