// Explode on arbitrary tree descriptions and code streams, all four
// variants (flag bits 1 and 2 from the first byte).
#include "legacy_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  qfuzz::RunLegacyEntry(data, size, 6, static_cast<uint16_t>(data[0] & 6));
  return 0;
}
