// Which part of a glyph strip each state shows, where frames go, and the
// key-colour copy against a pixel-by-pixel reading of its rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "shapebutton/fyframes.h"

namespace fyeverbutton {
namespace {

struct Expected {
  int64_t left, top, right, bottom, dx, dy;
  bool merge;
};

void ExpectCopies(int frames, GlyphState state, std::vector<Expected> want) {
  GlyphCopy got[2];
  const int n = GlyphCopies(frames, 10, 8, state, got);
  ASSERT_EQ(n, static_cast<int>(want.size())) << frames << " frames";
  for (int i = 0; i < n; ++i) {
    const GlyphCopy& g = got[i];
    const Expected& w = want[static_cast<size_t>(i)];
    EXPECT_EQ(std::tuple(g.source.left, g.source.top, g.source.right, g.source.bottom, g.dx, g.dy,
                         g.merge),
              std::tuple(w.left, w.top, w.right, w.bottom, w.dx, w.dy, w.merge))
        << frames << " frames, copy " << i;
  }
}

// Frames 10 x 8: frame k starts at column 10k.
TEST(GlyphCopiesTest, FrameForEachStateAndFrameCount) {
  const GlyphState normal{false, true, false}, disabled{false, false, false};
  const GlyphState hover{false, true, true}, pressed{true, true, true};
  const Expected f0{0, 0, 10, 8, 0, 0, false}, f1{10, 0, 20, 8, 0, 0, false};
  const Expected f2{20, 0, 30, 8, 0, 0, false};
  // Pressed: the frame one pixel right and down, its last column and row
  // cut by the frame's place.
  const Expected p0{0, 0, 9, 7, 1, 1, false}, p3{30, 0, 39, 7, 1, 1, false};
  for (int frames = 1; frames <= 4; ++frames) {
    ExpectCopies(frames, normal, {f0});
    ExpectCopies(frames, disabled, {frames == 1 ? Expected{0, 0, 10, 8, 0, 0, true} : f1});
    ExpectCopies(frames, hover, {frames < 3 ? f0 : f2});
    ExpectCopies(frames, pressed, {frames == 4 ? p3 : p0});
    // Hover does not matter once pressed.
    ExpectCopies(frames, {true, true, false}, {frames == 4 ? p3 : p0});
  }
  // Disabled and pressed at once: the pressed copy moves on from the
  // disabled frame's place (past the strip with four frames).
  ExpectCopies(1, {true, false, false}, {{0, 0, 10, 8, 0, 0, true}, p0});
  ExpectCopies(2, {true, false, false}, {f1, {10, 0, 19, 7, 1, 1, false}});
  ExpectCopies(4, {true, false, false}, {f1, {40, 0, 49, 7, 1, 1, false}});
}

TEST(FramePlacementTest, AlignmentsMarginAndExplicitCoordinates) {
  // Halving truncates toward zero.
  for (const auto& [h, at, size, frame, left] :
       {std::tuple{haLeft, 99, 100, 20, 2}, {haCenter, 99, 100, 21, 39}, {haCenter, 99, 10, 21, -5},
        {haRight, 99, 100, 20, 78}, {haNone, -7, 100, 20, -7}}) {
    EXPECT_EQ(FrameLeft(h, at, 2, size, frame), left) << h << " " << size;
  }
  for (const auto& [v, at, frame, top] : {std::tuple{vaTop, 99, 10, 3}, {vaCenter, 99, 11, 14},
                                          {vaBottom, 99, 10, 27}, {vaNone, 12, 10, 12}}) {
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

// The copy's rules read one pixel at a time.
void ReferenceCopy(Image& strip, const FrameRect& r, Image& target, int64_t destX, int64_t destY) {
  const uint8_t* key = strip.At(0, 0);
  for (int64_t y = r.top; y < r.bottom; ++y) {
    for (int64_t x = r.left; x < r.right; ++x) {
      const int64_t tx = x - r.left + destX, ty = y - r.top + destY;
      if (x < 0 || y < 0 || x >= strip.width || y >= strip.height || tx < 0 || ty < 0 ||
          tx >= target.width || ty >= target.height) {
        continue;
      }
      const uint8_t* p = strip.At(x, y);
      if (!std::equal(p, p + 3, key)) std::copy(p, p + 3, target.At(tx, ty));
    }
  }
}

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
    ReferenceCopy(strip, r, expected, dx, dy);
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
