// Deterministic test inputs shared by the round-trip tests, and the walk of
// an archive's central directory that the fixture checks compare against.
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
Bytes Records(size_t size, uint32_t seed = 1);  // binary records, many 0 and 144

struct DirEntry {
  std::string name;
  uint16_t method;
  uint32_t crc, size, offset;
};
// Every entry the directory reader delivers for `archive`, in order.
std::vector<DirEntry> ListEntries(const std::string& archive);

// `rel` with every '/' turned into the system's separator.
std::string Sep(std::string rel);

}  // namespace qtest
