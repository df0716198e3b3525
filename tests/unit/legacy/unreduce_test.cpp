// Methods 2 to 5 (reduced): round trips through the test reducer for every
// factor and follower-set size, and hand-made escape sequences.
#include <gtest/gtest.h>

#include "legacy_util.h"
#include "support/reducer.h"

namespace legacy {
namespace {

using qtest::ReduceOptions;

uint16_t Method(int factor) { return static_cast<uint16_t>(factor + 1); }

// Empty follower sets: every byte of the escaped stream is 8 plain bits.
Bytes Plain(const Bytes& intermediate) {
  return qtest::ReduceCodeStream(intermediate, std::vector<std::vector<uint8_t>>(256));
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void ExpectRoundTrip(const Bytes& data, const ReduceOptions& o) {
  const Bytes packed = qtest::Reduce(data, o);
  const EntryRun run = RunEntry(Method(o.factor), 0, packed, data);
  ASSERT_EQ(run.result, urOk);
  ASSERT_EQ(run.output, data);
}

TEST(Unreduce, RoundTripsEveryFactor) {
  const std::vector<std::pair<const char*, Bytes>> inputs = {
      {"text", Text(100000)},   {"runs", Runs(120000)}, {"records", Records(50000)},
      {"noise", Noise(20000)},  {"one byte", Bytes{0x90}},
      {"escape bytes", Repeat(144, 5000)},
  };
  for (int factor = 1; factor <= 4; ++factor) {
    for (const auto& [name, data] : inputs) {
      SCOPED_TRACE(std::string(name) + ", factor " + std::to_string(factor));
      ReduceOptions o;
      o.factor = factor;
      ExpectRoundTrip(data, o);
    }
  }
}

// Index widths: 1 bit for sets of 1 and 2 members, then one more bit each
// time the size passes a power of two, up to 6 bits for 33 to 63.
TEST(Unreduce, FollowerSetsOfEverySize) {
  const Bytes data = Concat(Text(40000, 3), Runs(40000, 4));
  struct Layout {
    const char* name;
    int (*size)(int x);
  };
  const Layout layouts[] = {
      {"size = byte mod 64", [](int x) { return x % 64; }},
      {"one member each", [](int) { return 1; }},
      {"two members each", [](int) { return 2; }},
      {"63 members each", [](int) { return 63; }},
      {"none", [](int) { return 0; }},
  };
  for (const Layout& l : layouts) {
    for (int factor : {1, 4}) {
      SCOPED_TRACE(std::string(l.name) + ", factor " + std::to_string(factor));
      ReduceOptions o;
      o.factor = factor;
      for (int x = 0; x < 256; ++x) o.setSize[static_cast<size_t>(x)] = l.size(x);
      ExpectRoundTrip(data, o);
    }
  }
}

TEST(Unreduce, EscapeSequences) {
  // 144, 0 is one byte 144.
  EntryRun run = RunEntry(Method(1), 0, Plain({'a', 144, 0, 'b'}), {'a', 144, 'b'});
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, Bytes({'a', 144, 'b'}));

  // Factor 1: 144, 0x7F, 10, 5 is a match of 0x7F + 10 + 3 = 140 bytes at
  // distance 5 + 1 = 6.
  const Bytes six = qtest::ToBytes("abcdef");
  Bytes expected = six;
  for (size_t i = 0; i < 140; ++i) expected.push_back(six[i % 6]);
  run = RunEntry(Method(1), 0, Plain(Concat(six, {144, 0x7F, 10, 5})), expected);
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, expected);

  // Factor 4: 144, 0x23, 7 is a match of 3 + 3 = 6 bytes at distance
  // 2 * 256 + 7 + 1 = 520.
  const Bytes lead = Noise(600, 11);
  expected = lead;
  for (size_t i = 0; i < 6; ++i) expected.push_back(lead[600 - 520 + i]);
  Bytes inter;
  for (uint8_t b : lead) {
    inter.push_back(b);
    if (b == 144) inter.push_back(0);
  }
  run = RunEntry(Method(4), 0, Plain(Concat(inter, {144, 0x23, 7})), expected);
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, expected);

  // Factor 2: a length byte of 0x3F takes one more length byte.
  expected = six;
  for (size_t i = 0; i < 0x3F + 200 + 3; ++i) expected.push_back(six[i % 6]);
  run = RunEntry(Method(2), 0, Plain(Concat(six, {144, 0x3F, 200, 5})), expected);
  EXPECT_EQ(run.output, expected);
}

TEST(Unreduce, ReferencesBeforeTheStartAreZeros) {
  // Factor 1: 144, 1, 5 at the very start: 4 bytes from 6 back.
  const Bytes expected = {0, 0, 0, 0, 'x'};
  const EntryRun run = RunEntry(Method(1), 0, Plain({144, 1, 5, 'x'}), expected);
  EXPECT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, expected);

  ReduceOptions o;
  o.factor = 3;
  o.preStart = true;
  ExpectRoundTrip(Concat(Repeat(0, 3000), Text(20000)), o);
}

// Reduced data has no end mark: data that ends before the declared size
// ran out, and without the sizes the decoder would run on through the rest
// of the archive. The CRC of nothing is 0: with that in the header, only
// the size tells that an empty stream is not the declared entry.
TEST(Unreduce, FailuresLeaveNoOutput) {
  const Bytes data = Noise(20000);
  const Bytes packed = qtest::Reduce(data);
  ExpectFailures(Method(4), 0, {}, {}, {{"no data, size 1000, CRC 0", DeclaredUnpacked(1000), urReadError}});
  ExpectFailures(Method(4), 0, packed, data,
                 {{"archive cut in the data", Truncated(packed.size() / 2), urReadError},
                  {"size declared too large", DeclaredUnpacked(25000), urReadError},
                  {"sizes in a descriptor", SizesInDescriptor(), urNotSupported},
                  {"abort key held", HoldingAbortKey(), urUserAbort}});
}

}  // namespace
}  // namespace legacy
