// Deterministic test inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/zip_writer.h"

namespace qtest {

Bytes Text(size_t size, uint32_t seed = 1);   // words, spaces and line ends
Bytes Noise(size_t size, uint32_t seed = 1);  // incompressible bytes

// `rel` with every '/' turned into the system's separator.
std::string Sep(std::string rel);

}  // namespace qtest
