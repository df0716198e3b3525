// An entry between 2 GiB and 4 GiB is copied whole (sizes are unsigned
// 32-bit values). The archive is sparse, so only the output takes disk
// space; the test runs in the plain native build only.
#if defined(Q_QUNZIP) && !defined(__SANITIZE_ADDRESS__) && !defined(Q_SANITIZED)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "support/files.h"
#include "support/zip_writer.h"
#include "unzip/unzip.h"

using namespace qtest;

TEST(BigEntry, StoredEntryPast2GiBExtractsWhole) {
  TempDir dir;
  const uint32_t size = 0x80000000u + 12345u;  // 2 GiB and a bit: negative as int32
  const Bytes zeros(1 << 20, 0);
  uLong crc = crc32(0L, Z_NULL, 0);  // zlib's, of `size` zero bytes
  for (uint64_t left = size, n; left > 0; left -= n) {
    n = std::min<uint64_t>(left, zeros.size());
    crc = crc32(crc, zeros.data(), static_cast<uInt>(n));
  }
  // An empty entry's headers, given the big sizes, around a hole of `size`
  // bytes behind the 31-byte local header.
  Bytes head = BuildZip({{.name = "z", .overrideCrc = true, .crc = static_cast<uint32_t>(crc)}});
  PutLe32(head, 18, size), PutLe32(head, 22, size);
  Bytes tail(head.begin() + 31, head.end());
  PutLe32(tail, 20, size), PutLe32(tail, 24, size), PutLe32(tail, 42, 0);
  PutLe32(tail, tail.size() - 22 + 16, static_cast<uint32_t>(31 + uint64_t{size}));
  const std::string archive = dir / "big.zip";
  const int fd = open(archive.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_EQ(pwrite(fd, head.data(), 31, 0), 31);
  ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(31 + uint64_t{size})),
            static_cast<ssize_t>(tail.size()));
  close(fd);
  ASSERT_EQ(UnzipEntry(archive.c_str(), (dir / "out").c_str(), 0, 0, 0, 0), urOk);
  EXPECT_EQ(std::filesystem::file_size(dir / "out"), size);
}
#endif
