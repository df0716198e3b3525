// Hand-built deflate streams fed to the decoder: every result code, block
// and window edges, the bits left behind the last block, and long random
// symbol sequences checked against a plain LZ77 expansion. No oracle library
// is needed, so these run under Wine too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/bit_writer.h"
#include "support/files.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

namespace {

using qtest::Bytes;
using qtest::CodeLengthItem;
using qtest::DeflateWriter;

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

// --- a plain model of the format's symbols --------------------------------------

struct Symbol {
  unsigned length;  // 0: literal
  unsigned distanceOrByte;
};

// Expands symbols with 32 KB of zero history before the first byte.
Bytes Expand(const std::vector<Symbol>& symbols) {
  Bytes out;
  for (const Symbol& s : symbols) {
    if (s.length == 0) {
      out.push_back(static_cast<uint8_t>(s.distanceOrByte));
      continue;
    }
    for (unsigned i = 0; i < s.length; ++i) {
      const long from = static_cast<long>(out.size()) - static_cast<long>(s.distanceOrByte);
      out.push_back(from < 0 ? 0 : out[static_cast<size_t>(from)]);
    }
  }
  return out;
}

void Emit(DeflateWriter& w, const std::vector<Symbol>& symbols) {
  for (const Symbol& s : symbols) {
    if (s.length == 0) {
      w.Literal(static_cast<uint8_t>(s.distanceOrByte));
    } else {
      w.Match(s.length, s.distanceOrByte);
    }
  }
}

// One final fixed-code block holding the symbols.
Bytes FixedStream(const std::vector<Symbol>& symbols) {
  DeflateWriter w;
  w.BeginFixed(true);
  Emit(w, symbols);
  w.EndOfBlock();
  return w.Finish();
}

// A dynamic block with Huffman codes fitted to the symbols it carries.
void DynamicBlock(DeflateWriter& w, bool last, const std::vector<Symbol>& symbols) {
  std::vector<uint64_t> lit(286, 0), dist(30, 0);
  lit[256] = 1;
  for (const Symbol& s : symbols) {
    if (s.length == 0) {
      ++lit[s.distanceOrByte];
    } else {
      ++lit[qtest::LengthSymbol(s.length).symbol];
      ++dist[qtest::DistanceSymbol(s.distanceOrByte).symbol];
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

std::vector<Symbol> Literals(const std::string& text) {
  std::vector<Symbol> s;
  for (char c : text) s.push_back({0, static_cast<uint8_t>(c)});
  return s;
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Random symbols: literals from a small alphabet, matches of every length
// and distance class, some reaching before the first byte.
std::vector<Symbol> RandomSymbols(std::mt19937& rng, size_t outputBytes) {
  std::vector<Symbol> symbols;
  size_t produced = 0;
  while (produced < outputBytes) {
    const unsigned kind = rng() % 10;
    if (kind < 4) {
      symbols.push_back({0, static_cast<unsigned>('a' + rng() % 20)});
      ++produced;
      continue;
    }
    unsigned length = kind < 8 ? 3 + rng() % 20 : 3 + rng() % 256;
    if (rng() % 50 == 0) length = 258;
    unsigned distance;
    switch (rng() % 5) {
      case 0: distance = 1 + rng() % 8; break;          // overlapping copies
      case 1: distance = 1 + rng() % 300; break;
      case 2: distance = 1 + rng() % 32768; break;      // anywhere in the window
      case 3: distance = 32768 - rng() % 64; break;     // the window's far end
      default: distance = 1 + rng() % 4096; break;
    }
    symbols.push_back({length, distance});
    produced += length;
  }
  return symbols;
}

// --- block types and stored blocks -----------------------------------------

TEST(InflateStored, EmptyFinalBlockGivesNoOutput) {
  DeflateWriter w;
  w.StoredBlock(true, {});
  const RawRun run = Inflate(w.Finish());
  EXPECT_EQ(run.result, urOk);
  EXPECT_TRUE(run.output.empty());
  EXPECT_EQ(run.crc, 0u);
}

TEST(InflateStored, BlocksAcrossSeveralWindowsAndInputBuffers) {
  std::mt19937 rng(1);
  Bytes a(40000), b(65535);
  for (uint8_t& x : a) x = static_cast<uint8_t>(rng());
  for (uint8_t& x : b) x = static_cast<uint8_t>(rng());
  DeflateWriter w;
  w.StoredBlock(false, a);
  w.BeginFixed(false);  // leaves the stored block that follows unaligned
  w.Literals(ToBytes("xyz"));
  w.EndOfBlock();
  w.StoredBlock(true, b);
  const RawRun run = Inflate(w.Finish());
  ASSERT_EQ(run.result, urOk);
  Bytes expected = a;
  expected.insert(expected.end(), {'x', 'y', 'z'});
  expected.insert(expected.end(), b.begin(), b.end());
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.crc, qtest::ReferenceCrc32(expected));
}

TEST(InflateStored, LengthAndComplementMustAgree) {
  DeflateWriter w;
  w.StoredBlockRaw(true, 3, 0xFFFF, ToBytes("abc"));
  EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError);
}

TEST(InflateBlock, ReservedTypeIsAnArchiveError) {
  DeflateWriter w;
  w.StoredBlock(false, ToBytes("ok"));
  w.ReservedBlock(true);
  EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError);
}

// --- window edges ------------------------------------------------------------

TEST(InflateWindow, DistanceOneRepeatsThePreviousByte258Times) {
  const RawRun run = Inflate(FixedStream({{0, 'q'}, {258, 1}}));
  ASSERT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, Bytes(259, 'q'));
}

TEST(InflateWindow, MatchBeforeTheFirstByteReadsZeros) {
  const std::vector<Symbol> symbols = {{0, 'x'}, {6, 3}, {4, 32768}};
  const RawRun run = Inflate(FixedStream(symbols));
  ASSERT_EQ(run.result, urOk);
  const Bytes expected = {'x', 0, 0, 'x', 0, 0, 'x', 0, 0, 0, 0};
  EXPECT_EQ(Expand(symbols), expected);
  EXPECT_EQ(run.output, expected);
}

TEST(InflateWindow, CopyAcrossTheWindowEndIsSplitAndFlushed) {
  std::mt19937 rng(3);
  Bytes head(32760);
  for (uint8_t& x : head) x = static_cast<uint8_t>(rng());
  DeflateWriter w;
  w.StoredBlock(false, head);
  w.BeginFixed(true);
  w.Match(20, 100);    // 8 bytes before the window end, 12 after
  w.Match(258, 300);   // source behind the end, destination at the start
  w.Match(30, 32768);  // the oldest byte of the window
  w.EndOfBlock();
  const RawRun run = Inflate(w.Finish());
  ASSERT_EQ(run.result, urOk);
  std::vector<Symbol> symbols;
  for (uint8_t b : head) symbols.push_back({0, b});
  symbols.insert(symbols.end(), {{20, 100}, {258, 300}, {30, 32768}});
  EXPECT_EQ(run.output, Expand(symbols));
}

TEST(InflateWindow, OutputOfExactlyOneWindow) {
  // Fixed-code symbols that end exactly at 32,768 bytes: one flush inside
  // the block, and a final flush of nothing.
  std::vector<Symbol> symbols = Literals("abcdefgh");
  size_t produced = 8;
  while (produced + 258 <= 32768) {
    symbols.push_back({258, 8});
    produced += 258;
  }
  symbols.push_back({static_cast<unsigned>(32768 - produced), 7});
  const RawRun run = Inflate(FixedStream(symbols));
  ASSERT_EQ(run.result, urOk);
  ASSERT_EQ(run.output.size(), 32768u);
  EXPECT_EQ(run.output, Expand(symbols));
}

TEST(InflateWindow, RandomSymbolsInFixedAndDynamicBlocks) {
  std::mt19937 rng(11);
  for (int round = 0; round < 6; ++round) {
    std::vector<Symbol> all;
    DeflateWriter w;
    const int blocks = 1 + round;
    for (int b = 0; b < blocks; ++b) {
      std::vector<Symbol> symbols = RandomSymbols(rng, 5000 + rng() % 60000);
      const bool last = b == blocks - 1;
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
    const Bytes expected = Expand(all);
    ASSERT_EQ(run.output.size(), expected.size()) << "round " << round;
    EXPECT_TRUE(run.output == expected) << "round " << round;
    EXPECT_EQ(run.crc, qtest::ReferenceCrc32(expected));
  }
}

// --- dynamic headers -------------------------------------------------------------

// A complete literal/length code over all 288 symbols: 224 of 8 bits, 64
// of 9 bits.
std::vector<uint8_t> Full288() {
  std::vector<uint8_t> l(288, 8);
  for (unsigned i = 0; i < 64; ++i) l[224 + i] = 9;
  return l;
}

TEST(InflateDynamic, NLit288AndNDist31Or32AreAccepted) {
  for (unsigned ndist : {31u, 32u}) {
    std::vector<uint8_t> dist(ndist, 5);
    if (ndist == 31) {  // 30 codes of 5 bits and one of 4: complete
      dist[0] = 4;
    }
    const std::vector<Symbol> symbols = {{0, 'a'}, {0, 'b'}, {10, 2}, {0, 'c'}, {40, 7}};
    DeflateWriter w;
    w.BeginDynamic(true, Full288(), dist);
    Emit(w, symbols);
    w.EndOfBlock();
    const RawRun run = Inflate(w.Finish());
    ASSERT_EQ(run.result, urOk) << ndist;
    EXPECT_EQ(run.output, Expand(symbols));
  }
}

TEST(InflateDynamic, DistanceSymbols30And31AreInvalidCodes) {
  for (unsigned symbol : {30u, 31u}) {
    DeflateWriter w;
    w.BeginDynamic(true, Full288(), std::vector<uint8_t>(32, 5));
    w.Literal('a');
    w.LiteralSymbol(257);  // length 3
    w.DistanceCode(symbol);
    w.Bits().Put(0, 16);
    w.EndOfBlock();
    EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError) << symbol;
  }
}

TEST(InflateDynamic, LiteralsOnlyBlockWithoutDistanceCodes) {
  std::vector<uint8_t> lit(258, 0);
  for (unsigned i = 0; i < 256; ++i) lit[i] = 8;
  lit[255] = 9;
  lit[256] = 9;
  lit[257] = 0;
  DeflateWriter ok;
  ok.BeginDynamic(true, lit, {0});
  ok.Literals(ToBytes("literals only"));
  ok.EndOfBlock();
  const RawRun run = Inflate(ok.Finish());
  ASSERT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, ToBytes("literals only"));

  // The same block with a length symbol in it.
  lit[254] = 9;
  lit[257] = 9;
  DeflateWriter bad;
  bad.BeginDynamic(true, lit, {0});
  bad.Literals(ToBytes("abc"));
  bad.LiteralSymbol(257);
  bad.Bits().Put(0, 16);
  bad.EndOfBlock();
  EXPECT_EQ(Inflate(bad.Finish()).result, urArchiveError);
}

// Code-length code lengths (in symbol order) with every symbol present.
std::vector<uint8_t> AllCodeLengthSymbols() {
  std::vector<uint8_t> l(19, 4);
  for (unsigned s = 13; s < 19; ++s) l[s] = 5;
  return l;
}

// Items describing `lengths` one by one.
std::vector<CodeLengthItem> Plain(const std::vector<uint8_t>& lengths) {
  std::vector<CodeLengthItem> items;
  for (uint8_t l : lengths) items.push_back({l});
  return items;
}

TEST(InflateDynamic, RepeatAsFirstItemRepeatsLengthZero) {
  // Literal code: symbols 0-2 absent (16 repeating the initial 0 three
  // times), 3-255 and the end-of-block code present.
  // 8 codes of 7 bits (3-10) and 240 of 8 bits (17-256) fill the space.
  std::vector<uint8_t> lit(257, 8);
  lit[0] = lit[1] = lit[2] = 0;
  for (unsigned i = 3; i < 11; ++i) lit[i] = 7;
  for (unsigned i = 11; i < 17; ++i) lit[i] = 0;
  std::vector<CodeLengthItem> items = {{16, 0}};  // three times the previous (0)
  for (unsigned i = 3; i < 257; ++i) items.push_back({lit[i]});
  items.push_back({1});  // one distance code of length 1
  DeflateWriter w;
  w.BeginDynamicRaw(true, 0, 0, 15, AllCodeLengthSymbols(), items, lit, {1});
  w.Literals(ToBytes("hello"));
  w.EndOfBlock();
  const RawRun run = Inflate(w.Finish());
  ASSERT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, ToBytes("hello"));
}

TEST(InflateDynamic, RepeatPastTheDeclaredLengthsIsAnError) {
  // A good literal code, then, where the one distance length belongs, a
  // repeat of the previous length three times: two lengths too many.
  std::vector<uint8_t> lit(257, 8);
  lit[255] = 9;
  lit[256] = 9;
  std::vector<CodeLengthItem> items = Plain(lit);
  items.push_back({16, 0});
  DeflateWriter w;
  w.BeginDynamicRaw(true, 0, 0, 15, AllCodeLengthSymbols(), items, lit, {});
  w.Literals(ToBytes("abc"));
  w.EndOfBlock();
  EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError);
}

TEST(InflateDynamic, RepeatMayRunFromLiteralIntoDistanceLengths) {
  std::vector<uint8_t> lit(257, 0);
  for (unsigned i = 0; i < 256; ++i) lit[i] = 8;
  lit[255] = 9;
  lit[256] = 9;
  // Literal code as usual, but its last length (9, for 256) repeated into
  // the first three distance lengths... which must then form a code:
  // lengths 9, 9, 9 (incomplete, accepted).
  std::vector<CodeLengthItem> items = Plain(lit);
  items.push_back({16, 0});  // three more 9s: distance codes 0-2
  DeflateWriter w;
  w.BeginDynamicRaw(true, 0, 2, 15, AllCodeLengthSymbols(), items, lit, {9, 9, 9});
  w.Literals(ToBytes("ab"));
  w.EndOfBlock();
  const RawRun run = Inflate(w.Finish());
  ASSERT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, ToBytes("ab"));
}

// A dynamic header with the given code-length code and items, then filler.
Bytes BadHeaderStream(const std::vector<uint8_t>& codeLengthLengths,
                      const std::vector<CodeLengthItem>& items, unsigned hdist = 0) {
  DeflateWriter w;
  w.BeginDynamicRaw(true, 0, hdist, 15, codeLengthLengths, items, {}, {});
  w.Bits().Put(0xFFFFFFFFu, 32);
  return w.Finish();
}

TEST(InflateDynamic, BadCodeLengthCodesAreArchiveErrors) {
  std::vector<uint8_t> incomplete = AllCodeLengthSymbols();
  incomplete[0] = 0;  // one 4-bit code missing
  EXPECT_EQ(Inflate(BadHeaderStream(incomplete, {})).result, urArchiveError);
  std::vector<uint8_t> over = AllCodeLengthSymbols();
  over[13] = 4;  // a 5-bit code made 4 bits long
  EXPECT_EQ(Inflate(BadHeaderStream(over, {})).result, urArchiveError);
  EXPECT_EQ(Inflate(BadHeaderStream(std::vector<uint8_t>(19, 0), {})).result, urArchiveError);

  // A single code-length code (symbol 0, code 0) counts as complete, but
  // the other half of its code space has no symbol: meeting it is an error.
  std::vector<uint8_t> one(19, 0);
  one[0] = 1;
  DeflateWriter w;
  w.BeginDynamicRaw(true, 0, 0, 15, one, {{0}, {0}}, {}, {});
  w.Bits().Put(1, 1);
  w.Bits().Put(0, 32);
  EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError);
}

TEST(InflateDynamic, BadLiteralAndDistanceCodesAreArchiveErrors) {
  std::vector<uint8_t> fine(257, 8);
  fine[255] = 9;
  fine[256] = 9;
  auto withDistances = [](std::vector<CodeLengthItem> items,
                          std::initializer_list<CodeLengthItem> distances) {
    items.insert(items.end(), distances);
    return items;
  };
  const std::vector<uint8_t> cl = AllCodeLengthSymbols();

  // 138 + 119 zeros: no literal/length code at all.
  EXPECT_EQ(Inflate(BadHeaderStream(cl, {{18, 127}, {18, 108}, {1}})).result, urArchiveError);
  std::vector<uint8_t> incomplete = fine;
  incomplete[0] = 0;
  EXPECT_EQ(Inflate(BadHeaderStream(cl, withDistances(Plain(incomplete), {{1}}))).result,
            urArchiveError);
  std::vector<uint8_t> over = fine;
  over[0] = 7;
  EXPECT_EQ(Inflate(BadHeaderStream(cl, withDistances(Plain(over), {{1}}))).result,
            urArchiveError);
  // Three distance codes of one bit.
  EXPECT_EQ(Inflate(BadHeaderStream(cl, withDistances(Plain(fine), {{1}, {1}, {1}}), 2)).result,
            urArchiveError);
}

TEST(InflateDynamic, IncompleteDistanceCodeIsAcceptedButItsFreeCodeIsNot) {
  std::vector<uint8_t> lit(258, 8);
  lit[254] = lit[255] = lit[256] = lit[257] = 9;
  const std::vector<uint8_t> dist = {2, 2, 2};  // the code 11 is free
  DeflateWriter ok;
  ok.BeginDynamic(true, lit, dist);
  ok.Literals(ToBytes("abcd"));
  ok.LiteralSymbol(257);  // length 3
  ok.DistanceCode(2);     // distance 3
  ok.EndOfBlock();
  const RawRun run = Inflate(ok.Finish());
  ASSERT_EQ(run.result, urOk);
  EXPECT_EQ(run.output, ToBytes("abcdbcd"));

  DeflateWriter bad;
  bad.BeginDynamic(true, lit, dist);
  bad.Literals(ToBytes("abcd"));
  bad.LiteralSymbol(257);
  bad.Bits().PutCode(3, 2);  // the free code
  bad.EndOfBlock();
  EXPECT_EQ(Inflate(bad.Finish()).result, urArchiveError);
}

// --- fixed blocks: invalid symbols -------------------------------------------------

TEST(InflateFixed, Symbols286And287AndDistances30And31AreInvalid) {
  for (unsigned symbol : {286u, 287u}) {
    DeflateWriter w;
    w.BeginFixed(true);
    w.Literals(ToBytes("abc"));
    w.LiteralSymbol(symbol);
    w.Bits().Put(0, 16);
    w.EndOfBlock();
    EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError) << symbol;
  }
  for (unsigned symbol : {30u, 31u}) {
    DeflateWriter w;
    w.BeginFixed(true);
    w.Literals(ToBytes("abc"));
    w.LiteralSymbol(257);
    w.DistanceCode(symbol);
    w.Bits().Put(0, 16);
    w.EndOfBlock();
    EXPECT_EQ(Inflate(w.Finish()).result, urArchiveError) << symbol;
  }
}

// --- write failure, abort, end of input ----------------------------------------------

Bytes LongFixedStream(size_t outputBytes, bool last = true) {
  std::mt19937 rng(17);
  DeflateWriter w;
  w.BeginFixed(last);
  for (size_t i = 0; i < outputBytes; ++i) w.Literal(static_cast<uint8_t>(rng()));
  w.EndOfBlock();
  return w.Finish();
}

TEST(InflateFailures, FailedFlushIsAWriteError) {
  RawOptions options;
  options.outputWritable = false;
  EXPECT_EQ(Inflate(LongFixedStream(100), options).result, urWriteError);  // final flush
  EXPECT_EQ(Inflate(LongFixedStream(40000), options).result, urWriteError);  // full window
  DeflateWriter stored;
  stored.StoredBlock(true, Bytes(40000, 7));
  EXPECT_EQ(Inflate(stored.Finish(), options).result, urWriteError);
}

TEST(InflateFailures, AbortFromTheProgressReceiver) {
  RawOptions options;
  options.abortOnProgress = true;
  EXPECT_EQ(Inflate(LongFixedStream(20000), options).result, urUserAbort);
  DeflateWriter stored;
  stored.StoredBlock(true, Bytes(20000, 7));
  EXPECT_EQ(Inflate(stored.Finish(), options).result, urUserAbort);
  // Less than one input buffer: the percentage never changes, no abort.
  Bytes small = LongFixedStream(500);
  small.resize(small.size() + 8, 0);  // no read past the end for the last code
  EXPECT_EQ(Inflate(small, options).result, urOk);
}

TEST(InflateFailures, InputEndingBeforeTheLastBlockIsAReadError) {
  const Bytes fixed = LongFixedStream(30000);
  for (size_t keep : {size_t{1}, size_t{3}, size_t{2000}, fixed.size() / 2, fixed.size() - 3}) {
    const Bytes cut(fixed.begin(), fixed.begin() + static_cast<long>(keep));
    EXPECT_EQ(Inflate(cut).result, urReadError) << "fixed, " << keep << " bytes";
  }
  DeflateWriter stored;
  stored.StoredBlock(true, Bytes(5000, 1));
  const Bytes full = stored.Finish();
  const Bytes cut(full.begin(), full.begin() + 3000);
  EXPECT_EQ(Inflate(cut).result, urReadError);
  // A block that is not the last one, then nothing.
  EXPECT_EQ(Inflate(LongFixedStream(100, false)).result, urReadError);
}

// --- what is left behind the last block -----------------------------------------------

TEST(InflateEnd, BitsBehindTheLastBlockStayInTheBitReader) {
  std::mt19937 rng(23);
  for (size_t size : {size_t{10}, size_t{5000}, size_t{70000}}) {
    std::vector<Symbol> symbols = RandomSymbols(rng, size);
    DeflateWriter w;
    DynamicBlock(w, true, symbols);
    Bytes stream = w.Finish();
    const Bytes trailer = {0x50, 0x4B, 0x07, 0x08, 0xDE, 0xC0, 0xAD, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8};
    stream.insert(stream.end(), trailer.begin(), trailer.end());
    const RawRun run = Inflate(stream);
    ASSERT_EQ(run.result, urOk);
    EXPECT_EQ(run.output, Expand(symbols));
    unzip::Engine& e = *run.engine;
    e.DumpBits(e.BitCount % 8);
    for (size_t i = 0; i < 8; i += 2) {
      const uint32_t word = e.GetBits(16);
      EXPECT_EQ(word, trailer[i] | (trailer[i + 1] << 8u)) << "size " << size << " byte " << i;
    }
  }
}

TEST(InflateEnd, DescriptorEntriesWithZeroSizesExtract) {
  std::mt19937 rng(29);
  for (bool signature : {true, false}) {
    const std::vector<Symbol> symbols = RandomSymbols(rng, 50000);
    DeflateWriter w;
    DynamicBlock(w, true, symbols);
    qtest::ZipEntrySpec entry;
    entry.name = "d.bin";
    entry.data = Expand(symbols);
    entry.method = 8;
    entry.packed = w.Finish();
    entry.flags = 8;
    entry.zeroSizesInLocal = true;
    entry.descriptorSignature = signature;
    qtest::TempDir dir;
    qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({entry, qtest::Stored("after", "x")}));
    EXPECT_EQ(UnzipEntry((dir / "a.zip").c_str(), (dir / "d.bin").c_str(), 0, 0, 0, 0), urOk)
        << "signature " << signature;
    EXPECT_EQ(qtest::ReadFileBytes(dir / "d.bin"), entry.data);
  }
}

}  // namespace
