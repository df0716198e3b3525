// qunzip's command-line contract, run as a real process (native build). Its
// names and refusals are checked against 7-Zip by names_oracle_test.sh.
#if defined(Q_QUNZIP)
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/files.h"
#include "support/zip_writer.h"

using namespace qtest;

TEST(Qunzip, OutputAndExitStatusOfEachCommand) {
  TempDir dir;
  ZipEntryPlan bad = Stored("bad", "bad");
  bad.overrideCrc = true;
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("a.txt", "alpha"), Stored("sub/b.txt", "bravo")}));
  WriteFileBytes(dir / "m.zip", BuildZip({Stored("good", "good"), bad}));
  WriteFileBytes(dir / "n.zip", BuildZip({Stored("a\nb\x1b[2J", "n")}));
  WriteFileBytes(dir / "d.zip", BuildZip({Stored("a", "a")}, {.entryCount = 2}));
  WriteFileBytes(dir / "not.zip", ToBytes("plain text"));
  char listing[128];
  std::snprintf(listing, sizeof(listing), "0 5 5 %08x a.txt\n0 5 5 %08x sub/b.txt\n",
                ReferenceCrc32(ToBytes("alpha")), ReferenceCrc32(ToBytes("bravo")));
  const struct {
    std::string args;
    int status;
    const char* out;  // null: not checked
  } runs[] = {
      {"l a.zip", 0, listing},
      {"x a.zip out", 0, "0 urOk a.txt\n0 urOk sub/b.txt\n"},
      {"t m.zip", 1, "0 urOk good\n1 urCrcError bad\n"},
      // Names cannot forge lines or drive the terminal.
      {"t n.zip", 0, "0 urOk a\\x0Ab\\x1B[2J\n"},
      {"x not.zip o", 2, ""},
      {"l d.zip", 2, nullptr},  // a damaged directory
      {"z m.zip", 2, ""},
  };
  for (const auto& r : runs) {
    const std::string cmd = "cd " + dir.Path() + " && " Q_QUNZIP " " + r.args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof(buf), p)) > 0;) out.append(buf, n);
    const int rc = pclose(p);
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, r.status) << r.args;
    if (r.out) {
      EXPECT_EQ(out, r.out) << r.args;
    }
  }
  EXPECT_EQ(ReadFileBytes(dir / "out/sub/b.txt"), ToBytes("bravo"));
}
#endif
