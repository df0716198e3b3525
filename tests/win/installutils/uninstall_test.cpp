// RegisterUninstall against the prefix's local-machine root, read back through
// the registry API and with reg.exe.
#include "installutils/uninstall.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

constexpr const char* kParent = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class RegisterUninstallTest : public ::testing::Test {
 protected:
  void TearDown() override { qtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, key_); }

  // The value as a string (without its zero), or "<missing>" / "<type N>".
  std::string Value(const std::string& name) const {
    const auto value = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, key_, name);
    if (!value) return "<missing>";
    if (value->type != REG_SZ) return "<type " + std::to_string(value->type) + ">";
    if (value->data.empty() || value->data.back() != '\0') return "<unterminated>";
    return value->data.substr(0, value->data.size() - 1);
  }
  q::Error Register(const std::string& uninstall, const std::string& telephone = "",
                    const std::string& modify = "") {
    return RegisterUninstall("Quorvantis Software", name_, "1.1 ", "https://quorvantis.example/",
                             telephone, modify, uninstall, "https://quorvantis.example/updates/",
                             "https://quorvantis.example/updates/");
  }

  // A space in the name, as product names have.
  const std::string name_ = qtest::UniqueName("Quorvantis Test ");
  const std::string key_ = kParent + name_;
};

TEST_F(RegisterUninstallTest, WritesTheEntry) {
  ASSERT_FALSE(Register("C:\\Apps\\Quorvantis\\UninstallQuorvantis.exe"));
  EXPECT_EQ(Value("Publisher"), "Quorvantis Software");
  EXPECT_EQ(Value("DisplayName"), name_);
  EXPECT_EQ(Value("DisplayVersion"), "1.1 ");  // the trailing space stays
  EXPECT_EQ(Value("HelpLink"), "https://quorvantis.example/");
  EXPECT_EQ(Value("URLUpdateInfo"), "https://quorvantis.example/updates/");
  EXPECT_EQ(Value("URLInfoAbout"), "https://quorvantis.example/updates/");
  EXPECT_EQ(Value("UninstallString"), "C:\\Apps\\Quorvantis\\UninstallQuorvantis.exe");
  // Empty arguments write nothing.
  EXPECT_EQ(Value("HelpTelephone"), "<missing>");
  EXPECT_EQ(Value("ModifyPath"), "<missing>");
  EXPECT_EQ(qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, key_).size(), 7u);
}

TEST_F(RegisterUninstallTest, UninstallCommandWithSpacesIsQuoted) {
  ASSERT_FALSE(Register("C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe", "+39 06 000",
                        "C:\\Program Files\\Quorvantis\\Setup.exe"));
  EXPECT_EQ(Value("UninstallString"), "\"C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe\"");
  EXPECT_EQ(Value("HelpTelephone"), "+39 06 000");
  EXPECT_EQ(Value("ModifyPath"), "C:\\Program Files\\Quorvantis\\Setup.exe");
}

TEST_F(RegisterUninstallTest, OverAnExistingEntryKeepsForeignValues) {
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key_, "Publisher", "Someone Else");
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key_, "DisplayVersion", "1.0");
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key_, "HelpTelephone", "555-0100");
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key_, "InstallLocation", "C:\\Old\\");
  qtest::SetRegistryBytes(HKEY_LOCAL_MACHINE, key_, "EstimatedSize", REG_DWORD,
                          std::string("\x10\x00\x00\x00", 4));
  ASSERT_FALSE(Register("C:\\Apps\\UninstallQuorvantis.exe"));
  EXPECT_EQ(Value("Publisher"), "Quorvantis Software");
  EXPECT_EQ(Value("DisplayVersion"), "1.1 ");
  EXPECT_EQ(Value("HelpTelephone"), "555-0100");  // empty argument: left alone
  EXPECT_EQ(Value("InstallLocation"), "C:\\Old\\");
  const auto size = qtest::GetRegistryValue(HKEY_LOCAL_MACHINE, key_, "EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size->data, std::string("\x10\x00\x00\x00", 4));
}

TEST_F(RegisterUninstallTest, OnlyNonEmptyArgumentsAreWritten) {
  ASSERT_FALSE(RegisterUninstall("", name_, "", "", "", "", "", "", ""));
  EXPECT_EQ(qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, key_),
            std::vector<std::string>{"DisplayName"});
}

TEST_F(RegisterUninstallTest, RegQueryInTheSamePrefixSeesTheEntry) {
  ASSERT_FALSE(Register("C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe"));
  const std::string out = qtest::RegQuery("HKLM\\" + key_);
  EXPECT_NE(out.find("HKEY_LOCAL_MACHINE\\" + key_ + "\r\n"), std::string::npos) << out;
  for (const std::string& line : std::vector<std::string>{
           "    Publisher    REG_SZ    Quorvantis Software\r\n",
           "    DisplayName    REG_SZ    " + name_ + "\r\n",
           "    DisplayVersion    REG_SZ    1.1 \r\n",
           "    UninstallString    REG_SZ    "
           "\"C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe\"\r\n",
           "    HelpLink    REG_SZ    https://quorvantis.example/\r\n",
       }) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "in:\n" << out;
  }
  EXPECT_EQ(out.find("HelpTelephone"), std::string::npos) << out;
  EXPECT_EQ(out.find("ModifyPath"), std::string::npos) << out;
}

TEST(RegisterUninstall, DisplayNameMustBeOneKeyName) {
  const auto before = qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, kParent);
  q::Error err = RegisterUninstall("P", "", "1.1 ", "", "", "", "C:\\u.exe", "", "");
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("in the list of installed programs"), std::string::npos);
  // Nothing landed in the shared parent key.
  EXPECT_EQ(qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, kParent), before);

  const std::string nested = qtest::UniqueName("Quorvantis Test ");
  err = RegisterUninstall("P", nested + "\\Sub", "1.1 ", "", "", "", "C:\\u.exe", "", "");
  ASSERT_TRUE(err);
  EXPECT_FALSE(qtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kParent + nested));
}

TEST(RegisterUninstall, KeyThatCannotBeCreatedIsAnError) {
  // Below a volatile key no lasting key can be created.
  qtest::ScratchKey scratch;
  HKEY volatileRoot = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(scratch.Get(), "Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileRoot, nullptr),
            ERROR_SUCCESS);
  UninstallEntry entry;
  entry.displayName = "Quorvantis";
  entry.publisher = "Quorvantis Software";
  const q::Error err = RegisterUninstallBelow(volatileRoot, entry);
  ::RegCloseKey(volatileRoot);
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("cannot register \"Quorvantis\" in the list of installed programs: "
                               "cannot open or create "),
            std::string::npos)
      << err.Message();
  EXPECT_FALSE(qtest::RegistryKeyExists(scratch.Get(), "Volatile\\SOFTWARE"));

  // Key names have at most 255 characters.
  const std::string overlong = qtest::UniqueName(std::string(300, 'Q'));
  ASSERT_TRUE(RegisterUninstall("P", overlong, "1.1 ", "", "", "", "C:\\u.exe", "", ""));
  EXPECT_FALSE(qtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kParent + overlong));
}

}  // namespace
