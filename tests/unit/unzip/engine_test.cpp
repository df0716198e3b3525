// The engine's input buffering and progress arithmetic, on an engine state
// of the test's own (the figures the decoders rely on).
#include "unzip/engine.h"

#include <gtest/gtest.h>

#include "engine_hooks.h"
#include "support/files.h"
#include "unzip/crc32.h"

using namespace qtest;

namespace {

class EngineState : public ::testing::Test {
 protected:
  TempDir dir;
  FakeEngineUi ui;
  unzip::Engine e;

  void SetUp() override {
    e.Ui = GetEngineUi();
    e.NotifyWindow = 1;
  }
  void Open(size_t bytes) {
    Bytes data(bytes);
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
    WriteFileBytes(dir / "in.bin", data);
    ASSERT_EQ(e.ArchiveFile.OpenRead((dir / "in.bin").c_str()), 0);
  }
};

}  // namespace

TEST_F(EngineState, PercentIsCappedAt100AndFloatingPathTruncates) {
  e.CompressedSize = 1000;
  e.BytesRead = 2048;  // a whole 2 KB read for a 1,000-byte entry
  e.UpdateProgress();
  EXPECT_EQ(e.LastPercent, 100);
  EXPECT_EQ(ui.percents, std::vector<int>{100});

  e.CompressedSize = 3000000;
  e.BytesRead = 1999999;  // 66.67 %: truncated, not rounded
  e.UpdateProgress();
  EXPECT_EQ(e.LastPercent, 66);

  e.CompressedSize = 3000000000u;  // sizes past 2 GiB are unsigned
  e.BytesRead = 2970000000u;
  e.UpdateProgress();
  EXPECT_EQ(e.LastPercent, 99);
  const size_t messages = ui.percents.size();
  e.UpdateProgress();
  EXPECT_EQ(ui.percents.size(), messages) << "no message when the percentage is unchanged";

  e.CompressedSize = 0;
  e.BytesRead = 5;
  e.UpdateProgress();
  EXPECT_EQ(e.LastPercent, 99) << "a zero size computes nothing";
}

TEST_F(EngineState, ReceiverAnswerSetsAndClearsTheAbort) {
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

TEST_F(EngineState, InputIsReadUntilTwoBytesPastTheEntryThenDeliversWhatItHolds) {
  Open(3000);
  e.CompressedSize = 100;
  e.RefillInput();
  EXPECT_EQ(e.BytesRead, 2048u);
  EXPECT_EQ(e.InputLast, 2047);
  EXPECT_FALSE(e.InputExhausted);
  EXPECT_EQ(ui.pumps, 1);
  e.RefillInput();  // 2,048 > 100 + 2: no read
  EXPECT_TRUE(e.InputExhausted);
  EXPECT_EQ(e.BytesRead, 2048u);
  EXPECT_EQ(ui.pumps, 1) << "no pump when nothing is read";
  EXPECT_EQ(e.InputLast, 2047);
  for (int i = 0; i < 10000; ++i) e.NeedBits(16), e.DumpBits(16);  // never fails
}

TEST_F(EngineState, ShortAndFailedReadsCountAsWholeBlocks) {
  Open(100);
  e.CompressedSize = 100;
  e.RefillInput();
  EXPECT_EQ(e.BytesRead, 100u);
  EXPECT_EQ(e.InputLast, 99);
  EXPECT_FALSE(e.InputExhausted);
  e.RefillInput();  // 100 + 2 >= 100: reads again, finds nothing
  EXPECT_TRUE(e.InputExhausted);
  EXPECT_EQ(e.BytesRead, 2148u);
  EXPECT_EQ(e.InputLast, 2047);
}

TEST_F(EngineState, FlushFoldsEveryByteIntoTheCrcEvenWhenTheWriteFails) {
  uint8_t window[unzip::kWindowSize];
  for (size_t i = 0; i < sizeof(window); ++i) window[i] = static_cast<uint8_t>(i ^ (i >> 8));
  e.OutputWindow = window;
  e.RunningCrc = 0xFFFFFFFFu;
  EXPECT_FALSE(e.FlushWindow(1000)) << "no output file open";
  EXPECT_EQ(~e.RunningCrc, ReferenceCrc32(window, 1000));
  ASSERT_EQ(e.OutputFile.OpenWrite((dir / "out.bin").c_str()), 0);
  EXPECT_TRUE(e.FlushWindow(unzip::kWindowSize));
  e.OutputFile.Close();
  EXPECT_EQ(ReadFileBytes(dir / "out.bin").size(), unzip::kWindowSize);
  e.OutputWindow = nullptr;
}
