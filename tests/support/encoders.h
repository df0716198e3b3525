// Test-only encoders of the legacy methods, for round trips and for the
// edge cases real archives do not reach: a plain LZ77 parse, shrink (LZW),
// reduce (LZ77 + follower sets) and implode (LZ77 + prefix-code trees).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/bit_writer.h"
#include "support/zip_writer.h"

namespace qtest {

// --- LZ77: greedy longest matches through hash chains ---------------------------

struct LzToken {
  uint32_t length = 0;    // 0: a literal
  uint32_t distance = 0;  // 1 = the byte just before
  uint8_t literal = 0;
};

struct LzParams {
  uint32_t minLength = 3;  // above maxLength: literals only
  uint32_t maxLength = 258;
  uint32_t maxDistance = 4096;
  // Matches may reach up to maxDistance bytes before the start of the data,
  // where the decoders see zeros.
  bool preStart = false;
  uint32_t maxChain = 256;  // candidates tried per position
};

std::vector<LzToken> LzParse(const Bytes& data, const LzParams& params);
// Replays a parse (zeros before the start): the oracle for the parse itself.
Bytes LzReplay(const std::vector<LzToken>& tokens);

// --- shrink (method 1): LZW with 9- to 13-bit codes -------------------------------

// Writes codes exactly as a decoder reads them, at the current code size.
// For hand-made streams, including malformed ones.
class ShrinkCodeWriter {
 public:
  void Code(uint32_t code) { bits_.Put(code, codeSize_); }
  // Escape 256 with any sub-code; sub-code 1 widens the codes that follow,
  // 2 is a partial clear.
  void Escape(uint32_t sub) {
    Code(256);
    Code(sub);
    if (sub == 1) ++codeSize_;
  }
  unsigned CodeSize() const { return codeSize_; }
  Bytes bytes() const { return bits_.Finish(); }

 private:
  BitWriter bits_;
  unsigned codeSize_ = 9;
};

struct ShrinkOptions {
  uint32_t clearEvery = 0;    // a partial clear after every n codes (0: never)
  bool clearWhenFull = true;  // a partial clear as soon as no code is free
  uint32_t codeLimit = 8192;  // a smaller table: earlier clears, narrower codes
};

// What the encoder did, so tests can make sure an edge case was reached.
struct ShrinkStats {
  uint32_t freeCodeUses = 0;  // codes naming the entry being added (KwKwK)
  uint32_t clears = 0;
  uint32_t clearsWithPending = 0;  // clears while freed codes were unused
  uint32_t maxCodeSize = 9;
  uint32_t reusedCodes = 0;  // freed codes given out again
};

Bytes Shrink(const Bytes& data, const ShrinkOptions& options = {}, ShrinkStats* stats = nullptr);

// --- reduce (methods 2-5, factor 1-4) -----------------------------------------------

struct ReduceOptions {
  int factor = 4;  // the ZIP method is factor + 1
  bool matches = true;
  bool preStart = false;  // matches may reach before the start (zeros)
  // Size of each byte's follower set: -1 lets the data choose (up to 32 of
  // its most frequent followers); 0 to 63 forces that size.
  std::array<int, 256> setSize = [] {
    std::array<int, 256> sizes;
    sizes.fill(-1);
    return sizes;
  }();
};

// Codes an intermediate stream (bytes with 144-escapes already in place)
// through follower sets: `sets[x]` lists the followers of byte x (<= 63).
Bytes ReduceCodeStream(const Bytes& intermediate, const std::vector<std::vector<uint8_t>>& sets);
Bytes Reduce(const Bytes& data, const ReduceOptions& options = {});

// --- implode (method 6): 4K or 8K dictionary, with or without a literal tree --------

struct ImplodeOptions {
  bool literalTree = true;  // flag bit 2
  bool dict8k = true;       // flag bit 1
  bool matches = true;
  bool preStart = false;  // matches may reach before the start (zeros)
  // Code lengths to use instead of those the data suggests (each must form
  // a complete code over 256 or 64 symbols).
  std::vector<uint8_t> literalLengths = {}, lengthLengths = {}, distanceLengths = {};
};

uint16_t ImplodeFlags(const ImplodeOptions& options);
// A tree description: the number of groups less one, then one byte per group
// of equal lengths, (repeat - 1) << 4 | (length - 1).
Bytes ImplodeTree(const std::vector<uint8_t>& lengths);
Bytes Implode(const Bytes& data, const ImplodeOptions& options = {});
// Codes a given parse (lengths and distances within the variant's range,
// references before the start allowed); `matches` and `preStart` unused.
Bytes ImplodeTokens(const std::vector<LzToken>& tokens, const ImplodeOptions& options);

}  // namespace qtest
