// The start of the installed program: the desktop shell's ShellExecute,
// else the installer's own (see launch.h), and RunInstalledProgram.
#include "installer/launch.h"

#include <windows.h>
#include <exdisp.h>
#include <shlobj.h>

#include "common/digits.h"
#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "installer/main_form.h"
#include "installutils/shell_guids.h"
#include "installutils/shell_text.h"
#include "installutils/system_error.h"

namespace {

using namespace shell_guids;

// One VARIANT argument, cleared when it goes.
struct VariantArg {
  VARIANT value;
  VariantArg() { ::VariantInit(&value); }
  explicit VariantArg(std::wstring_view text) : VariantArg() {
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  explicit VariantArg(int number) : VariantArg() {
    value.vt = VT_I4;
    value.lVal = number;
  }
  ~VariantArg() { ::VariantClear(&value); }
  VariantArg(const VariantArg&) = delete;
  VariantArg& operator=(const VariantArg&) = delete;
};

template <typename I>
HRESULT Query(IUnknown* object, const IID& iid, q::ComPtr<I>& out) {
  void* raw = nullptr;
  const HRESULT hr = object->QueryInterface(iid, &raw);
  if (SUCCEEDED(hr)) out.Reset(static_cast<I*>(raw));
  return hr;
}

// The shell application object of the desktop's folder view.
HRESULT FindDesktopShell(q::ComPtr<IShellDispatch2>& out) {
  void* raw = nullptr;
  HRESULT hr =
      ::CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_LOCAL_SERVER, kIidShellWindows, &raw);
  if (FAILED(hr)) return hr;
  const q::ComPtr<IShellWindows> windows(static_cast<IShellWindows*>(raw));

  VariantArg desktop(static_cast<int>(CSIDL_DESKTOP));
  VariantArg none;
  long window = 0;
  IDispatch* found = nullptr;
  hr = windows.Get()->FindWindowSW(&desktop.value, &none.value, SWC_DESKTOP, &window,
                                   SWFO_NEEDDISPATCH, &found);
  if (hr == S_FALSE || (SUCCEEDED(hr) && !found)) hr = E_NOINTERFACE;  // no desktop window
  if (FAILED(hr)) return hr;
  const q::ComPtr<IDispatch> desktopEntry(found);

  q::ComPtr<IServiceProvider> services;
  if (FAILED(hr = Query(desktopEntry.Get(), kIidServiceProvider, services))) return hr;
  if (!services) return E_NOINTERFACE;
  raw = nullptr;
  hr = services.Get()->QueryService(kSidTopLevelBrowser, kIidShellBrowser, &raw);
  if (FAILED(hr)) return hr;
  const q::ComPtr<IShellBrowser> browser(static_cast<IShellBrowser*>(raw));

  IShellView* rawView = nullptr;
  if (FAILED(hr = browser.Get()->QueryActiveShellView(&rawView))) return hr;
  const q::ComPtr<IShellView> view(rawView);
  raw = nullptr;
  if (FAILED(hr = view.Get()->GetItemObject(SVGIO_BACKGROUND, kIidDispatch, &raw))) return hr;
  const q::ComPtr<IDispatch> background(static_cast<IDispatch*>(raw));

  q::ComPtr<IShellFolderViewDual> folderView;
  if (FAILED(hr = Query(background.Get(), kIidShellFolderViewDual, folderView))) return hr;
  if (!folderView) return E_NOINTERFACE;
  IDispatch* rawApplication = nullptr;
  if (FAILED(hr = folderView.Get()->get_Application(&rawApplication))) return hr;
  if (!rawApplication) return E_NOINTERFACE;
  const q::ComPtr<IDispatch> application(rawApplication);
  return Query(application.Get(), kIidShellDispatch2, out);
}

// ShellExecuteA's result as text: at most 32 is a failure.
std::string ShellOpenErrorText(INT_PTR rc) {
  switch (rc) {
    case 0: return "the system is out of memory or resources";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_BAD_FORMAT: return Win32ErrorText(static_cast<uint32_t>(rc));
    default: return q::Message("the shell refused to open it (code %s)", q::SignedDecimal(rc));
  }
}

}  // namespace

HRESULT DesktopShellExecute(const std::wstring& file, const std::wstring& directory) {
  q::ComPtr<IShellDispatch2> shell;
  if (const HRESULT hr = FindDesktopShell(shell); FAILED(hr)) return hr;
  if (!shell) return E_NOINTERFACE;
  return ShellExecuteThrough(*shell.Get(), file, directory);
}

HRESULT ShellExecuteThrough(IShellDispatch2& shell, const std::wstring& file,
                            const std::wstring& directory) {
  BSTR name = ::SysAllocStringLen(file.data(), static_cast<UINT>(file.size()));
  if (!name) return E_OUTOFMEMORY;
  VariantArg arguments(std::wstring_view{}), folder(directory), verb(std::wstring_view(L"open")),
      show(SW_SHOWNORMAL);
  const HRESULT hr =
      shell.ShellExecute(name, arguments.value, folder.value, verb.value, show.value);
  ::SysFreeString(name);
  return hr;
}

q::Error TForm3::RunInstalledProgram() {
  FBusy = true;
  q::Error result;
  if (!FExePath.empty()) {
    // The program's own folder as its current folder: the shell's is not
    // the installer's.
    const std::string folder(FolderPart(FExePath));
    const HRESULT hr = FDesktopShellExecute(q::Widen(FExePath), q::Widen(folder));
    if (SUCCEEDED(hr)) {
      LogStep("launch", "ok", FExePath, "started by the desktop shell, as the logged-on user");
    } else {
      // The path as it stands, however long: no fixed buffer to outgrow.
      const INT_PTR rc = FShellOpen(FExePath.c_str(), "");
      const std::string how =
          q::Message("no desktop shell to start it (%s): started by Setup itself, with its rights",
                     HresultText(hr));
      if (rc <= 32) {
        result = q::Error::Failf("cannot start %s: %s", FExePath, ShellOpenErrorText(rc));
        LogStep("launch", "failed", FExePath, q::Message("%s; %s", how, result.Message()));
      } else {
        LogStep("launch", "ok", FExePath, how);
      }
    }
  }
  FBusy = false;
  return result;
}
