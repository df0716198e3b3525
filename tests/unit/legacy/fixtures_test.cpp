// Real PKZIP-era archives: every shrunk, reduced and imploded entry of the
// third-party fixtures decodes to the CRC-32 and size of its central
// directory entry; shrunk and imploded ones equal 7-Zip's output, reduced
// ones the same files in sibling archives (no other tool decodes reduce).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "legacy_util.h"
#include "platform/file.h"
#include "unzip/zipread.h"

namespace legacy {
namespace {

namespace fs = std::filesystem;

struct DirEntry {
  std::string name;
  uint16_t method;
  uint32_t crc, size, offset;
};

std::vector<DirEntry> Directory(const std::string& archive) {
  std::vector<DirEntry> out;
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  for (int rc = ZipFindFirst(archive.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    out.push_back({rec.EntryName, rec.MethodCode, rec.EntryCrc, rec.UnpackedSize, rec.LocalHeaderPos});
  }
  ZipFindClose(rec);
  return out;
}

bool IsLegacy(uint16_t method) { return method >= 1 && method <= 7; }

// Reduced archives and the archives made from the same files with other
// methods, as the manifest pairs them.
const std::map<std::string, std::string>& Siblings() {
  static const std::map<std::string, std::string> sibling = {
      {"Zip.reduce1.zip", "Zip.shrink.zip"}, {"Zip.reduce2.zip", "Zip.shrink.zip"},
      {"Zip.reduce3.zip", "Zip.shrink.zip"}, {"Zip.reduce4.zip", "Zip.shrink.zip"},
      {"PKZ80B1.ZIP", "PKZ110ES.ZIP"},       {"PKZ80B2.ZIP", "PKZ110ES.ZIP"},
      {"PKZ80B3.ZIP", "PKZ110ES.ZIP"},       {"PKZ80B4.ZIP", "PKZ110ES.ZIP"},
      {"zip2-reduce.zip", "zip2-shrink.zip"}, {"HWREDUCE.ZIP", "HWSHRINK.ZIP"},
  };
  return sibling;
}

bool IsSibling(const std::string& archive) {
  for (const auto& [reduced, other] : Siblings()) {
    if (other == archive) return true;
  }
  return false;
}

struct Decoded {
  std::string archive;
  DirEntry entry;
  TUnzipResult result;
  Bytes data;
};

// Every entry of methods 1 to 7 of every fixture, and every entry of the
// reduced archives' siblings, decoded through UnzipEntry once for all the
// tests below.
const std::vector<Decoded>& DecodedFixtures() {
  static const std::vector<Decoded> all = [] {
    std::vector<Decoded> out;
    qtest::TempDir dir;
    int index = 0;
    for (const auto& file : fs::directory_iterator(fs::path(qtest::FixturePath("MANIFEST.md")).parent_path())) {
      const std::string archive = file.path().string();
      const bool sibling = IsSibling(file.path().filename().string());
      for (const DirEntry& d : Directory(archive)) {
        if (!IsLegacy(d.method) && !sibling) continue;
        const std::string outName = dir / std::to_string(index++);
        Decoded r{file.path().filename().string(), d, urOk, {}};
        r.result = UnzipEntry(archive.c_str(), outName.c_str(), 0, d.offset, 0, 0);
        if (platform::PathExists(outName.c_str())) r.data = qtest::ReadFileBytes(outName);
        out.push_back(std::move(r));
      }
    }
    return out;
  }();
  return all;
}

TEST(LegacyFixtures, EveryEntryDecodesToItsDirectoryCrcAndSize) {
  if (!qtest::FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  std::map<uint16_t, int> perMethod;
  for (const Decoded& d : DecodedFixtures()) {
    if (!IsLegacy(d.entry.method)) continue;
    SCOPED_TRACE(d.archive + ": " + d.entry.name);
    ++perMethod[d.entry.method];
    if (d.entry.method == 7) {
      EXPECT_EQ(d.result, urNotSupported);
      EXPECT_TRUE(d.data.empty());
      continue;
    }
    EXPECT_EQ(d.result, urOk);
    EXPECT_EQ(d.data.size(), d.entry.size);
    EXPECT_EQ(qtest::ReferenceCrc32(d.data), d.entry.crc);
  }
  // The entries the manifest lists archive by archive: 26 shrunk, 9, 9, 9
  // and 12 reduced with factors 1 to 4, 164 imploded, one tokenized.
  EXPECT_EQ(perMethod[1], 26);
  EXPECT_EQ(perMethod[2], 9);
  EXPECT_EQ(perMethod[3], 9);
  EXPECT_EQ(perMethod[4], 9);
  EXPECT_EQ(perMethod[5], 12);
  EXPECT_EQ(perMethod[6], 164);
  EXPECT_EQ(perMethod[7], 1);
}

// Matched by CRC and size: 7-Zip turns DOS code-page names into other text.
TEST(LegacyFixtures, ShrunkAndImplodedEntriesEqualSevenZip) {
  if (!qtest::FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  if (!SevenZipAvailable()) GTEST_SKIP() << "7zz not available";
  std::map<std::string, std::vector<Bytes>> oracle;  // per archive
  int compared = 0;
  for (const Decoded& d : DecodedFixtures()) {
    if (d.entry.method != 1 && d.entry.method != 6) continue;
    SCOPED_TRACE(d.archive + ": " + d.entry.name);
    auto it = oracle.find(d.archive);
    if (it == oracle.end()) it = oracle.emplace(d.archive, SevenZipFiles(qtest::FixturePath(d.archive))).first;
    bool found = false;
    for (const Bytes& file : it->second) {
      if (file.size() == d.entry.size && qtest::ReferenceCrc32(file) == d.entry.crc) {
        EXPECT_TRUE(file == d.data);  // not EXPECT_EQ: no megabyte dumps
        found = true;
        break;
      }
    }
    EXPECT_TRUE(found) << "7-Zip gave no file with the entry's CRC and size";
    ++compared;
  }
  EXPECT_EQ(compared, 26 + 164);
}

TEST(LegacyFixtures, ReducedEntriesEqualTheirSiblings) {
  if (!qtest::FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  // The siblings' entries (stored, or shrunk and checked against 7-Zip
  // above), by CRC and size.
  std::map<std::pair<uint32_t, uint32_t>, const Bytes*> known;
  for (const Decoded& d : DecodedFixtures()) {
    if (IsSibling(d.archive) && d.result == urOk) known[{d.entry.crc, d.entry.size}] = &d.data;
  }
  int compared = 0;
  for (const Decoded& d : DecodedFixtures()) {
    if (d.entry.method < 2 || d.entry.method > 5) continue;
    SCOPED_TRACE(d.archive + ": " + d.entry.name);
    ASSERT_TRUE(Siblings().count(d.archive));
    const auto it = known.find({d.entry.crc, d.entry.size});
    ASSERT_NE(it, known.end());
    EXPECT_TRUE(*it->second == d.data);
    ++compared;
  }
  EXPECT_EQ(compared, 9 + 9 + 9 + 12);
}

}  // namespace
}  // namespace legacy
