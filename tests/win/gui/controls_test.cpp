// Forms and the standard controls: the main form's life, what labels, panels
// and the progress bar show (read back from bitmaps), fonts and colours
// handed down, ownership; the message timer.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>

#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

using FormTest = GuiTest;

template <typename T = gui::TWinControl>
T* Find(gui::TForm& form, const char* name) {
  return static_cast<T*>(form.FindComponent(name));
}

gui::TColor PixelAt(gui::TBitmap& b, int x, int y) {
  const uint8_t* row = b.ScanLine(y);
  return gui::RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

// The client area as the control paints it, on a bitmap.
void Render(gui::TWinControl* c, gui::TBitmap& shot) {
  ASSERT_FALSE(shot.SetSize(c->ClientWidth(), c->ClientHeight()));
  ::SendMessageA(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.Canvas().Handle()),
                 PRF_CLIENT);
}

TEST_F(FormTest, MainFormRunsTheLoopUntilItClosesAndCloseQueryCanRefuse) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout("object F: TForm ClientWidth = 200 ClientHeight = 100 end"));
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

// Every bevel and border combination against nested frames worked out per
// pixel: ring d from the edge belongs to the outer bevel, the border or the
// inner bevel; its right column and bottom row take the dark colour.
TEST_F(FormTest, PanelsPaintTheirBevelsAndBorderRingByRing) {
  const auto light = static_cast<gui::TColor>(::GetSysColor(COLOR_BTNHIGHLIGHT));
  const auto dark = static_cast<gui::TColor>(::GetSysColor(COLOR_BTNSHADOW));
  const gui::TColor face = gui::clNavy;
  const char* cuts[] = {"bvNone", "bvLowered", "bvRaised"};
  for (int outer = 0; outer < 3; ++outer) {
    for (int inner = 0; inner < 3; ++inner) {
      for (int bevel : {1, 2}) {
        const int border = outer + bevel;
        gui::TForm form;
        ASSERT_FALSE(form.CreateFromLayout(
            "object F: TForm object P: TPanel Width = 40 Height = 30 Color = clNavy BevelOuter = " +
            std::string(cuts[outer]) + " BevelInner = " + cuts[inner] +
            " BevelWidth = " + std::to_string(bevel) + " BorderWidth = " + std::to_string(border) +
            " end end"));
        gui::TBitmap shot;
        Render(Find(form, "P"), shot);
        struct Band {
          int width;
          gui::TColor lit, shaded;
        };
        auto bevelBand = [&](int cut) {
          return cut == 0 ? Band{0, face, face}
                          : cut == 1 ? Band{bevel, dark, light} : Band{bevel, light, dark};
        };
        const Band bands[] = {bevelBand(outer), {border, face, face}, bevelBand(inner)};
        for (int y = 0; y < 30; ++y) {
          for (int x = 0; x < 40; ++x) {
            const int d = std::min({x, y, 39 - x, 29 - y});
            gui::TColor want = face;
            for (int k = 0, ring = d; k < 3; ring -= bands[k++].width) {
              if (ring < bands[k].width) {
                want = x == 39 - d || y == 29 - d ? bands[k].shaded : bands[k].lit;
                break;
              }
            }
            ASSERT_EQ(PixelAt(shot, x, y), want)
                << x << "," << y << " " << cuts[outer] << "/" << cuts[inner] << " " << bevel;
          }
        }
      }
    }
  }
}

// Where a label's text lands: the text's own extent placed by Alignment and
// Layout. An AutoSize label is exactly that extent.
TEST_F(FormTest, LabelsPlaceTheirTextAndAutoSizeToIt) {
  const char* alignments[] = {"taLeftJustify", "taCenter", "taRightJustify"};
  const char* layouts[] = {"tlTop", "tlCenter", "tlBottom"};
  for (int a = 0; a < 3; ++a) {
    for (int l = 0; l < 3; ++l) {
      gui::TForm form;
      ASSERT_FALSE(form.CreateFromLayout(
          std::string("object F: TForm object L: TLabel Width = 120 Height = 60 Color = clWhite "
                      "Caption = 'Hi' Font.Height = -13 Alignment = ") +
          alignments[a] + " Layout = " + layouts[l] + " end end"));
      auto* label = Find<gui::TLabel>(form, "L");
      gui::TBitmap shot, probe;
      Render(label, shot);
      probe.Canvas().SetFont(label->Font());
      ASSERT_FALSE(probe.SetSize(1, 1));
      const SIZE text = probe.Canvas().TextExtent("Hi");
      const int left = a * (120 - text.cx) / 2, top = l * (60 - text.cy) / 2;
      int inkLeft = 120, inkRight = -1, inkTop = 60, inkBottom = -1;
      for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 120; ++x) {
          if (PixelAt(shot, x, y) == gui::clWhite) continue;
          inkLeft = std::min(inkLeft, x);
          inkRight = std::max(inkRight, x);
          inkTop = std::min(inkTop, y);
          inkBottom = std::max(inkBottom, y);
        }
      }
      SCOPED_TRACE(std::string(alignments[a]) + " " + layouts[l]);
      ASSERT_GE(inkRight, 0) << "no text drawn";
      EXPECT_GE(inkLeft, left - 1);
      EXPECT_LE(inkRight, left + text.cx);
      EXPECT_GE(inkTop, top - 1);
      EXPECT_LE(inkBottom, top + text.cy);
      label->SetAutoSize(true);
      EXPECT_EQ(label->Width() * 1000 + label->Height(), text.cx * 1000 + text.cy);
    }
  }
}

// Each step read back from the control itself; StepIt wraps to Min only past Max.
TEST_F(FormTest, ProgressBarKeepsItsRangeAndStyleInTheControl) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout("object F: TForm object B: TProgressBar Max = 7 Position = 9 "
                                     "end end"));
  auto* bar = Find<gui::TProgressBar>(form, "B");
  HWND h = bar->Handle();
  EXPECT_EQ(bar->Position(), 7) << "clamped to Max";
  EXPECT_EQ(::SendMessageA(h, PBM_GETRANGE, FALSE, 0), 7);
  bar->SetMax(40);
  bar->SetPosition(38);
  bar->SetStep(1);
  for (int want : {39, 40, 0, 1}) {
    bar->StepIt();
    EXPECT_EQ(::SendMessageA(h, PBM_GETPOS, 0, 0), want);
  }
  bar->SetSmooth(true);
  EXPECT_TRUE(::GetWindowLongPtrA(h, GWL_STYLE) & PBS_SMOOTH);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
}

// Each step, then what label L and button B show (the button's font as the
// native control draws with it): changes above reach those that follow
// their parent only.
TEST_F(FormTest, FontsAndColoursComeDownFromTheParentUntilSet) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout(R"(object F: TForm Color = clWhite Font.Name = 'Arial'
    Font.Height = -12
    object P: TPanel ParentColor = True
      object B: TButton Font.Name = 'Tahoma' Font.Height = -13 Font.Style = [fsBold] end
      object L: TLabel end
    end
  end)"));
  gui::TWinControl *panel = Find(form, "P"), *button = Find(form, "B"), *label = Find(form, "L");
  auto shown = [&] {
    LOGFONTA lf{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(button->Handle(), WM_GETFONT, 0, 0)),
                 sizeof lf, &lf);
    return label->Font().Name + " " + std::to_string(label->Font().Height) + " " +
           std::to_string(label->Color()) + " / " + lf.lfFaceName + " " +
           std::to_string(lf.lfHeight) + " " + std::to_string(lf.lfWeight);
  };
  gui::TFont big = form.Font();
  big.Height = -20;
  const struct {
    std::function<void()> step;
    gui::TColor colour;
    int height;
  } steps[] = {{[] {}, gui::clWhite, -12},
               {[&] { form.SetFont(big); }, gui::clWhite, -20},
               {[&] { form.SetColor(gui::clNavy); }, gui::clNavy, -20},
               {[&] { panel->SetColor(gui::clRed); }, gui::clRed, -20},
               {[&] { form.SetColor(gui::clLime); }, gui::clRed, -20}};
  for (const auto& s : steps) {
    s.step();
    EXPECT_EQ(shown(), "Arial " + std::to_string(s.height) + " " + std::to_string(s.colour) +
                           " / Tahoma -13 700");
  }
}

TEST_F(FormTest, ChildrenGoWithTheirParentAndLateChildrenGetWindows) {
  gui::TForm form;
  ASSERT_FALSE(form.CreateFromLayout("object F: TForm object P: TPanel object L: TLabel end end "
                                     "end"));
  auto* panel = Find<gui::TPanel>(form, "P");
  HWND labelWindow = Find(form, "L")->Handle();
  // A control added at run time gets its window from its parent.
  auto* late = new gui::TButton(&form);
  ASSERT_FALSE(late->SetParent(panel));
  EXPECT_EQ(::GetParent(late->Handle()), panel->Handle());
  EXPECT_TRUE(late->SetParent(late).Failed());
  // Deleting the panel takes its children (and their windows) with it.
  late->SetFocus();
  delete panel;
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_FALSE(::IsWindow(labelWindow));
}

using TimerTest = GuiTest;

TEST_F(TimerTest, FiresOnTheGuiThreadAndMayBeFreedInItsEvent) {
  gui::TComponent owner(nullptr);
  auto* timer = new gui::TTimer(&owner);
  int fired = 0;
  const DWORD guiThread = ::GetCurrentThreadId();
  timer->SetInterval(10);
  timer->OnTimer = [&](gui::TObject* sender) {
    EXPECT_EQ(sender, timer);
    EXPECT_EQ(::GetCurrentThreadId(), guiThread);
    if (++fired == 3) delete timer;  // a timer may end itself
  };
  EXPECT_TRUE(PumpUntil([&] { return fired == 3; }));
  EXPECT_EQ(owner.ComponentCount(), 0);
  PumpFor(50);
  EXPECT_EQ(fired, 3);
}

}  // namespace
}  // namespace gui_test
