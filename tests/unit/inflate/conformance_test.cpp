// Conformance: streams made by zlib (every level, strategy, window size and
// memory level) and by libdeflate (every level) extract through UnzipEntry
// to exactly their input, with the CRC checked by the driver.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/files.h"
#include "unzip/unzip.h"

namespace {

using qtest::Bytes;

// --- data ------------------------------------------------------------------------

// Text-like: words of a small vocabulary in lines, as documents and
// source files look to a compressor.
Bytes Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "the",  "installer", "archive", "window",   "deflate", "entry",  "folder", "of",
      "and",  "program",   "files",   "setup",    "a",       "to",     "is",     "with",
      "data", "block",     "code",    "length",   "{",       "}",      "return", "int",
      "void", "const",     "0x7FFF",  "// note:", "#include", "\t",    "if",     "else"};
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size + 16);
  while (out.size() < size) {
    const char* w = kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))];
    out.insert(out.end(), w, w + std::strlen(w));
    out.push_back(rng() % 9 == 0 ? '\n' : ' ');
  }
  out.resize(size);
  return out;
}

// Binary-like: little-endian integers with small values, repeated records,
// runs of zeros, and some noise.
Bytes Binary(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size + 64);
  while (out.size() < size) {
    switch (rng() % 4) {
      case 0: {
        const uint32_t v = rng() % 4096;
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        break;
      }
      case 1: out.insert(out.end(), rng() % 64, 0); break;
      case 2:
        if (out.size() > 64) {
          const size_t from = out.size() - 1 - rng() % std::min<size_t>(out.size() - 1, 30000);
          const size_t n = 3 + rng() % 60;
          for (size_t i = 0; i < n; ++i) out.push_back(out[from + i]);
        }
        break;
      default: out.push_back(static_cast<uint8_t>(rng())); break;
    }
  }
  out.resize(size);
  return out;
}

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// --- encoders --------------------------------------------------------------------

Bytes ZlibDeflate(const Bytes& in, int level, int strategy, int windowBits, int memLevel) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -windowBits, memLevel, strategy) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  Bytes out(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

Bytes LibdeflateDeflate(const Bytes& in, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  if (c == nullptr) throw std::runtime_error("libdeflate_alloc_compressor");
  Bytes out(libdeflate_deflate_compress_bound(c, in.size()) + 16);
  const size_t n = libdeflate_deflate_compress(c, in.data(), in.size(), out.data(), out.size());
  libdeflate_free_compressor(c);
  if (n == 0) throw std::runtime_error("libdeflate_deflate_compress");
  out.resize(n);
  return out;
}

// --- extraction --------------------------------------------------------------------

// Puts the stream in an archive (with a stored entry behind it, so the
// reader sees what an archive holds after the data) and extracts it.
::testing::AssertionResult RoundTrip(const Bytes& data, const Bytes& packed, bool descriptor,
                                     const std::string& what) {
  qtest::ZipEntrySpec entry;
  entry.name = "e.bin";
  entry.data = data;
  entry.method = 8;
  entry.packed = packed;
  if (descriptor) {
    entry.flags = 8;
    entry.zeroSizesInLocal = true;
  }
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({entry, qtest::Stored("next", "x")}));
  const TUnzipResult r = UnzipEntry((dir / "a.zip").c_str(), (dir / "e.bin").c_str(), 0, 0, 0, 0);
  if (r != urOk) return ::testing::AssertionFailure() << what << ": " << UnzipResultName(r);
  if (qtest::ReadFileBytes(dir / "e.bin") != data) {
    return ::testing::AssertionFailure() << what << ": output differs";
  }
  return ::testing::AssertionSuccess();
}

struct Sample {
  const char* kind;
  Bytes data;
};

std::vector<Sample> Samples() {
  std::vector<Sample> s;
  for (size_t size : {size_t{0}, size_t{1}, size_t{100}, size_t{32767}, size_t{32768},
                      size_t{32769}, size_t{100000}}) {
    s.push_back({"text", Text(size, static_cast<uint32_t>(size))});
  }
  s.push_back({"binary", Binary(70000, 2)});
  s.push_back({"random", Random(40000, 3)});
  s.push_back({"text 1 MB", Text(1 << 20, 4)});
  return s;
}

const char* StrategyName(int strategy) {
  switch (strategy) {
    case Z_FILTERED: return "filtered";
    case Z_HUFFMAN_ONLY: return "huffman-only";
    case Z_RLE: return "rle";
    case Z_FIXED: return "fixed";
    default: return "default";
  }
}

class ZlibStrategy : public ::testing::TestWithParam<int> {};

TEST_P(ZlibStrategy, EveryLevelRoundTrips) {
  const int strategy = GetParam();
  for (const Sample& s : Samples()) {
    for (int level = 0; level <= 9; ++level) {
      const std::string what = std::string("zlib ") + StrategyName(strategy) + " level " +
                               std::to_string(level) + " " + s.kind + " " +
                               std::to_string(s.data.size());
      EXPECT_TRUE(RoundTrip(s.data, ZlibDeflate(s.data, level, strategy, 15, 8), level % 2 == 1, what));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Zlib, ZlibStrategy,
                         ::testing::Values(Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE,
                                           Z_FIXED),
                         [](const ::testing::TestParamInfo<int>& p) {
                           std::string n = StrategyName(p.param);
                           for (char& c : n) {
                             if (c == '-') c = '_';
                           }
                           return n;
                         });

TEST(Zlib, EveryWindowSizeAndMemoryLevelRoundTrips) {
  const Bytes text = Text(300000, 9);
  const Bytes binary = Binary(200000, 10);
  for (int windowBits = 9; windowBits <= 15; ++windowBits) {
    for (int memLevel = 1; memLevel <= 9; ++memLevel) {
      const Bytes& data = (windowBits + memLevel) % 2 == 0 ? text : binary;
      const std::string what = "zlib window bits " + std::to_string(windowBits) + " memory level " +
                               std::to_string(memLevel);
      EXPECT_TRUE(RoundTrip(data, ZlibDeflate(data, 6, Z_DEFAULT_STRATEGY, windowBits, memLevel),
                            false, what));
    }
  }
}

TEST(Zlib, SeveralMegabytesAtLevels1And9) {
  Bytes data = Text(3 << 20, 11);
  const Bytes more = Binary(2 << 20, 12);
  data.insert(data.end(), more.begin(), more.end());
  for (int level : {1, 9}) {
    EXPECT_TRUE(RoundTrip(data, ZlibDeflate(data, level, Z_DEFAULT_STRATEGY, 15, 9), level == 9,
                          "zlib 5 MB level " + std::to_string(level)));
  }
}

TEST(Libdeflate, EveryLevelRoundTrips) {
  for (const Sample& s : Samples()) {
    for (int level = 1; level <= 12; ++level) {
      const std::string what = "libdeflate level " + std::to_string(level) + " " + s.kind + " " +
                               std::to_string(s.data.size());
      EXPECT_TRUE(RoundTrip(s.data, LibdeflateDeflate(s.data, level), level % 3 == 0, what));
    }
  }
}

}  // namespace
