// The decoder against zlib on the same streams, input in memory. The input
// is taken once as a raw deflate stream: wherever zlib decodes it, the
// decoder must give the same bytes (it may accept more: references before
// the first byte, unused code counts zlib refuses). And it is deflated by
// zlib with level, strategy, window and memory level from its first bytes:
// that must come back as it was, with the bits behind the last block left
// for a data descriptor. Nothing may crash, leak, hang or overrun.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "unzip/decoders.h"
#include "unzip/engine.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Collect(void* context, const uint8_t* data, uint32_t count) {
  if (count > unzip::kWindowSize) std::abort();
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), data, data + count);
}

struct Decoded {
  TUnzipResult result;
  Bytes output;
  uint32_t next16;  // the 16 bits behind the last block, byte-aligned
};

Decoded Engine(const uint8_t* data, size_t size) {
  auto e = std::make_unique<unzip::Engine>();
  std::unique_ptr<uint8_t, decltype(&std::free)> window(
      static_cast<uint8_t*>(std::calloc(unzip::kWindowSize, 1)), &std::free);
  Decoded d{urBusy, {}, 0};
  e->OutputWindow = window.get();
  e->Memory.input = data;
  e->Memory.inputSize = size;
  e->Memory.sink = Collect;
  e->Memory.sinkContext = &d.output;
  e->CompressedSize = static_cast<uint32_t>(size);
  e->RunningCrc = 0xFFFFFFFFu;
  d.result = unzip::InflateEntry(*e);
  if (d.result != urOk && d.result != urArchiveError && d.result != urReadError) std::abort();
  if (d.result == urOk) {
    e->DumpBits(e->BitCount % 8);
    d.next16 = e->GetBits(16);
  }
  e->OutputWindow = nullptr;
  return d;
}

// zlib's raw inflate; false unless the stream ends properly.
bool Zlib(const uint8_t* data, size_t size, Bytes& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) std::abort();
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  uint8_t buffer[16384];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof(buffer);
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof(buffer) - z.avail_out));
    if (rc == Z_BUF_ERROR || (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0)) break;
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

Bytes Deflate(const uint8_t* data, size_t size, int level, int strategy, int windowBits,
              int memLevel) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -windowBits, memLevel, strategy) != Z_OK) std::abort();
  Bytes out(deflateBound(&z, static_cast<uLong>(size)) + 16);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes expected;
  const Decoded raw = Engine(data, size);
  if (Zlib(data, size, expected) && (raw.result != urOk || raw.output != expected)) std::abort();

  if (size < 4) return 0;
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  Bytes packed = Deflate(data + 4, size - 4, data[0] % 10, strategies[data[1] % 5], 9 + data[2] % 7,
                         1 + data[3] % 9);
  packed.insert(packed.end(), {0x50, 0x4B});
  const Decoded round = Engine(packed.data(), packed.size());
  if (round.result != urOk || round.next16 != 0x4B50u) std::abort();
  if (round.output != Bytes(data + 4, data + size)) std::abort();
  return 0;
}
