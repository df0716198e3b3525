// Damaged and hostile archives, each small and built by hand: what
// extract-all reports, and that a failed entry leaves the file it would have
// replaced as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/encoders.h"
#include "support/files.h"
#include "support/samples.h"
#include "support/zip_writer.h"
#include "unzip/extract.h"
#include "unzip/zipread.h"

#if !defined(_WIN32)
#include <sys/mount.h>
#include <sys/resource.h>
#include <csignal>
#endif

using namespace qtest;
namespace fs = std::filesystem;

namespace {

// Deflate data as one stored block (the decoder's framing, no compression).
ZipEntryPlan Deflated(const std::string& name, const Bytes& data) {
  ZipEntryPlan e;
  e.name = name, e.data = data, e.method = 8;
  const auto n = static_cast<uint16_t>(data.size());
  e.packed = {0x01, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)};
  e.packed.insert(e.packed.end(), data.begin(), data.end());
  return e;
}

template <typename F>
ZipEntryPlan With(ZipEntryPlan e, F change) {
  change(e);
  return e;
}

ZipEntryPlan Streamed(ZipEntryPlan e, uint16_t flags = 0) {
  e.flags = static_cast<uint16_t>(e.flags | flags | 8);
  e.zeroSizesInLocal = true;
  return e;
}

const Bytes kHundred = Text(100);
const Bytes kStreamedData = Text(3000, 7);

struct Case {
  const char* what;
  std::vector<ZipEntryPlan> entries;
  std::vector<TUnzipResult> results;  // none: the run stops before any entry
  std::string after;                  // "s" afterwards ("OLD" before each run)
  ZipLayout layout = {};
};

}  // namespace

TEST(Hostile, ArchivesFailWithoutLosingWhatWasThere) {
  const std::string text(kStreamedData.begin(), kStreamedData.end());
  const auto badCrc = With(Stored("s", "NEW"), [](auto& e) { e.overrideCrc = true, e.crc = 1; });
  const auto atZero = [](auto& e) { e.centralOffset = 0; };
  const Case cases[] = {
      {"good", {Stored("s", "NEW")}, {urOk}, "NEW"},
      {"CRC", {badCrc}, {urCrcError}, "OLD"},
      {"good duplicate, then a bad one", {Stored("s", "NEW"), badCrc}, {urOk, urCrcError}, "NEW"},
      {"data cut short: the decoder reads on into the directory", {With(Deflated("s", kHundred), [](auto& e) { e.packed.resize(60); })},
       {urCrcError}, "OLD"},
      {"local header says stored, 7 bytes",
       {With(Deflated("s", kHundred),
             [](auto& e) { e.localMethod = 0, e.overrideLocalSizes = true, e.localPacked = e.localUnpacked = 7; })},
       {urArchiveError}, "OLD"},
      {"local header zeroed", {With(Stored("s", "NEW"), [](auto& e) { e.zeroLocalHeader = true; })},
       {urArchiveError}, "OLD"},
      {"more data than declared", {With(Deflated("s", kHundred), [](auto& e) { e.unpackedSize = 10; })},
       {urArchiveError}, "OLD"},
      {"less data than declared", {With(Deflated("s", kHundred), [](auto& e) { e.unpackedSize = 200; })},
       {urArchiveError}, "OLD"},
      {"two entries, one local header", {Stored("s", "NEW"), With(Stored("t", "NEW"), atZero)},
       {urArchiveError, urArchiveError}, "OLD"},
      {"shrunk, streamed", {Streamed(With(Stored("s", text), [](auto& e) { e.method = 1, e.packed = Shrink(e.data); }))},
       {urOk}, text},
      {"reduced, streamed", {Streamed(With(Stored("s", text), [](auto& e) { e.method = 5, e.packed = Reduce(e.data); }))},
       {urOk}, text},
      {"imploded, streamed",
       {Streamed(With(Stored("s", text), [](auto& e) { e.method = 6, e.packed = Implode(e.data); }),
                 ImplodeFlags({}))},
       {urOk}, text},
      {"damaged central header",
       {Stored("a", "1"), With(Stored("s", "NEW"), [](auto& e) { e.badCentralSignature = true; }), Stored("c", "3")},
       {}, "OLD"},
      {"fewer entries than counted", {Stored("s", "NEW")}, {}, "OLD", {.entryCount = 2}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFileBytes(dir / "a.zip", BuildZip(c.entries, c.layout));
    fs::create_directory(dir / "d");
    WriteFileBytes(dir / Sep("d/s"), ToBytes("OLD"));
    const ExtractOutcome out = ExtractAllFiles(dir / "a.zip", dir / Sep("d/"));
    std::vector<TUnzipResult> results;
    for (const EntryOutcome& e : out.entries) results.push_back(e.result);
    EXPECT_EQ(results, c.results) << c.what;
    EXPECT_EQ(out.status, c.results.empty() ? ExtractStatus::kDamaged
                          : out.FailedCount() ? ExtractStatus::kEntriesFailed : ExtractStatus::kOk) << c.what;
    const Bytes s = ReadFileBytes(dir / Sep("d/s"));
    EXPECT_EQ(std::string(s.begin(), s.end()), c.after) << c.what;
    for (const auto& f : fs::directory_iterator(dir / "d")) EXPECT_NE(f.path().extension(), ".tmp") << c.what;
  }
}

// The descriptor behind deflated data with the sizes also in the local
// header is read whole whatever the data's length modulo the input buffer.
TEST(Hostile, DescriptorIsReadWhereverTheDataEnds) {
  TempDir dir;
  for (size_t packed = 2041; packed <= 2045; ++packed) {
    WriteFileBytes(dir / "a.zip", BuildZip({With(Deflated("d", Text(packed - 5)), [](auto& e) { e.flags = 8; })}));
    EXPECT_EQ(UnzipEntry((dir / "a.zip").c_str(), (dir / "d").c_str(), 0, 0, 0, 0), urOk) << packed;
  }
}

TEST(Hostile, EntryNamedLikeTheArchiveLeavesItIntact) {
  TempDir dir;
  const Bytes zip = BuildZip({Stored("self.zip", "gone"), Stored("next", "n")});
  WriteFileBytes(dir / "self.zip", zip);
  const ExtractOutcome out = ExtractAllFiles(dir / "self.zip", dir.Path());
  ASSERT_EQ(out.entries.size(), 2u);
  EXPECT_EQ(out.entries[0].result, urWriteError);
  EXPECT_EQ(out.entries[1].result, urOk);
  EXPECT_EQ(ReadFileBytes(dir / "self.zip"), zip);
}

// Headers as large as the format allows, and 65,537 entries counted as 1.
TEST(Hostile, DirectoryWalkReadsEveryHeaderTheFormatAllows) {
  TempDir dir;
  std::vector<ZipEntryPlan> entries(2000, Stored("f", "x"));
  entries[500].comment.assign(65535, 'c');
  entries[501].extra.assign(65535, 0);
  entries[502].name.assign(65535, 'n');
  WriteFileBytes(dir / "big.zip", BuildZip(entries));
  TZipContens contents;
  EXPECT_EQ(ReadZipContents(dir / "big.zip", contents), kZipEnd);
  EXPECT_EQ(contents.size(), 2000u);
  EXPECT_EQ(contents[502].FileName, std::string(259, 'n'));
  entries.assign(65537, Stored("e", ""));
  WriteFileBytes(dir / "many.zip", BuildZip(entries));
  contents.clear();
  EXPECT_EQ(ReadZipContents(dir / "many.zip", contents), kZipEnd);
  EXPECT_EQ(contents.size(), 65537u);
}

#if !defined(_WIN32)
// A file system that fills up, and a write the system refuses (a file-size
// limit): the entry fails, the file it would replace stays.
TEST(Hostile, WriteFailuresKeepTheOldFile) {
  TempDir dir;
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("s", std::string(300000, 'w'))}));
  const auto run = [&](const std::string& dest) {
    WriteFileBytes(dest + "s", ToBytes("OLD"));
    const ExtractOutcome out = ExtractAllFiles(dir / "a.zip", dest);
    EXPECT_EQ(out.entries.at(0).result, urWriteError) << dest;
    EXPECT_EQ(ReadFileBytes(dest + "s"), ToBytes("OLD")) << dest;
  };
  fs::create_directory(dir / "full");
  if (mount("tmpfs", (dir / "full").c_str(), "tmpfs", 0, "size=128k") == 0) {
    run(dir / "full/");
    umount((dir / "full").c_str());
  } else {
    std::printf("[ SKIPPED  ] disk full: cannot mount a small tmpfs here (not root?)\n");
  }
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 65536;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  run(dir / "");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
}
#endif
