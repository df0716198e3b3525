#include "shapebutton/rotatergn_win32.h"

#include <algorithm>
#include <type_traits>

namespace rotatergn {

q::RegionHandle PolygonsToRegion(std::span<const TPoint> points, std::span<const int32_t> counts,
                                 std::span<const int32_t> levels) {
  const std::vector<CombineStep> plan = RegionCombinationPlan(points, counts, levels);
  q::RegionHandle result;
  std::vector<POINT> buffer;
  for (const CombineStep& step : plan) {
    // Fewer than three points enclose nothing: such a polygon adds and cuts
    // nothing (and as the first one leaves the result empty).
    q::RegionHandle polygon;
    if (step.count >= 3) {
      buffer.resize(step.count);
      for (size_t i = 0; i < step.count; ++i)
        buffer[i] = POINT{points[step.first + i].x, points[step.first + i].y};
      polygon.Reset(::CreatePolygonRgn(buffer.data(), static_cast<int>(step.count), ALTERNATE));
      if (!polygon) return {};
    }
    if (step.op == CombineOp::kCopy) {
      // The first polygon's own region is the start: copying it into a new
      // one would only cost a region.
      result = polygon ? std::move(polygon) : q::RegionHandle(::CreateRectRgn(0, 0, 0, 0));
      if (!result) return {};
    } else if (polygon && ::CombineRgn(result.Get(), result.Get(), polygon.Get(),
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
  std::vector<POINT> points(joined.size());
  for (size_t i = 0; i < joined.size(); ++i) points[i] = POINT{joined[i].x, joined[i].y};
  static_assert(std::is_same_v<INT, int32_t>);
  return q::RegionHandle(::CreatePolyPolygonRgn(points.data(), counts.data(),
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
