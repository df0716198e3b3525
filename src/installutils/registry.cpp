#include "installutils/registry.h"

#include <algorithm>

#include "common/win32_handles.h"

namespace {

// Folder paths are far shorter; a larger value is not one this program
// could use, and refusing it bounds what a hostile registry can make us
// allocate.
constexpr DWORD kMaxValueBytes = 1u << 20;

}  // namespace

std::string RelativeKeyPath(const std::string& Key) {
  return (!Key.empty() && Key.front() == '\\') ? Key.substr(1) : Key;
}

std::string KeyPathText(HKEY Root, const std::string& Key) {
  std::string root;
  if (Root == HKEY_LOCAL_MACHINE) {
    root = "HKEY_LOCAL_MACHINE";
  } else if (Root == HKEY_CURRENT_USER) {
    root = "HKEY_CURRENT_USER";
  } else {
    root = "(registry key)";
  }
  return root + "\\" + RelativeKeyPath(Key);
}

std::string RegReadString(HKEY Root, const std::string& Key, const std::string& ValueName) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(Root, RelativeKeyPath(Key).c_str(), 0, KEY_READ, &opened) !=
      ERROR_SUCCESS) {
    return {};
  }
  const q::RegistryKeyHandle key(opened);

  auto isString = [](DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; };
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExA(key.Get(), ValueName.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  // The value may change between the size query and the read: follow the
  // size the system reports, a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!isString(type) || size > kMaxValueBytes) return {};
    // One spare zero byte: the stored text need not end with one.
    std::string data(size + 1, '\0');
    DWORD got = size + 1;
    const LONG rc = ::RegQueryValueExA(key.Get(), ValueName.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &got);
    if (rc == ERROR_MORE_DATA) {
      size = got;
      continue;
    }
    if (rc != ERROR_SUCCESS || !isString(type)) return {};
    data.resize(std::min<size_t>(got, data.find('\0')));
    return data;
  }
  return {};
}
