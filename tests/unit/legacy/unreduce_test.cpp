// Methods 2 to 5 (reduced): round trips through the test reducer for every
// factor and follower-set size, and hand-made escape sequences.
#include <gtest/gtest.h>

#include "legacy_util.h"
#include "support/encoders.h"

namespace legacy {
namespace {

using qtest::ReduceOptions;

uint16_t Method(int factor) { return static_cast<uint16_t>(factor + 1); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void ExpectRoundTrip(const Bytes& data, const ReduceOptions& o) {
  const EntryRun run = RunEntry(Method(o.factor), 0, qtest::Reduce(data, o), data);
  ASSERT_EQ(run.result, urOk);
  ASSERT_TRUE(run.output == data);
}

TEST(Unreduce, RoundTripsEveryFactor) {
  const std::pair<const char*, Bytes> inputs[] = {
      {"text", Text(100000)},  {"runs", Runs(120000)},    {"records", Records(50000)},
      {"noise", Noise(20000)}, {"one byte", Bytes{0x90}}, {"escape bytes", Bytes(5000, 144)},
  };
  for (int factor = 1; factor <= 4; ++factor) {
    for (const auto& [name, data] : inputs) {
      SCOPED_TRACE(std::string(name) + ", factor " + std::to_string(factor));
      ExpectRoundTrip(data, ReduceOptions{.factor = factor});
    }
    // Matches reaching before the start of the data read zeros.
    ReduceOptions o{.factor = factor, .preStart = true};
    ExpectRoundTrip(Concat(Bytes(3000, 0), Text(20000)), o);
  }
}

// Index widths: 1 bit for sets of 1 and 2 members, then one more bit each
// time the size passes a power of two, up to 6 bits for 33 to 63.
TEST(Unreduce, FollowerSetsOfEverySize) {
  const Bytes data = Concat(Text(40000, 3), Runs(40000, 4));
  const std::pair<const char*, int (*)(int)> layouts[] = {
      {"size = byte mod 64", [](int x) { return x % 64; }},
      {"one member each", [](int) { return 1; }},
      {"two members each", [](int) { return 2; }},
      {"63 members each", [](int) { return 63; }},
      {"none", [](int) { return 0; }},
  };
  for (const auto& [name, size] : layouts) {
    for (int factor : {1, 4}) {
      SCOPED_TRACE(std::string(name) + ", factor " + std::to_string(factor));
      ReduceOptions o{.factor = factor};
      for (int x = 0; x < 256; ++x) o.setSize[static_cast<size_t>(x)] = size(x);
      ExpectRoundTrip(data, o);
    }
  }
}

// Escaped streams written byte by byte (empty follower sets: 8 plain bits
// per byte), against the expansion worked out by hand.
TEST(Unreduce, EscapeSequences) {
  const Bytes six = qtest::ToBytes("abcdef"), lead = Noise(600, 11);
  const auto cycle = [&](size_t n) {
    Bytes out = six;
    for (size_t i = 0; i < n; ++i) out.push_back(six[i % 6]);
    return out;
  };
  Bytes escapedLead;  // `lead` with each 144 doubled as 144, 0
  for (uint8_t b : lead) {
    escapedLead.push_back(b);
    if (b == 144) escapedLead.push_back(0);
  }
  Bytes leadMatch = lead;
  for (size_t i = 0; i < 6; ++i) leadMatch.push_back(lead[600 - 520 + i]);
  const struct {
    const char* name;
    int factor;
    Bytes intermediate, expected;
  } cases[] = {
      {"144, 0 is one byte 144", 1, {'a', 144, 0, 'b'}, {'a', 144, 'b'}},
      // 0x7F + 10 + 3 = 140 bytes at distance 5 + 1 = 6.
      {"factor 1, long match", 1, Concat(six, {144, 0x7F, 10, 5}), cycle(140)},
      // Length byte 0x3F (all length bits) takes one more length byte.
      {"factor 2, extra length byte", 2, Concat(six, {144, 0x3F, 200, 5}), cycle(0x3F + 200 + 3)},
      // 0x23: 3 + 3 = 6 bytes at distance 2 * 256 + 7 + 1 = 520.
      {"factor 4, high distance bits", 4, Concat(escapedLead, {144, 0x23, 7}), leadMatch},
      // 4 bytes from 6 back, at the very start.
      {"reference before the start", 1, {144, 1, 5, 'x'}, {0, 0, 0, 0, 'x'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes packed =
        qtest::ReduceCodeStream(c.intermediate, std::vector<std::vector<uint8_t>>(256));
    const EntryRun run = RunEntry(Method(c.factor), 0, packed, c.expected);
    EXPECT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, c.expected);
  }
}

// Reduced data has no end mark: data that ends before the declared size
// ran out, and without the sizes the decoder would run on through the rest
// of the archive. The CRC of nothing is 0: with that in the header, only
// the size tells that an empty stream is not the declared entry.
TEST(Unreduce, FailuresLeaveNoOutput) {
  const Bytes data = Noise(20000);
  const Bytes packed = qtest::Reduce(data);
  ExpectFailures(Method(4), 0, {}, {},
                 {{"no data, size 1000, CRC 0", {.unpackedSize = 1000}, urReadError}});
  ExpectFailures(Method(4), 0, packed, data,
                 {{"archive cut in the data", {.truncateAt = packed.size() / 2}, urReadError},
                  {"size declared too large", {.unpackedSize = 25000}, urReadError},
                  {"sizes in a descriptor", {.descriptor = true}, urNotSupported},
                  {"abort key held", {.abort = true}, urUserAbort}});
}

}  // namespace
}  // namespace legacy
