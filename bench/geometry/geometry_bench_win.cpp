// Geometry and GDI regions of a 200 x 100 shaped button: microseconds per
// operation, as the shape rebuild uses them. Run under wine64:
//   build/win64/wine/run build/win64/bin/geometry_bench_win.exe
#include "bench_shapes.h"
#include "shapebutton/rotatergn_win32.h"

using namespace geobench;

namespace {

// As the button makes its bevel regions: all quads of a list in one region.
q::RegionHandle QuadRegion(const QuadList& q) {
  if (q.quads == 0) return {};
  std::vector<POINT> points(q.points.size());
  for (size_t i = 0; i < points.size(); ++i) points[i] = POINT{q.points[i].x, q.points[i].y};
  const std::vector<INT> counts(q.counts.begin(), q.counts.end());
  return q::RegionHandle(::CreatePolyPolygonRgn(points.data(), counts.data(), q.quads, ALTERNATE));
}

}  // namespace

int main() {
  const std::vector<Outline> outlines{Ellipse(), RoundedRect(), Star()};
  std::printf("Geometry and GDI regions, %d x %d button (measured under Wine)\n", kWidth, kHeight);
  PortableRows(outlines);
  for (const Outline& o : outlines) {
    Row("PolygonsToRegion", o.name,
        MicrosPerCall([&] { q::RegionHandle r = PolygonsToRegion(o.points, o.counts, o.levels); }));
    Rebuilt r;
    RebuildGeometry(o, r);
    Row("bevel quad region (CreatePolyPoly)", o.name,
        MicrosPerCall([&] { q::RegionHandle q = QuadRegion(r.outer.first); }));
    // Everything a rebuild does with geometry and regions: the geometry
    // above, four regions from polygons and four from bevel quads; turned by
    // 30 degrees, and at rest.
    for (const int angle : {kAngle, 0}) {
      Row(angle == 0 ? "whole shape rebuild (0 deg)" : "whole shape rebuild (30 deg)", o.name,
          MicrosPerCall([&] {
            RebuildGeometry(o, r, angle);
            q::RegionHandle window = PolygonsToRegion(r.base, o.counts, o.levels);
            q::RegionHandle outline = PolygonsToRegion(r.outline, o.counts, o.levels);
            q::RegionHandle inner = PolygonsToRegion(r.second, o.counts, o.levels);
            q::RegionHandle focus = PolygonsToRegion(r.focus, o.counts, o.levels);
            q::RegionHandle b1 = QuadRegion(r.outer.first), b2 = QuadRegion(r.outer.second);
            q::RegionHandle b3 = QuadRegion(r.inner.first), b4 = QuadRegion(r.inner.second);
          }));
    }
  }

  q::RegionHandle ellipse(::CreateEllipticRgn(0, 0, kWidth, kHeight));
  Tpoints points;
  Tintegers counts, levels;
  RegionToPolygons(ellipse.Get(), points, counts, levels);
  char shape[64];
  std::snprintf(shape, sizeof shape, "%lu rects -> %zu pts",
                static_cast<unsigned long>((::GetRegionData(ellipse.Get(), 0, nullptr) - 32) / 16),
                points.size());
  Row("RegionToPolygons (elliptic region)", shape,
      MicrosPerCall([&] { RegionToPolygons(ellipse.Get(), points, counts, levels); }));
  return 0;
}
