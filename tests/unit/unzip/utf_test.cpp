// The conversions between UTF-8 and UTF-16, and code page 437 against
// Python's codec. (How entry names are read is checked against 7-Zip
// through the real tool: names_oracle_test.sh.)
#include "common/utf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "unzip/names.h"

#if !defined(_WIN32)
TEST(Names, Cp437TableEqualsPythonsCodecForAll256Bytes) {
  FILE* p =
      popen("python3 -c \"print(*(ord(bytes([b]).decode('cp437')) for b in range(256)))\"", "r");
  ASSERT_NE(p, nullptr);
  for (int b = 0; b < 256; ++b) {
    unsigned expected = 0;
    ASSERT_EQ(std::fscanf(p, "%u", &expected), 1) << "python3 not available?";
    EXPECT_EQ(unzip::Cp437ToUnicode(static_cast<uint8_t>(b)), expected) << b;
  }
  pclose(p);
}
#endif

// A stored name that is valid UTF-8 is still code page 437 from the hosts
// of the DOS family (FAT, HPFS, NTFS, VFAT), UTF-8 from any other.
TEST(Names, DosFamilyHostsReadCodePage437) {
  const uint8_t name[] = {0xC3, 0xBC};
  const char *const cp437 = "\xE2\x94\x9C\xE2\x95\x9D", *const utf8 = "\xC3\xBC";  // "├╝", "ü"
  const std::pair<uint8_t, const char*> rows[] = {{0, cp437}, {1, utf8},   {3, utf8},
                                                  {6, cp437}, {10, cp437}, {14, cp437}};
  for (const auto& [host, expected] : rows) {
    char out[unzip::kEntryNameBufferSize];
    ASSERT_TRUE(unzip::DecodeEntryName({.bytes = name, .size = 2, .host = host}, '/', out));
    EXPECT_STREQ(out, expected) << "host " << int{host};
  }
}

// The one pair of conversions at the Windows boundary.
TEST(Utf, ConversionsRoundTripAndInvalidInputIsNeverGuessed) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // aé€😀
  EXPECT_EQ(q::Utf8To16<char16_t>(text), u"a\u00E9\u20AC\U0001F600");
  EXPECT_EQ(q::Utf16To8(std::u16string_view(u"a\u00E9\u20AC\U0001F600")), text);
  const std::u16string lone = u"x\xD800y";  // a lone surrogate from a system name survives
  EXPECT_EQ(q::Utf8To16<char16_t>(q::Utf16To8(std::u16string_view(lone))), lone);
  EXPECT_EQ(q::Utf8To16<char16_t>("a\xC3(b"), u"a\uFFFD(b");
  for (const char* bad :
       {"\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"}) {
    EXPECT_FALSE(q::IsValidUtf8(bad)) << bad;
  }
  EXPECT_TRUE(q::IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
}
