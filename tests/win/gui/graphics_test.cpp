// The 24-bit bitmap read back row by row, and the canvas on a borrowed DC.
#include "gui/graphics.h"

#include <cstring>

#include "common/win32_handles.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

gui::TColor PixelAt(gui::TBitmap& b, int x, int y) {
  const uint8_t* row = b.ScanLine(y);
  return gui::RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

TEST(BitmapTest, RowsHoldBlueGreenRedAndSurviveResizing) {
  gui::TBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.ScanLine(0), nullptr);
  ASSERT_FALSE(b.SetSize(5, 3));
  EXPECT_EQ(b.RowBytes(), 16);  // 15 bytes padded to a multiple of 4
  EXPECT_EQ(PixelAt(b, 4, 2), gui::clBlack);
  b.Canvas().SetBrushColor(gui::RGBColor(10, 20, 30));
  b.Canvas().FillRect({0, 0, 5, 3});
  b.Canvas().SetPixel(1, 1, gui::clRed);
  EXPECT_EQ(b.ScanLine(1)[3] + 1000 * b.ScanLine(1)[5], 255000);  // blue, green, red
  EXPECT_EQ(b.Canvas().Pixel(1, 1), gui::clRed);
  EXPECT_EQ(PixelAt(b, 0, 0), gui::RGBColor(10, 20, 30));
  // Direct writes show through the canvas too.
  b.ScanLine(2)[0] = 0xFF;
  EXPECT_EQ(b.Canvas().Pixel(0, 2), gui::RGBColor(10, 20, 255));

  // Growing keeps the picture; the new area is black.
  ASSERT_FALSE(b.SetSize(8, 4));
  EXPECT_EQ(PixelAt(b, 1, 1), gui::clRed);
  EXPECT_EQ(PixelAt(b, 7, 3), gui::clBlack);
  EXPECT_EQ(PixelAt(b, 4, 2), gui::RGBColor(10, 20, 30));
  // The canvas draws on the new image.
  b.Canvas().SetPixel(7, 3, gui::clLime);
  EXPECT_EQ(PixelAt(b, 7, 3), gui::clLime);

  gui::TBitmap copy;  // its own rows, not shared ones
  ASSERT_FALSE(copy.Assign(b));
  EXPECT_EQ(PixelAt(copy, 7, 3), gui::clLime);
  EXPECT_NE(copy.ScanLine(0), b.ScanLine(0));

  ASSERT_FALSE(b.SetHeight(0));
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 8);
  EXPECT_TRUE(b.SetSize(-1, 4).Failed());
  EXPECT_TRUE(b.Empty());
}

// Draw honours the copy mode (merge copy: source AND brush, as for a dimmed
// glyph); CopyRect stretches when either side differs.
TEST(CanvasTest, DrawAndCopyRectUseTheCopyMode) {
  gui::TBitmap src, dst;
  ASSERT_FALSE(src.SetSize(2, 2));
  ASSERT_FALSE(dst.SetSize(4, 4));
  src.Canvas().SetBrushColor(gui::RGBColor(200, 100, 50));
  src.Canvas().FillRect({0, 0, 2, 2});
  dst.Canvas().SetBrushColor(gui::RGBColor(0x0F, 0xFF, 0xF0));
  dst.Canvas().SetCopyMode(MERGECOPY);
  dst.Canvas().Draw(2, 2, src);
  EXPECT_EQ(PixelAt(dst, 2, 2), gui::RGBColor(200 & 0x0F, 100, 50 & 0xF0));
  dst.Canvas().SetCopyMode(SRCCOPY);
  dst.Canvas().CopyRect({0, 0, 2, 4}, src.Canvas(), {0, 0, 2, 2});
  EXPECT_EQ(PixelAt(dst, 1, 3), gui::RGBColor(200, 100, 50));
}

TEST(CanvasTest, AttachedDcGetsItsObjectsBack) {
  q::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  HGDIOBJ pen = ::GetCurrentObject(dc.Get(), OBJ_PEN);
  HGDIOBJ brush = ::GetCurrentObject(dc.Get(), OBJ_BRUSH);
  HGDIOBJ font = ::GetCurrentObject(dc.Get(), OBJ_FONT);
  {
    gui::TCanvas c;
    c.SetHandle(dc.Get());
    c.SetPenColor(gui::clRed);
    c.LineTo(1, 1);
    c.SetBrushColor(gui::clRed);
    c.FillRect({0, 0, 1, 1});
    c.TextExtent("x");
    EXPECT_NE(::GetCurrentObject(dc.Get(), OBJ_PEN), pen);
  }
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_PEN), pen);
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), brush);
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_FONT), font);
}

}  // namespace
}  // namespace gui_test
