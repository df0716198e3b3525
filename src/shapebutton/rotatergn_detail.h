// Internal to the geometry module: walking a polygon set's polygons safely,
// and the crossing rule of the floating-point point-in-polygon test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

}  // namespace rotatergn
