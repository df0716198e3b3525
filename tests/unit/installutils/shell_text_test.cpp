#include "installutils/shell_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HasLinkExtension, AcceptsLnkInAnyCase) {
  for (const char* name : {"C:\\Users\\Public\\Desktop\\Quorvantis.lnk", "x.LNK", "x.Lnk",
                           "x.lNk", ".lnk", "C:\\a.b\\c.lnk", "C:x.lnk", "x..lnk"}) {
    EXPECT_TRUE(HasLinkExtension(name)) << name;
  }
}

TEST(HasLinkExtension, RejectsOtherOrMissingExtensions) {
  for (const char* name : {
           "",
           "Quorvantis",
           "C:\\Desktop\\Quorvantis",
           "C:\\Desktop\\Quorvantis.lnk.txt",  // a further extension after .lnk
           "C:\\Desktop\\Quorvantis.ln",
           "C:\\Desktop\\Quorvantis.lnkx",
           "C:\\Desktop\\Quorvantis.",
           "C:\\My.lnk\\Quorvantis",   // the dot belongs to a folder
           "C:\\Old.Stuff\\Quorvantis",
           "x.lnk\\",
           "a.lnk:stream",             // ':' after the dot
           "C:\\Desktop\\Quorvantis.exe",
       }) {
    EXPECT_FALSE(HasLinkExtension(name)) << name;
  }
}

TEST(FolderPart, KeepsTheTrailingSeparator) {
  EXPECT_EQ(FolderPart("C:\\Program Files\\Quorvantis\\Quorvantis.exe"),
            "C:\\Program Files\\Quorvantis\\");
  EXPECT_EQ(FolderPart("C:\\Quorvantis.exe"), "C:\\");
  EXPECT_EQ(FolderPart("C:Quorvantis.exe"), "C:");
  EXPECT_EQ(FolderPart("C:\\Folder\\"), "C:\\Folder\\");
  EXPECT_EQ(FolderPart("Quorvantis.exe"), "");
  EXPECT_EQ(FolderPart(""), "");
  EXPECT_EQ(FolderPart("\\\\server\\share\\x.exe"), "\\\\server\\share\\");
}

TEST(QuoteCommandPath, QuotesOnlyPathsThatNeedIt) {
  EXPECT_EQ(QuoteCommandPath("C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe"),
            "\"C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe\"");
  EXPECT_EQ(QuoteCommandPath("C:\\Apps\\Quorvantis\\UninstallQuorvantis.exe"),
            "C:\\Apps\\Quorvantis\\UninstallQuorvantis.exe");
  EXPECT_EQ(QuoteCommandPath("C:\\Tab\there\\u.exe"), "\"C:\\Tab\there\\u.exe\"");
  EXPECT_EQ(QuoteCommandPath("\"C:\\Program Files\\u.exe\""), "\"C:\\Program Files\\u.exe\"");
  EXPECT_EQ(QuoteCommandPath(""), "");
}

TEST(UninstallKey, PathAndName) {
  EXPECT_EQ(UninstallKeyPath("Quorvantis"),
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvantis");
  EXPECT_TRUE(IsValidUninstallKeyName("Quorvantis"));
  EXPECT_TRUE(IsValidUninstallKeyName("Quorvantis 1.1 (x86)"));
  EXPECT_FALSE(IsValidUninstallKeyName(""));
  EXPECT_FALSE(IsValidUninstallKeyName("Quorvantis\\Sub"));
  EXPECT_FALSE(IsValidUninstallKeyName("\\"));
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
                   "https://quorvantis.example/",
                   "",
                   "",
                   "C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe",
                   "https://quorvantis.example/updates/",
                   "https://quorvantis.example/about/"};
  EXPECT_EQ(Listing(UninstallValues(e)),
            "Publisher=[Quorvantis Software];"
            "DisplayVersion=[1.1 ];"
            "URLInfoAbout=[https://quorvantis.example/about/];"
            "HelpLink=[https://quorvantis.example/];"
            "URLUpdateInfo=[https://quorvantis.example/updates/];"
            "UninstallString=[\"C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe\"];"
            "DisplayName=[Quorvantis];");

  e.helpTelephone = "+39 000";
  e.modifyPath = "C:\\Apps\\modify.exe";
  e.uninstallString = "C:\\Apps\\u.exe";
  EXPECT_EQ(Listing(UninstallValues(e)),
            "Publisher=[Quorvantis Software];"
            "DisplayVersion=[1.1 ];"
            "URLInfoAbout=[https://quorvantis.example/about/];"
            "HelpTelephone=[+39 000];"
            "HelpLink=[https://quorvantis.example/];"
            "URLUpdateInfo=[https://quorvantis.example/updates/];"
            "UninstallString=[C:\\Apps\\u.exe];"
            "DisplayName=[Quorvantis];"
            "ModifyPath=[C:\\Apps\\modify.exe];");

  EXPECT_EQ(Listing(UninstallValues(UninstallEntry{})), "");
}

}  // namespace
