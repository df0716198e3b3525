// The control model: accepted ranges and values, what each change triggers,
// and the messages that change state.
#include <cmath>
#include <functional>
#include <initializer_list>
#include <numbers>
#include <tuple>

#include "win/shapebutton/button_fixture.h"

namespace fybutton_test {
namespace {

TEST_F(ButtonTest, OutOfRangeAndMalformedValuesAreRefused) {
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
  check(&B::SetButtonWidth, &B::ButtonWidth, 75, {-1}, {0});
  check(&B::SetGradientBitmapLine, &B::GradientBitmapLine, 0, {-1}, {3, 0});
  // Layout values of an unknown name or the wrong type: refused, named.
  gui::TValue v;
  v.kind = gui::TValue::Kind::Ident;
  v.text = "bkSquare";
  EXPECT_NE(b.SetProperty("ButtonKind", v).Message().find("bkSquare"), std::string::npos);
  v.kind = gui::TValue::Kind::String;
  EXPECT_TRUE(b.SetProperty("RadiusRatio", v));
  EXPECT_TRUE(b.SetProperty("NoSuchProperty", v));
}

// Each setter in turn on one button: how many face renders it causes and
// whether it makes a new shape. Stored-only values wait for a use (the
// peaks for a kind that has them); equal values change nothing.
TEST_F(ButtonTest, WhatEachSetterRendersOrRebuilds) {
  Load();
  TProbeButton* b = NewButton(10, 10, 100, 40);
  gui::TBitmap strip;
  ASSERT_FALSE(strip.SetSize(12, 4));
  const struct {
    const char* what;
    std::function<void(TProbeButton*)> set;
    int renders;
    bool rebuilt;
  } rows[] = {
      {"stored only",
       [&](TProbeButton* x) {
         x->SetPeaksNumber(5), x->SetRadiusRatio(0.25), x->SetArcAngle(1.0);
         x->SetRotatedAngle(-40), x->SetGradientFixed(true), x->SetOnEnterGlyphs(3);
         x->SetOnEnterInterval(10), x->SetRotated(true), x->SetRotatedTime(25);
         x->SetOnClickBitmap(&strip);
       },
       0, false},
      {"equal values",
       [](TProbeButton* x) { x->SetButtonColor(gui::clBtnFace), x->SetButtonDepth(2); }, 0, false},
      {"colour", [](TProbeButton* x) { x->SetButtonColor(gui::clRed); }, 1, false},
      {"caption angle", [](TProbeButton* x) { x->SetCaptionAngle(450); }, 1, false},
      {"focus outline", [](TProbeButton* x) { x->SetShowFocusRGN(false); }, 1, false},
      {"kind", [](TProbeButton* x) { x->SetButtonKind(bkPoly); }, 1, true},
  };
  for (const auto& r : rows) {
    const HRGN outline = b->OutlineRegion();
    b->renders = 0;
    r.set(b);
    EXPECT_EQ(b->renders, r.renders) << r.what;
    EXPECT_EQ(b->OutlineRegion() != outline, r.rebuilt) << r.what;
  }
  EXPECT_EQ(b->OnClickBitmap().Width(), 12) << "a copy: the caller's may go";
}

TEST_F(ButtonTest, MessagesThatChangeState) {
  Load();
  TProbeButton* b = NewButton(10, 10, 100, 40);
  int clicks = 0, enters = 0;
  b->OnClick = [&](gui::TObject*) { ++clicks; };
  b->onMouseEnter = [&](gui::TObject* sender) { enters += sender == b; };

  // A double click is two presses and two clicks.
  const LPARAM at = MAKELPARAM(20, 20);
  ::SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
  ::SendMessageA(b->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  ::SendMessageA(b->Handle(), WM_LBUTTONUP, 0, at);
  Pump();
  EXPECT_EQ(clicks, 2);

  // The pointer entering sets the hover flag and fires the event.
  b->Perform(gui::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_TRUE(b->Hover());
  EXPECT_EQ(enters, 1);
}

}  // namespace
}  // namespace fybutton_test
