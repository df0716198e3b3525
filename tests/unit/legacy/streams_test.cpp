// Hand-made shrunk, reduced and imploded streams for the edges the real
// archives of the fixture test lack: escape and clear codes, follower sets
// of every index width, malformed trees, and how each method fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/files.h"
#include "support/samples.h"
#include "unzip/unzip.h"

namespace legacy {
namespace {

using qtest::Bytes;
using qtest::Noise;

constexpr uint16_t kShrunk = 1, kImploded = 6;

struct EntryOptions {
  bool descriptor = false;       // sizes only in a data descriptor (zeros in the local header)
  size_t truncateAt = SIZE_MAX;  // the archive file ends this many bytes into the data
  int64_t packedSize = -1;       // local header sizes instead of the real ones
  int64_t unpackedSize = -1;
  bool abort = false;  // the abort key is held from the first step on
};

struct EntryRun {
  TUnzipResult result = urOk;
  bool written = false;  // the output file exists afterwards
  Bytes output;
};

// Writes a one-entry archive (`data` gives the CRC and uncompressed size,
// `packed` the compressed bytes) and extracts the entry.
EntryRun RunEntry(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                  const EntryOptions& o = {}) {
  qtest::ZipEntryPlan entry = {.name = "entry.bin",
                               .data = data,
                               .method = method,
                               .packed = packed,
                               .flags = static_cast<uint16_t>(flags | (o.descriptor ? 8 : 0))};
  entry.zeroSizesInLocal = o.descriptor;
  entry.overrideLocalSizes = o.packedSize >= 0 || o.unpackedSize >= 0;
  entry.localPacked =
      static_cast<uint32_t>(o.packedSize >= 0 ? o.packedSize : int64_t(packed.size()));
  entry.localUnpacked =
      static_cast<uint32_t>(o.unpackedSize >= 0 ? o.unpackedSize : int64_t(data.size()));
  Bytes zip = qtest::BuildZip({entry});
  if (o.truncateAt != SIZE_MAX) zip.resize(30 + entry.name.size() + o.truncateAt);
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "a.zip", zip);
  const platform::EngineUi saved = GetEngineUi();
  platform::EngineUi ui = saved;
  ui.keyDown = [](int) { return true; };
  if (o.abort) SetEngineUi(ui);
  EntryRun run;
  run.result =
      UnzipEntry((dir / "a.zip").c_str(), (dir / "out").c_str(), 0, 0, 0, o.abort ? 27 : 0);
  SetEngineUi(saved);
  run.written = std::filesystem::exists(dir / "out");
  if (run.written) run.output = qtest::ReadFileBytes(dir / "out");
  return run;
}

// Bits packed least significant first, as the three methods read them.
struct BitWriter {
  Bytes out;
  unsigned used = 0;  // bits taken in out.back()
  void Put(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i, used = (used + 1) % 8) {
      if (used == 0) out.push_back(0);
      out.back() = static_cast<uint8_t>(out.back() | ((value >> i) & 1u) << used);
    }
  }
};

// --- shrink ---------------------------------------------------------------------------

constexpr uint32_t kWiden = 0x10001, kClear = 0x10002;  // escape 256 with sub-code 1 or 2
constexpr uint32_t kEscape = 0x10000;                   // + any other sub-code

// Codes at the width the decoder reads them: 9 bits, one more per widening.
Bytes ShrinkCodes(const std::vector<uint32_t>& codes) {
  BitWriter w;
  unsigned width = 9;
  for (uint32_t code : codes) {
    if (code < kEscape) {
      w.Put(code, width);
      continue;
    }
    w.Put(256, width);
    w.Put(code - kEscape, width);
    if (code == kWiden) ++width;
  }
  return w.out;
}

Bytes ShrinkLiterals(const Bytes& data) { return ShrinkCodes({data.begin(), data.end()}); }

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
    const Bytes expected = c.expected.empty() ? Bytes(100, '?') : qtest::ToBytes(c.expected);
    const EntryRun run = RunEntry(kShrunk, 0, ShrinkCodes(c.codes), expected);
    EXPECT_EQ(run.result, c.expected.empty() ? urArchiveError : urOk);
    EXPECT_EQ(run.written, !c.expected.empty());
    if (run.written) {
      EXPECT_EQ(run.output, expected);
    }
  }
}

// --- reduce -----------------------------------------------------------------------------

uint16_t ReduceMethod(int factor) { return static_cast<uint16_t>(factor + 1); }

// With every follower set empty (256 six-bit zero counts) each byte of the
// stream is 8 plain bits.
Bytes Unfollowed(const Bytes& intermediate) {
  Bytes out = intermediate;
  out.insert(out.begin(), 192, 0);
  return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A literal 144 in the reduced stream is written as 144, 0.
Bytes Escaped(const Bytes& data) {
  Bytes out;
  for (uint8_t b : data) {
    out.push_back(b);
    if (b == 144) out.push_back(0);
  }
  return out;
}

// Escaped streams against the expansion worked out by hand.
TEST(Unreduce, EscapeSequences) {
  const Bytes six = qtest::ToBytes("abcdef"), lead = Noise(600, 11);
  const auto cycle = [&](size_t n) {
    Bytes out = six;
    for (size_t i = 0; i < n; ++i) out.push_back(six[i % 6]);
    return out;
  };
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
      {"factor 4, high distance bits", 4, Concat(Escaped(lead), {144, 0x23, 7}), leadMatch},
      // 4 bytes from 6 back, at the very start.
      {"reference before the start", 1, {144, 1, 5, 'x'}, {0, 0, 0, 0, 'x'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EntryRun run =
        RunEntry(ReduceMethod(c.factor), 0, Unfollowed(c.intermediate), c.expected);
    EXPECT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, c.expected);
  }
}

// --- implode -----------------------------------------------------------------------

// Without a literal tree, with a 4 KB window: a length and a distance tree
// of 64 six-bit codes each, then every byte as a 1 bit and its 8 bits.
constexpr uint8_t kSixBitTree[] = {3, 0xF5, 0xF5, 0xF5, 0xF5};  // 4 x 16 of length 6

Bytes ImplodeLiterals(const Bytes& data) {
  BitWriter w;
  for (uint8_t b : data) w.Put(1, 1), w.Put(b, 8);
  Bytes out(std::begin(kSixBitTree), std::end(kSixBitTree));
  out.insert(out.end(), std::begin(kSixBitTree), std::end(kSixBitTree));
  return Concat(out, w.out);
}

TEST(Explode, MalformedTreesAreArchiveErrors) {
  const Bytes data(10, 'z');
  // A length tree description, then a distance tree of 64 six-bit codes and some data.
  const auto withLengthTree = [](Bytes packed) {
    packed.insert(packed.end(), std::begin(kSixBitTree), std::end(kSixBitTree));
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
    const EntryRun run = RunEntry(kImploded, 0, withLengthTree(tree), data);
    EXPECT_EQ(run.result, urArchiveError);
    EXPECT_FALSE(run.written);
  }
  // The same frame with a good tree (64 of length 6) passes the trees.
  EXPECT_EQ(RunEntry(kImploded, 0, ImplodeLiterals(data), data).result, urOk);
}

// None of the three methods has an end mark: each failure gives its result
// and leaves no file. The CRC of nothing is 0, so only the size tells an
// empty stream from the declared entry. 2^29 bytes of compressed data are
// 2^32 bits: a 32-bit bit count would wrap and stop before the first code.
TEST(Legacy, FailuresLeaveNoOutput) {
  const Bytes data = Noise(20000);
  const struct {
    uint16_t method, flags;
    Bytes packed;
    // Sizes only in a descriptor; a size declared too large; no data at all.
    TUnzipResult descriptor, tooLarge, empty;
  } streams[] = {
      {kShrunk, 0, ShrinkLiterals(data), urNotSupported, urReadError, urReadError},
      {ReduceMethod(4), 0, Unfollowed(Escaped(data)), urNotSupported, urCrcError, urReadError},
      {kImploded, 0, ImplodeLiterals(data), urReadError, urArchiveError, urArchiveError}};
  for (const auto& s : streams) {
    SCOPED_TRACE(s.method);
    ASSERT_EQ(RunEntry(s.method, s.flags, s.packed, data).result, urOk);
    const std::tuple<const char*, EntryOptions, TUnzipResult> cases[] = {
        {"archive cut in the data", {.truncateAt = s.packed.size() / 2}, urReadError},
        {"size declared too large", {.unpackedSize = 20001}, s.tooLarge},
        {"sizes in a descriptor", {.descriptor = true}, s.descriptor},
        {"abort key held", {.abort = true}, urUserAbort}};
    for (const auto& [name, options, expected] : cases) {
      const EntryRun run = RunEntry(s.method, s.flags, s.packed, data, options);
      EXPECT_EQ(run.result, expected) << name;
      EXPECT_FALSE(run.written) << name;
    }
    const EntryRun empty = RunEntry(s.method, s.flags, {}, {}, {.unpackedSize = 1000});
    EXPECT_EQ(empty.result, s.empty);
    EXPECT_FALSE(empty.written);
  }
  const Bytes shrunk = ShrinkLiterals(data);
  EXPECT_EQ(RunEntry(kShrunk, 0, shrunk, data, {.packedSize = int64_t(shrunk.size()) - 2}).result,
            urReadError);
  EntryRun run = RunEntry(kShrunk, 0, shrunk, data, {.packedSize = 0x20000000});
  EXPECT_EQ(run.result, urOk);
  EXPECT_TRUE(run.output == data);
  run = RunEntry(kShrunk, 0, {}, {});
  EXPECT_EQ(run.result, urOk);
  EXPECT_TRUE(run.written && run.output.empty());
}

}  // namespace
}  // namespace legacy
