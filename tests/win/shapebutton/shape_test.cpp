// Shape rebuild, window regions, placement when turning and resizing, user
// regions, and region ownership.
#include <cmath>
#include <string>
#include <vector>

#include "shapebutton/rotatergn_win32.h"
#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

RECT Box(HRGN r) {
  RECT box{-1, -1, -1, -1};
  EXPECT_NE(::GetRgnBox(r, &box), ERROR);
  return box;
}

bool SameRegion(HRGN a, HRGN b) { return a && b && ::EqualRgn(a, b); }

q::RegionHandle RectRegion(int l, int t, int r, int b) {
  return q::RegionHandle(::CreateRectRgn(l, t, r, b));
}

// The window's region as the window system holds it.
q::RegionHandle WindowRegion(const TFyeverButton& b) {
  q::RegionHandle r = RectRegion(0, 0, 0, 0);
  if (::GetWindowRgn(b.Handle(), r.Get()) == ERROR) r.Reset();
  return r;
}

TEST_F(ButtonTest, RectangleRegionsAndInsets) {
  Load("");
  TProbeButton* b = NewButton(10, 10, 100, 40);
  EXPECT_TRUE(SameRegion(b->OutlineRegion(), RectRegion(0, 0, 100, 40).Get()));
  EXPECT_TRUE(SameRegion(b->InnerRegion(), RectRegion(4, 4, 96, 36).Get()));
  EXPECT_TRUE(SameRegion(b->FocusRegion(), RectRegion(6, 6, 94, 34).Get()));
  // The outer bevel bands: two pixels along every side, top and left lit.
  q::RegionHandle ring = RectRegion(0, 0, 100, 40);
  q::RegionHandle hole = RectRegion(2, 2, 98, 38);
  ::CombineRgn(ring.Get(), ring.Get(), hole.Get(), RGN_DIFF);
  q::RegionHandle bands = RectRegion(0, 0, 0, 0);
  ::CombineRgn(bands.Get(), b->OuterBevelLitRegion(), b->OuterBevelShadedRegion(), RGN_OR);
  EXPECT_TRUE(SameRegion(bands.Get(), ring.Get()));
  EXPECT_TRUE(::PtInRegion(b->OuterBevelLitRegion(), 50, 0));
  EXPECT_TRUE(::PtInRegion(b->OuterBevelShadedRegion(), 50, 39));
  // Painting gave the window its region: the outline.
  q::RegionHandle window = WindowRegion(*b);
  EXPECT_TRUE(SameRegion(window.Get(), b->OutlineRegion()));
  EXPECT_EQ(b->PendingWindowRegion(), nullptr) << "the window system owns it now";

  b->SetButton3DKind(dk3dBorder);
  EXPECT_TRUE(SameRegion(b->FocusRegion(), RectRegion(8, 8, 92, 32).Get()));
}

TEST_F(ButtonTest, EveryKindGivesTheWindowItsOutline) {
  Load("");
  TProbeButton* b = NewButton(10, 10, 120, 60);
  for (size_t k = 0; k < kButtonKindNames.size(); ++k) {
    b->SetButtonKind(static_cast<TFyButtonKind>(k));
    Paint(b);
    q::RegionHandle window = WindowRegion(*b);
    ASSERT_TRUE(window) << kButtonKindNames[k];
    EXPECT_TRUE(SameRegion(window.Get(), b->OutlineRegion())) << kButtonKindNames[k];
    const RECT box = Box(window.Get());
    EXPECT_LT(box.left, box.right) << kButtonKindNames[k] << " is empty";
    EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= b->Width() &&
                box.bottom <= b->Height())
        << kButtonKindNames[k];
  }
  // The donut's hole is no part of the window.
  b->SetButtonKind(bkDonut);
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 60, 3));
  EXPECT_FALSE(::PtInRegion(b->OutlineRegion(), 60, 30));
}

TEST_F(ButtonTest, ArcSizesItsWindowToTheBand) {
  Load("");
  TProbeButton* b = NewButton(10, 10, 200, 100);
  b->SetButtonKind(bkArc);  // two thirds of pi, chord 200: 86 high
  EXPECT_EQ(b->ButtonHeight(), 86);
  EXPECT_EQ(b->Height(), 86);
  EXPECT_EQ(b->WindowHeight(), 86);
  b->SetArcAngle(0.05);  // a plain rectangle, no new height
  EXPECT_EQ(b->ButtonHeight(), 86);
  EXPECT_TRUE(SameRegion(b->OutlineRegion(), RectRegion(0, 0, 200, 86).Get()));
}

TEST_F(ButtonTest, QuarterTurnTurnsTheWindow) {
  Load("");
  TProbeButton* b = NewButton(100, 100, 100, 40);
  b->SetButtonAngle(900);
  Paint(b);
  EXPECT_EQ(b->Width(), 40);
  EXPECT_EQ(b->Height(), 100);
  EXPECT_EQ(b->ButtonWidth(), 100) << "the unturned size stays";
  const RECT box = Box(b->OutlineRegion());
  EXPECT_NEAR(box.left, 0, 1);
  EXPECT_NEAR(box.top, 0, 1);
  EXPECT_NEAR(box.right, 40, 1);
  EXPECT_NEAR(box.bottom, 100, 1);
  q::RegionHandle window = WindowRegion(*b);
  EXPECT_TRUE(SameRegion(window.Get(), b->OutlineRegion()));

  b->SetButtonAngle(1900);
  EXPECT_EQ(b->ButtonAngle(), -1700);
  b->SetButtonAngle(-1800);
  EXPECT_EQ(b->ButtonAngle(), 1800);
}

TEST_F(ButtonTest, TurningKeepsThePivotInPlace) {
  Load("");
  // About the centre: a 100 x 40 button at (200, 100) has its centre at
  // (250, 120), and keeps it as a 40 x 100 window.
  TProbeButton* centred = NewButton(200, 100, 100, 40);
  centred->SetRotationCenterFixed(true);
  centred->SetButtonAngle(900);
  EXPECT_EQ(centred->Left(), 230);
  EXPECT_EQ(centred->Top(), 70);
  // About (0, 0): the unturned top-left corner stays at (20, 150); the box
  // turned counter-clockwise hangs above it.
  TProbeButton* corner = NewButton(20, 150, 100, 40);
  corner->SetButtonAngle(900);
  EXPECT_EQ(corner->Left(), 20);
  EXPECT_EQ(corner->Top(), 50);
  // An explicit point: (100, 40), the bottom-right corner, at (70, 250).
  TProbeButton* point = NewButton(-30, 210, 100, 40);
  point->SetRotationPointX(100);
  point->SetRotationPointY(40);
  point->SetButtonAngle(900);
  EXPECT_EQ(point->Left(), 70 - 40);
  EXPECT_EQ(point->Top(), 250);
  // Turning back by the same steps comes home.
  point->SetButtonAngle(0);
  EXPECT_EQ(point->Left(), -30);
  EXPECT_EQ(point->Top(), 210);
}

TEST_F(ButtonTest, ResizedWhileTurnedScalesBothSides) {
  Load("");
  TProbeButton* b = NewButton(50, 50, 100, 40);
  b->SetButtonAngle(300);
  const int w = b->Width();
  b->SetBounds(b->Left(), b->Top(), 2 * w, b->Height());  // as a designer drags it
  EXPECT_NEAR(b->ButtonWidth(), 200, 2);
  EXPECT_NEAR(b->ButtonHeight(), 80, 1);
  EXPECT_EQ(b->Width(), b->WindowWidth());
  EXPECT_EQ(b->Height(), b->WindowHeight());
  // At rest the button takes the window's size as it is.
  b->SetButtonAngle(0);
  b->SetBounds(b->Left(), b->Top(), 90, 30);
  EXPECT_EQ(b->ButtonWidth(), 90);
  EXPECT_EQ(b->ButtonHeight(), 30);
  EXPECT_TRUE(SameRegion(b->OutlineRegion(), RectRegion(0, 0, 90, 30).Get()));
}

// A region block as a region string: bytes below 128 as "X?", the others
// (and "!") as "!" and the byte plus 128.
std::string Encode(HRGN region) {
  const DWORD size = ::GetRegionData(region, 0, nullptr);
  std::vector<uint8_t> bytes(size);
  ::GetRegionData(region, size, reinterpret_cast<RGNDATA*>(bytes.data()));
  std::string s;
  for (uint8_t b : bytes) {
    if (b < 128 && b != '!' && b != 0) {
      s += static_cast<char>(b);
      s += '?';
    } else {
      s += '!';
      s += static_cast<char>(static_cast<uint8_t>(b + 128));
    }
  }
  return s;
}

TEST_F(ButtonTest, StringRegionBecomesTheWindowRegion) {
  Load("");
  // An L: (0, 0)-(193, 65) over (0, 65)-(65, 130); 65 encodes as "A?",
  // 193 as "!A".
  q::RegionHandle l = RectRegion(0, 0, 193, 65);
  q::RegionHandle foot = RectRegion(0, 65, 65, 130);
  ::CombineRgn(l.Get(), l.Get(), foot.Get(), RGN_OR);
  const std::string text = Encode(l.Get());
  ASSERT_NE(text.find("A?"), std::string::npos);
  ASSERT_NE(text.find("!A"), std::string::npos);

  TProbeButton* b = NewButton(10, 10, 193, 130);
  b->SetStringButtonRegion(text);  // stored: the kind is not bkUser yet
  EXPECT_TRUE(SameRegion(b->OutlineRegion(), RectRegion(0, 0, 193, 130).Get()));
  b->SetButtonKind(bkUser);
  Paint(b);
  // Traced, scaled into the button (here 1:1) and given bevels.
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 150, 30));
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 30, 120));
  EXPECT_FALSE(::PtInRegion(b->OutlineRegion(), 150, 100));
  EXPECT_TRUE(SameRegion(WindowRegion(*b).Get(), b->OutlineRegion()));
  EXPECT_TRUE(b->OuterBevelLitRegion());
  // Scaled with the button.
  b->SetButtonWidth(386);
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 300, 30));
  EXPECT_FALSE(::PtInRegion(b->OutlineRegion(), 300, 100));

  // Without conversion the region itself is the window region, unturned
  // and without bevels.
  b->SetButtonWidth(193);
  b->SetUserRGNAUTO(false);
  Paint(b);
  EXPECT_TRUE(SameRegion(WindowRegion(*b).Get(), l.Get()));

  // Text that is no region block: no user region, the plain rectangle.
  b->SetUserRGNAUTO(true);
  b->SetStringButtonRegion("!\x7f!\x7f!\x7f!\x7fgarbage that claims far too many rectangles");
  Paint(b);
  EXPECT_TRUE(SameRegion(WindowRegion(*b).Get(), RectRegion(0, 0, 193, 130).Get()));
}

TEST_F(ButtonTest, AssignedRegionIsTakenOverOnlyByUserButtons) {
  Load("");
  TProbeButton* b = NewButton(10, 10, 100, 100);
  HRGN mine = ::CreateEllipticRgn(0, 0, 50, 50);
  b->SetButtonRegion(mine);  // bkRect: ignored, the handle stays the caller's
  EXPECT_EQ(::GetObjectType(mine), static_cast<DWORD>(OBJ_REGION));
  b->SetButtonKind(bkUser);
  b->SetButtonRegion(mine);
  EXPECT_EQ(::GetObjectType(mine), 0u) << "taken over and deleted";
  // The circle scaled onto the 100 x 100 button.
  EXPECT_TRUE(::PtInRegion(b->OutlineRegion(), 50, 50));
  EXPECT_FALSE(::PtInRegion(b->OutlineRegion(), 5, 5));
}

TEST_F(ButtonTest, RegionsAreNeitherLeakedNorDeletedTwice) {
  Load("");
  const long regions = q::LiveGdiObjects<HRGN>();
  const long bitmaps = q::LiveGdiObjects<HBITMAP>();
  TProbeButton* b = NewButton(10, 10, 150, 80);
  b->SetButtonKind(bkDonut);
  Paint(b);
  const long held = q::LiveGdiObjects<HRGN>();
  EXPECT_EQ(held - regions, 7) << "outline, inner, focus and four bevel regions";
  for (int i = 0; i < 1000; ++i) {
    b->RebuildShape();
    if (i % 100 == 0) Paint(b);
  }
  Paint(b);
  EXPECT_EQ(q::LiveGdiObjects<HRGN>(), held);
  for (int i = 0; i < 50; ++i) {
    b->SetButtonAngle(b->ButtonAngle() + 40);
    Paint(b);
  }
  EXPECT_EQ(q::LiveGdiObjects<HRGN>(), held);
  EXPECT_TRUE(WindowRegion(*b));
  delete b;
  EXPECT_EQ(q::LiveGdiObjects<HRGN>(), regions);
  EXPECT_EQ(q::LiveGdiObjects<HBITMAP>(), bitmaps);
}

}  // namespace
}  // namespace fybutton_test
