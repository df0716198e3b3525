// The window's region and the band regions against the shape the geometry
// builds for the same properties; the window's place when turning and
// resizing; user regions and their ownership.
#include <string>
#include <vector>

#include "shapebutton/fyoutlines.h"
#include "shapebutton/fyplacement.h"
#include "shapebutton/rotatergn_win32.h"
#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

q::RegionHandle RectRegion(int l, int t, int r, int b) {
  return q::RegionHandle(::CreateRectRgn(l, t, r, b));
}

// The window's region as the window system holds it.
q::RegionHandle WindowRegion(const TFyeverButton& b) {
  q::RegionHandle r = RectRegion(0, 0, 0, 0);
  if (::GetWindowRgn(b.Handle(), r.Get()) == ERROR) r.Reset();
  return r;
}

bool Same(HRGN a, HRGN b) { return a && b && ::EqualRgn(a, b); }

TEST_F(ButtonTest, RegionsAreTheShapeTheGeometryBuilds) {
  Load();
  TProbeButton* b = NewButton(100, 100, 120, 60);
  b->SetPeaksNumber(5);
  for (size_t k = 0; k < kButtonKindNames.size(); ++k) {
    const auto kind = static_cast<TFyButtonKind>(k);
    if (kind == bkUser) continue;
    for (TFy3DKind look : {dk3D, dk3dBorder}) {
      for (int angle : {0, 300, 900, -1350}) {
        b->SetButtonKind(kind);
        b->SetButton3DKind(look);
        b->SetButtonAngle(angle);
        Paint(b);
        const std::string what = std::string(kButtonKindNames[k]) + " " +
                                 std::string(k3DKindNames[look]) + " " + std::to_string(angle);
        const Outline o = BuildOutline({kind, 120, kind == bkArc ? 60 : b->ButtonHeight(), 2, 5,
                                        b->RadiusRatio(), b->ArcAngle()});
        const int h = o.arcResizes ? o.arcHeight : 60;
        ASSERT_EQ(b->ButtonHeight(), h) << what;
        const Extent turned = TurnedSize(120, h, angle);
        ASSERT_EQ(b->Width(), turned.width) << what;
        ASSERT_EQ(b->Height(), turned.height) << what;
        ShapeGeometry g;
        BuildShapeGeometry(o.set, {120, h, 2, look == dk3dBorder, angle, b->Width(), b->Height()},
                           g);
        auto polygons = [&g](const Tpoints& p) {
          return rotatergn::PolygonsToRegion(p, g.base.counts, g.base.levels);
        };
        EXPECT_TRUE(Same(WindowRegion(*b).Get(), polygons(g.base.points).Get())) << what;
        EXPECT_TRUE(Same(b->OutlineRegion(), polygons(g.base.points).Get())) << what;
        EXPECT_TRUE(Same(b->InnerRegion(), polygons(g.second).Get())) << what;
        EXPECT_TRUE(Same(b->FocusRegion(), polygons(g.focus).Get())) << what;
        EXPECT_TRUE(Same(b->OuterBevelLitRegion(), QuadsToRegion(g.outer.first).Get())) << what;
        EXPECT_TRUE(Same(b->OuterBevelShadedRegion(), QuadsToRegion(g.outer.second).Get())) << what;
        EXPECT_TRUE(Same(b->InnerBevelShadedRegion(), QuadsToRegion(g.inner.first).Get())) << what;
        EXPECT_TRUE(Same(b->InnerBevelLitRegion(), QuadsToRegion(g.inner.second).Get())) << what;
        EXPECT_EQ(b->PendingWindowRegion(), nullptr) << "the window system owns it now";
      }
    }
    b->SetButtonAngle(0);
    b->SetButtonKind(bkRect);
    b->SetButtonHeight(60);
  }
}

TEST_F(ButtonTest, TurningKeepsThePivotAndResizingSetsTheButtonSize) {
  Load();
  // About the centre (250, 120); about (100, 40), the bottom-right corner
  // staying at (70, 250). Turning back comes home.
  for (const auto& [left, top, p, centre, turnedLeft, turnedTop] :
       {std::tuple{200, 100, 0, true, 230, 70}, {-30, 210, 100, false, 30, 250}}) {
    TProbeButton* b = NewButton(left, top, 100, 40);
    b->SetRotationCenterFixed(centre);
    b->SetRotationPointX(p);
    b->SetRotationPointY(p * 2 / 5);
    b->SetButtonAngle(900);
    EXPECT_EQ(std::pair(b->Left(), b->Top()), std::pair(turnedLeft, turnedTop)) << left;
    b->SetButtonAngle(0);
    EXPECT_EQ(std::pair(b->Left(), b->Top()), std::pair(left, top));
  }

  TProbeButton* b = NewButton(50, 50, 100, 40);
  b->SetBounds(b->Left(), b->Top(), 90, 30);  // at rest, the window's size as it is
  EXPECT_EQ(std::pair(b->ButtonWidth(), b->ButtonHeight()), std::pair(90, 30));
  EXPECT_TRUE(Same(b->OutlineRegion(), RectRegion(0, 0, 90, 30).Get()));
  b->SetArcAngle(0.05);
  b->SetButtonKind(bkArc);  // a plain rectangle, no new height
  EXPECT_EQ(b->ButtonHeight(), 30);
}

// A region block as a region string: each byte as "!" and the byte + 128.
std::string Encode(HRGN region) {
  std::vector<uint8_t> bytes(::GetRegionData(region, 0, nullptr));
  auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
  ::GetRegionData(region, static_cast<DWORD>(bytes.size()), data);
  std::string s;
  for (uint8_t c : bytes) s += {'!', static_cast<char>(static_cast<uint8_t>(c + 128))};
  return s;
}

TEST_F(ButtonTest, UserRegionsFromAStringOrAHandle) {
  Load();
  // An L: (0, 0)-(193, 65) over (0, 65)-(65, 130).
  q::RegionHandle l = RectRegion(0, 0, 193, 65);
  q::RegionHandle foot = RectRegion(0, 65, 65, 130);
  ::CombineRgn(l.Get(), l.Get(), foot.Get(), RGN_OR);
  TProbeButton* b = NewButton(10, 10, 193, 130);
  b->SetStringButtonRegion(Encode(l.Get()));
  b->SetButtonKind(bkUser);
  Paint(b);
  // Traced, scaled into the button (here 1:1) and given bevels.
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 150, 30));
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 30, 120));
  EXPECT_FALSE(::PtInRegion(b->OutlineRegion(), 150, 100));
  EXPECT_TRUE(Same(WindowRegion(*b).Get(), b->OutlineRegion()));
  EXPECT_TRUE(b->OuterBevelLitRegion());
  // Without conversion the region itself is the window region, and the
  // face has no bevels.
  b->SetUserRGNAUTO(false);
  Paint(b);
  EXPECT_TRUE(Same(WindowRegion(*b).Get(), l.Get()));
  EXPECT_EQ(b->At(0, 0), b->At(100, 30));

  // An assigned region is taken over (and deleted) only by a user button.
  TProbeButton* c = NewButton(10, 150, 100, 100);
  HRGN mine = ::CreateEllipticRgn(0, 0, 50, 50);
  c->SetButtonRegion(mine);
  EXPECT_EQ(::GetObjectType(mine), static_cast<DWORD>(OBJ_REGION));
  c->SetButtonKind(bkUser);
  c->SetButtonRegion(mine);
  EXPECT_EQ(::GetObjectType(mine), 0u);
  EXPECT_TRUE(::PtInRegion(c->OutlineRegion(), 50, 50)) << "the circle scaled onto the button";
  EXPECT_FALSE(::PtInRegion(c->OutlineRegion(), 5, 5));
}

}  // namespace
}  // namespace fybutton_test
