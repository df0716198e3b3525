// Method 1 (shrunk): round trips through the test shrinker (checked against
// 7-Zip, so the decoder does not just agree with itself), and hand-made
// code sequences for the escapes, the KwKwK case and malformed tables.
#include <gtest/gtest.h>

#include "legacy_util.h"
#include "support/encoders.h"

namespace legacy {
namespace {

using qtest::ShrinkOptions;
using qtest::ShrinkStats;

constexpr uint16_t kShrunk = 1;

TEST(Unshrink, RoundTripsTheEncoderAcrossTableStatesAlikeWithSevenZip) {
  const struct {
    const char* name;
    Bytes data;
    ShrinkOptions options;
  } cases[] = {
      {"text", Text(120000), {}},
      {"noise", Noise(40000), {}},
      {"runs", Runs(150000), {}},
      {"records", Records(60000), {}},
      {"one byte", {'x'}, {}},
      {"same byte", Bytes(70000, 'a'), {}},
      // Clears while freed codes are still unused: every leaf of the whole
      // table is freed, not only those below the free list's head.
      {"text, frequent clears", Text(30000, 7), {.clearEvery = 40}},
      {"runs, 600-code table", Runs(50000, 3), {.codeLimit = 600}},
      {"noise, full table kept", Noise(30000, 5), {.clearWhenFull = false}},
  };
  ShrinkStats total;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShrinkStats st;
    const Bytes packed = qtest::Shrink(c.data, c.options, &st);
    const EntryRun run = RunEntry(kShrunk, 0, packed, c.data);
    ASSERT_EQ(run.result, urOk);
    ASSERT_TRUE(run.output == c.data);
    if (SevenZipAvailable()) {
      EXPECT_TRUE(SevenZipDecode(kShrunk, 0, packed, c.data) == c.data);
    }
    total.freeCodeUses += st.freeCodeUses;
    total.clears += st.clears;
    total.clearsWithPending += st.clearsWithPending;
    total.reusedCodes += st.reusedCodes;
    total.maxCodeSize = std::max(total.maxCodeSize, st.maxCodeSize);
  }
  // The cases reach what they are meant to reach.
  EXPECT_GT(total.freeCodeUses, 100u);
  EXPECT_GT(total.clears, 10u);
  EXPECT_GT(total.clearsWithPending, 0u);
  EXPECT_GT(total.reusedCodes, 1000u);
  EXPECT_EQ(total.maxCodeSize, 13u);
}

constexpr uint32_t kWiden = 0x10001, kClear = 0x10002;  // escape 256 with sub-code 1 or 2
constexpr uint32_t kEscape = 0x10000;                   // + any other sub-code

TEST(Unshrink, HandMadeCodeSequences) {
  std::vector<uint32_t> cycle = {'a', 300, 258};
  cycle.insert(cycle.end(), 40, 'x');
  cycle.insert(cycle.end(), {258, 'y', 300});
  const struct {
    const char* name;
    std::vector<uint32_t> codes;
    std::string expected;  // empty: an archive error
  } cases[] = {
      {"literals", {'A', 'B', 'R', 'A', 'C', 'A', 'D', 'A', 'B', 'R', 'A'}, "ABRACADABRA"},
      // 257 is free when read: the previous string plus its own first byte.
      {"KwKwK", {'a', 257, 258, 257}, "aaaaaaaa"},
      {"13-bit codes", {'A', kWiden, kWiden, kWiden, kWiden, 'B', 257}, "ABAB"},
      {"14-bit codes", {'A', kWiden, kWiden, kWiden, kWiden, kWiden, 'B'}, ""},
      {"escape 0", {'A', kEscape + 0, 'B'}, ""},
      {"escape 3", {'A', kEscape + 3, 'B'}, ""},
      {"escape 511", {'A', kEscape + 511, 'B'}, ""},
      {"first code 256", {256, 'B'}, ""},
      {"first code a string", {257, 'B'}, ""},
      {"clear with nothing added", {'A', kClear, 'B', 257}, "ABAB"},
      // 257 = AB, 258 = BA, 259 = ABC extends 257; the clear frees the
      // leaves 258 and 259, given out again in order: 258 = CA, 259 = ABC,
      // 260 = CAA.
      {"clear frees leaves", {'A', 'B', 257, 'C', kClear, 257, 258, 259, 260}, "ABABCABCAABCCAA"},
      // 300 is neither in use nor next: taken as "a" + "a"; then 258 and 300
      // come to name each other. Decoding must end, not loop or overrun.
      {"prefix cycle", cycle, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    qtest::ShrinkCodeWriter w;
    for (uint32_t code : c.codes) code >= kEscape ? w.Escape(code - kEscape) : w.Code(code);
    const Bytes expected = c.expected.empty() ? Bytes(100, '?') : qtest::ToBytes(c.expected);
    const EntryRun run = RunEntry(kShrunk, 0, w.bytes(), expected);
    EXPECT_EQ(run.result, c.expected.empty() ? urArchiveError : urOk);
    EXPECT_EQ(run.written, !c.expected.empty());
    if (run.written) {
      EXPECT_EQ(run.output, expected);
    }
  }
}

// Shrunk data has no end mark: data that ends before the declared size ran
// out. Without the compressed size the end cannot be found. The CRC of
// nothing is 0: with that in the header, only the size tells that an empty
// stream is not the declared entry.
TEST(Unshrink, FailuresLeaveNoOutput) {
  const Bytes data = Noise(20000);
  const Bytes packed = qtest::Shrink(data);
  ExpectFailures(kShrunk, 0, {}, {},
                 {{"no data, size 1000, CRC 0", {.unpackedSize = 1000}, urReadError}});
  ExpectFailures(
      kShrunk, 0, packed, data,
      {{"archive cut in the data", {.truncateAt = packed.size() / 2}, urReadError},
       {"compressed size 2 bytes short", {.packedSize = int64_t(packed.size()) - 2}, urReadError},
       {"size declared too large", {.unpackedSize = 20001}, urReadError},
       {"sizes in a descriptor", {.descriptor = true}, urNotSupported},
       {"abort key held", {.abort = true}, urUserAbort}});
}

// 2^29 bytes of compressed data are 2^32 bits: a 32-bit bit count would
// wrap and stop before the first code. An empty entry is fine.
TEST(Unshrink, HugeDeclaredCompressedSizeAndEmptyEntry) {
  const Bytes data = Text(5000);
  EntryRun run = RunEntry(kShrunk, 0, qtest::Shrink(data), data, {.packedSize = 0x20000000});
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, data);
  run = RunEntry(kShrunk, 0, {}, {});
  EXPECT_EQ(run.result, urOk);
  EXPECT_TRUE(run.written);
  EXPECT_TRUE(run.output.empty());
}

}  // namespace
}  // namespace legacy
