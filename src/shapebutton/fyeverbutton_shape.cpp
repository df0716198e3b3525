// TFyeverButton: the shape rebuild, user regions, and the window's size and
// place as the button turns and is resized.
#include <limits>

#include "gui/forms.h"
#include "shapebutton/fyeverbutton.h"
#include "shapebutton/rotatergn_win32.h"

namespace fyeverbutton {
namespace {

q::RegionHandle CopyRegion(HRGN source) {
  q::RegionHandle copy(::CreateRectRgn(0, 0, 0, 0));
  if (copy && source && ::CombineRgn(copy.Get(), source, nullptr, RGN_COPY) == ERROR) copy.Reset();
  return copy;
}

}  // namespace

// --- Rebuild ---------------------------------------------------------------------

void TFyeverButton::RebuildShape() {
  // A window region no paint has taken yet is the button's to delete.
  if (regions_[kWindowRgn]) {
    regions_[kWindowRgn].Reset();
    pendingRegionFlag_ = false;
  }
  if (buttonKind_ == bkUser && !TracesUserRegion()) {
    // The user's region is the window region as it is: no bevels, no turn.
    HRGN user = ActiveUserRegion();
    regions_[kWindowRgn] = user ? CopyRegion(user) : q::RegionHandle(::CreateRectRgn(0, 0, 0, 0));
    pendingRegionFlag_ = true;
    RenderFace();
    return;
  }
  PolygonSet outline = BuildBaseOutline();

  const int cx = rotationCenterFixed_ ? buttonWidth_ / 2 : rotationPointX_;
  const int cy = rotationCenterFixed_ ? buttonHeight_ / 2 : rotationPointY_;
  const WindowPos pos = TurnedPosition(Left(), Top(), buttonWidth_, buttonHeight_, cx, cy,
                                       buttonAngle_, pendingAngle_);
  windowLeft_ = pos.left;
  windowTop_ = pos.top;
  pendingAngle_ = 0;

  const bool borderFocus = button3DKind_ == dk3dBorder || button3DKind_ == dk3dBorderFlatten;
  BuildShapeGeometry(std::move(outline),
                     {buttonWidth_, buttonHeight_, buttonDepth_, borderFocus, buttonAngle_,
                      windowWidth_, windowHeight_, parts_.inset},
                     shape_);
  MakeShapeRegions();
  pendingRegionFlag_ = true;
  RenderFace();
}

void TFyeverButton::MakeShapeRegions() {
  const PolygonSet& base = shape_.base;
  // The outline frame follows the window region's own outline: a copy is
  // cheaper than tracing the same polygons again.
  const Tpoints* const outlines[] = {&base.points, nullptr, &shape_.second, &shape_.focus};
  for (size_t i = kWindowRgn; i <= kFocusRgn; ++i) {
    regions_[i] = outlines[i] ? parts_.shapeRegion(*outlines[i], base.counts, base.levels)
                  : regions_[kWindowRgn] ? CopyRegion(regions_[kWindowRgn].Get())
                                         : q::RegionHandle();
  }
  const rotatergn::QuadList* const bands[] = {&shape_.outer.first, &shape_.outer.second,
                                              &shape_.inner.second, &shape_.inner.first};
  for (size_t i = 0; i < 4; ++i) regions_[kOuterLitRgn + i] = rotatergn::QuadsToRegion(*bands[i]);
}

PolygonSet TFyeverButton::BuildBaseOutline() {
  if (buttonKind_ == bkUser) {
    // Reached only with tracing linked (TracesUserRegion).
    const PolygonSet* user = ActiveUserRegion() ? &userPolygons_ : nullptr;
    return parts_.userOutline(user, userBox_, buttonWidth_, buttonHeight_, buttonDepth_);
  }
  const Outline& o = CachedOutline({buttonKind_, buttonWidth_, buttonHeight_, buttonDepth_,
                                    peaksNumber_, radiusRatio_, arcAngle_},
                                   parts_.buildOutline, shape_.outlines);
  if (o.arcResizes) (this->*parts_.resizeForArc)(o.arcHeight);
  return o.set;
}

// An arc band is as high as its chord and angle make it: the button takes
// that height and its window the turned size of it.
void TFyeverButton::ResizeForArc(int newHeight) {
  buttonHeight_ = newHeight;
  SetTurnedWindowSize();
  const MotionScope motion(motion_, Motion::Fitting);
  if (HandleAllocated() && Parent()) {
    ::MoveWindow(Handle(), Left(), Top(), windowWidth_, windowHeight_, previousKind_ != bkArc);
  } else {
    SetBounds(Left(), Top(), windowWidth_, windowHeight_);
  }
}

// --- User regions ----------------------------------------------------------------

HRGN TFyeverButton::ActiveUserRegion() const {
  switch (userSource_) {
    case UserSource::String: return stringRegion_.Get();
    case UserSource::Assigned: return assignedRegion_.Get();
    case UserSource::None: break;
  }
  return nullptr;
}

void TFyeverButton::UseRegionTracing() {
  parts_.traceRegion = [](HRGN region, PolygonSet& out) {
    return rotatergn::RegionToPolygons(region, out.points, out.counts, out.levels);
  };
  parts_.userOutline = UserOutline;
  parts_.shapeRegion = rotatergn::PolygonsToRegion;
  parts_.inset = rotatergn::InsetPolygons;
}

// A plain outline (bkRect, bkRoundRect) is a single polygon at level 0.
q::RegionHandle TFyeverButton::PlainShapeRegion(std::span<const TPoint> points,
                                                std::span<const int32_t>,
                                                std::span<const int32_t>) {
  return rotatergn::PolygonToRegion(points);
}

bool TFyeverButton::RegionTracingLinked() { return parts_.traceRegion != nullptr; }

void TFyeverButton::UseEveryKind() {
  parts_.buildOutline = BuildOutline;
  parts_.shapeRegion = rotatergn::PolygonsToRegion;
  parts_.inset = rotatergn::InsetPolygons;
  parts_.resizeForArc = &TFyeverButton::ResizeForArc;
}

bool TFyeverButton::EveryKindLinked() { return parts_.buildOutline != BuildPlainOutline; }

bool TFyeverButton::TracesUserRegion() const { return userRgnAuto_ && parts_.traceRegion; }

void TFyeverButton::ConvertUserRegion() {
  HRGN region = ActiveUserRegion();
  if (buttonKind_ != bkUser || !TracesUserRegion() || !region) return;
  // Tracing an empty region leaves its outputs alone: start from nothing so
  // that an earlier region's polygons never outlive it.
  userPolygons_ = {};
  parts_.traceRegion(region, userPolygons_);
  RECT box{};
  ::GetRgnBox(region, &box);
  userBox_ = {box.left, box.top, box.right, box.bottom};
}

void TFyeverButton::SetStringButtonRegion(const std::string& v) {
  if (v == stringButtonRegion_) return;
  stringButtonRegion_ = v;
  stringRegion_.Reset();
  if (v.empty()) {
    stringRegion_.Reset(::CreateRectRgn(0, 0, buttonWidth_, buttonHeight_));
  } else {
    // The text is untrusted: only a block whose header and rectangle count
    // fit it reaches the region maker.
    // The bytes are the allocator's, aligned for any object of their size:
    // the region maker reads the block where it lies.
    static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= alignof(RGNDATA));
    const std::vector<uint8_t> bytes = DecodeRegionString(v);
    if (IsRegionDataBlock(bytes)) {
      stringRegion_.Reset(::ExtCreateRegion(nullptr, static_cast<DWORD>(bytes.size()),
                                            reinterpret_cast<const RGNDATA*>(bytes.data())));
    }
  }
  userSource_ = UserSource::String;
  if (buttonKind_ == bkUser) {
    ConvertUserRegion();
    Rebuild();
  }
}

void TFyeverButton::SetButtonRegion(HRGN region) {
  if (buttonKind_ != bkUser || !region || region == assignedRegion_.Get()) return;
  if (::GetObjectType(region) != OBJ_REGION) return;
  q::RegionHandle copy = CopyRegion(region);
  if (!copy) return;
  assignedRegion_ = std::move(copy);
  ::DeleteObject(region);  // taken over
  userSource_ = UserSource::Assigned;
  ConvertUserRegion();
  Rebuild();
}

void TFyeverButton::SetUserRGNAUTO(bool v) {
  if (v == userRgnAuto_) return;
  userRgnAuto_ = v;
  if (buttonKind_ != bkUser) return;
  ConvertUserRegion();
  Rebuild();
}

void TFyeverButton::SetButtonKind(TFyButtonKind v) {
  if (v == buttonKind_ || static_cast<size_t>(v) >= kButtonKindNames.size()) return;
  previousKind_ = buttonKind_;
  buttonKind_ = v;
  pendingAngle_ = 0;
  ConvertUserRegion();
  Rebuild();
  previousKind_ = buttonKind_;
}

// --- Size, angle and place -------------------------------------------------------

void TFyeverButton::SetTurnedWindowSize() {
  const Extent e = TurnedSize(buttonWidth_, buttonHeight_, buttonAngle_);
  windowWidth_ = e.width;
  windowHeight_ = e.height;
}

void TFyeverButton::MoveOwnWindow(int left, int top, int width, int height, bool repaint) {
  if (HandleAllocated()) {
    ::MoveWindow(Handle(), left, top, width, height, repaint ? TRUE : FALSE);
  } else {
    SetBounds(left, top, width, height);
  }
}

void TFyeverButton::SetButtonAngle(int v) {
  if (v == buttonAngle_) return;
  int64_t change = static_cast<int64_t>(v) - buttonAngle_;
  // Only a difference beyond the 32-bit range needs folding: whole turns
  // change no direction.
  if (change > std::numeric_limits<int32_t>::max() || change < std::numeric_limits<int32_t>::min())
    change = TurnRemainder(change);
  pendingAngle_ = static_cast<int>(change);
  if (captionFixed_) captionAngle_ = NormalizeAngle(captionAngle_ + change);
  if (gradientFixed_) gradientAngle_ = NormalizeAngle(gradientAngle_ + change);
  buttonAngle_ = NormalizeAngle(v);
  SetTurnedWindowSize();
  RebuildShape();

  const MotionScope motion(motion_, Motion::Turning);
  if (face_ && Parent() &&
      (Parent()->InheritsFrom(gui::TForm::kClassName) ||
       Parent()->InheritsFrom(gui::TPanel::kClassName))) {
    face_->Canvas().SetBrush({Parent()->Color(), gui::TBrushStyle::bsSolid});
  }
  q::RegionHandle uncovered = Uncovered();
  MoveOwnWindow(windowLeft_, windowTop_, windowWidth_, windowHeight_, false);
  // The turned outline goes with the move, before anything paints. Only
  // then is the uncovered part handed over: a parent that clips its
  // children would drop what the old outline still covered from its update
  // region, or paint it clipped by the old outline at the new place, and
  // leave the old outline on the screen. Siblings the turn uncovers
  // repaint too.
  ApplyPendingRegion(false);
  if (uncovered) {
    ::RedrawWindow(Parent()->Handle(), nullptr, uncovered.Get(),
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  Rerender();
}

// What the turned shape no longer covers, in the parent's coordinates: the
// window moves without repainting, the parent repaints that part.
q::RegionHandle TFyeverButton::Uncovered() {
  if (!regions_[kWindowRgn]) {
    if (face_) face_->Canvas().FillRect({0, 0, Width(), Height()});
    return {};
  }
  if (!HandleAllocated() || !Parent() || !Parent()->HandleAllocated()) return {};
  q::RegionHandle uncovered(::CreateRectRgn(0, 0, 0, 0));
  if (!uncovered) return {};
  // A window without a region yet is its whole rectangle.
  if (::GetWindowRgn(Handle(), uncovered.Get()) == ERROR)
    uncovered.Reset(::CreateRectRgn(0, 0, Width(), Height()));
  q::RegionHandle next = CopyRegion(regions_[kWindowRgn].Get());
  if (!uncovered || !next) return {};
  ::OffsetRgn(next.Get(), windowLeft_ - Left(), windowTop_ - Top());
  ::CombineRgn(uncovered.Get(), uncovered.Get(), next.Get(), RGN_DIFF);
  ::OffsetRgn(uncovered.Get(), Left(), Top());
  return uncovered;
}

void TFyeverButton::SetButtonWidth(int v) {
  if (v >= 0 && v != buttonWidth_) SetButtonSize(v, buttonHeight_);
}

void TFyeverButton::SetButtonHeight(int v) {
  if (v >= 0 && v != buttonHeight_) SetButtonSize(buttonWidth_, v);
}

void TFyeverButton::SetButtonSize(int width, int height) {
  buttonWidth_ = width;
  buttonHeight_ = height;
  SetTurnedWindowSize();
  RebuildShape();
  MoveToShape();
  Invalidate();
}

void TFyeverButton::MoveToShape() {
  const MotionScope motion(motion_, Motion::Reshaping);
  MoveOwnWindow(windowLeft_, windowTop_, windowWidth_, windowHeight_, true);
}

// The framework keeps the control's bounds from every size and move message,
// also from those the button itself caused and otherwise ignores.
void TFyeverButton::HandleSize(gui::TMessage& m) {
  TButton::WndProc(m);
  if (motion_ == Motion::Turning) return;
  windowWidth_ = Width();
  windowHeight_ = Height();
  if (motion_ == Motion::Fitting || motion_ == Motion::Reshaping) return;
  // Resized from outside: the shape follows the window.
  const OutsideResize r =
      ResizeFromOutside(Width(), Height(), buttonWidth_, buttonHeight_, buttonAngle_);
  buttonWidth_ = r.buttonWidth;
  buttonHeight_ = r.buttonHeight;
  windowWidth_ = r.windowWidth;
  windowHeight_ = r.windowHeight;
  RebuildShape();
  if (r.moveWindow) {
    MoveToShape();
  } else {
    Invalidate();
  }
}

void TFyeverButton::HandleMove(gui::TMessage& m) {
  TButton::WndProc(m);
  if (motion_ == Motion::Turning) return;
  if (renderGate_) {
    RenderFace();
    Invalidate();
  }
  // Moves while the layout is read are where the layout put the button;
  // Loaded puts it back there.
  if ((motion_ == Motion::Outside || motion_ == Motion::Fitting) && IsLoading()) {
    recordedLeft_ = Left();
    recordedTop_ = Top();
    positionRecorded_ = true;
  }
}

}  // namespace fyeverbutton
