// Helpers of the install-utilities tests and the probe tool: scratch
// registry keys, values read back, shortcuts read back through the shell,
// child processes' output. Failures throw std::runtime_error.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qtest {

// A key of this process's own below `root` (created fresh, removed with
// everything under it when the object goes), so tests running in parallel
// in one prefix never meet.
class ScratchKey {
 public:
  explicit ScratchKey(HKEY root = HKEY_CURRENT_USER, const std::string& parent = "Software\\QuorvantisTests");
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  HKEY Get() const { return key_; }
  HKEY Root() const { return root_; }
  const std::string& Path() const { return path_; }  // relative to Root()

 private:
  HKEY root_;
  std::string path_;
  HKEY key_ = nullptr;
};

// A name no other test process uses: prefix + process id + a counter.
std::string UniqueName(const std::string& prefix);

// Writes a value of any type below `key` (creating `subKey`, which may be
// empty); `data` is stored byte for byte.
void SetRegistryBytes(HKEY key, const std::string& subKey, const std::string& name, DWORD type,
                      const std::string& data);
// A REG_SZ or REG_EXPAND_SZ value with its terminating zero.
void SetRegistryString(HKEY key, const std::string& subKey, const std::string& name,
                       const std::string& text, DWORD type = REG_SZ);

struct RegistryValue {
  DWORD type = REG_NONE;
  std::string data;  // raw bytes as stored (string values with their zero)
};
// The value, or nothing when the key or the value is missing.
std::optional<RegistryValue> GetRegistryValue(HKEY key, const std::string& subKey,
                                              const std::string& name);
// The value names of a key, in the order the registry enumerates them.
std::vector<std::string> RegistryValueNames(HKEY key, const std::string& subKey);
bool RegistryKeyExists(HKEY key, const std::string& subKey);
void DeleteRegistryTree(HKEY key, const std::string& subKey);

// A shortcut's fields as the shell reads them back (IShellLinkA::Load).
// COM must be initialised on the calling thread.
struct LinkFields {
  std::string path;
  std::string arguments;
  std::string workingFolder;
  std::string description;
};
LinkFields ReadShortcut(const std::string& linkFile);

// Runs a command line and returns what it wrote to its standard output
// (Wine writes CRLF line ends).
std::string RunAndCapture(const std::string& commandLine);

// The prefix's reg.exe: "reg query KEY" as a person would type it.
std::string RegQuery(const std::string& keyPath);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

}  // namespace qtest
