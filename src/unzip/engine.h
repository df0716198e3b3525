// State and low-level routines shared by the engine's driver and decoders:
// buffered compressed input with a little-endian bit reader, the 32 KB output
// window and its flush, the running CRC-32, the message pump and progress.
// One extraction at a time: the engine is a single object (TheEngine()).
#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/engine_ui.h"
#include "platform/file.h"
#include "unzip/unzip.h"

namespace unzip {

// The wide refill reads the input buffer as little-endian words.
static_assert(std::endian::native == std::endian::little, "little-endian hosts only");

inline constexpr uint32_t kWindowSize = 32768;
inline constexpr uint32_t kInputSize = 2048;
// How far past its compressed size an entry's input is read: the decoders'
// look-ahead (2 bytes) and a data descriptor behind the data (signature, CRC
// and two sizes), which is read through the same buffer.
inline constexpr uint32_t kDescriptorSize = 16;
inline constexpr uint32_t kReadSlack = 2 + kDescriptorSize;

// Masks of the low 0 to 16 bits.
inline constexpr uint16_t kMask[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F,
                                       0x003F, 0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF,
                                       0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

// Where an entry's decoded bytes go: its output file, or the extractor's
// write-behind queue. False when they could not be taken: the decoder stops.
class OutputSink {
 public:
  virtual bool Write(const uint8_t* data, uint32_t count) = 0;

 protected:
  ~OutputSink() = default;
};

struct Engine {
  // --- the extraction in progress ---------------------------------------
  uint8_t* OutputWindow = nullptr;  // kWindowSize bytes, zero-filled per entry
  uint32_t WindowPos = 0;           // inflate's write position in the window
  uint8_t InputBuffer[kInputSize] = {};
  int32_t InputPos = 0;    // next byte to deliver
  int32_t InputLast = -1;  // last valid byte; -1: empty, refill next
  uint64_t BitBuffer = 0;  // next unread bit is bit 0; zero above BitCount
  uint32_t BitCount = 0;   // valid bits in BitBuffer
  platform::File ArchiveFile;
  OutputSink* Output = nullptr;  // set while an entry is decoded
  // Sizes the data is decoded with (the directory's when the driver has
  // them, else the local header's): unsigned, so entries of 2-4 GiB work.
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint64_t BytesRead = 0;  // compressed bytes read (a failed read counts 2,048)
  // The declared uncompressed size bounds the output: a flush that would
  // pass it writes nothing, fails and sets OutputOverrun.
  uint64_t OutputLimit = UINT64_MAX;
  uint64_t BytesWritten = 0;
  bool OutputOverrun = false;
  uint16_t GeneralFlags = 0;
  uint32_t RunningCrc = 0;
  bool AbortRequested = false;
  bool InputExhausted = false;
  int16_t LastPercent = 0;
  uintptr_t NotifyWindow = 0;
  int16_t NotifyId = 0;
  // --- kept between calls ------------------------------------------------
  uint8_t* WindowStore = nullptr;   // kWindowSize bytes, the window of every entry
  uint8_t* InflateStore = nullptr;  // inflate's buffer and tables, kept for the next entry
  uint32_t LastPumpTick = 0;        // 0 until the first pump
  bool EngineBusy = false;
  platform::EngineUi Ui = platform::DefaultEngineUi();
  // Where the bit-reading decoders take compressed bytes from and where
  // flushed windows go, when not the archive and output files: benchmarks
  // and fuzzers run a decoder on memory this way. The driver never sets it.
  struct MemoryIo {
    const uint8_t* input = nullptr;  // used by RefillInput when set
    size_t inputSize = 0;
    size_t inputPos = 0;
    // Receives each flushed window when set.
    void (*sink)(void* context, const uint8_t* data, uint32_t count) = nullptr;
    void* sinkContext = nullptr;
  } Memory;

  Engine() = default;
  ~Engine() {
    std::free(WindowStore);
    std::free(InflateStore);
  }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Folds `count` window bytes into RunningCrc.
  void UpdateCrc32(const uint8_t* data, uint32_t count);
  // Runs pending window messages and records LastPumpTick.
  void PumpMessages();
  // Recomputes the percentage; on a change notifies, or tests the abort key.
  void UpdateProgress();
  // Loads the next up to 2,048 compressed bytes into InputBuffer; at the end
  // of the input the buffer counts as full and InputExhausted is set.
  void RefillInput();
  // Input state back to empty: the next read starts at the file position.
  void ResetInput() {
    InputPos = 0;
    InputLast = -1;
    BitBuffer = 0;
    BitCount = 0;
  }

  uint8_t ReadInputByte() {
    if (InputPos > InputLast) RefillInput();
    return InputBuffer[InputPos++];
  }
  // True when InputBuffer holds at least 8 more valid bytes: a refill can
  // then take several at once without reaching the buffer's end.
  bool CanRefillWide() const { return InputPos + 8 <= InputLast + 1; }
  // Moves as many whole bytes from InputBuffer into BitBuffer as fit below
  // bit 63 (at least 56 valid bits afterwards). Needs CanRefillWide().
  // Bytes are taken in order, exactly as one-at-a-time reads would take
  // them, so nothing else sees a difference; BitBuffer stays clean above
  // BitCount.
  void RefillWide() {
    uint64_t word;
    std::memcpy(&word, InputBuffer + InputPos, sizeof(word));
    const uint32_t bytes = (63 - BitCount) >> 3;
    BitBuffer |= (word & ((uint64_t{1} << (bytes * 8)) - 1)) << BitCount;
    BitCount += bytes * 8;
    InputPos += static_cast<int32_t>(bytes);
  }
  // At least n bits in BitBuffer (n <= 32). Never fails: an exhausted input
  // keeps delivering what the buffer holds, and the decoders stop on
  // InputExhausted at their next test. A refill that would reach past the
  // buffer's end goes a byte at a time, so RefillInput (with its message
  // pump and progress update) runs exactly when the next byte is needed.
  void NeedBits(uint32_t n) {
    if (BitCount >= n) return;
    if (CanRefillWide()) {
      RefillWide();
      return;
    }
    while (BitCount < n) {
      BitBuffer |= static_cast<uint64_t>(ReadInputByte()) << BitCount;
      BitCount += 8;
    }
  }
  void DumpBits(uint32_t n) {
    BitBuffer >>= n;
    BitCount -= n;
  }
  // The low n bits (n <= 16) of BitBuffer.
  uint32_t PeekBits(uint32_t n) const { return static_cast<uint32_t>(BitBuffer) & kMask[n]; }
  // NeedBits + PeekBits + DumpBits.
  uint32_t GetBits(uint32_t n) {
    NeedBits(n);
    const uint32_t v = PeekBits(n);
    DumpBits(n);
    return v;
  }

  // Writes the first `count` window bytes to the output and folds them into
  // the CRC (also when the write fails). False when the write failed or
  // would pass OutputLimit.
  bool FlushWindow(uint32_t count) { return FlushBytes(OutputWindow, count); }
  // The same for a window kept elsewhere (a decoder with its own buffer).
  bool FlushBytes(const uint8_t* data, uint32_t count);
};

Engine& TheEngine();

// Method 0: copies CompressedSize bytes straight to the output in blocks of
// 32,768 bytes.
TUnzipResult CopyStored(Engine& e);

}  // namespace unzip
