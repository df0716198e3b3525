// RegReadString against the real registry of the Wine prefix.
#include "installutils/registry.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

// Stored bytes are the writer's: text is cut at its first zero, with or
// without one at the end; other types, and values too big to be a path,
// read as empty text.
TEST(RegReadString, ReadsUntrustedValuesAsTextOrEmpty) {
  qtest::ScratchKey scratch;
  const std::string huge((1u << 20) + 16, 'h');
  const struct {
    const char* name;
    DWORD type;
    std::string bytes, expected;
  } cases[] = {
      {"Expand", REG_EXPAND_SZ, std::string("%ProgramFiles%\\Q\0", 17), "%ProgramFiles%\\Q"},
      {"Embedded", REG_SZ, std::string("abc\0def\0", 8), "abc"},
      {"Unterminated", REG_SZ, "abc", "abc"},
      {"Dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4), ""},
      {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5), ""},
      {"Huge", REG_SZ, huge + '\0', ""},
  };
  for (const auto& c : cases) {
    qtest::SetRegistryBytes(scratch.Get(), "Values", c.name, c.type, c.bytes);
    EXPECT_EQ(RegReadString(scratch.Get(), "\\Values", c.name), c.expected) << c.name;
  }
}

}  // namespace
