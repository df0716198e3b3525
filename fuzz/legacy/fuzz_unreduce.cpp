// Unreduce on arbitrary follower sets and escape sequences, all factors.
#include "legacy_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  qfuzz::RunLegacyEntry(data, size, static_cast<uint16_t>(2 + (data[0] & 3)), 0);
  return 0;
}
