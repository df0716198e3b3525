// Every CRC-32 routine gives the byte table's result, whatever the length,
// alignment or starting register; the check values come from a bit-by-bit
// reference that shares nothing with the engine.
#include "unzip/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/zip_writer.h"

namespace {

using Routine = uint32_t (*)(uint32_t, const uint8_t*, size_t);

struct Named {
  const char* name;
  Routine routine;
};

const Named kRoutines[] = {
    {"Crc32Update", unzip::Crc32Update},
    {"Crc32UpdateBytewise", unzip::Crc32UpdateBytewise},
    {"Crc32UpdateSlicing", unzip::Crc32UpdateSlicing},
    {"Crc32UpdateClmul", unzip::Crc32UpdateClmul},
    {"Crc32UpdateWideClmul", unzip::Crc32UpdateWideClmul},
};

uint32_t Finished(Routine r, const uint8_t* data, size_t size) {
  return ~r(0xFFFFFFFFu, data, size);
}

TEST(Crc32, AllRoutinesAgreeOnEveryLengthAndAlignment) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  for (const Named& n : kRoutines) EXPECT_EQ(Finished(n.routine, text, 9), 0xCBF43926u) << n.name;
  std::mt19937 rng(99);
  std::vector<uint8_t> buffer(70000);
  for (uint8_t& b : buffer) b = static_cast<uint8_t>(rng());
  std::vector<size_t> sizes;
  for (size_t s = 0; s <= 300; ++s) sizes.push_back(s);
  for (size_t s : {511u, 512u, 1000u, 4096u, 32767u, 32768u, 65536u}) sizes.push_back(s);
  for (size_t size : sizes) {
    const size_t offset = rng() % 16;
    const uint8_t* data = buffer.data() + offset;
    const uint32_t expected = qtest::ReferenceCrc32(data, size);
    for (const Named& n : kRoutines) {
      ASSERT_EQ(Finished(n.routine, data, size), expected) << n.name << " size " << size;
    }
  }
}

TEST(Crc32, RunningRegisterCarriesAcrossPieces) {
  std::mt19937 rng(5);
  std::vector<uint8_t> data(100000);
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  const uint32_t expected = qtest::ReferenceCrc32(data.data(), data.size());
  for (const Named& n : kRoutines) {
    uint32_t crc = 0xFFFFFFFFu;
    size_t pos = 0;
    while (pos < data.size()) {
      const size_t piece = std::min<size_t>(data.size() - pos, rng() % 5000);
      crc = n.routine(crc, data.data() + pos, piece);
      pos += piece;
    }
    EXPECT_EQ(~crc, expected) << n.name;
  }
}

}  // namespace
