#include "installutils/transaction_win32.h"

#include <iterator>
#include <utility>

#include "common/message.h"
#include "common/wide.h"
#include "common/win32_handles.h"
#include "installutils/system_error.h"

namespace {

q::Error Failure(const std::string& what, DWORD code) {
  return q::Error::Failf("%s: %s", what, Win32ErrorText(code));
}

bool Missing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

using EntryVisitor = bool (*)(void* context, const std::string& path, const std::string& name,
                              const WIN32_FIND_DATAW& data);

// The walk below, once for every kind of visitor.
bool ForEachEntryOf(const std::string& folder, DWORD& code, EntryVisitor visit, void* context) {
  WIN32_FIND_DATAW data;
  q::FindHandle find(::FindFirstFileW(q::WidePath(folder + "\\*").c_str(), &data));
  if (!find) {
    code = ::GetLastError();
    return false;
  }
  do {
    const std::string name = q::Narrow(data.cFileName);
    if (name == "." || name == "..") continue;
    if (!visit(context, folder + '\\' + name, name, data)) return true;
  } while (::FindNextFileW(find.Get(), &data));
  code = ::GetLastError();
  return code == ERROR_NO_MORE_FILES;
}

// Calls `visit(path, name, data)` for each entry of `folder` but "." and
// "..", with the entry's path and name in UTF-8.
// False, with the system's code, when the folder cannot be listed; a
// visitor returning false ends the walk early.
template <typename Visit>
bool ForEachEntry(const std::string& folder, DWORD& code, Visit visit) {
  return ForEachEntryOf(
      folder, code,
      [](void* context, const std::string& path, const std::string& name,
         const WIN32_FIND_DATAW& data) {
        return (*static_cast<Visit*>(context))(path, name, data);
      },
      &visit);
}

bool IsFolder(const WIN32_FIND_DATAW& data) {
  // A junction is removed as a link, never followed.
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Removes what it can below and including `path`; what stays is listed in
// `left` deepest first, with the reason of the first failure.
void RemoveNow(const std::string& path, bool folder, std::vector<std::string>& left,
               DWORD& firstError) {
  const auto keep = [&](DWORD code) {
    left.push_back(path);
    if (firstError == ERROR_SUCCESS) firstError = code;
  };
  if (!folder) {
    const std::wstring wide = q::WidePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      ::SetFileAttributesW(wide.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    if (!::DeleteFileW(wide.c_str()) && !Missing(::GetLastError())) keep(::GetLastError());
    return;
  }
  DWORD code = ERROR_SUCCESS;
  const bool listed = ForEachEntry(
      path, code, [&](const std::string& child, const std::string&, const WIN32_FIND_DATAW& data) {
        RemoveNow(child, IsFolder(data), left, firstError);
        return true;
      });
  if (!listed && Missing(code)) return;
  // A read-only folder cannot be removed either.
  const std::wstring wide = q::WidePath(path);
  ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::RemoveDirectoryW(wide.c_str()) && !Missing(::GetLastError())) keep(::GetLastError());
}

// Whether another process holds the file open: opening it for writing and
// deletion without sharing fails then (a running program's image refuses
// writing). A read-only file is tried for deletion alone.
bool InUse(const std::string& path) {
  const std::wstring wide = q::WidePath(path);
  q::FileHandle file(::CreateFileW(wide.c_str(), FILE_WRITE_DATA | DELETE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return false;
  DWORD code = ::GetLastError();
  if (code == ERROR_ACCESS_DENIED) {
    file.Reset(::CreateFileW(wide.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (file) return false;
    code = ::GetLastError();
  }
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

std::string FirstInUse(const std::string& folder) {
  std::string found;
  DWORD code = ERROR_SUCCESS;
  ForEachEntry(folder, code,
               [&](const std::string& path, const std::string&, const WIN32_FIND_DATAW& data) {
                 if (IsFolder(data)) {
                   found = FirstInUse(path);
                 } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && InUse(path)) {
                   found = path;
                 }
                 return found.empty();
               });
  return found;
}

q::Error CarryOver(const std::string& from, const std::string& to, std::string_view skipName) {
  DWORD code = ERROR_SUCCESS;
  q::Error result;
  const bool listed = ForEachEntry(
      from, code,
      [&](const std::string& source, const std::string& name, const WIN32_FIND_DATAW& data) {
        if (SameName(name, skipName)) return true;
        const std::string target = to + '\\' + name;
        const std::wstring wideSource = q::WidePath(source), wideTarget = q::WidePath(target);
        const DWORD there = ::GetFileAttributesW(wideTarget.c_str());
        const bool folder = IsFolder(data);
        if (there == INVALID_FILE_ATTRIBUTES) {
          if (folder ? !::CreateDirectoryExW(wideSource.c_str(), wideTarget.c_str(), nullptr)
                     : !::CopyFileW(wideSource.c_str(), wideTarget.c_str(), TRUE)) {
            result =
                Failure(q::Message("cannot carry %s over to %s", source, target), ::GetLastError());
            return false;
          }
        } else if (!folder || !(there & FILE_ATTRIBUTE_DIRECTORY)) {
          return true;  // the new installation's own entry of that name
        }
        if (folder) result = CarryOver(source, target, {});
        return !result;
      });
  if (!result && !listed) return Failure(q::Message("cannot read the folder %s", from), code);
  return result;
}

}  // namespace

bool Win32FolderOps::Exists(const std::string& folder) {
  const DWORD attributes = ::GetFileAttributesW(q::WidePath(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

q::Error Win32FolderOps::MakeFolder(const std::string& folder) {
  if (::CreateDirectoryW(q::WidePath(folder).c_str(), nullptr)) return {};
  return Failure(q::Message("cannot create the folder %s", folder), ::GetLastError());
}

q::Error Win32FolderOps::Rename(const std::string& from, const std::string& to) {
  if (::MoveFileExW(q::WidePath(from).c_str(), q::WidePath(to).c_str(), 0)) return {};
  return Failure(q::Message("cannot rename %s to %s", from, to), ::GetLastError());
}

q::Error Win32FolderOps::RemoveTree(const std::string& folder, std::string& note) {
  std::vector<std::string> left;
  DWORD reason = ERROR_SUCCESS;
  RemoveNow(folder, true, left, reason);
  if (left.empty()) return {};
  // Deepest first, so that each folder is empty by the time its turn comes.
  for (const std::string& path : left) {
    if (!::MoveFileExW(q::WidePath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
      return Failure(q::Message("cannot remove %s: %s", folder, left.front()), reason);
    }
  }
  note = q::Message("%s will be removed when Windows restarts (%s: %s)", folder, left.front(),
                    Win32ErrorText(reason));
  return {};
}

std::string Win32FolderOps::FileInUse(const std::string& folder) { return FirstInUse(folder); }

q::Error RecoverInstallation(const std::string& productFolder, std::vector<std::string>& notes) {
  Win32FolderOps ops;
  return txn::Recover(ops, txn::FoldersFor(productFolder), notes);
}

q::Error CarryOverFiles(const std::string& from, const std::string& to, std::string_view skipName) {
  return CarryOver(from, to, skipName);
}

q::Error QueryVolumeSpace(const std::string& folder, VolumeSpace& space) {
  const std::wstring wide = q::WidePath(folder);
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr)) {
    return Failure(q::Message("cannot find out the free space on the drive of %s", folder),
                   ::GetLastError());
  }
  space.freeBytes = available.QuadPart;
  wchar_t root[MAX_PATH + 1];
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (::GetVolumePathNameW(wide.c_str(), root, static_cast<DWORD>(std::size(root))) &&
      ::GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
      sectorsPerCluster * bytesPerSector != 0) {
    space.clusterBytes = sectorsPerCluster * bytesPerSector;
  }
  return {};
}

q::Error ShellState::Capture(std::span<const std::string> files, HKEY root, std::string_view key) {
  files_.clear();
  values_.clear();
  for (const std::string& path : files) {
    FileState state{path, false, {}};
    q::FileHandle file(::CreateFileW(q::WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      const DWORD code = ::GetLastError();
      if (!Missing(code)) return Failure(q::Message("cannot read %s", path), code);
    } else {
      state.existed = true;
      char buffer[16384];
      DWORD got = 0;
      while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        state.bytes.append(buffer, got);
      }
    }
    files_.push_back(std::move(state));
  }

  root_ = root;
  key_ = key;
  HKEY opened = nullptr;
  const LONG rc = ::RegOpenKeyExW(root, q::Widen(key).c_str(), 0, KEY_READ, &opened);
  keyExisted_ = rc == ERROR_SUCCESS;
  if (!keyExisted_) {
    if (rc == ERROR_FILE_NOT_FOUND) return {};
    return Failure(q::Message("cannot read the registry key %s", key), static_cast<DWORD>(rc));
  }
  const q::RegistryKeyHandle handle(opened);
  DWORD count = 0, longestName = 0, longestData = 0;
  // The longest name in characters, the largest data in bytes.
  if (::RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return q::Error::Failf("cannot read the registry key %s", key);
  }
  for (DWORD i = 0; i < count; ++i) {
    std::wstring name(longestName + 1, L'\0');
    std::string data(longestData, '\0');
    DWORD nameSize = longestName + 1, dataSize = longestData, type = 0;
    const LONG got = ::RegEnumValueW(opened, i, name.data(), &nameSize, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &dataSize);
    if (got != ERROR_SUCCESS)
      return Failure(q::Message("cannot read the registry key %s", key), static_cast<DWORD>(got));
    name.resize(nameSize);
    data.resize(dataSize);
    values_.push_back({q::Narrow(name), type, std::move(data)});
  }
  return {};
}

q::Error ShellState::Restore() const {
  std::string failures;
  const auto fail = [&](const std::string& what, DWORD code) {
    q::AppendMessage(failures, "%s%s: %s", failures.empty() ? "" : "; ", what,
                     Win32ErrorText(code));
  };
  for (const FileState& state : files_) {
    if (!state.existed) {
      if (!::DeleteFileW(q::WidePath(state.path).c_str()) && !Missing(::GetLastError()))
        fail(state.path, ::GetLastError());
      continue;
    }
    q::FileHandle file(::CreateFileW(q::WidePath(state.path).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), state.bytes.data(), static_cast<DWORD>(state.bytes.size()),
                     &written, nullptr) ||
        !::CloseHandle(file.Release())) {
      fail(state.path, ::GetLastError());
    }
  }

  if (root_ && !keyExisted_) {
    const LONG rc = ::RegDeleteTreeW(root_, q::Widen(key_).c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) fail(key_, static_cast<DWORD>(rc));
  } else if (root_) {
    HKEY created = nullptr;
    const LONG rc =
        ::RegCreateKeyExW(root_, q::Widen(key_).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &created, nullptr);
    if (rc != ERROR_SUCCESS) {
      fail(key_, static_cast<DWORD>(rc));
    } else {
      const q::RegistryKeyHandle key(created);
      // Values written since are removed, the earlier ones written back.
      std::vector<std::string> now;
      wchar_t name[16384];  // the longest value name the registry allows, and its zero
      for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(std::size(name));
        if (::RegEnumValueW(created, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
          break;
        now.push_back(q::Narrow(std::wstring_view(name, size)));
      }
      for (const std::string& n : now) {
        bool kept = false;
        for (const Value& v : values_) kept = kept || v.name == n;
        if (!kept) ::RegDeleteValueW(created, q::Widen(n).c_str());
      }
      for (const Value& v : values_) {
        const LONG set = ::RegSetValueExW(created, q::Widen(v.name).c_str(), 0, v.type,
                                          reinterpret_cast<const BYTE*>(v.data.data()),
                                          static_cast<DWORD>(v.data.size()));
        if (set != ERROR_SUCCESS) fail(q::Message("%s\\%s", key_, v.name), static_cast<DWORD>(set));
      }
      ::RegFlushKey(created);
    }
  }
  if (failures.empty()) return {};
  return q::Error::Failf("cannot put back the earlier shortcuts and uninstall entry: %s", failures);
}
