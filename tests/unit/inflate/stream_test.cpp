// Deflate streams fed straight to the decoder: one table row per malformed
// stream, and the valid edges encoders rarely produce, each written out bit
// by bit as hex; then a failing output, an abort, input that ends early and
// the bits left behind the last block. Ordinary valid streams are the zlib
// and libdeflate sweep's and the differential fuzzer's. No oracle library
// is needed, so these run under Wine too.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "support/samples.h"
#include "support/zip_writer.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

namespace {

using qtest::Bytes;
using qtest::Noise;

// Hex digits; "C" stands for the code-length code the dynamic headers
// below share, "U" for a stretch of their literal lengths, "R" for five U.
Bytes Hex(const char* text) {
  std::string hex;
  for (const char* c = text; *c != '\0'; ++c) {
    hex += *c == 'C'   ? "db922449922ccb"
           : *c == 'U' ? "fd7ebfdfeff7fb"
           : *c == 'R' ? "fd7ebfdfeff7fbfd7ebfdfeff7fbfd7ebfdfeff7fbfd7ebfdfeff7fbfd7ebfdfeff7fb"
                       : std::string(1, *c);
  }
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

struct RawRun {
  TUnzipResult result = urBusy;
  Bytes output = {};
  uint32_t crc = 0;
  std::unique_ptr<unzip::Engine> engine;  // its bit reader, as the decoder left it
};

void Collect(void* output, const uint8_t* data, uint32_t count) {
  static_cast<Bytes*>(output)->insert(static_cast<Bytes*>(output)->end(), data, data + count);
}

// Runs InflateEntry on an engine of its own with `stream` as its input in
// memory. Not writable: no output at all, so every flush fails. Aborting:
// the receiver answers every progress message with an abort.
RawRun Inflate(const Bytes& stream, bool writable = true, bool aborting = false) {
  RawRun run{.engine = std::make_unique<unzip::Engine>()};
  unzip::Engine& e = *run.engine;
  e.Ui = GetEngineUi();
  if (aborting) {
    e.Ui.notify = [](uintptr_t, int16_t, int16_t* percent) { *percent = -1; };
    e.NotifyWindow = 1;
  }
  Bytes window(unzip::kWindowSize);
  e.OutputWindow = window.data();
  e.Memory.input = stream.data();
  e.Memory.inputSize = stream.size();
  e.Memory.sink = writable ? Collect : nullptr;
  e.Memory.sinkContext = &run.output;
  e.CompressedSize = static_cast<uint32_t>(stream.size());
  e.RunningCrc = 0xFFFFFFFFu;
  run.result = unzip::InflateEntry(e);
  run.crc = ~e.RunningCrc;
  e.OutputWindow = nullptr;
  return run;
}

// Dynamic headers below send their lengths through a code-length code with
// all 19 symbols (4 and 5 bits), mostly as repeats; "8...9" is a complete
// literal code of 8-bit codes with 9-bit ones at the top.
TEST(Inflate, HandWrittenStreams) {
  const struct {
    const char* name;
    const char* hex;
    TUnzipResult result;
    size_t size = 0;  // output of a good stream, with its CRC
    uint32_t crc = 0;
  } cases[] = {
      {"empty final stored block", "010000ffff", urOk, 0, 0},
      {"distance 1, 258 times", "2b1c0500", urOk, 259, 0xe4e95302},
      {"matches before the first byte read zeros", "ab8020d0fdff00", urOk, 11, 0x99712371},
      {"literal code without length symbols, no distance code",
       "05e0Cc6Rfd1e910936962ea64e8636ce04f676369eff01", urOk, 13, 0x541b4c3b},
      {"repeat as the first code-length item", "05e0C5efcee6f71bfdfeff7fbUUUUfd8ae626d6d676ff",
       urOk, 5, 0x3610a686},
      {"repeat running from literal into distance lengths (9,9,9: incomplete)",
       "05e2Cc6Rfd1e91793134fa0f", urOk, 2, 0x9e83486d},
      {"NLit 288, NDist 32, symbols 286, 287, 30, 31 unused",
       "fdffCc6UUUUfd7ebfdf23eff7fbfd7ebfdfeff78bdeeff7fb5d0d8d1ec307", urOk, 7, 0xe487aef7},
      {"NLit 288, NDist 31", "fdfeCc6UUUUfd7ebfdf23eff7fbfd7ebfdfeff78be8fd7ebf5f0d8d1ea307", urOk,
       7, 0xe487aef7},
      {"incomplete distance code (2,2,2)", "0de2Cc6Rfd1e79212243236393fffd03", urOk, 7, 0xd01bd9dc},
      {"stored length and complement disagree", "010300ffff616263", urArchiveError},
      {"reserved block type", "000200fdff6f6b07", urArchiveError},
      {"fixed literal/length symbol 286", "4b4c4a1e03000000", urArchiveError},
      {"fixed distance symbol 30", "4b4c4a063e000000", urArchiveError},
      {"dynamic distance symbol 30",
       "fdffCc6UUUUfd7ebfdf23eff7fbfd7ebfdfeff78bdeeff7fb5d0d8d8c1f3e008007", urArchiveError},
      {"length symbol without a distance code", "0de0Cc6Rfd1e79014323e3ff0000ff00", urArchiveError},
      {"free code of an incomplete distance code", "0de2Cc6Rfd1e7921224323e3ff0300fc03",
       urArchiveError},
      {"repeat past the declared lengths", "05e0Cc6Rfd1e9179313432fe0f", urArchiveError},
      {"incomplete code-length code", "05e0db822449922ccbfeffffff03", urArchiveError},
      {"over-subscribed code-length code", "05e0db9224499224cbfeffffff03", urArchiveError},
      {"no code-length code", "05e001000000000000fcffffff03", urArchiveError},
      {"unused half of a single code-length code", "05e0010400000000001000000000", urArchiveError},
      {"no literal/length code (138 + 119 zeros)", "05e0Cfeff67e3ffffff3f", urArchiveError},
      {"incomplete literal/length code", "05e0C42dceff7fbUUUUfd7ebfdfef9189ffffffff",
       urArchiveError},
      {"over-subscribed literal/length code", "05e0C7adceff7fbUUUUfd7ebfdfef9189ffffffff",
       urArchiveError},
      {"three one-bit distance codes", "05e2Cc6Rfd1e918988ffffffff", urArchiveError},
  };
  for (const auto& c : cases) {
    const RawRun run = Inflate(Hex(c.hex));
    EXPECT_EQ(run.result, c.result) << c.name;
    if (c.result != urOk) continue;
    EXPECT_EQ(run.output.size(), c.size) << c.name;
    EXPECT_EQ(run.crc, c.crc) << c.name;
    EXPECT_EQ(qtest::ReferenceCrc32(run.output), c.crc) << c.name;
  }
}

// A fixed-code block of literals (8 or 9 bits each, so as long as the
// data: the input position moves), least significant bit first.
Bytes FixedLiterals(const Bytes& data, bool last = true) {
  Bytes out;
  uint32_t acc = 0, pending = 0;
  const auto put = [&](uint32_t code, unsigned length) {  // most significant bit first
    for (unsigned i = length; i-- > 0;) {
      acc |= ((code >> i) & 1u) << pending;
      if (++pending == 8) out.push_back(static_cast<uint8_t>(acc)), acc = pending = 0;
    }
  };
  put(last ? 0b110 : 0b010, 3);  // BFINAL, then BTYPE 01 low bit first: 1, 0
  for (uint8_t b : data) b < 144 ? put(0x30u + b, 8) : put(0x190u + b - 144, 9);
  put(0, 7);  // end of block
  if (pending) out.push_back(static_cast<uint8_t>(acc));
  return out;
}

Bytes Stored(size_t size) {
  Bytes out(5 + size, 7);
  const uint8_t header[] = {0x01, uint8_t(size), uint8_t(size >> 8), uint8_t(~size),
                            uint8_t(~size >> 8)};
  std::copy(header, header + 5, out.begin());
  return out;
}

TEST(Inflate, FailedFlushIsAWriteErrorAndTheReceiverCanAbort) {
  const RawRun plain = Inflate(FixedLiterals(Noise(1000)));
  ASSERT_EQ(plain.result, urOk);
  EXPECT_EQ(plain.output, Noise(1000)) << "the fixed-literal stream itself is good";
  EXPECT_EQ(Inflate(FixedLiterals(Noise(100)), false).result, urWriteError);    // final flush
  EXPECT_EQ(Inflate(FixedLiterals(Noise(40000)), false).result, urWriteError);  // full window
  EXPECT_EQ(Inflate(Stored(40000), false).result, urWriteError);
  EXPECT_EQ(Inflate(FixedLiterals(Noise(20000)), true, true).result, urUserAbort);
  EXPECT_EQ(Inflate(Stored(20000), true, true).result, urUserAbort);
  // Less than one input buffer: the percentage never changes, no abort.
  Bytes small = FixedLiterals(Noise(500));
  small.resize(small.size() + 8, 0);  // no read past the end for the last code
  EXPECT_EQ(Inflate(small, true, true).result, urOk);
}

TEST(Inflate, InputEndingBeforeTheLastBlockIsAReadError) {
  const Bytes fixed = FixedLiterals(Noise(30000));
  for (size_t keep : {size_t{1}, size_t{3}, size_t{2000}, fixed.size() / 2, fixed.size() - 3}) {
    const Bytes cut(fixed.begin(), fixed.begin() + static_cast<long>(keep));
    EXPECT_EQ(Inflate(cut).result, urReadError) << "fixed, " << keep << " bytes";
  }
  const Bytes stored = Stored(5000);
  EXPECT_EQ(Inflate(Bytes(stored.begin(), stored.begin() + 3000)).result, urReadError);
  EXPECT_EQ(Inflate(FixedLiterals(Noise(100), false)).result, urReadError)
      << "no block after a non-last one";
}

// The driver reads a data descriptor from where the decoder stopped.
TEST(Inflate, BitsBehindTheLastBlockStayInTheBitReader) {
  for (size_t size : {size_t{10}, size_t{5001}, size_t{70002}}) {
    Bytes stream = FixedLiterals(Noise(size));
    const Bytes trailer = {0x50, 0x4B, 0x07, 0x08, 0xDE, 0xC0, 0xAD, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8};
    stream.insert(stream.end(), trailer.begin(), trailer.end());
    const RawRun run = Inflate(stream);
    ASSERT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, Noise(size));
    unzip::Engine& e = *run.engine;
    e.DumpBits(e.BitCount % 8);
    for (size_t i = 0; i < 8; i += 2) {
      EXPECT_EQ(e.GetBits(16), trailer[i] | (trailer[i + 1] << 8u))
          << "size " << size << " byte " << i;
    }
  }
}

}  // namespace
