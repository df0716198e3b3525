// The push-button base as an owner-drawn button sees it: reflected draw
// items with the selected bit, focus notifications with the active flag,
// Enter, Escape, accelerators, Tab, space bar, clicks.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

// Logs "draw+"/"draw-" (selected or not), "focus+"/"focus-", "style+"/
// "style-" (active or not), "press", "click".
class TOwnerButton : public gui::TButton {
  Q_GUI_CLASS(TOwnerButton, gui::TButton)

 public:
  explicit TOwnerButton(TComponent* owner) : TButton(owner) {
    OnClick = [this](gui::TObject*) { events.push_back("click"); };
  }
  std::vector<std::string> events;

  int Count(const std::string& what) const {
    return static_cast<int>(std::count(events.begin(), events.end(), what));
  }
  int IndexOf(const std::string& what) const {
    return static_cast<int>(std::find(events.begin(), events.end(), what) - events.begin());
  }
  // The flag of the last event of a kind ("draw", "style"): '+', '-' or '?'.
  char Last(const std::string& kind) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->rfind(kind, 0) == 0) return it->back();
    return '?';
  }
  void SetButtonStyle(bool active) override { events.push_back(active ? "style+" : "style-"); }

 protected:
  void CreateParams(gui::TCreateParams& p) override {
    TButton::CreateParams(p);
    p.Style = (p.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
    p.PaintsItself = true;
  }
  void WndProc(gui::TMessage& m) override {
    switch (m.Msg) {
      case gui::CN_DRAWITEM:
        events.push_back(reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)->itemState & ODS_SELECTED
                             ? "draw+"
                             : "draw-");
        m.Result = TRUE;
        return;
      case gui::CM_FOCUSCHANGED: events.push_back(Focused() ? "focus+" : "focus-"); break;
      case WM_LBUTTONDOWN: events.push_back("press"); break;
      default: break;
    }
    TButton::WndProc(m);
  }
};

class TButtonForm : public gui::TForm {
  Q_GUI_CLASS(TButtonForm, gui::TForm)

 public:
  TOwnerButton *yes = nullptr, *no = nullptr;
  gui::TPanel* box = nullptr;   // takes the focus like an edit box, but is no button
  gui::TButton* plain = nullptr;  // a native push button

  TComponent* CreateComponent(std::string_view cls) override {
    return cls == TOwnerButton::kClassName ? new TOwnerButton(this) : TForm::CreateComponent(cls);
  }

 protected:
  q::Error BindComponents() override {
    for (q::Error e : {BindComponent("Yes", yes), BindComponent("No", no),
                       BindComponent("Box", box), BindComponent("Plain", plain)})
      if (e) return e;
    return {};
  }
};

// Listed out of tab order on purpose: the tab order, not the listing, counts.
constexpr std::string_view kButtonLayout = R"(object F: TButtonForm BorderStyle = bsNone
  ClientWidth = 300 ClientHeight = 160 Position = poScreenCenter ActiveControl = Yes
  object P: TPanel Align = alClient
    object Box: TPanel Left = 10 Top = 110 Width = 100 Height = 20 TabOrder = 2 TabStop = True
      end
    object Plain: TButton Left = 150 Top = 110 TabOrder = 3 end
    object No: TOwnerButton Left = 150 Top = 10 Width = 100 Height = 60 Caption = '&No'
      TabOrder = 1 end
    object Yes: TOwnerButton Left = 10 Top = 10 Width = 120 Height = 60
      Caption = '&Yes && agree' Default = True TabOrder = 0 end
  end
end)";

class ButtonTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    q::Error err = form_.CreateFromLayout(kButtonLayout);
    ASSERT_FALSE(err) << err.Message();
    form_.Show();
    ASSERT_TRUE(PumpUntil([&] { return form_.yes->Focused(); }))
        << "the active control gets the focus";
    Clear();
  }
  void Clear() {
    form_.yes->events.clear();
    form_.no->events.clear();
  }
  // Clicks since the last Clear(): ten per click of Yes, one per click of No.
  int Clicks() const { return form_.yes->Count("click") * 10 + form_.no->Count("click"); }
  // A key as the keyboard delivers it: posted to the focused window.
  void Key(UINT msg, WPARAM key) {
    ::PostMessageA(::GetFocus(), msg, key, msg == WM_SYSCHAR ? (1 << 29) : 0);
    Pump();
  }
  void Mouse(TOwnerButton* b, UINT msg, int x) {
    ::SendMessageA(b->Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 5));
  }
  TButtonForm form_;
};

// A row per input: the control focused first (none: as it is), the input,
// the clicks it gives and who has the focus after. A held button (mouse or
// space bar) draws selected and clicks on release inside only; a press on
// an unfocused button focuses it first. Tab walks the tab order, not the
// listing. Enter clicks the default button from a control that is no
// button, Escape the cancel button only. "&&" is a literal ampersand, so
// "a" is no accelerator. Disabled buttons drop presses and accelerators.
TEST_F(ButtonTest, InputsReachTheRightButton) {
  TOwnerButton *yes = form_.yes, *no = form_.no;
  auto press = [&](TOwnerButton* b, int releaseX) {
    return [=, this] {
      const bool focused = b->Focused();
      Mouse(b, WM_LBUTTONDOWN, 5);
      Pump();
      EXPECT_EQ(b->Last("draw") * 10 + b->Count("click"), '+' * 10);
      if (!focused) {
        EXPECT_LT(b->IndexOf("focus+"), b->IndexOf("press"));
      }
      Mouse(b, WM_MOUSEMOVE, releaseX);
      Mouse(b, WM_LBUTTONUP, releaseX);
      Pump();
      EXPECT_EQ(b->Last("draw"), '-');
    };
  };
  auto key = [this](UINT msg, WPARAM k) { return [=, this] { Key(msg, k); }; };
  auto space = [&] {
    Key(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(yes->Last("draw") * 10 + yes->Count("click"), '+' * 10);
    Key(WM_KEYUP, VK_SPACE);
    EXPECT_EQ(yes->Last("draw"), '-');
  };
  const struct {
    gui::TWinControl* focus;
    std::function<void()> input;
    int clicks;  // ten per click of Yes, one per click of No
    gui::TWinControl* after;
  } rows[] = {
      {yes, press(yes, 5), 10, yes},
      {yes, press(yes, 500), 0, yes},
      {yes, space, 10, yes},
      {yes, press(no, 5), 1, no},
      {no, [&] { yes->SetEnabled(false); Mouse(yes, WM_LBUTTONDOWN, 5);
                 EXPECT_EQ(yes->Count("press"), 0); }, 0, no},
      {no, [&] { yes->SetEnabled(true); Key(WM_KEYDOWN, VK_TAB); }, 0, form_.box},
      {nullptr, key(WM_KEYDOWN, VK_TAB), 0, form_.plain},
      {nullptr, key(WM_KEYDOWN, VK_TAB), 0, yes},
      {nullptr, key(WM_KEYDOWN, VK_TAB), 0, no},
      {form_.box, key(WM_KEYDOWN, VK_RETURN), 10, form_.box},
      {no, key(WM_KEYDOWN, VK_RETURN), 1, no},
      {yes, key(WM_KEYDOWN, VK_ESCAPE), 0, yes},
      {yes, [&] { no->SetCancel(true); Key(WM_KEYDOWN, VK_ESCAPE); }, 1, yes},
      {yes, key(WM_SYSCHAR, 'n'), 1, yes},
      {yes, key(WM_CHAR, 'Y'), 10, yes},
      {yes, key(WM_CHAR, 'a'), 0, yes},
      {yes, [&] { no->SetEnabled(false); Key(WM_SYSCHAR, 'N'); }, 0, yes},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    if (rows[i].focus) rows[i].focus->SetFocus();
    Clear();
    rows[i].input();
    Pump();
    EXPECT_EQ(Clicks(), rows[i].clicks) << "row " << i;
    EXPECT_TRUE(rows[i].after->Focused()) << "row " << i;
  }
  EXPECT_EQ(gui::AcceleratorOf("&&x&Yes"), 'Y');
  EXPECT_EQ(gui::AcceleratorOf("end&"), 0);
}

// The focused button is the active one; with a control that is no button
// focused (or no button focusable) the default button is. The active one is
// the default id the dialog manager is told of, and a native push button
// shows whether it is active.
TEST_F(ButtonTest, FocusChangesTellEachButtonWhetherItIsActive) {
  auto styles = [&] {
    return std::string() + form_.yes->Last("style") + form_.no->Last("style") +
           ((::GetWindowLongPtrA(form_.plain->Handle(), GWL_STYLE) & BS_TYPEMASK) ==
                    BS_DEFPUSHBUTTON
                ? '+'
                : '-');
  };
  auto defaultId = [&] { return ::SendMessageA(form_.Handle(), DM_GETDEFID, 0, 0); };
  const struct {
    gui::TWinControl* focus;
    const char* styles;
  } steps[] = {{form_.no, "-+-"}, {form_.box, "+--"}, {form_.plain, "--+"}, {form_.yes, "+--"}};
  for (const auto& s : steps) {
    s.focus->SetFocus();
    EXPECT_EQ(styles(), s.styles) << s.focus->Name();
    const HWND active = s.focus == form_.box ? form_.yes->Handle() : s.focus->Handle();
    EXPECT_EQ(defaultId(), MAKELRESULT(::GetDlgCtrlID(active), DC_HASDEFID)) << s.focus->Name();
  }
  // Hiding the focused button passes the focus on.
  Clear();
  form_.yes->Hide();
  EXPECT_TRUE(form_.no->Focused());
  form_.no->Hide();
  EXPECT_TRUE(form_.box->Focused());
  EXPECT_EQ(defaultId(), 0);
  form_.yes->Show();
  form_.no->Show();
  EXPECT_EQ(styles(), "+--");
}

// Binding checks the class a layout gives a component.
TEST_F(ButtonTest, BindingRefusesAComponentOfAnotherClass) {
  TButtonForm wrong;
  q::Error err = wrong.CreateFromLayout("object F: TButtonForm object Yes: TPanel end end");
  EXPECT_NE(err.Message().find("Yes is a TPanel, not a TOwnerButton"), std::string::npos)
      << err.Message();
  EXPECT_EQ(wrong.yes, nullptr);
}

}  // namespace
}  // namespace gui_test
