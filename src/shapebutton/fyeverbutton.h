// TFyeverButton: an owner-drawn push button whose window is cut to one of
// fifteen outlines (or a user region), turned by any angle, with a face it
// renders itself into an off-screen bitmap and copies to the window in one
// operation. Windows-only.
//
//   auto* b = new fyeverbutton::TFyeverButton(form);   // the form frees it
//   b->SetParent(panel);
//   b->SetButtonKind(fyeverbutton::bkRoundRect);
//   b->SetButtonColor(gui::clGreen);
//   b->SetButtonAngle(300);       // the window grows to the turned box
//   b->OnClick = [](gui::TObject*) { ... };
//
// Every published property can also come from a layout by name
// (ButtonKind = bkRoundRect, RadiusRatio = 0.5, ButtonColor = clGreen).
// Setters ignore values outside their range and values equal to the stored
// one; after storing they only store, re-render the face (render, then
// invalidate), or rebuild the shape (rebuild, render, invalidate).
//
// The shape: RebuildShape builds the outline of ButtonKind in the unturned
// ButtonWidth x ButtonHeight box, insets it for the bevels, turns it by
// ButtonAngle into a window sized to the turned box, and makes the regions
// the face is painted with and the window region, which the next paint
// hands to the window (from then on the window system owns it). Every other
// region belongs to the button and is deleted when replaced and with it.
//
// Glyphs come from a strip of up to four frames (normal, disabled, hover,
// pressed); enter, exit and click animations play other strips frame by
// frame straight onto the screen. While Rotated, the button turns by
// RotatedAngle every RotatedTime milliseconds.
//
// Everything runs on the GUI thread, except the rotation timer thread,
// which only sends the button its steps.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32_handles.h"
#include "gui/graphics.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"
#include "shapebutton/fyeverbutton_types.h"
#include "shapebutton/fyoutlines.h"
#include "shapebutton/fyplacement.h"
#include "shapebutton/fyrotatetimer.h"

namespace fyeverbutton {

using TMouseInOutEvent = gui::TNotifyEvent;

// Private messages: release the animation timer (posted or sent by a
// stopping animation), and one rotation step (FY_ROTATIONSTEP, sent by the
// rotation timer thread).
inline constexpr UINT FY_RELEASEANIMATIONTIMER = 45157;

struct FrameRect;

enum class TFyAnimation { Enter, Exit, Click };

class TFyeverButton : public gui::TButton {
  Q_GUI_CLASS(TFyeverButton, gui::TButton)

 public:
  explicit TFyeverButton(gui::TComponent* owner);
  // Stops the rotation timer first, then releases bitmaps and regions
  // before the window goes.
  ~TFyeverButton() override;

  // --- Published properties
  int ButtonAngle() const { return buttonAngle_; }
  int ButtonWidth() const { return buttonWidth_; }
  int ButtonHeight() const { return buttonHeight_; }
  int CaptionTop() const { return captionTop_; }
  int CaptionLeft() const { return captionLeft_; }
  int CaptionAngle() const { return captionAngle_; }
  gui::TColor ButtonColor() const { return buttonColor_; }
  TFyButtonKind ButtonKind() const { return buttonKind_; }
  TFy3DKind Button3DKind() const { return button3DKind_; }
  int ButtonDepth() const { return buttonDepth_; }
  TFyHAlign CaptionHAlign() const { return captionHAlign_; }
  TFyVAlign CaptionVAlign() const { return captionVAlign_; }
  const gui::TBitmap& MainBitmap() const { return mainBitmap_; }
  int MainBitmapGlyphs() const { return mainBitmapGlyphs_; }
  const gui::TBitmap& OnEnterBitmap() const { return onEnterBitmap_; }
  int OnEnterGlyphs() const { return onEnterGlyphs_; }
  int OnEnterInterval() const { return onEnterInterval_; }
  const gui::TBitmap& OnExitBitmap() const { return onExitBitmap_; }
  int OnExitGlyphs() const { return onExitGlyphs_; }
  int OnExitInterval() const { return onExitInterval_; }
  const gui::TBitmap& OnClickBitmap() const { return onClickBitmap_; }
  int OnClickGlyphs() const { return onClickGlyphs_; }
  int OnClickInterval() const { return onClickInterval_; }
  bool Transparent() const { return transparent_; }
  int PeaksNumber() const { return peaksNumber_; }
  int BitmapTop() const { return bitmapTop_; }
  int BitmapLeft() const { return bitmapLeft_; }
  TFyHAlign BitmapHAlign() const { return bitmapHAlign_; }
  TFyVAlign BitmapVAlign() const { return bitmapVAlign_; }
  const std::string& StringButtonRegion() const { return stringButtonRegion_; }
  bool UserRGNAUTO() const { return userRgnAuto_; }
  int RotationPointX() const { return rotationPointX_; }
  int RotationPointY() const { return rotationPointY_; }
  bool RotationCenterFixed() const { return rotationCenterFixed_; }
  bool Rotated() const { return rotated_; }
  int RotatedTime() const { return rotatedTime_; }
  int RotatedAngle() const { return rotatedAngle_; }
  bool CaptionFixed() const { return captionFixed_; }
  gui::TColor ButtonColor1() const { return buttonColor1_; }
  TFyGradientKind GradientKind() const { return gradientKind_; }
  int GradientAngle() const { return gradientAngle_; }
  bool GradientFixed() const { return gradientFixed_; }
  const gui::TBitmap& GradientBitmap() const { return gradientBitmap_; }
  int GradientBitmapLine() const { return gradientBitmapLine_; }
  TFyCaption3dKind Caption3dKind() const { return caption3dKind_; }
  double RadiusRatio() const { return radiusRatio_; }
  double ArcAngle() const { return arcAngle_; }
  bool CustomDraw() const { return customDraw_; }
  bool ShowFocusRGN() const { return showFocusRgn_; }

  virtual void SetCaptionTop(int v);
  virtual void SetCaptionLeft(int v);
  virtual void SetCaptionAngle(int v);
  // Null or a bitmap without pixels empties the owned copy.
  virtual void SetGradientBitmap(const gui::TBitmap* v);
  virtual void SetGradientBitmapLine(int v);
  virtual void SetButtonColor(gui::TColor v);
  virtual void SetButtonDepth(int v);
  // Run-time only, for bkUser: the button takes `region` over (copies it and
  // deletes the handle) and shapes itself after it. For any other kind, or
  // for a handle that is no region, nothing happens and the handle stays the
  // caller's.
  virtual void SetButtonRegion(HRGN region);
  virtual void SetCaptionHAlign(TFyHAlign v);
  virtual void SetCaptionVAlign(TFyVAlign v);
  // The bitmap setters copy; null or a bitmap of height 0 empties the copy.
  virtual void SetMainBitmap(const gui::TBitmap* v);
  virtual void SetMainBitmapGlyphs(int v);  // 1..4
  virtual void SetOnEnterBitmap(const gui::TBitmap* v);
  virtual void SetOnEnterGlyphs(int v);    // at least 1
  virtual void SetOnEnterInterval(int v);  // refused while the enter animation runs
  virtual void SetOnExitBitmap(const gui::TBitmap* v);
  virtual void SetOnExitGlyphs(int v);
  virtual void SetOnExitInterval(int v);
  virtual void SetOnClickBitmap(const gui::TBitmap* v);
  virtual void SetOnClickGlyphs(int v);
  virtual void SetOnClickInterval(int v);
  virtual void SetTransparent(bool v);
  virtual void SetPeaksNumber(int v);   // 3..20
  virtual void SetButtonAngle(int v);   // stored in -1799..1800
  virtual void SetButtonWidth(int v);   // at least 0
  virtual void SetButtonHeight(int v);  // at least 0
  virtual void SetBitmapTop(int v);
  virtual void SetBitmapLeft(int v);
  virtual void SetBitmapHAlign(TFyHAlign v);
  virtual void SetBitmapVAlign(TFyVAlign v);
  virtual void SetStringButtonRegion(const std::string& v);
  virtual void SetUserRGNAUTO(bool v);
  virtual void SetRotationPointX(int v);
  virtual void SetRotationPointY(int v);
  virtual void SetRotationCenterFixed(bool v);
  virtual void SetRotated(bool v);
  virtual void SetRotatedTime(int v);   // at least 0
  virtual void SetRotatedAngle(int v);  // -1799..1799
  virtual void SetCaptionFixed(bool v);
  virtual void SetButtonColor1(gui::TColor v);
  virtual void SetGradientKind(TFyGradientKind v);
  virtual void SetGradientAngle(int v);
  virtual void SetGradientFixed(bool v);
  virtual void SetCaption3dKind(TFyCaption3dKind v);
  virtual void SetRadiusRatio(double v);  // 0..1
  virtual void SetArcAngle(double v);     // 0.01..2 pi
  void SetButtonKind(TFyButtonKind v);
  void SetButton3DKind(TFy3DKind v);
  void SetCustomDraw(bool v);
  void SetShowFocusRGN(bool v);

  TMouseInOutEvent onMouseEnter;
  TMouseInOutEvent onMouseExit;
  gui::TNotifyEvent OnPaint;  // at the end of every Paint

  // --- Shape and face, as the last rebuild and render left them
  int WindowWidth() const { return windowWidth_; }
  int WindowHeight() const { return windowHeight_; }
  // The window region a rebuild made and no paint has applied yet.
  HRGN PendingWindowRegion() const { return regions_[kWindowRgn].Get(); }
  HRGN OutlineRegion() const { return regions_[kOutlineRgn].Get(); }
  HRGN InnerRegion() const { return regions_[kInnerRgn].Get(); }
  HRGN FocusRegion() const { return regions_[kFocusRgn].Get(); }
  HRGN OuterBevelLitRegion() const { return regions_[kOuterLitRgn].Get(); }
  HRGN OuterBevelShadedRegion() const { return regions_[kOuterShadedRgn].Get(); }
  HRGN InnerBevelLitRegion() const { return regions_[kInnerLitRgn].Get(); }
  HRGN InnerBevelShadedRegion() const { return regions_[kInnerShadedRgn].Get(); }
  // The face bitmap (null before the first render).
  const gui::TBitmap* Face() const { return face_.get(); }
  bool Pressed() const { return pressed_; }
  bool Hover() const { return hover_; }
  bool IsActive() const { return active_; }
  // The rotation timer (null before the window exists), and the animation
  // timer while an animation runs.
  const TfyRotateTimer* RotationTimer() const { return rotationTimer_.get(); }
  const gui::TTimer* AnimationTimer() const { return animationTimer_.get(); }

  // Rebuilds the outline, insets, rotation, regions and window position,
  // then renders the face. Never moves the window itself, except that a
  // bkArc button sizes its window to the arc band it becomes.
  void RebuildShape();
  // Renders the whole face into the face bitmap (when the render gate is
  // set and no render runs).
  void RenderFace();
  // While the button is edited in a designer, its face marks the rotation
  // point; the next render shows the change. The marker's drawing is linked
  // only into programs that turn it on.
  bool Designing() const { return designMarker_ != nullptr; }
  void SetDesigning(bool v);

  // Parts few programs need are linked only into those that ask for them,
  // once, before they make their buttons:
  // - tracing a user region into an outline (bkUser with UserRGNAUTO), the
  //   largest part of the button. Without it a bkUser button takes its
  //   region as it is (as with UserRGNAUTO false), and a layout naming
  //   bkUser is refused.
  // - the outlines of every kind but bkRect and bkRoundRect. Without them a
  //   button of another kind (bkUser aside) is the plain rectangle, and a
  //   layout naming such a kind is refused. Region tracing links them too,
  //   and with either the regions of outlines made of several polygons.
  // - glyphs and frame animations. Without them the bitmaps are kept but
  //   not drawn, and no animation runs.
  // - gradients. Without them the face is filled with ButtonColor, and a
  //   layout naming a GradientKind other than gkNone is refused.
  // - the rotation timer thread. Without it a button never spins, and a
  //   layout setting Rotated is refused.
  static void UseRegionTracing();
  static bool RegionTracingLinked();
  static void UseEveryKind();
  static bool EveryKindLinked();
  static void UseGlyphs();
  static void UseGradients();
  static bool GradientsLinked();
  static void UseRotation();
  static bool RotationLinked();
  // Every part: for programs that show what the button can do.
  static void UseEveryPart() {
    UseRegionTracing();
    UseEveryKind();
    UseGlyphs();
    UseGradients();
    UseRotation();
  }

  q::Error SetProperty(std::string_view name, const gui::TValue& value) override;
  void Loaded() override;
  q::Error CreateHandle() override;

 protected:
  void CreateParams(gui::TCreateParams& params) override;
  void WndProc(gui::TMessage& m) override;
  void PaintWindow(HDC dc) override;
  void SetButtonStyle(bool active) override;
  // Puts the face on the screen: applies a pending window region, copies
  // the face bitmap, fires OnPaint.
  virtual void Paint();
  // Draws the MainBitmap frame for the current state into the face (with
  // glyphs linked).
  virtual void DrawGlyph(bool pressed);
  // The caption, into the face: measured, placed by its alignment (or
  // coordinates) in its turned box, then drawn by DrawCaptionPasses.
  void DrawCaption();
  // The text from (x, y) along `angle`, once per pass of Caption3dKind.
  void DrawCaptionPasses(int x, int y, std::string_view text, int angle);
  // One piece with the font turned by `angle`: mode 0 in the text colour,
  // positive in the light shade of the button colour, negative in the dark.
  void DrawTextPiece(int x, int y, bool underline, std::string_view text, int mode, int angle);
  // Fills the face, or the part inside the clip region, with the gradient
  // of GradientKind from c1 to c2; a GradientBitmap gives the colours
  // instead, adjusted by `mode` (-1 darker, 1 lighter, 2 twice lighter).
  void GradientFill(gui::TColor c1, gui::TColor c2, int mode);
  // Background of the face: the button colour or gradient (lighter when
  // disabled).
  void PaintBackground();
  // Bevels, frames and focus outline, from the regions of the last rebuild.
  void Draw3DEffects();

  // Copies the pixels of `source` in `strip` that differ from its pixel
  // (0, 0), the source's top-left landing at (destX, destY) of the face, or
  // of the window when `toFace` is false.
  void TransparentCopy(int destX, int destY, bool toFace, const gui::TBitmap& strip,
                       const RECT& source);
  // The animation timer's event: the next frame of each running animation;
  // one tick after its last frame an animation invalidates and stops.
  virtual void AnimationTick();

  // Frame animations: the messages start and stop them at these calls.
  void StartAnimation(TFyAnimation a);
  void StopAnimation(TFyAnimation a);
  bool AnimationRunning(TFyAnimation a) const;
  // The handler of 45157: frees the timers let go of.
  void ReleaseAnimationTimer();
  // The rotation timer: made with the window, running while Rotated.
  void CreateRotationTimer();
  void FreeRotationTimer();
  void RotationTimerChanged();
  // One rotation step: ButtonAngle + RotatedAngle, through the setter.
  void RotationStep();

  gui::TControlCanvas& ControlCanvas() { return canvas_; }
  gui::TCanvas* FaceCanvas() { return face_ ? &face_->Canvas() : nullptr; }

 private:
  enum class UserSource { None, String, Assigned };
  // The entry points of the parts linked on request (null until asked for).
  struct Parts {
    bool (*traceRegion)(HRGN region, PolygonSet& out) = nullptr;
    PolygonSet (*userOutline)(const PolygonSet* user, const RegionBox& box, int32_t width,
                              int32_t height, int32_t depth) = nullptr;
    OutlineBuilder buildOutline = BuildPlainOutline;
    // The plain outlines have a few points each; the other kinds and traced
    // regions can have thousands.
    rotatergn::InsetFunction inset = rotatergn::InsetSmallPolygons;
    // Only an arc band (one of the other kinds) sizes its window itself.
    void (TFyeverButton::*resizeForArc)(int newHeight) = nullptr;
    // The shape's regions: of the one polygon a plain outline is, or of
    // any polygon set.
    q::RegionHandle (*shapeRegion)(std::span<const TPoint> points, std::span<const int32_t> counts,
                                   std::span<const int32_t> levels) = PlainShapeRegion;
    void (TFyeverButton::*drawGlyph)(bool pressed) = nullptr;
    void (TFyeverButton::*drawFrame)(gui::TBitmap& strip, int count, int index) = nullptr;
    void (TFyeverButton::*animate)(TFyAnimation a, bool start) = nullptr;
    void (TFyeverButton::*gradientFill)(gui::TColor c1, gui::TColor c2, int mode) = nullptr;
    void (TFyeverButton::*gradientEffects)() = nullptr;
    void (TFyeverButton::*createRotationTimer)() = nullptr;
  };
  static Parts parts_;
  static q::RegionHandle PlainShapeRegion(std::span<const TPoint> points,
                                          std::span<const int32_t> counts,
                                          std::span<const int32_t> levels);
  void DrawMainGlyph(bool pressed);
  // Starts or stops the animation `a` (what StartAnimation and
  // StopAnimation do with glyphs linked).
  void Animate(TFyAnimation a, bool start);
  // Frame `index` of a strip of `count` frames, straight onto the window.
  void DrawStripFrame(gui::TBitmap& strip, int count, int index);
  // Why the window is moving or changing size: how the size and move
  // messages that come back while it does are taken.
  enum class Motion : uint8_t {
    // Not the button's doing: the shape follows a new size; a move while
    // the layout is read is where the layout puts the button.
    Outside,
    // The window appears or goes back where the control already is: a size
    // is taken as from outside, a move is no layout move.
    Placing,
    // An arc band sizes its window to itself: the size is the shape's.
    Fitting,
    // The window moves and takes the size of the shape just rebuilt.
    Reshaping,
    // The window follows a new angle: both messages pass by (the turn
    // renders once it is done).
    Turning,
  };
  // Sets the motion for its own lifetime and then restores the one before,
  // so that none outlives the call that caused it.
  class MotionScope {
   public:
    MotionScope(Motion& slot, Motion why) : slot_(slot), saved_(slot) { slot_ = why; }
    ~MotionScope() { slot_ = saved_; }
    MotionScope(const MotionScope&) = delete;
    MotionScope& operator=(const MotionScope&) = delete;

   private:
    Motion& slot_;
    Motion saved_;
  };
  struct AnimationRecord {
    bool running = false;
    int frame = 0;
  };
  struct AnimationSource;

  void Rerender();  // gate, render, invalidate
  void Rebuild();   // gate, rebuild, invalidate
  template <typename Alignment>
  void SetCoordinate(int& field, int v, Alignment& align, Alignment none);
  void SetButtonSize(int width, int height);
  void SetTurnedWindowSize();
  // Moves and sizes the window to the last rebuild's place, repainting.
  void MoveToShape();
  void MoveOwnWindow(int left, int top, int width, int height, bool repaint);
  HRGN ActiveUserRegion() const;
  // bkUser outlines are traced from the region: UserRGNAUTO, tracing linked.
  bool TracesUserRegion() const;
  void MakeShapeRegions();
  void ConvertUserRegion();
  PolygonSet BuildBaseOutline();
  void ResizeForArc(int newHeight);
  q::RegionHandle Uncovered();
  // Gives the window the region the last rebuild made, if no paint took it
  // yet; with `redraw` the window system repaints what the change uncovers.
  void ApplyPendingRegion(bool redraw);
  // The face shows a gradient: one is chosen and gradients are linked.
  bool Gradient() const { return gradientKind_ != gkNone && parts_.gradientFill; }
  void FillGradient(gui::TColor c1, gui::TColor c2, int mode) {
    (this->*parts_.gradientFill)(c1, c2, mode);
  }
  // GradientFill clipped to `region`; nothing when there is no region.
  void ClippedGradient(HRGN region, gui::TColor c1, gui::TColor c2, int mode);
  // Draw3DEffects on a gradient face (with gradients linked).
  void DrawGradientEffects();
  void DrawRotationMarker();
  void PlayEnterOrExit(bool enter);
  void HoverChanged(bool enter);
  void HandleSize(gui::TMessage& m);
  void HandleMove(gui::TMessage& m);
  void CopyBitmap(const gui::TBitmap* source, gui::TBitmap& owned);
  AnimationRecord& Record(TFyAnimation a);
  AnimationSource Source(TFyAnimation a);
  // Lets the animation timer go: gone at once, freed by 45157.
  void RetireAnimationTimer();
  void CopyFrame(gui::TCanvas& target, bool toFace, int x, int y, gui::TBitmap& strip,
                 const FrameRect& source);

  // Published values.
  int buttonAngle_ = 0;
  int buttonWidth_ = 0;
  int buttonHeight_ = 0;
  int captionTop_ = 5;
  int captionLeft_ = 5;
  int captionAngle_ = 0;
  gui::TColor buttonColor_ = gui::clBtnFace;
  TFyButtonKind buttonKind_ = bkRect;
  TFy3DKind button3DKind_ = dk3D;
  int buttonDepth_ = 2;
  TFyHAlign captionHAlign_ = haCenter;
  TFyVAlign captionVAlign_ = vaCenter;
  gui::TBitmap mainBitmap_;
  int mainBitmapGlyphs_ = 1;
  gui::TBitmap onEnterBitmap_;
  int onEnterGlyphs_ = 1;
  int onEnterInterval_ = 40;
  gui::TBitmap onExitBitmap_;
  int onExitGlyphs_ = 1;
  int onExitInterval_ = 40;
  gui::TBitmap onClickBitmap_;
  int onClickGlyphs_ = 1;
  int onClickInterval_ = 40;
  bool transparent_ = false;
  int peaksNumber_ = 6;
  int bitmapTop_ = 5;
  int bitmapLeft_ = 5;
  TFyHAlign bitmapHAlign_ = haLeft;
  TFyVAlign bitmapVAlign_ = vaTop;
  std::string stringButtonRegion_;
  bool userRgnAuto_ = true;
  int rotationPointX_ = 0;
  int rotationPointY_ = 0;
  bool rotationCenterFixed_ = false;
  bool rotated_ = false;
  int rotatedTime_ = 40;
  int rotatedAngle_ = 40;
  bool captionFixed_ = false;
  gui::TColor buttonColor1_ = gui::clBtnShadow;
  TFyGradientKind gradientKind_ = gkNone;
  int gradientAngle_ = 450;
  bool gradientFixed_ = false;
  gui::TBitmap gradientBitmap_;
  int gradientBitmapLine_ = 0;
  TFyCaption3dKind caption3dKind_ = ckSimple;
  double radiusRatio_ = 0.5;
  double arcAngle_ = kDefaultArcAngle;
  bool customDraw_ = false;
  bool showFocusRgn_ = true;

  // Painting state.
  gui::TControlCanvas canvas_;
  std::unique_ptr<gui::TBitmap> face_;
  std::unique_ptr<gui::TTimer> animationTimer_;
  std::vector<std::unique_ptr<gui::TTimer>> retiredTimers_;
  bool inAnimationTick_ = false;
  AnimationRecord enterAnimation_, exitAnimation_, clickAnimation_;
  std::unique_ptr<TfyRotateTimer> rotationTimer_;
  DRAWITEMSTRUCT drawItem_{};
  bool pressed_ = false;
  bool hover_ = false;
  bool active_ = false;
  bool spaceKey_ = false;
  bool lastPressed_ = false, lastHover_ = false, lastEnabled_ = true;
  bool rendering_ = false;
  bool renderGate_ = true;
  bool loaded_ = false;
  bool firstFocus_ = true;
  bool constructed_ = false;  // no face is rendered before the constructor ends
  void (TFyeverButton::*designMarker_)() = nullptr;  // while designing: DrawRotationMarker

  // Geometry and placement.
  int windowWidth_ = 0;
  int windowHeight_ = 0;
  int windowLeft_ = 0;
  int windowTop_ = 0;
  int pendingAngle_ = 0;  // new minus old ButtonAngle, until the next rebuild
  bool pendingRegionFlag_ = false;
  Motion motion_ = Motion::Outside;
  bool positionRecorded_ = false;
  int recordedLeft_ = 0;
  int recordedTop_ = 0;
  TFyButtonKind previousKind_ = bkRect;

  // User regions and the polygons traced from the active one.
  q::RegionHandle stringRegion_;
  q::RegionHandle assignedRegion_;
  UserSource userSource_ = UserSource::None;
  PolygonSet userPolygons_;
  RegionBox userBox_;

  // The last rebuild's polygons (kept for their storage).
  ShapeGeometry shape_;

  // Regions of the last rebuild, in window coordinates: the window region
  // no paint has taken yet, the outline, inner and focus outlines, and the
  // bevel bands.
  enum ShapeRegion {
    kWindowRgn,
    kOutlineRgn,
    kInnerRgn,
    kFocusRgn,
    kOuterLitRgn,
    kOuterShadedRgn,
    kInnerLitRgn,
    kInnerShadedRgn,
    kShapeRgns
  };
  // Made and drawn by loops over these runs.
  static_assert(kFocusRgn == kOutlineRgn + 2 && kInnerShadedRgn == kOuterLitRgn + 3);
  q::RegionHandle regions_[kShapeRgns];
};

}  // namespace fyeverbutton
