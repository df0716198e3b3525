// CreateShortcut through Wine's real shell link object, read back through
// IShellLinkW::Load.
#include "installutils/shortcut.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "common/wide.h"
#include "installutils/shell_text.h"
#include "support/files.h"
#include "test_util.h"

namespace {

std::vector<std::string> g_shown;  // "text|caption|style" of each message box

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    g_shown.clear();
    previous_ = SetShortcutMessageBox([](const char* text, const char* caption, unsigned style) {
      g_shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(style));
    });
    ::CreateDirectoryA((dir_ / "Program Files").c_str(), nullptr);
    ::CreateDirectoryA(appFolder_.c_str(), nullptr);
    qtest::WriteFileBytes(target_, {'M', 'Z'});
  }
  void TearDown() override {
    SetShortcutMessageBox(previous_);
    ::CoUninitialize();
  }
  // Refused with a message naming the link, and nothing written.
  void ExpectRefused(const q::Error& err, const std::string& link) {
    ASSERT_TRUE(err) << link;
    EXPECT_EQ(err.Message().rfind("cannot create shortcut " + link + ": ", 0), 0u) << err.Message();
    EXPECT_FALSE(qtest::FileExists(link));
  }

  qtest::TempDir dir_;
  const std::string appFolder_ = dir_ / "Program Files\\Quorvantis\\";
  const std::string target_ = appFolder_ + "Quorvantis.exe";
  const std::string link_ = dir_ / "Quorvantis.lnk";
  ShortcutMessageBox previous_ = nullptr;
};

TEST_F(ShortcutTest, WritesALinkTheShellReadsBackReplacingWhatWasThere) {
  qtest::WriteFileBytes(link_, qtest::Bytes(3000, 0xEE));  // not a link at all
  ASSERT_FALSE(CreateShortcut(target_, "", link_, "Quorvantis"));
  qtest::LinkFields fields = qtest::ReadShortcut(link_);
  // The working folder with its trailing "\".
  EXPECT_EQ(fields.path + "|" + fields.arguments + "|" + fields.workingFolder + "|" +
                fields.description,
            target_ + "||" + appFolder_ + "|Quorvantis");

  // Arguments as given; a bare program name has no working folder.
  ASSERT_FALSE(CreateShortcut("notepad.exe", "/quiet \"C:\\a b\"", link_, ""));
  fields = qtest::ReadShortcut(link_);
  EXPECT_EQ(fields.arguments + "|" + fields.workingFolder + "|" + fields.description,
            "/quiet \"C:\\a b\"||");
  EXPECT_TRUE(g_shown.empty());
}

// The installer goes on after a wrong extension: the person is told, and
// no file appears under either name.
TEST_F(ShortcutTest, WrongExtensionShowsTheMessageAndWritesNothing) {
  ::CreateDirectoryA((dir_ / "My.Links").c_str(), nullptr);
  for (const char* name : {"Quorvantis", "Quorvantis.lnk.txt", "My.Links\\Quorvantis"}) {
    g_shown.clear();
    const std::string link = dir_ / name;
    EXPECT_FALSE(CreateShortcut(target_, "", link, "Quorvantis")) << name;
    EXPECT_EQ(
        g_shown,
        std::vector<std::string>{
            "Errore: l'estensione del nome del file di collegamento deve essere .LNK|Errore|36"});
    EXPECT_FALSE(qtest::FileExists(link) || qtest::FileExists(link + ".lnk")) << name;
  }
  ASSERT_FALSE(CreateShortcut(target_, "", dir_ / "b.LNK", "Quorvantis"));
  EXPECT_EQ(qtest::ReadShortcut(dir_ / "b.LNK").path, target_);
}

// A missing folder, a target the link object cannot hold (it would save a
// link cut short, one that starts something else), no COM on the thread.
TEST_F(ShortcutTest, FailuresAreErrorsNamingTheLink) {
  ExpectRefused(CreateShortcut(target_, "", dir_ / "No Such Folder\\Quorvantis.lnk", "Quorvantis"),
                dir_ / "No Such Folder\\Quorvantis.lnk");
  const q::Error tooLong =
      CreateShortcut("C:\\" + std::string(251, 'x') + "\\a.exe", "", link_, "Quorvantis");
  ExpectRefused(tooLong, link_);
  EXPECT_NE(tooLong.Message().find("the most a shortcut can hold"), std::string::npos)
      << tooLong.Message();
  ::DeleteFileA(link_.c_str());

  q::Error err;
  std::thread([&] { err = CreateShortcut(target_, "", link_, "x"); }).join();  // no COM apartment
  ExpectRefused(err, link_);
  EXPECT_NE(err.Message().find("the shell's link object is not available"), std::string::npos);
  EXPECT_TRUE(g_shown.empty());
}

// Texts in any script arrive as they are; full-width quote and backslash in
// the link's name must not turn into real ones. (Wine keeps a link's target
// in the ANSI code page: ShortcutCallsTest checks the target.)
TEST_F(ShortcutTest, NamesAndTextsInAnyScriptArriveUnchanged) {
  const std::string desktop = dir_ / "\xD0\x9F\xD1\x91\xD1\x82\xD1\x80\\Desktop\\";     // Пётр
  const std::string target = appFolder_ + "\xE5\x90\x8D\xE5\x89\x8D\\Quorvantis.exe";   // 名前
  const std::string link = desktop + "Qu\xC3\xB6rvantis \xEF\xBC\x82\xEF\xBC\xBC.lnk";  // ö ＂＼
  const std::string description =
      "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 \xF0\x9F\x98\x80";
  ::CreateDirectoryW(q::Widen(dir_ / "\xD0\x9F\xD1\x91\xD1\x82\xD1\x80").c_str(), nullptr);
  ::CreateDirectoryW(q::Widen(desktop).c_str(), nullptr);
  ASSERT_FALSE(CreateShortcut(target, "\xC3\xA9", link, description));
  const qtest::LinkFields fields = qtest::ReadShortcut(link);
  EXPECT_EQ(fields.arguments, "\xC3\xA9");
  EXPECT_EQ(fields.workingFolder, std::string(FolderPart(target)));
  EXPECT_EQ(fields.description, description);
  EXPECT_FALSE(qtest::FileExists(desktop + "Qu\xC3\xB6rvantis \"\\.lnk"));
}

}  // namespace
