// Forms and the simple controls: the main form's life, labels, progress
// bar, fonts and colours handed down, ownership.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

using FormTest = GuiTest;

TEST_F(FormTest, MainFormRunsTheLoopUntilItClosesAndCloseQueryCanRefuse) {
  gui::TForm form;
  ASSERT_FALSE(
      form.CreateFromLayout("object F: TForm\n ClientWidth = 200\n ClientHeight = 100\nend"));
  int asked = 0;
  form.OnCloseQuery = [&](gui::TObject* sender, bool& canClose) {
    EXPECT_EQ(sender, &form);
    canClose = ++asked >= 2;  // the first request is refused
  };
  gui::TTimer closer(nullptr);
  closer.SetInterval(20);
  closer.OnTimer = [&](gui::TObject*) { ::PostMessageA(form.Handle(), WM_CLOSE, 0, 0); };
  EXPECT_EQ(app_.Run(form), 0);
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(app_.Terminated());
  EXPECT_FALSE(::IsWindowVisible(form.Handle()));
}

TEST_F(FormTest, LabelClicksOnReleaseInsideAndShowsItsCursor) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout(R"(object F: TForm
    object L: TLabel
      Left = 5
      Top = 5
      Width = 100
      Height = 20
      Caption = 'Build by'
      Cursor = crHandPoint
    end
  end)"));
  auto* label = static_cast<gui::TLabel*>(form.FindComponent("L"));
  int clicks = 0;
  label->OnClick = [&](gui::TObject* s) { clicks += s == label; };
  form.Show();
  HWND h = label->Handle();
  ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(clicks, 1);
  ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(150, 10));
  EXPECT_EQ(clicks, 1) << "released outside";
  ::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(clicks, 1) << "a release without a press";

  // The application's wait cursor wins over every control's own.
  const std::pair<gui::TCursor, LPCSTR> cases[] = {
      {gui::crDefault, IDC_HAND}, {gui::crHourGlass, IDC_WAIT}, {gui::crDefault, IDC_HAND}};
  for (const auto& [app, shown] : cases) {
    app_.SetCursor(app);
    EXPECT_TRUE(::SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, shown));
  }
}

TEST_F(FormTest, ProgressBarKeepsItsRangeAndStyleInTheControl) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout(R"(object F: TForm
    object Bar: TProgressBar
      Max = 7
      Position = 9
    end
  end)"));
  auto* bar = static_cast<gui::TProgressBar*>(form.FindComponent("Bar"));
  HWND h = bar->Handle();
  EXPECT_EQ(bar->Position(), 7) << "clamped to Max";
  EXPECT_EQ(::SendMessageA(h, PBM_GETRANGE, FALSE, 0), 7);
  bar->SetMax(40);
  bar->SetPosition(0);
  bar->SetStep(1);
  bar->StepIt();
  bar->StepIt();
  EXPECT_EQ(::SendMessageA(h, PBM_GETPOS, 0, 0), 2);
  bar->SetSmooth(true);
  EXPECT_TRUE(::GetWindowLongPtrA(h, GWL_STYLE) & PBS_SMOOTH);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
}

TEST_F(FormTest, FontsAndColoursComeDownFromTheParentUntilSet) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout(R"(object F: TForm
    Color = clWhite
    Font.Name = 'Arial'
    Font.Height = -12
    object P: TPanel
      ParentColor = True
      object B: TButton
        Font.Name = 'Tahoma'
        Font.Height = -13
        Font.Style = [fsBold]
      end
      object L: TLabel
      end
    end
  end)"));
  auto* panel = static_cast<gui::TPanel*>(form.FindComponent("P"));
  auto* button = static_cast<gui::TButton*>(form.FindComponent("B"));
  auto* label = static_cast<gui::TLabel*>(form.FindComponent("L"));
  EXPECT_EQ(panel->Color(), gui::clWhite);
  EXPECT_EQ(label->Color(), gui::clWhite);
  EXPECT_EQ(label->Font().Name, "Arial");
  // The native button draws with the control's font.
  LOGFONTA lf{};
  auto font = reinterpret_cast<HFONT>(::SendMessageA(button->Handle(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  ::GetObjectA(font, sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, "Tahoma");
  EXPECT_EQ(lf.lfHeight, -13);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  // Later changes above reach those that follow their parent only.
  gui::TFont f = form.Font();
  f.Height = -20;
  form.SetFont(f);
  form.SetColor(gui::clNavy);
  EXPECT_EQ(label->Font().Height, -20);
  EXPECT_EQ(button->Font().Height, -13);
  EXPECT_EQ(label->Color(), gui::clNavy);
  panel->SetColor(gui::clRed);
  EXPECT_EQ(label->Color(), gui::clRed);
  EXPECT_FALSE(panel->ParentColor());
}

TEST_F(FormTest, ChildrenGoWithTheirParentAndLateChildrenGetWindows) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout(R"(object F: TForm
    object P: TPanel
      object L: TLabel
      end
    end
  end)"));
  auto* panel = static_cast<gui::TPanel*>(form.FindComponent("P"));
  HWND labelWindow = static_cast<gui::TLabel*>(form.FindComponent("L"))->Handle();
  EXPECT_EQ(form.ComponentCount(), 2);
  // A control added at run time gets its window from its parent.
  auto* late = new gui::TButton(&form);
  ASSERT_FALSE(late->SetParent(panel));
  EXPECT_TRUE(late->HandleAllocated());
  EXPECT_EQ(::GetParent(late->Handle()), panel->Handle());
  EXPECT_EQ(form.ComponentCount(), 3);
  EXPECT_TRUE(late->SetParent(late).Failed());
  // Deleting the panel takes its children (and their windows) with it.
  late->SetFocus();
  delete panel;
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_FALSE(::IsWindow(labelWindow));
}

}  // namespace
}  // namespace gui_test
