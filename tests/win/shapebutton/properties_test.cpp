// The control model: accepted ranges, what each change
// triggers, loading from a layout, and the messages that change state.
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <tuple>

#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

TEST_F(ButtonTest, OutOfRangeValuesAreIgnored) {
  TFyeverButton b(nullptr);
  // Each setter with its refused values, then its accepted edge values.
  auto check = [&](auto set, auto get, auto initial,
                   std::initializer_list<decltype(initial)> refused,
                   std::initializer_list<decltype(initial)> accepted) {
    for (auto v : refused) (b.*set)(v);
    EXPECT_EQ((b.*get)(), initial);
    for (auto v : accepted) {
      (b.*set)(v);
      EXPECT_EQ((b.*get)(), v);
    }
  };
  using B = TFyeverButton;
  check(&B::SetMainBitmapGlyphs, &B::MainBitmapGlyphs, 1, {5, 0}, {4, 1});
  check(&B::SetPeaksNumber, &B::PeaksNumber, 6, {2, 21}, {3, 20});
  check(&B::SetRotatedAngle, &B::RotatedAngle, 40, {1800, -1800}, {1799, -1799});
  check(&B::SetArcAngle, &B::ArcAngle, kDefaultArcAngle, {0.005, 7.0, std::nan("")},
        {0.01, 2 * std::numbers::pi});
  check(&B::SetRadiusRatio, &B::RadiusRatio, 0.5, {1.01, -0.01}, {1.0, 0.0});
  check(&B::SetOnEnterGlyphs, &B::OnEnterGlyphs, 1, {0, -3}, {2});
  check(&B::SetButtonWidth, &B::ButtonWidth, 75, {-1}, {0});
  check(&B::SetRotatedTime, &B::RotatedTime, 40, {-1}, {0});
  check(&B::SetGradientBitmapLine, &B::GradientBitmapLine, 0, {-1}, {3, 0});
}

TEST_F(ButtonTest, StoredOnlySettersNeitherRenderNorRebuild) {
  Load("");
  TProbeButton* b = NewButton(10, 10, 100, 40);
  const HRGN outline = b->OutlineRegion();
  b->renders = 0;
  b->SetPeaksNumber(5);  // bkRect: the peaks wait for a kind that uses them
  b->SetRadiusRatio(0.25);
  b->SetArcAngle(1.0);
  b->SetRotatedAngle(-40);
  b->SetGradientFixed(true);
  b->SetOnEnterGlyphs(3);
  b->SetOnEnterInterval(10);
  b->SetRotated(true);
  b->SetRotatedTime(25);
  gui::TBitmap strip;
  ASSERT_FALSE(strip.SetSize(12, 4));
  b->SetOnClickBitmap(&strip);
  EXPECT_EQ(b->OnClickBitmap().Width(), 12);
  EXPECT_EQ(b->renders, 0);
  EXPECT_EQ(b->OutlineRegion(), outline);

  // Equal values change nothing either; a re-rendering setter renders once
  // and leaves the shape; a rebuilding one makes new regions.
  b->SetButtonColor(gui::clBtnFace);
  b->SetButtonDepth(2);
  EXPECT_EQ(b->renders, 0);
  b->SetButtonColor(gui::clRed);
  EXPECT_EQ(b->renders, 1);
  EXPECT_EQ(b->OutlineRegion(), outline);
  b->SetButtonKind(bkPoly);  // uses the 5 peaks stored above
  EXPECT_EQ(b->renders, 2);
  RECT box;
  ASSERT_NE(::GetRgnBox(b->OutlineRegion(), &box), ERROR);
  // A pentagon from the top centre: its lowest corners lie at
  // H/2 (1 + cos 36) = 36.2, where a hexagon's edge would be at 40.
  EXPECT_LE(box.top, 1);
  EXPECT_EQ(box.bottom, 36);
}

TEST_F(ButtonTest, BitmapCopiesAreOwned) {
  TFyeverButton b(nullptr);
  {
    gui::TBitmap glyph;
    ASSERT_FALSE(glyph.SetSize(8, 6));
    b.SetMainBitmap(&glyph);
  }
  EXPECT_EQ(b.MainBitmap().Width(), 8);  // a copy: the caller's is gone
  gui::TBitmap flat;
  ASSERT_FALSE(flat.SetSize(8, 0));
  b.SetMainBitmap(&flat);
  EXPECT_TRUE(b.MainBitmap().Empty());
}

constexpr std::string_view kLoadedButtons = R"(
    object Yes: TFyeverButton
      Left = 16
      Top = 160
      Width = 193
      Height = 105
      Caption = '&Yes I agree the "AS IS"'
      Default = True
      ButtonKind = bkRoundRect
      ButtonColor = clGreen
      ButtonWidth = 193
      ButtonHeight = 105
      RadiusRatio = 0.5
      ArcAngle = 2.094395102393196
      CaptionTop = 10
      CaptionVAlign = vaCenter
      BitmapLeft = 3
      BitmapHAlign = haCenter
    end
    object Turned: TFyeverButton
      Left = 250
      Top = 20
      Width = 40
      Height = 100
      ButtonWidth = 100
      ButtonHeight = 40
      ButtonAngle = 900
      ButtonKind = bkOval
      Button3DKind = dk3dBorder
      GradientKind = gkLinear
      CaptionHAlign = haRight
      BitmapVAlign = vaBottom
      ButtonColor1 = $00FF8000
      RadiusRatio = 1
      PeaksNumber = 12
      StringButtonRegion = ''
      RotationCenterFixed = True
      RotatedTime = 10
      RotatedAngle = -40
      CustomDraw = False
      ShowFocusRGN = False
    end
)";

TEST_F(ButtonTest, LoadedFromALayout) {
  Load(kLoadedButtons);
  auto* yes = form_.Find<TFyeverButton>("Yes");
  auto* turned = form_.Find<TFyeverButton>("Turned");
  ASSERT_TRUE(yes && turned);
  EXPECT_EQ(std::tuple(yes->ButtonKind(), yes->ButtonColor(), yes->Left(), yes->Top()),
            std::tuple(bkRoundRect, gui::clGreen, 16, 160));
  EXPECT_EQ(std::pair(yes->Width(), yes->Height()), std::pair(193, 105));
  EXPECT_DOUBLE_EQ(yes->ArcAngle(), 2.094395102393196);
  // A stored coordinate and a stored alignment coexist...
  EXPECT_EQ(yes->CaptionTop(), 10);
  EXPECT_EQ(yes->CaptionVAlign(), vaCenter);
  EXPECT_EQ(yes->BitmapHAlign(), haCenter);
  // ...but once loaded, a coordinate takes over from its alignment.
  yes->SetCaptionTop(12);
  EXPECT_EQ(yes->CaptionVAlign(), vaNone);
  yes->SetBitmapLeft(4);
  EXPECT_EQ(yes->BitmapHAlign(), haNone);
  yes->SetCaptionLeft(5);  // unchanged: no switch
  EXPECT_EQ(yes->CaptionHAlign(), haCenter);
  yes->SetCaptionLeft(6);
  EXPECT_EQ(yes->CaptionHAlign(), haNone);
  EXPECT_TRUE(yes->IsActive()) << "the default button is the active one";

  // Loading leaves the window where the layout put it.
  EXPECT_EQ(std::tuple(turned->ButtonAngle(), turned->ButtonWidth(), turned->ButtonHeight(),
                       turned->Left(), turned->Top(), turned->Width(), turned->Height()),
            std::tuple(900, 100, 40, 250, 20, 40, 100));
}

TEST_F(ButtonTest, LayoutFaultsAreReported) {
  TFyeverButton b(nullptr);
  gui::TValue kind;
  kind.kind = gui::TValue::Kind::Ident;
  kind.text = "bkSquare";
  q::Error e = b.SetProperty("ButtonKind", kind);
  ASSERT_TRUE(e);
  EXPECT_NE(e.Message().find("bkSquare"), std::string::npos);
  gui::TValue text;
  text.kind = gui::TValue::Kind::String;
  EXPECT_TRUE(b.SetProperty("RadiusRatio", text));
  EXPECT_TRUE(b.SetProperty("NoSuchProperty", text));
}

TEST_F(ButtonTest, MessagesThatChangeState) {
  Load("");
  TProbeButton* b = NewButton(10, 10, 100, 40);
  int clicks = 0, enters = 0;
  b->OnClick = [&](gui::TObject*) { ++clicks; };
  b->onMouseEnter = [&](gui::TObject* sender) {
    EXPECT_EQ(sender, b);
    ++enters;
  };

  // A double click is two presses and two clicks.
  const LPARAM at = MAKELPARAM(20, 20);
  ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
  ::SendMessageA(b->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
  Pump();
  EXPECT_EQ(clicks, 2);

  // The pointer entering sets the hover flag and fires the event...
  b->Perform(gui::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_TRUE(b->Hover());
  EXPECT_EQ(enters, 1);
  // ...except while the space bar holds the button: then leaving and
  // entering change nothing, until any key comes up.
  ::SendMessageA(b->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  b->Perform(gui::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_TRUE(b->Hover());
  b->Perform(gui::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(enters, 1);
  ::SendMessageA(b->Handle(), WM_KEYUP, 'A', 0);
  b->Perform(gui::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_FALSE(b->Hover());
  ::SendMessageA(b->Handle(), WM_KEYUP, VK_SPACE, 0);
  Pump();

  // The native button's selected state is what Paint shows as pressed.
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.hwndItem = b->Handle();
  dis.itemState = ODS_SELECTED;
  b->Perform(gui::CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  Paint(b);
  EXPECT_TRUE(b->Pressed());
  dis.itemState = 0;
  b->Perform(gui::CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  Paint(b);
  EXPECT_FALSE(b->Pressed());

  MEASUREITEMSTRUCT mis{};
  b->Perform(gui::CN_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
  EXPECT_EQ(mis.itemWidth, 100u);
  EXPECT_EQ(mis.itemHeight, 40u);

  // One rotation step turns by RotatedAngle through the angle setter.
  b->SetRotatedAngle(-40);
  ::SendMessageA(b->Handle(), FY_ROTATIONSTEP, 0, 0);
  EXPECT_EQ(b->ButtonAngle(), -40);
}

}  // namespace
}  // namespace fybutton_test
