// The circular output window of the LZ77-style legacy decoders (explode:
// 32,768 bytes, unreduce: the first 16,384 bytes of OutputWindow). Bytes are
// stored at a local position; every time the window fills it is handed to
// FlushWindow whole and writing starts again at its beginning.
#pragma once

#include <cstdint>
#include <cstring>

#include "unzip/engine.h"

namespace unzip {

template <uint32_t kSize>
class LzWindow {
  static_assert((kSize & (kSize - 1)) == 0 && kSize <= kWindowSize);

 public:
  explicit LzWindow(Engine& e) : e_(e), buf_(e.OutputWindow) {}

  // Stores one byte. False when a flush failed.
  bool Put(uint8_t b) {
    buf_[pos_++] = b;
    return pos_ != kSize || Wrap();
  }

  // Appends `length` bytes that start `distance` bytes back (1 <= distance <
  // kSize). Before the first wrap, bytes before the start of the output read
  // as zeros. Overlapping copies repeat the pattern (byte order matters).
  // False when a flush failed.
  bool Copy(uint32_t distance, uint32_t length) {
    uint32_t source = (pos_ - distance) & (kSize - 1);
    while (length > 0) {
      const uint32_t far = source > pos_ ? source : pos_;
      uint32_t piece = kSize - far;
      if (piece > length) piece = length;
      uint8_t* dst = buf_ + pos_;
      const uint8_t* src = buf_ + source;
      if (firstPass_ && pos_ <= source) {
        std::memset(dst, 0, piece);  // a reference before the first byte
      } else if (piece <= 8) {
        for (uint32_t i = 0; i < piece; ++i) dst[i] = src[i];
      } else if (source < pos_ && pos_ - source < piece) {
        // The copy overlaps its own output: what lies between src and dst
        // repeats with period distance, so it can be copied from src in
        // ever longer non-overlapping blocks (byte by byte, every byte
        // would wait for the one stored just before).
        uint8_t* d = dst;
        uint32_t left = piece;
        while (left > 0) {
          uint32_t block = static_cast<uint32_t>(d - src);
          if (block > left) block = left;
          std::memcpy(d, src, block);
          d += block;
          left -= block;
        }
      } else {
        std::memmove(dst, src, piece);
      }
      pos_ += piece;
      source = (source + piece) & (kSize - 1);
      length -= piece;
      if (pos_ == kSize && !Wrap()) return false;
    }
    return true;
  }

  // Writes what the window holds since the last wrap. False on failure.
  bool Finish() { return e_.FlushWindow(pos_); }

 private:
  bool Wrap() {
    pos_ = 0;
    firstPass_ = false;
    return e_.FlushWindow(kSize);
  }

  Engine& e_;
  uint8_t* buf_;
  uint32_t pos_ = 0;
  bool firstPass_ = true;
};

}  // namespace unzip
