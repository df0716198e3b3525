// RegReadString against the real registry of the Wine prefix.
#include "installutils/registry.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

// Every stored form a value may have: text as stored (spaces, trailing
// separators, unexpanded variables), cut at its first zero, with or without
// a zero at the end; other types and values too big to be a path read as
// empty text, as do missing keys and values.
TEST(RegReadString, ReadsStringValuesAsStoredAndEverythingElseAsEmpty) {
  qtest::ScratchKey scratch;
  const std::string longText(5000, 'x'), huge((1u << 20) + 16, 'h');
  const struct {
    const char* name;
    DWORD type;
    std::string bytes, expected;
  } cases[] = {
      {"WithBackslash", REG_SZ, std::string("C:\\Program Files\\", 18), "C:\\Program Files\\"},
      {"Expand", REG_EXPAND_SZ, std::string("%ProgramFiles%\\Q\0", 17), "%ProgramFiles%\\Q"},
      {"", REG_SZ, std::string("the default value", 18), "the default value"},
      {"Spaces", REG_SZ, std::string("  1.1 ", 7), "  1.1 "},
      {"Long", REG_SZ, longText + '\0', longText},
      {"Embedded", REG_SZ, std::string("abc\0def\0", 8), "abc"},
      {"Unterminated", REG_SZ, "abc", "abc"},
      {"Empty", REG_SZ, "", ""},
      {"OnlyZero", REG_EXPAND_SZ, std::string(1, '\0'), ""},
      {"Dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4), ""},
      {"Binary", REG_BINARY, "C:\\x", ""},
      {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5), ""},
      {"Qword", REG_QWORD, std::string(8, '\x41'), ""},
      {"Huge", REG_SZ, huge + '\0', ""},
  };
  const std::string key = "\\" + scratch.Path() + "\\Values";
  for (const auto& c : cases)
    qtest::SetRegistryBytes(scratch.Get(), "Values", c.name, c.type, c.bytes);
  for (const auto& c : cases)
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, c.name), c.expected) << c.name;

  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, "Absent"), "");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key + "\\NoSuchKey", "Spaces"), "");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "", "Spaces"), "");
  // Key paths with and without the leading "\", below any open key.
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key.substr(1), "Spaces"), "  1.1 ");
  EXPECT_EQ(RegReadString(scratch.Get(), "\\Values", "Spaces"), "  1.1 ");
}

}  // namespace
