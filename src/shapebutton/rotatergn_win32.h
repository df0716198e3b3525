// The geometry module's GDI side: a polygon set becomes one region, and a
// region is traced back into a polygon set. Windows-only.
#pragma once

#include <windows.h>

#include "common/win32_handles.h"
#include "shapebutton/rotatergn.h"

namespace rotatergn {

// One region from a polygon set: each polygon filled alternately, combined
// level by level (even levels added, odd levels cut out, negative levels
// ignored). No region when no polygon takes part, or when GDI cannot make one.
// The caller owns the region.
q::RegionHandle PolygonsToRegion(std::span<const TPoint> points, std::span<const int32_t> counts,
                                 std::span<const int32_t> levels);

// The region of one polygon, filled alternately: what PolygonsToRegion
// makes of a set of that polygon alone at level 0 (an empty region for
// fewer than three points), without the code that combines several.
q::RegionHandle PolygonToRegion(std::span<const TPoint> polygon);

// Traces `region` into a polygon set (see the rectangle overload). An empty
// region, no region, or one GDI cannot describe leaves the outputs as they
// are and answers false.
bool RegionToPolygons(HRGN region, Tpoints& points, Tintegers& counts, Tintegers& levels);

// The pixels of a bevel band's quads, filled alternately (through
// JoinQuadRuns). No region for an empty list or when GDI cannot make one.
q::RegionHandle QuadsToRegion(const QuadList& quads);

}  // namespace rotatergn
