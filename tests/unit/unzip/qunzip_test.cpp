// qunzip's command-line contract, run as a real process (native build).
#if defined(Q_QUNZIP)
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/zip_writer.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Qunzip(const std::string& args) {
  const std::string cmd = std::string(Q_QUNZIP) + " " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ToolRun r{-1, {}};
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) r.out.append(buf, n);
  const int rc = pclose(p);
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return r;
}

}  // namespace

TEST(Qunzip, ListsExtractsAndTests) {
  TempDir dir;
  ZipEntryPlan e = Stored("sub/b.txt", "bravo");
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("a.txt", "alpha"), e}));
  const ToolRun l = Qunzip("l " + dir / "a.zip");
  EXPECT_EQ(l.status, 0);
  char line[128];
  std::snprintf(line, sizeof(line), "0 5 5 %08x a.txt\n0 5 5 %08x sub/b.txt\n",
                ReferenceCrc32(ToBytes("alpha")), ReferenceCrc32(ToBytes("bravo")));
  EXPECT_EQ(l.out, line);

  const ToolRun x = Qunzip("x " + dir / "a.zip " + dir / "out");
  EXPECT_EQ(x.status, 0);
  EXPECT_EQ(x.out, "0 urOk a.txt\n0 urOk sub/b.txt\n");
  EXPECT_EQ(ReadFileBytes(dir / "out/sub/b.txt"), ToBytes("bravo"));

  const ToolRun t = Qunzip("t " + dir / "a.zip");
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.out, x.out);
}

TEST(Qunzip, ExitStatusSaysWhatWentWrong) {
  TempDir dir;
  ZipEntryPlan bad = Stored("bad", "bad");
  bad.overrideCrc = true;
  WriteFileBytes(dir / "m.zip", BuildZip({Stored("good", "good"), bad}));
  const ToolRun m = Qunzip("t " + dir / "m.zip");
  EXPECT_EQ(m.status, 1);
  EXPECT_EQ(m.out, "0 urOk good\n1 urCrcError bad\n");
  WriteFileBytes(dir / "not.zip", ToBytes("plain text"));
  EXPECT_EQ(Qunzip("x " + dir / "not.zip " + dir / "o").status, 2);
  EXPECT_EQ(Qunzip("l " + dir / "not.zip").status, 2);
  EXPECT_EQ(Qunzip("t " + dir / "missing.zip").status, 2);
  EXPECT_EQ(Qunzip("x " + dir / "m.zip").status, 2) << "no destination";
  EXPECT_EQ(Qunzip("z " + dir / "m.zip").status, 2);
  // Names cannot forge lines or drive the terminal; a damaged directory fails.
  WriteFileBytes(dir / "n.zip", BuildZip({Stored("a\nb\x1b[2J", "n")}));
  EXPECT_EQ(Qunzip("t " + dir / "n.zip").out, "0 urOk a\\x0Ab\\x1B[2J\n");
  WriteFileBytes(dir / "d.zip", BuildZip({Stored("a", "a")}, {.entryCount = 2}));
  EXPECT_EQ(Qunzip("l " + dir / "d.zip").status, 2);
  EXPECT_EQ(Qunzip("x " + dir / "d.zip " + dir / "d").status, 2);
}

TEST(Qunzip, RefusesToWriteOutsideTheDestination) {
  TempDir dir;
  WriteFileBytes(dir / "evil.zip",
                 BuildZip({Stored("../../escaped.txt", "x"), Stored("fine.txt", "y")}));
  fs::create_directories(dir / "deep/er");
  const ToolRun x = Qunzip("x " + dir / "evil.zip " + dir / "deep/er/out");
  EXPECT_EQ(x.status, 1);
  EXPECT_NE(x.out.find("refused"), std::string::npos) << x.out;
  EXPECT_FALSE(fs::exists(dir / "deep/escaped.txt"));
  EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
  EXPECT_TRUE(fs::exists(dir / "deep/er/out/fine.txt"));
}
#endif
