// The desktop shell's start of the product as the shell's application
// object receives it, through a stand-in that records the call.
#include "installer/launch.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <shldisp.h>

#include <string>

namespace installer_test {
namespace {

// COM objects end through Release, never through a base pointer's
// destructor: their interfaces have no virtual destructor by design.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#define Q_UNUSED_METHOD(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }

// Records ShellExecute; every other method is refused.
class RecordingShell : public IShellDispatch2 {
 public:
  std::wstring file, arguments, directory, verb;
  VARTYPE showType = VT_EMPTY;
  LONG show = -1;

  HRESULT STDMETHODCALLTYPE ShellExecute(BSTR File, VARIANT vArgs, VARIANT vDir, VARIANT vOperation,
                                         VARIANT vShow) override {
    file = File;
    for (auto [value, out] :
         {std::pair{&vArgs, &arguments}, {&vDir, &directory}, {&vOperation, &verb}}) {
      *out = value->vt == VT_BSTR ? value->bstrVal : L"(not a string)";
    }
    showType = vShow.vt;
    show = vShow.lVal;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  // One line of stubs per row of the interface, kept as written.
  // clang-format off
  Q_UNUSED_METHOD(GetTypeInfoCount, UINT*)
  Q_UNUSED_METHOD(GetTypeInfo, UINT, LCID, ITypeInfo**)
  Q_UNUSED_METHOD(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
  Q_UNUSED_METHOD(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
  Q_UNUSED_METHOD(get_Application, IDispatch**) Q_UNUSED_METHOD(get_Parent, IDispatch**)
  Q_UNUSED_METHOD(NameSpace, VARIANT, Folder**)
  Q_UNUSED_METHOD(BrowseForFolder, LONG, BSTR, LONG, VARIANT, Folder**)
  Q_UNUSED_METHOD(Windows, IDispatch**) Q_UNUSED_METHOD(Open, VARIANT) Q_UNUSED_METHOD(Explore, VARIANT)
  Q_UNUSED_METHOD(MinimizeAll) Q_UNUSED_METHOD(UndoMinimizeALL) Q_UNUSED_METHOD(FileRun)
  Q_UNUSED_METHOD(CascadeWindows) Q_UNUSED_METHOD(TileVertically) Q_UNUSED_METHOD(TileHorizontally)
  Q_UNUSED_METHOD(ShutdownWindows) Q_UNUSED_METHOD(Suspend) Q_UNUSED_METHOD(EjectPC)
  Q_UNUSED_METHOD(SetTime) Q_UNUSED_METHOD(TrayProperties) Q_UNUSED_METHOD(Help)
  Q_UNUSED_METHOD(FindFiles) Q_UNUSED_METHOD(FindComputer) Q_UNUSED_METHOD(RefreshMenu)
  Q_UNUSED_METHOD(ControlPanelItem, BSTR) Q_UNUSED_METHOD(IsRestricted, BSTR, BSTR, LONG*)
  Q_UNUSED_METHOD(FindPrinter, BSTR, BSTR, BSTR) Q_UNUSED_METHOD(GetSystemInformation, BSTR, VARIANT*)
  Q_UNUSED_METHOD(ServiceStart, BSTR, VARIANT, VARIANT*) Q_UNUSED_METHOD(ServiceStop, BSTR, VARIANT, VARIANT*)
  Q_UNUSED_METHOD(IsServiceRunning, BSTR, VARIANT*) Q_UNUSED_METHOD(CanStartStopService, BSTR, VARIANT*)
  Q_UNUSED_METHOD(ShowBrowserBar, BSTR, VARIANT, VARIANT*)
  // clang-format on
};

TEST(DesktopShellLaunch, TheShellOpensTheProgramInItsFolderShownNormally) {
  RecordingShell shell;
  const std::wstring program = L"C:\\Program Files\\Ünïcode Qu\\Quorvantis.exe";
  ASSERT_EQ(ShellExecuteThrough(shell, program, L"C:\\Program Files\\Ünïcode Qu\\"), S_OK);
  EXPECT_EQ(shell.file, program);
  EXPECT_EQ(shell.arguments, L"");
  EXPECT_EQ(shell.directory, L"C:\\Program Files\\Ünïcode Qu\\");
  EXPECT_EQ(shell.verb, L"open");
  EXPECT_EQ(shell.showType, VT_I4);
  EXPECT_EQ(shell.show, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace installer_test
