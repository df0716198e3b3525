// RegReadString against the real registry of the Wine prefix.
#include "installutils/registry.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

class RegReadStringTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& name, const std::string& subKey = "Values") {
    return RegReadString(HKEY_CURRENT_USER, "\\" + scratch_.Path() + "\\" + subKey, name);
  }
  void Put(const std::string& name, DWORD type, const std::string& bytes) {
    qtest::SetRegistryBytes(scratch_.Get(), "Values", name, type, bytes);
  }
  qtest::ScratchKey scratch_;
};

TEST_F(RegReadStringTest, StringValuesAsStored) {
  qtest::SetRegistryString(scratch_.Get(), "Values", "WithBackslash", "C:\\Program Files\\");
  qtest::SetRegistryString(scratch_.Get(), "Values", "WithoutBackslash", "C:\\Program Files");
  qtest::SetRegistryString(scratch_.Get(), "Values", "Expand", "%ProgramFiles%\\Quorvantis",
                           REG_EXPAND_SZ);
  qtest::SetRegistryString(scratch_.Get(), "Values", "", "the default value");
  qtest::SetRegistryString(scratch_.Get(), "Values", "Spaces", "  1.1 ");
  EXPECT_EQ(Read("WithBackslash"), "C:\\Program Files\\");
  EXPECT_EQ(Read("WithoutBackslash"), "C:\\Program Files");
  EXPECT_EQ(Read("Expand"), "%ProgramFiles%\\Quorvantis");  // not expanded
  EXPECT_EQ(Read(""), "the default value");
  EXPECT_EQ(Read("Spaces"), "  1.1 ");

  const std::string longText(5000, 'x');
  qtest::SetRegistryString(scratch_.Get(), "Values", "Long", longText);
  EXPECT_EQ(Read("Long"), longText);
}

TEST_F(RegReadStringTest, TextEndsAtTheFirstZero) {
  Put("Embedded", REG_SZ, std::string("abc\0def\0", 8));
  Put("Unterminated", REG_SZ, "abc");
  Put("Empty", REG_SZ, "");
  Put("OnlyZero", REG_EXPAND_SZ, std::string(1, '\0'));
  EXPECT_EQ(Read("Embedded"), "abc");
  EXPECT_EQ(Read("Unterminated"), "abc");
  EXPECT_EQ(Read("Empty"), "");
  EXPECT_EQ(Read("OnlyZero"), "");
}

TEST_F(RegReadStringTest, OtherTypesGiveEmptyText) {
  Put("Dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
  Put("Binary", REG_BINARY, "C:\\x");
  Put("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  Put("Qword", REG_QWORD, std::string(8, '\x41'));
  for (const char* name : {"Dword", "Binary", "Multi", "Qword"}) EXPECT_EQ(Read(name), "") << name;
}

TEST_F(RegReadStringTest, MissingKeysAndValuesGiveEmptyText) {
  qtest::SetRegistryString(scratch_.Get(), "Values", "Present", "here");
  EXPECT_EQ(Read("Absent"), "");
  EXPECT_EQ(Read("Present", "NoSuchKey"), "");
  EXPECT_EQ(Read("Present", "Values\\Deeper"), "");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "", "Present"), "");
}

TEST_F(RegReadStringTest, KeyPathsWithAndWithoutLeadingBackslash) {
  qtest::SetRegistryString(scratch_.Get(), "Values\\Deeper", "Name", "deep");
  const std::string relative = scratch_.Path() + "\\Values\\Deeper";
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "\\" + relative, "Name"), "deep");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, relative, "Name"), "deep");
  // Any open key serves as the root.
  EXPECT_EQ(RegReadString(scratch_.Get(), "\\Values\\Deeper", "Name"), "deep");
}

TEST_F(RegReadStringTest, OversizedValueGivesEmptyText) {
  const std::string huge((1u << 20) + 16, 'h');
  qtest::SetRegistryString(scratch_.Get(), "Values", "Huge", huge);
  EXPECT_EQ(Read("Huge"), "");
}

TEST(RegReadString, ReadsTheSystemsOwnValues) {
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "\\Software\\Microsoft\\Windows\\CurrentVersion",
                          "ProgramFilesDir"),
            "C:\\Program Files");
}

}  // namespace
