// Real third-party archives: every entry of every archive, whatever its
// method and layout (data in front with unadjusted offsets, an archive in
// the comment, descriptors with and without signature), extracts with the
// CRC and size of its central directory entry; folder entries become
// folders; method 7 is refused with nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/file.h"
#include "support/files.h"
#include "unzip/extract.h"

using namespace qtest;
namespace fs = std::filesystem;

TEST(Fixtures, EveryEntryExtractsWithItsDirectoryCrc) {
  if (!FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  int archives = 0, checked = 0;
  std::map<uint16_t, int> perMethod;
  for (const auto& file :
       fs::directory_iterator(fs::path(FixturePath("MANIFEST.md")).parent_path())) {
    if (file.path().filename() == "MANIFEST.md") continue;
    SCOPED_TRACE(file.path().filename().string());
    ++archives;
    TempDir dir;
    const ExtractOutcome out = ExtractAllFiles(file.path().string(), dir.Path());
    TZipContens directory;
    ReadZipContents(file.path().string(), directory);
    if (directory.empty()) {
      EXPECT_EQ(out.status, ExtractStatus::kNoEntries);
      continue;
    }
    ASSERT_EQ(out.entries.size(), directory.size());
    for (size_t i = 0; i < directory.size(); ++i) {
      const ZipRec& d = directory[i];
      SCOPED_TRACE(d.FileName);
      ++perMethod[d.Central.Method], ++checked;
      const std::string path = dir.Path() + d.FileName;
      if (d.FileName.back() == platform::kPathSeparator) {
        EXPECT_EQ(out.entries[i].result, urOk);
        EXPECT_TRUE(platform::FolderExists(path.c_str()));
      } else if (d.Central.Method == 7) {
        EXPECT_EQ(out.entries[i].result, urNotSupported);
        EXPECT_FALSE(platform::PathExists(path.c_str()));
      } else {
        // Names are 8-bit text handed to the system as they are (DOS code
        // page names too): read back through the same narrow-text layer.
        ASSERT_EQ(out.entries[i].result, urOk) << "method " << d.Central.Method;
        platform::File f;
        ASSERT_EQ(f.OpenRead(path.c_str()), 0);
        Bytes data(d.Central.Unpacked + 1);
        uint32_t got = 0;
        EXPECT_TRUE(f.Read(data.data(), static_cast<uint32_t>(data.size()), &got));
        data.resize(got);
        EXPECT_EQ(got, d.Central.Unpacked);
        EXPECT_EQ(ReferenceCrc32(data), d.Central.Crc);
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
