// RegisterUninstall against the prefix's local-machine root, read back
// through the registry (the values' order and the empty ones left
// out are the portable UninstallValues' facts; the end-to-end installer
// test reads the whole entry with reg.exe).
#include "installutils/uninstall.h"

#include <gtest/gtest.h>

#include "installutils/registry.h"
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
  q::Error Register(const std::string& publisher, const std::string& uninstall,
                    const std::string& telephone = "", const std::string& modify = "") {
    return RegisterUninstall(publisher, name_, "1.1 ", "https://quorvantis.example/", telephone,
                             modify, uninstall, "", "https://quorvantis.example/about/");
  }

  const std::string name_ =
      qtest::UniqueName("Quorvantis Test ");  // a space, as product names have
  const std::string key_ = kParent + name_;
};

// Texts in any script arrive as themselves, a path with a space is quoted;
// over an existing entry ours are replaced, foreign values kept, and an
// empty argument leaves its value alone.
TEST_F(RegisterUninstallTest, WritesTextsUnchangedAndKeepsForeignValues) {
  const std::string publisher =
      "\xD0\x9A\xD0\xB2\xD0\xBE \xE5\x90\x8D\xE5\x89\x8D \xEF\xBC\x82\xF0\x9F\x98\x80";
  ASSERT_FALSE(Register(publisher, "C:\\Program Files\\Q\\UninstallQuorvantis.exe"));
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key_, "Publisher"), publisher);
  EXPECT_EQ(Value("UninstallString"), "\"C:\\Program Files\\Q\\UninstallQuorvantis.exe\"");
  EXPECT_EQ(Value("DisplayVersion") + "|" + Value("DisplayName"), "1.1 |" + name_);
  EXPECT_EQ(Value("URLUpdateInfo") + Value("HelpTelephone"), "<missing><missing>");

  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key_, "HelpTelephone", "555-0100");
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key_, "InstallLocation", "C:\\Old\\");
  qtest::SetRegistryBytes(HKEY_LOCAL_MACHINE, key_, "EstimatedSize", REG_DWORD,
                          std::string("\x10\0\0\0", 4));
  ASSERT_FALSE(Register("Quorvantis Software", "C:\\Apps\\UninstallQuorvantis.exe", "",
                        "C:\\Program Files\\Quorvantis\\Setup.exe"));
  EXPECT_EQ(Value("Publisher"), "Quorvantis Software");
  EXPECT_EQ(Value("UninstallString"), "C:\\Apps\\UninstallQuorvantis.exe");  // no space: not quoted
  EXPECT_EQ(Value("ModifyPath"), "C:\\Program Files\\Quorvantis\\Setup.exe");
  EXPECT_EQ(Value("HelpTelephone"), "555-0100");
  EXPECT_EQ(Value("InstallLocation"), "C:\\Old\\");
  EXPECT_EQ(Value("EstimatedSize"), "<type 4>");
  ASSERT_FALSE(Register("Quorvantis Software", "", "+39 06 000"));
  EXPECT_EQ(Value("HelpTelephone"), "+39 06 000");
  EXPECT_EQ(Value("UninstallString"), "C:\\Apps\\UninstallQuorvantis.exe");
}

// An empty name would write into the shared parent key, a "\" would make a
// nested key the shell never lists, a name past 255 characters cannot be a
// key, nor can a lasting key be created below a volatile one.
TEST(RegisterUninstall, KeysThatCannotBeTheEntryAreErrorsAndWriteNothing) {
  const auto before = qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, kParent);
  q::Error err = RegisterUninstall("P", "", "1.1 ", "", "", "", "C:\\u.exe", "", "");
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("in the list of installed programs"), std::string::npos);
  EXPECT_EQ(qtest::RegistryValueNames(HKEY_LOCAL_MACHINE, kParent), before);
  for (const std::string& name : {qtest::UniqueName("Quorvantis Test ") + "\\Sub",
                                  qtest::UniqueName(std::string(300, 'Q'))}) {
    EXPECT_TRUE(RegisterUninstall("P", name, "1.1 ", "", "", "", "C:\\u.exe", "", ""));
    EXPECT_FALSE(
        qtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kParent + name.substr(0, name.find('\\'))));
  }

  qtest::ScratchKey scratch;
  HKEY volatileRoot = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(scratch.Get(), "Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileRoot, nullptr),
            ERROR_SUCCESS);
  UninstallEntry entry;
  entry.displayName = "Quorvantis";
  err = RegisterUninstallBelow(volatileRoot, entry);
  ::RegCloseKey(volatileRoot);
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("cannot register \"Quorvantis\" in the list of installed programs: "
                               "cannot open or create "),
            std::string::npos)
      << err.Message();
  EXPECT_FALSE(qtest::RegistryKeyExists(scratch.Get(), "Volatile\\SOFTWARE"));
}

}  // namespace
