// Shared by the legacy-method fuzzers. An input is
//   byte 0     the method and its variant (see fuzz_legacy.cpp);
//              bit 7 puts the sizes in a data descriptor instead
//   bytes 1-3  the declared uncompressed size (20 bits: below 1 MiB, so
//              that an input decodes quickly)
//   the rest   the compressed data,
// turned into a one-entry archive (local header, data, a descriptor and a
// few bytes of slack) that UnzipEntry extracts.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../unzip/fuzz_common.h"
#include "common/little_endian.h"
#include "unzip/unzip.h"

namespace qfuzz {

inline void RunLegacyEntry(const uint8_t* data, size_t size, uint16_t method, uint16_t flags) {
  if (size < 4) return;
  const bool descriptor = (data[0] & 0x80) != 0;
  const uint32_t unpacked =
      data[1] | (data[2] << 8) | (static_cast<uint32_t>(data[3] & 0x0F) << 16);
  const uint8_t* packed = data + 4;
  const uint32_t packedSize = static_cast<uint32_t>(size - 4);
  if (descriptor) flags = static_cast<uint16_t>(flags | 8);

  std::vector<uint8_t> zip;
  q::AppendLe32(zip, 0x04034b50);
  q::AppendLe16(zip, 20);
  q::AppendLe16(zip, flags);
  q::AppendLe16(zip, method);
  q::AppendLe32(zip, 0x5A8C6B5Au);  // a valid DOS stamp
  q::AppendLe32(zip, 0);            // CRC: whatever the data gives fails
  q::AppendLe32(zip, descriptor ? 0 : packedSize);
  q::AppendLe32(zip, descriptor ? 0 : unpacked);
  q::AppendLe16(zip, 1);
  q::AppendLe16(zip, 0);
  zip.push_back('e');
  zip.insert(zip.end(), packed, packed + packedSize);
  q::AppendLe32(zip, 0x08074b50);
  q::AppendLe32(zip, 0);
  q::AppendLe32(zip, packedSize);
  q::AppendLe32(zip, unpacked);
  const std::string archive = WriteInput(zip.data(), zip.size(), "legacy.zip");
  const std::string out = (Scratch() / "legacy.out").string();
  (void)UnzipEntry(archive.c_str(), out.c_str(), 0, 0, 0, 0);
}

}  // namespace qfuzz
