// qunzip's command-line contract, run as a real process (native build).
#if defined(Q_QUNZIP)
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
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
}

TEST(Qunzip, RefusesToWriteOutsideTheDestination) {
  TempDir dir;
  WriteFileBytes(dir / "evil.zip", BuildZip({Stored("../../escaped.txt", "x"), Stored("fine.txt", "y")}));
  fs::create_directories(dir / "deep/er");
  const ToolRun x = Qunzip("x " + dir / "evil.zip " + dir / "deep/er/out");
  EXPECT_EQ(x.status, 1);
  EXPECT_NE(x.out.find("refused"), std::string::npos) << x.out;
  EXPECT_FALSE(fs::exists(dir / "deep/escaped.txt"));
  EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
  EXPECT_TRUE(fs::exists(dir / "deep/er/out/fine.txt"));
}
#endif

#if defined(Q_QUNZIP)
// Archives written by independent tools (7-Zip, bsdtar with a descriptor on
// every entry, Python's zipfile): every stored entry comes out byte for byte.
TEST(Qunzip, ExtractsStoredArchivesOfOtherWriters) {
  TempDir dir;
  fs::create_directories(dir / "src/sub/deeper");
  Bytes random(70000);
  for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  WriteFileBytes(dir / "src/random.bin", random);
  WriteFileBytes(dir / "src/sub/text.txt", ToBytes(std::string(5000, 't') + "\n"));
  WriteFileBytes(dir / "src/sub/deeper/empty", {});
  const std::string src = dir / "src";
  const std::vector<std::pair<std::string, std::string>> writers = {
      {"7z.zip", "cd " + src + " && 7zz a -tzip -mx=0 " + dir / "7z.zip" + " . >/dev/null"},
      {"bsdtar.zip", "cd " + src + " && bsdtar --format zip --options zip:compression=store -cf " +
                         dir / "bsdtar.zip" + " ."},
      {"python.zip", "cd " + src + " && python3 -c \"import zipfile,os\nwith zipfile.ZipFile('" +
                         dir / "python.zip" +
                         "','w') as z:\n for r,d,f in os.walk('.'):\n  for n in d+f: "
                         "z.write(os.path.join(r,n))\""}};
  for (const auto& [name, cmd] : writers) {
    SCOPED_TRACE(name);
    if (std::system(cmd.c_str()) != 0) {
      ADD_FAILURE() << "writer failed: " << cmd;
      continue;
    }
    const ToolRun x = Qunzip("x " + dir / name + " " + dir / ("out-" + name));
    EXPECT_EQ(x.status, 0) << x.out;
    EXPECT_EQ(ReadFileBytes(dir / ("out-" + name) + "/random.bin"), random);
    EXPECT_EQ(ReadFileBytes(dir / ("out-" + name) + "/sub/text.txt").size(), 5001u);
    EXPECT_TRUE(fs::exists(dir / ("out-" + name) + "/sub/deeper/empty"));
  }
}
#endif

#if defined(Q_QUNZIP)
namespace {

// Every file and folder below `root`: relative path, then the content of a
// file or "/" for a folder.
std::map<std::string, std::string> TreeOf(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = e.path().lexically_relative(root).string();
    if (e.is_directory()) {
      tree[rel] = "/";
    } else {
      const Bytes b = ReadFileBytes(e.path().string());
      tree[rel] = std::string(b.begin(), b.end());
    }
  }
  return tree;
}

}  // namespace

// Names in many scripts, written by 7-Zip, bsdtar and Python's zipfile (all
// mark them as UTF-8), and the fixtures whose names are in code page 437:
// qunzip's tree equals 7-Zip's, names and bytes. Full-width dots, slashes and
// quotes are names like any other, inside the folder.
TEST(Qunzip, NonAsciiNamesComeOutAsSevenZipWritesThem) {
  TempDir dir;
  const std::vector<std::string> names = {
      "Caf\xC3\xA9 cr\xC3\xA8me.txt",                                   // Latin accents
      "\xD0\x9F\xD1\x91\xD1\x82\xD1\x80/\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1.txt",  // Cyrillic / Greek
      "\xE5\x90\x8D\xE5\x89\x8D/\xF0\x9F\x98\x80.bin",                  // CJK / emoji
      "a\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\x8F" "b\xEF\xBC\xBC\xEF\xBC\x82.txt",  // ａ．．／b＼＂
  };
  for (size_t i = 0; i < names.size(); ++i) {
    fs::create_directories((fs::path(dir / "src") / names[i]).parent_path());
    WriteFileBytes(dir / ("src/" + names[i]), ToBytes("content " + std::to_string(i)));
  }
  const std::string src = dir / "src";
  const std::string py =
      "import zipfile,os\nwith zipfile.ZipFile('" + dir / "python.zip" +
      "','w') as z:\n for r,d,f in os.walk('.'):\n  for n in f: z.write(os.path.join(r,n))";
  const std::vector<std::pair<std::string, std::string>> writers = {
      {"7z.zip", "cd " + src + " && 7zz a -tzip " + dir / "7z.zip" + " . >/dev/null"},
      {"bsdtar.zip", "cd " + src + " && LC_ALL=C.UTF-8 bsdtar --format zip -cf " + dir / "bsdtar.zip" + " ."},
      {"python.zip", "cd " + src + " && python3 -c \"" + py + "\""}};
  std::vector<std::string> archives;
  for (const auto& [name, cmd] : writers) {
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "writer failed: " << cmd;
    archives.push_back(dir / name);
  }
  if (FixturesPresent()) {
    for (const char* f : {"Zip.implode.zip", "Zip.deflate.dd.zip"}) archives.push_back(FixturePath(f));
  }
  int n = 0;
  for (const std::string& archive : archives) {
    SCOPED_TRACE(archive);
    const std::string ours = dir / ("q" + std::to_string(n)), theirs = dir / ("7" + std::to_string(n));
    ++n;
    EXPECT_EQ(Qunzip("x " + archive + " " + ours).status, 0);
    ASSERT_EQ(std::system(("7zz x -y -o" + theirs + " " + archive + " >/dev/null").c_str()), 0);
    EXPECT_EQ(TreeOf(ours), TreeOf(theirs));
  }
  EXPECT_EQ(TreeOf(dir / "q0"), TreeOf(src)) << "the 7-Zip archive holds the source tree";
}
#endif
