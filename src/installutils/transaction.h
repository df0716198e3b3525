// Installing as a transaction: the new files are staged in a folder beside
// the product folder, on the same volume, and take its place by two renames
// only once every one of them is whole. Whatever happens, and whenever the
// process dies, the product folder holds either the previous installation
// or the new one, never a mixture. Portable: the folder operations come
// through FolderOps (Win32 in transaction_win32.h, a model in the tests).
//
// The three folders, for the product folder P ("...\Quorvantis"):
//   P         the installation people use
//   P.~new    the staging folder the new version is extracted into
//   P.~old    the previous installation while the new one takes its place
//
// An installation runs, each line one folder operation:
//   Recover           finish or undo what an earlier run left (below)
//   make P.~new       then extract and carry over the person's own files
//   rename P -> P.~old        (skipped on a first installation)
//   rename P.~new -> P        the commit point
//   ... shortcuts and uninstall entry; when they fail, roll back:
//       rename P -> P.~new, rename P.~old -> P, remove P.~new
//   remove P.~old
// A failure before the commit point removes P.~new and leaves P untouched.
//
// Recovery, by which folders exist (P, P.~old, P.~new; x: either):
//   P  ~old ~new
//   -   -    -    nothing installed                      nothing to do
//   +   -    -    a settled installation                 nothing to do
//   x   -    +    killed while staging, or while a first
//                 installation was rolled back            remove ~new
//   -   +    x    killed between the two renames, or in
//                 a roll-back before ~old came back       rename ~old -> P, remove ~new
//   +   +    x    killed after the commit point: P is
//                 whole and new; ~old may be half removed remove ~new, remove ~old
// Why each crash point recovers: renames on one volume are atomic, so a
// folder is always either whole under its old name or whole under its new
// one. Only two things are ever partly done: a staging folder being filled
// (a stale ~new, never renamed, so removing it is safe) and a folder being
// removed (~new, or ~old after the commit point, where the rule removes it
// again). ~old is removed only while P exists, so "~old without P" always
// means the previous installation is whole in ~old. Each rule ends in a
// state with at most P, so running recovery again changes nothing; a
// recovery that is itself killed starts over from a row of this table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace txn {

inline constexpr std::string_view kStagingSuffix = ".~new";
inline constexpr std::string_view kOldSuffix = ".~old";

// The folders of one installation, without trailing separators.
struct Folders {
  std::string product;
  std::string staging;
  std::string old;
};
// `productFolder` may end with a separator ("\" or "/").
Folders FoldersFor(std::string_view productFolder);

// Which of the three folders exist.
struct Presence {
  bool product = false;
  bool old = false;
  bool staging = false;
};

enum class RecoveryStep { kRestoreOld, kRemoveStaging, kRemoveOld };
// The steps that settle an interrupted transaction, in order (the table
// above).
std::vector<RecoveryStep> RecoveryPlan(const Presence& presence);

// The folder operations a transaction needs.
class FolderOps {
 public:
  virtual ~FolderOps() = default;
  virtual bool Exists(const std::string& folder) = 0;
  virtual q::Error MakeFolder(const std::string& folder) = 0;
  // Fails when `to` exists. A folder holding a file in use cannot be
  // renamed: that failure says so (see FolderInUse).
  virtual q::Error Rename(const std::string& from, const std::string& to) = 0;
  // Removes the folder and all it holds; one that is missing is fine. What
  // cannot be removed now (a file still mapped) may be left to the next
  // restart: the note says so and the result is success.
  virtual q::Error RemoveTree(const std::string& folder, std::string& note) = 0;
  // The first file below `folder` that another process holds open, or
  // empty when none is.
  virtual std::string FileInUse(const std::string& folder) = 0;
};

// Finishes or undoes whatever an interrupted run left (the table above).
// Notes (a folder left to the next restart) are appended to `notes`.
q::Error Recover(FolderOps& ops, const Folders& folders, std::vector<std::string>& notes);

// The message for a product folder that cannot be replaced because
// `fileInUse` is open: the product (named like its folder) is running.
q::Error ProductRunning(std::string_view productFolder, const std::string& fileInUse);

// One installation's folder work, in the order of the table above. The
// caller extracts into folders().staging between Begin and Commit, and
// calls Finish after the last step that may fail, or Rollback instead.
class Transaction {
 public:
  Transaction(FolderOps& ops, Folders folders) : ops_(ops), folders_(std::move(folders)) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  const Folders& folders() const { return folders_; }
  // Recovers, refuses a product that is running, makes the staging folder.
  q::Error Begin();
  // Makes the staged files the product; the previous installation, if any,
  // is kept as ~old until Finish. On failure nothing has changed but the
  // staging folder being removed.
  q::Error Commit();
  // Removes the previous installation. The new one stands whatever the
  // result: a failure is only worth telling.
  q::Error Finish();
  // Puts the previous installation back: after Begin, removes the staging
  // folder; after Commit, the renames are undone as well.
  q::Error Rollback();
  // What the person should know although nothing failed.
  const std::vector<std::string>& notes() const { return notes_; }

 private:
  enum class State { kIdle, kStaging, kCommitted, kDone };
  q::Error Abort(q::Error why);
  // Removes `folder` (RemoveTree); its note, if any, goes to notes().
  q::Error RemoveNoting(const std::string& folder);

  FolderOps& ops_;
  Folders folders_;
  State state_ = State::kIdle;
  bool hadProduct_ = false;
  std::vector<std::string> notes_;
};

// What an archive needs on disk: every entry's uncompressed size rounded
// up to whole clusters, read from the archive's central directory in
// memory. Nothing when the directory cannot be read.
struct ArchiveFootprint {
  uint64_t bytes = 0;
  uint32_t entries = 0;
};
std::optional<ArchiveFootprint> MeasureArchive(const uint8_t* data, size_t size,
                                               uint32_t clusterBytes);

// The bytes an installation needs free on the target volume: the files,
// the temporary archive copy beside them, and a margin for folders and the
// file system's own records.
uint64_t SpaceNeeded(const ArchiveFootprint& files, uint64_t archiveBytes, uint32_t clusterBytes);

// Refuses when `freeBytes` is less than `neededBytes`: the message names
// both figures in MB and the folder.
q::Error CheckSpace(uint64_t neededBytes, uint64_t freeBytes, const std::string& folder);

}  // namespace txn
