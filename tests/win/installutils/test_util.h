// Helpers of the install-utilities tests: scratch registry keys, values
// and shortcuts read back.
// Failures throw std::runtime_error.
#pragma once

#include <windows.h>

#include <string>

namespace qtest {

// A fresh key of this process's own below HKCU\Software\QuorvantisTests,
// removed with everything under it when the object goes, so tests running
// in parallel in one prefix never meet.
class ScratchKey {
 public:
  ScratchKey();
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  std::string path_;
  HKEY key_ = nullptr;
};

// A name no other test process uses: prefix + process id + a counter.
std::string UniqueName(const std::string& prefix);

// Stores `data` byte for byte below `key` (creating `subKey`).
void SetRegistryBytes(HKEY key, const std::string& subKey, const std::string& name, DWORD type,
                      const std::string& data);
// A string value with its terminating zero.
inline void SetRegistryString(HKEY key, const std::string& subKey, const std::string& name,
                              const std::string& text, DWORD type = REG_SZ) {
  SetRegistryBytes(key, subKey, name, type, std::string(text.c_str(), text.size() + 1));
}

bool RegistryKeyExists(HKEY key, const std::string& subKey);
void DeleteRegistryTree(HKEY key, const std::string& subKey);

// A shortcut's fields in UTF-8 as the shell reads them (IShellLinkW::Load);
// COM must be initialised on the calling thread.
struct LinkFields {
  std::string path, arguments, workingFolder, description;
};
LinkFields ReadShortcut(const std::string& linkFile);

}  // namespace qtest
