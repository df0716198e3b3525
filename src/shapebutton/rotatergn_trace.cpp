// Tracing a region's rectangles into polygons: boundary vertices with their
// codes, the walk along them, staircase smoothing and nesting levels.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>
#include <tuple>

#include "shapebutton/rotatergn.h"
#include "shapebutton/rotatergn_detail.h"

namespace rotatergn {

namespace {

bool IsEmpty(const TRect& r) { return r.left >= r.right || r.top >= r.bottom; }

// Rectangles sorted by one of their sides, for the edge test's look-ups.
class SideIndex {
 public:
  SideIndex(std::span<const TRect> rects, int32_t TRect::*side) {
    keys_.reserve(rects.size());
    for (size_t r = 0; r < rects.size(); ++r) keys_.push_back({rects[r].*side, r});
    std::sort(keys_.begin(), keys_.end());
  }
  // Calls f(rect index) for every rectangle whose side equals `value`.
  template <typename F>
  void ForEach(int32_t value, F&& f) const {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), std::pair<int32_t, size_t>{value, 0});
    for (; it != keys_.end() && it->first == value; ++it) f(it->second);
  }

 private:
  std::vector<std::pair<int32_t, size_t>> keys_;
};

// A corner of exactly one rectangle can still be concave: when it lies inside
// another rectangle's edge (a T where a narrower band meets a wider one).
// Every rectangle is asked, and the last one that answers wins.
class EdgeTest {
 public:
  explicit EdgeTest(std::span<const TRect> rects)
      : rects_(rects),
        left_(rects, &TRect::left),
        right_(rects, &TRect::right),
        top_(rects, &TRect::top),
        bottom_(rects, &TRect::bottom) {}

  int32_t Code(TPoint p, int32_t code) const {
    size_t winner = SIZE_MAX;
    int32_t result = code;
    auto consider = [&](size_t r, int32_t new_code) {
      if (winner == SIZE_MAX || r > winner) {
        winner = r;
        result = new_code;
      }
    };
    auto vertical = [&](const SideIndex& index, int32_t new_code) {
      index.ForEach(p.x, [&](size_t r) {
        if (rects_[r].top < p.y && p.y < rects_[r].bottom) consider(r, new_code);
      });
    };
    auto horizontal = [&](const SideIndex& index, int32_t new_code) {
      index.ForEach(p.y, [&](size_t r) {
        if (rects_[r].left < p.x && p.x < rects_[r].right) consider(r, new_code);
      });
    };
    switch (code) {
      case 1:
        vertical(right_, -4);
        horizontal(bottom_, -2);
        break;
      case 2:
        vertical(left_, -3);
        horizontal(bottom_, -1);
        break;
      case 3:
        vertical(left_, -2);
        horizontal(top_, -4);
        break;
      case 4:
        vertical(right_, -1);
        horizontal(top_, -3);
        break;
      default: break;
    }
    return result;
  }

 private:
  std::span<const TRect> rects_;
  SideIndex left_, right_, top_, bottom_;
};

enum class Heading { kRight, kDown, kLeft, kUp };

struct Step {
  Heading heading;
  int32_t codes[2];  // the codes a next vertex may have
};

bool IsVertexCode(int32_t code) { return code != 0 && code >= -4 && code <= 4; }

// The walk keeps the inside on its right (clockwise on the screen). f flips
// each time the walk passes between convex and concave corners.
Step NextStep(int32_t code, bool flipped) {
  using enum Heading;
  static constexpr Step kSteps[8][2] = {
      {{kRight, {3, -2}}, {kDown, {3, -4}}},  // -1
      {{kDown, {4, -3}}, {kLeft, {4, -1}}},   // -2
      {{kLeft, {1, -4}}, {kUp, {1, -2}}},     // -3
      {{kUp, {2, -1}}, {kRight, {2, -3}}},    // -4
      {{kRight, {2, -3}}, {kDown, {4, -3}}},  // 1
      {{kDown, {3, -4}}, {kLeft, {1, -4}}},   // 2
      {{kLeft, {4, -1}}, {kUp, {2, -1}}},     // 3
      {{kUp, {1, -2}}, {kRight, {3, -2}}},    // 4
  };
  const int row = code < 0 ? -code - 1 : code + 3;
  return kSteps[row][flipped ? 1 : 0];
}

// The vertices of each row and each column, sorted along it, so that the walk
// looks only at vertices in line with the current one.
class LineIndex {
 public:
  explicit LineIndex(const Tpoints& points) : points_(points) {
    rows_.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i) rows_.push_back(i);
    columns_ = rows_;
    std::sort(rows_.begin(), rows_.end(), [&](size_t a, size_t b) {
      return std::tie(points[a].y, points[a].x, a) < std::tie(points[b].y, points[b].x, b);
    });
    std::sort(columns_.begin(), columns_.end(), [&](size_t a, size_t b) {
      return std::tie(points[a].x, points[a].y, a) < std::tie(points[b].x, points[b].y, b);
    });
  }

  // The nearest vertex from `from` in the heading (its own coordinate
  // included) that passes `accept`; among equally near ones the lowest index.
  template <typename Accept>
  size_t Nearest(size_t from, Heading heading, Accept&& accept) const {
    const bool along_row = heading == Heading::kRight || heading == Heading::kLeft;
    const std::vector<size_t>& line = along_row ? rows_ : columns_;
    // (line coordinate, position along it) of a vertex.
    auto key = [&](size_t i) {
      const TPoint q = points_[i];
      return along_row ? std::pair{q.y, q.x} : std::pair{q.x, q.y};
    };
    const std::pair<int32_t, int32_t> here = key(from);
    const auto first = std::lower_bound(line.begin(), line.end(), here,
                                        [&](size_t i, auto k) { return key(i) < k; });
    if (heading == Heading::kRight || heading == Heading::kDown) {
      for (auto it = first; it != line.end() && key(*it).first == here.first; ++it)
        if (accept(*it)) return *it;
      return SIZE_MAX;
    }
    // Backwards: the nearest position first, but within one position the
    // lowest index, which is the last one met going backwards.
    const auto last = std::upper_bound(line.begin(), line.end(), here,
                                       [&](auto k, size_t i) { return k < key(i); });
    size_t best = SIZE_MAX;
    for (auto it = last; it != line.begin();) {
      --it;
      if (key(*it).first != here.first) break;
      if (best != SIZE_MAX && key(*it).second != key(best).second) break;
      if (accept(*it)) best = *it;
    }
    return best;
  }

 private:
  const Tpoints& points_;
  std::vector<size_t> rows_, columns_;
};

}  // namespace

// Whether p lies within 1/sqrt(2) of the line through its neighbours: the
// outer corners of a one-pixel staircase lie exactly on that bound, points on
// a straight line between their neighbours far from it (their distance counts
// as the neighbours' distance). The area comes from the cross product rather
// than from the three side lengths: it is exact for integer points, where
// Heron's formula cancels badly on the thin triangles judged here. The few
// units in the last place of tolerance keep the staircase corners, which sit
// on the bound, on the removed side.
bool SmoothingRemoves(TPoint prev, TPoint p, TPoint next) {
  const double ux = static_cast<double>(next.x) - prev.x, uy = static_cast<double>(next.y) - prev.y;
  const double vx = static_cast<double>(p.x) - prev.x, vy = static_cast<double>(p.y) - prev.y;
  const double twice_area = std::abs(ux * vy - uy * vx);
  const double c = std::sqrt(ux * ux + uy * uy);
  const double h = twice_area / 2 > 0.1 && c > 0.1 ? twice_area / c : c;
  constexpr double kBound = std::numbers::sqrt2 / 2 * (1 + 8 * DBL_EPSILON);
  return h <= kBound;
}

TRgnpoints RegionVertices(std::span<const TRect> all_rects) {
  std::vector<TRect> rects;
  rects.reserve(all_rects.size());
  for (const TRect& r : all_rects)
    if (!IsEmpty(r)) rects.push_back(r);

  struct Corner {
    TPoint p;
    int32_t code;
  };
  std::vector<Corner> corners;
  corners.reserve(rects.size() * 4);
  for (const TRect& r : rects) {
    corners.push_back({{r.left, r.top}, 1});
    corners.push_back({{r.right, r.top}, 2});
    corners.push_back({{r.right, r.bottom}, 3});
    corners.push_back({{r.left, r.bottom}, 4});
  }

  // Coinciding corners, grouped; the groups keep the order in which their
  // point first appears.
  std::vector<size_t> order(corners.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::tie(corners[a].p.x, corners[a].p.y, a) <
           std::tie(corners[b].p.x, corners[b].p.y, b);
  });
  struct Group {
    size_t first;  // index of its first corner
    int32_t m = 0;
    int32_t sum = 0;
  };
  std::vector<Group> groups;
  for (size_t i = 0; i < order.size(); ++i) {
    const Corner& c = corners[order[i]];
    if (i == 0 || !(corners[order[i - 1]].p == c.p)) groups.push_back({order[i]});
    ++groups.back().m;
    groups.back().sum += c.code;
  }
  std::sort(groups.begin(), groups.end(),
            [](const Group& a, const Group& b) { return a.first < b.first; });

  const EdgeTest edge_test(rects);
  TRgnpoints vertices;
  auto add = [&](TPoint p, int32_t code) {
    vertices.points.push_back(p);
    vertices.tags.push_back(code);
  };
  for (const Group& g : groups) {
    const Corner& c = corners[g.first];
    switch (g.m) {
      case 1: add(c.p, edge_test.Code(c.p, c.code)); break;
      case 2:
        // Two rectangles meeting at diagonal corners: the point is visited
        // twice, once per rectangle. Any other pair lies on a straight edge.
        if (g.sum == 4) {
          add(c.p, -4);
          add(c.p, -2);
        } else if (g.sum == 6) {
          add(c.p, -3);
          add(c.p, -1);
        }
        break;
      case 3:
        // Three corners meet: the missing one's quadrant is the only outside.
        if (g.sum >= 6 && g.sum <= 9) add(c.p, g.sum - 10);
        break;
      default: break;  // four corners: an interior point
    }
  }
  return vertices;
}

TRgnpoints TraceVertices(const TRgnpoints& vertices) {
  const Tpoints& points = vertices.points;
  const Tintegers& codes = vertices.tags;
  const size_t n = std::min(points.size(), codes.size());
  const LineIndex lines(points);
  std::vector<int32_t> used(n, 0);
  TRgnpoints traced;
  traced.points.reserve(n);
  traced.tags.reserve(n);

  int32_t polygon = 1;
  size_t start = 0;
  for (;; ++polygon) {
    while (start < n && used[start] != 0) ++start;
    if (start == n) break;
    size_t current = start;
    used[current] = polygon;
    traced.points.push_back(points[current]);
    traced.tags.push_back(polygon);
    bool flipped = false;
    int32_t previous_code = codes[current];
    for (;;) {
      const int32_t code = codes[current];
      if (!IsVertexCode(code)) break;  // not from RegionVertices: nowhere to go
      if ((previous_code < 0) != (code < 0)) flipped = !flipped;
      const Step step = NextStep(code, flipped);
      const size_t winner = lines.Nearest(current, step.heading, [&](size_t i) {
        return i < n && i != current && (used[i] == 0 || i == start) &&
               (codes[i] == step.codes[0] || codes[i] == step.codes[1]);
      });
      // Back at the start, or a walk that cannot go on: the polygon ends.
      if (winner == SIZE_MAX || winner == start) break;
      used[winner] = polygon;
      traced.points.push_back(points[winner]);
      traced.tags.push_back(polygon);
      previous_code = code;
      current = winner;
    }
  }
  return traced;
}

Tintegers SmoothPolygons(TRgnpoints& traced) {
  TRgnpoints out;
  Tintegers counts;
  const size_t n = std::min(traced.points.size(), traced.tags.size());
  for (size_t first = 0; first < n;) {
    size_t end = first;
    while (end < n && traced.tags[end] == traced.tags[first]) ++end;
    Tpoints poly(traced.points.begin() + static_cast<ptrdiff_t>(first),
                 traced.points.begin() + static_cast<ptrdiff_t>(end));
    first = end;

    // Within a pass every vertex is judged against its neighbours as they
    // were when the pass began, so a whole staircase goes in one pass.
    std::vector<bool> removed;
    while (poly.size() > 4) {
      const size_t m = poly.size();
      removed.assign(m, false);
      size_t left = m;
      for (size_t i = 0; i < m; ++i) {
        if (SmoothingRemoves(poly[PrevIndex(i, m)], poly[i], poly[NextIndex(i, m)])) {
          removed[i] = true;
          --left;
        }
      }
      // Nothing more to smooth, or a small shape (two pixels touching at a
      // corner) that would vanish into a line or nothing: keep it as it is.
      if (left == m || left < 3) break;
      size_t w = 0;
      for (size_t i = 0; i < m; ++i)
        if (!removed[i]) poly[w++] = poly[i];
      poly.resize(w);
    }
    const int32_t number = static_cast<int32_t>(counts.size()) + 1;
    for (const TPoint& p : poly) {
      out.points.push_back(p);
      out.tags.push_back(number);
    }
    counts.push_back(static_cast<int32_t>(poly.size()));
  }
  traced = std::move(out);
  return counts;
}

namespace {

bool OnSegment(TPoint a, TPoint b, TPoint v) {
  if (v.x < std::min(a.x, b.x) || v.x > std::max(a.x, b.x) || v.y < std::min(a.y, b.y) ||
      v.y > std::max(a.y, b.y))
    return false;
  const double cross = (static_cast<double>(b.x) - a.x) * (static_cast<double>(v.y) - a.y) -
                       (static_cast<double>(b.y) - a.y) * (static_cast<double>(v.x) - a.x);
  return cross == 0;
}

bool OnOutline(std::span<const TPoint> poly, TPoint v) {
  for (size_t i = 0; i < poly.size(); ++i)
    if (OnSegment(poly[i], poly[NextIndex(i, poly.size())], v)) return true;
  return false;
}

}  // namespace

Tintegers PolygonLevels(std::span<const TPoint> points, std::span<const int32_t> counts) {
  std::vector<PolygonRange> ranges;
  ForEachPolygon(points.size(), counts, [&](size_t, PolygonRange r) { ranges.push_back(r); });
  Tintegers levels(ranges.size(), 0);
  for (size_t p = 0; p < ranges.size(); ++p) {
    const std::span<const TPoint> poly = points.subspan(ranges[p].first, ranges[p].count);
    if (poly.empty()) continue;
    for (size_t q = 0; q < ranges.size(); ++q) {
      if (q == p) continue;
      const std::span<const TPoint> other = points.subspan(ranges[q].first, ranges[q].count);
      // A region's outlines never cross, but a hole may touch its outer
      // boundary at a corner it shares diagonally, and that corner can be the
      // hole's first point: on the other outline the containment test could
      // answer either way. Any vertex off the other outline answers for the
      // whole polygon; the first one is taken.
      TPoint probe = poly.front();
      for (const TPoint& v : poly)
        if (!OnOutline(other, v)) {
          probe = v;
          break;
        }
      if (PointInRingPolygon(other, probe)) ++levels[p];
    }
  }
  return levels;
}

bool RegionToPolygons(std::span<const TRect> rects, Tpoints& points, Tintegers& counts,
                      Tintegers& levels) {
  if (std::all_of(rects.begin(), rects.end(), IsEmpty)) return false;
  TRgnpoints traced = TraceVertices(RegionVertices(rects));
  Tintegers traced_counts;
  for (size_t i = 0; i < traced.tags.size(); ++i) {
    if (i == 0 || traced.tags[i] != traced.tags[i - 1]) traced_counts.push_back(0);
    ++traced_counts.back();
  }
  // Nesting is read from the exact outlines: smoothing moves edges by up to
  // 0.7 pixel, enough for a one-pixel diagonal ring to no longer enclose its
  // hole's corners. Smoothing keeps every polygon, so the levels still match.
  Tintegers traced_levels = PolygonLevels(traced.points, traced_counts);
  counts = SmoothPolygons(traced);
  levels = std::move(traced_levels);
  points = std::move(traced.points);
  return true;
}

}  // namespace rotatergn
