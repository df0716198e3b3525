// Real PKZIP-era archives against oracles: shrunk and imploded entries equal
// 7-Zip's output, reduced ones the same files in sibling archives (no other
// tool decodes reduce). That every entry matches its directory's CRC and
// size is checked with all other fixtures in the unzip tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "legacy_util.h"
#include "platform/file.h"

namespace legacy {
namespace {

namespace fs = std::filesystem;

// Reduced archives and the archives made from the same files with other
// methods, as the manifest pairs them.
const std::map<std::string, std::string> kSiblings = {
    {"Zip.reduce1.zip", "Zip.shrink.zip"},  {"Zip.reduce2.zip", "Zip.shrink.zip"},
    {"Zip.reduce3.zip", "Zip.shrink.zip"},  {"Zip.reduce4.zip", "Zip.shrink.zip"},
    {"PKZ80B1.ZIP", "PKZ110ES.ZIP"},        {"PKZ80B2.ZIP", "PKZ110ES.ZIP"},
    {"PKZ80B3.ZIP", "PKZ110ES.ZIP"},        {"PKZ80B4.ZIP", "PKZ110ES.ZIP"},
    {"zip2-reduce.zip", "zip2-shrink.zip"}, {"HWREDUCE.ZIP", "HWSHRINK.ZIP"},
};

bool IsSibling(const std::string& archive) {
  for (const auto& [reduced, other] : kSiblings) {
    if (other == archive) return true;
  }
  return false;
}

struct Decoded {
  std::string archive;
  qtest::DirEntry entry;
  TUnzipResult result;
  Bytes data;
};

// Every entry of methods 1 to 6 of every fixture, and every entry of the
// reduced archives' siblings, decoded through UnzipEntry once for both tests.
const std::vector<Decoded>& DecodedFixtures() {
  static const std::vector<Decoded> all = [] {
    std::vector<Decoded> out;
    qtest::TempDir dir;
    int index = 0;
    for (const auto& file :
         fs::directory_iterator(fs::path(qtest::FixturePath("MANIFEST.md")).parent_path())) {
      const std::string archive = file.path().string(), name = file.path().filename().string();
      for (const qtest::DirEntry& d : qtest::ListEntries(archive)) {
        if ((d.method < 1 || d.method > 6) && !IsSibling(name)) continue;
        const std::string outName = dir / std::to_string(index++);
        Decoded r{name, d, UnzipEntry(archive.c_str(), outName.c_str(), 0, d.offset, 0, 0), {}};
        if (platform::PathExists(outName.c_str())) r.data = qtest::ReadFileBytes(outName);
        out.push_back(std::move(r));
      }
    }
    return out;
  }();
  return all;
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
    if (it == oracle.end())
      it = oracle.emplace(d.archive, SevenZipFiles(qtest::FixturePath(d.archive))).first;
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
    ASSERT_TRUE(kSiblings.count(d.archive));
    EXPECT_EQ(d.result, urOk);
    const auto it = known.find({d.entry.crc, d.entry.size});
    ASSERT_NE(it, known.end());
    EXPECT_TRUE(*it->second == d.data);
    ++compared;
  }
  EXPECT_EQ(compared, 9 + 9 + 9 + 12);
}

}  // namespace
}  // namespace legacy
