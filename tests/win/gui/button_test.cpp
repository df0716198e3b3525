// The push-button base as an owner-drawn button sees it: reflected draw
// items with the selected bit, focus notifications with the active flag,
// Enter, Escape, accelerators, Tab, space bar, clicks.
#include <algorithm>
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
  // The active flag of the last style change: '+', '-' or '?' for none.
  char LastStyle() const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->rfind("style", 0) == 0) return it->back();
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

// Held down (by mouse or space bar) it draws selected; the click comes on
// release inside only. A press on an unfocused button focuses it before
// the button's own press handling; a disabled button drops its press.
TEST_F(ButtonTest, MouseAndSpaceBarPressDrawSelectedAndClickOnReleaseInside) {
  TOwnerButton* yes = form_.yes;
  const struct {
    bool mouse;
    int releaseX;  // mouse only
    int clicks;
  } presses[] = {{true, 5, 1}, {true, 500, 0}, {false, 0, 1}};
  for (const auto& p : presses) {
    Clear();
    p.mouse ? Mouse(yes, WM_LBUTTONDOWN, 5) : Key(WM_KEYDOWN, VK_SPACE);
    Pump();
    EXPECT_GT(yes->Count("draw+"), 0);
    EXPECT_EQ(yes->Count("click"), 0);
    yes->events.clear();
    if (p.mouse) {
      Mouse(yes, WM_MOUSEMOVE, p.releaseX);
      Mouse(yes, WM_LBUTTONUP, p.releaseX);
    } else {
      Key(WM_KEYUP, VK_SPACE);
    }
    Pump();
    EXPECT_EQ(yes->Count("click"), p.clicks) << p.mouse << " " << p.releaseX;
    EXPECT_GT(yes->Count("draw-"), 0);
  }

  TOwnerButton* no = form_.no;
  Mouse(no, WM_LBUTTONDOWN, 5);
  ASSERT_LT(no->IndexOf("press"), static_cast<int>(no->events.size()));
  EXPECT_LT(no->IndexOf("focus+"), no->IndexOf("press"))
      << "focused when notified, before the press";
  Mouse(no, WM_LBUTTONUP, 5);
  Pump();
  EXPECT_EQ(no->Count("click"), 1);
  Clear();
  yes->SetEnabled(false);
  Mouse(yes, WM_LBUTTONDOWN, 5);
  EXPECT_EQ(yes->Count("press"), 0);
  EXPECT_TRUE(no->Focused());
}

// The focused button is the active one; with a control that is no button
// focused (or no button focusable) the default button is. The active one is
// the default id the dialog manager is told of, and a native push button
// shows whether it is active.
TEST_F(ButtonTest, FocusChangesTellEachButtonWhetherItIsActive) {
  auto styles = [&] {
    return std::string() + form_.yes->LastStyle() + form_.no->LastStyle() +
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

TEST_F(ButtonTest, KeyboardReachesTheRightButton) {
  // Tab walks the tab order, not the order of the layout.
  for (gui::TWinControl* next : std::initializer_list<gui::TWinControl*>{
           form_.no, form_.box, form_.plain, form_.yes}) {
    Key(WM_KEYDOWN, VK_TAB);
    EXPECT_TRUE(next->Focused()) << next->Name();
  }
  // Enter clicks the default button from a control that is no button, the
  // focused button otherwise. Escape clicks the cancel button only, and
  // nothing while there is none.
  const struct {
    gui::TWinControl* focus;
    WPARAM key;
    bool noCancels;
    int clicks;
  } keys[] = {{form_.box, VK_RETURN, false, 10},
              {form_.no, VK_RETURN, false, 1},
              {form_.yes, VK_ESCAPE, false, 0},
              {form_.yes, VK_ESCAPE, true, 1}};
  for (const auto& k : keys) {
    k.focus->SetFocus();
    form_.no->SetCancel(k.noCancels);
    Clear();
    Key(WM_KEYDOWN, k.key);
    EXPECT_EQ(Clicks(), k.clicks) << k.focus->Name() << " " << k.key;
  }

  // Accelerators with and without Alt; "&&" is a literal ampersand, so "a"
  // is none; a disabled button ignores its own.
  Clear();
  Key(WM_SYSCHAR, 'n');
  Key(WM_CHAR, 'Y');
  Key(WM_CHAR, 'a');
  EXPECT_EQ(Clicks(), 11);
  EXPECT_EQ(gui::AcceleratorOf("&&x&Yes"), 'Y');
  EXPECT_EQ(gui::AcceleratorOf("end&"), 0);
  form_.no->SetEnabled(false);
  Key(WM_SYSCHAR, 'N');
  EXPECT_EQ(Clicks(), 11);
}

}  // namespace
}  // namespace gui_test
