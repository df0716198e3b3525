// Microseconds per RebuildShape of a 200 x 100 shaped button, for every
// kind, turned by 30 degrees (as a spinning button rebuilds 25 times a
// second) and at rest. A rebuild makes the outline, three insets (taken from
// the previous rebuild while the outline and depths are unchanged, as they
// are while the button spins), the turn, eight regions, and renders the
// face. "polygons, fresh" is the polygon work of a first rebuild, insets
// included. Run under wine64:
//   build/win64/wine/run build/win64/bin/shapebutton_bench.exe
#include <cstdio>
#include <vector>

#include "geometry/bench_shapes.h"
#include "shapebutton/fyeverbutton.h"

using namespace fyeverbutton;

namespace {

// An elliptic user region as region text (see StringButtonRegion).
std::string EllipseRegionText() {
  q::RegionHandle r(::CreateEllipticRgn(0, 0, 200, 100));
  const DWORD size = ::GetRegionData(r.Get(), 0, nullptr);
  std::vector<uint8_t> bytes(size);
  ::GetRegionData(r.Get(), size, reinterpret_cast<RGNDATA*>(bytes.data()));
  std::string s;
  for (uint8_t b : bytes) {
    s += '!';
    s += static_cast<char>(static_cast<uint8_t>(b + 128));
  }
  return s;
}

}  // namespace

int main() {
  std::printf("RebuildShape, 200 x 100 button, depth 2 (measured under Wine)\n");
  std::printf("%-22s %8s %12s %12s %12s %12s\n", "kind", "points", "30 deg", "0 deg", "poly fresh",
              "render");
  TFyeverButton::UseEveryKind();
  TFyeverButton button(nullptr);
  button.SetButtonWidth(200);
  button.SetButtonHeight(100);
  button.SetStringButtonRegion(EllipseRegionText());
  double worst = 0;
  const char* worstKind = "";
  for (size_t k = 0; k <= kButtonKindNames.size(); ++k) {
    const bool userRaw = k == kButtonKindNames.size();  // bkUser, region as it is
    const auto kind = userRaw ? bkUser : static_cast<TFyButtonKind>(k);
    button.SetButtonKind(kind);
    button.SetUserRGNAUTO(!userRaw);
    button.SetButtonHeight(100);  // bkArc sets its own
    double us[2] = {};
    size_t points = 0;
    for (int i = 0; i < 2; ++i) {
      button.SetButtonAngle(i == 0 ? 300 : 0);
      us[i] = geobench::MicrosPerCall([&] { button.RebuildShape(); });
    }
    const Outline o = BuildOutline({kind, 200, 100, 2, 6, 0.5, kDefaultArcAngle});
    points = kind == bkUser ? 0 : o.set.points.size();
    // The polygon work alone (outline to turned insets and quads) with
    // nothing to reuse, and the face render every rebuild ends with.
    const Extent e = TurnedSize(200, button.ButtonHeight(), 300);
    const double poly = geobench::MicrosPerCall([&] {
      ShapeGeometry g;
      BuildShapeGeometry(o.set, {200, button.ButtonHeight(), 2, false, 300, e.width, e.height}, g);
    });
    const double render = geobench::MicrosPerCall([&] { button.RenderFace(); });
    std::string name(userRaw ? "bkUser (raw region)" : kButtonKindNames[k]);
    if (kind == bkArc) name += " (86 high)";
    std::printf("%-22s %8zu %9.1f us %9.1f us %9.1f us %9.1f us\n", name.c_str(), points, us[0],
                us[1], poly, render);
    if (us[0] > worst) {
      worst = us[0];
      worstKind = kind == bkUser ? "bkUser" : kButtonKindNames[k].data();
    }
  }
  std::printf("slowest at 30 deg: %s, %.1f us (target 500 us)\n", worstKind, worst);
  return 0;
}
