#include "gui/graphics.h"

#include <algorithm>
#include <cstring>

#include "common/digits.h"
#include "common/message.h"

namespace gui {

LOGFONTA TFont::ToLogFont() const {
  LOGFONTA lf{};
  lf.lfHeight = Height;
  lf.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (Style & fsItalic) ? 1 : 0;
  lf.lfUnderline = (Style & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (Style & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = Charset;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH;
  size_t n = std::min(Name.size(), sizeof lf.lfFaceName - 1);
  std::memcpy(lf.lfFaceName, Name.data(), n);
  return lf;
}

// --- TCanvas -----------------------------------------------------------------

TCanvas::~TCanvas() { DetachHandle(); }

HDC TCanvas::Handle() {
  if (!dc_) {
    if (HDC dc = RequireHandle()) dc_ = dc;
  }
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  DetachHandle();
  dc_ = dc;
}

void TCanvas::DetachHandle() {
  if (dc_) {
    if (origPen_) ::SelectObject(dc_, origPen_);
    if (origBrush_) ::SelectObject(dc_, origBrush_);
    if (origFont_) ::SelectObject(dc_, origFont_);
  }
  origPen_ = origBrush_ = origFont_ = nullptr;
  penSelected_ = brushSelected_ = fontSelected_ = false;
  dc_ = nullptr;
}

void TCanvas::SetPen(const TPen& pen) {
  if (pen == pen_) return;
  pen_ = pen;
  penSelected_ = false;
}

void TCanvas::SetBrush(const TBrush& brush) {
  if (brush == brush_) return;
  brush_ = brush;
  brushSelected_ = false;
}

void TCanvas::SetFont(const TFont& font) {
  if (font == font_) return;
  font_ = font;
  fontSelected_ = false;
}

HFONT TCanvas::FontHandle() {
  Prepared(false, false, true);
  return fontObj_.Get();
}

// Selects the realised pen, brush and font the next call needs. A new
// object is selected before the old one is deleted, so GDI never holds a
// deleted object; the DC's own objects are remembered for DetachHandle.
HDC TCanvas::Prepared(bool pen, bool brush, bool font) {
  HDC dc = Handle();
  if (!dc) return nullptr;
  if (pen && !penSelected_) {
    HPEN made = nullptr;
    if (pen_.Style != TPenStyle::psClear) {
      int style = pen_.Style == TPenStyle::psDash  ? PS_DASH
                  : pen_.Style == TPenStyle::psDot ? PS_DOT
                                                   : PS_SOLID;
      made = ::CreatePen(style, pen_.Width, ColorToRGB(pen_.Color));
    }
    HGDIOBJ prev =
        ::SelectObject(dc, made ? static_cast<HGDIOBJ>(made) : ::GetStockObject(NULL_PEN));
    if (!origPen_) origPen_ = prev;
    penObj_.Reset(made);
    penSelected_ = true;
  }
  if (brush && !brushSelected_) {
    HBRUSH made = nullptr;
    if (brush_.Style == TBrushStyle::bsSolid) {
      made = ::CreateSolidBrush(ColorToRGB(brush_.Color));
      ::SetBkMode(dc, OPAQUE);
      ::SetBkColor(dc, ColorToRGB(brush_.Color));
    } else {
      ::SetBkMode(dc, TRANSPARENT);
    }
    HGDIOBJ prev =
        ::SelectObject(dc, made ? static_cast<HGDIOBJ>(made) : ::GetStockObject(NULL_BRUSH));
    if (!origBrush_) origBrush_ = prev;
    brushObj_.Reset(made);
    brushSelected_ = true;
  }
  if (font && !fontSelected_) {
    LOGFONTA lf = font_.ToLogFont();
    HFONT made = ::CreateFontIndirectA(&lf);
    if (made) {
      HGDIOBJ prev = ::SelectObject(dc, made);
      if (!origFont_) origFont_ = prev;
      fontObj_.Reset(made);
    }
    ::SetTextColor(dc, ColorToRGB(font_.Color));
    fontSelected_ = true;
  }
  return dc;
}

void TCanvas::FillRect(const RECT& r) {
  HDC dc = Prepared(false, true, false);
  if (dc && brushObj_) ::FillRect(dc, &r, brushObj_.Get());
}

void TCanvas::FillRgn(HRGN region) {
  HDC dc = Prepared(false, true, false);
  if (dc && brushObj_ && region) ::FillRgn(dc, region, brushObj_.Get());
}

void TCanvas::FrameRgn(HRGN region, int width, int height) {
  HDC dc = Prepared(false, true, false);
  if (dc && brushObj_ && region) ::FrameRgn(dc, region, brushObj_.Get(), width, height);
}

void TCanvas::SelectClipRgn(HRGN region) {
  if (HDC dc = Handle()) ::SelectClipRgn(dc, region);
}

void TCanvas::MoveTo(int x, int y) {
  if (HDC dc = Handle()) ::MoveToEx(dc, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  if (HDC dc = Prepared(true, false, false)) ::LineTo(dc, x, y);
}

void TCanvas::Polyline(const POINT* points, int count) {
  if (HDC dc = Prepared(true, false, false)) ::Polyline(dc, points, count);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (HDC dc = Prepared(true, true, false)) ::Rectangle(dc, left, top, right, bottom);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (HDC dc = Prepared(true, true, false)) ::Ellipse(dc, left, top, right, bottom);
}

TColor TCanvas::Pixel(int x, int y) {
  HDC dc = Handle();
  if (!dc) return clNone;
  COLORREF c = ::GetPixel(dc, x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  if (HDC dc = Handle()) ::SetPixelV(dc, x, y, ColorToRGB(c));
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  if (HDC dc = Prepared(false, true, true)) {
    ::TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
  }
}

SIZE TCanvas::TextExtent(std::string_view text) {
  SIZE size{0, 0};
  if (HDC dc = Prepared(false, false, true)) {
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  }
  return size;
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  HDC src = bitmap.Canvas().Handle();
  // The brush takes part in raster operations such as MERGECOPY.
  HDC dc = Prepared(false, true, false);
  if (dc && src) ::BitBlt(dc, x, y, bitmap.Width(), bitmap.Height(), src, 0, 0, copyMode_);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
  HDC src = source.Handle();
  HDC dc = Prepared(false, true, false);
  if (!dc || !src) return;
  int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
  if (dw == sw && dh == sh) {
    ::BitBlt(dc, dest.left, dest.top, dw, dh, src, sourceRect.left, sourceRect.top, copyMode_);
  } else {
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, dest.left, dest.top, dw, dh, src, sourceRect.left, sourceRect.top, sw, sh,
                 copyMode_);
  }
}

// --- TControlCanvas ------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetWindow(HWND window) {
  if (window == window_) return;
  FreeHandle();
  window_ = window;
}

void TControlCanvas::FreeHandle() {
  if (!windowDc_) return;
  if (HandleAllocated() && Handle() == windowDc_.Get()) DetachHandle();
  windowDc_.Reset();
}

HDC TControlCanvas::RequireHandle() {
  if (!window_ || !::IsWindow(window_)) return nullptr;
  windowDc_.Reset(::GetDC(window_));
  return windowDc_.Get();
}

// --- TBitmap -------------------------------------------------------------------

TBitmap::TBitmap() : canvas_(*this) {}

TBitmap::~TBitmap() { canvas_.ReleaseDc(); }

TBitmap::BitmapCanvas::~BitmapCanvas() { ReleaseDc(); }

HDC TBitmap::BitmapCanvas::RequireHandle() {
  if (!memDc_) memDc_.Reset(::CreateCompatibleDC(nullptr));
  SelectImage();
  return memDc_.Get();
}

void TBitmap::BitmapCanvas::SelectImage() {
  if (!memDc_) return;
  HGDIOBJ target =
      owner_.bitmap_.Valid() ? static_cast<HGDIOBJ>(owner_.bitmap_.Get()) : origBitmap_;
  if (!target) return;
  HGDIOBJ prev = ::SelectObject(memDc_.Get(), target);
  if (!origBitmap_) origBitmap_ = prev;
}

void TBitmap::BitmapCanvas::ReleaseDc() {
  DetachHandle();
  if (memDc_ && origBitmap_) ::SelectObject(memDc_.Get(), origBitmap_);
  origBitmap_ = nullptr;
  memDc_.Reset();
}

q::Error TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) return q::Error::Fail("negative bitmap size");
  if (width == width_ && height == height_) return {};
  if (width == 0 || height == 0) {
    Clear();
    width_ = width;
    height_ = height;
    return {};
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down: row 0 is the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP made = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!made || !bits) {
    if (made) ::DeleteObject(made);
    return q::Error::Failf("cannot create a %s x %s bitmap", q::SignedDecimal(width),
                           q::SignedDecimal(height));
  }
  const size_t newRow = static_cast<size_t>((width * 3 + 3) & ~3);
  auto* dst = static_cast<uint8_t*>(bits);
  std::memset(dst, 0, newRow * static_cast<size_t>(height));
  if (bits_) {
    ::GdiFlush();
    const size_t oldRow = static_cast<size_t>(RowBytes());
    const size_t keep = static_cast<size_t>(std::min(width, width_)) * 3;
    for (int y = 0; y < std::min(height, height_); ++y) {
      std::memcpy(dst + newRow * static_cast<size_t>(y), bits_ + oldRow * static_cast<size_t>(y),
                  keep);
    }
  }
  q::BitmapHandle old(bitmap_.Release());  // deleted once the DC has let it go
  bitmap_.Reset(made);
  bits_ = dst;
  width_ = width;
  height_ = height;
  canvas_.SelectImage();
  return {};
}

void TBitmap::Clear() {
  q::BitmapHandle old(bitmap_.Release());
  canvas_.SelectImage();  // back to the DC's own bitmap
  bits_ = nullptr;
  width_ = height_ = 0;
}

q::Error TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return {};
  if (source.Empty()) {
    Clear();
    width_ = source.width_;
    height_ = source.height_;
    return {};
  }
  if (q::Error e = SetSize(source.width_, source.height_)) return e;
  ::GdiFlush();
  std::memcpy(bits_, source.bits_, static_cast<size_t>(RowBytes()) * static_cast<size_t>(height_));
  return {};
}

uint8_t* TBitmap::ScanLine(int y) {
  if (!bits_ || y < 0 || y >= height_) return nullptr;
  ::GdiFlush();
  return bits_ + static_cast<size_t>(RowBytes()) * static_cast<size_t>(y);
}

const uint8_t* TBitmap::ScanLine(int y) const {
  if (!bits_ || y < 0 || y >= height_) return nullptr;
  ::GdiFlush();
  return bits_ + static_cast<size_t>(RowBytes()) * static_cast<size_t>(y);
}

}  // namespace gui
