// TWinControl: the base of every control, each of which has a window.
// Holds the properties a layout sets (bounds, Align, AutoSize, Visible,
// Enabled, Font, Color, Caption, Cursor, TabOrder, TabStop) before the
// window exists and applies them to it afterwards; owns its child controls'
// destruction; routes every window message through one virtual WndProc.
//
// A message takes one path: the window procedure hands it (and Perform
// hands its message) to the virtual WndProc; an override handles what it
// wants and passes the rest to its base; TWinControl::WndProc reflects
// notifications to the child they are about (WM_COMMAND as CN_COMMAND...),
// does the framework's part (bounds, focus, mouse tracking, cursor,
// colours), paints through PaintWindow when the control paints itself, and
// ends in DefaultHandler, the window class's own procedure. Before that
// path, a press on a push button that has not the focus gives it the focus
// (the focus notifications come first); when it cannot take it, the press
// is dropped. While the control is being destroyed its window only gets
// DefaultHandler.
//
// A subclass uses two hooks besides WndProc:
//
//   class TMyButton : public gui::TButton {
//     Q_GUI_CLASS(TMyButton, gui::TButton)
//    public:
//     explicit TMyButton(TComponent* owner) : TButton(owner) {}
//    protected:
//     void CreateParams(gui::TCreateParams& p) override {  // what window it is
//       TButton::CreateParams(p);
//       p.Style |= BS_OWNERDRAW;
//       p.PaintsItself = true;  // WM_PAINT and WM_PRINTCLIENT go to PaintWindow
//     }
//     void WndProc(gui::TMessage& m) override {
//       if (m.Msg == gui::CN_DRAWITEM) { /* DRAWITEMSTRUCT at m.LParam */ }
//       TButton::WndProc(m);  // framework handling, then the window's default
//     }
//     void PaintWindow(HDC dc) override { /* the paint DC */ }
//   };
//
// Framework messages (CM_*, CN_*) that nobody handles answer 0 and never
// reach the system's window procedure. Everything here runs on the GUI
// thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/win32_handles.h"
#include "gui/component.h"
#include "gui/graphics.h"
#include "gui/messages.h"

namespace gui {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TCursor : int {
  crDefault = 0,
  crArrow = -2,
  crIBeam = -4,
  crHourGlass = -11,
  crHandPoint = -21
};
HCURSOR CursorHandle(TCursor cursor);  // null for crDefault

// What CreateParams fills in before the window is made.
struct TCreateParams {
  const char* WinClassName = "Q.Control";  // registered on first use
  const char* BaseClassName = nullptr;     // system class extended (superclassed), or null
  UINT ClassStyle = 0;                     // class style of an own (not superclassed) class
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::string Caption;
  bool PaintsItself = false;  // WM_PAINT and WM_PRINTCLIENT go to PaintWindow

  // The style the window gets: one that paints itself never paints over its
  // children.
  DWORD WindowStyle() const { return PaintsItself ? Style | WS_CLIPCHILDREN : Style; }
};

class TForm;

class TWinControl : public TComponent {
  Q_GUI_CLASS(TWinControl, TComponent)

 public:
  explicit TWinControl(TComponent* owner);
  // Destroys the child controls first (whoever owns them), then the window.
  ~TWinControl() override;

  // --- Containment
  TWinControl* Parent() const { return parent_; }
  // Moves the control under `parent` (null: no parent); when the parent has
  // a window the control's window is made (or remade) there.
  q::Error SetParent(TWinControl* parent);
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TWinControl* Control(int i) const { return controls_[static_cast<size_t>(i)]; }
  // The form this control sits on (a form answers itself), or null.
  TForm* ParentForm();
  virtual TForm* AsForm() { return nullptr; }
  // Push buttons answer true (the focus logic treats them apart).
  virtual bool IsButton() const { return false; }

  // --- Window
  HWND Handle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Makes this control's window and then its children's. Overrides call the
  // base first and may then do their own work with the window.
  virtual q::Error CreateHandle();
  void DestroyHandle();
  // The control whose window `window` is, or null for foreign windows.
  static TWinControl* FromHandle(HWND window);
  // Runs WndProc directly (no window needed) and returns the result.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  void Invalidate();
  void Repaint();  // invalidate and paint now

  // --- Bounds, in the parent's client coordinates (screen for forms)
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // The client area (inside the window's frame), at (0, 0).
  RECT ClientRect() const;
  int ClientWidth() const {
    RECT r = ClientRect();
    return r.right;
  }
  int ClientHeight() const {
    RECT r = ClientRect();
    return r.bottom;
  }
  void SetClientSize(int width, int height);
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

  // Alignment: children with alTop, alBottom, alLeft, alRight take the
  // full width (height) left in the parent's client area, in that order of
  // kinds and each kind in creation order; alClient takes what remains.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);
  // AutoSize: the size follows the content (children's extent; text for a
  // label) in the directions the alignment leaves free.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  // Lays out the children again (not while loading).
  void Realign();

  // --- Look
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool on);
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool on);
  // The realised font (owned by the control).
  HFONT FontHandle();
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string text);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c) { cursor_ = c; }

  // --- State
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool on);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);
  // Sorts siblings by TabOrder, equal ones keeping their order.
  static void SortByTabOrder(std::vector<TWinControl*>& list);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on);
  bool Focused() const;
  // Has a window that is visible and enabled, as are all its parents.
  virtual bool CanFocus() const;
  void SetFocus();
  // True when the pointer is over the control (between CM_MOUSEENTER and
  // CM_MOUSELEAVE).
  bool MouseInside() const { return mouseInside_; }

  q::Error SetParentComponent(TComponent* parent) override;
  q::Error SetProperty(std::string_view name, const TValue& value) override;
  void Loaded() override;

 protected:
  // The window-parameters hook: class, styles, bounds. Overrides call the
  // base first and then adjust.
  virtual void CreateParams(TCreateParams& params);
  // The message hook: every message of the window and every Perform.
  virtual void WndProc(TMessage& m);
  // What the window does by default (the system class's procedure): the
  // end of every message's path.
  void DefaultHandler(TMessage& m);
  // The paint hook of a control that paints itself (TCreateParams::
  // PaintsItself): called with the paint DC (from BeginPaint, or the DC in
  // wParam).
  virtual void PaintWindow(HDC dc);
  // Shrinks the client rectangle to the area aligned children share
  // (panels take off their bevels and border).
  virtual void AdjustClientRect(RECT& r);
  // The content size for AutoSize; false when there is nothing to fit.
  virtual bool PreferredSize(int& width, int& height);
  // A brush of the control's colour (owned by the control).
  HBRUSH ColorBrush();
  // Something about this control changed the layout around it: realigns
  // the parent (or the nearest container above that does not size itself).
  void RequestParentAlign();

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  bool DropUnfocusedPress(TMessage& m);
  void TrackMouse(bool inside);
  bool SetCursorFor(TMessage& m);
  // Lays out this control's children and theirs, whatever the loading flag.
  void AlignTree();
  // Sets the stored bounds and moves the window; `own` makes the size the
  // control's own (explicit) size, which alignment does not. True when the
  // size changed.
  bool Place(int left, int top, int width, int height, bool own);
  void Attach(HWND hwnd);
  void Detach();
  void UpdateBoundsFromWindow();
  HWND ReflectionTarget(const TMessage& m) const;
  void MoveWindowTo(int left, int top, int width, int height);
  SIZE FrameSize() const;
  void ApplyParentColor();
  void ApplyParentFont();
  void FontChanged();
  void MoveFocusAway();
  bool Dying() const;

  TWinControl* parent_ = nullptr;
  std::vector<TWinControl*> controls_;  // children in creation order
  HWND handle_ = nullptr;
  WNDPROC defProc_ = nullptr;
  bool ownClass_ = true;
  int ctrlId_ = 0;
  int nextCtrlId_ = 100;  // used on top-level controls

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int explicitWidth_ = 0, explicitHeight_ = 0;
  TAlign align_ = alNone;
  bool autoSize_ = false;
  bool aligning_ = false;

  TColor color_ = clBtnFace;
  bool parentColor_ = false;
  q::BrushHandle colorBrush_;
  TFont font_;
  bool parentFont_ = true;
  q::FontHandle fontObj_;
  std::string caption_;
  TCursor cursor_ = crDefault;

  bool visible_ = true;
  bool enabled_ = true;
  int tabOrder_ = -1;
  bool tabStop_ = false;
  bool paintsItself_ = false;
  bool mouseInside_ = false;
  bool destroying_ = false;

  friend class TForm;
};

// A control that paints itself on a canvas (panels, labels).
class TCustomControl : public TWinControl {
  Q_GUI_CLASS(TCustomControl, TWinControl)

 public:
  explicit TCustomControl(TComponent* owner);
  // Valid inside Paint (attached to the paint DC).
  TCanvas& Canvas() { return canvas_; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(HDC dc) override;
  // Draws the whole client area; the default fills it with Color.
  virtual void Paint();

 private:
  TCanvas canvas_;
};

}  // namespace gui
