#include "gui/stdctrls.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "gui/application.h"
#include "gui/forms.h"

namespace gui {

void Frame3D(TCanvas& canvas, RECT& r, TColor topLeft, TColor bottomRight, int width) {
  for (int i = 0; i < width && r.right - r.left > 1 && r.bottom - r.top > 1; ++i) {
    canvas.SetBrushColor(topLeft);
    canvas.FillRect({r.left, r.top, r.right - 1, r.top + 1});
    canvas.FillRect({r.left, r.top, r.left + 1, r.bottom - 1});
    canvas.SetBrushColor(bottomRight);
    canvas.FillRect({r.right - 1, r.top, r.right, r.bottom});
    canvas.FillRect({r.left, r.bottom - 1, r.right, r.bottom});
    ::InflateRect(&r, -1, -1);
  }
}

namespace {

q::Error ReadAlignment(const TValue& v, TAlignment& a) {
  static constexpr TEnumName kAlignments[] = {
      {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
  return v.ToEnum(kAlignments, a);
}

UINT AlignmentFlag(TAlignment a) {
  return a == taCenter ? DT_CENTER : a == taRightJustify ? DT_RIGHT : DT_LEFT;
}

char Upper(char c) {
  auto p = reinterpret_cast<UINT_PTR>(
      ::CharUpperA(reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<unsigned char>(c)))));
  return static_cast<char>(p & 0xFF);
}

}  // namespace

char AcceleratorOf(std::string_view caption) {
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (i + 1 >= caption.size()) return 0;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

// --- TPanel ------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.WinClassName = "Q.Panel";
  p.ExStyle |= WS_EX_CONTROLPARENT;
  if (borderSingle_) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TPanel::AdjustClientRect(RECT& r) {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  ::InflateRect(&r, -inset, -inset);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
}

void TPanel::FrameChanged() {
  if (HandleAllocated()) {
    LONG_PTR ex = ::GetWindowLongPtrA(Handle(), GWL_EXSTYLE);
    ex = borderSingle_ ? (ex | WS_EX_CLIENTEDGE) : (ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
    ::SetWindowLongPtrA(Handle(), GWL_EXSTYLE, ex);
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  Realign();
  RequestParentAlign();
  Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut b) {
  if (b == bevelOuter_) return;
  bevelOuter_ = b;
  FrameChanged();
}

void TPanel::SetBevelInner(TBevelCut b) {
  if (b == bevelInner_) return;
  bevelInner_ = b;
  FrameChanged();
}

void TPanel::SetBevelWidth(int w) {
  if (w < 1 || w == bevelWidth_) return;
  bevelWidth_ = w;
  FrameChanged();
}

void TPanel::SetBorderWidth(int w) {
  if (w < 0 || w == borderWidth_) return;
  borderWidth_ = w;
  FrameChanged();
}

void TPanel::SetBorderSingle(bool on) {
  if (on == borderSingle_) return;
  borderSingle_ = on;
  FrameChanged();
}

void TPanel::SetAlignment(TAlignment a) {
  alignment_ = a;
  Invalidate();
}

void TPanel::Paint() {
  TCanvas& c = Canvas();
  RECT r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor light = clBtnHighlight, dark = clBtnShadow;
    if (cut == bvLowered) std::swap(light, dark);
    Frame3D(c, r, light, dark, bevelWidth_);
  };
  bevel(bevelOuter_);
  Frame3D(c, r, Color(), Color(), borderWidth_);
  bevel(bevelInner_);
  c.SetBrushColor(Color());
  c.FillRect(r);
  if (!Caption().empty()) {
    c.SetFont(Font());
    c.SetBrushStyle(TBrushStyle::bsClear);
    HDC dc = c.Handle();
    c.FontHandle();
    ::DrawTextA(dc, Caption().c_str(), -1, &r,
                AlignmentFlag(alignment_) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

q::Error TPanel::SetProperty(std::string_view name, const TValue& v) {
  static constexpr const char* kNames[] = {"BevelOuter",  "BevelInner",  "BevelWidth",
                                           "BorderWidth", "BorderStyle", "Alignment"};
  const int i = IndexOf(kNames, name);
  if (i == 0 || i == 1) {
    TBevelCut b = bvNone;
    static constexpr TEnumName kCuts[] = {
        {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}};
    if (q::Error e = v.ToEnum(kCuts, b)) return e;
    i == 0 ? SetBevelOuter(b) : SetBevelInner(b);
    return {};
  }
  if (i == 2 || i == 3) {
    int w = 0;
    if (q::Error e = v.ToInt(w)) return e;
    if (w < (i == 2 ? 1 : 0)) return v.Refused("out of range: ");
    i == 2 ? SetBevelWidth(w) : SetBorderWidth(w);
    return {};
  }
  if (i == 4) {
    bool single = false;
    static constexpr TEnumName kStyles[] = {{"bsNone", false}, {"bsSingle", true}};
    if (q::Error e = v.ToEnum(kStyles, single)) return e;
    SetBorderSingle(single);
    return {};
  }
  if (i == 5) {
    TAlignment a = taCenter;
    if (q::Error e = ReadAlignment(v, a)) return e;
    SetAlignment(a);
    return {};
  }
  return TCustomControl::SetProperty(name, v);
}

// --- TLabel --------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 65, 13);
  SetParentColor(true);
}

void TLabel::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.WinClassName = "Q.Label";
}

UINT TLabel::TextFlags() const {
  UINT flags = DT_EXPANDTABS | AlignmentFlag(alignment_);
  if (wordWrap_) flags |= DT_WORDBREAK;
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  return flags;
}

void TLabel::Paint() {
  TCanvas& c = Canvas();
  RECT client = ClientRect();
  c.SetBrushColor(Color());
  c.FillRect(client);
  if (Caption().empty()) return;
  TFont font = Font();
  if (!Enabled()) font.Color = clGrayText;
  c.SetFont(font);
  c.SetBrushStyle(TBrushStyle::bsClear);
  c.FontHandle();  // selects the font and its colour
  HDC dc = c.Handle();
  RECT r = client;
  if (layout_ != tlTop) {
    RECT calc = client;
    ::DrawTextA(dc, Caption().c_str(), -1, &calc, TextFlags() | DT_CALCRECT);
    int h = calc.bottom - calc.top;
    r.top = layout_ == tlCenter ? (client.bottom - h) / 2 : client.bottom - h;
  }
  ::DrawTextA(dc, Caption().c_str(), -1, &r, TextFlags());
}

bool TLabel::PreferredSize(int& width, int& height) {
  q::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  if (!dc) return false;
  HGDIOBJ old = ::SelectObject(dc.Get(), FontHandle());
  RECT r{0, 0, wordWrap_ ? Width() : 32767, 0};
  ::DrawTextA(dc.Get(), Caption().empty() ? " " : Caption().c_str(), -1, &r,
              TextFlags() | DT_CALCRECT);
  ::SelectObject(dc.Get(), old);
  width = r.right - r.left;
  height = r.bottom - r.top;
  return true;
}

void TLabel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      pressed_ = true;
      ::SetCapture(Handle());
      m.Result = 0;
      return;
    case WM_LBUTTONUP:
      if (pressed_) {
        pressed_ = false;
        ::ReleaseCapture();
        POINT pt{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
        RECT r = ClientRect();
        if (::PtInRect(&r, pt)) Click();
      }
      m.Result = 0;
      return;
    case WM_CAPTURECHANGED: pressed_ = false; break;
    default: break;
  }
  TCustomControl::WndProc(m);
}

void TLabel::Click() {
  if (OnClick) OnClick(this);
}

void TLabel::SetAlignment(TAlignment a) {
  alignment_ = a;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout l) {
  layout_ = l;
  Invalidate();
}

void TLabel::SetWordWrap(bool on) {
  wordWrap_ = on;
  Invalidate();
  if (AutoSize()) RequestParentAlign();
}

void TLabel::SetShowAccelChar(bool on) {
  showAccelChar_ = on;
  Invalidate();
}

q::Error TLabel::SetProperty(std::string_view name, const TValue& v) {
  static constexpr const char* kNames[] = {"Alignment", "Layout", "WordWrap", "ShowAccelChar"};
  const int i = IndexOf(kNames, name);
  if (i == 0) {
    TAlignment a = taLeftJustify;
    if (q::Error e = ReadAlignment(v, a)) return e;
    SetAlignment(a);
    return {};
  }
  if (i == 1) {
    TTextLayout l = tlTop;
    static constexpr TEnumName kLayouts[] = {
        {"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}};
    if (q::Error e = v.ToEnum(kLayouts, l)) {
      return e;
    }
    SetLayout(l);
    return {};
  }
  if (i == 2 || i == 3) {
    bool b = false;
    if (q::Error e = v.ToBool(b)) return e;
    i == 2 ? SetWordWrap(b) : SetShowAccelChar(b);
    return {};
  }
  return TCustomControl::SetProperty(name, v);
}

// --- TProgressBar ----------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "Q.ProgressBar";
  p.BaseClassName = PROGRESS_CLASSA;
  if (smooth_) p.Style |= PBS_SMOOTH;
}

q::Error TProgressBar::CreateHandle() {
  InitCommonControlClasses(ICC_PROGRESS_CLASS);
  bool had = HandleAllocated();
  if (q::Error e = TWinControl::CreateHandle()) return e;
  if (!had) UpdateRange();
  return {};
}

void TProgressBar::UpdateRange() {
  if (!HandleAllocated()) return;
  ::SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  ::SendMessageA(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  ::SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  position_ = std::clamp(position_, min_, max_);
  UpdateRange();
}

void TProgressBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  position_ = std::clamp(position_, min_, max_);
  UpdateRange();
}

void TProgressBar::SetPosition(int v) {
  position_ = std::clamp(v, min_, max_);
  if (HandleAllocated()) ::SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStep(int v) {
  step_ = v;
  if (HandleAllocated()) ::SendMessageA(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
}

void TProgressBar::SetSmooth(bool on) {
  if (on == smooth_) return;
  smooth_ = on;
  if (HandleAllocated()) {
    LONG_PTR style = ::GetWindowLongPtrA(Handle(), GWL_STYLE);
    style = on ? (style | PBS_SMOOTH) : (style & ~static_cast<LONG_PTR>(PBS_SMOOTH));
    ::SetWindowLongPtrA(Handle(), GWL_STYLE, style);
    Invalidate();
  }
}

void TProgressBar::StepIt() {
  long long next = static_cast<long long>(position_) + step_;
  SetPosition(next > max_ ? min_ : static_cast<int>(next));
}

q::Error TProgressBar::SetProperty(std::string_view name, const TValue& v) {
  static constexpr const char* kNames[] = {"Min", "Max", "Position", "Step", "Smooth"};
  const int i = IndexOf(kNames, name);
  if (i >= 0 && i < 4) {
    int x = 0;
    if (q::Error e = v.ToInt(x)) return e;
    if (i == 0) SetMin(x);
    if (i == 1) SetMax(x);
    if (i == 2) SetPosition(x);
    if (i == 3) SetStep(x);
    return {};
  }
  if (i == 4) {
    bool b = false;
    if (q::Error e = v.ToBool(b)) return e;
    SetSmooth(b);
    return {};
  }
  return TWinControl::SetProperty(name, v);
}

// --- TButton -----------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetParentColor(true);
}

void TButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "Q.Button";
  p.BaseClassName = "BUTTON";
  p.Style |= BS_PUSHBUTTON;
}

void TButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_FOCUSCHANGED: {
      auto* sender = reinterpret_cast<TWinControl*>(m.LParam);
      active_ = (sender && sender->IsButton()) ? sender == this : default_;
      SetButtonStyle(active_);
      m.Result = 0;
      return;
    }
    case CM_DIALOGKEY:
      if (((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) &&
          CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR: {
      char accel = AcceleratorOf(Caption());
      if (accel && Upper(static_cast<char>(m.WParam & 0xFF)) == Upper(accel) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    }
    case CN_COMMAND:
      if (HIWORD(m.WParam) == BN_CLICKED) {
        Click();
        m.Result = 0;
        return;
      }
      break;
    default: break;
  }
  TWinControl::WndProc(m);
}

void TButton::SetButtonStyle(bool active) {
  if (!HandleAllocated()) return;
  auto type = static_cast<UINT>(::GetWindowLongPtrA(Handle(), GWL_STYLE) & BS_TYPEMASK);
  if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return;
  UINT want = active ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if (type != want) ::SendMessageA(Handle(), BM_SETSTYLE, want, TRUE);
}

void TButton::SetDefault(bool on) {
  if (on == default_) return;
  default_ = on;
  if (IsLoading()) return;
  if (TForm* form = ParentForm(); form && form->HandleAllocated()) {
    TWinControl* focused = form->FocusedControl();
    form->NotifyControls(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focused ? focused : form));
  }
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}

q::Error TButton::SetProperty(std::string_view name, const TValue& v) {
  static constexpr const char* kNames[] = {"Default", "Cancel"};
  if (const int i = IndexOf(kNames, name); i >= 0) {
    bool b = false;
    if (q::Error e = v.ToBool(b)) return e;
    i == 0 ? SetDefault(b) : SetCancel(b);
    return {};
  }
  return TWinControl::SetProperty(name, v);
}

}  // namespace gui
