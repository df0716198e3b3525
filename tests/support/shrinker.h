// Test-only encoder of the shrink method (ZIP method 1): LZW with 9- to
// 13-bit codes, code-size increases (escape 256, 1) and partial clears
// (escape 256, 2) that free the leaf codes.
#pragma once

#include <cstdint>

#include "support/bit_writer.h"
#include "support/zip_writer.h"

namespace qtest {

// Writes codes exactly as a decoder reads them, at the current code size.
// For hand-made streams, including malformed ones.
class ShrinkCodeWriter {
 public:
  void Code(uint32_t code) { bits_.Put(code, codeSize_); }
  // Escape 256 with any sub-code; sub-code 1 widens the codes that follow.
  void Escape(uint32_t sub) {
    Code(256);
    Code(sub);
    if (sub == 1) ++codeSize_;
  }
  void Widen() { Escape(1); }
  void PartialClear() { Escape(2); }
  unsigned CodeSize() const { return codeSize_; }
  Bytes bytes() const { return bits_.Finish(); }

 private:
  BitWriter bits_;
  unsigned codeSize_ = 9;
};

struct ShrinkOptions {
  // A partial clear after every `clearEvery` codes (0: none on that count).
  uint32_t clearEvery = 0;
  // A partial clear as soon as the table has no free code left.
  bool clearWhenFull = true;
  // Never use codes at or above this value (a smaller table: earlier
  // clears, narrower codes).
  uint32_t codeLimit = 8192;
};

// What the encoder did, so tests can make sure an edge case was reached.
struct ShrinkStats {
  uint32_t codes = 0;          // string and literal codes written
  uint32_t freeCodeUses = 0;   // codes that name the entry being added (KwKwK)
  uint32_t clears = 0;
  uint32_t clearsWithPending = 0;  // clears while freed codes were unused
  uint32_t maxCodeSize = 9;
  uint32_t freedCodes = 0;     // codes freed by all clears
  uint32_t reusedCodes = 0;    // freed codes given out again
};

Bytes Shrink(const Bytes& data, const ShrinkOptions& options = {}, ShrinkStats* stats = nullptr);

}  // namespace qtest
