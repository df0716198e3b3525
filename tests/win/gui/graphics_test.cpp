// The 24-bit bitmap and the canvas drawing on it, read back row by row.
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

TEST(CanvasTest, RegionsClipsLinesAndText) {
  gui::TBitmap b;
  ASSERT_FALSE(b.SetSize(20, 20));
  gui::TCanvas& c = b.Canvas();
  c.SetBrushColor(gui::clWhite);
  c.FillRect({0, 0, 20, 20});

  q::RegionHandle square(::CreateRectRgn(5, 5, 10, 10));
  c.SetBrushColor(gui::clBlue);
  c.FillRgn(square.Get());
  EXPECT_EQ(PixelAt(b, 5, 5), gui::clBlue);
  EXPECT_EQ(PixelAt(b, 9, 9), gui::clBlue);
  EXPECT_EQ(PixelAt(b, 10, 10), gui::clWhite);

  q::RegionHandle frame(::CreateRectRgn(12, 2, 18, 8));
  c.SetBrushColor(gui::clRed);
  c.FrameRgn(frame.Get(), 1, 1);
  EXPECT_EQ(PixelAt(b, 12, 2), gui::clRed);
  EXPECT_EQ(PixelAt(b, 17, 7), gui::clRed);
  EXPECT_EQ(PixelAt(b, 14, 4), gui::clWhite);

  // Clipped to the square, a fill over everything touches only the square.
  c.SelectClipRgn(square.Get());
  c.SetBrushColor(gui::clGreen);
  c.FillRect({0, 0, 20, 20});
  c.SelectClipRgn(nullptr);
  EXPECT_EQ(PixelAt(b, 6, 6), gui::clGreen);
  EXPECT_EQ(PixelAt(b, 0, 0), gui::clWhite);

  c.SetPen({gui::clBlack, 1, gui::TPenStyle::psSolid});
  c.MoveTo(0, 15);
  c.LineTo(20, 15);
  EXPECT_EQ(PixelAt(b, 19, 15), gui::clBlack);
  EXPECT_EQ(PixelAt(b, 19, 16), gui::clWhite);

  gui::TFont f;
  f.Name = "Arial";
  f.Height = -12;
  f.Color = gui::clBlack;
  c.SetFont(f);
  SIZE one = c.TextExtent("W");
  SIZE two = c.TextExtent("WW");
  EXPECT_GT(one.cx, 0);
  EXPECT_EQ(two.cx, 2 * one.cx);
  EXPECT_GE(one.cy, 12);
  // The realised font is the one asked for.
  LOGFONTA lf{};
  ::GetObjectA(c.FontHandle(), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -12);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
}

TEST(CanvasTest, DrawCopiesWithTheCopyMode) {
  gui::TBitmap src, dst;
  ASSERT_FALSE(src.SetSize(2, 2));
  ASSERT_FALSE(dst.SetSize(4, 4));
  src.Canvas().SetBrushColor(gui::RGBColor(200, 100, 50));
  src.Canvas().FillRect({0, 0, 2, 2});
  dst.Canvas().SetBrushColor(gui::clWhite);
  dst.Canvas().FillRect({0, 0, 4, 4});
  dst.Canvas().Draw(1, 1, src);
  EXPECT_EQ(PixelAt(dst, 1, 1), gui::RGBColor(200, 100, 50));
  EXPECT_EQ(PixelAt(dst, 3, 3), gui::clWhite);
  // Merge copy: source AND brush (dimming a glyph).
  dst.Canvas().SetBrushColor(gui::RGBColor(0x0F, 0xFF, 0xF0));
  dst.Canvas().SetCopyMode(MERGECOPY);
  dst.Canvas().Draw(2, 2, src);
  EXPECT_EQ(PixelAt(dst, 2, 2), gui::RGBColor(200 & 0x0F, 100, 50 & 0xF0));
  // Stretching a 2x2 source over 4x4.
  dst.Canvas().SetCopyMode(SRCCOPY);
  dst.Canvas().CopyRect({0, 0, 4, 4}, src.Canvas(), {0, 0, 2, 2});
  EXPECT_EQ(PixelAt(dst, 3, 0), gui::RGBColor(200, 100, 50));
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
