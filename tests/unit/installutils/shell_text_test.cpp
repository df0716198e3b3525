#include "installutils/shell_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HasLinkExtension, OnlyALastExtensionLnkInAnyCase) {
  for (const char* name : {"C:\\Users\\Public\\Desktop\\Quorvantis.lnk", "x.LNK", "x.lNk", ".lnk",
                           "C:\\a.b\\c.lnk", "C:x.lnk"}) {
    EXPECT_TRUE(HasLinkExtension(name)) << name;
  }
  for (const char* name :
       {"", "Quorvantis", "Quorvantis.lnk.txt", "Quorvantis.ln", "Quorvantis.lnkx",
        "C:\\My.lnk\\Quorvantis", "x.lnk\\", "a.lnk:stream"}) {
    EXPECT_FALSE(HasLinkExtension(name)) << name;
  }
}

TEST(ShellText, FolderPartKeepsTheSeparatorJoinAddsOneAndCommandsAreQuotedOnlyWhenNeeded) {
  const std::pair<const char*, const char*> folders[] = {
      {"C:\\Program Files\\Quorvantis\\Quorvantis.exe", "C:\\Program Files\\Quorvantis\\"},
      {"C:\\Quorvantis.exe", "C:\\"},
      {"C:Quorvantis.exe", "C:"},
      {"C:\\Folder\\", "C:\\Folder\\"},
      {"Quorvantis.exe", ""},
      {"", ""},
      {"\\\\server\\share\\x.exe", "\\\\server\\share\\"}};
  for (const auto& [path, folder] : folders) EXPECT_EQ(FolderPart(path), folder) << path;
  EXPECT_EQ(JoinFolder("", "x"), "");  // an unknown folder names nothing
  EXPECT_EQ(JoinFolder("C:\\a", "x") + JoinFolder("C:\\a\\", "x"), "C:\\a\\xC:\\a\\x");
  const std::pair<const char*, const char*> commands[] = {
      {"C:\\Program Files\\Q\\u.exe", "\"C:\\Program Files\\Q\\u.exe\""},
      {"C:\\Apps\\Q\\u.exe", "C:\\Apps\\Q\\u.exe"},
      {"C:\\Tab\there\\u.exe", "\"C:\\Tab\there\\u.exe\""},
      {"\"C:\\Program Files\\u.exe\"", "\"C:\\Program Files\\u.exe\""},  // already quoted
      {"", ""}};
  for (const auto& [path, command] : commands) EXPECT_EQ(QuoteCommandPath(path), command) << path;
}

TEST(UninstallKey, PathAndName) {
  EXPECT_EQ(UninstallKeyPath("Quorvantis"),
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvantis");
  EXPECT_TRUE(IsValidUninstallKeyName("Quorvantis 1.1 (x86)"));
  for (const char* bad : {"", "Quorvantis\\Sub", "\\"})
    EXPECT_FALSE(IsValidUninstallKeyName(bad)) << bad;
}

std::string Listing(const std::vector<RegistryStringValue>& values) {
  std::string out;
  for (const RegistryStringValue& v : values) out += std::string(v.name) + "=[" + v.data + "];";
  return out;
}

TEST(UninstallValues, InWritingOrderWithEmptyOnesLeftOut) {
  UninstallEntry e{"Quorvantis Software",
                   "Quorvantis",
                   "1.1 ",
                   "https://q.example/",
                   "",
                   "",
                   "C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe",
                   "https://q.example/updates/",
                   "https://q.example/about/"};
  EXPECT_EQ(Listing(UninstallValues(e)),
            "Publisher=[Quorvantis Software];DisplayVersion=[1.1 "
            "];URLInfoAbout=[https://q.example/about/];"
            "HelpLink=[https://q.example/];URLUpdateInfo=[https://q.example/updates/];"
            "UninstallString=[\"C:\\Program "
            "Files\\Quorvantis\\UninstallQuorvantis.exe\"];DisplayName=[Quorvantis];");
  e.helpTelephone = "+39 000";
  e.modifyPath = "C:\\Apps\\modify.exe";
  e.uninstallString = "C:\\Apps\\u.exe";
  EXPECT_EQ(Listing(UninstallValues(e)),
            "Publisher=[Quorvantis Software];DisplayVersion=[1.1 "
            "];URLInfoAbout=[https://q.example/about/];"
            "HelpTelephone=[+39 "
            "000];HelpLink=[https://q.example/];URLUpdateInfo=[https://q.example/updates/];"
            "UninstallString=[C:\\Apps\\u.exe];DisplayName=[Quorvantis];ModifyPath=[C:"
            "\\Apps\\modify.exe];");
  EXPECT_EQ(Listing(UninstallValues(UninstallEntry{})), "");
}

}  // namespace
