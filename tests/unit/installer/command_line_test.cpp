// The setup program's command line and its log's line format.
#include "installer/command_line.h"

#include <gtest/gtest.h>

#include "installer/setup_log.h"

namespace {

struct Case {
  const char* line;  // the whole command line, program included
  bool silent, help;
  const char* log;
  const char* dir;
  const char* fault;  // a piece of the complaint; nullptr when accepted
};

// Switches in any case and order, quoted or not; /D= takes the rest of the
// line, spaces and all; anything unknown or malformed is refused, while
// /S and /LOG= are still known for delivering the complaint.
const Case kCases[] = {
    {"Setup.exe", false, false, "", "", nullptr},
    {"\"C:\\Down loads\\Setup.exe\" /s", true, false, "", "", nullptr},
    {"Setup.exe\t/S  /log=C:\\x.log ", true, false, "C:\\x.log", "", nullptr},
    {"Setup.exe \"/LOG=C:\\My Logs\\s.log\" /?", false, true, "C:\\My Logs\\s.log", "", nullptr},
    {"Setup.exe /LOG=\"C:\\My Logs\\s.log\"", false, false, "C:\\My Logs\\s.log", "", nullptr},
    {"Setup.exe /S /D=C:\\My Apps\\Quorvantis 2 ", true, false, "", "C:\\My Apps\\Quorvantis 2\\",
     nullptr},
    {"Setup.exe /d=\"D:/Apps//Q\\\"", false, false, "", "D:\\Apps\\Q\\", nullptr},
    {"Setup.exe /X /S /LOG=l.txt", true, false, "l.txt", "", "unknown switch \"/X\""},
    {"Setup.exe /SILENT", false, false, "", "", "\"/SILENT\""},
    {"Setup.exe /S /LOG=", true, false, "", "", "/LOG= needs"},
    {"Setup.exe /D=Apps\\Q", false, false, "", "", "not a full path"},
    {"Setup.exe /D=C:\\", false, false, "", "", "root"},
    {"Setup.exe /D=C:\\Apps\\..\\Windows", false, false, "", "", "\"..\""},
    {"Setup.exe /D=C:\\Apps\\Q.", false, false, "", "", "trailing dot"},
    {"Setup.exe /D=C:\\A?ps", false, false, "", "", "step"},
};

TEST(SetupCommandLine, Table) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    setup::Options o;
    const q::Error e = setup::ParseCommandLine(setup::ArgumentsOf(c.line), o);
    if (c.fault) {
      ASSERT_TRUE(e);
      EXPECT_NE(e.Message().find(c.fault), std::string::npos) << e.Message();
    } else {
      ASSERT_FALSE(e) << e.Message();
      EXPECT_EQ(o.installDir, c.dir);
    }
    EXPECT_EQ(o.silent, c.silent);
    EXPECT_EQ(o.help, c.help);
    EXPECT_EQ(o.logPath, c.log);
  }
}

// Five tab-separated fields whatever the fields hold, CR LF at the end.
TEST(SetupLog, OneLineOfFiveFields) {
  const setup::LogTime t{2026, 12, 7, 5, 4, 3, 21};
  EXPECT_EQ(setup::LogLine(t, "entry", "ok", "C:\\Q\\a b.txt", "12 bytes"),
            "2026-12-07T05:04:03.021Z\tentry\tok\tC:\\Q\\a b.txt\t12 bytes\r\n");
  EXPECT_EQ(setup::LogLine(t, "exit", "1603", "failed", "two\r\nlines\tand a tab"),
            "2026-12-07T05:04:03.021Z\texit\t1603\tfailed\ttwo  lines and a tab\r\n");
}

}  // namespace
