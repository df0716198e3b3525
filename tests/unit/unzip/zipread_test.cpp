// Directory reader: end-record search, central directory walk (small and
// large mode), result codes, name handling, executable-prefixed archives.
#include "unzip/zipread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/little_endian.h"
#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "support/zip_writer.h"

using namespace qtest;

namespace {

struct Walked {
  int first = kZipFailed, last = kZipFailed;
  std::vector<std::string> names;
  std::vector<uint32_t> offsets;
};

Walked Walk(const std::string& path) {
  TZipSearchRec rec{};
  Walked w;
  int rc = w.first = ZipFindFirst(path.c_str(), rec);
  for (; rc == kZipOk; rc = ZipFindNext(rec)) {
    w.names.push_back(rec.EntryName);
    w.offsets.push_back(rec.LocalHeaderPos);
  }
  w.last = rc;
  EXPECT_EQ(rec.Window, nullptr) << "a finished walk is closed";
  EXPECT_EQ(ZipFindNext(rec), kZipNotOpen);
  return w;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

// No end record: failed. An end record at offset 0 leaves no room for any
// header: not open. The same behind 50 bytes is an empty directory. Of two
// end records the one nearest the file's end wins, unless the directory it
// states is not there (an archive in the comment of another).
TEST(ZipRead, WhatTheWalkFindsInEachArchive) {
  TempDir dir;
  std::vector<uint32_t> at;
  const Bytes two = BuildZip({Stored("one", "1"), Stored("two", "2")}, {}, &at);
  const uint32_t secondHeader = q::Le32(&two[two.size() - 6]) + 46 + 3;
  Bytes fake = ToBytes(std::string("xxPK\x05\x06", 6)) + Bytes(18, 0);
  PutLe32(fake, 2 + 8, 0x10001), PutLe32(fake, 2 + 12, 46 + 3), PutLe32(fake, 2 + 16, secondHeader);
  Bytes wrapped = two;  // the directory offset past the end record: the span wraps
  PutLe32(wrapped, two.size() - 6, 0x7FFFFFF0);
  const Bytes inner = BuildZip({Stored("inner.txt", "")});
  const struct {
    const char* what;
    Bytes bytes;
    int first;
    std::vector<std::string> names;
    std::vector<uint32_t> offsets = {};
  } cases[] = {
      {"empty file", {}, kZipFailed, {}},
      {"short end record", ToBytes("PK\x05\x06 short"), kZipFailed, {}},
      {"no end record", Bytes(10000, 'x'), kZipFailed, {}},
      {"end record at offset 0", BuildZip({}), kZipNotOpen, {}},
      {"empty directory", BuildZip({}, {.prefix = Bytes(50, 0)}), kZipEnd, {}},
      {"names cut and ended by a zero byte",
       BuildZip({Stored(std::string(300, 'n'), "x"), Stored(std::string("abc\0def", 7), "z")}),
       kZipOk,
       {std::string(259, 'n'), "abc"}},
      {"nearest end record",
       BuildZip({Stored("one", "1"), Stored("two", "2")},
                {.comment = std::string(fake.begin(), fake.end())}),
       kZipOk,
       {"two"},
       {at[1]}},
      {"end record several search windows back",
       BuildZip({Stored("one", "1"), Stored("two", "2")}, {.trailer = Bytes(20000, 'T')}),
       kZipOk,
       {"one", "two"}},
      {"directory offset past the end", wrapped, kZipDamaged, {}},
      {"archive in the comment",
       BuildZip({Stored("outer.txt", "outer")},
                {.comment = std::string(inner.begin(), inner.end())}),
       kZipOk,
       {"outer.txt"}},
      {"bytes in front",
       Bytes(1000, 'J') + two,
       kZipOk,
       {"one", "two"},
       {at[0] + 1000, at[1] + 1000}},
  };
  for (const auto& c : cases) {
    WriteFileBytes(dir / "a.zip", c.bytes);
    const Walked w = Walk(dir / "a.zip");
    EXPECT_EQ(w.first, c.first) << c.what;
    EXPECT_EQ(w.names, c.names) << c.what;
    EXPECT_EQ(w.last, c.names.empty() ? c.first : kZipEnd) << c.what;
    if (!c.offsets.empty()) {
      EXPECT_EQ(w.offsets, c.offsets) << c.what;
    }
  }
  EXPECT_EQ(Walk(dir / "missing.zip").first, kZipFailed);
}

TEST(ZipRead, DeliversEveryFieldOfEachEntry) {
  TempDir dir;
  ZipEntryPlan a = Stored("dir/sub/a.txt", "alpha");
  a.dosTime = 0x12345678;
  a.externalAttr = 0x21;  // archive + read-only
  ZipEntryPlan b = Stored("b.bin", std::string(3000, 'b'));
  b.host = 3;  // Unix: attributes are not DOS attributes
  b.externalAttr = 0x81A40021;
  b.flags = 0x0800;
  std::vector<uint32_t> offsets;
  WriteFileBytes(dir / "f.zip", BuildZip({a, b}, {}, &offsets));
  TZipSearchRec rec{};
  ASSERT_EQ(ZipFindFirst((dir / "f.zip").c_str(), rec), kZipOk);
  EXPECT_STREQ(rec.EntryName, Sep("dir/sub/a.txt").c_str());
  EXPECT_EQ(rec.FileTime, 0x12345678u);
  EXPECT_EQ(rec.UnpackedSize, 5u);
  EXPECT_EQ(rec.PackedSize, 5u);
  EXPECT_EQ(rec.EntryCrc, ReferenceCrc32(ToBytes("alpha")));
  EXPECT_EQ(rec.LocalHeaderPos, offsets[0]);
  EXPECT_EQ(rec.DosAttr, 0x21);
  EXPECT_EQ(rec.MethodCode, 0);
  ASSERT_EQ(ZipFindNext(rec), kZipOk);
  EXPECT_STREQ(rec.EntryName, "b.bin");
  EXPECT_EQ(rec.DosAttr, 0) << "attributes of a non-DOS host are not DOS bits";
  EXPECT_EQ(rec.GpFlags, 0x0800);
  EXPECT_EQ(rec.LocalHeaderPos, offsets[1]);
  EXPECT_EQ(ZipFindNext(rec), kZipEnd);
}

// Large mode past 64,000 bytes of directory; headers as large as the format
// allows; 65,537 entries counted as 1 in the end record.
TEST(ZipRead, LargeDirectoriesAreWalkedInPieces) {
  TempDir dir;
  std::vector<ZipEntryPlan> entries;
  for (int i = 0; i < 2000; ++i) {
    entries.push_back(Stored("entry-" + std::to_string(i) + std::string(60, 'p'), "x"));
    entries.back().comment.assign(static_cast<size_t>(i % 7), 'c');
  }
  entries[500].comment.assign(65535, 'c'), entries[501].extra.assign(65535, 0),
      entries[502].name.assign(65535, 'n');
  for (size_t count : {2000, 65537}) {
    entries.resize(count, Stored("e", ""));
    std::vector<uint32_t> offsets;
    WriteFileBytes(dir / "a.zip", BuildZip(entries, {}, &offsets));
    TZipSearchRec rec{};
    ASSERT_EQ(ZipFindFirst((dir / "a.zip").c_str(), rec), kZipOk);
    EXPECT_EQ(rec.WindowSize, 64000) << "large mode";
    ZipFindClose(rec);
    const Walked w = Walk(dir / "a.zip");
    ASSERT_EQ(w.names.size(), count);
    EXPECT_EQ(w.last, kZipEnd);
    EXPECT_EQ(w.offsets, offsets);
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(w.names[i], entries[i].name.substr(0, 259)) << i;
    }
  }
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
  WriteFileBytes(dir / "p.zip", Bytes(1000, 'J') + zip);
  EXPECT_FALSE(IsZipArchive((dir / "p.zip").c_str())) << "neither an archive nor an executable";
  // An MZ image of 3 pages with 100 bytes in the last: (3-1)*512+100 = 1124.
  const struct {
    uint8_t last, pages;
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
    Bytes b = {'M', 'Z', i.last, 0, i.pages, 0};
    b.resize(i.at, 0);
    WriteFileBytes(dir / "sfx.exe", b + zip);
    EXPECT_EQ(IsZipArchive((dir / "sfx.exe").c_str()), i.isArchive) << i.why;
  }
}
