// The GUI framework under Wine, with the null graphics driver: the alignment
// engine and the layout reader; the push-button base as an owner-drawn
// button sees it (draw items, focus, Enter, Escape, accelerators, Tab, space
// bar, clicks); forms, what labels, panels and the progress bar paint (read
// back from bitmaps), fonts and colours handed down, ownership, the timer.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gui/demo/demo_form.h"
#include "gui/forms.h"
#include "gui/layout.h"
#include "gui/stdctrls.h"
#include "gui/timer.h"
#include "win/gui/gui_fixture.h"

namespace {

template <typename T = gui::TWinControl>
T* Find(gui::TForm& form, const char* name) {
  return static_cast<T*>(form.FindComponent(name));
}

struct Box {
  int left, top, width, height;
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << b.left << "," << b.top << " " << b.width << "x" << b.height;
}

Box BoxOf(const gui::TWinControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

using LayoutTest = gui_test::GuiTest;

TEST_F(LayoutTest, InstallerDialogComesOutAtItsDesignedRectangles) {
  gui_demo::TDemoForm form;
  q::Error err = form.CreateFromLayout(gui_demo::DemoLayout());
  ASSERT_FALSE(err) << err.Message();

  // Inside Panel1: a 2-pixel sunken edge, then 2 + 2 pixels of bevels.
  const std::pair<const char*, Box> boxes[] = {
      {"Panel1", {0, 0, 630, 297}},         {"Panel2", {4, 4, 618, 143}},
      {"Label3", {3, 3, 612, 32}},          {"Label1", {3, 35, 612, 75}},
      {"Panel8", {3, 110, 612, 30}},        {"Panel9", {3, 3, 606, 24}},
      {"LabelLink", {3, 8, 600, 13}},       {"Label4", {4, 274, 618, 15}},
      {"ProgressBar1", {8, 152, 609, 121}}, {"ButtonNO", {408, 160, 201, 105}},
      {"ButtonSI", {16, 160, 193, 105}}};
  for (const auto& [name, box] : boxes) {
    EXPECT_EQ(BoxOf(Find(form, name)), box) << name;
  }
  EXPECT_EQ(form.Left(), (::GetSystemMetrics(SM_CXSCREEN) - 630) / 2);
  EXPECT_EQ(form.Top(), (::GetSystemMetrics(SM_CYSCREEN) - 297) / 2);
}

// A small tree with every alignment, a self-sizing panel and later changes.
constexpr std::string_view kAlignLayout = R"(object Box: TForm BorderStyle = bsNone
  ClientWidth = 300 ClientHeight = 200
  object Outer: TPanel Align = alClient BevelOuter = bvNone BorderWidth = 5
    object Head: TPanel Align = alTop AutoSize = True BevelOuter = bvRaised BevelWidth = 2
      Left = 77 Width = 3 Height = 999
      object Line1: TLabel Align = alTop Height = 20 end
      object Line2: TLabel Align = alTop Height = 10 end
    end
    object Foot: TLabel Align = alBottom Height = 15 end
    object West: TPanel Align = alLeft Width = 40 end
    object East: TPanel Align = alRight Width = 30 end
    object Middle: TPanel Align = alClient BorderWidth = 0 Left = 1 Top = 1 end
    object Loose: TPanel Left = 12 Top = 13 Width = 14 Height = 15 end
  end
end)";

TEST_F(LayoutTest, AlignmentStacksAndFillsAndFollowsChanges) {
  gui::TForm form;
  q::Error err = form.CreateFromLayout(kAlignLayout);
  ASSERT_FALSE(err) << err.Message();
  // Head sizes itself: 2 + 2 bevel pixels around 20 + 10.
  const std::pair<const char*, Box> boxes[] = {
      {"Head", {5, 5, 290, 34}},      {"Line1", {2, 2, 286, 20}}, {"Line2", {2, 22, 286, 10}},
      {"Foot", {5, 180, 290, 15}},    {"West", {5, 39, 40, 141}}, {"East", {265, 39, 30, 141}},
      {"Middle", {45, 39, 220, 141}}, {"Loose", {12, 13, 14, 15}}};
  for (const auto& [name, box] : boxes) EXPECT_EQ(BoxOf(Find(form, name)), box) << name;

  // Hiding a line shrinks the self-sizing panel and everything moves up.
  Find(form, "Line1")->Hide();
  EXPECT_EQ(Find(form, "Head")->Height(), 14);
  EXPECT_EQ(BoxOf(Find(form, "Middle")), (Box{45, 19, 220, 161}));
  Find(form, "Line1")->Show();
  EXPECT_EQ(BoxOf(Find(form, "Middle")), (Box{45, 39, 220, 141}));

  // A bigger form gives the filling and stretching controls the room.
  form.SetClientSize(400, 250);
  EXPECT_EQ(BoxOf(Find(form, "Head")), (Box{5, 5, 390, 34}));
  EXPECT_EQ(BoxOf(Find(form, "Foot")), (Box{5, 230, 390, 15}));
  EXPECT_EQ(BoxOf(Find(form, "Middle")), (Box{45, 39, 320, 191}));

  Find<gui::TPanel>(form, "Outer")->SetBorderWidth(10);  // shrinks the shared area
  EXPECT_EQ(BoxOf(Find(form, "Head")), (Box{10, 10, 380, 34}));

  // Squeezed below its content, the filling control ends at size 0.
  form.SetClientSize(60, 40);
  EXPECT_EQ(Find(form, "Middle")->Width() + Find(form, "Middle")->Height(), 0);
}

TEST_F(LayoutTest, ReaderRejectsFaultyLayoutsWithTheirLine) {
  struct Case {
    const char* text;
    const char* expected;  // part of the message
  } cases[] = {
      {"object F: TForm\n  object P: TWidget\n  end\nend", "line 2: unknown class TWidget"},
      {"object F: TForm\n  Colour = clRed\nend", "line 2: F.Colour: TForm has no property Colour"},
      {"object F: TForm\n  Color = 'red'\nend", "expected a colour"},
      {"object F: TForm\n  Color = clPink\nend", "unknown colour clPink"},
      {"object F: TForm\n  Width = 99999999999\nend", "out of range"},
      {"object F: TForm\n  Font.Style = [fsBold, fsHuge]\nend", "unknown set member fsHuge"},
      {"object F: TForm\n  Caption = 'open\nend", "line 2: unterminated string"},
      {"object F: TForm\n  Caption = #300\nend", "character code above 255"},
      {"object F: TForm\n  Width = 10\n", "expected a property, object or end"},
      {"object F: TPanel\nend", "the layout is for a TPanel"},
      {"object F: TForm\n  object A: TPanel\n  end\n  object A: TLabel\n  end\nend",
       "a second component A"},
      {"object F: TForm\nend\nend", "text after the last end"},
      {"object F: TForm\n  Width = ?\nend", "unexpected character"},
      {"object F: TForm\n  object L: TLabel\n    Align = alMiddle\n  end\nend",
       "line 3: L.Align: unknown value alMiddle"},
      {"", "expected object"},
      {"object F: TForm\n  Width = -2.50\nend", "got -2.50"},  // a real where an integer belongs
  };
  for (const Case& c : cases) {
    gui::TForm form;
    q::Error err = form.CreateFromLayout(c.text);
    ASSERT_TRUE(err.Failed()) << c.text;
    EXPECT_NE(err.Message().find(c.expected), std::string::npos) << err.Message();
  }
  // Deep nesting is refused, not a stack overflow.
  std::string deep = "object F: TForm\n";
  for (int i = 0; i < 100; ++i) deep += "object P" + std::to_string(i) + ": TPanel\n";
  gui::TForm form;
  EXPECT_NE(form.CreateFromLayout(deep).Message().find("too deeply"), std::string::npos);
}

// A component with one real property, for the reader's numbers.
class TRealHolder : public gui::TComponent {
  Q_GUI_CLASS(TRealHolder, gui::TComponent)

 public:
  explicit TRealHolder(TComponent* owner) : TComponent(owner) {}
  double value = 0;
  q::Error SetProperty(std::string_view name, const gui::TValue& v) override {
    return name == "Value" ? v.ToDouble(value) : TComponent::SetProperty(name, v);
  }
};

TEST_F(LayoutTest, ValuesKeepTheirWrittenFormAndRealsComeOutAsTheNearestDouble) {
  gui::TForm form;
  q::Error err = form.CreateFromLayout(R"(object F: TForm
    Caption = 'it''s'#9'a'#$41 + ' joined'  // a comment
    Color = $00FF8000 Font.Height = -27 Font.Style = [fsBold, fsUnderline]
  end)");
  ASSERT_FALSE(err) << err.Message();
  EXPECT_EQ(form.Caption(), "it's\taA joined");
  EXPECT_EQ(form.Color(), gui::RGBColor(0, 0x80, 0xFF));
  EXPECT_EQ(form.Font().Style, gui::fsBold | gui::fsUnderline);

  auto read = [](const std::string& text) {
    gui::TComponent root(nullptr);
    std::vector<gui::TComponent*> created;
    q::Error e = gui::ReadLayout(
        "object R: TComponent object H: TRealHolder Value = " + text + " end end", root,
        [&root](std::string_view) { return new TRealHolder(&root); }, created);
    EXPECT_FALSE(e) << text << ": " << e.Message();
    return created.size() == 2 ? static_cast<TRealHolder*>(created[1])->value : -1;
  };
  // Up to 53 bits of digits and powers of ten up to 22: exactly; more
  // digits: within a few units in the last place.
  for (const char* text :
       {"2.094395102393196", "0.5", "-0.001", "1e3", "2.5E-2", "-12.75e+1", "0.30000000000000004"})
    EXPECT_EQ(read(text), std::strtod(text, nullptr)) << text;
  for (const char* text : {"123456789012.345678", "3.14159265358979323846264"})
    EXPECT_DOUBLE_EQ(read(text), std::strtod(text, nullptr)) << text;
}

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
  gui::TPanel* box = nullptr;     // takes the focus like an edit box, but is no button
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

class ButtonTest : public gui_test::GuiTest {
 protected:
  void SetUp() override {
    gui_test::GuiTest::SetUp();
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
  auto down = [&] { Mouse(yes, WM_LBUTTONDOWN, 5); };
  const struct {
    gui::TWinControl* focus;
    TOwnerButton* disabled;  // for this row only
    bool noCancels;
    std::function<void()> input;
    int clicks;  // ten per click of Yes, one per click of No
    gui::TWinControl* after;
  } rows[] = {
      {yes, nullptr, false, press(yes, 5), 10, yes},
      {yes, nullptr, false, press(yes, 500), 0, yes},
      {yes, nullptr, false, space, 10, yes},
      {yes, nullptr, false, press(no, 5), 1, no},
      {no, yes, false, down, 0, no},
      {no, nullptr, false, key(WM_KEYDOWN, VK_TAB), 0, form_.box},
      {nullptr, nullptr, false, key(WM_KEYDOWN, VK_TAB), 0, form_.plain},
      {nullptr, nullptr, false, key(WM_KEYDOWN, VK_TAB), 0, yes},
      {nullptr, nullptr, false, key(WM_KEYDOWN, VK_TAB), 0, no},
      {form_.box, nullptr, false, key(WM_KEYDOWN, VK_RETURN), 10, form_.box},
      {no, nullptr, false, key(WM_KEYDOWN, VK_RETURN), 1, no},
      {yes, nullptr, false, key(WM_KEYDOWN, VK_ESCAPE), 0, yes},
      {yes, nullptr, true, key(WM_KEYDOWN, VK_ESCAPE), 1, yes},
      {yes, nullptr, false, key(WM_SYSCHAR, 'n'), 1, yes},
      {yes, nullptr, false, key(WM_CHAR, 'Y'), 10, yes},
      {yes, nullptr, false, key(WM_CHAR, 'a'), 0, yes},
      {yes, no, false, key(WM_SYSCHAR, 'N'), 0, yes},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const auto& r = rows[i];
    if (r.focus) r.focus->SetFocus();
    if (r.disabled) r.disabled->SetEnabled(false);
    no->SetCancel(r.noCancels);
    Clear();
    r.input();
    Pump();
    EXPECT_EQ(Clicks(), r.clicks) << "row " << i;
    EXPECT_TRUE(r.after->Focused()) << "row " << i;
    if (r.disabled) {
      EXPECT_EQ(r.disabled->Count("press"), 0) << "row " << i;
      r.disabled->SetEnabled(true);
    }
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

TEST_F(ButtonTest, BindingRefusesAComponentOfAnotherClass) {
  TButtonForm wrong;
  q::Error err = wrong.CreateFromLayout("object F: TButtonForm object Yes: TPanel end end");
  EXPECT_NE(err.Message().find("Yes is a TPanel, not a TOwnerButton"), std::string::npos)
      << err.Message();
  EXPECT_EQ(wrong.yes, nullptr);
}

using FormTest = gui_test::GuiTest;

gui::TColor PixelAt(gui::TBitmap& b, int x, int y) {
  const uint8_t* row = b.ScanLine(y);
  return gui::RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

void Render(gui::TWinControl* c, gui::TBitmap& shot) {
  ASSERT_FALSE(shot.SetSize(c->ClientWidth(), c->ClientHeight()));
  ::SendMessageA(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.Canvas().Handle()),
                 PRF_CLIENT);
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
            std::string(cuts[outer]) + " BevelInner = " + cuts[inner] + " BevelWidth = " +
            std::to_string(bevel) + " BorderWidth = " + std::to_string(border) + " end end"));
        gui::TBitmap shot;
        Render(Find(form, "P"), shot);
        struct Band {
          int width;
          gui::TColor lit, shaded;
        };
        auto bevelBand = [&](int cut) {
          return cut == 0   ? Band{0, face, face}
                 : cut == 1 ? Band{bevel, dark, light}
                            : Band{bevel, light, dark};
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
TEST_F(FormTest, ProgressBarKeepsItsRangeInTheControl) {
  gui::TForm form;
  ASSERT_FALSE(
      form.CreateFromLayout("object F: TForm object B: TProgressBar Max = 7 Position = 9 end end"));
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
  gui::TForm bare;  // shown before it has a window: it gets one
  bare.Show();
  EXPECT_TRUE(::IsWindowVisible(bare.Handle()));
  gui::TForm form;
  ASSERT_FALSE(
      form.CreateFromLayout("object F: TForm object P: TPanel object L: TLabel end end "
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

using TimerTest = gui_test::GuiTest;

TEST_F(TimerTest, FiresAndMayBeFreedInItsEvent) {
  gui::TComponent owner(nullptr);
  auto* timer = new gui::TTimer(&owner);
  int fired = 0;
  timer->SetInterval(10);
  timer->OnTimer = [&](gui::TObject* sender) {
    EXPECT_EQ(sender, timer);
    if (++fired == 3) delete timer;  // a timer may end itself
  };
  EXPECT_TRUE(PumpUntil([&] { return fired == 3; }));
  EXPECT_EQ(owner.ComponentCount(), 0);
  PumpFor(50);
  EXPECT_EQ(fired, 3);
}

}  // namespace
