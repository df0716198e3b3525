// The alignment engine and the layout reader.
#include "gui/layout.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "gui/demo/demo_form.h"
#include "gui/forms.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

using gui_demo::TDemoForm;

struct Box {
  int left, top, width, height;
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << b.left << "," << b.top << " " << b.width << "x" << b.height;
}

Box BoxOf(const gui::TWinControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

using LayoutTest = GuiTest;

TEST_F(LayoutTest, InstallerDialogComesOutAtItsDesignedRectangles) {
  TDemoForm form;
  q::Error err = form.CreateFromLayout(gui_demo::DemoLayout());
  ASSERT_FALSE(err) << err.Message();

  EXPECT_EQ(form.ClientWidth(), 630);
  EXPECT_EQ(form.ClientHeight(), 297);
  // Inside Panel1: a 2-pixel sunken edge, then 2 + 2 pixels of bevels.
  const std::pair<const char*, Box> boxes[] = {
      {"Panel1", {0, 0, 630, 297}},         {"Panel2", {4, 4, 618, 143}},
      {"Label3", {3, 3, 612, 32}},          {"Label1", {3, 35, 612, 75}},
      {"Panel8", {3, 110, 612, 30}},        {"Panel9", {3, 3, 606, 24}},
      {"LabelLink", {3, 8, 600, 13}},       {"Label4", {4, 274, 618, 15}},
      {"ProgressBar1", {8, 152, 609, 121}}, {"ButtonNO", {408, 160, 201, 105}},
      {"ButtonSI", {16, 160, 193, 105}}};
  for (const auto& [name, box] : boxes) {
    const auto* c = static_cast<gui::TWinControl*>(form.FindComponent(name));
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(BoxOf(c), box) << name;
  }
  // Centred on the primary monitor, and no frame around the client area.
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
  auto find = [&](const char* name) {
    return static_cast<gui::TWinControl*>(form.FindComponent(name));
  };
  // Head sizes itself: 2 + 2 bevel pixels around 20 + 10.
  const std::pair<const char*, Box> boxes[] = {
      {"Head", {5, 5, 290, 34}},   {"Line1", {2, 2, 286, 20}},   {"Line2", {2, 22, 286, 10}},
      {"Foot", {5, 180, 290, 15}}, {"West", {5, 39, 40, 141}},   {"East", {265, 39, 30, 141}},
      {"Middle", {45, 39, 220, 141}}, {"Loose", {12, 13, 14, 15}}};
  for (const auto& [name, box] : boxes) EXPECT_EQ(BoxOf(find(name)), box) << name;

  // Hiding a line shrinks the self-sizing panel and everything moves up.
  find("Line1")->Hide();
  EXPECT_EQ(find("Head")->Height(), 14);
  EXPECT_EQ(BoxOf(find("Middle")), (Box{45, 19, 220, 161}));
  find("Line1")->Show();
  EXPECT_EQ(BoxOf(find("Middle")), (Box{45, 39, 220, 141}));

  // A bigger form gives the filling and stretching controls the room.
  form.SetClientSize(400, 250);
  EXPECT_EQ(BoxOf(find("Head")), (Box{5, 5, 390, 34}));
  EXPECT_EQ(BoxOf(find("Foot")), (Box{5, 230, 390, 15}));
  EXPECT_EQ(BoxOf(find("Middle")), (Box{45, 39, 320, 191}));

  static_cast<gui::TPanel*>(find("Outer"))->SetBorderWidth(10);  // shrinks the shared area
  EXPECT_EQ(BoxOf(find("Head")), (Box{10, 10, 380, 34}));

  // Squeezed below its content, the filling control ends at size 0.
  form.SetClientSize(60, 40);
  EXPECT_EQ(find("Middle")->Width() + find("Middle")->Height(), 0);
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
  EXPECT_NE(form.CreateFromLayout(deep).Message().find("too deeply"),
            std::string::npos);
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
  EXPECT_EQ(form.Font().Height, -27);
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
  for (const char* text : {"2.094395102393196", "0.5", "-0.001", "1e3", "2.5E-2", "-12.75e+1",
                           "0.30000000000000004"})
    EXPECT_EQ(read(text), std::strtod(text, nullptr)) << text;
  for (const char* text : {"123456789012.345678", "3.14159265358979323846264"})
    EXPECT_DOUBLE_EQ(read(text), std::strtod(text, nullptr)) << text;
}

}  // namespace
}  // namespace gui_test
