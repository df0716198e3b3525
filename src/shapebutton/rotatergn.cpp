// Rotation, point-in-polygon tests and the region combination order.
#include "shapebutton/rotatergn.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "shapebutton/rotatergn_detail.h"

namespace rotatergn {

int32_t RoundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  // Explicit rather than nearbyint: the result must not depend on a rounding
  // mode some other code in the process may have set. v - floor(v) is exact.
  // floor(v) is inside the 32-bit range here, and below its top.
  const double f = std::floor(v);
  const double d = v - f;
  int32_t r = static_cast<int32_t>(f);
  if (d > 0.5 || (d == 0.5 && (r & 1) != 0)) ++r;
  return r;
}

namespace {

// Direction of (x, y) in y-up terms plus the turn, with the vertical axis
// taken exactly (atan2 would give the same up to its last bit).
double TurnedDirection(int32_t x, int32_t y, double turn) {
  if (x == 0) return y > 0 ? turn - std::numbers::pi / 2 : turn + std::numbers::pi / 2;
  return std::atan2(-static_cast<double>(y), static_cast<double>(x)) + turn;
}

// Distance from the origin. Squares in 64 bits: no coordinate can overflow
// the sum, and for screen-sized values it equals the 32-bit sum.
double Radius(int32_t x, int32_t y) {
  const int64_t sx = x, sy = y;
  return std::sqrt(static_cast<double>(sx * sx + sy * sy));
}

double AngleRadians(int32_t angle) { return angle * std::numbers::pi / 1800.0; }

// True when v is within rounding noise of a half, where two ways of
// computing it may round to different integers. The margin is far above the
// error of either way (a few units in the last place of values up to 2^31)
// and far below anything a pixel grid notices.
bool NearHalf(double v) {
  const double frac = v - std::floor(v);
  return std::abs(frac - 0.5) <= 1e-6 * (1.0 + std::abs(v) * 1e-3);
}

}  // namespace

void RotatePoints(std::span<TPoint> points, int32_t angle) {
  // Quarter turns map integers to integers: the polar computation below
  // lands within far less than half a pixel of them for any 32-bit point, so
  // its rounded result is exactly this. A button at rest (angle 0) pays
  // nothing.
  if (angle % 900 == 0) {
    const int quarter = ((angle / 900) % 4 + 4) % 4;
    if (quarter == 0) return;
    for (TPoint& p : points) {
      const int64_t x = p.x, y = p.y;
      const int64_t nx = quarter == 1 ? y : quarter == 2 ? -x : -y;
      const int64_t ny = quarter == 1 ? -x : quarter == 2 ? -y : x;
      p = TPoint{Saturate(nx), Saturate(ny)};  // as the polar path, for -INT32_MIN
    }
    return;
  }
  const double turn = AngleRadians(angle);
  const double c = std::cos(turn), s = std::sin(turn);
  for (TPoint& p : points) {
    const double r = Radius(p.x, p.y);
    if (RoundHalfEven(r) == 0) continue;
    // The image in Cartesian form: r cos(theta + turn) = x c + y s and
    // -r sin(theta + turn) = y c - x s, without atan2, cos and sin per point
    // (slow in some C libraries). Both forms agree to ~1e-12 pixels, so they
    // round alike unless the value sits at a half: only then is the polar
    // form, whose rounding defines the result, worked out.
    const double x = static_cast<double>(p.x), y = static_cast<double>(p.y);
    const double fx = x * c + y * s, fy = y * c - x * s;
    if (!NearHalf(fx) && !NearHalf(fy)) {
      p = TPoint{RoundHalfEven(fx), RoundHalfEven(fy)};
      continue;
    }
    const double theta = TurnedDirection(p.x, p.y, turn);
    // y is negated on the way in (atan2 of -y) and out, so that positive
    // angles turn counter-clockwise on a y-down screen. Rounding -v equals
    // negating the rounded v (halves go to even either way) and cannot
    // overflow.
    p = TPoint{RoundHalfEven(r * std::cos(theta)), RoundHalfEven(-r * std::sin(theta))};
  }
}

void RotatePointsAbout(std::span<TPoint> points, int32_t cx, int32_t cy, int32_t angle) {
  RotatePoints(points, angle);
  double shift_x = 0, shift_y = 0;
  const double rc = Radius(cx, cy);
  if (RoundHalfEven(rc) != 0) {
    const double theta = TurnedDirection(cx, cy, AngleRadians(angle));
    shift_x = cx - rc * std::cos(theta);
    shift_y = cy + rc * std::sin(theta);
  }
  const int32_t dx = RoundHalfEven(shift_x), dy = RoundHalfEven(shift_y);
  for (TPoint& p : points)
    p = TPoint{Saturate(static_cast<int64_t>(p.x) + dx), Saturate(static_cast<int64_t>(p.y) + dy)};
}

bool PointInPolygon(std::span<const TPoint> points, double y, double x) {
  const size_t n = points.size();
  bool right = false, left = false;
  for (size_t i = 0; i < n; ++i)
    CountCrossing(points[PrevIndex(i, n)], points[i], y, x, right, left);
  return right && left;
}

bool PointInRingPolygon(std::span<const TPoint> points, TPoint point) {
  // Repeated points would make a vertex on the test row look like an edge
  // lying along it.
  Tpoints ring;
  ring.reserve(points.size());
  for (const TPoint& p : points)
    if (ring.empty() || !(ring.back() == p)) ring.push_back(p);

  const size_t n = ring.size();
  const double px = point.x;
  const int32_t py = point.y;
  bool right = false, left = false;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = NextIndex(i, n);
    size_t k = PrevIndex(i, n);
    if (j == k) continue;  // fewer than three distinct vertices: no area
    const TPoint& pi = ring[i];
    const TPoint& pj = ring[j];
    if (!((pi.y <= py && py < pj.y) || (pj.y < py && py <= pi.y))) continue;
    const int64_t rise = (static_cast<int64_t>(pj.x) - pi.x) * (static_cast<int64_t>(py) - pi.y);
    const double xc = static_cast<double>(rise) / (static_cast<double>(pj.y) - pi.y) + pi.x;
    if (pi.y == py) {
      // The edge leaves the row at vertex i: count it only when the outline
      // came from the other side of the row (a crossing, not a touch).
      while (k != j && ring[k].y == py) k = PrevIndex(k, n);
      if (k == j) continue;
      if ((ring[k].y < py) == (pj.y < py)) continue;
    }
    if (px < xc) right = !right;
    if (px > xc) left = !left;
  }
  return right && left;
}

void CopyPoints(const Tpoints& source, Tpoints& destination) { destination = source; }

std::vector<CombineStep> RegionCombinationPlan(std::span<const TPoint> points,
                                               std::span<const int32_t> counts,
                                               std::span<const int32_t> levels) {
  struct Used {
    int32_t level;
    PolygonRange range;
  };
  std::vector<Used> used;
  ForEachPolygon(points.size(), counts, [&](size_t k, PolygonRange range) {
    const int32_t level = LevelOf(levels, k);
    if (level >= 0) used.push_back({level, range});
  });
  // Level by level, polygons of one level in their order: a heap sort of
  // (level, position) keys, O(n log n) whatever the levels (a loop over
  // 0..max level could be two billion steps long for untrusted levels), and
  // a fraction of the code std::stable_sort's merging brings. Levels are
  // not negative here, so their unsigned order is theirs.
  std::vector<uint64_t> keys;
  keys.reserve(used.size());
  for (size_t i = 0; i < used.size(); ++i) {
    keys.push_back(uint64_t{static_cast<uint32_t>(used[i].level)} << 32 | static_cast<uint32_t>(i));
  }
  std::make_heap(keys.begin(), keys.end());
  std::sort_heap(keys.begin(), keys.end());
  std::vector<CombineStep> plan;
  plan.reserve(used.size());
  for (const uint64_t key : keys) {
    const Used& u = used[static_cast<uint32_t>(key)];
    const CombineOp op = plan.empty()       ? CombineOp::kCopy
                         : u.level % 2 == 0 ? CombineOp::kOr
                                            : CombineOp::kDiff;
    plan.push_back({u.range.first, u.range.count, op});
  }
  return plan;
}

}  // namespace rotatergn
