// Every decoder through UnzipEntry on arbitrary data. An input is
//   byte 0     the method: bit 5 deflate; otherwise bits 3-4 choose unshrink
//              (0), unreduce (1, the factor from bits 0-1) or explode (2, 3;
//              flag bits 1 and 2 from the same bits); bit 7 puts the sizes
//              in a data descriptor instead
//   bytes 1-3  the declared uncompressed size (20 bits: below 1 MiB, so
//              that an input decodes quickly)
//   the rest   the compressed data,
// turned into a one-entry archive (local header, data, a descriptor and the
// start of a next local header) that UnzipEntry extracts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "fuzz_common.h"
#include "unzip/unzip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint16_t method = 8, flags = 0;
  if ((data[0] & 0x20) == 0) {
    switch ((data[0] >> 3) & 3) {
      case 0: method = 1; break;
      case 1: method = static_cast<uint16_t>(2 + (data[0] & 3)); break;
      default: method = 6, flags = static_cast<uint16_t>(data[0] & 6); break;
    }
  }
  const bool descriptor = (data[0] & 0x80) != 0;
  const uint32_t unpacked =
      data[1] | (data[2] << 8) | (static_cast<uint32_t>(data[3] & 0x0F) << 16);
  const uint8_t* packed = data + 4;
  const auto packedSize = static_cast<uint32_t>(size - 4);
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
  q::AppendLe32(zip, 0x04034b50);
  zip.insert(zip.end(), 26, 0);
  const std::string archive = qfuzz::WriteInput(zip.data(), zip.size(), "entry.zip");
  const std::string out = (qfuzz::Scratch() / "entry.out").string();
  const TUnzipResult r = UnzipEntry(archive.c_str(), out.c_str(), 0, 0, 0, 0);
  if (r == urBusy || r == urEncrypted || (r == urNotSupported && !descriptor)) std::abort();
  return 0;
}
