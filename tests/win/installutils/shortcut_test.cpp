// CreateShortcut through Wine's real shell link object, read back through
// IShellLinkA::Load.
#include "installutils/shortcut.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

#include "installutils/shell_text.h"
#include "support/files.h"
#include "test_util.h"

namespace {

struct ShownMessage {
  std::string text;
  std::string caption;
  unsigned style = 0;
};
std::vector<ShownMessage> g_shown;

void RecordMessage(const char* text, const char* caption, unsigned style) {
  g_shown.push_back({text, caption, style});
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    g_shown.clear();
    previous_ = SetShortcutMessageBox(RecordMessage);
    appFolder_ = dir_ / "Program Files\\Quorvantis\\";
    ::CreateDirectoryA((dir_ / "Program Files").c_str(), nullptr);
    ::CreateDirectoryA(appFolder_.c_str(), nullptr);
    target_ = appFolder_ + "Quorvantis.exe";
    qtest::WriteFileBytes(target_, {'M', 'Z'});
  }
  void TearDown() override {
    SetShortcutMessageBox(previous_);
    ::CoUninitialize();
  }

  qtest::TempDir dir_;
  std::string appFolder_;
  std::string target_;
  ShortcutMessageBox previous_ = nullptr;
};

TEST_F(ShortcutTest, WritesALinkTheShellReadsBack) {
  const std::string link = dir_ / "Quorvantis.lnk";
  ASSERT_FALSE(CreateShortcut(target_, "", link, "Quorvantis")) << link;
  const qtest::LinkFields fields = qtest::ReadShortcut(link);
  EXPECT_EQ(fields.path, target_);
  EXPECT_EQ(fields.arguments, "");
  EXPECT_EQ(fields.workingFolder, appFolder_);  // with its trailing "\"
  EXPECT_EQ(fields.description, "Quorvantis");
  EXPECT_TRUE(g_shown.empty());

  // A shell link file: header size 0x4C, then the shell link class id.
  const qtest::Bytes bytes = qtest::ReadFileBytes(link);
  const qtest::Bytes header = {0x4C, 0x00, 0x00, 0x00, 0x01, 0x14, 0x02, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
}

TEST_F(ShortcutTest, ArgumentsAndTargetsOutsideAFolder) {
  const std::string link = dir_ / "Uninstall Quorvantis.lnk";
  ASSERT_FALSE(CreateShortcut(target_, "/quiet \"C:\\a b\"", link, "Uninstall Quorvantis"));
  qtest::LinkFields fields = qtest::ReadShortcut(link);
  EXPECT_EQ(fields.arguments, "/quiet \"C:\\a b\"");
  EXPECT_EQ(fields.description, "Uninstall Quorvantis");

  // A bare program name has no folder part: no working folder.
  ASSERT_FALSE(CreateShortcut("notepad.exe", "", link, ""));
  fields = qtest::ReadShortcut(link);
  EXPECT_EQ(fields.workingFolder, "");
  EXPECT_EQ(fields.description, "");
}

TEST_F(ShortcutTest, LnkInAnyLetterCaseIsAccepted) {
  for (const char* name : {"a.lnk", "b.LNK", "c.Lnk", "d.lNK"}) {
    const std::string link = dir_ / name;
    ASSERT_FALSE(CreateShortcut(target_, "", link, "Quorvantis")) << name;
    EXPECT_EQ(qtest::ReadShortcut(link).path, target_) << name;
  }
  EXPECT_TRUE(g_shown.empty());
}

TEST_F(ShortcutTest, WrongExtensionShowsTheMessageAndWritesNothing) {
  ::CreateDirectoryA((dir_ / "My.Links").c_str(), nullptr);
  const std::string names[] = {"Quorvantis", "Quorvantis.lnk.txt", "Quorvantis.exe",
                               "My.Links\\Quorvantis"};
  for (const std::string& name : names) {
    g_shown.clear();
    const std::string link = dir_ / name;
    EXPECT_FALSE(CreateShortcut(target_, "", link, "Quorvantis")) << name;  // caller goes on
    ASSERT_EQ(g_shown.size(), 1u) << name;
    EXPECT_EQ(g_shown[0].text,
              "Errore: l'estensione del nome del file di collegamento deve essere .LNK");
    EXPECT_EQ(g_shown[0].caption, "Errore");
    EXPECT_EQ(g_shown[0].style, 36u);
    EXPECT_FALSE(qtest::FileExists(link)) << name;
    EXPECT_FALSE(qtest::FileExists(link + ".lnk")) << name;
  }
}

TEST_F(ShortcutTest, MissingLinkFolderIsAnErrorNamingTheLink) {
  const std::string link = dir_ / "No Such Folder\\Quorvantis.lnk";
  const q::Error err = CreateShortcut(target_, "", link, "Quorvantis");
  ASSERT_TRUE(err);
  EXPECT_EQ(err.Message().rfind("cannot create shortcut " + link + ": ", 0), 0u) << err.Message();
  EXPECT_FALSE(qtest::FileExists(link));
  EXPECT_TRUE(g_shown.empty());
}

TEST_F(ShortcutTest, ExistingFilesAreReplaced) {
  const std::string link = dir_ / "Quorvantis.lnk";
  qtest::WriteFileBytes(link, qtest::Bytes(3000, 0xEE));  // not a link at all
  ASSERT_FALSE(CreateShortcut(target_, "", link, "first"));
  EXPECT_EQ(qtest::ReadShortcut(link).description, "first");
  EXPECT_EQ(qtest::ReadFileBytes(link)[0], 0x4C);

  const std::string other = appFolder_ + "UninstallQuorvantis.exe";
  qtest::WriteFileBytes(other, {'M', 'Z'});
  ASSERT_FALSE(CreateShortcut(other, "", link, "second"));
  const qtest::LinkFields fields = qtest::ReadShortcut(link);
  EXPECT_EQ(fields.path, other);
  EXPECT_EQ(fields.description, "second");
}

TEST_F(ShortcutTest, LinkNameIsConvertedFromTheAnsiCodePage) {
  if (::GetACP() != 1252) GTEST_SKIP() << "code page " << ::GetACP();
  const std::string link = dir_ / "Qu\xE8rvantis \xA9.lnk";  // e-grave, copyright sign
  ASSERT_FALSE(CreateShortcut(target_, "", link, "Quorvantis"));
  std::wstring wide;
  for (char c : dir_.Path()) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  wide += L"Qu\u00E8rvantis \u00A9.lnk";
  EXPECT_NE(::GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ShortcutTest, OverlongTargetIsAnError) {
  // The link object cannot hold such a path: it would save a link that
  // starts something else.
  const std::string link = dir_ / "Quorvantis.lnk";
  const std::string target = "C:\\" + std::string(251, 'x') + "\\a.exe";  // 260 characters
  const q::Error err = CreateShortcut(target, "", link, "Quorvantis");
  ASSERT_TRUE(err);
  EXPECT_EQ(err.Message().rfind("cannot create shortcut " + link + ": ", 0), 0u) << err.Message();
  EXPECT_FALSE(qtest::FileExists(link));

  const std::string longest = "C:\\" + std::string(250, 'x') + "\\a.exe";  // 259 still fit
  ASSERT_FALSE(CreateShortcut(longest, "", link, "Quorvantis"));
  const qtest::LinkFields fields = qtest::ReadShortcut(link);
  EXPECT_EQ(fields.path, longest);
  EXPECT_EQ(fields.workingFolder, std::string(FolderPart(longest)));
}

TEST(Shortcut, WithoutComIsAnError) {
  qtest::TempDir dir;
  const std::string link = dir / "Quorvantis.lnk";
  q::Error err;
  // A fresh thread has no COM apartment.
  std::thread([&] { err = CreateShortcut("C:\\windows\\notepad.exe", "", link, "x"); }).join();
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("cannot create shortcut " + link + ": the shell's link object is not available"),
            std::string::npos)
      << err.Message();
  EXPECT_FALSE(qtest::FileExists(link));
}

}  // namespace
