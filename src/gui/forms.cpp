#include "gui/forms.h"

#include <algorithm>

#include "gui/application.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"

namespace gui {

TForm::TForm() : TWinControl(nullptr) {
  visible_ = false;
  width_ = explicitWidth_ = 320;
  height_ = explicitHeight_ = 240;
}

TForm::~TForm() {
  if (TApplication* app = Application(); app && app->MainForm() == this) app->SetMainForm(nullptr);
}

TComponent* TForm::CreateComponent(std::string_view cls) {
  if (cls == TPanel::kClassName) return new TPanel(this);
  if (cls == TLabel::kClassName) return new TLabel(this);
  if (cls == TProgressBar::kClassName) return new TProgressBar(this);
  if (cls == TButton::kClassName) return new TButton(this);
  if (cls == TTimer::kClassName) return new TTimer(this);
  return nullptr;
}

template <typename Source, typename Read>
q::Error TForm::CreateFrom(const Source& source, Read read) {
  std::vector<TComponent*> created;
  BeginLoading();
  auto factory = [this](std::string_view cls) { return CreateComponent(cls); };
  if (q::Error e = read(source, *this, factory, created)) return e;
  // Windows are made at their aligned places, while still loading.
  AlignTree();
  if (q::Error e = CreateHandle()) return e;
  for (TComponent* c : created) {
    if (c != this) c->Loaded();
  }
  Loaded();
  if (q::Error e = BindComponents()) return std::move(e).WithContext(Name());
  DoCreate();
  return {};
}

q::Error TForm::CreateFromLayout(std::string_view layout) { return CreateFrom(layout, ReadLayout); }

q::Error TForm::CreateFromLayout(const TCompiledLayout& layout) {
  return CreateFrom(layout, ApplyLayout);
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::Loaded() {
  TWinControl::Loaded();
  if (!pendingActiveControl_.empty()) {
    TComponent* c = FindComponent(pendingActiveControl_);
    if (c && c->InheritsFrom(TWinControl::kClassName))
      activeControl_ = static_cast<TWinControl*>(c);
    pendingActiveControl_.clear();
  }
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "Q.Form";
  p.ClassStyle = CS_DBLCLKS;
  // A form that paints nothing but its colour leaves its children out of
  // nothing: where its fill covers a child, the child, invalidated with the
  // form, paints again. Clipping them out would have the window system work
  // out the client area minus every child's shape at each repaint of the
  // form, a cost that grows with the shaped children (and is paid at every
  // step of one spinning among them).
  p.Style = Enabled() ? 0 : WS_DISABLED;
  p.ExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
  switch (borderStyle_) {
    case bsNone: p.Style |= WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX; break;
    case bsSingle: p.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
    case bsSizeable: p.Style |= WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      p.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (position_ == poScreenCenter) {
    p.X = (::GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    p.Y = (::GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
  }
}

void TForm::SetBorderStyle(TBorderStyle s) {
  if (s == borderStyle_) return;
  int cw = ClientWidth(), ch = ClientHeight();
  borderStyle_ = s;
  if (HandleAllocated()) {
    TCreateParams p;
    CreateParams(p);
    ::SetWindowLongPtrA(Handle(), GWL_STYLE,
                        static_cast<LONG_PTR>(p.WindowStyle() | (visible_ ? WS_VISIBLE : 0)));
    ::SetWindowLongPtrA(Handle(), GWL_EXSTYLE, static_cast<LONG_PTR>(p.ExStyle));
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  SetClientSize(cw, ch);
}

// The primary monitor is the one at the origin of the virtual screen.
void TForm::Center() {
  int left = (::GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
  int top = (::GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
  Place(left, top, Width(), Height(), false);
}

void TForm::SetVisible(bool on) {
  if (!on) {
    visible_ = false;
    if (HandleAllocated()) ::ShowWindow(Handle(), SW_HIDE);
    return;
  }
  if (!HandleAllocated() && CreateHandle()) return;
  if (!shownOnce_) {
    shownOnce_ = true;
    if (position_ == poScreenCenter) Center();
  }
  visible_ = true;
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
  ::UpdateWindow(Handle());
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  if (OnClose) OnClose(this);
  if (TApplication* app = Application(); app && app->MainForm() == this) app->Terminate();
  Hide();
}

void TForm::SetActiveControl(TWinControl* c) {
  activeControl_ = c;
  if (c && HandleAllocated() && ::IsWindowVisible(Handle()) && c->CanFocus())
    ::SetFocus(c->Handle());
}

TWinControl* TForm::FocusedControl() const {
  TWinControl* c = FromHandle(::GetFocus());
  if (!c) return nullptr;
  return c->ParentForm() == this ? c : nullptr;
}

void TForm::FocusChanged(TWinControl* focused) {
  if (focused != this) activeControl_ = focused;
  NotifyControls(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focused));
}

namespace {

bool Contains(const TWinControl* outer, const TWinControl* c) {
  for (; c; c = c->Parent()) {
    if (c == outer) return true;
  }
  return false;
}

void CollectTabStops(TWinControl* p, std::vector<TWinControl*>& out) {
  std::vector<TWinControl*> kids;
  for (int i = 0; i < p->ControlCount(); ++i) kids.push_back(p->Control(i));
  TWinControl::SortByTabOrder(kids);
  for (TWinControl* k : kids) {
    if (!k->Visible() || !k->Enabled() || !k->HandleAllocated()) continue;
    if (k->TabStop()) out.push_back(k);
    CollectTabStops(k, out);
  }
}

}  // namespace

std::vector<TWinControl*> TForm::TabList() {
  std::vector<TWinControl*> list;
  CollectTabStops(this, list);
  return list;
}

void TForm::DefocusControl(TWinControl* c) {
  std::vector<TWinControl*> list = TabList();
  auto pos = std::find(list.begin(), list.end(), c);
  size_t start = pos == list.end() ? 0 : static_cast<size_t>(pos - list.begin());
  TWinControl* next = nullptr;
  for (size_t k = 1; k <= list.size() && !next; ++k) {
    TWinControl* cand = list[(start + k) % list.size()];
    if (!Contains(c, cand)) next = cand;
  }
  if (Contains(c, activeControl_)) activeControl_ = nullptr;
  ::SetFocus(next ? next->Handle() : Handle());
}

void TForm::SelectNext(TWinControl* from, bool forward) {
  std::vector<TWinControl*> list = TabList();
  if (list.empty()) return;
  const size_t n = list.size();
  auto pos = std::find(list.begin(), list.end(), from);
  size_t i;
  if (pos == list.end()) {
    i = forward ? 0 : n - 1;
  } else {
    size_t at = static_cast<size_t>(pos - list.begin());
    i = forward ? (at + 1) % n : (at + n - 1) % n;
  }
  list[i]->SetFocus();
}

bool TForm::DialogKey(WPARAM key) {
  switch (key) {
    case VK_TAB:
      if (::GetKeyState(VK_CONTROL) < 0) return false;
      SelectNext(FocusedControl(), ::GetKeyState(VK_SHIFT) >= 0);
      return true;
    case VK_LEFT:
    case VK_UP: SelectNext(FocusedControl(), false); return true;
    case VK_RIGHT:
    case VK_DOWN: SelectNext(FocusedControl(), true); return true;
    case VK_RETURN:
    case VK_ESCAPE: return BroadcastUntilHandled(CM_DIALOGKEY, key, 0) != 0;
    default: return false;
  }
}

bool TForm::DialogChar(WPARAM ch, bool alt) {
  return BroadcastUntilHandled(CM_DIALOGCHAR, ch, alt ? 1 : 0) != 0;
}

namespace {

void NotifyTree(TWinControl* p, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::vector<TWinControl*> kids;
  for (int i = 0; i < p->ControlCount(); ++i) kids.push_back(p->Control(i));
  for (TWinControl* k : kids) {
    k->Perform(msg, wParam, lParam);
    NotifyTree(k, msg, wParam, lParam);
  }
}

LRESULT BroadcastTree(TWinControl* p, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::vector<TWinControl*> kids;
  for (int i = 0; i < p->ControlCount(); ++i) kids.push_back(p->Control(i));
  for (TWinControl* k : kids) {
    if (LRESULT r = k->Perform(msg, wParam, lParam)) return r;
    if (LRESULT r = BroadcastTree(k, msg, wParam, lParam)) return r;
  }
  return 0;
}

}  // namespace

void TForm::NotifyControls(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Dying()) return;
  Perform(msg, wParam, lParam);
  NotifyTree(this, msg, wParam, lParam);
}

LRESULT TForm::BroadcastUntilHandled(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Dying()) return 0;
  return BroadcastTree(this, msg, wParam, lParam);
}

void TForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      m.Result = 0;
      return;
    case WM_ACTIVATE:
      if (LOWORD(m.WParam) != WA_INACTIVE && !HIWORD(m.WParam)) {
        TWinControl* target =
            activeControl_ && activeControl_->CanFocus() ? activeControl_ : nullptr;
        if (!target) {
          std::vector<TWinControl*> list = TabList();
          if (!list.empty()) target = list.front();
        }
        ::SetFocus(target ? target->Handle() : Handle());
        m.Result = 0;
        return;
      }
      break;
    case WM_SETFOCUS:
      DefaultHandler(m);
      if (activeControl_ && activeControl_->CanFocus()) {
        ::SetFocus(activeControl_->Handle());
      } else {
        FocusChanged(this);
      }
      return;
    case DM_GETDEFID: {
      LRESULT id = 0;
      for (TWinControl* c : TabList()) {
        if (c->IsButton() && static_cast<TButton*>(c)->Active()) id = c->ctrlId_;
      }
      m.Result = id ? MAKELRESULT(id, DC_HASDEFID) : 0;
      return;
    }
    default: break;
  }
  TWinControl::WndProc(m);
}

q::Error TForm::SetProperty(std::string_view name, const TValue& v) {
  static constexpr const char* kNames[] = {"BorderStyle", "Position", "ActiveControl", "Visible"};
  const int i = IndexOf(kNames, name);
  if (i == 0) {
    TBorderStyle s = bsNone;
    static constexpr TEnumName kStyles[] = {{"bsNone", bsNone},
                                            {"bsSingle", bsSingle},
                                            {"bsSizeable", bsSizeable},
                                            {"bsDialog", bsDialog}};
    if (q::Error e = v.ToEnum(kStyles, s)) {
      return e;
    }
    SetBorderStyle(s);
    return {};
  }
  if (i == 1) {
    static constexpr TEnumName kPositions[] = {{"poDesigned", poDesigned},
                                               {"poScreenCenter", poScreenCenter}};
    return v.ToEnum(kPositions, position_);
  }
  if (i == 2) {
    if (v.kind != TValue::Kind::Ident) return v.Refused("expected a component name, got ");
    pendingActiveControl_ = v.text;
    return {};
  }
  if (i == 3) return {};  // Visible: a form is shown by Show() or the application
  return TWinControl::SetProperty(name, v);
}

}  // namespace gui
