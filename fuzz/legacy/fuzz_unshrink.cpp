// Unshrink on arbitrary code streams: escapes, partial clears, cycles.
#include "legacy_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qfuzz::RunLegacyEntry(data, size, 1, 0);
  return 0;
}
