#include "win/installer/installer_fixture.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "installutils/system_folders.h"

namespace installer_test {

namespace {

constexpr UINT kRunDeferred = WM_APP + 1;

std::string ThisProgram() {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

BarRecorder* g_recorder = nullptr;  // the hook procedure has no context

}  // namespace

std::vector<OpenCall> InstallerTest::opened;
INT_PTR InstallerTest::openResult = 42;
std::vector<std::pair<std::wstring, std::wstring>> InstallerTest::started;

ArchiveModule::ArchiveModule(const Bytes* archive) {
  static int counter = 0;
  qtest::TempDir dir;  // only for a unique name beside it
  path_ =
      dir.Path().substr(0, dir.Path().size() - 1) + "-carrier" + std::to_string(++counter) + ".exe";
  if (!::CopyFileA(ThisProgram().c_str(), path_.c_str(), FALSE)) {
    throw std::runtime_error("cannot copy the test program to " + path_);
  }
  HANDLE update = ::BeginUpdateResourceA(path_.c_str(), TRUE);  // drops every resource
  if (!update) throw std::runtime_error("BeginUpdateResource failed");
  if (archive && !::UpdateResourceA(
                     update, "ZIP", MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                     const_cast<uint8_t*>(archive->data()), static_cast<DWORD>(archive->size()))) {
    ::EndUpdateResourceA(update, TRUE);
    throw std::runtime_error("UpdateResource failed");
  }
  if (!::EndUpdateResourceA(update, FALSE)) throw std::runtime_error("EndUpdateResource failed");
  module_ = ::LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module_) throw std::runtime_error("cannot load " + path_ + " as data");
}

ArchiveModule::~ArchiveModule() {
  if (module_) ::FreeLibrary(module_);
  ::DeleteFileA(path_.c_str());
}

BarRecorder::BarRecorder(HWND bar) : bar_(bar) {
  g_recorder = this;
  hook_ = ::SetWindowsHookExA(WH_CALLWNDPROC, &BarRecorder::Hook, nullptr, ::GetCurrentThreadId());
  if (!hook_) throw std::runtime_error("cannot hook the thread's sent messages");
}

BarRecorder::~BarRecorder() {
  ::UnhookWindowsHookEx(hook_);
  g_recorder = nullptr;
}

LRESULT CALLBACK BarRecorder::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  BarRecorder* self = g_recorder;
  if (code == HC_ACTION && self && msg->hwnd == self->bar_) {
    if (msg->message == PBM_SETRANGE32) ++self->ranges;
    if (msg->message == PBM_SETPOS) {
      const int position = static_cast<int>(msg->wParam);
      const int max = static_cast<int>(::SendMessageA(self->bar_, PBM_GETRANGE, FALSE, 0));
      self->steps.push_back({position, max, ::IsWindowVisible(self->bar_) != FALSE});
      if (self->onPosition) self->onPosition(position);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

Deferred::Deferred() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Deferred::WndProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuorvantisTest.Deferred";
  ::RegisterClassA(&wc);  // fails harmlessly when already registered
  window_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Deferred::~Deferred() { ::DestroyWindow(window_); }

void Deferred::Post(std::function<void()> action) {
  actions_.push_back(std::move(action));
  ::PostMessageA(window_, kRunDeferred, actions_.size() - 1, 0);
}

LRESULT CALLBACK Deferred::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kRunDeferred) {
    auto* self = reinterpret_cast<Deferred*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && wParam < self->actions_.size()) self->actions_[wParam]();
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

void InstallerTest::SetUp() {
  GuiTest::SetUp();
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));  // the shortcuts' shell link object
  InitializeInstallUtils();
  const std::string base = root_.Path();
  for (const char* name : {"Program Files", "Programs", "Desktop"}) {
    ASSERT_TRUE(::CreateDirectoryA((base + name).c_str(), nullptr));
  }
  SetFolders(base + "Program Files", base + "Programs", base + "Desktop");
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
  opened.clear();
  openResult = 42;
  started.clear();
}

void InstallerTest::TearDown() {
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
  FinalizeInstallUtils();
  ::CoUninitialize();
}

void InstallerTest::SetFolders(const std::string& programFiles, const std::string& programs,
                               const std::string& desktop) {
  auto bare = [](std::string s) {
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
  };
  programFiles_ = bare(programFiles);
  programs_ = bare(programs);
  desktop_ = bare(desktop);
  SetSystemFolders({programFiles, programs, desktop});
}

void InstallerTest::Open(TProbeForm3& form, HMODULE module) {
  q::Error err = form.CreateFromLayout(Form3Layout());
  ASSERT_FALSE(err) << err.Message();
  form.SetShellOpen([](const char* file, const char* directory) {
    opened.push_back({file, directory});
    return openResult;
  });
  form.SetDesktopShellExecute([](const std::wstring& file, const std::wstring& directory) {
    started.emplace_back(file, directory);
    return REGDB_E_CLASSNOTREG;
  });
  if (module) form.SetArchiveModule(module);
  app_.SetMainForm(&form);
  form.Show();
  Pump();
}

std::vector<std::string> InstallerTest::Tree() const {
  namespace fs = std::filesystem;
  std::vector<std::string> out;
  const fs::path base(root_.Path());
  for (const auto& e : fs::recursive_directory_iterator(base)) {
    out.push_back(fs::relative(e.path(), base).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

Bytes SmallArchive(int count, bool folder) {
  std::vector<qtest::ZipEntryPlan> entries;
  if (folder) entries.push_back(qtest::Stored("docs/", ""));
  for (int i = 0; i < count; ++i) {
    const std::string name = (folder ? "docs/file" : "file") + std::to_string(i) + ".txt";
    entries.push_back(qtest::Stored(name, "content of " + name + "\r\n"));
  }
  return qtest::BuildZip(entries);
}

}  // namespace installer_test
