// Deflated entries through UnzipEntry: the input becomes the compressed
// data of a one-entry archive (its first byte chooses the local header's
// form: sizes given, or zero sizes with a data descriptor, with or without
// its signature), followed by a stored entry as the rest of an archive.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../unzip/fuzz_common.h"
#include "common/little_endian.h"
#include "unzip/unzip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t form = data[0] % 3;  // 0 sizes, 1 descriptor, 2 descriptor without signature
  const uint8_t* packed = data + 1;
  const auto packedSize = static_cast<uint32_t>(size - 1);
  const uint32_t crc = 0x12345678u;  // rarely right: the CRC comparison runs too

  std::vector<uint8_t> zip;
  q::AppendLe32(zip, 0x04034b50);
  q::AppendLe16(zip, 20);
  q::AppendLe16(zip, form == 0 ? 0 : 8);
  q::AppendLe16(zip, 8);
  q::AppendLe32(zip, 0x5A8C6B5Au);
  q::AppendLe32(zip, form == 0 ? crc : 0);
  q::AppendLe32(zip, form == 0 ? packedSize : 0);
  q::AppendLe32(zip, form == 0 ? 100000 : 0);
  q::AppendLe16(zip, 1);
  q::AppendLe16(zip, 0);
  zip.push_back('e');
  zip.insert(zip.end(), packed, packed + packedSize);
  if (form != 0) {
    if (form == 1) q::AppendLe32(zip, 0x08074b50);
    q::AppendLe32(zip, crc);
    q::AppendLe32(zip, packedSize);
    q::AppendLe32(zip, 100000);
  }
  // What follows the data in an archive: another local header.
  q::AppendLe32(zip, 0x04034b50);
  zip.insert(zip.end(), 26, 0);

  const std::string archive = qfuzz::WriteInput(zip.data(), zip.size(), "entry.zip");
  const std::string out = (qfuzz::Scratch() / "entry.out").string();
  const TUnzipResult r = UnzipEntry(archive.c_str(), out.c_str(), 0, 0, 0, 0);
  if (r == urBusy || r == urNotSupported || r == urEncrypted) std::abort();
  std::error_code ec;
  std::filesystem::remove(out, ec);
  return 0;
}
