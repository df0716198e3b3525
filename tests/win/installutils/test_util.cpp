#include "test_util.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <stdexcept>

#include "common/wide.h"
#include "common/win32_handles.h"

namespace qtest {

namespace {

[[noreturn]] void Throw(const std::string& what, LONG code) {
  throw std::runtime_error(what + " (error " + std::to_string(code) + ")");
}

q::RegistryKeyHandle OpenKey(HKEY key, const std::string& subKey, bool create = false) {
  HKEY opened = nullptr;
  const LONG rc = create
                      ? ::RegCreateKeyExA(key, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &opened, nullptr)
                      : ::RegOpenKeyExA(key, subKey.c_str(), 0, KEY_READ, &opened);
  if (rc != ERROR_SUCCESS && create) Throw("cannot create key " + subKey, rc);
  return q::RegistryKeyHandle(rc == ERROR_SUCCESS ? opened : nullptr);
}

}  // namespace

std::string UniqueName(const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

ScratchKey::ScratchKey() : path_("Software\\QuorvantisTests\\" + UniqueName("")) {
  key_ = OpenKey(HKEY_CURRENT_USER, path_, true).Release();
}

ScratchKey::~ScratchKey() {
  ::RegCloseKey(key_);
  DeleteRegistryTree(HKEY_CURRENT_USER, path_);
}

void SetRegistryBytes(HKEY key, const std::string& subKey, const std::string& name, DWORD type,
                      const std::string& data) {
  const q::RegistryKeyHandle target = OpenKey(key, subKey, true);
  const LONG rc =
      ::RegSetValueExA(target.Get(), name.c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) Throw("cannot write value " + name, rc);
}

bool RegistryKeyExists(HKEY key, const std::string& subKey) {
  return static_cast<bool>(OpenKey(key, subKey));
}

void DeleteRegistryTree(HKEY key, const std::string& subKey) {
  ::RegDeleteTreeA(key, subKey.c_str());
  ::RegDeleteKeyA(key, subKey.c_str());
}

LinkFields ReadShortcut(const std::string& linkFile) {
  IShellLinkW* rawLink = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&rawLink));
  if (FAILED(hr)) Throw("no shell link object", hr);
  const q::ComPtr<IShellLinkW> link(rawLink);
  IPersistFile* rawFile = nullptr;
  hr = link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile));
  if (FAILED(hr)) Throw("no IPersistFile", hr);
  const q::ComPtr<IPersistFile> file(rawFile);
  if (FAILED(hr = file.Get()->Load(q::Widen(linkFile).c_str(), STGM_READ))) {
    Throw("cannot load " + linkFile, hr);
  }

  // Wine does not terminate a text it cuts to the buffer: the buffer is
  // cleared before each call and its last zero never handed out.
  std::wstring buffer;
  auto text = [&buffer](auto&& get) {
    buffer.assign(8192, L'\0');
    return SUCCEEDED(get(buffer.data(), static_cast<int>(buffer.size()) - 1))
               ? q::Narrow(buffer.c_str())
               : std::string("<failed>");
  };
  IShellLinkW* l = link.Get();
  return {text([l](wchar_t* b, int room) { return l->GetPath(b, room, nullptr, SLGP_RAWPATH); }),
          text([l](wchar_t* b, int room) { return l->GetArguments(b, room); }),
          text([l](wchar_t* b, int room) { return l->GetWorkingDirectory(b, room); }),
          text([l](wchar_t* b, int room) { return l->GetDescription(b, room); })};
}

}  // namespace qtest
