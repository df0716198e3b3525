// UnzipEntry and the engine state under it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "support/zip_writer.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

// The window system as the engine sees it, scripted by the test.
struct FakeEngineUi {
  int keyQueries = 0;
  std::vector<int> percents;
  bool keyHeld = false;
  uint32_t now = 1000;
  std::function<void(int16_t* percent)> onNotify;  // may store 0xFFFF
  std::function<void()> onPump;
  platform::EngineUi saved = GetEngineUi();
  static inline FakeEngineUi* current = nullptr;

  FakeEngineUi() {
    current = this;
    SetEngineUi({[](uintptr_t) {
                   if (current->onPump) current->onPump();
                 },
                 [](int) { return ++current->keyQueries, current->keyHeld; },
                 [](uintptr_t, int16_t, int16_t* percent) {
                   current->percents.push_back(*percent);
                   if (current->onNotify) current->onNotify(percent);
                 },
                 [] { return current->now; }});
  }
  ~FakeEngineUi() { SetEngineUi(saved), current = nullptr; }
};

class Driver : public ::testing::Test {
 protected:
  TempDir dir;
  FakeEngineUi ui;
  std::vector<uint32_t> offsets;

  std::string Archive(const std::vector<ZipEntryPlan>& entries, const ZipLayout& layout = {}) {
    offsets.clear();
    WriteFileBytes(dir / "test.zip", BuildZip(entries, layout, &offsets));
    return dir / "test.zip";
  }
  TUnzipResult Extract(const std::string& archive, size_t index, const std::string& out,
                       uint16_t attr = 0, uintptr_t window = 0, int16_t id = 0) {
    return UnzipEntry(archive.c_str(), out.c_str(), attr, offsets.at(index), window, id);
  }
  std::string Out(const std::string& rel) { return dir / Sep(rel); }
};

}  // namespace

// Entries refused or failing before any output: nothing is made, not even
// the folders of the output's name, and no progress message is sent.
TEST_F(Driver, EntriesThatCannotBeExtractedLeaveNothingBehind) {
  std::vector<ZipEntryPlan> entries;
  for (uint16_t method : {7, 98}) {
    entries.push_back(Changed(Stored("m", "data"), [&](ZipEntryPlan& e) {
      e.method = method, e.packed = ToBytes("whatever");
    }));
  }
  entries.push_back(Changed(Stored("e", "secret"), [](ZipEntryPlan& e) { e.flags = 1; }));
  entries.push_back(Stored("t", std::string(5000, 't')));
  const std::string a = Archive(entries);
  const uint32_t size = static_cast<uint32_t>(fs::file_size(a)), last = offsets[3];
  const struct {
    std::string archive;
    uint32_t offset;
    TUnzipResult result;
  } cases[] = {
      {a, offsets[0], urNotSupported},
      {a, offsets[1], urNotSupported},
      {a, offsets[2], urEncrypted},
      {dir / "missing.zip", 0, urReadError},
      // The end record's "PK\5\6", beyond the end of the file.
      {a, size - 22, urArchiveError},
      {a, size + 100, urArchiveError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnzipEntry(c.archive.c_str(), Out("new/folder/o").c_str(), 0, c.offset, 1, 1),
              c.result)
        << c.offset;
    EXPECT_FALSE(fs::exists(Out("new"))) << c.offset;
  }
  EXPECT_TRUE(ui.percents.empty());
  Bytes cut = ReadFileBytes(a);  // stored data ending early
  cut.resize(last + 30 + 1 + 1000);
  WriteFileBytes(dir / "cut.zip", cut);
  EXPECT_EQ(UnzipEntry((dir / "cut.zip").c_str(), Out("t").c_str(), 0, last, 0, 0), urReadError);
  EXPECT_FALSE(fs::exists(Out("t")));
}

// A failed entry keeps the old file and its attributes; a good one gets the
// attributes asked for.
TEST_F(Driver, AttributesAreGivenOnlyOnSuccess) {
  const std::string a =
      Archive({Stored("r", "read only"), Changed(Stored("c", "content"), [](ZipEntryPlan& e) {
                 e.overrideCrc = true, e.crc = 0x12345678;
               })});
  const auto writable = [&](const std::string& name) {
    return (fs::status(Out(name)).permissions() & fs::perms::owner_write) != fs::perms::none;
  };
  WriteFileBytes(Out("c.txt"), ToBytes("old"));
  EXPECT_EQ(Extract(a, 1, Out("c.txt"), 0x01, 1, 7), urCrcError);
  EXPECT_EQ(ReadFileBytes(Out("c.txt")), ToBytes("old"));
  EXPECT_TRUE(writable("c.txt"));
  EXPECT_EQ(ui.percents, (std::vector<int>{0, 100})) << "start and copy progress, no end message";
  ASSERT_EQ(Extract(a, 0, Out("r.txt"), 0x01), urOk);
  EXPECT_FALSE(writable("r.txt"));
  ASSERT_EQ(Extract(a, 0, Out("w.txt"), 0x00), urOk);
  EXPECT_TRUE(writable("w.txt"));
}

// Behind stored data a descriptor carries the CRC, with or without its
// signature; with zeros in the local header the sizes come from the
// directory, and without them the entry cannot succeed.
TEST_F(Driver, StoredEntriesWithDescriptors) {
  const auto dd = [](const char* text, const std::function<void(ZipEntryPlan&)>& change) {
    return Changed(Stored("d", text), [&](ZipEntryPlan& e) { e.flags = 8, change(e); });
  };
  const ZipEntryPlan streamed =
      dd("streamed stored data", [](ZipEntryPlan& e) { e.zeroSizesInLocal = true; });
  const std::string a = Archive(
      {dd("signed descriptor", [](ZipEntryPlan&) {}),
       dd("bare descriptor", [](ZipEntryPlan& e) { e.descriptorSignature = false; }),
       dd("wrong descriptor",
          [](ZipEntryPlan& e) { e.overrideDescriptorCrc = true, e.descriptorCrc = 0xDEADBEEF; }),
       streamed, Stored("next", "n")});
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

// The stamp is local time; one that is not a real date or time (Feb 29 of
// a common year, hour 24, 60 seconds, month 0) keeps the time of writing.
TEST_F(Driver, LastWriteTimeComesFromAValidDosStamp) {
  const auto stamp = [](uint32_t y, uint32_t mo, uint32_t d, uint32_t h, uint32_t mi, uint32_t s2) {
    return ((y - 1980) << 25 | mo << 21 | d << 16) | (h << 11 | mi << 5 | s2);
  };
  std::vector<ZipEntryPlan> entries;
  for (uint32_t t : {stamp(2024, 2, 29, 23, 59, 29), stamp(2023, 2, 29, 0, 0, 0),
                     stamp(2023, 1, 1, 24, 0, 0), stamp(2023, 1, 1, 0, 0, 30), 0u}) {
    entries.push_back(Changed(Stored("g", "x"), [t](ZipEntryPlan& e) { e.dosTime = t; }));
  }
  const std::string a = Archive(entries);
  std::tm tm{};
  tm.tm_year = 124, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  tm.tm_isdst = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_EQ(Extract(a, i, Out("g")), urOk);
    const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(Out("g")));
    if (i == 0) {
      EXPECT_EQ(std::chrono::time_point_cast<std::chrono::seconds>(written),
                std::chrono::system_clock::from_time_t(std::mktime(&tm)));
    } else {
      EXPECT_LT(std::chrono::abs(std::chrono::system_clock::now() - written),
                std::chrono::minutes(5))
          << "stamp " << std::hex << entries[i].dosTime;
    }
  }
}

// The receiver's answer (during the copy or to the end message) aborts; a
// held key only with a key code (the abort itself is the legacy streams').
TEST_F(Driver, ReceiverOrHeldKeyAborts) {
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
  ui.keyHeld = true;
  ui.keyQueries = 0;
  EXPECT_EQ(Extract(a, 0, Out("k3"), 0, 0, 0), urOk) << "no key code: no abort key";
  EXPECT_EQ(ui.keyQueries, 0);
  ui.keyHeld = false;
  EXPECT_EQ(Extract(a, 0, Out("k2"), 0, 0, 0x1B), urOk);
  EXPECT_GT(ui.keyQueries, 0);
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
}

// The engine's percentage on an engine state of the test's own: capped,
// truncated, unsigned past 2 GiB, sent only when it changes; and the
// receiver's abort answer.
TEST_F(Driver, EngineProgressArithmetic) {
  unzip::Engine e;
  e.Ui = GetEngineUi();
  e.NotifyWindow = 1;
  const struct {
    uint32_t size, read;
    int percent;
  } steps[] = {{1000, 2048, 100},
               {3000000, 1999999, 66},
               {3000000000u, 2970000000u, 99},
               {3000000000u, 2970000000u, 99},
               {0, 5, 99}};
  for (const auto& s : steps) {
    e.CompressedSize = s.size, e.BytesRead = s.read;
    e.UpdateProgress();
    EXPECT_EQ(e.LastPercent, s.percent) << s.read;
  }
  EXPECT_EQ(ui.percents, (std::vector<int>{100, 66, 99})) << "a message only for a change";
  e.CompressedSize = 100;
  ui.onNotify = [](int16_t* p) { *p = static_cast<int16_t>(0xFFFF); };
  e.BytesRead = 10;
  e.UpdateProgress();
  EXPECT_TRUE(e.AbortRequested);
  EXPECT_EQ(e.LastPercent, 10) << "the receiver writes a private copy";
  ui.onNotify = nullptr;
  e.BytesRead = 20;
  e.UpdateProgress();
  EXPECT_FALSE(e.AbortRequested) << "assigned by the latest answer, not accumulated";
}
