// The installation transaction's Windows side: the folder operations, the
// carry-over of the person's own files, the volume's free space, and the
// shortcuts and registry values as they were before, to put back after a
// failure. Windows-only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "installutils/transaction.h"

class Win32FolderOps : public txn::FolderOps {
 public:
  bool Exists(const std::string& folder) override;
  q::Error MakeFolder(const std::string& folder) override;
  q::Error Rename(const std::string& from, const std::string& to) override;
  // Read-only files are removed too. What is still in use is left to the
  // next restart (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT), which needs
  // administrator rights; without them it is an error.
  q::Error RemoveTree(const std::string& folder, std::string& note) override;
  // A file counts as in use when it cannot be opened for deletion without
  // sharing: a running program's image, a file another program holds open.
  std::string FileInUse(const std::string& folder) override;
};

// Settles an interrupted installation of the product folder `productFolder`
// (see transaction.h); what happened that the person should know goes to
// `notes`.
q::Error RecoverInstallation(const std::string& productFolder, std::vector<std::string>& notes);

// Copies what lies in `from` but not in `to` (files and whole folders,
// attributes and times kept) into `to`, except names equal to `skipName`.
// Entries of the same name in both stay as `to` has them.
q::Error CarryOverFiles(const std::string& from, const std::string& to, std::string_view skipName);

// The free bytes the calling user may use on the volume of the existing
// folder `folder`, and its cluster size.
struct VolumeSpace {
  uint64_t freeBytes = 0;
  uint32_t clusterBytes = 4096;
};
q::Error QueryVolumeSpace(const std::string& folder, VolumeSpace& space);

// Files (shortcuts) and one registry key as they are now, to put back as
// they were: a file or key that did not exist is removed again.
class ShellState {
 public:
  q::Error Capture(std::span<const std::string> files, HKEY root, std::string_view key);
  q::Error Restore() const;

 private:
  struct FileState {
    std::string path;
    bool existed = false;
    std::string bytes;
  };
  struct Value {
    std::string name;
    DWORD type = 0;
    std::string data;  // as stored: a string value's UTF-16 text with its zero
  };
  std::vector<FileState> files_;
  HKEY root_ = nullptr;
  std::string key_;  // relative to root_
  bool keyExisted_ = false;
  std::vector<Value> values_;
};
