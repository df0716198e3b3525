// The installation transaction on a model volume that can die before any
// single folder operation: after every crash point, recovery must leave
// exactly the previous installation or exactly the new one, and nothing
// beside it.
#include "installutils/transaction.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "common/little_endian.h"
#include "support/zip_writer.h"

namespace {

// Folders hold a label: "old", "new", or what a killed step left ("partial"
// while filled, "damaged" while removed). Every change is a step; the
// process dies before step `stepsLeft` and does nothing after.
class ModelVolume : public txn::FolderOps {
 public:
  std::map<std::string, std::string> folders;
  int stepsLeft = INT_MAX;
  std::string inUse;

  void Restart() { stepsLeft = INT_MAX; }
  // Extraction into `folder`: half, then whole (or failing after half).
  bool Fill(const std::string& folder, bool entryFails) {
    if (!Step()) return false;
    folders[folder] = "partial";
    if (entryFails) return false;
    if (!Step()) return false;
    folders[folder] = "new";
    return true;
  }
  bool Step() { return stepsLeft > 0 && stepsLeft-- != INT_MIN; }

  bool Exists(const std::string& f) override { return folders.count(f) != 0; }
  q::Error MakeFolder(const std::string& f) override {
    if (!Step()) return Killed();
    folders[f] = "empty";
    return {};
  }
  q::Error Rename(const std::string& from, const std::string& to) override {
    if (!Step()) return Killed();
    if (folders.count(to) || !folders.count(from)) return q::Error::Fail("rename refused");
    folders[to] = folders[from];
    folders.erase(from);
    return {};
  }
  q::Error RemoveTree(const std::string& f, std::string&) override {
    if (!folders.count(f)) return {};
    if (!Step()) return Killed();
    folders[f] = "damaged";
    if (!Step()) return Killed();
    folders.erase(f);
    return {};
  }
  std::string FileInUse(const std::string&) override { return inUse; }

 private:
  static q::Error Killed() { return q::Error::Fail("killed"); }
};

const txn::Folders kFolders = txn::FoldersFor("C:\\Program Files\\Quorvantis\\");

enum class Outcome { kSucceeds, kEntryFails, kShortcutFails };

// The installer's sequence: staging, commit, shortcuts (one step), finish.
void Install(ModelVolume& volume, Outcome outcome) {
  txn::Transaction t(volume, kFolders);
  if (t.Begin()) return;
  if (!volume.Fill(kFolders.staging, outcome == Outcome::kEntryFails)) {
    static_cast<void>(t.Rollback());
    return;
  }
  if (t.Commit()) return;
  if (!volume.Step() || outcome == Outcome::kShortcutFails) {
    static_cast<void>(t.Rollback());
    return;
  }
  static_cast<void>(t.Finish());
}

// What the volume holds: "o" the previous installation alone, "n" the new
// one alone, "-" nothing; anything else spelled out.
std::string Result(const ModelVolume& v) {
  if (v.folders.empty()) return "-";
  if (v.folders.size() == 1 && v.folders.count(kFolders.product)) {
    const std::string& label = v.folders.at(kFolders.product);
    if (label == "old" || label == "new") return label.substr(0, 1);
  }
  std::string all;
  for (const auto& [name, label] : v.folders) all += "[" + name + "=" + label + "]";
  return all;
}

TEST(Transaction, EveryCrashPointRecoversToExactlyTheOldOrTheNewInstallation) {
  // After a kill before step i, recovery leaves afterKill[i]; the last
  // character is the run that was not killed.
  const struct {
    const char* name;
    bool previous;
    Outcome outcome;
    const char* afterKill;
  } cases[] = {
      // make ~new, fill half, fill, P->~old, ~new->P | shortcuts, remove ~old (2)
      {"update", true, Outcome::kSucceeds, "ooooonnnn"},
      {"first installation", false, Outcome::kSucceeds, "----nn"},
      // make ~new, fill half | remove ~new (2)
      {"update with a damaged entry", true, Outcome::kEntryFails, "ooooo"},
      {"first installation with a damaged entry", false, Outcome::kEntryFails, "-----"},
      // ... shortcuts fail | P->~new, ~old->P, remove ~new (2)
      {"update whose shortcut fails", true, Outcome::kShortcutFails, "ooooonnoooo"},
      {"first installation whose shortcut fails", false, Outcome::kShortcutFails, "----nn---"},
  };
  for (const auto& c : cases) {
    const std::string expected = c.afterKill;
    for (size_t kill = 0; kill < expected.size(); ++kill) {
      // Recovery may itself be killed at any of its steps and run again.
      for (int recoveryKill : {INT_MAX, 0, 1, 2, 3}) {
        SCOPED_TRACE(std::string(c.name) + ", killed before step " + std::to_string(kill) +
                     ", recovery killed before step " + std::to_string(recoveryKill));
        ModelVolume volume;
        if (c.previous) volume.folders[kFolders.product] = "old";
        volume.stepsLeft = kill + 1 == expected.size() ? INT_MAX : static_cast<int>(kill);
        Install(volume, c.outcome);
        std::vector<std::string> notes;
        volume.stepsLeft = recoveryKill;
        static_cast<void>(txn::Recover(volume, kFolders, notes));
        volume.Restart();
        EXPECT_FALSE(txn::Recover(volume, kFolders, notes));
        EXPECT_EQ(Result(volume), expected.substr(kill, 1));
      }
    }
  }
}

TEST(Transaction, ARunningProductChangesNothing) {
  ModelVolume volume;
  volume.folders[kFolders.product] = "old";
  volume.inUse = "C:\\Program Files\\Quorvantis\\Quorvantis.exe";
  txn::Transaction t(volume, kFolders);
  const q::Error e = t.Begin();
  EXPECT_EQ(e.Message(), "Quorvantis is running: close it first, then run Setup again (" +
                             volume.inUse + " is in use)");
  EXPECT_EQ(Result(volume), "o");

  // Running since the files were staged: the commit refuses, the staging goes.
  volume.inUse.clear();
  txn::Transaction late(volume, kFolders);
  ASSERT_FALSE(late.Begin());
  volume.inUse = "C:\\Program Files\\Quorvantis\\x.dll";
  EXPECT_NE(late.Commit().Message().find("Quorvantis is running"), std::string::npos);
  EXPECT_EQ(Result(volume), "o");
  EXPECT_TRUE(late.Finish());  // nothing was committed

  // Finishing is once, after a commit.
  volume.inUse.clear();
  txn::Transaction whole(volume, kFolders);
  ASSERT_FALSE(whole.Begin());
  volume.folders[kFolders.staging] = "new";
  ASSERT_FALSE(whole.Commit());
  EXPECT_FALSE(whole.Finish());
  EXPECT_TRUE(whole.Finish());
  EXPECT_EQ(Result(volume), "n");
}

TEST(Transaction, FoldersLieBesideTheProductFolder) {
  for (const char* product : {"D:\\Apps\\Quorvantis", "D:\\Apps\\Quorvantis\\"}) {
    const txn::Folders f = txn::FoldersFor(product);
    EXPECT_EQ(f.product, "D:\\Apps\\Quorvantis");
    EXPECT_EQ(f.staging, "D:\\Apps\\Quorvantis.~new");
    EXPECT_EQ(f.old, "D:\\Apps\\Quorvantis.~old");
  }
}

TEST(Transaction, TheSpaceCheckReadsTheDirectoryAndNamesBothFigures) {
  using qtest::Bytes;
  std::vector<qtest::ZipEntryPlan> entries = {qtest::Stored("empty", ""), qtest::Stored("one", "x"),
                                              qtest::Stored("page", std::string(4096, 'p')),
                                              qtest::Stored("more", std::string(5000, 'm'))};
  entries[1].comment = "an entry comment";
  qtest::ZipLayout layout;
  layout.prefix = Bytes(100, 0x4D);  // a program in front of the archive
  layout.comment = "PK\x05\x06 in the archive comment";
  for (const Bytes& zip : {qtest::BuildZip(entries), qtest::BuildZip(entries, layout)}) {
    const auto footprint = txn::MeasureArchive(zip.data(), zip.size(), 4096);
    ASSERT_TRUE(footprint);
    EXPECT_EQ(footprint->entries, 4u);
    EXPECT_EQ(footprint->bytes, 4096u + 4096u + 8192u);
    // Cut short anywhere in the directory or end record: never a read past
    // the end (the sanitizer build watches).
    for (size_t cut = zip.size() - 1; cut + 200 > zip.size(); --cut) {
      const Bytes part(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(cut));
      static_cast<void>(txn::MeasureArchive(part.data(), part.size(), 4096));
    }
  }
  EXPECT_FALSE(txn::MeasureArchive(nullptr, 0, 4096));
  // A directory record whose names run past the end record, far into the
  // data (behind a long program).
  qtest::ZipLayout behind;
  behind.prefix = Bytes(70000, 0x4D);
  Bytes overlong = qtest::BuildZip({qtest::Stored("one", "x")}, behind);
  const size_t end = overlong.size() - 22, directory = end - q::Le32(overlong.data() + end + 12);
  overlong[directory + 28] = overlong[directory + 29] = 0xFF;
  EXPECT_FALSE(txn::MeasureArchive(overlong.data(), overlong.size(), 4096));

  const uint64_t mb = 1024 * 1024;
  EXPECT_FALSE(txn::CheckSpace(5 * mb, 5 * mb, "C:\\Program Files"));
  EXPECT_EQ(
      txn::CheckSpace(5 * mb + 1, 3 * mb + 1, "C:\\Program Files").Message(),
      "there is not enough free space on the drive of C:\\Program Files: Setup needs 6 MB, 3 MB "
      "are free");
}

}  // namespace
