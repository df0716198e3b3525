// Entry names: the choice between UTF-8 and code page 437 through the real
// directory reader. (The code page against Python's codec, and every
// fixture's names against 7-Zip's: names_oracle_test.sh.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/utf.h"
#include "support/files.h"
#include "support/samples.h"
#include "unzip/names.h"
#include "unzip/zipread.h"

using namespace qtest;

TEST(Names, FlagHostAndExtraFieldDecideHowTheNameIsRead) {
  const std::string cafe = "Caf\xC3\xA9";                         // "Café" in UTF-8
  const std::string dos = "\xE2\xA5\xE1\xE2", dosAsUtf8 = "\xCE\x93\xC3\x91\xC3\x9F\xCE\x93";  // ΓÑßΓ
  const std::string cyrillic = "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82";  // "Тест"
  auto field = [](const std::string& stored, const std::string& name, uint8_t version = 1) {
    Bytes f = {0x75, 0x70, static_cast<uint8_t>(5 + name.size()), 0, version};
    for (int i = 0; i < 32; i += 8) f.push_back(static_cast<uint8_t>(ReferenceCrc32(ToBytes(stored)) >> i));
    f.insert(f.end(), name.begin(), name.end());
    return f;
  };
  std::string cjk;  // 300 characters of 3 bytes: cut to 259 whole ones
  for (int i = 0; i < 300; ++i) cjk += "\xE5\x90\x8D";
  const struct {
    std::string stored;
    uint16_t flags;
    uint8_t host;
    Bytes extra;
    std::string expected;
    bool valid;
  } cases[] = {
      {cafe, 0x0800, 0, {}, cafe, true},
      {"Caf\xC3(", 0x0800, 0, {}, "Caf\xEF\xBF\xBD(", false},         // broken sequence
      {"a\xC0\xAF", 0x0800, 3, {}, "a\xEF\xBF\xBD\xEF\xBF\xBD", false},  // overlong "/"
      {dos, 0, 0, {}, dosAsUtf8, true},                                  // DOS: code page 437
      {cafe, 0, 10, {}, "Caf\xE2\x94\x9C\xE2\x8C\x90", true},            // NTFS: the same
      {cafe, 0, 3, {}, cafe, true},                                      // Unix: UTF-8 if valid,
      {dos, 0, 3, {}, dosAsUtf8, true},                                  // else code page 437
      {dos, 0, 0, field(dos, cyrillic), cyrillic, true},                 // the field wins
      {dos, 0, 0, field("other", cyrillic), dosAsUtf8, true},            // not this name's
      {dos, 0, 0, field(dos, cyrillic, 2), dosAsUtf8, true},             // unknown version
      {dos, 0, 0, field(dos, "\xFF"), dosAsUtf8, true},                  // not UTF-8
      {"d\x81/f", 0, 0, field("d\x81/f", "d\xC3\xBC/f"), Sep("d\xC3\xBC/f"), true},
      {cjk, 0x0800, 0, {}, cjk.substr(0, 259 * 3), true},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.substr(0, 20));
    ZipEntryPlan plan = Stored(c.stored, "x");
    plan.flags = c.flags;
    plan.host = c.host;
    plan.extra = c.extra;
    WriteFileBytes(dir / "n.zip", BuildZip({plan}));
    TZipSearchRec rec;
    std::memset(&rec, 0, sizeof rec);
    ASSERT_EQ(ZipFindFirst((dir / "n.zip").c_str(), rec), kZipOk);
    EXPECT_EQ(std::string(rec.EntryName), c.expected);
    EXPECT_EQ(rec.NameValid, c.valid);
    ZipFindClose(rec);
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
  for (const char* bad : {"\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"}) {
    EXPECT_FALSE(q::IsValidUtf8(bad)) << bad;
  }
  EXPECT_TRUE(q::IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
}
