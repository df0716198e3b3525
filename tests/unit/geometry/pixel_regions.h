// Test helpers: pixel masks as regions (banded rectangles, as a region's data
// lists them) and the pixels a polygon set covers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "shapebutton/rotatergn.h"

namespace geotest {

using rotatergn::TPoint;
using rotatergn::TRect;

// mask[y][x]: whether pixel (x, y) is in the region.
using Mask = std::vector<std::vector<bool>>;

// Runs of each row, rows with equal runs merged into bands, bands top to
// bottom and rectangles left to right: the canonical form of a region.
inline std::vector<TRect> BandedRects(const Mask& mask) {
  std::vector<TRect> rects;
  auto runs = [&](size_t y) {
    std::vector<std::pair<int32_t, int32_t>> r;
    const auto& row = mask[y];
    for (size_t x = 0; x < row.size(); ++x)
      if (row[x] && (x == 0 || !row[x - 1])) r.emplace_back(int32_t(x), int32_t(x));
      else if (row[x]) r.back().second = int32_t(x);
    for (auto& run : r) ++run.second;
    return r;
  };
  for (size_t y = 0; y < mask.size();) {
    const auto band = runs(y);
    size_t end = y + 1;
    while (end < mask.size() && runs(end) == band) ++end;
    for (const auto& [l, r] : band)
      rects.push_back({l, static_cast<int32_t>(y), r, static_cast<int32_t>(end)});
    y = end;
  }
  return rects;
}

inline Mask RandomMask(std::mt19937& rng, int width, int height, double density) {
  std::bernoulli_distribution on(density);
  Mask mask(static_cast<size_t>(height), std::vector<bool>(static_cast<size_t>(width)));
  for (auto& row : mask)
    for (size_t x = 0; x < row.size(); ++x) row[x] = on(rng);
  return mask;
}

// Every pixel becomes a factor x factor block: no one-pixel steps remain.
inline Mask Scaled(const Mask& mask, size_t factor) {
  Mask out;
  for (const auto& row : mask) {
    std::vector<bool> wide;
    for (bool b : row) wide.insert(wide.end(), factor, b);
    out.insert(out.end(), factor, wide);
  }
  return out;
}

// Even-odd by a ray to the right, half-open in y, written independently of
// the module; meant for points off the outline.
inline bool EvenOdd(std::span<const TPoint> poly, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const TPoint a = poly[i], b = poly[j];
    if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / double(b.y - a.y))
      inside = !inside;
  }
  return inside;
}

inline bool CentreInside(std::span<const TPoint> poly, int32_t px, int32_t py) {
  return EvenOdd(poly, px + 0.5, py + 0.5);
}

// The pixels of a polygon set combined as a region is built from it: level
// by level, even levels added, odd levels cut out.
inline Mask CoveredByLevels(std::span<const TPoint> points, std::span<const int32_t> counts,
                            std::span<const int32_t> levels, int width, int height) {
  Mask mask(static_cast<size_t>(height), std::vector<bool>(static_cast<size_t>(width)));
  int32_t top = 0;
  for (int32_t l : levels) top = std::max(top, l);
  for (int32_t level = 0; level <= top; ++level) {
    size_t first = 0;
    for (size_t k = 0; k < counts.size(); ++k) {
      const auto poly = points.subspan(first, static_cast<size_t>(counts[k]));
      first += static_cast<size_t>(counts[k]);
      if (levels[k] != level || poly.empty()) continue;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          if (CentreInside(poly, x, y)) mask[size_t(y)][size_t(x)] = level % 2 == 0;
    }
  }
  return mask;
}

// Twice the signed area, y downward: positive for clockwise on the screen.
inline int64_t TwiceArea(std::span<const TPoint> poly) {
  int64_t sum = 0;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
    sum += int64_t(poly[j].x) * poly[i].y - int64_t(poly[i].x) * poly[j].y;
  return sum;
}

}  // namespace geotest
