// Conformance: streams made by zlib (every level and strategy) and by
// libdeflate (every level) extract through UnzipEntry to exactly their
// input, with the CRC checked by the driver. (zlib's window sizes and memory
// levels are the differential fuzzer's.)
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/samples.h"
#include "unzip/unzip.h"

namespace {

using qtest::Bytes;

Bytes ZlibDeflate(const Bytes& in, int level, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  Bytes out(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes LibdeflateDeflate(const Bytes& in, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  Bytes out(libdeflate_deflate_compress_bound(c, in.size()) + 16);
  out.resize(libdeflate_deflate_compress(c, in.data(), in.size(), out.data(), out.size()));
  libdeflate_free_compressor(c);
  return out;
}

// Puts the stream in an archive (with a stored entry behind it, so the
// reader sees what an archive holds after the data) and extracts it.
void RoundTrip(const Bytes& data, const Bytes& packed, bool descriptor, const std::string& what) {
  qtest::ZipEntryPlan entry{.name = "e", .data = data, .method = 8, .packed = packed};
  entry.flags = descriptor ? 8 : 0;
  entry.zeroSizesInLocal = descriptor;
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({entry, qtest::Stored("next", "x")}));
  const TUnzipResult r = UnzipEntry((dir / "a.zip").c_str(), (dir / "e").c_str(), 0, 0, 0, 0);
  ASSERT_EQ(r, urOk) << what;
  EXPECT_TRUE(qtest::ReadFileBytes(dir / "e") == data) << what;
}

TEST(Conformance, ZlibAndLibdeflateStreamsAtEveryLevelRoundTrip) {
  std::vector<Bytes> samples;
  for (size_t size : {0, 1, 100, 32767, 32768, 32769, 100000, 1 << 20}) {
    samples.push_back(qtest::Text(size, static_cast<uint32_t>(size)));
  }
  samples.push_back(qtest::Noise(40000, 3));
  Bytes far = qtest::Noise(32000, 2), again = far;  // matches 32,000 bytes back
  far.insert(far.end(), again.begin(), again.end());
  samples.push_back(far);
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (const Bytes& s : samples) {
    const std::string size = " size " + std::to_string(s.size());
    for (int strategy : strategies) {
      for (int level = 0; level <= 9; ++level) {
        RoundTrip(
            s, ZlibDeflate(s, level, strategy), level % 2 == 1,
            "zlib strategy " + std::to_string(strategy) + " level " + std::to_string(level) + size);
      }
    }
    for (int level = 1; level <= 12; ++level) {
      RoundTrip(s, LibdeflateDeflate(s, level), level % 3 == 0,
                "libdeflate level " + std::to_string(level) + size);
    }
  }
}

}  // namespace
