// The dialog's flow: its look as it opens, the states it passes through,
// what it refuses while busy, No, the credit line, the launch.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>
#include <utility>

#include "gui/application.h"
#include "installer/log_file.h"
#include "win/installer/installer_fixture.h"

namespace installer_test {
namespace {

using DialogTest = InstallerTest;

// What a person sees of the flow at one moment.
struct Shown {
  std::string status;
  bool yes, no, bar, busy;
  int phase;
  gui::TCursor cursor;
  bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << "'" << s.status << "' yes=" << s.yes << " no=" << s.no << " bar=" << s.bar
            << " busy=" << s.busy << " phase=" << s.phase << " cursor=" << s.cursor;
}
Shown Now(const TForm3& form) {
  return {form.Label4->Caption(),
          form.FyeverButtonSI->Visible(),
          form.FyeverButtonNO->Visible(),
          form.ProgressBar1->Visible(),
          form.Busy(),
          form.Phase(),
          gui::Application()->Cursor()};
}

TEST_F(DialogTest, OpensBorderlessWithYesFocusedAndTheLayoutsLook) {
  TProbeForm3 form;
  Open(form);
  const LONG_PTR style = ::GetWindowLongPtrA(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_EQ(form.ClientWidth(), 630);
  EXPECT_EQ(form.ClientHeight(), 297);
  char caption[32] = {};
  ::GetWindowTextA(form.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Form3");

  EXPECT_EQ(::GetFocus(), form.FyeverButtonSI->Handle());
  EXPECT_TRUE(form.FyeverButtonSI->Default());
  EXPECT_FALSE(form.FyeverButtonNO->Default());
  const std::vector<gui::TWinControl*> tabs = form.TabList();
  ASSERT_EQ(tabs.size(), 2u);  // the hidden bar is no stop
  EXPECT_EQ(tabs[0], form.FyeverButtonNO);
  EXPECT_EQ(tabs[1], form.FyeverButtonSI);
  // The installer links none of the button's optional parts: a layout
  // naming one is refused, not drawn without it.
  const std::pair<const char*, const char*> optional[] = {
      {"ButtonKind", "bkUser"}, {"GradientKind", "gkLinear"}, {"Rotated", "True"}};
  for (const auto& [name, value] : optional) {
    gui::TValue ident;
    ident.kind = gui::TValue::Kind::Ident;
    ident.text = value;
    EXPECT_TRUE(form.FyeverButtonNO->SetProperty(name, ident)) << name;
  }

  EXPECT_EQ(form.Label3->Caption(), "Quorvantis");
  EXPECT_EQ(form.Label1->Caption(),
            "This software here is distributed on an \"AS IS\" basis.\r\n"
            "Use it at your own risk, WITHOUT WARRANTY OF ANY KIND, either express or implied.\r\n"
            "If you live or are intended to use this software \r\n"
            "in countries where this is not applicable (\"AS IS\" basis), \r\n"
            "DO NOT USE IT.");
  EXPECT_EQ(form.LabelLink->Caption(), "Build by Quorvantis Software");
  EXPECT_EQ(form.LabelLink->Cursor(), gui::crHandPoint);
  EXPECT_EQ(form.FyeverButtonSI->Caption(), "&Yes I agree the \"AS IS\"");
  EXPECT_EQ(form.FyeverButtonNO->Caption(), "&NO");

  struct Place {
    const gui::TWinControl* control;
    RECT expected;
  } places[] = {
      {form.Panel2, {4, 4, 622, 147}},
      {form.Label4, {4, 274, 622, 289}},
      {form.ProgressBar1, {8, 152, 617, 273}},
      {form.FyeverButtonNO, {408, 160, 609, 265}},
      {form.FyeverButtonSI, {16, 160, 209, 265}},
  };
  for (const Place& p : places) {
    const RECT r = p.control->BoundsRect();
    EXPECT_TRUE(::EqualRect(&r, &p.expected))
        << p.control->Name() << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  EXPECT_EQ(form.FyeverButtonSI->ButtonKind(), fyeverbutton::bkRoundRect);
  EXPECT_EQ(form.FyeverButtonSI->ButtonColor(), gui::clGreen);
  EXPECT_EQ(form.FyeverButtonNO->ButtonColor(), gui::clRed);
  EXPECT_EQ(form.FyeverButtonSI->ButtonWidth(), 193);
  EXPECT_EQ(form.FyeverButtonNO->ButtonWidth(), 201);
  EXPECT_EQ(form.FyeverButtonNO->ArcAngle(), 2.094395102393196);
}

TEST_F(DialogTest, PassesThroughTheFourStatesAndEndsAfterTheLaunch) {
  TProbeForm3 form;
  Open(form);
  EXPECT_EQ(Now(form),
            (Shown{"Start setup of Quorvantis ?", true, true, false, false, 1, gui::crDefault}));

  BarRecorder bar(form.ProgressBar1->Handle());
  Shown installing{};
  bar.onPosition = [&](int) { installing = Now(form); };
  Yes(form);
  EXPECT_EQ(installing, (Shown{"Wait Please...", false, false, true, true, 1, gui::crHourGlass}));
  EXPECT_EQ(Now(form), (Shown{"Run Quorvantis?", true, true, false, false, 2, gui::crDefault}));
  EXPECT_FALSE(form.Failed());
  EXPECT_EQ(form.ExePath(), InstallDir() + "Quorvantis.exe");
  EXPECT_TRUE(opened.empty());

  form.SetShellOpen([](const char* file, const char* directory) -> INT_PTR {
    opened.push_back({file, directory});
    TForm3* f = static_cast<TForm3*>(gui::Application()->MainForm());
    // Observed from inside the launch.
    EXPECT_TRUE(f->Busy());
    EXPECT_EQ(f->Label4->Caption(), "Wait Please...");
    EXPECT_TRUE(f->FyeverButtonSI->Visible() && f->FyeverButtonNO->Visible());
    return 42;
  });
  Yes(form);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].file, InstallDir() + "Quorvantis.exe");
  EXPECT_EQ(opened[0].directory, "");
  EXPECT_FALSE(form.Busy());
  EXPECT_FALSE(form.Visible());
  Pump();
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
    // A close request: refused.
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
  EXPECT_EQ(bar.ranges, 1);  // one installation
  EXPECT_EQ(form.Label4->Caption(), "Run Quorvantis?");
  EXPECT_TRUE(UninstallEntryExists());
}

TEST_F(DialogTest, NoInTheFirstStateWritesNothing) {
  const std::vector<std::string> before = Tree();
  TProbeForm3 form;
  Open(form);
  ::PostMessageA(form.FyeverButtonNO->Handle(), BM_CLICK, 0, 0);
  Pump();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(Tree(), before);
  EXPECT_FALSE(UninstallEntryExists());
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(form.ExitCode(), 1602);
}

TEST_F(DialogTest, EnterAnswersYesAndTheAcceleratorsClickTheirButtons) {
  TProbeForm3 form;
  Open(form);
  int yes = 0, no = 0;
  form.FyeverButtonSI->OnClick = [&](gui::TObject*) { ++yes; };
  form.FyeverButtonNO->OnClick = [&](gui::TObject*) { ++no; };
  auto key = [&](UINT msg, WPARAM code) {
    ::PostMessageA(::GetFocus(), msg, code, 0);
    Pump();
  };
  key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(yes, 1);
  key(WM_CHAR, 'n');
  EXPECT_EQ(no, 1);
  key(WM_CHAR, 'Y');
  EXPECT_EQ(yes, 2);
}

TEST_F(DialogTest, ASecondYesQueuedBehindTheFirstStartsNoSecondInstallationOrLaunch) {
  TProbeForm3 form;
  Open(form);
  BarRecorder bar(form.ProgressBar1->Handle());
  Deferred later;
  // Dispatched by the pump that repaints the dialog before the work starts.
  later.Post([&] { form.FyeverButtonSIClick(nullptr); });
  Yes(form);
  EXPECT_EQ(bar.ranges, 1);  // one installation
  EXPECT_EQ(form.Label4->Caption(), "Run Quorvantis?");

  later.Post([&] { form.FyeverButtonSIClick(nullptr); });
  Yes(form);
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(DialogTest, ALongProgramPathLaunchesWhole) {
  TProbeForm3 form;
  Open(form);
  for (size_t length : {512u, 513u, 1000u}) {
    std::string path = "C:\\" + std::string(length - 3 - 15, 'q') + "\\Quorvantis.exe";
    ASSERT_EQ(path.size(), length);
    form.SetExePath(path);
    opened.clear();
    EXPECT_FALSE(form.RunInstalledProgram());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].file, path);
  }
}

// The desktop shell starts the program in its own folder; only when there
// is none does Setup start it itself. The log says which.
TEST_F(DialogTest, TheDesktopShellStartsTheProgramAndWithoutOneSetupDoes) {
  TProbeForm3 form;
  Open(form);
  const std::string logPath = root_.Path() + "setup.log";
  SetupLog log;
  ASSERT_FALSE(log.Open(logPath));
  form.SetLog(&log);
  form.SetExePath("C:\\Apps\\Q\\Quorvantis.exe");
  startResult = S_OK;
  EXPECT_FALSE(form.RunInstalledProgram());
  startResult = REGDB_E_CLASSNOTREG;
  EXPECT_FALSE(form.RunInstalledProgram());
  const std::pair<std::wstring, std::wstring> call{L"C:\\Apps\\Q\\Quorvantis.exe",
                                                   L"C:\\Apps\\Q\\"};
  EXPECT_EQ(started, (std::vector{call, call}));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].file, "C:\\Apps\\Q\\Quorvantis.exe");
  std::ifstream in(logPath);
  std::string first, second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_NE(first.find("\tlaunch\tok\tC:\\Apps\\Q\\Quorvantis.exe\tstarted by the desktop shell"),
            std::string::npos)
      << first;
  EXPECT_NE(second.find("\tlaunch\tok\tC:\\Apps\\Q\\Quorvantis.exe\tno desktop shell"),
            std::string::npos)
      << second;
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
  EXPECT_TRUE(form.FyeverButtonNO->Visible());
  EXPECT_TRUE(form.Visible());
  // Nothing further is launched; No ends the program.
  Yes(form);
  EXPECT_EQ(opened.size(), 1u);
  form.FyeverButtonNO->Click();
  EXPECT_FALSE(form.Visible());
}

}  // namespace
}  // namespace installer_test
