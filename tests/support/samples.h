// Deterministic test inputs shared by the round-trip tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/zip_writer.h"

namespace qtest {

Bytes Text(size_t size, uint32_t seed = 1);   // words, spaces and line ends
Bytes Noise(size_t size, uint32_t seed = 1);  // incompressible bytes
// Long runs of one byte, copies from up to `reach` bytes back, and noise.
Bytes Runs(size_t size, uint32_t seed = 1, size_t reach = 9000);

// `rel` with every '/' turned into the system's separator.
std::string Sep(std::string rel);

}  // namespace qtest
