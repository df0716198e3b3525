// Raw deflate streams straight to the decoder, with the input in memory and
// the flushed windows checked for size: nothing may crash, leak, hang or
// write past the window, whatever the stream.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "unzip/decoders.h"
#include "unzip/engine.h"

namespace {

struct Sink {
  uint64_t total = 0;
};

void Count(void* context, const uint8_t*, uint32_t count) {
  if (count > unzip::kWindowSize) std::abort();
  static_cast<Sink*>(context)->total += count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto e = std::make_unique<unzip::Engine>();
  std::unique_ptr<uint8_t, decltype(&std::free)> window(
      static_cast<uint8_t*>(std::calloc(unzip::kWindowSize, 1)), &std::free);
  Sink sink;
  e->OutputWindow = window.get();
  e->Memory.input = data;
  e->Memory.inputSize = size;
  e->Memory.sink = Count;
  e->Memory.sinkContext = &sink;
  e->CompressedSize = static_cast<uint32_t>(size);
  e->RunningCrc = 0xFFFFFFFFu;
  const TUnzipResult r = unzip::InflateEntry(*e);
  if (r != urOk && r != urArchiveError && r != urReadError) std::abort();
  // The bit reader stays usable for a data descriptor.
  if (r == urOk) {
    e->DumpBits(e->BitCount % 8);
    (void)e->GetBits(16);
  }
  e->OutputWindow = nullptr;
  return 0;
}
