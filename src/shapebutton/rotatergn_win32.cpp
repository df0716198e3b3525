#include "shapebutton/rotatergn_win32.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

namespace rotatergn {
namespace {

// The window system reads points as they lie: a TPoint is laid out as a POINT.
static_assert(sizeof(TPoint) == sizeof(POINT) && offsetof(TPoint, x) == offsetof(POINT, x) &&
              offsetof(TPoint, y) == offsetof(POINT, y) && sizeof(LONG) == sizeof(int32_t));
const POINT* AsPoints(const TPoint* points) { return reinterpret_cast<const POINT*>(points); }

}  // namespace

q::RegionHandle PolygonToRegion(std::span<const TPoint> polygon) {
  // Fewer than three points enclose nothing.
  if (polygon.size() < 3) return q::RegionHandle(::CreateRectRgn(0, 0, 0, 0));
  return q::RegionHandle(
      ::CreatePolygonRgn(AsPoints(polygon.data()), static_cast<int>(polygon.size()), ALTERNATE));
}

q::RegionHandle PolygonsToRegion(std::span<const TPoint> points, std::span<const int32_t> counts,
                                 std::span<const int32_t> levels) {
  const std::vector<CombineStep> plan = RegionCombinationPlan(points, counts, levels);
  q::RegionHandle result;
  for (const CombineStep& step : plan) {
    // A polygon of fewer than three points adds and cuts nothing (as the
    // first one it leaves the result empty).
    if (step.op != CombineOp::kCopy && step.count < 3) continue;
    q::RegionHandle polygon = PolygonToRegion(points.subspan(step.first, step.count));
    if (!polygon) return {};
    if (step.op == CombineOp::kCopy) {
      result = std::move(polygon);
    } else if (::CombineRgn(result.Get(), result.Get(), polygon.Get(),
                            step.op == CombineOp::kOr ? RGN_OR : RGN_DIFF) == ERROR) {
      return {};
    }
  }
  return result;
}

q::RegionHandle QuadsToRegion(const QuadList& quads) {
  Tpoints joined;
  Tintegers counts;
  JoinQuadRuns(quads, joined, counts);
  if (counts.empty()) return {};
  static_assert(std::is_same_v<INT, int32_t>);
  return q::RegionHandle(::CreatePolyPolygonRgn(AsPoints(joined.data()), counts.data(),
                                                static_cast<int>(counts.size()), ALTERNATE));
}

bool RegionToPolygons(HRGN region, Tpoints& points, Tintegers& counts, Tintegers& levels) {
  if (region == nullptr) return false;
  const DWORD size = ::GetRegionData(region, 0, nullptr);
  if (size < sizeof(RGNDATAHEADER)) return false;
  // DWORD storage keeps the header and the rectangles aligned.
  std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* data = reinterpret_cast<RGNDATA*>(storage.data());
  if (::GetRegionData(region, size, data) == 0) return false;
  const DWORD header = std::max<DWORD>(data->rdh.dwSize, sizeof(RGNDATAHEADER));
  if (header > size) return false;
  // Trust neither count alone: the rectangles must also fit the block.
  const size_t count = std::min<size_t>(data->rdh.nCount, (size - header) / sizeof(RECT));
  const auto* rects =
      reinterpret_cast<const RECT*>(reinterpret_cast<const unsigned char*>(data) + header);
  std::vector<TRect> list(count);
  for (size_t i = 0; i < count; ++i)
    list[i] = TRect{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
  return RegionToPolygons(list, points, counts, levels);
}

}  // namespace rotatergn
