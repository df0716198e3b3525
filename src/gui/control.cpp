#include "gui/control.h"

#include <algorithm>

#include "common/message.h"
#include "gui/application.h"
#include "gui/forms.h"

namespace gui {
namespace {

constexpr const char* kControlProp = "Q.Control";

// The control whose window is being made on this thread: the window
// procedure attaches it on the window's first message (which may come
// before WM_NCCREATE for top-level windows). Kept in a slot of the system's
// thread-local storage: the compiler's thread_local would link its
// emulation into every program.
DWORD CreatingSlot() {
  static const DWORD slot = ::TlsAlloc();
  return slot;
}

TWinControl* Creating() { return static_cast<TWinControl*>(::TlsGetValue(CreatingSlot())); }
void SetCreating(TWinControl* c) { ::TlsSetValue(CreatingSlot(), c); }

}  // namespace

HCURSOR CursorHandle(TCursor cursor) {
  LPCSTR id = nullptr;
  switch (cursor) {
    case crDefault: return nullptr;
    case crArrow: id = IDC_ARROW; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crHandPoint: id = IDC_HAND; break;
  }
  return ::LoadCursorA(nullptr, id);
}

// --- Life ----------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {}

TWinControl::~TWinControl() {
  destroying_ = true;
  while (!controls_.empty()) delete controls_.back();
  DestroyHandle();
  if (parent_) {
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_ = nullptr;
  }
}

bool TWinControl::Dying() const {
  for (const TWinControl* c = this; c; c = c->parent_) {
    if (c->destroying_) return true;
  }
  return false;
}

q::Error TWinControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return {};
  for (TWinControl* p = parent; p; p = p->parent_) {
    if (p == this) return q::Error::Fail("a control cannot be its own parent");
  }
  if (parent_) {
    TWinControl* old = parent_;
    auto& list = old->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_ = nullptr;
    DestroyHandle();
    old->Realign();
  }
  parent_ = parent;
  if (!parent_) return {};
  parent_->controls_.push_back(this);
  if (tabOrder_ < 0) tabOrder_ = static_cast<int>(parent_->controls_.size()) - 1;
  if (parentColor_) ApplyParentColor();
  if (parentFont_) ApplyParentFont();
  if (parent_->handle_) {
    if (q::Error e = CreateHandle()) return e;
  }
  RequestParentAlign();
  return {};
}

TForm* TWinControl::ParentForm() {
  for (TWinControl* c = this; c; c = c->parent_) {
    if (TForm* f = c->AsForm()) return f;
  }
  return nullptr;
}

// --- Window --------------------------------------------------------------------

void TWinControl::CreateParams(TCreateParams& p) {
  p.WinClassName = "Q.Control";
  p.Style = WS_CLIPCHILDREN;
  if (parent_) {
    p.Style |= WS_CHILD | WS_CLIPSIBLINGS;
    p.WndParent = parent_->handle_;
  }
  if (visible_) p.Style |= WS_VISIBLE;
  if (!enabled_) p.Style |= WS_DISABLED;
  if (tabStop_) p.Style |= WS_TABSTOP;
  p.X = left_;
  p.Y = top_;
  p.Width = width_;
  p.Height = height_;
  p.Caption = caption_;
}

namespace {

q::Error RegisterFor(const TCreateParams& p, WNDPROC proc, WNDPROC& base) {
  HINSTANCE inst = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (p.BaseClassName) {
    WNDCLASSEXA bc{};
    bc.cbSize = sizeof bc;
    if (!::GetClassInfoExA(nullptr, p.BaseClassName, &bc)) {
      return q::Error::Fail(std::string("window class ") + p.BaseClassName + " is not available");
    }
    base = bc.lpfnWndProc;
    if (::GetClassInfoExA(inst, p.WinClassName, &existing)) return {};
    bc.hInstance = inst;
    bc.lpszClassName = p.WinClassName;
    bc.lpfnWndProc = proc;
    bc.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    if (!::RegisterClassExA(&bc)) {
      return q::Error::Fail(std::string("cannot register window class ") + p.WinClassName);
    }
    return {};
  }
  base = ::DefWindowProcA;
  if (::GetClassInfoExA(inst, p.WinClassName, &existing)) return {};
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = p.ClassStyle;
  wc.lpfnWndProc = proc;
  wc.hInstance = inst;
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = p.WinClassName;
  if (!::RegisterClassExA(&wc)) {
    return q::Error::Fail(std::string("cannot register window class ") + p.WinClassName);
  }
  return {};
}

}  // namespace

q::Error TWinControl::CreateHandle() {
  if (!handle_) {
    if (parent_ && !parent_->handle_) {
      return q::Error::Fail(Name() + ": the parent has no window");
    }
    TCreateParams p;
    CreateParams(p);
    WNDPROC base = nullptr;
    if (q::Error e = RegisterFor(p, &StaticWndProc, base)) return std::move(e).WithContext(Name());
    defProc_ = base;
    ownClass_ = p.BaseClassName == nullptr;
    paintsItself_ = p.PaintsItself;
    HMENU id = nullptr;
    if (p.Style & WS_CHILD) {
      TWinControl* top = this;
      while (top->parent_) top = top->parent_;
      ctrlId_ = top->nextCtrlId_++;
      id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(ctrlId_));
    }
    SetCreating(this);
    HWND hwnd =
        ::CreateWindowExA(p.ExStyle, p.WinClassName, p.Caption.c_str(), p.WindowStyle(), p.X, p.Y,
                          p.Width, p.Height, p.WndParent, id, ::GetModuleHandleA(nullptr), nullptr);
    SetCreating(nullptr);
    if (!hwnd) {
      return q::Error::Failf("%s: cannot create the window (error %u)", Name(), ::GetLastError());
    }
    if (handle_ != hwnd) Attach(hwnd);
    if (!ownClass_) ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    // Later siblings lie on top of earlier ones, as a designer shows them.
    if (p.Style & WS_CHILD) {
      ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  for (TWinControl* child : controls_) {
    if (q::Error e = child->CreateHandle()) return e;
  }
  return {};
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  HWND hwnd = handle_;
  ::DestroyWindow(hwnd);  // children's windows go with it
  if (handle_ == hwnd) Detach();
}

void TWinControl::Attach(HWND hwnd) {
  handle_ = hwnd;
  ::SetPropA(hwnd, kControlProp, this);
}

void TWinControl::Detach() {
  if (handle_) ::RemovePropA(handle_, kControlProp);
  handle_ = nullptr;
  mouseInside_ = false;
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (!window) return nullptr;
  return static_cast<TWinControl*>(::GetPropA(window, kControlProp));
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* c = FromHandle(hwnd);
  if (!c) {
    c = Creating();
    if (!c) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    SetCreating(nullptr);
    c->Attach(hwnd);
  }
  return c->MainWndProc(msg, wParam, lParam);
}

LRESULT TWinControl::MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  // While the object is being torn down its overrides are gone: the window
  // only gets its default behaviour.
  if (Dying()) {
    DefaultHandler(m);
  } else if (!DropUnfocusedPress(m)) {
    WndProc(m);
  }
  if (msg == WM_NCDESTROY) Detach();
  return m.Result;
}

// A push button takes the focus before it sees a press, so that the focus
// notifications come first; a press on one that cannot take the focus is
// dropped (true).
bool TWinControl::DropUnfocusedPress(TMessage& m) {
  if (!IsButton() || (m.Msg != WM_LBUTTONDOWN && m.Msg != WM_LBUTTONDBLCLK) || !handle_ ||
      ::GetFocus() == handle_) {
    return false;
  }
  ::SetFocus(handle_);
  if (::GetFocus() == handle_) return false;
  m.Result = 0;
  return true;
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!handle_ || !defProc_ || IsFrameworkMessage(m.Msg)) {
    m.Result = 0;
    return;
  }
  m.Result = ::CallWindowProcA(defProc_, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::Invalidate() {
  if (handle_) ::InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (!handle_) return;
  ::InvalidateRect(handle_, nullptr, TRUE);
  ::UpdateWindow(handle_);
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

HBRUSH TWinControl::ColorBrush() {
  if (!colorBrush_) colorBrush_.Reset(::CreateSolidBrush(ColorToRGB(color_)));
  return colorBrush_.Get();
}

// The child a notification of the parent is about, or null.
HWND TWinControl::ReflectionTarget(const TMessage& m) const {
  switch (m.Msg) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: return reinterpret_cast<HWND>(m.LParam);
    case WM_NOTIFY: return m.LParam ? reinterpret_cast<const NMHDR*>(m.LParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:
      return m.LParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:  // the item is found by its control id
      return m.LParam
                 ? ::GetDlgItem(handle_,
                                static_cast<int>(
                                    reinterpret_cast<const MEASUREITEMSTRUCT*>(m.LParam)->CtlID))
                 : nullptr;
    default: return nullptr;
  }
}

void TWinControl::WndProc(TMessage& m) {
  // Notifications for a child go back to the child as CN_* messages.
  if (HWND child = ReflectionTarget(m)) {
    if (TWinControl* c = FromHandle(child); c && c != this) {
      m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
      if (paintsItself_) {
        if (m.WParam) {
          PaintWindow(reinterpret_cast<HDC>(m.WParam));
        } else if (m.Msg == WM_PAINT) {
          PAINTSTRUCT ps;
          HDC dc = ::BeginPaint(handle_, &ps);
          PaintWindow(dc);
          ::EndPaint(handle_, &ps);
        } else {
          PaintWindow(nullptr);
        }
        m.Result = 0;
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (ownClass_) {
        RECT r;
        ::GetClientRect(handle_, &r);
        ::FillRect(reinterpret_cast<HDC>(m.WParam), &r, ColorBrush());
        m.Result = 1;
        return;
      }
      break;
    case WM_SIZE:
    case WM_MOVE: {
      int oldW = width_, oldH = height_;
      DefaultHandler(m);
      UpdateBoundsFromWindow();
      if ((width_ != oldW || height_ != oldH) && !aligning_) Realign();
      return;
    }
    case WM_SETFOCUS:
      DefaultHandler(m);
      if (TForm* f = ParentForm()) f->FocusChanged(this);
      return;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE: TrackMouse(m.Msg == WM_MOUSEMOVE); break;
    case WM_SETCURSOR:
      if (SetCursorFor(m)) return;
      break;
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      ::SetTextColor(dc, ColorToRGB(font_.Color));
      ::SetBkColor(dc, ColorToRGB(color_));
      m.Result = reinterpret_cast<LRESULT>(ColorBrush());
      return;
    }
    default: break;
  }
  DefaultHandler(m);
}

// Mouse enter and leave: the first move inside asks for the leave message
// and sends CM_MOUSEENTER; the leave sends CM_MOUSELEAVE.
void TWinControl::TrackMouse(bool inside) {
  if (inside == mouseInside_) return;
  if (inside) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = handle_;
    ::TrackMouseEvent(&tme);
  }
  mouseInside_ = inside;
  Perform(inside ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
}

// The application's cursor (the hourglass while work runs), else the
// control's own over its client area; false when neither is set.
bool TWinControl::SetCursorFor(TMessage& m) {
  TCursor c = crDefault;
  if (TApplication* app = Application()) c = app->Cursor();
  if (c == crDefault && LOWORD(m.LParam) == HTCLIENT &&
      reinterpret_cast<HWND>(m.WParam) == handle_) {
    c = cursor_;
  }
  if (c == crDefault) return false;
  ::SetCursor(CursorHandle(c));
  m.Result = TRUE;
  return true;
}

// --- Bounds and alignment --------------------------------------------------

SIZE TWinControl::FrameSize() const {
  TCreateParams p;
  const_cast<TWinControl*>(this)->CreateParams(p);
  RECT r{0, 0, 0, 0};
  ::AdjustWindowRectEx(&r, p.Style & ~static_cast<DWORD>(WS_VISIBLE), FALSE, p.ExStyle);
  return {r.right - r.left, r.bottom - r.top};
}

RECT TWinControl::ClientRect() const {
  if (handle_) {
    RECT r;
    ::GetClientRect(handle_, &r);
    return r;
  }
  SIZE f = FrameSize();
  return {0, 0, std::max(0, width_ - static_cast<int>(f.cx)),
          std::max(0, height_ - static_cast<int>(f.cy))};
}

void TWinControl::SetClientSize(int width, int height) {
  SIZE f = FrameSize();
  SetBounds(left_, top_, width + f.cx, height + f.cy);
}

void TWinControl::MoveWindowTo(int left, int top, int width, int height) {
  if (!handle_) return;
  aligning_ = true;
  ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  aligning_ = false;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (Place(left, top, width, height, true)) RequestParentAlign();
}

bool TWinControl::Place(int left, int top, int width, int height, bool own) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (own) {
    explicitWidth_ = width;
    explicitHeight_ = height;
  }
  if (left == left_ && top == top_ && width == width_ && height == height_) return false;
  bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  MoveWindowTo(left, top, width, height);
  if (resized) Realign();
  return true;
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!handle_) return;
  RECT r;
  ::GetWindowRect(handle_, &r);
  if (HWND p = ::GetParent(handle_); p && (::GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD)) {
    ::MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

void TWinControl::SetAlign(TAlign a) {
  if (a == align_) return;
  align_ = a;
  RequestParentAlign();
}

void TWinControl::SetAutoSize(bool on) {
  if (on == autoSize_) return;
  autoSize_ = on;
  RequestParentAlign();
}

// A change in a child can change the size of every auto-sizing container
// above it: the layout restarts above the last of them.
void TWinControl::RequestParentAlign() {
  TWinControl* c = parent_;
  if (!c) return;
  while (c->autoSize_ && c->parent_) c = c->parent_;
  c->Realign();
}

void TWinControl::AdjustClientRect(RECT&) {}

bool TWinControl::PreferredSize(int& width, int& height) {
  bool any = false;
  RECT area = ClientRect();
  AdjustClientRect(area);
  const int marginX = width_ - (area.right - area.left);
  const int marginY = height_ - (area.bottom - area.top);
  int stackX = 0, stackY = 0, fillX = 0, fillY = 0, extentX = 0, extentY = 0;
  for (TWinControl* c : controls_) {
    if (!c->visible_) continue;
    any = true;
    int w = c->width_, h = c->height_;
    if (c->autoSize_) c->PreferredSize(w, h);
    switch (c->align_) {
      case alTop:
      case alBottom: stackY += h; break;
      case alLeft:
      case alRight: stackX += w; break;
      // A filling child asks for the size it was given, not the one the
      // alignment stretched it to.
      case alClient:
        fillX = std::max(fillX, c->explicitWidth_);
        fillY = std::max(fillY, c->explicitHeight_);
        break;
      case alNone:
        extentX = std::max(extentX, c->left_ + w - static_cast<int>(area.left));
        extentY = std::max(extentY, c->top_ + h - static_cast<int>(area.top));
        break;
    }
  }
  if (!any) return false;
  width = marginX + std::max(stackX + fillX, extentX);
  height = marginY + std::max(stackY + fillY, extentY);
  return true;
}

void TWinControl::Realign() {
  if (IsLoading() || Dying()) return;
  AlignTree();
}

void TWinControl::AlignTree() {
  RECT r = ClientRect();
  AdjustClientRect(r);
  static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient, alNone};
  for (TAlign kind : kOrder) {
    for (TWinControl* c : controls_) {
      if (c->align_ != kind || !c->visible_) continue;
      int w = c->width_, h = c->height_;
      int pw = w, ph = h;
      bool sized = c->autoSize_ && c->PreferredSize(pw, ph);
      switch (kind) {
        case alTop:
          if (sized) h = ph;
          c->Place(r.left, r.top, r.right - r.left, h, false);
          r.top += h;
          break;
        case alBottom:
          if (sized) h = ph;
          c->Place(r.left, r.bottom - h, r.right - r.left, h, false);
          r.bottom -= h;
          break;
        case alLeft:
          if (sized) w = pw;
          c->Place(r.left, r.top, w, r.bottom - r.top, false);
          r.left += w;
          break;
        case alRight:
          if (sized) w = pw;
          c->Place(r.right - w, r.top, w, r.bottom - r.top, false);
          r.right -= w;
          break;
        case alClient: c->Place(r.left, r.top, r.right - r.left, r.bottom - r.top, false); break;
        case alNone:
          if (sized) c->Place(c->left_, c->top_, pw, ph, false);
          break;
      }
    }
  }
  for (TWinControl* c : controls_) c->AlignTree();
}

// --- Look ------------------------------------------------------------------------

void TWinControl::SetColor(TColor c) {
  parentColor_ = false;
  if (c == color_) return;
  color_ = c;
  colorBrush_.Reset();
  Perform(CM_COLORCHANGED);
  Invalidate();
  for (TWinControl* child : controls_) {
    if (child->parentColor_) child->ApplyParentColor();
  }
}

void TWinControl::SetParentColor(bool on) {
  parentColor_ = on;
  if (on) ApplyParentColor();
}

void TWinControl::ApplyParentColor() {
  if (!parent_) return;
  SetColor(parent_->color_);
  parentColor_ = true;
}

void TWinControl::SetFont(const TFont& font) {
  parentFont_ = false;
  if (font == font_) return;
  font_ = font;
  FontChanged();
}

void TWinControl::SetParentFont(bool on) {
  parentFont_ = on;
  if (on) ApplyParentFont();
}

void TWinControl::ApplyParentFont() {
  if (!parent_ || parent_->font_ == font_) return;
  font_ = parent_->font_;
  FontChanged();
}

void TWinControl::FontChanged() {
  fontObj_.Reset();
  if (handle_ && !ownClass_) {
    ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
  }
  Perform(CM_FONTCHANGED);
  Invalidate();
  for (TWinControl* child : controls_) {
    if (child->parentFont_) child->ApplyParentFont();
  }
  if (autoSize_) RequestParentAlign();
}

HFONT TWinControl::FontHandle() {
  if (!fontObj_) {
    LOGFONTA lf = font_.ToLogFont();
    fontObj_.Reset(::CreateFontIndirectA(&lf));
  }
  return fontObj_.Get();
}

void TWinControl::SetCaption(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  if (handle_) ::SetWindowTextA(handle_, caption_.c_str());
  Perform(CM_TEXTCHANGED);
  Invalidate();
  if (autoSize_) RequestParentAlign();
}

// --- State -----------------------------------------------------------------------

// Hiding or disabling the control that holds the focus hands the focus on
// to the next control (or to the form), so keys never go to a window the
// user cannot see.
void TWinControl::MoveFocusAway() {
  if (!handle_) return;
  HWND focus = ::GetFocus();
  if (!focus || (focus != handle_ && !::IsChild(handle_, focus))) return;
  if (TForm* f = ParentForm(); f && f != this) f->DefocusControl(this);
}

void TWinControl::SetVisible(bool on) {
  if (on == visible_) return;
  if (!on) MoveFocusAway();
  visible_ = on;
  if (handle_) ::ShowWindow(handle_, on ? SW_SHOWNA : SW_HIDE);
  Perform(CM_VISIBLECHANGED, on ? 1 : 0);
  RequestParentAlign();
}

void TWinControl::SetEnabled(bool on) {
  if (on == enabled_) return;
  if (!on) MoveFocusAway();
  enabled_ = on;
  if (handle_) ::EnableWindow(handle_, on ? TRUE : FALSE);
  Perform(CM_ENABLEDCHANGED, on ? 1 : 0);
  Invalidate();
}

// Insertion: a parent's controls are few, and std::stable_sort's merging
// would add some 4 KB to every program.
void TWinControl::SortByTabOrder(std::vector<TWinControl*>& list) {
  for (size_t i = 1; i < list.size(); ++i) {
    TWinControl* c = list[i];
    size_t j = i;
    for (; j > 0 && list[j - 1]->tabOrder_ > c->tabOrder_; --j) list[j] = list[j - 1];
    list[j] = c;
  }
}

void TWinControl::SetTabOrder(int order) {
  if (!parent_ || IsLoading()) {
    tabOrder_ = order;
    return;
  }
  // Renumber the siblings 0..n-1 with this one at `order`.
  std::vector<TWinControl*> list = parent_->controls_;
  SortByTabOrder(list);
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
  for (size_t i = 0; i < list.size(); ++i) list[i]->tabOrder_ = static_cast<int>(i);
}

void TWinControl::SetTabStop(bool on) {
  tabStop_ = on;
  if (handle_) {
    LONG_PTR style = ::GetWindowLongPtrA(handle_, GWL_STYLE);
    style = on ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    ::SetWindowLongPtrA(handle_, GWL_STYLE, style);
  }
}

bool TWinControl::Focused() const { return handle_ && ::GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  if (!handle_) return false;
  for (const TWinControl* c = this; c; c = c->parent_) {
    if (!c->visible_ || !c->enabled_) return false;
  }
  return true;
}

void TWinControl::SetFocus() {
  TForm* f = ParentForm();
  if (f && f != this && !::IsWindowVisible(f->Handle())) {
    f->SetActiveControl(this);
    return;
  }
  if (CanFocus()) ::SetFocus(handle_);
}

// --- Layout properties -----------------------------------------------------

q::Error TWinControl::SetParentComponent(TComponent* parent) {
  if (!parent || !parent->InheritsFrom(TWinControl::kClassName)) return {};
  return SetParent(static_cast<TWinControl*>(parent));
}

namespace {

using C = TWinControl;
// constexpr: the compiler lays the tables out, no start-up code fills them.
constexpr TSetter<C, int> kIntSetters[] = {
    {"Left", &C::SetLeft},
    {"Top", &C::SetTop},
    {"Width", &C::SetWidth},
    {"Height", &C::SetHeight},
    {"ClientWidth", &C::SetClientWidth},
    {"ClientHeight", &C::SetClientHeight},
    {"TabOrder", &C::SetTabOrder},
};
constexpr TSetter<C, bool> kBoolSetters[] = {
    {"Visible", &C::SetVisible},       {"Enabled", &C::SetEnabled},
    {"AutoSize", &C::SetAutoSize},     {"ParentColor", &C::SetParentColor},
    {"ParentFont", &C::SetParentFont}, {"TabStop", &C::SetTabStop},
};
constexpr TSetter<C, TColor> kColorSetters[] = {{"Color", &C::SetColor}};
constexpr TSetter<C, std::string> kStringSetters[] = {{"Caption", &C::SetCaption}};

// One "Font.X" property into `f`; false when X is no font property.
bool ReadFontProperty(std::string_view sub, const TValue& v, TFont& f, q::Error& e) {
  static constexpr const char* kNames[] = {"Name", "Height", "Size", "Color", "Style", "Charset"};
  const int i = IndexOf(kNames, sub);
  if (i == 0) {
    e = v.ToString(f.Name);
  } else if (i == 1) {
    e = v.ToInt(f.Height);
  } else if (i == 2) {  // Size: points at 96 pixels per inch
    int points = 0;
    e = v.ToInt(points);
    f.Height = -(points * 96 + 36) / 72;
  } else if (i == 3) {
    e = v.ToColor(f.Color);
  } else if (i == 4) {
    static constexpr TEnumName kStyles[] = {{"fsBold", fsBold},
                                            {"fsItalic", fsItalic},
                                            {"fsUnderline", fsUnderline},
                                            {"fsStrikeOut", fsStrikeOut}};
    e = v.ToSet(kStyles, f.Style);
  } else if (i == 5) {
    int cs = 0;
    static constexpr TEnumName kCharsets[] = {{"ANSI_CHARSET", ANSI_CHARSET},
                                              {"DEFAULT_CHARSET", DEFAULT_CHARSET},
                                              {"SYMBOL_CHARSET", SYMBOL_CHARSET},
                                              {"OEM_CHARSET", OEM_CHARSET}};
    e = v.ToEnum(kCharsets, cs);
    if (e && v.kind == TValue::Kind::Int) e = v.ToInt(cs);
    f.Charset = static_cast<uint8_t>(cs);
  } else {
    return false;
  }
  return true;
}

}  // namespace

q::Error TWinControl::SetProperty(std::string_view name, const TValue& v) {
  q::Error e;
  if (ApplySetter(*this, kIntSetters, name, v, &TValue::ToInt, e) ||
      ApplySetter(*this, kBoolSetters, name, v, &TValue::ToBool, e) ||
      ApplySetter(*this, kColorSetters, name, v, &TValue::ToColor, e) ||
      ApplySetter(*this, kStringSetters, name, v, &TValue::ToString, e)) {
    return e;
  }
  static constexpr const char* kNames[] = {"Align", "Cursor"};
  const int i = IndexOf(kNames, name);
  if (i == 0) {
    TAlign a = alNone;
    static constexpr TEnumName kAligns[] = {{"alNone", alNone},     {"alTop", alTop},
                                            {"alBottom", alBottom}, {"alLeft", alLeft},
                                            {"alRight", alRight},   {"alClient", alClient}};
    e = v.ToEnum(kAligns, a);
    if (!e) SetAlign(a);
    return e;
  }
  if (i == 1) {
    TCursor c = crDefault;
    static constexpr TEnumName kCursors[] = {{"crDefault", crDefault},
                                             {"crArrow", crArrow},
                                             {"crIBeam", crIBeam},
                                             {"crHourGlass", crHourGlass},
                                             {"crHandPoint", crHandPoint}};
    e = v.ToEnum(kCursors, c);
    if (!e) SetCursor(c);
    return e;
  }
  if (name.substr(0, 5) == "Font.") {
    TFont f = font_;
    if (ReadFontProperty(name.substr(5), v, f, e)) {
      if (!e) SetFont(f);
      return e;
    }
  }
  return TComponent::SetProperty(name, v);
}

void TWinControl::Loaded() {
  TComponent::Loaded();
  Realign();
}

// --- TCustomControl ------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.PaintsItself = true;
}

void TCustomControl::PaintWindow(HDC dc) {
  canvas_.SetHandle(dc);
  canvas_.Lock();
  Paint();
  canvas_.Unlock();
  canvas_.SetHandle(nullptr);
}

void TCustomControl::Paint() {
  canvas_.SetBrushColor(Color());
  canvas_.FillRect(ClientRect());
}

}  // namespace gui
