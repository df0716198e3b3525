// Method 1 (shrunk): round trips through the test shrinker, 7-Zip reading
// that shrinker's output, and hand-made streams for the escapes, the
// KwKwK case and malformed tables.
#include <gtest/gtest.h>

#include "legacy_util.h"
#include "support/shrinker.h"

namespace legacy {
namespace {

using qtest::ShrinkCodeWriter;
using qtest::ShrinkOptions;
using qtest::ShrinkStats;

constexpr uint16_t kShrunk = 1;

EntryRun RunCodes(const ShrinkCodeWriter& w, const Bytes& expected) {
  return RunEntry(kShrunk, 0, w.bytes(), expected);
}

Bytes Str(const std::string& s) { return qtest::ToBytes(s); }

void ExpectDecodes(const ShrinkCodeWriter& w, const std::string& expected) {
  const EntryRun run = RunCodes(w, Str(expected));
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, Str(expected));
}

struct Case {
  const char* name;
  Bytes data;
  ShrinkOptions options;
};

std::vector<Case> Cases() {
  ShrinkOptions plain;
  ShrinkOptions often;  // clears while freed codes are still unused
  often.clearEvery = 40;
  ShrinkOptions small;  // a 600-code table: full and cleared at 10 bits
  small.codeLimit = 600;
  ShrinkOptions never;  // a full table that stays full
  never.clearWhenFull = false;
  return {
      {"text", Text(120000), plain},         {"noise", Noise(40000), plain},
      {"runs", Runs(150000), plain},         {"records", Records(60000), plain},
      {"one byte", Str("x"), plain},         {"same byte", Repeat('a', 70000), plain},
      {"text, frequent clears", Text(30000, 7), often},
      {"runs, small table", Runs(50000, 3), small},
      {"noise, full table kept", Noise(30000, 5), never},
  };
}

TEST(Unshrink, RoundTripsTheEncoderAcrossTableStates) {
  ShrinkStats total;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    ShrinkStats st;
    const Bytes packed = qtest::Shrink(c.data, c.options, &st);
    const EntryRun run = RunEntry(kShrunk, 0, packed, c.data);
    ASSERT_EQ(run.result, urOk);
    ASSERT_EQ(run.output, c.data);
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

// The shrinker is checked against an independent decoder, so the round trip
// above is not the decoder agreeing with itself. This includes clears made
// while codes above the lowest free one are in use: every leaf of the whole
// table is freed, not only those below the free list's head.
TEST(Unshrink, SevenZipReadsTheEncoderOutputAlike) {
  if (!SevenZipAvailable()) GTEST_SKIP() << "7zz not available";
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const Bytes packed = qtest::Shrink(c.data, c.options);
    EXPECT_EQ(SevenZipDecodeOrEmpty(kShrunk, 0, packed, c.data), c.data);
  }
}

TEST(Unshrink, LiteralCodesAndTheCodeBeingAdded) {
  ShrinkCodeWriter literals;
  for (char ch : std::string("ABRACADABRA")) literals.Code(static_cast<uint8_t>(ch));
  ExpectDecodes(literals, "ABRACADABRA");

  // 257 is free when read: the previous string plus its own first byte.
  ShrinkCodeWriter kwk;
  kwk.Code('a');
  kwk.Code(257);  // "a" + "a"
  kwk.Code(258);  // "aa" + "a"
  kwk.Code(257);  // now in the table: "aa"
  ExpectDecodes(kwk, "aaaaaaaa");
}

TEST(Unshrink, CodeSizeGrowsToThirteenBitsAndNoFurther) {
  ShrinkCodeWriter four;
  four.Code('A');
  for (int i = 0; i < 4; ++i) four.Widen();
  four.Code('B');  // 13 bits wide
  four.Code(257);  // "AB"
  ExpectDecodes(four, "ABAB");

  ShrinkCodeWriter five;
  five.Code('A');
  for (int i = 0; i < 5; ++i) five.Widen();
  five.Code('B');
  const EntryRun run = RunCodes(five, Str("AB"));
  EXPECT_EQ(run.result, urArchiveError);
  EXPECT_FALSE(run.written);
}

TEST(Unshrink, UnknownEscapesAndAStringFirstAreMalformed) {
  for (uint32_t sub : {0u, 3u, 256u, 511u}) {
    ShrinkCodeWriter w;
    w.Code('A');
    w.Escape(sub);
    w.Code('B');
    EXPECT_EQ(RunCodes(w, Str("AB")).result, urArchiveError) << "sub-code " << sub;
  }
  for (uint32_t first : {256u, 257u, 300u}) {
    ShrinkCodeWriter w;
    w.Code(first);
    w.Code('B');
    EXPECT_EQ(RunCodes(w, Str("AB")).result, urArchiveError) << "first code " << first;
  }
}

TEST(Unshrink, PartialClearOnAnEmptyTableFreesNothing) {
  ShrinkCodeWriter w;
  w.Code('A');
  w.PartialClear();  // nothing added yet
  w.Code('B');       // adds 257 = "AB"
  w.Code(257);
  ExpectDecodes(w, "ABAB");
}

TEST(Unshrink, PartialClearFreesLeavesAndReusesThemInOrder) {
  ShrinkCodeWriter w;
  w.Code('A');
  w.Code('B');  // 257 = AB
  w.Code(257);  // "AB", 258 = BA
  w.Code('C');  // 259 = ABC, extends 257: 257 stays
  w.PartialClear();
  // 258 and 259 are leaves: freed, given out again as 258, 259, then 260.
  w.Code(257);  // "AB", 258 = CA
  w.Code(258);  // "CA", 259 = ABC
  w.Code(259);  // "ABC", 260 = CAA
  w.Code(260);  // "CAA"
  ExpectDecodes(w, "ABABCABCAABCCAA");
}

// A malformed stream can link two table entries to each other; decoding
// either must end, not loop or run past the decode stack.
TEST(Unshrink, PrefixCycleIsAnArchiveError) {
  ShrinkCodeWriter w;
  w.Code('a');
  w.Code(300);  // free and not next: taken as "a" + "a"; last code 300
  w.Code(258);  // 258 = (300, ...)
  for (int i = 0; i < 40; ++i) w.Code('x');  // fills 259 .. 298
  w.Code(258);  // 299 added; last code 258
  w.Code('y');  // 300 = (258, ...): 300 and 258 now point at each other
  w.Code(300);
  const EntryRun run = RunCodes(w, Repeat('?', 100));
  EXPECT_EQ(run.result, urArchiveError);
  EXPECT_FALSE(run.written);
}

// Shrunk data has no end mark: data that ends before the declared size ran
// out. Without the compressed size the end cannot be found.
TEST(Unshrink, FailuresLeaveNoOutput) {
  const Bytes data = Noise(20000);
  const Bytes packed = qtest::Shrink(data);
  ExpectFailures(kShrunk, 0, packed, data,
                 {{"archive cut in the data", Truncated(packed.size() / 2), urReadError},
                  {"compressed size 2 bytes short", DeclaredPacked(static_cast<uint32_t>(packed.size() - 2)),
                   urReadError},
                  {"size declared too large", DeclaredUnpacked(20001), urReadError},
                  {"sizes in a descriptor", SizesInDescriptor(), urNotSupported},
                  {"abort key held", HoldingAbortKey(), urUserAbort}});
}

// 2^29 bytes of compressed data are 2^32 bits: a 32-bit bit count would
// wrap and stop before the first code.
TEST(Unshrink, CompressedSizeAbove256MiBIsCountedInFull) {
  const Bytes data = Text(5000);
  const EntryRun run = RunEntry(kShrunk, 0, qtest::Shrink(data), data, DeclaredPacked(0x20000000u));
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, data);
}

// The CRC of nothing is 0: with that in the header, only the size tells
// that an empty stream is not the declared entry.
TEST(Unshrink, NothingForAPromisedSizeIsAReadError) {
  ExpectFailures(kShrunk, 0, {}, {}, {{"no data, size 1000, CRC 0", DeclaredUnpacked(1000), urReadError}});
}

TEST(Unshrink, EmptyEntry) {
  const EntryRun run = RunEntry(kShrunk, 0, {}, {});
  EXPECT_EQ(run.result, urOk);
  EXPECT_TRUE(run.written);
  EXPECT_TRUE(run.output.empty());
}

}  // namespace
}  // namespace legacy
