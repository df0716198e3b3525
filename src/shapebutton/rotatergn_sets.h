// Walking a polygon set's polygons safely: internal to the geometry module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

// A polygon without a level is an outer boundary.
inline int32_t LevelOf(std::span<const int32_t> levels, size_t k) {
  return k < levels.size() ? levels[k] : 0;
}

}  // namespace rotatergn
