// The uninstaller's plan, command line and report (portable part).
#include "payload/uninstall_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

using uninstall::Arguments;

// A publisher's payload, as the build lists it: exactly its files, the
// folders they lie in (deepest first, each once whatever the letter case),
// a temporary archive an interrupted installation may have left, and the
// uninstaller apart (deleted last, by the copy).
TEST(UninstallPlan, NamesThePackedFilesTheirFoldersShortcutsAndTheGroup) {
  const std::vector<std::string> payload = uninstall::ParseFileList(
      "Quorvantis.exe\r\ndocs/a/Deep.txt\n\nDocs/b.txt\nUninstallQuorvantis.exe\n");
  EXPECT_EQ(payload, (std::vector<std::string>{"Quorvantis.exe", "docs\\a\\Deep.txt", "Docs\\b.txt",
                                               "UninstallQuorvantis.exe"}));
  const std::string dir = "C:\\Program Files\\Quorvantis\\";
  const uninstall::Plan plan = uninstall::MakePlan(
      dir, payload, "C:\\ProgramData\\Start Menu\\Programs", "C:\\Users\\Public\\Desktop\\");
  EXPECT_EQ(plan.files, (std::vector<std::string>{dir + "Quorvantis.exe", dir + "docs\\a\\Deep.txt",
                                                  dir + "Docs\\b.txt", dir + "_TEMP_ZIP_.DAT"}));
  EXPECT_EQ(plan.folders, (std::vector<std::string>{dir + "docs\\a\\", dir + "docs\\"}));
  EXPECT_EQ(plan.uninstaller, dir + "UninstallQuorvantis.exe");
  EXPECT_EQ(plan.programGroup, "C:\\ProgramData\\Start Menu\\Programs\\Quorvantis\\");
  EXPECT_EQ(plan.shortcuts,
            (std::vector<std::string>{
                "C:\\Users\\Public\\Desktop\\Quorvantis.lnk",
                "C:\\ProgramData\\Start Menu\\Programs\\Quorvantis\\Quorvantis.lnk",
                "C:\\ProgramData\\Start Menu\\Programs\\Quorvantis\\Uninstall Quorvantis.lnk"}));
}

// Only the registered folder: a copy started from elsewhere (a download
// folder) would delete files of the payload's names there.
TEST(UninstallPlan, RunsOnlyInTheRegisteredFolder) {
  EXPECT_FALSE(uninstall::CheckInstallation("C:\\Program Files\\Quorvantis\\",
                                            "c:\\program files\\QUORVANTIS"));
  const q::Error elsewhere =
      uninstall::CheckInstallation("C:\\Users\\me\\Downloads\\", "C:\\Program Files\\Quorvantis\\");
  ASSERT_TRUE(elsewhere);
  EXPECT_NE(elsewhere.Message().find("installed in C:\\Program Files\\Quorvantis\\"),
            std::string::npos);
  EXPECT_NE(elsewhere.Message().find("nothing was changed"), std::string::npos);
  EXPECT_TRUE(uninstall::CheckInstallation("C:\\Q\\", ""));  // not registered at all
}

// A folder value that cannot be read must not turn into a relative path
// (which would delete "Quorvantis.lnk" in whatever the current folder is).
TEST(UninstallPlan, UnknownFoldersNameNothing) {
  const uninstall::Plan plan = uninstall::MakePlan("D:\\Q\\", {"a\\b"}, "", "");
  EXPECT_TRUE(plan.shortcuts.empty());
  EXPECT_TRUE(plan.programGroup.empty());
  EXPECT_EQ(plan.uninstaller, "D:\\Q\\UninstallQuorvantis.exe");  // not in the list: still known
}

// Unknown switches are refused by name, but a silent switch or a log
// anywhere still holds: the complaint goes to standard output and the log,
// not a box. The finishing switch needs a process number and a folder.
TEST(UninstallArguments, SilentInAnyCaseUnknownAndIncompleteRefused) {
  Arguments a;
  ASSERT_FALSE(uninstall::ParseArguments({}, a));
  EXPECT_FALSE(a.silent || a.finish);
  ASSERT_FALSE(uninstall::ParseArguments({"/s"}, a));
  EXPECT_TRUE(a.silent);
  a = {};
  q::Error err = uninstall::ParseArguments({"/X", "/S", "/log=C:\\a b.log"}, a);
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("\"/X\""), std::string::npos);
  EXPECT_TRUE(a.silent);
  EXPECT_EQ(a.logPath, "C:\\a b.log");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/LOG="},
                                             {"/_finish"},
                                             {"/_finish", "12", ""},
                                             {"/_finish", "0", "C:\\Q"},
                                             {"/_finish", "1x", "C:\\Q"},
                                             {"/_finish", "99999999999999999999999", "C:\\Q"},
                                             {"/_finish", "12", "C:\\Q", "/X"}}) {
    EXPECT_TRUE(uninstall::ParseArguments(args, a)) << args.size() << " " << args.back();
  }
}

// The system's own parser reads the finishing copy's command line back as
// the strings that went in: paths with spaces, a trailing backslash before
// the closing quote, quotes, empty strings.
std::vector<std::string> SplitAsTheSystemDoes(const std::string& line) {
#ifdef _WIN32
  const int wide = MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, w.data(), wide);
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(w.c_str(), &argc);
  std::vector<std::string> out;
  for (int i = 0; i < argc; ++i) {
    const int n = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, argv[i], -1, s.data(), n, nullptr, nullptr);
    s.resize(s.size() - 1);
    out.push_back(s);
  }
  LocalFree(argv);
  return out;
#else
  // The documented rules: 2n backslashes + quote -> n backslashes and a
  // quote toggle; 2n+1 -> n and a literal quote; other backslashes literal.
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t')); ++i) {
      size_t slashes = 0;
      while (i < line.size() && line[i] == '\\') ++slashes, ++i;
      if (i < line.size() && line[i] == '"') {
        arg.append(slashes / 2, '\\');
        if (slashes % 2) {
          arg += '"';
        } else {
          quoted = !quoted;
        }
      } else {
        arg.append(slashes, '\\');
        if (i == line.size()) break;
        if (!quoted && (line[i] == ' ' || line[i] == '\t')) break;
        arg += line[i];
      }
    }
    out.push_back(arg);
  }
  return out;
#endif
}

TEST(UninstallArguments, FinishCommandLineRoundTrips) {
  const std::string copy = "C:\\Temp Folder\\UninstallQuorvantis-12.exe";
  for (const std::string folder :
       {"C:\\Program Files\\Quorvantis\\", "C:\\Q\\", "C:\\odd \"name\\\" here\\", "D:\\x\\\\"}) {
    for (bool silent : {false, true}) {
      const std::string line = uninstall::FinishCommandLine(copy, 4242, folder, silent);
      std::vector<std::string> argv = SplitAsTheSystemDoes(line);
      ASSERT_FALSE(argv.empty()) << line;
      EXPECT_EQ(argv.front(), copy) << line;
      argv.erase(argv.begin());
      Arguments a;
      ASSERT_FALSE(uninstall::ParseArguments(argv, a)) << line;
      EXPECT_TRUE(a.finish);
      EXPECT_EQ(a.silent, silent);
      EXPECT_EQ(a.parentProcess, 4242u);
      EXPECT_EQ(a.installDir, folder) << line;
    }
  }
  EXPECT_EQ(SplitAsTheSystemDoes(uninstall::QuoteArgument("")), std::vector<std::string>{""});
}

TEST(UninstallEntry, RecognisesItsOwnProgramQuotedOrNot) {
  const std::string self = "C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe";
  EXPECT_TRUE(uninstall::SamePath(uninstall::CommandProgram(self), self));
  EXPECT_TRUE(uninstall::SamePath(
      uninstall::CommandProgram("\"c:\\program files\\quorvantis\\UNINSTALLQUORVANTIS.EXE\" /S"),
      self));
  EXPECT_TRUE(uninstall::SamePath(uninstall::CommandProgram("  " + self + "  "), self));
  EXPECT_FALSE(uninstall::SamePath(
      uninstall::CommandProgram("D:\\Apps\\Quorvantis\\UninstallQuorvantis.exe"), self));
  EXPECT_FALSE(uninstall::SamePath(uninstall::CommandProgram(""), ""));
  std::string otherDrive = self;
  otherDrive[0] = 'D';
  EXPECT_FALSE(uninstall::SamePath(otherDrive, self));
}

TEST(UninstallReport, SaysWhatIsLeftAndWhatToDo) {
  uninstall::Report report;
  EXPECT_EQ(uninstall::ReportText(report), "Quorvantis has been removed from your computer.");
  EXPECT_EQ(uninstall::ExitCode(report), uninstall::kExitOk);
  report.notes.push_back("The folder X was kept.");
  EXPECT_EQ(uninstall::ExitCode(report), uninstall::kExitOk);
  report.failures.push_back("C:\\Q\\Quorvantis.exe: Access denied (error 5)");
  const std::string text = uninstall::ReportText(report);
  EXPECT_NE(text.find("could not be removed"), std::string::npos);
  EXPECT_NE(text.find("C:\\Q\\Quorvantis.exe: Access denied (error 5)"), std::string::npos);
  EXPECT_NE(text.find("run the uninstaller again"), std::string::npos);
  EXPECT_NE(text.find("The folder X was kept."), std::string::npos);
  EXPECT_EQ(uninstall::ExitCode(report), uninstall::kExitIncomplete);
}

}  // namespace
