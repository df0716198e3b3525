// Drawing: fonts, pens and brushes as plain values, a canvas over a device
// context, and a 24-bit bitmap (DIB section) with its own canvas and direct
// row access. GDI objects live in q::UniqueHandle; a canvas restores the
// DC's original objects when it lets the DC go.
//
// Use:
//   gui::TBitmap face;
//   face.SetSize(120, 40);
//   gui::TCanvas& c = face.Canvas();
//   c.SetBrushColor(gui::clNavy);
//   c.FillRect({0, 0, 120, 40});
//   uint8_t* row = face.ScanLine(0);  // blue, green, red per pixel
//
// To draw on a window during painting, attach the paint DC to a canvas with
// SetHandle(dc) and detach it with SetHandle(nullptr) before EndPaint. A
// TControlCanvas fetches its window's DC on demand (GetDC) for drawing
// outside WM_PAINT, and gives it back on FreeHandle() or destruction.
// All of this is for the GUI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/win32_handles.h"
#include "gui/color.h"

namespace gui {

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// Height follows the platform's convention: negative = character height in
// pixels (what a layout gives), positive = cell height.
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  TFontStyles Style = 0;
  TColor Color = clWindowText;
  uint8_t Charset = DEFAULT_CHARSET;

  LOGFONTA ToLogFont() const;
  bool operator==(const TFont&) const = default;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };
struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
  bool operator==(const TPen&) const = default;
};

enum class TBrushStyle { bsSolid, bsClear };
struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
  bool operator==(const TBrush&) const = default;
};

class TBitmap;

class TCanvas {
 public:
  TCanvas() = default;
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The DC drawn on (asks RequireHandle() when none is attached); null when
  // none can be had.
  HDC Handle();
  bool HandleAllocated() const { return dc_ != nullptr; }
  // Attaches a DC the caller owns (null detaches). The previous DC gets its
  // original pen, brush and font back.
  void SetHandle(HDC dc);

  // Nesting count for callers that hand the canvas around while painting.
  void Lock() { ++locks_; }
  void Unlock() {
    if (locks_ > 0) --locks_;
  }
  bool Locked() const { return locks_ > 0; }

  const TPen& Pen() const { return pen_; }
  void SetPen(const TPen& pen);
  void SetPenColor(TColor c) {
    TPen p = pen_;
    p.Color = c;
    SetPen(p);
  }
  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& brush);
  void SetBrushColor(TColor c) {
    TBrush b = brush_;
    b.Color = c;
    b.Style = TBrushStyle::bsSolid;
    SetBrush(b);
  }
  void SetBrushStyle(TBrushStyle s) {
    TBrush b = brush_;
    b.Style = s;
    SetBrush(b);
  }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);
  // The realised font (for GetObject/CreateFontIndirect); null without a DC.
  HFONT FontHandle();
  // Raster operation of Draw and CopyRect (SRCCOPY by default).
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD rop) { copyMode_ = rop; }

  void FillRect(const RECT& r);                       // with the brush
  void FillRgn(HRGN region);                          // with the brush
  void FrameRgn(HRGN region, int width, int height);  // with the brush
  // Clips later drawing to `region` (copied by GDI); null removes the clip.
  void SelectClipRgn(HRGN region);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const POINT* points, int count);
  void Rectangle(int left, int top, int right, int bottom);  // pen outline, brush inside
  void Ellipse(int left, int top, int right, int bottom);    // pen outline, brush inside
  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor c);
  // Text in the font's colour; the background is filled with the brush
  // unless the brush style is bsClear.
  void TextOut(int x, int y, std::string_view text);
  SIZE TextExtent(std::string_view text);
  int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) { return TextExtent(text).cy; }
  // Copies `bitmap` whole with its top-left at (x, y), with CopyMode.
  void Draw(int x, int y, TBitmap& bitmap);
  // Copies (and stretches if the sizes differ) with CopyMode.
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);

 protected:
  // Asked for a DC when none is attached; a subclass returns one it owns.
  virtual HDC RequireHandle() { return nullptr; }
  // Detaches, restoring the DC's original objects; for subclasses that
  // release their own DC afterwards.
  void DetachHandle();

 private:
  HDC Prepared(bool pen, bool brush, bool font);

  HDC dc_ = nullptr;
  int locks_ = 0;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  DWORD copyMode_ = SRCCOPY;
  // Realised objects, valid for dc_; re-made when the value changes.
  q::PenHandle penObj_;
  q::BrushHandle brushObj_;
  q::FontHandle fontObj_;
  bool penSelected_ = false, brushSelected_ = false, fontSelected_ = false;
  HGDIOBJ origPen_ = nullptr, origBrush_ = nullptr, origFont_ = nullptr;
};

// A canvas on a window: fetches the window's DC when it needs one.
class TControlCanvas : public TCanvas {
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  // The window drawn on when no DC is attached (may change over time).
  void SetWindow(HWND window);
  // Gives back a DC fetched with GetDC (an attached DC stays attached).
  void FreeHandle();

 protected:
  HDC RequireHandle() override;

 private:
  HWND window_ = nullptr;
  q::WindowDcHandle windowDc_;
};

// A top-down 24-bit DIB section: rows of blue, green, red bytes, each row
// padded to a multiple of 4 bytes. Empty (no image) when either side is 0.
class TBitmap {
 public:
  TBitmap();
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return !bitmap_.Valid(); }
  // Resizes, keeping the overlapping part of the picture; new pixels are
  // black. Fails (and keeps the old image) when GDI cannot make the image.
  q::Error SetSize(int width, int height);
  q::Error SetWidth(int width) { return SetSize(width, height_); }
  q::Error SetHeight(int height) { return SetSize(width_, height); }
  // Drops the image: the bitmap becomes 0 x 0.
  void Clear();
  // A copy of `source`'s size and pixels.
  q::Error Assign(const TBitmap& source);

  // Draws on the image; valid as long as the bitmap lives.
  TCanvas& Canvas() { return canvas_; }
  HBITMAP Handle() const { return bitmap_.Get(); }

  // Row y (0 = top) of the pixels; null when y is outside the image. GDI
  // drawing is flushed first, so the row shows everything drawn so far.
  uint8_t* ScanLine(int y);
  const uint8_t* ScanLine(int y) const;
  int RowBytes() const { return (width_ * 3 + 3) & ~3; }

 private:
  class BitmapCanvas : public TCanvas {
   public:
    explicit BitmapCanvas(TBitmap& owner) : owner_(owner) {}
    ~BitmapCanvas() override;
    // Puts the owner's current image into the memory DC (or the DC's own
    // default bitmap when the owner is empty).
    void SelectImage();
    void ReleaseDc();

   protected:
    HDC RequireHandle() override;

   private:
    TBitmap& owner_;
    q::MemoryDcHandle memDc_;
    HGDIOBJ origBitmap_ = nullptr;
  };

  int width_ = 0;
  int height_ = 0;
  q::BitmapHandle bitmap_;
  uint8_t* bits_ = nullptr;
  BitmapCanvas canvas_;
};

}  // namespace gui
