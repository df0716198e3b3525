// Directory reader: end-record search, central directory walk (small and
// large mode), result codes, name handling, executable-prefixed archives.
#include "unzip/zipread.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "support/zip_writer.h"

using namespace qtest;

namespace {

struct Walk {
  TZipSearchRec rec;
  Walk() { std::memset(&rec, 0, sizeof(rec)); }
  ~Walk() { ZipFindClose(rec); }
};

std::vector<std::string> Names(const std::string& path, int* firstResult = nullptr) {
  Walk w;
  std::vector<std::string> names;
  int rc = ZipFindFirst(path.c_str(), w.rec);
  if (firstResult) *firstResult = rc;
  while (rc == kZipOk) {
    names.push_back(w.rec.EntryName);
    rc = ZipFindNext(w.rec);
  }
  EXPECT_EQ(w.rec.Window, nullptr) << "a finished walk is closed";
  return names;
}

}  // namespace

// No end record: failed. An end record at offset 0 leaves no room for any
// header: not open. The same behind 50 bytes is an empty directory.
TEST(ZipRead, EndRecordPresenceAndPositionDecideTheFirstResult) {
  TempDir dir;
  const struct {
    const char* name;
    Bytes bytes;
    int expected;
  } cases[] = {
      {"empty.zip", {}, kZipFailed},
      {"short.zip", ToBytes("PK\x05\x06 short"), kZipFailed},
      {"noend.zip", Bytes(10000, 'x'), kZipFailed},
      {"bare.zip", BuildZip({}), kZipNotOpen},
      {"padded.zip", BuildZip({}, {.prefix = Bytes(50, 0)}), kZipEnd},
  };
  Walk w;
  EXPECT_EQ(ZipFindFirst((dir / "missing.zip").c_str(), w.rec), kZipFailed);
  for (const auto& c : cases) {
    WriteFileBytes(dir / c.name, c.bytes);
    EXPECT_EQ(ZipFindFirst((dir / c.name).c_str(), w.rec), c.expected) << c.name;
    EXPECT_EQ(w.rec.Window, nullptr) << c.name;
  }
  EXPECT_EQ(ZipFindNext(w.rec), kZipNotOpen);
}

TEST(ZipRead, DeliversEveryFieldOfEachEntry) {
  TempDir dir;
  ZipEntryPlan a = Stored("dir/sub/a.txt", "alpha");
  a.dosTime = 0x12345678;
  a.externalAttr = 0x21;  // archive + read-only
  a.comment = "an entry comment that the walk must step over";
  ZipEntryPlan b = Stored("b.bin", std::string(3000, 'b'));
  b.host = 3;  // Unix: attributes are not DOS attributes
  b.externalAttr = 0x81A40021;
  b.flags = 0x0800;
  b.extra = Bytes(17, 0xEE);
  ZipEntryPlan c = Stored("folder/", "");
  std::vector<uint32_t> offsets;
  ZipLayout layout;
  layout.comment = "archive comment";
  WriteFileBytes(dir / "f.zip", BuildZip({a, b, c}, layout, &offsets));

  Walk w;
  ASSERT_EQ(ZipFindFirst((dir / "f.zip").c_str(), w.rec), kZipOk);
  EXPECT_STREQ(w.rec.EntryName, Sep("dir/sub/a.txt").c_str());
  EXPECT_EQ(w.rec.FileTime, 0x12345678u);
  EXPECT_EQ(w.rec.UnpackedSize, 5u);
  EXPECT_EQ(w.rec.PackedSize, 5u);
  EXPECT_EQ(w.rec.EntryCrc, ReferenceCrc32(ToBytes("alpha")));
  EXPECT_EQ(w.rec.LocalHeaderPos, offsets[0]);
  EXPECT_EQ(w.rec.DosAttr, 0x21);
  EXPECT_EQ(w.rec.MethodCode, 0);
  ASSERT_EQ(ZipFindNext(w.rec), kZipOk);
  EXPECT_STREQ(w.rec.EntryName, "b.bin");
  EXPECT_EQ(w.rec.DosAttr, 0) << "attributes of a non-DOS host are not DOS bits";
  EXPECT_EQ(w.rec.GpFlags, 0x0800);
  EXPECT_EQ(w.rec.LocalHeaderPos, offsets[1]);
  ASSERT_EQ(ZipFindNext(w.rec), kZipOk);
  EXPECT_STREQ(w.rec.EntryName, Sep("folder/").c_str());
  EXPECT_EQ(ZipFindNext(w.rec), kZipEnd);
  EXPECT_EQ(w.rec.Window, nullptr);
  EXPECT_EQ(ZipFindNext(w.rec), kZipNotOpen);
}

TEST(ZipRead, LongNamesAreCutAndZeroBytesEndThem) {
  TempDir dir;
  const std::string longName(300, 'n');
  ZipEntryPlan z = Stored(std::string("abc\0def", 7), "z");
  WriteFileBytes(dir / "n.zip", BuildZip({Stored(longName, "x"), z}));
  const auto names = Names(dir / "n.zip");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], std::string(259, 'n'));
  EXPECT_EQ(names[1], "abc");
}

TEST(ZipRead, NearestEndRecordToTheFileEndWins) {
  TempDir dir;
  // A second end record in the archive comment points at the second
  // central header only: the walk must start there.
  std::vector<uint32_t> offsets;
  Bytes plain = BuildZip({Stored("one", "1"), Stored("two", "2")}, {}, &offsets);
  // Find the central directory: it starts at the end record's offset field.
  const size_t end = plain.size() - 22;
  const uint32_t dir0 = plain[end + 16] | (plain[end + 17] << 8) | (plain[end + 18] << 16) |
                        (static_cast<uint32_t>(plain[end + 19]) << 24);
  const uint32_t secondHeader = dir0 + 46 + 3;  // past "one"'s header and name
  std::string fake = std::string("PK\x05\x06", 4) + std::string(12, '\0');
  for (int i = 0; i < 4; ++i) fake += static_cast<char>((secondHeader >> (8 * i)) & 0xFF);
  fake += std::string(2, '\0');
  ZipLayout layout;
  layout.comment = "xx" + fake;
  Bytes withFake = BuildZip({Stored("one", "1"), Stored("two", "2")}, layout);
  WriteFileBytes(dir / "dup.zip", withFake);
  EXPECT_EQ(Names(dir / "dup.zip"), std::vector<std::string>{"two"});
}

TEST(ZipRead, EndRecordIsFoundFarFromTheEnd) {
  TempDir dir;
  ZipLayout layout;
  layout.trailer = Bytes(20000, 'T');  // several 4 KB search windows back
  WriteFileBytes(dir / "t.zip", BuildZip({Stored("a", "1"), Stored("b", "2")}, layout));
  EXPECT_EQ(Names(dir / "t.zip"), (std::vector<std::string>{"a", "b"}));
}

TEST(ZipRead, LargeDirectoryIsWalkedInPieces) {
  TempDir dir;
  std::vector<ZipEntryPlan> entries;
  for (int i = 0; i < 900; ++i) {
    ZipEntryPlan e = Stored("entry-" + std::to_string(i) + "-" + std::string(60, 'p'), "x");
    e.comment = std::string(i % 7, 'c');
    entries.push_back(e);
  }
  std::vector<uint32_t> offsets;
  WriteFileBytes(dir / "big.zip", BuildZip(entries, {}, &offsets));
  Walk w;
  ASSERT_EQ(ZipFindFirst((dir / "big.zip").c_str(), w.rec), kZipOk);
  EXPECT_EQ(w.rec.WindowSize, 64000) << "a directory over 64,000 bytes is read in large mode";
  int count = 0;
  int rc = kZipOk;
  while (rc == kZipOk) {
    EXPECT_EQ(w.rec.EntryName, entries[static_cast<size_t>(count)].name);
    EXPECT_EQ(w.rec.LocalHeaderPos, offsets[static_cast<size_t>(count)]);
    ++count;
    rc = ZipFindNext(w.rec);
  }
  EXPECT_EQ(rc, kZipEnd);
  EXPECT_EQ(count, 900);
}

TEST(ZipRead, TruncatedDirectoryEndsTheWalkSafely) {
  TempDir dir;
  Bytes z = BuildZip({Stored("a", "1"), Stored("b", "2")});
  // Point the end record's directory offset past the end record: the span
  // wraps and the read finds nothing usable.
  const size_t end = z.size() - 22;
  z[end + 16] = 0xF0;
  z[end + 17] = 0xFF;
  z[end + 18] = 0xFF;
  z[end + 19] = 0x7F;
  WriteFileBytes(dir / "bad.zip", z);
  int first = 99;
  EXPECT_TRUE(Names(dir / "bad.zip", &first).empty());
  EXPECT_NE(first, kZipOk);
}

TEST(ZipRead, RecognisesArchivesAndExecutablesCarryingThem) {
  TempDir dir;
  const Bytes zip = BuildZip({Stored("a.txt", "hello")});
  WriteFileBytes(dir / "a.zip", zip);
  EXPECT_TRUE(IsZipArchive((dir / "a.zip").c_str()));
  WriteFileBytes(dir / "noext", zip);
  EXPECT_FALSE(IsZipArchive((dir / "noext").c_str())) << "a name without a dot";
  EXPECT_FALSE(IsZipArchive((dir / "missing.zip").c_str()));
  std::filesystem::create_directory(dir / "folder.zip");
  EXPECT_FALSE(IsZipArchive((dir / "folder.zip").c_str()));
  EXPECT_FALSE(IsZipArchive((dir / "folder.zip" + platform::kPathSeparator).c_str()));
  WriteFileBytes(dir / "text.txt", ToBytes("just some text here"));
  EXPECT_FALSE(IsZipArchive((dir / "text.txt").c_str()));

  // An MZ image of 3 pages with 100 bytes in the last: (3-1)*512+100 = 1124.
  const struct {
    uint16_t last, pages;
    size_t at;
    bool isArchive;
    const char* why;
  } images[] = {
      {100, 3, 1124, true, "right behind the image"},
      {100, 3, 1125, true, "one byte behind the image"},
      {0, 2, 1024, true, "L = 0 means a full last page"},
      {100, 3, 1130, false, "too far behind the image"},
      {0, 0, 64, false, "a non-positive image size"},
  };
  for (const auto& i : images) {
    Bytes b = {'M',
               'Z',
               static_cast<uint8_t>(i.last),
               static_cast<uint8_t>(i.last >> 8),
               static_cast<uint8_t>(i.pages),
               static_cast<uint8_t>(i.pages >> 8)};
    b.resize(i.at, 0);
    b.insert(b.end(), zip.begin(), zip.end());
    WriteFileBytes(dir / "sfx.exe", b);
    EXPECT_EQ(IsZipArchive((dir / "sfx.exe").c_str()), i.isArchive) << i.why;
  }
}

TEST(ZipRead, OffsetsOfAnArchiveWithBytesInFrontAreAdjusted) {
  TempDir dir;
  std::vector<uint32_t> offsets;
  const Bytes plain = BuildZip({Stored("a", "first"), Stored("b", "second")}, {}, &offsets);
  Bytes prefixed = plain;
  prefixed.insert(prefixed.begin(), 1000, 'J');  // not a local header, not an executable
  WriteFileBytes(dir / "p.zip", prefixed);
  Walk w;
  ASSERT_EQ(ZipFindFirst((dir / "p.zip").c_str(), w.rec), kZipOk);
  EXPECT_EQ(w.rec.LocalHeaderPos, offsets[0] + 1000);
  ASSERT_EQ(ZipFindNext(w.rec), kZipOk);
  EXPECT_EQ(w.rec.LocalHeaderPos, offsets[1] + 1000);
  EXPECT_FALSE(IsZipArchive((dir / "p.zip").c_str())) << "the start test alone cannot tell";
}

TEST(ZipRead, EndRecordOfAnArchiveInTheCommentGivesWayToTheRealOne) {
  TempDir dir;
  // The comment holds a whole second archive: its end record is the last in
  // the file, but the directory offset it states is relative to its own
  // start, where the outer archive has no central header.
  const Bytes inner = BuildZip({Stored("inner.txt", "")});
  ZipLayout layout;
  layout.comment.assign(inner.begin(), inner.end());
  WriteFileBytes(dir / "c.zip", BuildZip({Stored("outer.txt", "outer")}, layout));
  EXPECT_EQ(Names(dir / "c.zip"), std::vector<std::string>{"outer.txt"});
}
