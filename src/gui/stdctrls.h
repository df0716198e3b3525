// The standard controls: panel, label, progress bar and push button.
//
// TButton is the base of owner-drawn buttons. A subclass adds BS_OWNERDRAW
// in CreateParams and then receives, through WndProc:
//   CN_DRAWITEM / CN_MEASUREITEM   the parent's WM_DRAWITEM / WM_MEASUREITEM
//                                  (lParam: DRAWITEMSTRUCT* / MEASUREITEMSTRUCT*);
//                                  itemState has ODS_SELECTED while the button
//                                  is held down by the mouse or the space bar
//   CM_MOUSEENTER / CM_MOUSELEAVE  from mouse tracking
//   CM_FOCUSCHANGED                after every focus change on the form; the
//                                  button then calls SetButtonStyle(active)
//   CM_ENABLEDCHANGED, CM_FONTCHANGED, CM_TEXTCHANGED
// and overrides SetButtonStyle (the default-style hook) to draw its own
// "active" look instead of the native default-button frame. A left press on
// a button without the focus focuses it first (the focus notifications come
// before the press reaches WndProc); when it cannot take the focus the press
// is dropped. Click() runs on release inside the button, on Enter while the
// button is active, on Escape for the Cancel button, and on its "&"
// accelerator (with or without Alt).
#pragma once

#include "gui/control.h"

namespace gui {

enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// Draws `width` rings of a 3D frame just inside `r` (top and left edges in
// `topLeft`, bottom and right in `bottomRight`) and shrinks `r` by them.
void Frame3D(TCanvas& canvas, RECT& r, TColor topLeft, TColor bottomRight, int width);

class TPanel : public TCustomControl {
  Q_GUI_CLASS(TPanel, TCustomControl)

 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut b);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut b);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int w);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w);
  // bsSingle: a sunken one-line window edge around the panel.
  bool BorderSingle() const { return borderSingle_; }
  void SetBorderSingle(bool on);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);

  q::Error SetProperty(std::string_view name, const TValue& value) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(RECT& r) override;
  void Paint() override;

 private:
  void FrameChanged();

  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  bool borderSingle_ = false;
  TAlignment alignment_ = taCenter;
};

class TLabel : public TCustomControl {
  Q_GUI_CLASS(TLabel, TCustomControl)

 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout l);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  // "&" marks an underlined accelerator character ("&&" is one "&").
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool on);

  TNotifyEvent OnClick;
  virtual void Click();

  q::Error SetProperty(std::string_view name, const TValue& value) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& m) override;
  void Paint() override;
  bool PreferredSize(int& width, int& height) override;

 private:
  UINT TextFlags() const;

  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool pressed_ = false;
};

class TProgressBar : public TWinControl {
  Q_GUI_CLASS(TProgressBar, TWinControl)

 public:
  explicit TProgressBar(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);  // kept within Min..Max
  int Step() const { return step_; }
  void SetStep(int v);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool on);
  void StepIt();  // Position + Step, wrapping to Min past Max as the control does

  q::Error SetProperty(std::string_view name, const TValue& value) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  q::Error CreateHandle() override;

 private:
  void UpdateRange();

  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  bool smooth_ = false;
};

class TButton : public TWinControl {
  Q_GUI_CLASS(TButton, TWinControl)

 public:
  explicit TButton(TComponent* owner);

  bool IsButton() const override { return true; }
  // The form's default button: active (Enter clicks it) while no other
  // button has the focus.
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  // The last value given to SetButtonStyle.
  bool Active() const { return active_; }

  TNotifyEvent OnClick;
  virtual void Click();

  q::Error SetProperty(std::string_view name, const TValue& value) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& m) override;
  // The default-style hook: told after every focus change whether this
  // button is now the active one. The base gives the native button its
  // default-button frame.
  virtual void SetButtonStyle(bool active);

 private:
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
};

// The accelerator of `caption`: the character after the first single "&",
// or 0.
char AcceleratorOf(std::string_view caption);

}  // namespace gui
