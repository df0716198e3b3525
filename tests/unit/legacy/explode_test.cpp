// Method 6 (imploded): round trips through the test imploder in all four
// variants (checked against 7-Zip, so the decoder does not just agree with
// itself), and hand-made parses and trees for edges real archives lack.
#include <gtest/gtest.h>

#include "legacy_util.h"
#include "support/encoders.h"

namespace legacy {
namespace {

using qtest::ImplodeOptions;
using qtest::LzToken;

constexpr uint16_t kImploded = 6;

struct Variant {
  const char* name;
  bool literalTree, dict8k;
};
constexpr Variant kVariants[] = {
    {"4K, raw literals", false, false},
    {"8K, raw literals", false, true},
    {"4K, literal tree", true, false},
    {"8K, literal tree", true, true},
};

ImplodeOptions Options(const Variant& v) {
  return {.literalTree = v.literalTree, .dict8k = v.dict8k};
}

EntryRun RunImploded(const Bytes& packed, const Bytes& data, const ImplodeOptions& o) {
  return RunEntry(kImploded, qtest::ImplodeFlags(o), packed, data);
}

LzToken Lit(uint8_t b) { return {.literal = b}; }
LzToken Match(uint32_t distance, uint32_t length) {
  return {.length = length, .distance = distance};
}

TEST(Explode, RoundTripsAllFourVariantsAlikeWithSevenZip) {
  const std::pair<const char*, Bytes> inputs[] = {{"text", Text(150000)},
                                                  {"runs", Runs(200000)},
                                                  {"records", Records(60000)},
                                                  {"noise", Noise(30000)},
                                                  {"one byte", Bytes{'q'}}};
  for (const Variant& v : kVariants) {
    for (const auto& [name, data] : inputs) {
      SCOPED_TRACE(std::string(v.name) + ", " + name);
      const ImplodeOptions o = Options(v);
      const Bytes packed = qtest::Implode(data, o);
      const EntryRun run = RunImploded(packed, data, o);
      ASSERT_EQ(run.result, urOk);
      ASSERT_TRUE(run.output == data);
      if (SevenZipAvailable()) {
        EXPECT_TRUE(SevenZipDecode(kImploded, qtest::ImplodeFlags(o), packed, data) == data);
      }
    }
  }
}

// Length code 63 takes 8 more bits: 2 + 63 + 255 = 320 bytes without a
// literal tree, 321 with one. The farthest distance comes from the last
// distance code with all low bits set. References before the start of the
// data read zeros.
TEST(Explode, LongestMatchesFarthestDistancesAndReferencesBeforeTheStart) {
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    ImplodeOptions o = Options(v);
    const uint32_t longest = v.literalTree ? 321 : 320, farthest = v.dict8k ? 8192 : 4096;
    std::vector<LzToken> tokens = {Match(100, 50), Lit('a'), Match(60, 5), Match(1, longest),
                                   Match(1, longest - 1)};
    for (uint8_t b : Noise(farthest, 2)) tokens.push_back(Lit(b));
    tokens.push_back(Match(farthest, longest));
    const Bytes data = qtest::LzReplay(tokens);
    const EntryRun run = RunImploded(qtest::ImplodeTokens(tokens, o), data, o);
    EXPECT_EQ(run.result, urOk);
    EXPECT_TRUE(run.output == data);

    o.preStart = true;
    const Bytes zeros(9000, 0);
    EXPECT_TRUE(RunImploded(qtest::Implode(zeros, o), zeros, o).output == zeros);
  }
}

// Above 200,000 compressed bytes the distance tables get 8 first-level bits
// instead of 7; with codes up to 16 bits long, sub-tables are in use either
// way. Both must decode alike. Bytes after the data count in the compressed
// size but are never needed.
TEST(Explode, DistanceTableWidthAtTheSizeThreshold) {
  ImplodeOptions o;
  o.distanceLengths.assign(64, 16);
  for (int i = 0; i < 10; ++i)
    o.distanceLengths[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
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
    EXPECT_TRUE(run.output == data);
  }
}

TEST(Explode, MalformedTreesAreArchiveErrors) {
  const ImplodeOptions o{.literalTree = false, .dict8k = false};
  const Bytes data(10, 'z');
  // A length tree description, then a valid distance tree and some data.
  const auto withLengthTree = [](Bytes packed) {
    const Bytes dist = qtest::ImplodeTree(std::vector<uint8_t>(64, 6));
    packed.insert(packed.end(), dist.begin(), dist.end());
    packed.insert(packed.end(), 16, 0xFF);
    return packed;
  };
  const std::pair<const char*, Bytes> bad[] = {
      {"repeats overshoot 64", {4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}},  // 5 x 16 of length 6
      {"repeats stop short of 64", {2, 0xF5, 0xF5, 0xF5}},          // 48 lengths
      {"incomplete code", {3, 0xF6, 0xF6, 0xF6, 0xF6}},             // 64 of length 7
      {"over-subscribed code", {3, 0xF4, 0xF4, 0xF4, 0xF4}},        // 64 of length 5
  };
  for (const auto& [name, tree] : bad) {
    SCOPED_TRACE(name);
    const EntryRun run = RunImploded(withLengthTree(tree), data, o);
    EXPECT_EQ(run.result, urArchiveError);
    EXPECT_FALSE(run.written);
  }
  // The same frame with a good tree (64 of length 6) passes the trees.
  EXPECT_NE(RunImploded(withLengthTree({3, 0xF5, 0xF5, 0xF5, 0xF5}), data, o).result,
            urArchiveError);
}

// Without sizes the loop runs on until the input is used up.
TEST(Explode, FailuresLeaveNoOutput) {
  const Bytes data = Noise(30000);
  const Bytes packed = qtest::Implode(data);
  ExpectFailures(kImploded, qtest::ImplodeFlags({}), packed, data,
                 {{"archive cut in the data", {.truncateAt = packed.size() / 2}, urReadError},
                  {"sizes in a descriptor", {.descriptor = true}, urReadError},
                  {"abort key held", {.abort = true}, urUserAbort}});
}

}  // namespace
}  // namespace legacy
