// The uninstall entry's further values (their contents are asserted where
// the installer writes them, in install_test): only over an existing entry,
// and sizes in kilobytes.
#include <gtest/gtest.h>

#include "installer/uninstall_extras.h"
#include "installutils/shell_text.h"
#include "win/installutils/test_util.h"

namespace {

TEST(UninstallExtras, WithoutTheEntryNothingIsWrittenAndTheErrorNamesIt) {
  qtest::ScratchKey root;
  q::Error err = WriteUninstallExtras(root.Get(), "Quorvantis", MakeUninstallExtras("C:\\Q\\", 0));
  ASSERT_TRUE(err.Failed());
  EXPECT_NE(err.Message().find("Uninstall\\Quorvantis"), std::string::npos) << err.Message();
  EXPECT_FALSE(qtest::RegistryKeyExists(root.Get(), UninstallKeyPath("Quorvantis").substr(1)));
}

TEST(UninstallExtras, SizesRoundUpToKilobytesAndSaturate) {
  const std::pair<uint64_t, uint32_t> cases[] = {{0, 0},
                                                 {1, 1},
                                                 {1024, 1},
                                                 {1025, 2},
                                                 {uint64_t{0xFFFFFFFF} * 1024, 0xFFFFFFFFu},
                                                 {uint64_t{0xFFFFFFFF} * 1024 + 1, 0xFFFFFFFFu}};
  for (const auto& [bytes, kilobytes] : cases) EXPECT_EQ(KilobytesFor(bytes), kilobytes) << bytes;
}

}  // namespace
