// The push-button base as an owner-drawn button sees it: reflected draw
// items with the selected bit, mouse enter and leave, focus notifications
// with the active flag, Enter, accelerators, space bar and clicks.
#include <string>
#include <vector>

#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

struct Event {
  std::string what;  // "draw", "enter", "leave", "focus", "style", "press", "click"
  bool flag = false;  // draw: selected; focus: has focus; style: active
};

class TOwnerButton : public gui::TButton {
  Q_GUI_CLASS(TOwnerButton, gui::TButton)

 public:
  explicit TOwnerButton(TComponent* owner) : TButton(owner) {
    OnClick = [this](gui::TObject*) { events.push_back({"click"}); };
  }
  std::vector<Event> events;
  int Count(const std::string& what) const {
    int n = 0;
    for (const Event& e : events) n += e.what == what;
    return n;
  }
  bool SawDraw(bool selected) const {
    for (const Event& e : events) {
      if (e.what == "draw" && e.flag == selected) return true;
    }
    return false;
  }
  int IndexOf(const std::string& what) const {
    for (size_t i = 0; i < events.size(); ++i) {
      if (events[i].what == what) return static_cast<int>(i);
    }
    return -1;
  }

 protected:
  void CreateParams(gui::TCreateParams& p) override {
    TButton::CreateParams(p);
    p.Style = (p.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
  }
  void WndProc(gui::TMessage& m) override {
    switch (m.Msg) {
      case gui::CN_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        events.push_back({"draw", (dis->itemState & ODS_SELECTED) != 0});
        m.Result = TRUE;
        return;
      }
      case gui::CM_MOUSEENTER: events.push_back({"enter"}); break;
      case gui::CM_MOUSELEAVE: events.push_back({"leave"}); break;
      case gui::CM_FOCUSCHANGED: events.push_back({"focus", Focused()}); break;
      case WM_LBUTTONDOWN: events.push_back({"press"}); break;
      case WM_PAINT:  // paint through the hook, with the paint DC
        SetCustomPaint(true);
        TButton::WndProc(m);
        SetCustomPaint(false);
        return;
      default: break;
    }
    TButton::WndProc(m);
  }
  void PaintWindow(HDC dc) override {
    canvas.SetHandle(dc);
    canvas.SetBrushColor(gui::clRed);
    canvas.FillRect({0, 0, Width(), Height()});
    canvas.SetHandle(nullptr);
    events.push_back({"paint", dc != nullptr});
  }

 public:
  gui::TControlCanvas canvas;
  void SetButtonStyle(bool active) override { events.push_back({"style", active}); }
};

// Takes the focus like an edit box would, but is no button.
class TFocusBox : public gui::TWinControl {
  Q_GUI_CLASS(TFocusBox, gui::TWinControl)

 public:
  explicit TFocusBox(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }
};

class TButtonForm : public gui::TForm {
  Q_GUI_CLASS(TButtonForm, gui::TForm)

 public:
  TOwnerButton* yes = nullptr;
  TOwnerButton* no = nullptr;
  TFocusBox* box = nullptr;
  bool allowClose = true;

  TButtonForm() {
    OnCloseQuery = [this](gui::TObject*, bool& canClose) { canClose = allowClose; };
  }
  TComponent* CreateComponent(std::string_view cls) override {
    if (cls == TOwnerButton::kClassName) return new TOwnerButton(this);
    if (cls == TFocusBox::kClassName) return new TFocusBox(this);
    return TForm::CreateComponent(cls);
  }

 protected:
  q::Error BindComponents() override {
    if (q::Error e = BindComponent("Yes", yes)) return e;
    if (q::Error e = BindComponent("No", no)) return e;
    return BindComponent("Box", box);
  }
};

constexpr std::string_view kButtonLayout = R"(
object F: TButtonForm
  BorderStyle = bsNone
  ClientWidth = 300
  ClientHeight = 160
  Position = poScreenCenter
  ActiveControl = Yes
  object P: TPanel
    Align = alClient
    object Box: TFocusBox
      Left = 10
      Top = 110
      Width = 100
      Height = 20
      TabOrder = 2
    end
    object No: TOwnerButton
      Left = 150
      Top = 10
      Width = 100
      Height = 60
      Caption = '&No'
      TabOrder = 1
    end
    object Yes: TOwnerButton
      Left = 10
      Top = 10
      Width = 120
      Height = 60
      Caption = '&Yes && agree'
      Default = True
      TabOrder = 0
    end
  end
end
)";

class ButtonTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    q::Error err = form_.CreateFromLayout(kButtonLayout);
    ASSERT_FALSE(err) << err.Message();
    form_.Show();
    ASSERT_TRUE(PumpUntil([&] { return form_.yes->Focused(); })) << "the active control gets the focus";
    Clear();
  }
  void Clear() {
    form_.yes->events.clear();
    form_.no->events.clear();
  }
  // A key as the keyboard delivers it: posted to the focused window.
  void Key(UINT msg, WPARAM key) {
    ::PostMessageA(::GetFocus(), msg, key, msg == WM_SYSCHAR ? (1 << 29) : 0);
    Pump();
  }
  TButtonForm form_;
};

TEST_F(ButtonTest, DrawItemIsSelectedWhileHeldByMouseOrSpace) {
  TOwnerButton* yes = form_.yes;
  ::SendMessageA(yes->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  Pump();
  EXPECT_TRUE(yes->SawDraw(true));
  EXPECT_EQ(yes->Count("click"), 0);
  yes->events.clear();
  ::SendMessageA(yes->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_TRUE(yes->SawDraw(false));
  EXPECT_FALSE(yes->SawDraw(true));
  EXPECT_EQ(yes->Count("click"), 1);

  // Released outside: drawn up again, no click.
  yes->events.clear();
  ::SendMessageA(yes->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageA(yes->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 5));
  ::SendMessageA(yes->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
  Pump();
  EXPECT_TRUE(yes->SawDraw(true));
  EXPECT_EQ(yes->Count("click"), 0);

  // The space bar presses on key down and clicks on key up.
  yes->events.clear();
  Key(WM_KEYDOWN, VK_SPACE);
  EXPECT_TRUE(yes->SawDraw(true));
  EXPECT_EQ(yes->Count("click"), 0);
  yes->events.clear();
  Key(WM_KEYUP, VK_SPACE);
  EXPECT_TRUE(yes->SawDraw(false));
  EXPECT_EQ(yes->Count("click"), 1);
}

TEST_F(ButtonTest, PressOnAnUnfocusedButtonFocusesItFirst) {
  TOwnerButton* no = form_.no;
  ::SendMessageA(no->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  int focus = no->IndexOf("focus");
  int press = no->IndexOf("press");
  ASSERT_GE(focus, 0);
  ASSERT_GE(press, 0);
  EXPECT_LT(focus, press) << "focus notification before the button's own press handling";
  EXPECT_TRUE(no->events[static_cast<size_t>(focus)].flag) << "focused when notified";
  EXPECT_TRUE(no->Focused());
  ::SendMessageA(no->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_EQ(no->Count("click"), 1);

  // A disabled button cannot take the focus: its press is dropped.
  Clear();
  form_.yes->SetEnabled(false);
  ::SendMessageA(form_.yes->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(form_.yes->Count("press"), 0);
  EXPECT_TRUE(no->Focused());
}

TEST_F(ButtonTest, FocusChangesTellEachButtonWhetherItIsActive) {
  auto lastStyle = [](const TOwnerButton* b) {
    for (auto it = b->events.rbegin(); it != b->events.rend(); ++it) {
      if (it->what == "style") return it->flag ? 1 : 0;
    }
    return -1;
  };
  form_.no->SetFocus();
  EXPECT_EQ(lastStyle(form_.no), 1);
  EXPECT_EQ(lastStyle(form_.yes), 0);
  EXPECT_TRUE(form_.no->Active());
  // A control that is no button: the default button is the active one.
  form_.box->SetFocus();
  EXPECT_EQ(lastStyle(form_.no), 0);
  EXPECT_EQ(lastStyle(form_.yes), 1);
  // Back on a button: that one.
  form_.yes->SetFocus();
  EXPECT_EQ(lastStyle(form_.yes), 1);
  EXPECT_EQ(lastStyle(form_.no), 0);
  // Hiding the focused button passes the focus on; with no button focused
  // the default one is active again.
  Clear();
  form_.yes->Hide();
  EXPECT_TRUE(form_.no->Focused());
  form_.no->Hide();
  EXPECT_TRUE(form_.box->Focused());
  form_.yes->Show();
  form_.no->Show();
  EXPECT_EQ(lastStyle(form_.yes), 1);
  EXPECT_EQ(lastStyle(form_.no), 0);
}

TEST_F(ButtonTest, EnterClicksTheActiveButton) {
  form_.box->SetFocus();
  Clear();
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(form_.yes->Count("click"), 1) << "the default button";
  EXPECT_EQ(form_.no->Count("click"), 0);
  form_.no->SetFocus();
  Clear();
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(form_.no->Count("click"), 1) << "the focused button";
  EXPECT_EQ(form_.yes->Count("click"), 0);
}

TEST_F(ButtonTest, AcceleratorsClickWithAndWithoutAlt) {
  Key(WM_SYSCHAR, 'n');
  EXPECT_EQ(form_.no->Count("click"), 1);
  Key(WM_CHAR, 'Y');
  EXPECT_EQ(form_.yes->Count("click"), 1);
  // "&&" is a literal ampersand, not a mark: "a" is no accelerator.
  Key(WM_CHAR, 'a');
  EXPECT_EQ(form_.yes->Count("click"), 1);
  EXPECT_EQ(gui::AcceleratorOf("&&x&Yes"), 'Y');
  EXPECT_EQ(gui::AcceleratorOf("end&"), 0);
  // A disabled button ignores its accelerator.
  form_.no->SetEnabled(false);
  Key(WM_SYSCHAR, 'N');
  EXPECT_EQ(form_.no->Count("click"), 1);
}

TEST_F(ButtonTest, TabWalksTheTabOrderAndMouseTrackingReportsEnterAndLeave) {
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_TRUE(form_.no->Focused());
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_TRUE(form_.box->Focused());
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_TRUE(form_.yes->Focused());

  TOwnerButton* no = form_.no;
  ::SendMessageA(no->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  ::SendMessageA(no->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));
  EXPECT_EQ(no->Count("enter"), 1);
  EXPECT_TRUE(no->MouseInside());
  ::SendMessageA(no->Handle(), WM_MOUSELEAVE, 0, 0);
  Pump();
  EXPECT_EQ(no->Count("enter"), 1);
  EXPECT_EQ(no->Count("leave"), 1);
  EXPECT_FALSE(no->MouseInside());
}

TEST_F(ButtonTest, PaintHookGetsThePaintDcAndTheCanvasCanDrawOutsidePainting) {
  TOwnerButton* yes = form_.yes;
  ::InvalidateRect(yes->Handle(), nullptr, TRUE);
  ::UpdateWindow(yes->Handle());
  ASSERT_GE(yes->IndexOf("paint"), 0);
  EXPECT_TRUE(yes->events[static_cast<size_t>(yes->IndexOf("paint"))].flag);
  // Outside WM_PAINT the control canvas fetches the window's DC itself.
  yes->canvas.SetWindow(yes->Handle());
  EXPECT_NE(yes->canvas.Handle(), nullptr);
  EXPECT_TRUE(yes->canvas.HandleAllocated());
  yes->canvas.SetPenColor(gui::clBlue);
  yes->canvas.LineTo(5, 5);
  yes->canvas.FreeHandle();
  EXPECT_FALSE(yes->canvas.HandleAllocated());
}

TEST_F(ButtonTest, RefusedCloseKeepsTheForm) {
  form_.allowClose = false;
  ::PostMessageA(form_.Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(::IsWindowVisible(form_.Handle()));
  form_.allowClose = true;
  ::PostMessageA(form_.Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(::IsWindowVisible(form_.Handle()));
  EXPECT_FALSE(app_.Terminated()) << "not the main form";
}

}  // namespace
}  // namespace gui_test
