// Glyph frames in the face: the frame each state shows, the pressed
// offset, dimming, the key colour, and placement.
#include "win/shapebutton_motion/motion_fixture.h"

namespace fymotion_test {
namespace {

constexpr gui::TColor kFace = gui::RGBColor(96, 160, 224);  // lightened: 128, 192, 255
constexpr gui::TColor kNormal = gui::RGBColor(200, 100, 50);
constexpr gui::TColor kDisabled = gui::RGBColor(10, 200, 10);
constexpr gui::TColor kHover = gui::RGBColor(10, 10, 200);
constexpr gui::TColor kPressed = gui::RGBColor(250, 250, 0);
constexpr gui::TColor kKey = gui::clFuchsia;
constexpr int kFw = 12, kBh = 10, kDepth = 3;

class GlyphTest : public MotionTest {
 protected:
  // A 60 x 30 button whose face has no bevels, frames or focus outline
  // near its glyph: the glyph sits at (3, 3), the ButtonDepth margin.
  TMotionButton* GlyphButton(std::initializer_list<gui::TColor> frames) {
    TMotionButton* b = Place(10, 10, 60, 30);
    b->SetButton3DKind(dkNone);
    b->SetShowFocusRGN(false);
    b->SetButtonDepth(kDepth);
    b->SetButtonColor(kFace);
    b->SetMainBitmapGlyphs(static_cast<int>(frames.size()));
    b->SetMainBitmap(Strip(kFw, kBh, frames, kKey).get());
    Pump();
    return b;
  }
  void Press(TMotionButton* b, bool down) {
    ::SendMessageA(b->Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
                   MAKELPARAM(40, 20));
    Pump();
  }
};

TEST_F(GlyphTest, FourFramesOneForEachState) {
  for (bool transparent : {false, true}) {
    SCOPED_TRACE(transparent ? "key-colour copy" : "plain copy");
    TMotionButton* b = GlyphButton({kNormal, kDisabled, kHover, kPressed});
    b->SetTransparent(transparent);
    EXPECT_EQ(b->FacePixel(8, 8), kNormal);
    EXPECT_EQ(b->FacePixel(kDepth + kFw - 1, kDepth + kBh - 1), kNormal);
    EXPECT_EQ(b->FacePixel(kDepth + kFw, 8), kFace) << "the glyph is one frame wide";

    ::SendMessageA(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
    Pump();
    ASSERT_TRUE(b->Hover());
    EXPECT_EQ(b->FacePixel(8, 8), kHover);

    // Pressed: the pressed frame one pixel right and down. The column and
    // row it uncovers keep the face, even where the plain copy would reach
    // the hover frame's last column.
    Press(b, true);
    ASSERT_TRUE(b->Pressed());
    EXPECT_EQ(b->FacePixel(kDepth + 1, kDepth + 1), kPressed);
    EXPECT_EQ(b->FacePixel(kDepth + kFw - 1, kDepth + kBh - 1), kPressed);
    EXPECT_EQ(b->FacePixel(kDepth, 8), kFace) << "uncovered column";
    EXPECT_EQ(b->FacePixel(8, kDepth), kFace) << "uncovered row";
    EXPECT_EQ(b->FacePixel(kDepth + kFw, 8), kFace) << "the frame's last column stays out";
    Press(b, false);
    ASSERT_FALSE(b->Pressed());

    b->SetEnabled(false);
    EXPECT_EQ(b->FacePixel(8, 8), kDisabled);
    delete b;
  }
}

TEST_F(GlyphTest, OneFrameIsDimmedWhenDisabledUnlessTransparent) {
  TMotionButton* b = GlyphButton({kNormal});
  b->SetEnabled(false);
  // Merge copy: the glyph AND the disabled face's brush (128, 192, 255).
  EXPECT_EQ(b->FacePixel(8, 8), gui::RGBColor(200 & 128, 100 & 192, 50 & 255));
  b->SetTransparent(true);
  EXPECT_EQ(b->FacePixel(8, 8), kNormal) << "the key-colour copy ignores the copy mode";
  EXPECT_EQ(b->FacePixel(kDepth, kDepth), gui::RGBColor(128, 192, 255)) << "key pixel";

  // Two frames: hover shows frame 0, pressed frame 0 moved one pixel.
  b->SetEnabled(true);
  b->SetMainBitmapGlyphs(2);
  b->SetMainBitmap(Strip(kFw, kBh, {kNormal, kDisabled}, kKey).get());
  ::SendMessageA(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
  Pump();
  EXPECT_EQ(b->FacePixel(8, 8), kNormal);
  ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 20));
  Pump();
  EXPECT_EQ(b->FacePixel(kDepth + 1, kDepth + 2), kNormal);
  EXPECT_EQ(b->FacePixel(kDepth, kDepth + 2), kFace);
  ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(40, 20));
}

TEST_F(GlyphTest, KeyColourLeavesTheFaceAndNoFrameReachesIntoTheNext) {
  TMotionButton* b = GlyphButton({kNormal});
  b->SetTransparent(true);
  // Frame 0 with a key-coloured column 5; frame 1 starts with a column of
  // another colour that must not show beside frame 0.
  auto strip = Strip(kFw, kBh, {kNormal, kHover}, kKey);
  strip->Canvas().SetBrushColor(kKey);
  strip->Canvas().FillRect({5, 0, 6, kBh});
  b->SetMainBitmapGlyphs(2);
  b->SetMainBitmap(strip.get());
  EXPECT_EQ(b->FacePixel(kDepth + 4, 6), kNormal);
  EXPECT_EQ(b->FacePixel(kDepth + 5, 6), kFace);
  EXPECT_EQ(b->FacePixel(kDepth + 6, 6), kNormal);
  EXPECT_EQ(b->FacePixel(kDepth + kFw, 6), kFace);
}

TEST_F(GlyphTest, PlacedByAlignmentOrCoordinates) {
  TMotionButton* b = GlyphButton({kNormal, kDisabled});
  b->SetBitmapHAlign(haRight);
  b->SetBitmapVAlign(vaBottom);
  const int right = 60 - kDepth, bottom = 30 - kDepth;
  EXPECT_EQ(b->FacePixel(right - 1, bottom - 1), kNormal);
  EXPECT_EQ(b->FacePixel(right - kFw, bottom - kBh + 1), kNormal);
  EXPECT_EQ(b->FacePixel(right, bottom - 1), kFace);
  EXPECT_EQ(b->FacePixel(right - kFw - 1, bottom - 1), kFace);
  b->SetBitmapHAlign(haCenter);
  b->SetBitmapVAlign(vaCenter);
  EXPECT_EQ(b->FacePixel((60 - kFw) / 2, (30 - kBh) / 2 + 1), kNormal);
  EXPECT_EQ(b->FacePixel((60 - kFw) / 2 - 1, (30 - kBh) / 2 + 1), kFace);
  b->SetBitmapHAlign(haNone);
  b->SetBitmapVAlign(vaNone);
  b->SetBitmapLeft(30);
  b->SetBitmapTop(1);
  EXPECT_EQ(b->FacePixel(31, 1), kNormal);
  EXPECT_EQ(b->FacePixel(29, 1), kFace);
}

}  // namespace
}  // namespace fymotion_test
