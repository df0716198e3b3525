// Hand-built deflate streams fed to the decoder: every result code, block
// and window edges, malformed headers and symbols, the bits left behind the
// last block, and long random symbol sequences checked against a plain LZ77
// expansion. No oracle library is needed, so these run under Wine too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/bit_writer.h"
#include "support/encoders.h"
#include "support/files.h"
#include "support/samples.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

namespace {

using qtest::Bytes;
using qtest::CodeLengthItem;
using qtest::DeflateWriter;
using qtest::LzToken;
using Symbols = std::vector<LzToken>;

// --- running the decoder on a raw stream -------------------------------------

struct RawOptions {
  bool outputWritable = true;
  bool abortOnProgress = false;  // the progress receiver asks to abort
};

struct RawRun {
  TUnzipResult result = urBusy;
  Bytes output;
  uint32_t crc = 0;
  std::unique_ptr<unzip::Engine> engine;  // its bit reader, as the decoder left it
};

void AbortingNotify(uintptr_t, int16_t, int16_t* percent) { *percent = -1; }

// Runs InflateEntry on an engine of its own whose compressed input is the
// file holding `stream`, as the driver would set it up.
RawRun Inflate(const Bytes& stream, const RawOptions& options = {}) {
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "in.bin", stream);
  RawRun run;
  run.engine = std::make_unique<unzip::Engine>();
  unzip::Engine& e = *run.engine;
  e.Ui = GetEngineUi();
  if (options.abortOnProgress) {
    e.Ui.notify = AbortingNotify;
    e.NotifyWindow = 1;
  }
  std::unique_ptr<uint8_t, decltype(&std::free)> window(
      static_cast<uint8_t*>(std::calloc(unzip::kWindowSize, 1)), &std::free);
  e.OutputWindow = window.get();
  EXPECT_EQ(e.ArchiveFile.OpenRead((dir / "in.bin").c_str()), 0);
  if (options.outputWritable) {
    EXPECT_EQ(e.OutputFile.OpenWrite((dir / "out.bin").c_str()), 0);
  }
  e.CompressedSize = static_cast<uint32_t>(stream.size());
  e.RunningCrc = 0xFFFFFFFFu;
  run.result = unzip::InflateEntry(e);
  run.crc = ~e.RunningCrc;
  e.OutputWindow = nullptr;
  e.ArchiveFile.Close();
  e.OutputFile.Close();
  if (options.outputWritable) run.output = qtest::ReadFileBytes(dir / "out.bin");
  return run;
}

// --- symbols: LZ77 tokens, expanded by the test support's replay --------------

void Emit(DeflateWriter& w, const Symbols& symbols) {
  for (const LzToken& s : symbols)
    s.length == 0 ? w.Literal(s.literal) : w.Match(s.length, s.distance);
}

LzToken Lit(uint8_t b) { return {.literal = b}; }
LzToken Copy(unsigned length, unsigned distance) {
  return {.length = length, .distance = distance};
}

Symbols Literals(const std::string& text) {
  Symbols s;
  for (char c : text) s.push_back(Lit(static_cast<uint8_t>(c)));
  return s;
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// One final fixed-code block holding the symbols.
Bytes FixedStream(const Symbols& symbols) {
  DeflateWriter w;
  w.BeginFixed(true);
  Emit(w, symbols);
  w.EndOfBlock();
  return w.Finish();
}

// A dynamic block with Huffman codes fitted to the symbols it carries.
void DynamicBlock(DeflateWriter& w, bool last, const Symbols& symbols) {
  std::vector<uint64_t> lit(286, 0), dist(30, 0);
  lit[256] = 1;
  for (const LzToken& s : symbols) {
    if (s.length == 0) {
      ++lit[s.literal];
    } else {
      ++lit[qtest::LengthSymbol(s.length).symbol];
      ++dist[qtest::DistanceSymbol(s.distance).symbol];
    }
  }
  std::vector<uint8_t> distLengths = qtest::HuffmanLengths(dist, 15);
  if (std::all_of(distLengths.begin(), distLengths.end(), [](uint8_t l) { return l == 0; })) {
    distLengths.assign(1, 0);
  }
  w.BeginDynamic(last, qtest::HuffmanLengths(lit, 15), distLengths);
  Emit(w, symbols);
  w.EndOfBlock();
}

// Random symbols: literals from a small alphabet, matches of every length
// and distance class, some reaching before the first byte.
Symbols RandomSymbols(std::mt19937& rng, size_t outputBytes) {
  Symbols symbols;
  for (size_t produced = 0; produced < outputBytes;) {
    const unsigned kind = rng() % 10;
    if (kind < 4) {
      symbols.push_back(Lit(static_cast<uint8_t>('a' + rng() % 20)));
      ++produced;
      continue;
    }
    unsigned length = kind < 8 ? 3 + rng() % 20 : 3 + rng() % 256;
    if (rng() % 50 == 0) length = 258;
    unsigned distance;
    switch (rng() % 5) {
      case 0: distance = 1 + rng() % 8; break;  // overlapping copies
      case 1: distance = 1 + rng() % 300; break;
      case 2: distance = 1 + rng() % 32768; break;   // anywhere in the window
      case 3: distance = 32768 - rng() % 64; break;  // the window's far end
      default: distance = 1 + rng() % 4096; break;
    }
    symbols.push_back(Copy(length, distance));
    produced += length;
  }
  return symbols;
}

// A complete literal/length code over all 288 symbols: 224 of 8 bits, 64
// of 9 bits.
std::vector<uint8_t> Full288() {
  std::vector<uint8_t> l(288, 8);
  for (unsigned i = 0; i < 64; ++i) l[224 + i] = 9;
  return l;
}

// A complete code over the literals, end-of-block and, with 258 symbols,
// length symbol 257: the last ones 9 bits long, the others 8.
std::vector<uint8_t> LiteralCode(size_t symbols = 257) {
  std::vector<uint8_t> l(symbols, 8);
  for (size_t i = 255; i < symbols; ++i) l[i] = 9;
  if (symbols == 258) l[254] = 9;
  return l;
}

// Code-length code lengths (in symbol order) with every symbol present:
// 13 of 4 bits and 6 of 5 bits.
std::vector<uint8_t> AllCodeLengthSymbols() {
  std::vector<uint8_t> l(19, 4);
  for (unsigned s = 13; s < 19; ++s) l[s] = 5;
  return l;
}

// Items describing `lengths` one by one, then `more`.
std::vector<CodeLengthItem> Plain(const std::vector<uint8_t>& lengths,
                                  std::vector<CodeLengthItem> more = {}) {
  std::vector<CodeLengthItem> items;
  for (uint8_t l : lengths) items.push_back({l});
  items.insert(items.end(), more.begin(), more.end());
  return items;
}

// A dynamic header with the given code-length code and items, then filler.
Bytes BadHeader(const std::vector<uint8_t>& codeLengthLengths,
                const std::vector<CodeLengthItem>& items, unsigned hdist = 0) {
  DeflateWriter w;
  w.BeginDynamicRaw(true, 0, hdist, 15, codeLengthLengths, items, {}, {});
  w.Bits().Put(0xFFFFFFFFu, 32);
  return w.Finish();
}

// Three literals, then a symbol the code may have but the format does not
// allow (or a code no symbol has), with filler behind it.
Bytes BadSymbol(DeflateWriter& w, const std::function<void(DeflateWriter&)>& put) {
  w.Literals(ToBytes("abc"));
  put(w);
  w.Bits().Put(0, 16);
  w.EndOfBlock();
  return w.Finish();
}

// --- valid streams ---------------------------------------------------------------

TEST(Inflate, ValidStreamsDecodeToTheirExpansion) {
  const Bytes head = qtest::Noise(32760, 3);
  Symbols headSymbols;
  for (uint8_t b : head) headSymbols.push_back(Lit(b));
  const struct {
    const char* name;
    std::function<Bytes()> stream;
    Symbols symbols;
  } cases[] = {
      {"empty final stored block",
       [] {
         DeflateWriter w;
         w.StoredBlock(true, {});
         return w.Finish();
       },
       {}},
      {"distance 1, 258 times",
       [] {
         return FixedStream({Lit('q'), Copy(258, 1)});
       },
       {Lit('q'), Copy(258, 1)}},
      {"matches before the first byte read zeros",
       [] {
         return FixedStream({Lit('x'), Copy(6, 3), Copy(4, 32768)});
       },
       {Lit('x'), Copy(6, 3), Copy(4, 32768)}},
      // 8 bytes before the window end and 12 after; a source behind the end
      // with its destination at the start; the oldest byte of the window.
      {"copies across the window end",
       [&] {
         DeflateWriter w;
         w.StoredBlock(false, head);
         w.BeginFixed(true);
         Emit(w, {Copy(20, 100), Copy(258, 300), Copy(30, 32768)});
         w.EndOfBlock();
         return w.Finish();
       },
       [&] {
         Symbols s = headSymbols;
         s.insert(s.end(), {Copy(20, 100), Copy(258, 300), Copy(30, 32768)});
         return s;
       }()},
      // A literal code that has no length symbols needs no distance code.
      {"literals only, no distance code",
       [] {
         DeflateWriter w;
         w.BeginDynamic(true, LiteralCode(), {0});
         Emit(w, Literals("literals only"));
         w.EndOfBlock();
         return w.Finish();
       },
       Literals("literals only")},
      // Code-length 16 as the first item repeats length 0 three times;
      // 8 codes of 7 bits (3-10) and 240 of 8 bits (17-256) fill the space.
      {"repeat as the first code-length item",
       [] {
         std::vector<uint8_t> lit(257, 8);
         for (unsigned i = 0; i < 17; ++i) lit[i] = i < 3 || i >= 11 ? 0 : 7;
         std::vector<CodeLengthItem> items = {{16, 0}};
         for (unsigned i = 3; i < 257; ++i) items.push_back({lit[i]});
         items.push_back({1});  // one distance code of length 1
         DeflateWriter w;
         w.BeginDynamicRaw(true, 0, 0, 15, AllCodeLengthSymbols(), items, lit, {1});
         Emit(w, Literals("hello"));
         w.EndOfBlock();
         return w.Finish();
       },
       Literals("hello")},
      // The literal code's last length (9) repeated into the first three
      // distance lengths: 9, 9, 9 (incomplete, accepted).
      {"repeat running from literal into distance lengths",
       [] {
         DeflateWriter w;
         w.BeginDynamicRaw(true, 0, 2, 15, AllCodeLengthSymbols(), Plain(LiteralCode(), {{16, 0}}),
                           LiteralCode(), {9, 9, 9});
         Emit(w, Literals("ab"));
         w.EndOfBlock();
         return w.Finish();
       },
       Literals("ab")},
      {"incomplete distance code",
       [] {
         DeflateWriter w;
         w.BeginDynamic(true, LiteralCode(258), {2, 2, 2});
         Emit(w, {Lit('a'), Lit('b'), Lit('c'), Lit('d'), Copy(3, 3)});
         w.EndOfBlock();
         return w.Finish();
       },
       {Lit('a'), Lit('b'), Lit('c'), Lit('d'), Copy(3, 3)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RawRun run = Inflate(c.stream());
    ASSERT_EQ(run.result, urOk);
    const Bytes expected = qtest::LzReplay(c.symbols);
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(run.crc, qtest::ReferenceCrc32(expected));
  }
}

// NLit 288 and NDist 31 or 32 are accepted as long as symbols 286, 287, 30
// and 31 are not used. Symbols that end exactly at 32,768 bytes: one flush
// inside the block and a final flush of nothing.
TEST(Inflate, LargestCodeCountsAndOutputOfExactlyOneWindow) {
  Symbols symbols = Literals("abcdefgh");
  size_t produced = 8;
  for (; produced + 258 <= 32768; produced += 258) symbols.push_back(Copy(258, 8));
  symbols.push_back(Copy(static_cast<unsigned>(32768 - produced), 7));
  for (unsigned ndist : {31u, 32u}) {
    std::vector<uint8_t> dist(ndist, 5);
    if (ndist == 31) dist[0] = 4;  // 30 codes of 5 bits and one of 4: complete
    DeflateWriter w;
    w.BeginDynamic(true, Full288(), dist);
    Emit(w, symbols);
    w.EndOfBlock();
    const RawRun run = Inflate(w.Finish());
    ASSERT_EQ(run.result, urOk) << ndist;
    ASSERT_EQ(run.output.size(), 32768u);
    EXPECT_EQ(run.output, qtest::LzReplay(symbols));
  }
}

TEST(Inflate, RandomSymbolsInStoredFixedAndDynamicBlocks) {
  std::mt19937 rng(11);
  for (int round = 0; round < 6; ++round) {
    Symbols all;
    DeflateWriter w;
    const int blocks = 2 + round;
    for (int b = 0; b < blocks; ++b) {
      const bool last = b == blocks - 1;
      if (b ==
          1) {  // stored blocks across window and input buffer ends, unaligned after fixed ones
        const Bytes raw = qtest::Noise(round == 5 ? 65535 : 40000 + 5000 * round, round);
        w.StoredBlock(last, raw);
        for (uint8_t x : raw) all.push_back(Lit(x));
        continue;
      }
      const Symbols symbols = RandomSymbols(rng, 5000 + rng() % 60000);
      if ((b + round) % 3 == 0) {
        w.BeginFixed(last);
        Emit(w, symbols);
        w.EndOfBlock();
      } else {
        DynamicBlock(w, last, symbols);
      }
      all.insert(all.end(), symbols.begin(), symbols.end());
    }
    const RawRun run = Inflate(w.Finish());
    ASSERT_EQ(run.result, urOk) << "round " << round;
    const Bytes expected = qtest::LzReplay(all);
    EXPECT_TRUE(run.output == expected) << "round " << round;
    EXPECT_EQ(run.crc, qtest::ReferenceCrc32(expected));
  }
}

// --- malformed streams -----------------------------------------------------------

TEST(Inflate, MalformedStreamsAreArchiveErrors) {
  const std::vector<uint8_t> cl = AllCodeLengthSymbols();
  std::vector<uint8_t> clMissing = cl, clOver = cl, clOne(19, 0), litMissing = LiteralCode(),
                       litOver = LiteralCode();
  clMissing[0] = 0;  // one 4-bit code missing
  clOver[13] = 4;    // a 5-bit code made 4 bits long
  clOne[0] = 1;
  litMissing[0] = 0;
  litOver[0] = 7;
  const struct {
    const char* name;
    std::function<Bytes()> stream;
  } cases[] = {
      {"stored length and complement disagree",
       [] {
         DeflateWriter w;
         w.StoredBlockRaw(true, 3, 0xFFFF, ToBytes("abc"));
         return w.Finish();
       }},
      {"reserved block type",
       [] {
         DeflateWriter w;
         w.StoredBlock(false, ToBytes("ok"));
         w.ReservedBlock(true);
         return w.Finish();
       }},
      {"fixed literal/length symbol 286",
       [] {
         DeflateWriter w;
         w.BeginFixed(true);
         return BadSymbol(w, [](DeflateWriter& d) { d.LiteralSymbol(286); });
       }},
      {"fixed literal/length symbol 287",
       [] {
         DeflateWriter w;
         w.BeginFixed(true);
         return BadSymbol(w, [](DeflateWriter& d) { d.LiteralSymbol(287); });
       }},
      {"fixed distance symbol 30",
       [] {
         DeflateWriter w;
         w.BeginFixed(true);
         return BadSymbol(w, [](DeflateWriter& d) {
           d.LiteralSymbol(257);
           d.DistanceCode(30);
         });
       }},
      {"fixed distance symbol 31",
       [] {
         DeflateWriter w;
         w.BeginFixed(true);
         return BadSymbol(w, [](DeflateWriter& d) {
           d.LiteralSymbol(257);
           d.DistanceCode(31);
         });
       }},
      {"dynamic distance symbol 30",
       [] {
         DeflateWriter w;
         w.BeginDynamic(true, Full288(), std::vector<uint8_t>(32, 5));
         return BadSymbol(w, [](DeflateWriter& d) {
           d.LiteralSymbol(257);
           d.DistanceCode(30);
         });
       }},
      {"dynamic distance symbol 31",
       [] {
         DeflateWriter w;
         w.BeginDynamic(true, Full288(), std::vector<uint8_t>(32, 5));
         return BadSymbol(w, [](DeflateWriter& d) {
           d.LiteralSymbol(257);
           d.DistanceCode(31);
         });
       }},
      {"length symbol without a distance code",
       [] {
         DeflateWriter w;
         w.BeginDynamic(true, LiteralCode(258), {0});
         return BadSymbol(w, [](DeflateWriter& d) { d.LiteralSymbol(257); });
       }},
      {"free code of an incomplete distance code",
       [] {
         DeflateWriter w;
         w.BeginDynamic(true, LiteralCode(258), {2, 2, 2});
         return BadSymbol(w, [](DeflateWriter& d) {
           d.LiteralSymbol(257);
           d.Bits().PutCode(3, 2);
         });
       }},
      // Where the one distance length belongs, the previous length three
      // times: two lengths too many.
      {"repeat past the declared lengths",
       [] {
         DeflateWriter w;
         w.BeginDynamicRaw(true, 0, 0, 15, AllCodeLengthSymbols(), Plain(LiteralCode(), {{16, 0}}),
                           LiteralCode(), {});
         Emit(w, Literals("abc"));
         w.EndOfBlock();
         return w.Finish();
       }},
      {"incomplete code-length code", [&] { return BadHeader(clMissing, {}); }},
      {"over-subscribed code-length code", [&] { return BadHeader(clOver, {}); }},
      {"no code-length code", [] { return BadHeader(std::vector<uint8_t>(19, 0), {}); }},
      // One code-length code (symbol 0, code 0) counts as complete, but the
      // other half of its code space has no symbol.
      {"unused half of a single code-length code",
       [&] {
         DeflateWriter w;
         w.BeginDynamicRaw(true, 0, 0, 15, clOne, {{0}, {0}}, {}, {});
         w.Bits().Put(1, 1);
         w.Bits().Put(0, 32);
         return w.Finish();
       }},
      // 138 + 119 zeros.
      {"no literal/length code",
       [&] {
         return BadHeader(cl, {{18, 127}, {18, 108}, {1}});
       }},
      {"incomplete literal/length code", [&] { return BadHeader(cl, Plain(litMissing, {{1}})); }},
      {"over-subscribed literal/length code", [&] { return BadHeader(cl, Plain(litOver, {{1}})); }},
      {"three one-bit distance codes",
       [&] {
         return BadHeader(cl, Plain(LiteralCode(), {{1}, {1}, {1}}), 2);
       }},
  };
  for (const auto& c : cases) EXPECT_EQ(Inflate(c.stream()).result, urArchiveError) << c.name;
}

// --- write failure, abort, end of input ----------------------------------------------

Bytes LongFixedStream(size_t outputBytes, bool last = true) {
  DeflateWriter w;
  w.BeginFixed(last);
  w.Literals(qtest::Noise(outputBytes, 17));
  w.EndOfBlock();
  return w.Finish();
}

Bytes StoredStream(size_t size) {
  DeflateWriter w;
  w.StoredBlock(true, Bytes(size, 7));
  return w.Finish();
}

TEST(Inflate, FailedFlushIsAWriteErrorAndTheReceiverCanAbort) {
  const RawOptions noOutput{.outputWritable = false}, aborting{.abortOnProgress = true};
  EXPECT_EQ(Inflate(LongFixedStream(100), noOutput).result, urWriteError);    // final flush
  EXPECT_EQ(Inflate(LongFixedStream(40000), noOutput).result, urWriteError);  // full window
  EXPECT_EQ(Inflate(StoredStream(40000), noOutput).result, urWriteError);
  EXPECT_EQ(Inflate(LongFixedStream(20000), aborting).result, urUserAbort);
  EXPECT_EQ(Inflate(StoredStream(20000), aborting).result, urUserAbort);
  // Less than one input buffer: the percentage never changes, no abort.
  Bytes small = LongFixedStream(500);
  small.resize(small.size() + 8, 0);  // no read past the end for the last code
  EXPECT_EQ(Inflate(small, aborting).result, urOk);
}

TEST(Inflate, InputEndingBeforeTheLastBlockIsAReadError) {
  const Bytes fixed = LongFixedStream(30000);
  for (size_t keep : {size_t{1}, size_t{3}, size_t{2000}, fixed.size() / 2, fixed.size() - 3}) {
    const Bytes cut(fixed.begin(), fixed.begin() + static_cast<long>(keep));
    EXPECT_EQ(Inflate(cut).result, urReadError) << "fixed, " << keep << " bytes";
  }
  const Bytes stored = StoredStream(5000);
  EXPECT_EQ(Inflate(Bytes(stored.begin(), stored.begin() + 3000)).result, urReadError);
  EXPECT_EQ(Inflate(LongFixedStream(100, false)).result, urReadError)
      << "no block after a non-last one";
}

// --- what is left behind the last block -----------------------------------------------

// The driver reads a data descriptor from where the decoder stopped.
TEST(Inflate, BitsBehindTheLastBlockStayInTheBitReader) {
  std::mt19937 rng(23);
  for (size_t size : {size_t{10}, size_t{5000}, size_t{70000}}) {
    const Symbols symbols = RandomSymbols(rng, size);
    DeflateWriter w;
    DynamicBlock(w, true, symbols);
    Bytes stream = w.Finish();
    const Bytes trailer = {0x50, 0x4B, 0x07, 0x08, 0xDE, 0xC0, 0xAD, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8};
    stream.insert(stream.end(), trailer.begin(), trailer.end());
    const RawRun run = Inflate(stream);
    ASSERT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, qtest::LzReplay(symbols));
    unzip::Engine& e = *run.engine;
    e.DumpBits(e.BitCount % 8);
    for (size_t i = 0; i < 8; i += 2) {
      EXPECT_EQ(e.GetBits(16), trailer[i] | (trailer[i + 1] << 8u))
          << "size " << size << " byte " << i;
    }
  }
}

TEST(Inflate, DescriptorEntriesWithZeroSizesExtract) {
  std::mt19937 rng(29);
  for (bool signature : {true, false}) {
    const Symbols symbols = RandomSymbols(rng, 50000);
    DeflateWriter w;
    DynamicBlock(w, true, symbols);
    const qtest::ZipEntryPlan entry{.name = "d.bin",
                                    .data = qtest::LzReplay(symbols),
                                    .method = 8,
                                    .packed = w.Finish(),
                                    .flags = 8,
                                    .descriptorSignature = signature,
                                    .zeroSizesInLocal = true};
    qtest::TempDir dir;
    qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({entry, qtest::Stored("after", "x")}));
    EXPECT_EQ(UnzipEntry((dir / "a.zip").c_str(), (dir / "d.bin").c_str(), 0, 0, 0, 0), urOk)
        << "signature " << signature;
    EXPECT_EQ(qtest::ReadFileBytes(dir / "d.bin"), entry.data);
  }
}

}  // namespace
