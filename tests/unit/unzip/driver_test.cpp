// UnzipEntry: the result table, descriptors, folders, time, attributes,
// progress messages, abort paths, the busy guard and long names.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "engine_hooks.h"
#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "support/zip_writer.h"
#include "unzip/unzip.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

class Driver : public ::testing::Test {
 protected:
  TempDir dir;
  FakeEngineUi ui;
  std::vector<uint32_t> offsets;

  // Writes the archive and returns its path.
  std::string Archive(const std::vector<ZipEntryPlan>& entries, const ZipLayout& layout = {}) {
    offsets.clear();
    const std::string path = dir / "test.zip";
    WriteFileBytes(path, BuildZip(entries, layout, &offsets));
    return path;
  }
  TUnzipResult Extract(const std::string& archive, size_t index, const std::string& out,
                       uint16_t attr = 0, uintptr_t window = 0, int16_t id = 0) {
    return UnzipEntry(archive.c_str(), out.c_str(), attr, offsets.at(index), window, id);
  }
  std::string Out(const std::string& rel) { return dir / Sep(rel); }
};

}  // namespace

TEST_F(Driver, RefusedEntriesLeaveNothingBehind) {
  std::vector<ZipEntryPlan> entries;
  for (uint16_t method : {7, 9, 12, 98}) {
    ZipEntryPlan e = Stored("m", "data");
    e.method = method;
    e.packed = ToBytes("whatever");
    entries.push_back(e);
  }
  ZipEntryPlan enc = Stored("e", "secret");
  enc.flags = 1;
  entries.push_back(enc);
  const std::string a = Archive(entries);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Extract(a, i, Out("new/folder/m.out")), urNotSupported) << "entry " << i;
  }
  EXPECT_EQ(Extract(a, 4, Out("new/folder/e.out")), urEncrypted);
  EXPECT_FALSE(fs::exists(Out("new"))) << "no file and no folder for a refused entry";
  EXPECT_TRUE(ui.percents.empty());
}

TEST_F(Driver, BadHeadersAndFilesAreReportedAsSuch) {
  const std::string a = Archive({Stored("a", "alpha")});
  EXPECT_EQ(UnzipEntry((dir / "missing.zip").c_str(), Out("o").c_str(), 0, 0, 0, 0), urReadError);
  const uint32_t size = static_cast<uint32_t>(fs::file_size(a));
  // The end record's "PK\5\6", the central header's "PK\1\2", the middle of
  // the data, and beyond the end of the file.
  EXPECT_EQ(UnzipEntry(a.c_str(), Out("o").c_str(), 0, size - 22, 0, 0), urArchiveError);
  EXPECT_EQ(UnzipEntry(a.c_str(), Out("o").c_str(), 0, 30 + 1 + 5, 0, 0), urArchiveError);
  EXPECT_EQ(UnzipEntry(a.c_str(), Out("o").c_str(), 0, 31, 0, 0), urArchiveError);
  EXPECT_EQ(UnzipEntry(a.c_str(), Out("o").c_str(), 0, size + 100, 0, 0), urArchiveError);
  EXPECT_FALSE(fs::exists(Out("o")));
}

TEST_F(Driver, CrcMismatchKeepsTheOldFileAndItsAttributes) {
  ZipEntryPlan e = Stored("c", "content");
  e.overrideCrc = true;
  e.crc = 0x12345678;
  const std::string a = Archive({e});
  WriteFileBytes(Out("c.txt"), ToBytes("old"));
  EXPECT_EQ(Extract(a, 0, Out("c.txt"), 0x01, 1, 7), urCrcError);
  EXPECT_EQ(ReadFileBytes(Out("c.txt")), ToBytes("old"));
  EXPECT_EQ(ui.percents, (std::vector<int>{0, 100})) << "start and copy progress, no end message";
}

// Behind stored data a descriptor carries the CRC, with or without its
// signature; with zeros in the local header the sizes come from the
// directory, and without them the entry cannot succeed.
TEST_F(Driver, StoredEntriesWithDescriptors) {
  ZipEntryPlan signedDd = Stored("s", "signed descriptor");
  signedDd.flags = 8;
  ZipEntryPlan bareDd = Stored("b", "bare descriptor");
  bareDd.flags = 8;
  bareDd.descriptorSignature = false;
  ZipEntryPlan wrongDd = Stored("w", "wrong descriptor");
  wrongDd.flags = 8;
  wrongDd.overrideDescriptorCrc = true;
  wrongDd.descriptorCrc = 0xDEADBEEF;
  ZipEntryPlan streamed = Stored("z", "streamed stored data");
  streamed.flags = 8;
  streamed.zeroSizesInLocal = true;
  const std::string a = Archive({signedDd, bareDd, wrongDd, streamed, Stored("next", "n")});
  EXPECT_EQ(Extract(a, 0, Out("s")), urOk);
  EXPECT_EQ(ReadFileBytes(Out("s")), ToBytes("signed descriptor"));
  EXPECT_EQ(Extract(a, 1, Out("b")), urOk);
  EXPECT_EQ(Extract(a, 2, Out("w")), urCrcError) << "the descriptor's CRC is the one compared";
  EXPECT_EQ(Extract(a, 3, Out("z1")), urCrcError);
  EXPECT_FALSE(fs::exists(Out("z1")));
  const TCentralEntry central{20, 20, ReferenceCrc32(streamed.data), 0, 8};
  EXPECT_EQ(UnzipEntry(a.c_str(), Out("z2").c_str(), 0, offsets[3], 0, 0, &central), urOk);
  EXPECT_EQ(ReadFileBytes(Out("z2")), ToBytes("streamed stored data"));
}

TEST_F(Driver, MissingFoldersAreMadeAndFolderEntriesMakeFoldersOnly) {
  const std::string a = Archive({Stored("d/", ""), Stored("plain", ""), Stored("f", "deep")});
  ASSERT_EQ(Extract(a, 2, Out("one/two/three/f.txt")), urOk);
  EXPECT_EQ(ReadFileBytes(Out("one/two/three/f.txt")), ToBytes("deep"));
  EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(Out("one/two/three")))
      << "the current folder ends in the deepest";
  EXPECT_EQ(Extract(a, 0, Out("made/by/name/"), 0, 1, 1), urOk);
  EXPECT_TRUE(fs::is_directory(Out("made/by/name")));
  EXPECT_EQ(Extract(a, 1, Out("made/by/attr"), 0x10, 1, 1), urOk);
  EXPECT_TRUE(fs::is_directory(Out("made/by/attr")));
  EXPECT_TRUE(ui.percents.empty()) << "no progress messages for a folder entry";
}

// The stamp is local time; one that is not a real date or time (Feb 29 of
// a common year, hour 24, 60 seconds, month 0) keeps the time of writing.
TEST_F(Driver, LastWriteTimeComesFromAValidDosStamp) {
  const auto stamp = [](uint32_t y, uint32_t mo, uint32_t d, uint32_t h, uint32_t mi, uint32_t s2) {
    return ((y - 1980) << 25 | mo << 21 | d << 16) | (h << 11 | mi << 5 | s2);
  };
  const uint32_t invalid[] = {stamp(2023, 2, 29, 0, 0, 0), stamp(2023, 1, 1, 24, 0, 0),
                              stamp(2023, 1, 1, 0, 0, 30), 0};
  std::vector<ZipEntryPlan> entries = {Stored("g", "x")};
  entries[0].dosTime = stamp(2024, 2, 29, 23, 59, 29);
  for (uint32_t t : invalid) entries.push_back(Stored("b", "y")), entries.back().dosTime = t;
  const std::string a = Archive(entries);
  const auto written = [&](const std::string& name) {
    return std::chrono::time_point_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(fs::last_write_time(Out(name))));
  };
  ASSERT_EQ(Extract(a, 0, Out("g")), urOk);
  std::tm tm{};
  tm.tm_year = 124, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  tm.tm_isdst = -1;
  EXPECT_EQ(written("g"), std::chrono::system_clock::from_time_t(std::mktime(&tm)));
  for (size_t i = 1; i < entries.size(); ++i) {
    ASSERT_EQ(Extract(a, i, Out("b")), urOk);
    EXPECT_LT(std::chrono::abs(std::chrono::system_clock::now() - written("b")),
              std::chrono::minutes(5))
        << "stamp " << std::hex << entries[i].dosTime;
  }
}

TEST_F(Driver, AttributesAreGivenOnlyOnSuccess) {
  const std::string a = Archive({Stored("r", "read only")});
  ASSERT_EQ(Extract(a, 0, Out("r.txt"), 0x01), urOk);
  EXPECT_EQ(fs::status(Out("r.txt")).permissions() & fs::perms::owner_write, fs::perms::none);
  ASSERT_EQ(Extract(a, 0, Out("w.txt"), 0x00), urOk);
  EXPECT_NE(fs::status(Out("w.txt")).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(Driver, StoredEntriesOfEverySizeAreCopiedWithTheirProgress) {
  const std::string text(100000, 'q');
  const std::string a =
      Archive({Stored("e", ""), Stored("w", std::string(32768, 'w')), Stored("y", text)});
  ASSERT_EQ(Extract(a, 0, Out("e"), 0, 1, 3), urOk);
  EXPECT_EQ(fs::file_size(Out("e")), 0u);
  EXPECT_EQ(ui.percents, (std::vector<int>{0, 100}));
  EXPECT_EQ(ui.notifyIds, (std::vector<int16_t>{3, 3}));
  ui.pumps = 0;
  ASSERT_EQ(Extract(a, 1, Out("w")), urOk);
  EXPECT_EQ(ui.pumps, 2) << "one pump before decoding, one per 32 KB block";
  EXPECT_EQ(fs::file_size(Out("w")), 32768u);
  ASSERT_EQ(Extract(a, 2, Out("y.txt")), urOk);
  EXPECT_EQ(ReadFileBytes(Out("y.txt")), ToBytes(text));
}

TEST_F(Driver, StoredDataEndingEarlyIsAReadError) {
  Bytes z = BuildZip({Stored("t", std::string(5000, 't'))});
  z.resize(30 + 1 + 1000);  // local header, name, then only 1,000 of 5,000 bytes
  WriteFileBytes(dir / "cut.zip", z);
  EXPECT_EQ(UnzipEntry((dir / "cut.zip").c_str(), Out("t").c_str(), 0, 0, 0, 0), urReadError);
  EXPECT_FALSE(fs::exists(Out("t")));
}

TEST_F(Driver, ReceiverAbortsDuringCopyOrAtTheEnd) {
  const std::string a = Archive({Stored("big", std::string(200000, 'b'))});
  ui.onNotify = [](int16_t* p) {
    if (*p > 0 && *p < 100) *p = static_cast<int16_t>(0xFFFF);
  };
  EXPECT_EQ(Extract(a, 0, Out("big1"), 0, 1, 1), urUserAbort);
  EXPECT_FALSE(fs::exists(Out("big1")));
  ui.onNotify = [](int16_t* p) {
    if (*p == 100) *p = static_cast<int16_t>(0xFFFF);
  };
  EXPECT_EQ(Extract(a, 0, Out("big2"), 0x01, 1, 1), urUserAbort);
  EXPECT_FALSE(fs::exists(Out("big2"))) << "abort in answer to the end message erases the output";
  ui.onNotify = nullptr;
  EXPECT_EQ(Extract(a, 0, Out("big3"), 0, 1, 1), urOk);
}

TEST_F(Driver, HeldAbortKeyStopsTheCopy) {
  const std::string a = Archive({Stored("big", std::string(200000, 'k'))});
  ui.keyHeld = true;
  EXPECT_EQ(Extract(a, 0, Out("k1"), 0, 0, 0x1B), urUserAbort);
  EXPECT_FALSE(fs::exists(Out("k1")));
  ui.keyHeld = false;
  ui.keyQueries = 0;
  EXPECT_EQ(Extract(a, 0, Out("k2"), 0, 0, 0x1B), urOk);
  EXPECT_GT(ui.keyQueries, 0);
  ui.keyQueries = 0;
  ui.keyHeld = true;
  EXPECT_EQ(Extract(a, 0, Out("k3"), 0, 0, 0), urOk) << "no key code: no abort key";
  EXPECT_EQ(ui.keyQueries, 0);
}

TEST_F(Driver, NestedCallIsRefusedUnlessThePumpStoodStillFor30Seconds) {
  const std::string a = Archive({Stored("n", std::string(100000, 'n')), Stored("m", "inner")});
  std::vector<TUnzipResult> nested;
  uint32_t advance = 0;
  bool inside = false;  // the nested extraction pumps too
  ui.onPump = [&] {
    if (inside || nested.size() >= 2) return;
    inside = true;
    ui.now += advance;
    nested.push_back(Extract(a, 1, Out("inner.txt")));
    inside = false;
  };
  advance = 30000;  // exactly 30 s since the last pump: still busy
  ASSERT_EQ(Extract(a, 0, Out("outer1.txt")), urOk);
  EXPECT_EQ(nested, (std::vector<TUnzipResult>{urBusy, urBusy}));
  EXPECT_FALSE(fs::exists(Out("inner.txt")));

  nested.clear();
  advance = 30001;
  ASSERT_EQ(Extract(a, 0, Out("outer2.txt")), urOk) << "the stalled extraction resumes intact";
  EXPECT_EQ(ReadFileBytes(Out("outer2.txt")), ToBytes(std::string(100000, 'n')));
  ASSERT_FALSE(nested.empty());
  EXPECT_EQ(nested[0], urOk);
  EXPECT_EQ(ReadFileBytes(Out("inner.txt")), ToBytes("inner"));
}

TEST_F(Driver, NamesTooLongForThePathBufferAreRefusedBeforeAnythingIsMade) {
  const std::string a = Archive({Stored("l", "long")});
  std::string name = dir.Path();
  name += std::string(40, 'd') + platform::kPathSeparator;
  while (name.size() <= platform::kMaxPathBytes) name += 'f';
  EXPECT_EQ(Extract(a, 0, name), urWriteError);
  EXPECT_FALSE(fs::exists(dir / std::string(40, 'd')));
  // Far past the old 259 characters, in nested folders, still fits.
  const std::string part = std::string(200, 'g') + platform::kPathSeparator;
  EXPECT_EQ(Extract(a, 0, dir.Path() + part + part + part + "file"), urOk);
}
