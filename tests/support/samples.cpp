#include "support/samples.h"

#include <cstring>
#include <random>

#include "platform/file.h"

namespace qtest {

Bytes Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "the",  "of",     "and",      "archive", "entry", "window", "code",   "table",    "byte",
      "a",    "to",     "in",       "is",      "that",  "for",    "with",   "PKZIP",    "\r\n",
      "data", "length", "distance", "{",       "}",     "return", "0x7FFF", "#include", "\t"};
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size + 16);
  while (out.size() < size) {
    const char* w = kWords[rng() % std::size(kWords)];
    out.insert(out.end(), w, w + std::strlen(w));
    out.push_back(rng() % 9 == 0 ? '\n' : ' ');
  }
  out.resize(size);
  return out;
}

Bytes Noise(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

std::string Sep(std::string rel) {
  for (char& c : rel)
    if (c == '/') c = platform::kPathSeparator;
  return rel;
}

}  // namespace qtest
