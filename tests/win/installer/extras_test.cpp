// The uninstall entry's further values, written below a scratch key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "installer/uninstall_extras.h"
#include "installutils/shell_text.h"
#include "win/installutils/test_util.h"

namespace {

TEST(UninstallExtras, JoinTheEntryWithTheirTypes) {
  qtest::ScratchKey root;
  const std::string key = UninstallKeyPath("Quorvantis").substr(1);
  qtest::SetRegistryString(root.Get(), key, "DisplayName", "Quorvantis");

  const UninstallExtras extras =
      MakeUninstallExtras("C:\\Program Files\\Quorvantis\\", 10 * 1024 + 1);
  ASSERT_FALSE(WriteUninstallExtras(root.Get(), "Quorvantis", extras));

  std::vector<std::string> names = qtest::RegistryValueNames(root.Get(), key);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{
                       "DisplayIcon", "DisplayName", "EstimatedSize", "InstallLocation", "NoModify",
                       "NoRepair", "QuietUninstallString", "VersionMajor", "VersionMinor"}));
  auto text = [&](const char* name) {
    const auto v = qtest::GetRegistryValue(root.Get(), key, name);
    return v && v->type == REG_SZ ? v->data : std::string("(not REG_SZ)");
  };
  auto number = [&](const char* name) {
    const auto v = qtest::GetRegistryValue(root.Get(), key, name);
    DWORD n = 0xDEADBEEF;
    if (v && v->type == REG_DWORD && v->data.size() == 4) std::memcpy(&n, v->data.data(), 4);
    return n;
  };
  EXPECT_EQ(text("InstallLocation"), std::string("C:\\Program Files\\Quorvantis\\\0", 29));
  EXPECT_EQ(text("DisplayIcon"),
            std::string("C:\\Program Files\\Quorvantis\\Quorvantis.exe\0", 43));
  EXPECT_EQ(text("QuietUninstallString"),
            std::string("\"C:\\Program Files\\Quorvantis\\UninstallQuorvantis.exe\" /S\0", 57));
  EXPECT_EQ(number("EstimatedSize"), 11u);  // kilobytes, rounded up
  EXPECT_EQ(number("VersionMajor"), 1u);
  EXPECT_EQ(number("VersionMinor"), 1u);
  EXPECT_EQ(number("NoModify"), 1u);
  EXPECT_EQ(number("NoRepair"), 1u);
}

TEST(UninstallExtras, WithoutTheEntryNothingIsWrittenAndTheErrorNamesIt) {
  qtest::ScratchKey root;
  q::Error err = WriteUninstallExtras(root.Get(), "Quorvantis", MakeUninstallExtras("C:\\Q\\", 0));
  ASSERT_TRUE(err.Failed());
  EXPECT_NE(err.Message().find("Uninstall\\Quorvantis"), std::string::npos) << err.Message();
  EXPECT_FALSE(qtest::RegistryKeyExists(root.Get(), UninstallKeyPath("Quorvantis").substr(1)));
}

TEST(UninstallExtras, SizesRoundUpToKilobytesAndSaturate) {
  EXPECT_EQ(KilobytesFor(0), 0u);
  EXPECT_EQ(KilobytesFor(1), 1u);
  EXPECT_EQ(KilobytesFor(1024), 1u);
  EXPECT_EQ(KilobytesFor(1025), 2u);
  EXPECT_EQ(KilobytesFor(uint64_t{0xFFFFFFFF} * 1024), 0xFFFFFFFFu);
  EXPECT_EQ(KilobytesFor(uint64_t{0xFFFFFFFF} * 1024 + 1), 0xFFFFFFFFu);
}

}  // namespace
