// CreateShortcut through Wine's real shell link object, read back through
// IShellLinkW::Load.
#include "installutils/shortcut.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <filesystem>
#include <thread>

#include "support/files.h"
#include "test_util.h"

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(qtest::U8Path(path)); }

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
    EXPECT_FALSE(Exists(link));
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
  EXPECT_EQ(
      fields.path + "|" + fields.arguments + "|" + fields.workingFolder + "|" + fields.description,
      target_ + "||" + appFolder_ + "|Quorvantis");

  // Arguments as given; a bare program name has no working folder.
  ASSERT_FALSE(CreateShortcut("notepad.exe", "/quiet \"C:\\a b\"", link_, ""));
  fields = qtest::ReadShortcut(link_);
  EXPECT_EQ(fields.arguments + "|" + fields.workingFolder + "|" + fields.description,
            "/quiet \"C:\\a b\"||");
  EXPECT_TRUE(g_shown.empty());
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

}  // namespace
