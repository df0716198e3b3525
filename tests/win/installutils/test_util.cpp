#include "test_util.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <stdexcept>

#include "common/win32_handles.h"

namespace qtest {

namespace {

[[noreturn]] void Throw(const std::string& what, LONG code) {
  throw std::runtime_error(what + " (error " + std::to_string(code) + ")");
}

q::RegistryKeyHandle CreateKey(HKEY key, const std::string& subKey) {
  HKEY created = nullptr;
  const LONG rc = ::RegCreateKeyExA(key, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &created, nullptr);
  if (rc != ERROR_SUCCESS) Throw("cannot create key " + subKey, rc);
  return q::RegistryKeyHandle(created);
}

q::RegistryKeyHandle OpenKey(HKEY key, const std::string& subKey) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(key, subKey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
  return q::RegistryKeyHandle(opened);
}

}  // namespace

std::string UniqueName(const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

ScratchKey::ScratchKey(HKEY root, const std::string& parent)
    : root_(root), path_(parent + "\\" + UniqueName("")) {
  key_ = CreateKey(root_, path_).Release();
}

ScratchKey::~ScratchKey() {
  ::RegCloseKey(key_);
  ::RegDeleteTreeA(root_, path_.c_str());
  ::RegDeleteKeyA(root_, path_.c_str());
}

void SetRegistryBytes(HKEY key, const std::string& subKey, const std::string& name, DWORD type,
                      const std::string& data) {
  const q::RegistryKeyHandle target = CreateKey(key, subKey);
  const LONG rc = ::RegSetValueExA(target.Get(), name.c_str(), 0, type,
                                   reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) Throw("cannot write value " + name, rc);
}

void SetRegistryString(HKEY key, const std::string& subKey, const std::string& name,
                       const std::string& text, DWORD type) {
  SetRegistryBytes(key, subKey, name, type, std::string(text.c_str(), text.size() + 1));
}

std::optional<RegistryValue> GetRegistryValue(HKEY key, const std::string& subKey,
                                              const std::string& name) {
  const q::RegistryKeyHandle source = OpenKey(key, subKey);
  if (!source) return std::nullopt;
  RegistryValue value;
  DWORD size = 0;
  if (::RegQueryValueExA(source.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.assign(size, '\0');
  const LONG rc = ::RegQueryValueExA(source.Get(), name.c_str(), nullptr, &value.type,
                                     reinterpret_cast<BYTE*>(value.data.data()), &size);
  if (rc != ERROR_SUCCESS) Throw("cannot read value " + name, rc);
  value.data.resize(size);
  return value;
}

std::vector<std::string> RegistryValueNames(HKEY key, const std::string& subKey) {
  const q::RegistryKeyHandle source = OpenKey(key, subKey);
  std::vector<std::string> names;
  if (!source) return names;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD length = sizeof name;
    if (::RegEnumValueA(source.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, length);
  }
  return names;
}

bool RegistryKeyExists(HKEY key, const std::string& subKey) {
  return static_cast<bool>(OpenKey(key, subKey));
}

void DeleteRegistryTree(HKEY key, const std::string& subKey) {
  ::RegDeleteTreeA(key, subKey.c_str());
  ::RegDeleteKeyA(key, subKey.c_str());
}

LinkFields ReadShortcut(const std::string& linkFile) {
  IShellLinkA* rawLink = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&rawLink));
  if (FAILED(hr)) Throw("no shell link object", hr);
  const q::ComPtr<IShellLinkA> link(rawLink);
  IPersistFile* rawFile = nullptr;
  hr = link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile));
  if (FAILED(hr)) Throw("no IPersistFile", hr);
  const q::ComPtr<IPersistFile> file(rawFile);
  std::wstring wide(linkFile.size() + 1, L'\0');
  const int n = ::MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide.data(),
                                      static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) - 1 : 0);
  hr = file.Get()->Load(wide.c_str(), STGM_READ);
  if (FAILED(hr)) Throw("cannot load " + linkFile, hr);

  // Wine does not terminate a text it cuts to the buffer: keep a zero at
  // the end of the buffer whatever the call does.
  LinkFields fields;
  std::string buffer(8192, '\0');
  const int room = static_cast<int>(buffer.size()) - 1;
  auto text = [&buffer](HRESULT result) {
    return SUCCEEDED(result) ? std::string(buffer.c_str()) : std::string("<failed>");
  };
  fields.path = text(link.Get()->GetPath(buffer.data(), room, nullptr, SLGP_RAWPATH));
  buffer.assign(buffer.size(), '\0');
  fields.arguments = text(link.Get()->GetArguments(buffer.data(), room));
  buffer.assign(buffer.size(), '\0');
  fields.workingFolder = text(link.Get()->GetWorkingDirectory(buffer.data(), room));
  buffer.assign(buffer.size(), '\0');
  fields.description = text(link.Get()->GetDescription(buffer.data(), room));
  return fields;
}

std::string RunAndCapture(const std::string& commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readRaw = nullptr;
  HANDLE writeRaw = nullptr;
  if (!::CreatePipe(&readRaw, &writeRaw, &inherit, 0)) Throw("CreatePipe", static_cast<LONG>(::GetLastError()));
  q::KernelHandle readEnd(readRaw);
  q::KernelHandle writeEnd(writeRaw);
  ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = writeEnd.Get();
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string mutableLine = commandLine;
  if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    Throw("cannot run " + commandLine, static_cast<LONG>(::GetLastError()));
  }
  q::KernelHandle processHandle(process.hProcess);
  q::KernelHandle threadHandle(process.hThread);
  writeEnd.Reset();  // the child holds the only write end now: EOF when it ends

  std::string output;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(readEnd.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
    output.append(chunk, got);
  }
  ::WaitForSingleObject(processHandle.Get(), INFINITE);
  return output;
}

std::string RegQuery(const std::string& keyPath) {
  return RunAndCapture("reg.exe query \"" + keyPath + "\"");
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace qtest
