// Real third-party archives: every entry of every archive, whatever its
// method and layout (data in front with unadjusted offsets, an archive in
// the comment, descriptors with and without signature), extracts with the
// CRC and size of its central directory entry; folder entries become
// folders; method 7 is refused with nothing written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "unzip/extract.h"
#include "unzip/zipread.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

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

struct DirEntry {
  std::string name;
  uint16_t method;
  uint32_t crc, size;
};

// Every entry the directory reader delivers for `archive`, in order.
std::vector<DirEntry> ListEntries(const std::string& archive) {
  std::vector<DirEntry> out;
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  for (int rc = ZipFindFirst(archive.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    out.push_back({rec.EntryName, rec.MethodCode, rec.EntryCrc, rec.UnpackedSize});
  }
  ZipFindClose(rec);
  return out;
}

}  // namespace

TEST(Fixtures, EveryEntryExtractsWithItsDirectoryCrc) {
  if (!FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  int archives = 0, checked = 0;
  std::map<uint16_t, int> perMethod;
  for (const auto& file :
       fs::directory_iterator(fs::path(FixturePath("MANIFEST.md")).parent_path())) {
    const std::string name = file.path().filename().string();
    if (name == "MANIFEST.md") continue;
    SCOPED_TRACE(name);
    ++archives;
    TempDir dir;
    const ExtractOutcome out = ExtractAllFiles(file.path().string(), dir.Path());
    const std::vector<DirEntry> directory = ListEntries(file.path().string());
    if (directory.empty()) {
      EXPECT_EQ(out.status, ExtractStatus::kNoEntries);
      continue;
    }
    ASSERT_EQ(out.entries.size(), directory.size());
    for (size_t i = 0; i < directory.size(); ++i) {
      const DirEntry& d = directory[i];
      const TUnzipResult result = out.entries[i].result;
      SCOPED_TRACE(d.name);
      ++perMethod[d.method];
      ++checked;
      const std::string path = dir.Path() + d.name;
      if (!d.name.empty() && d.name.back() == platform::kPathSeparator) {
        EXPECT_EQ(result, urOk);
        EXPECT_TRUE(platform::FolderExists(path.c_str()));
      } else if (d.method != 7) {
        ASSERT_EQ(result, urOk) << "method " << d.method;
        const Bytes data = ReadNarrow(path);
        EXPECT_EQ(data.size(), d.size);
        EXPECT_EQ(ReferenceCrc32(data), d.crc);
      } else {
        EXPECT_EQ(result, urNotSupported);
        EXPECT_FALSE(platform::PathExists(path.c_str()));
      }
    }
  }
  // What the manifest lists: no archive or method may drop out unnoticed.
  EXPECT_GE(archives, 50);
  EXPECT_GT(checked, 1000);
  EXPECT_GE(perMethod[8], 29);
  const std::map<uint16_t, int> legacy = {{1, 26}, {2, 9},   {3, 9}, {4, 9},
                                          {5, 12}, {6, 164}, {7, 1}};
  for (const auto& [method, count] : legacy)
    EXPECT_EQ(perMethod[method], count) << "method " << method;
}
