// Damaged and hostile archives, small and built by hand: what extract-all
// reports, and that a failed entry leaves the file it would replace as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/files.h"
#include "support/samples.h"
#include "unzip/extract.h"

#if !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#endif

using namespace qtest;
namespace fs = std::filesystem;

namespace {

// Deflate data as one stored block (the decoder's framing, no compression),
// changed as the test needs.
ZipEntryPlan Deflated(const Bytes& data, void (*change)(ZipEntryPlan&) = nullptr) {
  const auto n = static_cast<uint16_t>(data.size());
  ZipEntryPlan e{.name = "s", .data = data, .method = 8, .packed = data};
  e.packed.insert(e.packed.begin(),
                  {0x01, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
  if (change) change(e);
  return e;
}

// Shrunk data of literals only: a 9-bit code per byte.
Bytes ShrinkLiterals(const Bytes& data) {
  Bytes out((data.size() * 9 + 7) / 8, 0);
  for (size_t bit = 0; bit < data.size() * 9; ++bit) {
    out[bit / 8] |= static_cast<uint8_t>(((data[bit / 9] >> (bit % 9)) & 1u) << (bit % 8));
  }
  return out;
}

}  // namespace

// Each row: the entries, the results extract-all gives them (none: the run
// stops before any entry) and what "s" holds afterwards ("OLD" before). The
// archive lies in the destination folder.
TEST(Hostile, ArchivesFailWithoutLosingWhatWasThere) {
  // 2,038 bytes: 2,043 deflated, where the descriptor behind them once came
  // from stale bytes of the input buffer.
  const Bytes hundred = Text(100), text = Text(2038, 7);
  const std::string plain(text.begin(), text.end());
  const auto bad = Changed(Stored("s", "NEW"), [](ZipEntryPlan& e) { e.overrideCrc = true; });
  const ZipEntryPlan shrunk = Changed(Stored("s", plain), [&](ZipEntryPlan& e) {
    e.method = 1, e.packed = ShrinkLiterals(text), e.flags = 8, e.zeroSizesInLocal = true;
  });
  const struct {
    std::vector<ZipEntryPlan> entries;
    std::vector<TUnzipResult> results;
    std::string after;
    ZipLayout layout = {};
  } cases[] = {
      {{Stored("s", "NEW")}, {urOk}, "NEW"},
      {{bad}, {urCrcError}, "OLD"},
      {{Stored("s", "NEW"), bad}, {urOk, urCrcError}, "NEW"},
      {{Deflated(hundred, [](ZipEntryPlan& e) { e.packed.resize(60); })}, {urCrcError}, "OLD"},
      {{Deflated(hundred, [](ZipEntryPlan& e) { e.localMethod = 0, e.overrideLocalSizes = true; })},
       {urArchiveError},
       "OLD"},
      {{Changed(Stored("s", "NEW"), [](ZipEntryPlan& e) { e.zeroLocalHeader = true; })},
       {urArchiveError},
       "OLD"},
      {{Deflated(hundred, [](ZipEntryPlan& e) { e.unpackedSize = 10; })}, {urArchiveError}, "OLD"},
      {{Deflated(hundred, [](ZipEntryPlan& e) { e.unpackedSize = 200; })}, {urArchiveError}, "OLD"},
      {{Stored("s", "NEW"),
        Changed(Stored("t", "NEW"), [](ZipEntryPlan& e) { e.centralOffset = 0; })},
       {urArchiveError, urArchiveError},
       "OLD"},
      {{shrunk}, {urOk}, plain},
      {{Deflated(text, [](ZipEntryPlan& e) { e.flags = 8; })}, {urOk}, plain},
      {{Stored("a", "1"), Changed(bad, [](ZipEntryPlan& e) { e.badCentralSignature = true; })},
       {},
       "OLD"},
      {{Stored("s", "NEW")}, {}, "OLD", {.entryCount = 2}},
      {{Stored("a.zip", "the archive itself"), Stored("s", "NEW")}, {urWriteError, urOk}, "NEW"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFileBytes(dir / "a.zip", BuildZip(c.entries, c.layout));
    WriteFileBytes(dir / "s", ToBytes("OLD"));
    const ExtractOutcome out = ExtractAllFiles(dir / "a.zip", dir.Path());
    std::vector<TUnzipResult> results;
    for (const EntryOutcome& e : out.entries) results.push_back(e.result);
    EXPECT_EQ(results, c.results) << "row " << &c - cases;
    EXPECT_EQ(ReadFileBytes(dir / "s"), ToBytes(c.after)) << "row " << &c - cases;
    EXPECT_EQ(out.status == ExtractStatus::kDamaged, c.results.empty()) << "row " << &c - cases;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 2) << "no temporary left";
  }
}

#if !defined(_WIN32)
// Writes the system refuses (a file-size limit): each entry fails on its own,
// and is reported only once its file is gone, the file it would replace back
// as it was; the entries behind it are written as usual.
TEST(Hostile, WriteFailureKeepsTheOldFile) {
  TempDir dir;
  const std::string big(300000, 'w');
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("s", big), Stored("n", big), Stored("t", "T")}));
  WriteFileBytes(dir / "s", ToBytes("OLD"));
  // At each entry's report: whether a failed entry's file is still there
  // (a temporary beside "s", or "n" from its report on).
  struct Seen {
    fs::path folder;
    std::vector<bool> leftover;
  } seen{dir.Path(), {}};
  OnExtractProgress = {[](void* object, bool start, bool finish, int32_t, int32_t position) {
                         auto* s = static_cast<Seen*>(object);
                         if (start || finish) return;
                         bool left = position >= 1 && fs::exists(s->folder / "n");
                         for (const auto& f : fs::directory_iterator(s->folder)) {
                           left |= f.path().filename().string().rfind("~qz", 0) == 0;
                         }
                         s->leftover.push_back(left);
                       },
                       &seen};
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small{65536, saved.rlim_max};
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const ExtractOutcome out = ExtractAllFiles(dir / "a.zip", dir.Path());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  OnExtractProgress = {};
  std::vector<TUnzipResult> results;
  for (const EntryOutcome& e : out.entries) results.push_back(e.result);
  EXPECT_EQ(results, (std::vector<TUnzipResult>{urWriteError, urWriteError, urOk}));
  EXPECT_EQ(seen.leftover, (std::vector<bool>{false, false, false}));
  EXPECT_FALSE(fs::exists(dir / "n"));
  EXPECT_EQ(ReadFileBytes(dir / "s"), ToBytes("OLD"));
  EXPECT_EQ(ReadFileBytes(dir / "t"), ToBytes("T"));
}
#endif
