// TFyeverButton: glyph frames, into the face or straight onto the screen,
// plain or with the strip's key colour left out.
#include "shapebutton/fyeverbutton.h"
#include "shapebutton/fyframes.h"

namespace fyeverbutton {
namespace {

RECT ToRect(const FrameRect& r) {
  return {Saturate(r.left), Saturate(r.top), Saturate(r.right), Saturate(r.bottom)};
}

ConstPixelRows RowsOf(const gui::TBitmap& b) {
  return {b.ScanLine(0), b.Width(), b.Height(), b.RowBytes()};
}

PixelRows RowsOf(gui::TBitmap& b) { return {b.ScanLine(0), b.Width(), b.Height(), b.RowBytes()}; }

}  // namespace

void TFyeverButton::UseGlyphs() {
  parts_.drawGlyph = &TFyeverButton::DrawMainGlyph;
  parts_.drawFrame = &TFyeverButton::DrawStripFrame;
  parts_.animate = &TFyeverButton::Animate;
}

void TFyeverButton::DrawMainGlyph(bool pressed) {
  if (!face_ || mainBitmap_.Empty()) return;
  const int64_t fw = mainBitmap_.Width() / mainBitmapGlyphs_, bh = mainBitmap_.Height();
  const int32_t x = Saturate(FrameLeft(bitmapHAlign_, bitmapLeft_, buttonDepth_, Width(), fw));
  const int32_t y = Saturate(FrameTop(bitmapVAlign_, bitmapTop_, buttonDepth_, Height(), bh));
  GlyphCopy copies[2];
  const int n = GlyphCopies(mainBitmapGlyphs_, fw, bh, {pressed, Enabled(), hover_}, copies);
  gui::TCanvas& face = face_->Canvas();
  for (int i = 0; i < n; ++i) {
    // The key-colour copy knows no raster operation: a transparent
    // one-frame glyph is not dimmed on a disabled button.
    if (copies[i].merge && !transparent_) face.SetCopyMode(MERGECOPY);
    CopyFrame(face, true, Saturate(x + copies[i].dx), Saturate(y + copies[i].dy), mainBitmap_,
              copies[i].source);
    face.SetCopyMode(SRCCOPY);
  }
}

void TFyeverButton::DrawStripFrame(gui::TBitmap& strip, int count, int index) {
  if (strip.Empty() || count <= 0 || !HandleAllocated()) return;
  const int64_t fw = strip.Width() / count;
  const int32_t x = Saturate(FrameLeft(bitmapHAlign_, bitmapLeft_, buttonDepth_, Width(), fw));
  const int32_t y =
      Saturate(FrameTop(bitmapVAlign_, bitmapTop_, buttonDepth_, Height(), strip.Height()));
  // The frame's column of the strip, as high as the button; rows below the
  // strip are not drawn.
  const int64_t left = int64_t{index} * fw;
  const FrameRect source{left, 0, left + fw, std::min<int64_t>(Height(), strip.Height())};
  CopyFrame(canvas_, false, x, y, strip, source);
  // Frames come one per tick: the window's DC is not kept between them.
  if (!canvas_.Locked()) canvas_.FreeHandle();
}

void TFyeverButton::CopyFrame(gui::TCanvas& target, bool toFace, int x, int y, gui::TBitmap& strip,
                              const FrameRect& source) {
  const RECT from = ToRect(source);
  if (transparent_) {
    TransparentCopy(x, y, toFace, strip, from);
    return;
  }
  const RECT to{x, y, Saturate(int64_t{x} + (source.right - source.left)),
                Saturate(int64_t{y} + (source.bottom - source.top))};
  if (to.right > to.left && to.bottom > to.top) target.CopyRect(to, strip.Canvas(), from);
}

void TFyeverButton::TransparentCopy(int destX, int destY, bool toFace, const gui::TBitmap& strip,
                                    const RECT& source) {
  if (strip.Empty()) return;
  const FrameRect from{source.left, source.top, source.right, source.bottom};
  if (toFace) {
    if (face_ && !face_->Empty()) KeyColourCopy(RowsOf(strip), from, RowsOf(*face_), destX, destY);
    return;
  }
  // The screen has no rows of its own: what the window shows goes through
  // a bitmap of the window's size and back, whole.
  if (Width() <= 0 || Height() <= 0) return;
  gui::TBitmap shown;
  if (shown.SetSize(Width(), Height())) return;
  HDC screen = canvas_.Handle();
  HDC image = shown.Canvas().Handle();
  if (!screen || !image) return;
  ::BitBlt(image, 0, 0, Width(), Height(), screen, 0, 0, SRCCOPY);
  KeyColourCopy(RowsOf(strip), from, RowsOf(shown), destX, destY);
  ::BitBlt(screen, 0, 0, Width(), Height(), image, 0, 0, SRCCOPY);
}

}  // namespace fyeverbutton
