// An entry between 2 GiB and 4 GiB is copied whole (sizes are unsigned
// 32-bit values). The archive is sparse, so only the output takes disk
// space; the test runs in the plain native build only.
#if defined(Q_QUNZIP) && !defined(__SANITIZE_ADDRESS__) && !defined(Q_SANITIZED)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <vector>

#include "support/files.h"
#include "support/zip_writer.h"
#include "unzip/unzip.h"

using namespace qtest;
namespace fs = std::filesystem;

TEST(BigEntry, StoredEntryPast2GiBExtractsWhole) {
  TempDir dir;
  const uint32_t size = 0x80000000u + 12345u;  // 2 GiB and a bit: negative as int32
  // CRC of `size` zero bytes, by zlib.
  std::vector<uint8_t> zeros(1 << 20, 0);
  uLong crc = crc32(0L, Z_NULL, 0);
  for (uint64_t left = size; left > 0;) {
    const uInt n = static_cast<uInt>(std::min<uint64_t>(left, zeros.size()));
    crc = crc32(crc, zeros.data(), n);
    left -= n;
  }
  ZipEntryPlan e;
  e.name = "z";
  e.overrideCrc = true;
  e.crc = static_cast<uint32_t>(crc);
  // Build header and directory around a placeholder, then splice a hole.
  Bytes head = BuildZip({e});
  // Local header is 31 bytes (30 + name); patch its and the directory's sizes.
  auto put32 = [](Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(head, 18, size);
  put32(head, 22, size);
  Bytes tail(head.begin() + 31, head.end());
  put32(tail, 20, size);
  put32(tail, 24, size);
  put32(tail, 42, 0);
  put32(tail, tail.size() - 22 + 16, static_cast<uint32_t>(31 + uint64_t{size}));
  const std::string archive = dir / "big.zip";
  const int fd = open(archive.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, head.data(), 31, 0), 31);
  ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(31 + uint64_t{size})),
            static_cast<ssize_t>(tail.size()));
  close(fd);

  ASSERT_EQ(UnzipEntry(archive.c_str(), (dir / "out").c_str(), 0, 0, 0, 0), urOk);
  EXPECT_EQ(fs::file_size(dir / "out"), size);
}
#endif
