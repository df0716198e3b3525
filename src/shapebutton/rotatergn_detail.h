// Internal to the geometry module: walking a polygon set's polygons safely,
// the crossing rule of the floating-point point-in-polygon test, and an index
// that answers that test for many probes of one polygon.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "shapebutton/rotatergn.h"

namespace rotatergn {

// Where polygon k's points are: counts that run past the points are cut to
// what remains, negative counts are empty.
struct PolygonRange {
  size_t first = 0;
  size_t count = 0;
};

// Calls f(k, range) for every polygon k of the set, in order.
template <typename F>
void ForEachPolygon(size_t points, std::span<const int32_t> counts, F&& f) {
  size_t first = 0;
  for (size_t k = 0; k < counts.size(); ++k) {
    const size_t wanted = counts[k] > 0 ? static_cast<size_t>(counts[k]) : 0;
    const size_t count = wanted < points - first ? wanted : points - first;
    f(k, PolygonRange{first, count});
    first += count;
  }
}

// Coordinates past the 32-bit range (only from points near its limits) stop
// at its ends instead of wrapping.
inline int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// A polygon without a level is an outer boundary.
inline int32_t LevelOf(std::span<const int32_t> levels, size_t k) {
  return k < levels.size() ? levels[k] : 0;
}

// One edge from pk to pi of the floating-point test: the edge counts when
// the row y lies in [pk.y, pi.y) or (pi.y, pk.y], and its crossing flips the
// right or the left parity.
inline void CountCrossing(TPoint pk, TPoint pi, double y, double x, bool& right, bool& left) {
  if (!((pk.y <= y && y < pi.y) || (pi.y < y && y <= pk.y))) return;
  const double xc =
      (y - pk.y) * (static_cast<double>(pi.x) - pk.x) / (static_cast<double>(pi.y) - pk.y) + pk.x;
  if (x < xc) right = !right;
  if (x > xc) left = !left;
}

// PointInPolygon for many probes of one polygon, with the same answers:
// only edges that reach the probe's row can count, so the edges are filed in
// horizontal bands and a probe reads its own band. Turns the insetting of a
// few hundred points from quadratic into nearly linear. Outlines whose edges
// mostly span many bands (long spikes) are left to the plain scan.
class ProbeIndex {
 public:
  explicit ProbeIndex(std::span<const TPoint> poly) : poly_(poly) {
    const size_t n = poly.size();
    if (n < 16) return;
    int32_t top = poly[0].y, bottom = poly[0].y;
    for (const TPoint& p : poly) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    top_ = top;
    bottom_ = bottom;
    bands_ = n;
    band_height_ = (static_cast<double>(bottom) - top) / static_cast<double>(n) + 1;
    // Band b's count goes to start_[b + 2], whose running sums make
    // start_[b + 1] where band b begins; filing the edges advances it to
    // where band b ends, which is where band b + 1 begins.
    std::vector<size_t> start(bands_ + 2, 0);
    size_t entries = 0;
    for (size_t i = 0; i < n; ++i) {
      const auto [b0, b1] = EdgeBands(i);
      entries += b1 - b0 + 1;
      if (entries > 8 * n) return;
      for (size_t b = b0; b <= b1; ++b) ++start[b + 2];
    }
    for (size_t b = 0; b < bands_; ++b) start[b + 2] += start[b + 1];
    edges_.assign(entries, 0);
    for (size_t i = 0; i < n; ++i) {
      const auto [b0, b1] = EdgeBands(i);
      for (size_t b = b0; b <= b1; ++b) edges_[start[b + 1]++] = i;
    }
    start_ = std::move(start);
    indexed_ = true;
  }

  bool Inside(double y, double x) const {
    if (!indexed_) return PointInPolygon(poly_, y, x);
    if (!(y >= top_ && y <= bottom_)) return false;  // no edge reaches the row
    const size_t b = Band(y);
    bool right = false, left = false;
    for (size_t e = start_[b]; e < start_[b + 1]; ++e) {
      const size_t i = edges_[e];
      CountCrossing(poly_[PrevIndex(i, poly_.size())], poly_[i], y, x, right, left);
    }
    return right && left;
  }

 private:
  // One formula for edges and probes: monotonic in y, so a probe's band lies
  // between the bands of the ends of every edge that reaches its row.
  size_t Band(double y) const {
    const double b = std::floor((y - top_) / band_height_);
    return b <= 0 ? 0 : std::min(bands_ - 1, static_cast<size_t>(b));
  }
  std::pair<size_t, size_t> EdgeBands(size_t i) const {
    const int32_t a = poly_[PrevIndex(i, poly_.size())].y, b = poly_[i].y;
    return {Band(std::min(a, b)), Band(std::max(a, b))};
  }

  std::span<const TPoint> poly_;
  bool indexed_ = false;
  double top_ = 0, bottom_ = 0, band_height_ = 1;
  size_t bands_ = 0;
  std::vector<size_t> start_, edges_;
};

}  // namespace rotatergn
