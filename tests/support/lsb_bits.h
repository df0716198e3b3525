// Packs values into bytes the way the engine's bit reader takes them apart:
// least significant bit first, a value's low bit before its high bits.
#pragma once

#include <cstdint>

#include "support/zip_writer.h"

namespace qtest {

class LsbBits {
 public:
  // Appends the low `count` bits of `value` (count <= 32).
  void Put(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
      if (used_ == 0) bytes_.push_back(0);
      bytes_.back() = static_cast<uint8_t>(bytes_.back() | (((value >> i) & 1u) << used_));
      used_ = (used_ + 1) & 7;
    }
  }
  // Appends a code given most significant bit first (Huffman style).
  void PutMsbFirst(uint32_t code, unsigned count) {
    for (unsigned i = count; i-- > 0;) Put((code >> i) & 1u, 1);
  }
  uint64_t BitLength() const { return bytes_.size() * 8 - (used_ == 0 ? 0 : 8 - used_); }
  // The bytes so far; the last one is padded with zero bits.
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  unsigned used_ = 0;  // bits used in the last byte (0: it is full)
};

}  // namespace qtest
