// Method 6 (imploded): round trips through the test imploder in all four
// variants, 7-Zip reading that imploder's output, and hand-made parses and
// tree descriptions for the edges real archives do not reach.
#include <gtest/gtest.h>

#include "legacy_util.h"
#include "support/imploder.h"

namespace legacy {
namespace {

using qtest::ImplodeOptions;
using qtest::LzToken;

constexpr uint16_t kImploded = 6;

struct Variant {
  const char* name;
  bool literalTree;
  bool dict8k;
};
constexpr Variant kVariants[] = {
    {"4K, raw literals", false, false},
    {"8K, raw literals", false, true},
    {"4K, literal tree", true, false},
    {"8K, literal tree", true, true},
};

ImplodeOptions Options(const Variant& v) {
  ImplodeOptions o;
  o.literalTree = v.literalTree;
  o.dict8k = v.dict8k;
  return o;
}

EntryRun RunImploded(const Bytes& packed, const Bytes& data, const ImplodeOptions& o) {
  return RunEntry(kImploded, qtest::ImplodeFlags(o), packed, data);
}

LzToken Lit(uint8_t b) {
  LzToken t;
  t.literal = b;
  return t;
}
LzToken Match(uint32_t distance, uint32_t length) {
  LzToken t;
  t.distance = distance;
  t.length = length;
  return t;
}

std::vector<std::pair<const char*, Bytes>> Inputs() {
  return {{"text", Text(150000)}, {"runs", Runs(200000)}, {"records", Records(60000)},
          {"noise", Noise(30000)}, {"one byte", Bytes{'q'}}};
}

TEST(Explode, RoundTripsAllFourVariants) {
  for (const Variant& v : kVariants) {
    for (const auto& [name, data] : Inputs()) {
      SCOPED_TRACE(std::string(v.name) + ", " + name);
      const ImplodeOptions o = Options(v);
      const EntryRun run = RunImploded(qtest::Implode(data, o), data, o);
      ASSERT_EQ(run.result, urOk);
      ASSERT_EQ(run.output, data);
    }
  }
}

// The imploder is checked against an independent decoder, so the round trip
// above is not the decoder agreeing with itself.
TEST(Explode, SevenZipReadsTheEncoderOutputAlike) {
  if (!SevenZipAvailable()) GTEST_SKIP() << "7zz not available";
  for (const Variant& v : kVariants) {
    for (const auto& [name, data] : Inputs()) {
      SCOPED_TRACE(std::string(v.name) + ", " + name);
      const ImplodeOptions o = Options(v);
      EXPECT_EQ(SevenZipDecodeOrEmpty(kImploded, qtest::ImplodeFlags(o), qtest::Implode(data, o), data), data);
    }
  }
}

// Length code 63 takes 8 more bits: with 255 there, 2 + 63 + 255 = 320
// bytes without a literal tree and 321 with one. The farthest distances
// come from the last distance code with all low bits set.
TEST(Explode, LongestMatchesAndFarthestDistances) {
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    const ImplodeOptions o = Options(v);
    const uint32_t longest = qtest::ImplodeMaxLength(v.literalTree);
    EXPECT_EQ(longest, v.literalTree ? 321u : 320u);
    const uint32_t farthest = v.dict8k ? 8192 : 4096;
    std::vector<LzToken> tokens = {Lit('a'), Match(1, longest), Match(1, longest - 1)};
    const Bytes noise = Noise(farthest, 2);
    for (uint8_t b : noise) tokens.push_back(Lit(b));
    tokens.push_back(Match(farthest, longest));
    const Bytes data = qtest::LzReplay(tokens);
    ASSERT_EQ(data.size(), 1 + 2 * longest - 1 + farthest + longest);
    const EntryRun run = RunImploded(qtest::ImplodeTokens(tokens, o), data, o);
    EXPECT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, data);
  }
}

TEST(Explode, ReferencesBeforeTheStartAreZeros) {
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    ImplodeOptions o = Options(v);
    const std::vector<LzToken> tokens = {Match(100, 50), Lit('x'), Match(60, 5)};
    const Bytes data = qtest::LzReplay(tokens);
    EXPECT_EQ(data, Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x',
                           0, 0, 0, 0, 0}));
    EXPECT_EQ(RunImploded(qtest::ImplodeTokens(tokens, o), data, o).output, data);

    o.preStart = true;
    const Bytes zeros = Repeat(0, 9000);
    EXPECT_EQ(RunImploded(qtest::Implode(zeros, o), zeros, o).output, zeros);
  }
}

// Above 200,000 compressed bytes the distance tables get 8 first-level bits
// instead of 7; with codes up to 16 bits long, sub-tables are in use either
// way. Both must decode alike. Bytes after the data count in the compressed
// size but are never needed.
TEST(Explode, DistanceTableWidthAtTheSizeThreshold) {
  ImplodeOptions o;
  o.distanceLengths.assign(64, 16);
  for (int i = 0; i < 10; ++i) o.distanceLengths[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
  for (int i = 10; i < 20; ++i) o.distanceLengths[static_cast<size_t>(i)] = 15;
  const Bytes data = Runs(150000, 8);
  const Bytes packed = qtest::Implode(data, o);
  ASSERT_LT(packed.size(), 200000u);
  for (size_t size : {size_t{200000}, size_t{200001}}) {
    SCOPED_TRACE(size);
    Bytes padded = packed;
    padded.resize(size, 0);
    const EntryRun run = RunImploded(padded, data, o);
    EXPECT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, data);
  }
}

// A length tree description followed by a valid distance tree and a little
// data.
Bytes WithLengthTree(const Bytes& lengthTree) {
  Bytes packed = lengthTree;
  const Bytes dist = qtest::ImplodeTree(std::vector<uint8_t>(64, 6));
  packed.insert(packed.end(), dist.begin(), dist.end());
  packed.insert(packed.end(), 16, 0xFF);
  return packed;
}

TEST(Explode, MalformedTreesAreArchiveErrors) {
  ImplodeOptions o;
  o.literalTree = false;
  o.dict8k = false;
  const Bytes data = Repeat('z', 10);
  struct Bad {
    const char* name;
    Bytes tree;
  };
  const Bad bad[] = {
      {"repeats overshoot 64", {4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}},  // 5 x 16 of length 6
      {"repeats stop short of 64", {2, 0xF5, 0xF5, 0xF5}},          // 48 lengths
      {"incomplete code", {3, 0xF6, 0xF6, 0xF6, 0xF6}},             // 64 of length 7
      {"over-subscribed code", {3, 0xF4, 0xF4, 0xF4, 0xF4}},        // 64 of length 5
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    const EntryRun run = RunImploded(WithLengthTree(b.tree), data, o);
    EXPECT_EQ(run.result, urArchiveError);
    EXPECT_FALSE(run.written);
  }
  // The same frame with a good tree decodes: the frame itself is sound.
  const Bytes good = {3, 0xF5, 0xF5, 0xF5, 0xF5};  // 64 of length 6
  EXPECT_NE(RunImploded(WithLengthTree(good), data, o).result, urArchiveError);
}

// Without sizes the loop runs on until the input is used up.
TEST(Explode, FailuresLeaveNoOutput) {
  const Bytes data = Noise(30000);
  const ImplodeOptions o;
  const Bytes packed = qtest::Implode(data, o);
  ExpectFailures(kImploded, qtest::ImplodeFlags(o), packed, data,
                 {{"archive cut in the data", Truncated(packed.size() / 2), urReadError},
                  {"sizes in a descriptor", SizesInDescriptor(), urReadError},
                  {"abort key held", HoldingAbortKey(), urUserAbort}});
}

}  // namespace
}  // namespace legacy
