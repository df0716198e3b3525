// Which part of a glyph strip each state shows, where frames go, and the
// key-colour copy against a pixel-by-pixel reading of its rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "shapebutton/fyframes.h"

namespace fyeverbutton {
namespace {

// Frames 10 x 8: frame k starts at column 10k. Each copy as "left-right"
// when it is the whole height in place, with "'" when it is moved one pixel
// right and down (its last column and row cut by the frame's place), with
// "m" when merged with the face; anything else spelled out.
std::string Copies(int frames, GlyphState state) {
  GlyphCopy got[2];
  std::string out;
  const auto n = static_cast<size_t>(GlyphCopies(frames, 10, 8, state, got));
  for (const GlyphCopy& g : std::span(got, n)) {
    const bool moved = g.dx == 1 && g.dy == 1 && g.source.bottom == 7;
    const bool still = g.dx == 0 && g.dy == 0 && g.source.bottom == 8;
    const bool plain = g.source.top == 0 && (moved || still);
    out += std::to_string(g.source.left) + "-" + std::to_string(g.source.right) +
           (plain ? "" : "?") + (moved ? "'" : "") + (g.merge ? "m " : " ");
  }
  return out;
}

TEST(GlyphCopiesTest, FrameForEachStateAndFrameCount) {
  // Normal | disabled | hover | pressed | pressed, not over | disabled and
  // pressed at once: the pressed copy moves on from the disabled frame's
  // place (past the strip with four frames).
  const char* const want[] = {
      "0-10 |0-10m |0-10 |0-9' |0-9' |0-10m 0-9' |",
      "0-10 |10-20 |0-10 |0-9' |0-9' |10-20 10-19' |",
      "0-10 |10-20 |20-30 |0-9' |0-9' |10-20 10-19' |",
      "0-10 |10-20 |20-30 |30-39' |30-39' |10-20 40-49' |",
  };
  for (int frames = 1; frames <= 4; ++frames) {
    std::string got;
    for (GlyphState st : {GlyphState{false, true, false}, GlyphState{false, false, false},
                          GlyphState{false, true, true}, GlyphState{true, true, true},
                          GlyphState{true, true, false}, GlyphState{true, false, false}}) {
      got += Copies(frames, st) + "|";
    }
    EXPECT_EQ(got, want[frames - 1]) << frames << " frames";
  }
}

TEST(FramePlacementTest, AlignmentsMarginAndExplicitCoordinates) {
  // Halving truncates toward zero.
  for (const auto& [h, at, size, frame, left] : {std::tuple{haLeft, 99, 100, 20, 2},
                                                 {haCenter, 99, 100, 21, 39},
                                                 {haCenter, 99, 10, 21, -5},
                                                 {haRight, 99, 100, 20, 78},
                                                 {haNone, -7, 100, 20, -7}}) {
    EXPECT_EQ(FrameLeft(h, at, 2, size, frame), left) << h << " " << size;
  }
  for (const auto& [v, at, frame, top] : {std::tuple{vaTop, 99, 10, 3},
                                          {vaCenter, 99, 11, 14},
                                          {vaBottom, 99, 10, 27},
                                          {vaNone, 12, 10, 12}}) {
    EXPECT_EQ(FrameTop(v, at, 3, 40, frame), top) << v;
  }
  // Extreme margins do not wrap around.
  EXPECT_EQ(FrameLeft(haRight, 0, INT32_MIN, INT32_MAX, 0), int64_t{INT32_MAX} - INT32_MIN);
}

// A 24-bit image with padded rows.
struct Image {
  int32_t width, height;
  ptrdiff_t stride;
  std::vector<uint8_t> bytes;
  Image(int32_t w, int32_t h) : width(w), height(h), stride((w * 3 + 3) & ~3) {
    bytes.assign(static_cast<size_t>(stride * h), 0);
  }
  uint8_t* At(int64_t x, int64_t y) { return bytes.data() + y * stride + x * 3; }
  PixelRows Rows() { return {bytes.data(), width, height, stride}; }
  ConstPixelRows ConstRows() { return {bytes.data(), width, height, stride}; }
};

TEST(KeyColourCopyTest, MatchesThePixelRulesForAnyRectangleAndPlace) {
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 3000; ++round) {
    Image strip(pick(1, 13), pick(1, 9));
    // Few colours, so that many pixels match the key.
    for (uint8_t& b : strip.bytes) b = static_cast<uint8_t>(pick(0, 1) * 200);
    Image target(pick(1, 17), pick(1, 11));
    for (uint8_t& b : target.bytes) b = static_cast<uint8_t>(pick(0, 255));
    Image expected = target;
    FrameRect r;
    r.left = pick(-4, 14);
    r.top = pick(-4, 10);
    r.right = r.left + pick(-2, 16);
    r.bottom = r.top + pick(-2, 12);
    const int64_t dx = pick(-20, 20), dy = pick(-14, 14);
    // The copy's rules read one pixel at a time.
    for (int64_t y = r.top; y < r.bottom; ++y) {
      for (int64_t x = r.left; x < r.right; ++x) {
        const int64_t tx = x - r.left + dx, ty = y - r.top + dy;
        if (x < 0 || y < 0 || x >= strip.width || y >= strip.height || tx < 0 || ty < 0 ||
            tx >= expected.width || ty >= expected.height) {
          continue;
        }
        const uint8_t* p = strip.At(x, y);
        if (!std::equal(p, p + 3, strip.At(0, 0))) std::copy(p, p + 3, expected.At(tx, ty));
      }
    }
    KeyColourCopy(strip.ConstRows(), r, target.Rows(), dx, dy);
    ASSERT_EQ(target.bytes, expected.bytes) << "round " << round;
  }
  // Empty images copy nothing (and read nothing).
  Image face(5, 4), strip(6, 2);
  KeyColourCopy({}, {0, 0, 3, 2}, face.Rows(), 0, 0);
  KeyColourCopy(strip.ConstRows(), {0, 0, 3, 2}, {}, 0, 0);
  EXPECT_EQ(face.bytes, Image(5, 4).bytes);
}

}  // namespace
}  // namespace fyeverbutton
