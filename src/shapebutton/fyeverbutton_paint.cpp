// TFyeverButton: the face, rendered off screen and put on the window in one
// copy by Paint.
#include <algorithm>
#include <cstring>

#include "shapebutton/fycolors.h"
#include "shapebutton/fyeverbutton.h"

namespace fyeverbutton {
namespace {

// The colour a face is drawn in: lightened while the button is disabled.
gui::TColor StateColor(gui::TColor c, bool enabled) {
  if (enabled || c == gui::clNone) return c;
  return static_cast<gui::TColor>(LightenRGB(gui::ColorToRGB(c)));
}

}  // namespace

void TFyeverButton::RenderFace() {
  if (!constructed_) return;
  // The gate is clear only while Paint hands the window its region and
  // copies the face: renders asked for then only open the gate again.
  if (!renderGate_) {
    rendering_ = false;
    renderGate_ = true;
    return;
  }
  if (rendering_) return;
  rendering_ = true;

  // Every render starts from a new black face of the window's size. A face
  // of that size already is reused, blackened where no fill covers it: a
  // new image costs more than the rest of a simple render.
  const int width = std::max(0, windowWidth_), height = std::max(0, windowHeight_);
  if (!face_) face_ = std::make_unique<gui::TBitmap>();
  if (face_->Width() != width || face_->Height() != height) {
    face_->Clear();
    // A size GDI cannot make leaves the face empty: nothing is shown.
    if (face_->SetSize(width, height)) face_->Clear();
  } else if (customDraw_ || Gradient() || buttonColor_ == gui::clNone) {
    for (int y = 0; y < height; ++y) {
      if (uint8_t* row = face_->ScanLine(y))
        std::memset(row, 0, static_cast<size_t>(face_->RowBytes()));
    }
  }
  gui::TCanvas& canvas = face_->Canvas();
  if (customDraw_) {
    canvas.FillRect({0, 0, Width(), Height()});
  } else {
    PaintBackground();
    DrawGlyph(pressed_);
    DrawCaption();
  }
  if (buttonKind_ != bkUser || TracesUserRegion()) Draw3DEffects();
  if (designMarker_ && !face_->Empty()) (this->*designMarker_)();

  const gui::TColor brush = StateColor(buttonColor_, Enabled());
  if (brush == gui::clNone) {
    canvas.SetBrushStyle(gui::TBrushStyle::bsClear);
  } else {
    canvas.SetBrushColor(brush);
  }
  rendering_ = false;
  renderGate_ = true;
}

void TFyeverButton::DrawGlyph(bool pressed) {
  if (parts_.drawGlyph) (this->*parts_.drawGlyph)(pressed);
}

void TFyeverButton::PaintBackground() {
  if (Gradient()) {
    // Disabled, the gradient pales, and so do a gradient bitmap's colours.
    if (Enabled()) {
      FillGradient(buttonColor_, buttonColor1_, 0);
    } else {
      FillGradient(StateColor(buttonColor_, false), StateColor(buttonColor1_, false), 2);
    }
    return;
  }
  const gui::TColor fill = StateColor(buttonColor_, Enabled());
  if (fill == gui::clNone) return;  // the face keeps what a new bitmap holds
  gui::TCanvas& canvas = face_->Canvas();
  canvas.SetBrushColor(fill);
  canvas.FillRect({0, 0, windowWidth_, windowHeight_});
}

void TFyeverButton::PaintWindow(HDC dc) {
  canvas_.Lock();
  canvas_.SetHandle(dc);
  Paint();
  canvas_.SetHandle(nullptr);
  canvas_.Unlock();
}

void TFyeverButton::ApplyPendingRegion(bool redraw) {
  if (!pendingRegionFlag_ || !HandleAllocated()) return;
  pendingRegionFlag_ = false;
  if (!regions_[kWindowRgn]) return;
  // The window system owns the region once it has taken it; one it
  // refused is still ours to delete.
  HRGN region = regions_[kWindowRgn].Release();
  if (!::SetWindowRgn(Handle(), region, redraw ? TRUE : FALSE)) ::DeleteObject(region);
}

void TFyeverButton::Paint() {
  pressed_ = (drawItem_.itemState & ODS_SELECTED) != 0;
  if (pressed_ != lastPressed_ || hover_ != lastHover_ || Enabled() != lastEnabled_) {
    lastPressed_ = pressed_;
    lastHover_ = hover_;
    lastEnabled_ = Enabled();
    if (!rendering_) RenderFace();
  }
  if (pendingRegionFlag_) {
    renderGate_ = false;
    ApplyPendingRegion(true);
  }
  if (face_) canvas_.Draw(0, 0, *face_);
  renderGate_ = true;
  if (OnPaint) OnPaint(this);
}

}  // namespace fyeverbutton
