// Builds ZIP archives in memory for tests: any method (the caller supplies
// the compressed bytes), data descriptors, comments, extra fields, odd hosts
// and deliberately broken fields.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qtest {

using Bytes = std::vector<uint8_t>;

// CRC-32 computed bit by bit: an oracle independent of the engine's table.
uint32_t ReferenceCrc32(const uint8_t* data, size_t size);
inline uint32_t ReferenceCrc32(const Bytes& b) { return ReferenceCrc32(b.data(), b.size()); }

struct ZipEntryPlan {
  std::string name = {};
  Bytes data = {};                 // uncompressed content (for the CRC and sizes)
  uint16_t method = 0;             // 0 stores `data`; others use `packed`
  Bytes packed = {};               // compressed bytes when method != 0
  uint16_t flags = 0;              // general purpose flags (bit 3: descriptor)
  uint32_t dosTime = 0x5A8C6B5Au;  // a valid MS-DOS stamp (2025-04-12 13:26:52)
  uint8_t host = 0;                // version made by, upper byte (0 MS-DOS, 3 Unix)
  uint32_t externalAttr = 0;
  std::string comment = {};         // entry comment in the central directory
  Bytes extra = {};                 // extra field, in both headers
  bool descriptorSignature = true;  // "PK\7\8" before the descriptor
  bool zeroSizesInLocal = false;    // with bit 3: local CRC and sizes are 0
  // Overrides for broken archives (applied to both headers unless noted).
  bool overrideCrc = false;
  uint32_t crc = 0;
  bool overrideDescriptorCrc = false;  // the data descriptor's CRC only
  uint32_t descriptorCrc = 0;
  bool overrideLocalSizes = false;
  uint32_t localPacked = 0, localUnpacked = 0;
  int32_t localMethod = -1;      // the local header's method (-1: `method`)
  bool zeroLocalHeader = false;  // all zeros behind the local signature
  int64_t unpackedSize = -1;     // declared in both headers (-1: data's size)
  int64_t centralOffset = -1;    // the directory's local header offset (-1: real)
  bool badCentralSignature = false;
};

struct ZipLayout {
  Bytes prefix = {};         // bytes before the first local header (offsets include them)
  std::string comment = {};  // archive comment
  Bytes trailer = {};        // bytes after the end record
  int32_t entryCount = -1;   // the end record's count (-1: the real one)
};

// Writes the archive. `offsets` (optional) receives each entry's local
// header offset.
Bytes BuildZip(const std::vector<ZipEntryPlan>& entries, const ZipLayout& layout = {},
               std::vector<uint32_t>* offsets = nullptr);

// Shorthand: a stored entry.
ZipEntryPlan Stored(const std::string& name, const std::string& text);
// `e` as `change` leaves it.
inline ZipEntryPlan Changed(ZipEntryPlan e, const std::function<void(ZipEntryPlan&)>& change) {
  return change(e), e;
}
Bytes ToBytes(const std::string& text);
// Overwrites four bytes at `at` with `v`, least significant first.
inline void PutLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace qtest
