// A plain LZ77 parse for the test encoders of the reduce and implode
// methods: greedy longest matches through hash chains.
#pragma once

#include <cstdint>
#include <vector>

#include "support/zip_writer.h"

namespace qtest {

struct LzToken {
  uint32_t length = 0;    // 0: a literal
  uint32_t distance = 0;  // 1 = the byte just before
  uint8_t literal = 0;
};

struct LzParams {
  uint32_t minLength = 3;
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

}  // namespace qtest
