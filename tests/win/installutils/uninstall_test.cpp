// RegisterUninstall against the prefix's local-machine root (the values it
// makes are asserted with UninstallValues, and as the shell lists them by
// the end-to-end installer test).
#include "installutils/uninstall.h"

#include <gtest/gtest.h>

#include "installutils/registry.h"
#include "test_util.h"

namespace {

constexpr const char* kParent = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Texts in any script arrive as themselves; over an existing entry ours
// are replaced, foreign values kept, and an empty argument leaves its
// value alone.
TEST(RegisterUninstall, WritesTextsUnchangedAndKeepsForeignValues) {
  const std::string name = qtest::UniqueName("Quorvantis Test "), key = kParent + name;
  const std::string publisher =
      "\xD0\x9A\xD0\xB2\xD0\xBE \xE5\x90\x8D\xE5\x89\x8D \xEF\xBC\x82\xF0\x9F\x98\x80";
  auto reg = [&](const std::string& who, const std::string& uninstall, const std::string& phone) {
    return RegisterUninstall(who, name, "1.1 ", "", phone, "", uninstall, "", "");
  };
  auto value = [&](const char* v) { return RegReadString(HKEY_LOCAL_MACHINE, key, v); };
  ASSERT_FALSE(reg(publisher, "C:\\Apps\\u.exe", ""));
  EXPECT_EQ(value("Publisher"), publisher);
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key, "HelpTelephone", "555-0100");
  qtest::SetRegistryString(HKEY_LOCAL_MACHINE, key, "InstallLocation", "C:\\Old\\");
  ASSERT_FALSE(reg("Quorvantis Software", "", ""));
  EXPECT_EQ(value("Publisher") + "|" + value("HelpTelephone") + "|" + value("InstallLocation") +
                "|" + value("UninstallString"),
            "Quorvantis Software|555-0100|C:\\Old\\|C:\\Apps\\u.exe");
  ASSERT_FALSE(reg("Quorvantis Software", "", "+39 06 000"));
  EXPECT_EQ(value("HelpTelephone"), "+39 06 000");
  qtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
}

// An empty name would write into the shared parent key, a "\" would make a
// nested key the shell never lists, a name past 255 characters cannot be a
// key, nor can a lasting key be created below a volatile one.
TEST(RegisterUninstall, KeysThatCannotBeTheEntryAreErrorsAndWriteNothing) {
  for (const std::string& name : {std::string(), qtest::UniqueName("Quorvantis Test ") + "\\Sub",
                                  qtest::UniqueName(std::string(300, 'Q'))}) {
    const q::Error err = RegisterUninstall("P", name, "1.1 ", "", "", "", "C:\\u.exe", "", "");
    ASSERT_TRUE(err) << name;
    EXPECT_NE(err.Message().find("in the list of installed programs"), std::string::npos);
    EXPECT_TRUE(name.empty() || !qtest::RegistryKeyExists(
                                    HKEY_LOCAL_MACHINE, kParent + name.substr(0, name.find('\\'))));
  }
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kParent, "Publisher"), "");

  qtest::ScratchKey scratch;
  HKEY volatileRoot = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(scratch.Get(), "Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileRoot, nullptr),
            ERROR_SUCCESS);
  UninstallEntry entry;
  entry.displayName = "Quorvantis";
  const q::Error err = RegisterUninstallBelow(volatileRoot, entry);
  ::RegCloseKey(volatileRoot);
  EXPECT_NE(err.Message().find("cannot register \"Quorvantis\" in the list of installed programs: "
                               "cannot open or create "),
            std::string::npos)
      << err.Message();
  EXPECT_FALSE(qtest::RegistryKeyExists(scratch.Get(), "Volatile\\SOFTWARE"));
}

}  // namespace
