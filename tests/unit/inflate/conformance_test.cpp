// Conformance: streams made by zlib (every level, strategy, window size and
// memory level) and by libdeflate (every level) extract through UnzipEntry
// to exactly their input, with the CRC checked by the driver.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/samples.h"
#include "unzip/unzip.h"

namespace {

using qtest::Bytes;
using qtest::Text;

// Copies from anywhere in the 32 KB window.
Bytes Binary(size_t size, uint32_t seed) { return qtest::Runs(size, seed, 32768); }

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
  qtest::ZipEntryPlan entry;
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
  s.push_back({"random", qtest::Noise(40000, 3)});
  s.push_back({"text 1 MB", Text(1 << 20, 4)});
  return s;
}

TEST(Zlib, EveryStrategyAndLevelRoundTrips) {
  const std::pair<int, const char*> strategies[] = {{Z_DEFAULT_STRATEGY, "default"},
                                                    {Z_FILTERED, "filtered"},
                                                    {Z_HUFFMAN_ONLY, "huffman-only"},
                                                    {Z_RLE, "rle"},
                                                    {Z_FIXED, "fixed"}};
  const std::vector<Sample> samples = Samples();
  for (const auto& [strategy, name] : strategies) {
    for (const Sample& s : samples) {
      for (int level = 0; level <= 9; ++level) {
        const std::string what = std::string("zlib ") + name + " level " + std::to_string(level) +
                                 " " + s.kind + " " + std::to_string(s.data.size());
        EXPECT_TRUE(
            RoundTrip(s.data, ZlibDeflate(s.data, level, strategy, 15, 8), level % 2 == 1, what));
      }
    }
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
