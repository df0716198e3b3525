// Portable geometry of a 200 x 100 shaped button: microseconds per operation.
//   build/native/bin/geometry_bench
#include "bench_shapes.h"

using namespace geobench;

int main() {
  const std::vector<Outline> outlines{Ellipse(), RoundedRect(), Star()};
  std::printf("Portable geometry, %d x %d button, native\n", kWidth, kHeight);
  PortableRows(outlines);
  std::printf("  (rebuild geometry = 3 insets, 5 rotations, 2 BevelQuads; no regions)\n");

  const std::vector<TRect> rects = EllipseRects(kWidth, kHeight);
  Tpoints points;
  Tintegers counts, levels;
  RegionToPolygons(rects, points, counts, levels);
  char shape[64];
  std::snprintf(shape, sizeof shape, "%zu rects -> %zu pts", rects.size(), points.size());
  Row("RegionToPolygons (ellipse rects)", shape,
      MicrosPerCall([&] { RegionToPolygons(rects, points, counts, levels); }));
  return 0;
}
