// The conversions between UTF-8 and UTF-16. (Entry names, decoded from
// UTF-8 or code page 437, are checked against 7-Zip and Python's codec
// through the real tool: names_oracle_test.sh.)
#include <gtest/gtest.h>

#include <string>

#include "common/utf.h"

// The one pair of conversions at the Windows boundary.
TEST(Utf, ConversionsRoundTripAndInvalidInputIsNeverGuessed) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // aé€😀
  EXPECT_EQ(q::Utf8To16<char16_t>(text), u"a\u00E9\u20AC\U0001F600");
  EXPECT_EQ(q::Utf16To8(std::u16string_view(u"a\u00E9\u20AC\U0001F600")), text);
  const std::u16string lone = u"x\xD800y";  // a lone surrogate from a system name survives
  EXPECT_EQ(q::Utf8To16<char16_t>(q::Utf16To8(std::u16string_view(lone))), lone);
  EXPECT_EQ(q::Utf8To16<char16_t>("a\xC3(b"), u"a\uFFFD(b");
  for (const char* bad : {"\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"}) {
    EXPECT_FALSE(q::IsValidUtf8(bad)) << bad;
  }
  EXPECT_TRUE(q::IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
}
