// The outlines a shaped button starts from: one polygon set per button kind,
// drawn in the unturned box (0, 0)-(width, height), and the user-supplied
// region of bkUser as a string-encoded region block or a traced polygon set.
// Portable; the regions themselves are made on the Windows side.
//
// Every builder takes any property values without failing: sizes and depths
// far beyond a screen saturate instead of overflowing, and the ring builders
// never make more than kMaxRingPoints points per polygon, so an absurd size
// costs time in proportion to that cap, not memory without bound.
#pragma once

#include <cstdint>
#include <numbers>
#include <span>
#include <string_view>
#include <vector>

#include "shapebutton/fyeverbutton_types.h"
#include "shapebutton/rotatergn.h"

namespace fyeverbutton {

using rotatergn::Tintegers;
using rotatergn::TPoint;
using rotatergn::Tpoints;

inline constexpr double kDefaultArcAngle = 2 * std::numbers::pi / 3;
inline constexpr int32_t kMaxRingPoints = 8192;

struct PolygonSet {
  Tpoints points;
  Tintegers counts;
  Tintegers levels;
  bool Empty() const { return counts.empty(); }
  friend bool operator==(const PolygonSet&, const PolygonSet&) = default;
};

// The properties an outline depends on.
struct OutlineParams {
  TFyButtonKind kind = bkRect;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 2;
  int32_t peaks = 6;
  double radiusRatio = 0.5;
  double arcAngle = kDefaultArcAngle;
  friend bool operator==(const OutlineParams&, const OutlineParams&) = default;
};

struct Outline {
  PolygonSet set;
  // bkArc with an arc angle of at least 0.1: the band's chord is the width
  // and the button takes arcHeight as its new height (set is built for it).
  bool arcResizes = false;
  int32_t arcHeight = 0;
};

// The outline of `p.kind`. bkUser is not built here (see UserOutline); it
// gives the plain rectangle. Choices where the formulas have no answer:
// - bkArc with fewer than two outer arc points takes three (both ends and
//   the middle of the arc), and a single inner point sits at the middle of
//   the inner arc;
// - bkOval whose short side leaves fewer than two points per semicircle
//   (k = short side - 2 * max(2, depth) < 2) is the plain rectangle.
Outline BuildOutline(const OutlineParams& p);

// BuildOutline for bkRect and bkRoundRect alone; every other kind gives the
// plain rectangle. A program that builds its outlines only with this one
// leaves the other kinds' geometry out of its image.
Outline BuildPlainOutline(const OutlineParams& p);

using OutlineBuilder = Outline (*)(const OutlineParams& p);

// The last outline built and what it was built from: a spinning button
// rebuilds 25 times a second from the same properties, and the ring kinds
// cost hundreds of points of trigonometry each time.
struct OutlineCache {
  OutlineBuilder build = nullptr;  // null: nothing built yet
  OutlineParams params;
  Outline outline;
};
const Outline& CachedOutline(const OutlineParams& p, OutlineBuilder build, OutlineCache& cache);

// (0, 0), (w, 0), (w, h), (0, h).
PolygonSet RectOutline(int32_t width, int32_t height);

// The bounding box of a user region: left and top inside, right and bottom
// outside.
struct RegionBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// The bkUser outline (polygons converted from the user's region): with no
// user polygon set (null) the rectangle; with an incomplete set (points,
// counts or levels empty) the rectangle thinned; otherwise the set scaled
// from `box` into the button (every point at (0, 0) when the box is thinner
// than a pixel) and thinned with minimum spacing max(2, depth).
PolygonSet UserOutline(const PolygonSet* user, const RegionBox& box, int32_t width, int32_t height,
                       int32_t depth);

// The bytes a region string stands for: one byte per pair of characters, the
// first character's code, or after "!" the second's minus 128; an odd last
// character is ignored.
std::vector<uint8_t> DecodeRegionString(std::string_view text);

// Whether `bytes` hold a region block a region can safely be made from: a
// header of at least 32 bytes that says rectangles, and as many rectangles
// as it claims inside the block.
bool IsRegionDataBlock(std::span<const uint8_t> bytes);

}  // namespace fyeverbutton
