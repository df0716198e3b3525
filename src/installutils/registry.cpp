#include "installutils/registry.h"

#include <algorithm>

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"

namespace {

// Folder paths are far shorter; a larger value is not one this program
// could use, and refusing it bounds what a hostile registry can make us
// allocate.
constexpr DWORD kMaxValueBytes = 1u << 20;

}  // namespace

std::string_view RelativeKeyPath(std::string_view Key) {
  return (!Key.empty() && Key.front() == '\\') ? Key.substr(1) : Key;
}

std::string KeyPathText(HKEY Root, const std::string& Key) {
  const char* root = Root == HKEY_LOCAL_MACHINE  ? "HKEY_LOCAL_MACHINE"
                     : Root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER"
                                                 : "(registry key)";
  return q::Message("%s\\%s", root, RelativeKeyPath(Key));
}

std::string RegReadString(HKEY Root, std::string_view Key, std::string_view ValueName) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(Root, q::Widen(RelativeKeyPath(Key)).c_str(), 0, KEY_READ, &opened) !=
      ERROR_SUCCESS) {
    return {};
  }
  const q::RegistryKeyHandle key(opened);

  auto isString = [](DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; };
  const std::wstring name = q::Widen(ValueName);
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  // The value may change between the size query and the read: follow the
  // size the system reports, a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!isString(type) || size > kMaxValueBytes) return {};
    // One spare zero character: the stored text need not end with one (nor
    // hold a whole number of characters).
    std::wstring data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    const LONG rc = ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &got);
    if (rc == ERROR_MORE_DATA) {
      size = got;
      continue;
    }
    if (rc != ERROR_SUCCESS || !isString(type)) return {};
    data.resize(std::min<size_t>(got / sizeof(wchar_t), data.find(L'\0')));
    return q::Narrow(data);
  }
  return {};
}

LONG RegWriteString(HKEY Key, const char* ValueName, std::string_view Text) {
  const std::wstring text = q::Widen(Text);
  if (text.size() >= MAXDWORD / sizeof(wchar_t))
    return ERROR_INVALID_PARAMETER;  // too long for one value
  return ::RegSetValueExW(Key, q::Widen(ValueName).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}
