// TFyeverButton: construction, the published properties, layout reading,
// window creation and the message table. The shape is in
// fyeverbutton_shape.cpp, the face in fyeverbutton_paint.cpp.
#include "shapebutton/fyeverbutton.h"

#include <cmath>
#include <numbers>
#include <span>

namespace fyeverbutton {
namespace {

// Stores `v` in `field`; false (and nothing stored) when they are equal.
template <typename T>
bool Store(T& field, T v) {
  if (field == v) return false;
  field = v;
  return true;
}

}  // namespace

TFyeverButton::Parts TFyeverButton::parts_;

TFyeverButton::TFyeverButton(gui::TComponent* owner) : TButton(owner) {
  buttonWidth_ = windowWidth_ = Width();
  buttonHeight_ = windowHeight_ = Height();
  lastEnabled_ = Enabled();
  gui::TFont font = Font();
  font.Name = "Times New Roman";
  SetFont(font);
  gui::TFont canvasFont = canvas_.Font();
  canvasFont.Name = "Times New Roman";
  canvas_.SetFont(canvasFont);
  constructed_ = true;
}

TFyeverButton::~TFyeverButton() {
  // The timer thread sends steps to this object: it goes before anything
  // a step touches.
  FreeRotationTimer();
  rotated_ = false;
  canvas_.FreeHandle();
  animationTimer_.reset();
  face_.reset();
  // Bitmaps and regions go with the members, before the inherited
  // destructor takes the window.
}

void TFyeverButton::Rerender() {
  renderGate_ = true;
  RenderFace();
  Invalidate();
}

void TFyeverButton::Rebuild() {
  renderGate_ = true;
  RebuildShape();
  Invalidate();
}

// --- Published properties ------------------------------------------------------

// A layout's stored coordinate and alignment coexist; set once loaded, the
// coordinate takes over from its alignment.
template <typename Alignment>
void TFyeverButton::SetCoordinate(int& field, int v, Alignment& align, Alignment none) {
  if (!Store(field, v)) return;
  if (loaded_) align = none;
  Rerender();
}

void TFyeverButton::SetCaptionTop(int v) { SetCoordinate(captionTop_, v, captionVAlign_, vaNone); }
void TFyeverButton::SetCaptionLeft(int v) {
  SetCoordinate(captionLeft_, v, captionHAlign_, haNone);
}

void TFyeverButton::SetCaptionAngle(int v) {
  if (Store(captionAngle_, v)) Rerender();
}

void TFyeverButton::SetGradientBitmap(const gui::TBitmap* v) {
  if (v == &gradientBitmap_) return;
  if (!v || gradientBitmap_.Assign(*v)) gradientBitmap_.Clear();
  Rebuild();
}

void TFyeverButton::SetGradientBitmapLine(int v) {
  if (v >= 0 && Store(gradientBitmapLine_, v)) Rerender();
}

void TFyeverButton::SetButtonColor(gui::TColor v) {
  if (Store(buttonColor_, v)) Rerender();
}

void TFyeverButton::SetButtonDepth(int v) {
  if (Store(buttonDepth_, v)) Rebuild();
}

void TFyeverButton::SetCaptionHAlign(TFyHAlign v) {
  if (Store(captionHAlign_, v)) Rerender();
}

void TFyeverButton::SetCaptionVAlign(TFyVAlign v) {
  if (Store(captionVAlign_, v)) Rerender();
}

void TFyeverButton::CopyBitmap(const gui::TBitmap* source, gui::TBitmap& owned) {
  if (source == &owned) return;
  // A copy that cannot be made leaves the glyph empty rather than stale.
  if (!source || source->Height() == 0 || owned.Assign(*source)) owned.Clear();
}

void TFyeverButton::SetMainBitmap(const gui::TBitmap* v) {
  CopyBitmap(v, mainBitmap_);
  Rerender();
}

void TFyeverButton::SetMainBitmapGlyphs(int v) {
  if (v >= 1 && v <= 4 && Store(mainBitmapGlyphs_, v)) Rerender();
}

void TFyeverButton::SetOnEnterBitmap(const gui::TBitmap* v) { CopyBitmap(v, onEnterBitmap_); }
void TFyeverButton::SetOnExitBitmap(const gui::TBitmap* v) { CopyBitmap(v, onExitBitmap_); }
void TFyeverButton::SetOnClickBitmap(const gui::TBitmap* v) { CopyBitmap(v, onClickBitmap_); }

void TFyeverButton::SetOnEnterGlyphs(int v) {
  if (v >= 1) onEnterGlyphs_ = v;
}
void TFyeverButton::SetOnExitGlyphs(int v) {
  if (v >= 1) onExitGlyphs_ = v;
}
void TFyeverButton::SetOnClickGlyphs(int v) {
  if (v >= 1) onClickGlyphs_ = v;
}

// A running animation keeps the interval its timer was made with.
void TFyeverButton::SetOnEnterInterval(int v) {
  if (!AnimationRunning(TFyAnimation::Enter)) onEnterInterval_ = v;
}
void TFyeverButton::SetOnExitInterval(int v) {
  if (!AnimationRunning(TFyAnimation::Exit)) onExitInterval_ = v;
}
void TFyeverButton::SetOnClickInterval(int v) {
  if (!AnimationRunning(TFyAnimation::Click)) onClickInterval_ = v;
}

void TFyeverButton::SetTransparent(bool v) {
  if (Store(transparent_, v)) Rerender();
}

void TFyeverButton::SetPeaksNumber(int v) {
  if (v < 3 || v > 20 || !Store(peaksNumber_, v)) return;
  if (buttonKind_ == bkPoly || buttonKind_ == bkPolyStar) Rebuild();
}

void TFyeverButton::SetBitmapTop(int v) { SetCoordinate(bitmapTop_, v, bitmapVAlign_, vaNone); }
void TFyeverButton::SetBitmapLeft(int v) { SetCoordinate(bitmapLeft_, v, bitmapHAlign_, haNone); }

void TFyeverButton::SetBitmapHAlign(TFyHAlign v) {
  if (Store(bitmapHAlign_, v)) Rerender();
}

void TFyeverButton::SetBitmapVAlign(TFyVAlign v) {
  if (Store(bitmapVAlign_, v)) Rerender();
}

void TFyeverButton::SetRotationPointX(int v) {
  if (!Store(rotationPointX_, v)) return;
  rotationCenterFixed_ = false;
  Rebuild();
}

void TFyeverButton::SetRotationPointY(int v) {
  if (!Store(rotationPointY_, v)) return;
  rotationCenterFixed_ = false;
  Rebuild();
}

void TFyeverButton::SetRotationCenterFixed(bool v) {
  if (Store(rotationCenterFixed_, v)) Rebuild();
}

void TFyeverButton::SetRotated(bool v) {
  if (Store(rotated_, v)) RotationTimerChanged();
}

void TFyeverButton::SetRotatedTime(int v) {
  if (v >= 0 && Store(rotatedTime_, v)) RotationTimerChanged();
}

void TFyeverButton::SetRotatedAngle(int v) {
  if (v >= -1799 && v <= 1799) rotatedAngle_ = v;
}

void TFyeverButton::SetCaptionFixed(bool v) {
  if (Store(captionFixed_, v)) Rerender();
}

void TFyeverButton::SetButtonColor1(gui::TColor v) {
  if (Store(buttonColor1_, v)) Rerender();
}

void TFyeverButton::SetGradientKind(TFyGradientKind v) {
  if (Store(gradientKind_, v)) Rerender();
}

void TFyeverButton::SetGradientAngle(int v) {
  if (Store(gradientAngle_, v)) Rerender();
}

void TFyeverButton::SetGradientFixed(bool v) { gradientFixed_ = v; }

void TFyeverButton::SetCaption3dKind(TFyCaption3dKind v) {
  if (Store(caption3dKind_, v)) Rerender();
}

void TFyeverButton::SetRadiusRatio(double v) {
  if (!(v >= 0 && v <= 1) || !Store(radiusRatio_, v)) return;  // NaN refused too
  if (buttonKind_ == bkArc || buttonKind_ == bkDonut) Rebuild();
}

void TFyeverButton::SetArcAngle(double v) {
  if (!(v >= 0.01 && v <= 2 * std::numbers::pi) || !Store(arcAngle_, v)) return;
  if (buttonKind_ == bkArc) Rebuild();
}

void TFyeverButton::SetButton3DKind(TFy3DKind v) {
  if (Store(button3DKind_, v)) Rebuild();
}

void TFyeverButton::SetCustomDraw(bool v) {
  if (!Store(customDraw_, v)) return;
  RenderFace();
  Invalidate();
}

void TFyeverButton::SetShowFocusRGN(bool v) {
  if (!Store(showFocusRgn_, v)) return;
  RenderFace();
  Invalidate();
}

// --- Layout --------------------------------------------------------------------

namespace {

using B = TFyeverButton;
// constexpr: the compiler lays the tables out, no start-up code fills them.
constexpr gui::TSetter<B, int> kIntSetters[] = {
    {"ButtonAngle", &B::SetButtonAngle},
    {"ButtonWidth", &B::SetButtonWidth},
    {"ButtonHeight", &B::SetButtonHeight},
    {"CaptionTop", &B::SetCaptionTop},
    {"CaptionLeft", &B::SetCaptionLeft},
    {"CaptionAngle", &B::SetCaptionAngle},
    {"ButtonDepth", &B::SetButtonDepth},
    {"MainBitmapGlyphs", &B::SetMainBitmapGlyphs},
    {"OnEnterGlyphs", &B::SetOnEnterGlyphs},
    {"OnEnterInterval", &B::SetOnEnterInterval},
    {"OnExitGlyphs", &B::SetOnExitGlyphs},
    {"OnExitInterval", &B::SetOnExitInterval},
    {"OnClickGlyphs", &B::SetOnClickGlyphs},
    {"OnClickInterval", &B::SetOnClickInterval},
    {"PeaksNumber", &B::SetPeaksNumber},
    {"BitmapTop", &B::SetBitmapTop},
    {"BitmapLeft", &B::SetBitmapLeft},
    {"RotationPointX", &B::SetRotationPointX},
    {"RotationPointY", &B::SetRotationPointY},
    {"RotatedTime", &B::SetRotatedTime},
    {"RotatedAngle", &B::SetRotatedAngle},
    {"GradientAngle", &B::SetGradientAngle},
    {"GradientBitmapLine", &B::SetGradientBitmapLine},
};
constexpr gui::TSetter<B, bool> kBoolSetters[] = {
    {"Transparent", &B::SetTransparent},
    {"UserRGNAUTO", &B::SetUserRGNAUTO},
    {"RotationCenterFixed", &B::SetRotationCenterFixed},
    {"Rotated", &B::SetRotated},
    {"CaptionFixed", &B::SetCaptionFixed},
    {"GradientFixed", &B::SetGradientFixed},
    {"CustomDraw", &B::SetCustomDraw},
    {"ShowFocusRGN", &B::SetShowFocusRGN},
};
constexpr gui::TSetter<B, gui::TColor> kColorSetters[] = {
    {"ButtonColor", &B::SetButtonColor},
    {"ButtonColor1", &B::SetButtonColor1},
};
constexpr gui::TSetter<B, double> kRealSetters[] = {
    {"RadiusRatio", &B::SetRadiusRatio},
    {"ArcAngle", &B::SetArcAngle},
};
constexpr gui::TSetter<B, const std::string&> kStringSetters[] = {
    {"StringButtonRegion", &B::SetStringButtonRegion},
};

// A layout asking for a part of the button this program does not link.
q::Error NotLinked(std::string_view name, const gui::TValue& v) {
  return q::Error::Fail(std::string(name) + " = " + v.text +
                        ": this program does not link that part of the button");
}

// The enumerations, by the names of their values: one table and one lookup
// for all of them, each setter taking the value's index. `refused` (where
// present) tells, by the index a name has (the count for no known name),
// the values whose part is not linked.
struct EnumSetter {
  std::string_view name;
  std::span<const std::string_view> values;
  void (*set)(B& button, size_t index);
  bool (*refused)(size_t index) = nullptr;
};
template <typename E, void (B::*Set)(E)>
void SetEnum(B& button, size_t index) {
  (button.*Set)(static_cast<E>(index));
}
// bkUser needs region tracing, kinds other than the plain ones (and
// unknown names) every kind.
bool KindRefused(size_t i) {
  const bool plain = i == bkRect || i == bkRoundRect || i == bkUser;
  return (i == bkUser && !B::RegionTracingLinked()) || (!plain && !B::EveryKindLinked());
}
bool GradientRefused(size_t i) { return i != gkNone && !B::GradientsLinked(); }
constexpr EnumSetter kEnumSetters[] = {
    {"ButtonKind", kButtonKindNames, SetEnum<TFyButtonKind, &B::SetButtonKind>, KindRefused},
    {"Button3DKind", k3DKindNames, SetEnum<TFy3DKind, &B::SetButton3DKind>},
    {"GradientKind", kGradientKindNames, SetEnum<TFyGradientKind, &B::SetGradientKind>,
     GradientRefused},
    {"Caption3dKind", kCaption3dKindNames, SetEnum<TFyCaption3dKind, &B::SetCaption3dKind>},
    {"CaptionHAlign", kHAlignNames, SetEnum<TFyHAlign, &B::SetCaptionHAlign>},
    {"CaptionVAlign", kVAlignNames, SetEnum<TFyVAlign, &B::SetCaptionVAlign>},
    {"BitmapHAlign", kHAlignNames, SetEnum<TFyHAlign, &B::SetBitmapHAlign>},
    {"BitmapVAlign", kVAlignNames, SetEnum<TFyVAlign, &B::SetBitmapVAlign>},
};

// Applies `v` through the enumeration setter `name` names; false when there
// is none.
bool ApplyEnum(B& button, std::string_view name, const gui::TValue& v, q::Error& error) {
  for (const EnumSetter& s : kEnumSetters) {
    if (s.name != name) continue;
    if (v.kind == gui::TValue::Kind::Ident) {
      size_t i = 0;
      while (i < s.values.size() && s.values[i] != v.text) ++i;
      if (s.refused && s.refused(i)) {
        error = NotLinked(name, v);
        return true;
      }
      if (i < s.values.size()) {
        s.set(button, i);
        return true;
      }
    }
    error = q::Error::Fail(std::string(name) + ": unknown value " + v.Describe());
    return true;
  }
  return false;
}

}  // namespace

q::Error TFyeverButton::SetProperty(std::string_view name, const gui::TValue& v) {
  if (name == "Rotated" && v.kind == gui::TValue::Kind::Ident && v.text == "True" &&
      !RotationLinked()) {
    return NotLinked(name, v);
  }
  q::Error error;
  if (gui::ApplySetter(*this, kIntSetters, name, v, &gui::TValue::ToInt, error) ||
      gui::ApplySetter(*this, kBoolSetters, name, v, &gui::TValue::ToBool, error) ||
      gui::ApplySetter(*this, kColorSetters, name, v, &gui::TValue::ToColor, error) ||
      gui::ApplySetter(*this, kRealSetters, name, v, &gui::TValue::ToDouble, error) ||
      gui::ApplySetter(*this, kStringSetters, name, v, &gui::TValue::ToString, error)) {
    return std::move(error).WithContext(std::string(name));
  }

  if (ApplyEnum(*this, name, v, error)) return error;
  if (q::Error e = TButton::SetProperty(name, v)) return e;
  // The layout's own placement is a move while loading: the window may not
  // exist yet to report it.
  if ((name == "Left" || name == "Top") && IsLoading()) {
    recordedLeft_ = Left();
    recordedTop_ = Top();
    positionRecorded_ = true;
  }
  return {};
}

void TFyeverButton::Loaded() {
  TButton::Loaded();
  if (positionRecorded_) {
    // Back to where the layout put the window: loading may have moved it
    // while the shape was set up bit by bit.
    positionRecorded_ = false;
    {
      const MotionScope motion(motion_, Motion::Placing);
      SetBounds(recordedLeft_, recordedTop_, Width(), Height());
    }
    windowLeft_ = recordedLeft_;
    windowTop_ = recordedTop_;
  }
  pendingAngle_ = 0;
  Rebuild();
  loaded_ = true;
}

// --- Window ----------------------------------------------------------------------

void TFyeverButton::CreateParams(gui::TCreateParams& p) {
  TButton::CreateParams(p);
  p.Style |= BS_OWNERDRAW;  // the native button never paints itself
  p.PaintsItself = true;
}

q::Error TFyeverButton::CreateHandle() {
  const bool existed = HandleAllocated();
  {
    // The window appears where the control already is: no move to record.
    const MotionScope motion(motion_, Motion::Placing);
    if (q::Error e = TButton::CreateHandle(); e || existed) return e;
  }
  canvas_.SetWindow(Handle());
  if (parts_.createRotationTimer) (this->*parts_.createRotationTimer)();
  renderGate_ = true;
  RebuildShape();
  lastEnabled_ = Enabled();
  lastPressed_ = lastHover_ = false;
  return {};
}

void TFyeverButton::SetButtonStyle(bool active) {
  // The active look is the button's own (its focus outline); the native
  // default-button style is never touched.
  if (!Store(active_, active)) return;
  Rebuild();
}

// The pointer or the focus came (enter) or went: the enter animation, or
// the exit animation in place of the enter and click ones.
void TFyeverButton::PlayEnterOrExit(bool enter) {
  if (enter) {
    StopAnimation(TFyAnimation::Exit);
    StartAnimation(TFyAnimation::Enter);
  } else {
    StopAnimation(TFyAnimation::Enter);
    StopAnimation(TFyAnimation::Click);
    StartAnimation(TFyAnimation::Exit);
  }
}

void TFyeverButton::HoverChanged(bool enter) {
  hover_ = enter;
  if (!rendering_) {
    RenderFace();
    Invalidate();
  }
  PlayEnterOrExit(enter);
  if (const TMouseInOutEvent& event = enter ? onMouseEnter : onMouseExit) event(this);
}

// The button's messages in one switch, long because each case (a few lines)
// reads best beside the others; the larger handlers are functions of their own.
void TFyeverButton::WndProc(gui::TMessage& m) {
  switch (m.Msg) {
    case gui::CN_MEASUREITEM:
      if (auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)) {
        mis->itemWidth = static_cast<UINT>(Width());
        mis->itemHeight = static_cast<UINT>(Height());
      }
      m.Result = TRUE;
      return;
    case gui::CN_DRAWITEM:
      if (const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)) drawItem_ = *dis;
      renderGate_ = true;
      if (!rendering_) {
        RenderFace();
        Invalidate();
      }
      break;
    case gui::CM_FONTCHANGED:
      TButton::WndProc(m);
      Rerender();
      return;
    case gui::CM_ENABLEDCHANGED:
      TButton::WndProc(m);
      renderGate_ = true;
      RenderFace();
      return;
    case WM_LBUTTONDBLCLK:
      // A quick second click is an ordinary press (and a second click).
      m.Result =
          HandleAllocated() ? ::SendMessageA(Handle(), WM_LBUTTONDOWN, m.WParam, m.LParam) : 0;
      return;
    case WM_LBUTTONDOWN:
      StopAnimation(TFyAnimation::Enter);
      StartAnimation(TFyAnimation::Click);
      break;
    case gui::CM_MOUSEENTER:
    case gui::CM_MOUSELEAVE:
      // While the space bar holds the button down, the pointer changes nothing.
      if (spaceKey_) {
        m.Result = 0;
        return;
      }
      HoverChanged(m.Msg == gui::CM_MOUSEENTER);
      break;
    case gui::CM_FOCUSCHANGED:
      TButton::WndProc(m);  // the default-style hook sets the active flag
      if (firstFocus_) {
        firstFocus_ = false;
      } else {
        PlayEnterOrExit(Focused());
      }
      return;
    case WM_KEYDOWN:
      TButton::WndProc(m);
      if (m.WParam == VK_SPACE) {
        spaceKey_ = true;
        StopAnimation(TFyAnimation::Enter);
        StartAnimation(TFyAnimation::Click);
      }
      return;
    case WM_KEYUP:
      TButton::WndProc(m);
      spaceKey_ = false;
      return;
    case WM_SIZE: HandleSize(m); return;
    case WM_MOVE: HandleMove(m); return;
    case FY_RELEASEANIMATIONTIMER:
      TButton::WndProc(m);
      ReleaseAnimationTimer();
      return;
    case FY_ROTATIONSTEP:
      RotationStep();
      m.Result = 0;
      return;
    default: break;
  }
  TButton::WndProc(m);
}

}  // namespace fyeverbutton
