// Extract-all: progress protocol, folder entries, the outcome it reports,
// and names that would leave the destination folder.
#include "unzip/extract.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "support/zip_writer.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

using Call = std::tuple<bool, bool, int32_t, int32_t>;

// Records progress calls while alive; clears the event afterwards.
struct ProgressRecorder {
  std::vector<Call> calls;
  std::function<void(int32_t)> onStep;
  ProgressRecorder() {
    OnExtractProgress.Object = this;
    OnExtractProgress.Method = [](void* self, bool start, bool finish, int32_t total, int32_t pos) {
      auto* r = static_cast<ProgressRecorder*>(self);
      r->calls.emplace_back(start, finish, total, pos);
      if (!start && !finish && r->onStep) r->onStep(pos);
    };
  }
  ~ProgressRecorder() { OnExtractProgress = {}; }
};

std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    out.push_back(fs::relative(e.path(), root).generic_string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// A folder entry is made when it comes and counts as a step; every failed
// entry is tried, reported and listed with its result.
TEST(ExtractAll, ReportsEveryEntryAndListsTheFailedOnes) {
  TempDir dir;
  ZipEntryPlan bad = Stored("bad.txt", "bad");
  bad.overrideCrc = true;
  bad.crc = 1;
  ZipEntryPlan odd = Stored("odd.bin", "x");
  odd.method = 12;
  odd.packed = ToBytes("?");
  WriteFileBytes(dir / "m.zip", BuildZip({Stored("docs/", ""), Stored("docs/good.txt", "good"), bad,
                                          odd, Stored("empty/", "")}));
  ProgressRecorder rec;
  bool folderSeenAtFirstStep = false;
  rec.onStep = [&](int32_t pos) {
    if (pos == 0) folderSeenAtFirstStep = fs::is_directory(dir / Sep("dest/docs"));
  };
  const ExtractOutcome out = ExtractAllFiles(dir / "m.zip", dir / Sep("dest/"));
  EXPECT_TRUE(folderSeenAtFirstStep);
  std::vector<Call> calls = {{true, false, 5, 0}};
  for (int32_t step = 0; step < 5; ++step) calls.emplace_back(false, false, 5, step);
  calls.emplace_back(false, true, 0, 0);
  EXPECT_EQ(rec.calls, calls);
  EXPECT_EQ(out.status, ExtractStatus::kEntriesFailed);
  EXPECT_FALSE(out.Ok());
  ASSERT_EQ(out.entries.size(), 5u);
  EXPECT_EQ(out.entries[1].result, urOk);
  EXPECT_EQ(out.entries[2].result, urCrcError);
  EXPECT_EQ(out.entries[3].result, urNotSupported);
  EXPECT_EQ(out.FailedCount(), 2u);
  EXPECT_NE(out.Describe().find("bad.txt (urCrcError)"), std::string::npos) << out.Describe();
  EXPECT_EQ(Tree(dir / "dest"), (std::vector<std::string>{"docs", "docs/good.txt", "empty"}));
  // Whole paths past 260 characters, in folders the archive does not list.
  const std::string deep = std::string(150, 'a') + "/" + std::string(100, 'b') + "/c";
  WriteFileBytes(dir / "ok.zip", BuildZip({Stored(deep, "x")}));
  EXPECT_TRUE(ExtractAllFiles(dir / "ok.zip", dir / Sep("ok/")).Ok());
  EXPECT_EQ(ReadFileBytes(dir / Sep("ok/" + deep)), ToBytes("x"));
}

TEST(ExtractAll, UnreadableArchivesMakeNoCallsAndSayWhy) {
  TempDir dir;
  WriteFileBytes(dir / "text.txt", ToBytes("not an archive at all"));
  WriteFileBytes(dir / "empty.zip", BuildZip({}));
  ProgressRecorder rec;
  struct Case {
    std::string archive;
    ExtractStatus status;
  };
  for (const Case& c : {Case{dir / "missing.zip", ExtractStatus::kArchiveMissing},
                        Case{dir / "text.txt", ExtractStatus::kNotAnArchive},
                        Case{dir / "empty.zip", ExtractStatus::kNoEntries}}) {
    const ExtractOutcome out = ExtractAllFiles(c.archive, dir / Sep("dest/"));
    EXPECT_EQ(out.status, c.status) << c.archive;
    EXPECT_FALSE(out.Ok());
    EXPECT_NE(out.Describe(), "ok");
  }
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(Tree(dir / "dest").empty()) << "only the destination folder is made";
}

TEST(ExtractAll, NamesLeavingTheDestinationAreRefusedAndNothingLandsOutside) {
  TempDir dir;
  const std::vector<std::string> hostile = {"sub/../../escape.txt", "/abs.txt", "c:\\e.txt",
                                            "aux/inner.txt"};
  std::vector<ZipEntryPlan> entries;
  for (const std::string& name : hostile) entries.push_back(Stored(name, "x"));
  entries.push_back(Stored("ok.txt", "fine"));
  entries.push_back(Stored("dir.with.dots/COMMON.txt", "fine too"));
  WriteFileBytes(dir / "evil.zip", BuildZip(entries));
  ProgressRecorder rec;
  const ExtractOutcome out = ExtractAllFiles(dir / "evil.zip", dir / Sep("inside/dest/"));
  EXPECT_EQ(out.status, ExtractStatus::kEntriesFailed);
  ASSERT_EQ(out.entries.size(), entries.size());
  for (size_t i = 0; i < hostile.size(); ++i) {
    EXPECT_TRUE(out.entries[i].refused) << hostile[i];
    EXPECT_NE(out.entries[i].result, urOk) << hostile[i];
  }
  EXPECT_EQ(out.FailedCount(), hostile.size());
  EXPECT_EQ(rec.calls.size(), entries.size() + 2) << "refused entries still count as steps";
  EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{
                                  "evil.zip", "inside", "inside/dest", "inside/dest/dir.with.dots",
                                  "inside/dest/dir.with.dots/COMMON.txt", "inside/dest/ok.txt"}));
}

// The devices beyond CON, PRN, AUX, NUL, COM1-9 and LPT1-9 are refused too
// (superscript digits in UTF-8 and as Latin bytes).
TEST(SafeNames, RelativeNamesInsideTheFolderPassAndNoOtherDoes) {
  const char* const safe[] = {"a.txt",   "dir/file",     "dir\\file",   "a..b",
                              ".hidden", "./x",          "CONSOLE.txt", "com10",
                              "lpt",     "COM\xC2\xB9x", "CONIN"};
  const char* const unsafe[] = {
      "x/COM0",    "lpt0.txt", "CONIN$", "conout$.log", "COM\xC2\xB9", "LPT\xC2\xB2.txt",
      "com\xB3",   "LPT\xB9",  "../e",   "sub/../../e", "..\\e",       "/abs",
      "\\abs",     "C:e",      "c:\\e",  "s.txt:ads",   "CON",         "con.txt",
      "aux/inner", "LPT9.log", "nul.",   "COM1 .txt",   "...",         "a/.. /b",
      ""};
  for (const char* name : safe) EXPECT_TRUE(IsSafeEntryName(name)) << name;
  for (const char* name : unsafe) EXPECT_FALSE(IsSafeEntryName(name)) << name;
}
