// Every CRC-32 routine gives the result of a bit-by-bit reference that
// shares nothing with the engine, whatever the length, alignment, starting
// register or cut into pieces.
#include "unzip/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/zip_writer.h"

namespace {

TEST(Crc32, AllRoutinesAgreeWithTheReferenceOnEveryLengthAlignmentAndCut) {
  using Routine = uint32_t (*)(uint32_t, const uint8_t*, size_t);
  const Routine routines[] = {unzip::Crc32Update, unzip::Crc32UpdateBytewise,
                              unzip::Crc32UpdateSlicing, unzip::Crc32UpdateClmul,
                              unzip::Crc32UpdateWideClmul};
  std::mt19937 rng(99);
  std::vector<uint8_t> buffer(100016);
  for (uint8_t& b : buffer) b = static_cast<uint8_t>(rng());
  std::vector<size_t> sizes;
  for (size_t s = 0; s <= 300; ++s) sizes.push_back(s);
  sizes.insert(sizes.end(), {511, 512, 1000, 4096, 32767, 32768, 65536, 100000});
  for (size_t size : sizes) {
    const uint8_t* data = buffer.data() + rng() % 16;
    const uint32_t expected = qtest::ReferenceCrc32(data, size);
    for (size_t r = 0; r < std::size(routines); ++r) {
      ASSERT_EQ(~routines[r](~0u, data, size), expected) << "routine " << r << " size " << size;
      uint32_t crc = ~0u;  // the same in random pieces
      for (size_t pos = 0, piece = 0; pos < size; pos += piece) {
        piece = std::min<size_t>(size - pos, rng() % 5000);
        crc = routines[r](crc, data + pos, piece);
      }
      ASSERT_EQ(~crc, expected) << "routine " << r << " size " << size << " in pieces";
    }
  }
  EXPECT_EQ(qtest::ReferenceCrc32(qtest::ToBytes("123456789")), 0xCBF43926u);
}

}  // namespace
