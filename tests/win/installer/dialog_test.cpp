// The dialog's flow: the states it passes through, what it refuses while
// busy, the launch and its failure.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <tuple>
#include <utility>

#include "gui/application.h"
#include "win/installer/installer_fixture.h"

namespace installer_test {
namespace {

using DialogTest = InstallerTest;

// What a person sees of the flow at one moment: status, Yes, No, bar,
// busy, phase, cursor.
using Shown = std::tuple<std::string, bool, bool, bool, bool, int, gui::TCursor>;
Shown Now(const TForm3& form) {
  return {form.Label4->Caption(),
          form.FyeverButtonSI->Visible(),
          form.FyeverButtonNO->Visible(),
          form.ProgressBar1->Visible(),
          form.Busy(),
          form.Phase(),
          gui::Application()->Cursor()};
}

// The installer links none of the button's optional parts: a layout naming
// one is refused, not drawn without it.
TEST_F(DialogTest, RefusesButtonPartsItDoesNotLink) {
  TProbeForm3 form;
  Open(form);
  const std::pair<const char*, const char*> optional[] = {
      {"ButtonKind", "bkUser"}, {"GradientKind", "gkLinear"}, {"Rotated", "True"}};
  for (const auto& [name, value] : optional) {
    gui::TValue ident;
    ident.kind = gui::TValue::Kind::Ident;
    ident.text = value;
    EXPECT_TRUE(form.FyeverButtonNO->SetProperty(name, ident)) << name;
  }
}

TEST_F(DialogTest, PassesThroughTheFourStatesAndEndsAfterTheLaunch) {
  TProbeForm3 form;
  Open(form);
  EXPECT_EQ(form.TabList(),
            (std::vector<gui::TWinControl*>{form.FyeverButtonNO, form.FyeverButtonSI}));
  EXPECT_EQ(Now(form),
            (Shown{"Start setup of Quorvantis ?", true, true, false, false, 1, gui::crDefault}));

  BarRecorder bar(form.ProgressBar1->Handle());
  Shown installing{};
  bar.onPosition = [&](int) { installing = Now(form); };
  // A second Yes queued behind the first, dispatched by the pump that
  // repaints the dialog before the work starts: no second installation.
  Deferred later;
  later.Post([&] { form.FyeverButtonSIClick(nullptr); });
  Yes(form);
  EXPECT_EQ(installing, (Shown{"Wait Please...", false, false, true, true, 1, gui::crHourGlass}));
  EXPECT_EQ(Now(form), (Shown{"Run Quorvantis?", true, true, false, false, 2, gui::crDefault}));
  EXPECT_EQ(bar.ranges, 1);
  EXPECT_FALSE(form.Failed());
  EXPECT_EQ(form.ExePath(), InstallDir() + "Quorvantis.exe");
  EXPECT_TRUE(opened.empty());

  form.SetShellOpen([](const char* file, const char* directory) -> INT_PTR {
    opened.push_back({file, directory});
    TForm3* f = static_cast<TForm3*>(gui::Application()->MainForm());
    EXPECT_TRUE(f->Busy());  // observed from inside the launch
    EXPECT_EQ(f->Label4->Caption(), "Wait Please...");
    EXPECT_TRUE(f->FyeverButtonSI->Visible() && f->FyeverButtonNO->Visible());
    return 42;
  });
  later.Post([&] { form.FyeverButtonSIClick(nullptr); });  // no second launch
  Yes(form);
  Pump();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].file + "|" + opened[0].directory, InstallDir() + "Quorvantis.exe|");
  EXPECT_FALSE(form.Busy());
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(app_.Terminated());  // the main window closed: the program ends
}

TEST_F(DialogTest, WhileInstallingYesAndCloseChangeNothingAndTheCreditLineStillOpens) {
  TProbeForm3 form;
  Open(form);
  BarRecorder bar(form.ProgressBar1->Handle());
  bool checked = false;
  bar.onPosition = [&](int position) {
    if (position != 1 || checked) return;
    checked = true;
    // A Yes handled now: nothing happens, not even to the cursor (set to
    // something else first so that any change would show).
    app_.SetCursor(gui::crIBeam);
    const Shown before = Now(form);
    form.FyeverButtonSIClick(nullptr);
    EXPECT_EQ(Now(form), before);
    app_.SetCursor(gui::crHourGlass);
    bool canClose = true;
    form.FormCloseQuery(nullptr, canClose);
    EXPECT_FALSE(canClose);
    // The same through the queue, dispatched by the progress callback's
    // pump: a close, and a click on the credit line.
    ::PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
    ::PostMessageA(form.LabelLink->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::PostMessageA(form.LabelLink->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  };
  Yes(form);
  ASSERT_TRUE(checked);
  EXPECT_TRUE(form.Visible());
  EXPECT_FALSE(app_.Terminated());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].file, "https://quorvantis.example/");
  EXPECT_EQ(form.Label4->Caption(), "Run Quorvantis?");
}

// A path past any fixed buffer launches whole. (Which of the desktop shell
// or Setup itself starts the program, and the log line saying so, the
// end-to-end installer and unattended tests see.)
TEST_F(DialogTest, ALongProgramPathLaunchesWhole) {
  TProbeForm3 form;
  Open(form);
  for (size_t length : {512u, 513u, 1000u}) {
    const std::string path = "C:\\" + std::string(length - 3 - 15, 'q') + "\\Quorvantis.exe";
    form.SetExePath(path);
    opened.clear();
    started.clear();
    EXPECT_FALSE(form.RunInstalledProgram());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].file, path);
    ASSERT_EQ(started.size(), 1u);  // the desktop shell was asked first
    EXPECT_EQ(started[0].first, std::wstring(path.begin(), path.end()));
    EXPECT_EQ(started[0].second, std::wstring(path.begin(), path.begin() + path.size() - 14));
  }
}

TEST_F(DialogTest, AFailedLaunchIsShownAndTheDialogStays) {
  TProbeForm3 form;
  Open(form);
  Yes(form);
  ASSERT_EQ(form.Phase(), 2);
  openResult = SE_ERR_FNF;
  Yes(form);
  EXPECT_TRUE(form.Failed());
  EXPECT_EQ(
      form.Label4->Caption().rfind(
          "Quorvantis could not be started: cannot start " + InstallDir() + "Quorvantis.exe: ", 0),
      0u)
      << form.Label4->Caption();
  EXPECT_FALSE(form.FyeverButtonSI->Visible());
  EXPECT_TRUE(form.Visible());
  // Nothing further is launched; No ends the program.
  Yes(form);
  EXPECT_EQ(opened.size(), 1u);
  form.FyeverButtonNO->Click();
  EXPECT_FALSE(form.Visible());
}

}  // namespace
}  // namespace installer_test
