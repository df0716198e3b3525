#include "installutils/transaction.h"

#include <utility>

#include "common/digits.h"
#include "common/little_endian.h"
#include "common/message.h"

namespace txn {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The folder's own name: its last component.
std::string_view LeafName(std::string_view folder) {
  const size_t cut = folder.find_last_of("\\/");
  return cut == std::string_view::npos ? folder : folder.substr(cut + 1);
}

uint64_t RoundUp(uint64_t bytes, uint32_t unit) {
  if (unit == 0) return bytes;
  uint32_t rest = 0;
  q::DivideWide(bytes, unit, rest);
  return rest == 0 ? bytes : bytes + (unit - rest);
}

// Record layouts of the archive's directory.
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kEndSize = 22;
constexpr size_t kMaxCommentSize = 0xFFFF;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr size_t kCentralSize = 46;

// Where the previous installation waits when it could not be put back.
constexpr char kReturnsNextRun[] = " and returns when Setup or the uninstaller runs next";

constexpr uint64_t kMegabyte = 1024 * 1024;
// Folders and the file system's records of each file (a kilobyte each on
// NTFS), beyond the files' own clusters.
constexpr uint64_t kFixedMargin = kMegabyte;
constexpr uint64_t kPerEntryMargin = 1024;

}  // namespace

Folders FoldersFor(std::string_view productFolder) {
  while (!productFolder.empty() && IsSeparator(productFolder.back()))
    productFolder.remove_suffix(1);
  Folders f;
  f.product = std::string(productFolder);
  f.staging = f.product + std::string(kStagingSuffix);
  f.old = f.product + std::string(kOldSuffix);
  return f;
}

std::vector<RecoveryStep> RecoveryPlan(const Presence& p) {
  std::vector<RecoveryStep> steps;
  if (p.old && !p.product) steps.push_back(RecoveryStep::kRestoreOld);
  if (p.staging) steps.push_back(RecoveryStep::kRemoveStaging);
  if (p.old && p.product) steps.push_back(RecoveryStep::kRemoveOld);
  return steps;
}

q::Error Recover(FolderOps& ops, const Folders& f, std::vector<std::string>& notes) {
  const Presence presence{ops.Exists(f.product), ops.Exists(f.old), ops.Exists(f.staging)};
  for (RecoveryStep step : RecoveryPlan(presence)) {
    std::string note;
    q::Error e;
    switch (step) {
      case RecoveryStep::kRestoreOld: e = ops.Rename(f.old, f.product); break;
      case RecoveryStep::kRemoveStaging: e = ops.RemoveTree(f.staging, note); break;
      case RecoveryStep::kRemoveOld: e = ops.RemoveTree(f.old, note); break;
    }
    if (e) return std::move(e).WithContext("cannot settle an interrupted installation");
    if (!note.empty()) notes.push_back(std::move(note));
  }
  return {};
}

q::Error ProductRunning(std::string_view productFolder, const std::string& fileInUse) {
  return q::Error::Failf("%s is running: close it first, then run Setup again (%s is in use)",
                         LeafName(productFolder), fileInUse);
}

q::Error Transaction::Begin() {
  if (q::Error e = Recover(ops_, folders_, notes_)) return e;
  // Remains left to the next restart stand where this run must work.
  for (const std::string* folder : {&folders_.old, &folders_.staging}) {
    if (ops_.Exists(*folder)) {
      return q::Error::Failf(
          "the remains of an earlier installation in %s are still in use: restart Windows, then "
          "run Setup again",
          *folder);
    }
  }
  hadProduct_ = ops_.Exists(folders_.product);
  if (hadProduct_) {
    const std::string inUse = ops_.FileInUse(folders_.product);
    if (!inUse.empty()) return ProductRunning(folders_.product, inUse);
  }
  if (q::Error e = ops_.MakeFolder(folders_.staging)) return e;
  state_ = State::kStaging;
  return {};
}

q::Error Transaction::Commit() {
  if (state_ != State::kStaging) return q::Error::Fail("nothing was staged to install");
  if (hadProduct_) {
    std::string inUse = ops_.FileInUse(folders_.product);
    if (!inUse.empty()) return Abort(ProductRunning(folders_.product, inUse));
    if (q::Error e = ops_.Rename(folders_.product, folders_.old)) {
      inUse = ops_.FileInUse(folders_.product);
      return Abort(inUse.empty() ? std::move(e) : ProductRunning(folders_.product, inUse));
    }
  }
  if (q::Error e = ops_.Rename(folders_.staging, folders_.product)) {
    if (hadProduct_) {
      if (q::Error back = ops_.Rename(folders_.old, folders_.product)) {
        // Left for the recovery at the next start, which renames it back.
        state_ = State::kIdle;
        return q::Error::Failf("%s; the previous installation is in %s%s (%s)", e.Message(),
                               folders_.old, kReturnsNextRun, back.Message());
      }
    }
    return Abort(std::move(e));
  }
  state_ = State::kCommitted;
  return {};
}

q::Error Transaction::Finish() {
  if (state_ != State::kCommitted) return q::Error::Fail("nothing was committed");
  state_ = State::kDone;
  if (!hadProduct_) return {};
  return RemoveNoting(folders_.old);
}

q::Error Transaction::Rollback() {
  if (state_ == State::kStaging) {
    state_ = State::kIdle;
    return RemoveNoting(folders_.staging);
  }
  if (state_ != State::kCommitted) return {};
  state_ = State::kIdle;
  if (q::Error e = ops_.Rename(folders_.product, folders_.staging)) {
    return std::move(e).WithContext("the new installation stays in place");
  }
  if (hadProduct_) {
    if (q::Error e = ops_.Rename(folders_.old, folders_.product)) {
      return q::Error::Failf("the previous installation is in %s%s: %s", folders_.old,
                             kReturnsNextRun, e.Message());
    }
  }
  return RemoveNoting(folders_.staging);
}

q::Error Transaction::Abort(q::Error why) {
  state_ = State::kIdle;
  if (q::Error e = RemoveNoting(folders_.staging)) {
    return q::Error::Failf("%s; %s", why.Message(), e.Message());
  }
  return why;
}

q::Error Transaction::RemoveNoting(const std::string& folder) {
  std::string note;
  q::Error e = ops_.RemoveTree(folder, note);
  if (!note.empty()) notes_.push_back(std::move(note));
  return e;
}

std::optional<ArchiveFootprint> MeasureArchive(const uint8_t* data, size_t size,
                                               uint32_t clusterBytes) {
  if (!data || size < kEndSize) return std::nullopt;
  // The end record: the last one whose comment reaches the end of the data.
  size_t end = size - kEndSize;
  const size_t lowest = size - kEndSize > kMaxCommentSize ? size - kEndSize - kMaxCommentSize : 0;
  for (;; --end) {
    if (q::Le32(data + end) == kEndSignature && end + kEndSize + q::Le16(data + end + 20) <= size)
      break;
    if (end == lowest) return std::nullopt;
  }
  const uint32_t count = q::Le16(data + end + 10);
  const uint32_t directorySize = q::Le32(data + end + 12);
  // The directory lies right before the end record, whatever offset it
  // states (bytes may have been put in front of the archive).
  if (directorySize > end) return std::nullopt;
  size_t pos = end - directorySize;
  ArchiveFootprint footprint;
  for (uint32_t i = 0; i < count; ++i) {
    if (end - pos < kCentralSize || q::Le32(data + pos) != kCentralSignature) return std::nullopt;
    footprint.bytes += RoundUp(q::Le32(data + pos + 24), clusterBytes);
    ++footprint.entries;
    const size_t recordSize = kCentralSize + q::Le16(data + pos + 28) + q::Le16(data + pos + 30) +
                              q::Le16(data + pos + 32);
    if (end - pos < recordSize) return std::nullopt;
    pos += recordSize;
  }
  return footprint;
}

uint64_t SpaceNeeded(const ArchiveFootprint& files, uint64_t archiveBytes, uint32_t clusterBytes) {
  return files.bytes + RoundUp(archiveBytes, clusterBytes) + kFixedMargin +
         uint64_t{files.entries} * kPerEntryMargin;
}

q::Error CheckSpace(uint64_t neededBytes, uint64_t freeBytes, const std::string& folder) {
  if (freeBytes >= neededBytes) return {};
  // Needed rounded up and free rounded down: the figures never look enough.
  return q::Error::Failf(
      "there is not enough free space on the drive of %s: Setup needs %u MB, %u MB are free",
      folder, (neededBytes + kMegabyte - 1) / kMegabyte, freeBytes / kMegabyte);
}

}  // namespace txn
