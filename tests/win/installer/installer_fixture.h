// Shared by the installer's in-process tests: the dialog made from its real
// layout in a test of its own, the system's folders pointed at a fresh
// folder tree, archives of the test's choosing carried by a module as
// resource "ZIP" 1, the shell's "open" recorded instead of run, and the
// progress bar watched as the dialog drives it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "installer/main_form.h"
#include "support/files.h"
#include "win/gui/gui_fixture.h"
#include "win/installutils/test_util.h"

namespace installer_test {

using qtest::Bytes;

// The installation's entry in the list of installed programs.
constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvantis";

// TForm3 with its procedure's state within reach.
class TProbeForm3 : public TForm3 {
  Q_GUI_CLASS(TProbeForm3, TForm3)

 public:
  using TForm3::RunInstalledProgram;
  void SetExePath(std::string path) { FExePath = std::move(path); }
};

// What the dialog asked the shell to open.
struct OpenCall {
  std::string file;
  std::string directory;
};

// A copy of this test program whose only resource is `archive` as "ZIP" 1
// (no resource at all for null), loaded as a data file.
class ArchiveModule {
 public:
  explicit ArchiveModule(const Bytes* archive);
  ~ArchiveModule();
  ArchiveModule(const ArchiveModule&) = delete;
  ArchiveModule& operator=(const ArchiveModule&) = delete;
  HMODULE Get() const { return module_; }

 private:
  std::string path_;
  HMODULE module_ = nullptr;
};

// The progress bar as the dialog drives it: every position sent to its
// window, with the bar's maximum and visibility at that moment. `onPosition`
// runs for each, inside the installation.
struct BarStep {
  int position;
  int max;
  bool visible;
};
class BarRecorder {
 public:
  explicit BarRecorder(HWND bar);
  ~BarRecorder();
  BarRecorder(const BarRecorder&) = delete;
  BarRecorder& operator=(const BarRecorder&) = delete;

  std::vector<BarStep> steps;
  int ranges = 0;  // PBM_SETRANGE32 messages
  std::function<void(int position)> onPosition;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HWND bar_;
  HHOOK hook_ = nullptr;
};

// Runs `action` when the thread's pump gets to it: a message posted now,
// dispatched by whichever pump runs next (the dialog's own, inside a click).
class Deferred {
 public:
  Deferred();
  ~Deferred();
  void Post(std::function<void()> action);

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
  std::vector<std::function<void()>> actions_;
};

class InstallerTest : public gui_test::GuiTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes the dialog from its layout, with the shell's "open" recorded and
  // the archive taken from `module` (null: this program's own, the real
  // payload), and shows it.
  void Open(TProbeForm3& form, HMODULE module = nullptr);
  // Answers Yes, as a click does.
  void Yes(TProbeForm3& form) { form.FyeverButtonSI->Click(); }

  // Points the installer at these folder values (the defaults: the three
  // folders below root_, without trailing "\").
  void SetFolders(const std::string& programFiles, const std::string& programs,
                  const std::string& desktop);

  std::string InstallDir() const { return programFiles_ + "\\Quorvantis\\"; }
  std::string GroupDir() const { return programs_ + "\\Quorvantis\\"; }
  // Every file and folder below root_, relative, sorted.
  std::vector<std::string> Tree() const;

  static std::vector<OpenCall> opened;
  // What the recorded "open" answers (above 32: success).
  static INT_PTR openResult;
  // What the desktop shell's stand-in was asked to start (it answers that
  // there is no desktop shell: the "open" above starts it).
  static std::vector<std::pair<std::wstring, std::wstring>> started;

  qtest::TempDir root_;
  std::string programFiles_, programs_, desktop_;
};

// Stored entries holding `count` small files (and, with `folder`, a folder
// entry first).
Bytes SmallArchive(int count, bool folder = false);

}  // namespace installer_test
