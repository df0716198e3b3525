// Every deflated entry of the third-party fixture archives extracts with
// the CRC and size its central directory gives.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "unzip/unzip.h"
#include "unzip/zipread.h"

namespace {

TEST(Fixtures, EveryDeflatedEntryExtractsWithItsCrc) {
  if (!qtest::FixturesPresent()) GTEST_SKIP() << "fixtures not present";
  const std::filesystem::path folder =
      std::filesystem::path(qtest::FixturePath("MANIFEST.md")).parent_path();
  int deflated = 0;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    const std::string path = file.path().string();
    TZipSearchRec rec;
    std::memset(&rec, 0, sizeof(rec));
    for (int rc = ZipFindFirst(path.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
      if (rec.MethodCode != 8) continue;
      ++deflated;
      const std::string where = file.path().filename().string() + ": " + rec.EntryName;
      qtest::TempDir dir;
      const std::string out = dir / "entry.bin";
      EXPECT_EQ(UnzipEntry(path.c_str(), out.c_str(), 0, rec.LocalHeaderPos, 0, 0), urOk) << where;
      const qtest::Bytes data = qtest::ReadFileBytes(out);
      EXPECT_EQ(data.size(), rec.UnpackedSize) << where;
      EXPECT_EQ(qtest::ReferenceCrc32(data), rec.EntryCrc) << where;
    }
    ZipFindClose(rec);
  }
  // 29 deflated entries in 11 archives are listed through their directories.
  EXPECT_GE(deflated, 29);
}

TEST(Fixtures, DeflatedEntryBehindUnadjustedOffsets) {
  // COMPRESS-621.zip: 15 bytes before the archive, directory offsets not
  // adjusted for them; the entry's local header is at 15.
  if (!qtest::FixturesPresent()) GTEST_SKIP() << "fixtures not present";
  qtest::TempDir dir;
  const std::string out = dir / "entry.bin";
  EXPECT_EQ(UnzipEntry(qtest::FixturePath("COMPRESS-621.zip").c_str(), out.c_str(), 0, 15, 0, 0),
            urOk);
  EXPECT_EQ(qtest::ReadFileBytes(out).size(), 50u);
}

}  // namespace
