#include "installutils/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/win32_handles.h"
#include "installutils/shell_text.h"
#include "installutils/system_error.h"

namespace {

// The shell's published identifiers, spelled out so that no import
// library of GUIDs is needed.
constexpr GUID kClsidShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

void SystemMessageBox(const char* text, const char* caption, unsigned style) {
  ::MessageBoxA(nullptr, text, caption, style);
}

ShortcutMessageBox g_messageBox = SystemMessageBox;

template <typename I>
HRESULT QueryInterfaceOf(IUnknown* object, const GUID& iid, q::ComPtr<I>* out) {
  void* raw = nullptr;
  const HRESULT hr = object->QueryInterface(iid, &raw);
  if (SUCCEEDED(hr)) out->Reset(static_cast<I*>(raw));
  return hr;
}

// LinkFile in UTF-16, converted from the system's ANSI code page; false
// when it is not valid text in that code page.
bool ToWide(const std::string& text, std::wstring* wide) {
  const int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), -1,
                                           nullptr, 0);
  if (length <= 0) return false;
  wide->assign(static_cast<size_t>(length), L'\0');
  if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide->data(),
                            length) != length) {
    return false;
  }
  wide->resize(static_cast<size_t>(length) - 1);  // the terminator
  return true;
}

}  // namespace

ShortcutMessageBox SetShortcutMessageBox(ShortcutMessageBox messageBox) {
  const ShortcutMessageBox previous = g_messageBox;
  g_messageBox = messageBox != nullptr ? messageBox : SystemMessageBox;
  return previous;
}

q::Error CreateShortcut(const std::string& Target, const std::string& Arguments,
                        const std::string& LinkFile, const std::string& Description) {
  if (!HasLinkExtension(LinkFile)) {
    g_messageBox(kLinkExtensionMessage, kLinkExtensionCaption, kLinkExtensionStyle);
    return {};
  }
  const std::string context = "cannot create shortcut " + LinkFile;
  auto fail = [&context](const std::string& what, HRESULT hr) {
    return q::Error::Fail(context + ": " + what + ": " + HresultText(hr));
  };

  // The link object holds paths of fewer than MAX_PATH characters; a longer
  // one is saved cut short, as a link that starts something else.
  if (Target.size() >= MAX_PATH) {
    return q::Error::Fail(context + ": the target path " + Target + " is longer than " +
                          std::to_string(MAX_PATH - 1) + " characters");
  }

  void* raw = nullptr;
  HRESULT hr = ::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  kIidUnknown, &raw);
  if (FAILED(hr)) return fail("the shell's link object is not available", hr);
  const q::ComPtr<IUnknown> object(static_cast<IUnknown*>(raw));
  q::ComPtr<IShellLinkA> link;
  if (FAILED(hr = QueryInterfaceOf(object.Get(), kIidShellLinkA, &link))) {
    return fail("the shell's link object offers no IShellLinkA", hr);
  }
  q::ComPtr<IPersistFile> file;
  if (FAILED(hr = QueryInterfaceOf(object.Get(), kIidPersistFile, &file))) {
    return fail("the shell's link object offers no IPersistFile", hr);
  }

  if (FAILED(hr = link.Get()->SetPath(Target.c_str()))) {
    return fail("cannot set the target " + Target, hr);
  }
  if (FAILED(hr = link.Get()->SetArguments(Arguments.c_str()))) {
    return fail("cannot set the arguments", hr);
  }
  const std::string workingFolder(FolderPart(Target));
  if (FAILED(hr = link.Get()->SetWorkingDirectory(workingFolder.c_str()))) {
    return fail("cannot set the working folder " + workingFolder, hr);
  }
  if (FAILED(hr = link.Get()->SetDescription(Description.c_str()))) {
    return fail("cannot set the description", hr);
  }
  std::wstring wideLinkFile;
  if (!ToWide(LinkFile, &wideLinkFile)) {
    return q::Error::Fail(context + ": the name is not valid text in the system's code page");
  }
  if (FAILED(hr = file.Get()->Save(wideLinkFile.c_str(), FALSE))) {
    return fail("cannot save the link file", hr);
  }
  return {};
}
