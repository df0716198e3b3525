#include "installutils/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "installutils/shell_guids.h"
#include "installutils/shell_text.h"
#include "installutils/system_error.h"

namespace {

using namespace shell_guids;

void SystemMessageBox(const char* text, const char* caption, unsigned style) {
  ::MessageBoxW(nullptr, q::Widen(text).c_str(), q::Widen(caption).c_str(), style);
}

ShortcutMessageBox g_messageBox = nullptr;  // null: SystemMessageBox

template <typename I>
HRESULT QueryInterfaceOf(IUnknown* object, const GUID& iid, q::ComPtr<I>* out) {
  void* raw = nullptr;
  const HRESULT hr = object->QueryInterface(iid, &raw);
  if (SUCCEEDED(hr)) out->Reset(static_cast<I*>(raw));
  return hr;
}

}  // namespace

ShortcutMessageBox SetShortcutMessageBox(ShortcutMessageBox messageBox) {
  const ShortcutMessageBox previous = g_messageBox;
  g_messageBox = messageBox;
  return previous != nullptr ? previous : SystemMessageBox;
}

q::Error CreateShortcut(std::string_view Target, std::string_view Arguments,
                        std::string_view LinkFile, std::string_view Description) {
  if (!HasLinkExtension(LinkFile)) {
    (g_messageBox != nullptr ? g_messageBox : SystemMessageBox)(
        kLinkExtensionMessage, kLinkExtensionCaption, kLinkExtensionStyle);
    return {};
  }
  // The link object holds paths of fewer than MAX_PATH UTF-16 characters; a
  // longer one is saved cut short, as a link that starts something else.
  const std::wstring target = q::Widen(Target);
  if (target.size() >= MAX_PATH) {
    return q::Error::Failf(
        "cannot create shortcut %s: the target path %s is longer than %u characters, the most a "
        "shortcut can hold",
        LinkFile, Target, unsigned{MAX_PATH - 1});
  }

  // Each step says what failed (and the path it concerns, if any); the
  // message is made in one place.
  HRESULT hr = S_OK;
  std::string_view path;
  const char* const failed = [&]() -> const char* {
    void* raw = nullptr;
    hr = ::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            kIidUnknown, &raw);
    if (FAILED(hr)) return "the shell's link object is not available";
    const q::ComPtr<IUnknown> object(static_cast<IUnknown*>(raw));
    q::ComPtr<IShellLinkW> link;
    if (FAILED(hr = QueryInterfaceOf(object.Get(), kIidShellLinkW, &link))) {
      return "the shell's link object offers no IShellLinkW";
    }
    q::ComPtr<IPersistFile> file;
    if (FAILED(hr = QueryInterfaceOf(object.Get(), kIidPersistFile, &file))) {
      return "the shell's link object offers no IPersistFile";
    }
    path = Target;
    if (FAILED(hr = link.Get()->SetPath(target.c_str()))) return "cannot set the target ";
    path = {};
    if (FAILED(hr = link.Get()->SetArguments(q::Widen(Arguments).c_str()))) {
      return "cannot set the arguments";
    }
    path = FolderPart(Target);
    if (FAILED(hr = link.Get()->SetWorkingDirectory(q::Widen(path).c_str()))) {
      return "cannot set the working folder ";
    }
    path = {};
    if (FAILED(hr = link.Get()->SetDescription(q::Widen(Description).c_str()))) {
      return "cannot set the description";
    }
    if (FAILED(hr = file.Get()->Save(q::WidePath(LinkFile).c_str(), FALSE))) {
      return "cannot save the link file";
    }
    return nullptr;
  }();
  if (!failed) return {};
  return q::Error::Failf("cannot create shortcut %s: %s%s: %s", LinkFile, failed, path,
                         HresultText(hr));
}
