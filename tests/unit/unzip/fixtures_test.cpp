// Real third-party archives: every entry of every archive, whatever its
// method and layout (data in front with unadjusted offsets, an archive in
// the comment, descriptors with and without signature), extracts with the
// CRC and size of its central directory entry; folder entries become
// folders; method 7 is refused with nothing written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/file.h"
#include "support/files.h"
#include "support/zip_writer.h"
#include "unzip/extract.h"
#include "unzip/zipread.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

struct DirEntry {
  std::string name;
  uint16_t method;
  uint32_t crc, size;
};

std::vector<DirEntry> Directory(const std::string& archive) {
  std::vector<DirEntry> out;
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  for (int rc = ZipFindFirst(archive.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    out.push_back({rec.EntryName, rec.MethodCode, rec.EntryCrc, rec.UnpackedSize});
  }
  ZipFindClose(rec);
  return out;
}

// Entry names are 8-bit text handed to the system as they are (DOS code page
// names too), so the check reads through the same narrow-text file layer.
Bytes ReadNarrow(const std::string& path) {
  platform::File f;
  Bytes data;
  if (f.OpenRead(path.c_str()) != 0) return data;
  uint8_t buf[65536];
  uint32_t got = 0;
  while (f.Read(buf, sizeof(buf), &got) && got > 0) data.insert(data.end(), buf, buf + got);
  return data;
}

}  // namespace

TEST(Fixtures, EveryEntryExtractsWithItsDirectoryCrc) {
  if (!FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  int archives = 0, checked = 0;
  for (const auto& file : fs::directory_iterator(fs::path(FixturePath("MANIFEST.md")).parent_path())) {
    const std::string name = file.path().filename().string();
    if (name == "MANIFEST.md") continue;
    SCOPED_TRACE(name);
    ++archives;
    TempDir dir;
    const ExtractOutcome out = ExtractAllFiles(file.path().string(), dir.Path());
    const std::vector<DirEntry> directory = Directory(file.path().string());
    if (directory.empty()) {
      EXPECT_EQ(out.status, ExtractStatus::kNoEntries);
      continue;
    }
    ASSERT_EQ(out.entries.size(), directory.size());
    for (size_t i = 0; i < directory.size(); ++i) {
      const DirEntry& d = directory[i];
      const EntryOutcome& e = out.entries[i];
      SCOPED_TRACE(d.name);
      const std::string path = dir.Path() + d.name;
      if (!d.name.empty() && d.name.back() == platform::kPathSeparator) {
        EXPECT_EQ(e.result, urOk);
        EXPECT_TRUE(platform::FolderExists(path.c_str()));
        ++checked;
      } else if (d.method != 7) {
        ASSERT_EQ(e.result, urOk) << "method " << d.method;
        const Bytes data = ReadNarrow(path);
        EXPECT_EQ(data.size(), d.size);
        EXPECT_EQ(ReferenceCrc32(data), d.crc);
        ++checked;
      } else {
        EXPECT_EQ(e.result, urNotSupported);
        EXPECT_FALSE(platform::PathExists(path.c_str()));
        ++checked;
      }
    }
  }
  EXPECT_GE(archives, 50);
  EXPECT_GT(checked, 1000);
}
