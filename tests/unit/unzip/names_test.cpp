// Entry names: code page 437 against Python's codec, the choice between
// UTF-8 and code page 437 through the real directory reader, the Unicode
// path extra field, and every fixture's names against 7-Zip's listing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/utf.h"
#include "platform/file.h"
#include "support/files.h"
#include "support/samples.h"
#include "unzip/names.h"
#include "unzip/zipread.h"

using namespace qtest;

namespace {

// The unsigned 32-bit value `v` in little-endian order.
void Put(Bytes* b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A Unicode path extra field naming `utf8`, for a stored name `stored`.
Bytes UnicodePath(const std::string& stored, const std::string& utf8, uint8_t version = 1) {
  Bytes f;
  Put(&f, 0x7075, 2);
  Put(&f, static_cast<uint32_t>(5 + utf8.size()), 2);
  f.push_back(version);
  Put(&f, ReferenceCrc32(ToBytes(stored)), 4);
  f.insert(f.end(), utf8.begin(), utf8.end());
  return f;
}

#if !defined(_WIN32)
std::string Shell(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  return pclose(p) == 0 ? out : std::string();
}
#endif

}  // namespace

#if !defined(_WIN32)
TEST(Names, Cp437TableEqualsPythonsCodec) {
  const std::string py = Shell(
      "python3 -c \"print(' '.join(str(ord(bytes([b]).decode('cp437'))) for b in range(256)))\"");
  ASSERT_FALSE(py.empty()) << "python3 not available";
  std::string ours;
  for (int b = 0; b < 256; ++b) {
    if (b != 0) ours += ' ';
    ours += std::to_string(unzip::Cp437ToUnicode(static_cast<uint8_t>(b)));
  }
  EXPECT_EQ(ours + "\n", py);
}
#endif

TEST(Names, FlagHostAndExtraFieldDecideHowTheNameIsRead) {
  const std::string cafe = "Caf\xC3\xA9.txt";           // "Café.txt" in UTF-8
  const std::string oem = "\xE2\xA5\xE1\xE2.txt";       // a DOS name in code page 437
  const std::string oemAsUtf8 = "\xCE\x93\xC3\x91\xC3\x9F\xCE\x93.txt";  // ΓÑßΓ.txt
  const std::string cyrillic = "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82";      // "Тест"
  const struct {
    const char* what;
    std::string stored;
    uint16_t flags;
    uint8_t host;
    Bytes extra;
    std::string expected;
    bool valid;
  } cases[] = {
      {"bit 11: UTF-8", cafe, 0x0800, 0, {}, cafe, true},
      {"bit 11 with a broken sequence", "Caf\xC3(.txt", 0x0800, 0, {}, "Caf\xEF\xBF\xBD(.txt", false},
      {"bit 11 with an overlong slash", "a\xC0\xAF" "b", 0x0800, 3, {}, "a\xEF\xBF\xBD\xEF\xBF\xBD" "b", false},
      {"DOS host: code page 437", oem, 0, 0, {}, oemAsUtf8, true},
      {"NTFS host: code page 437 even when it looks like UTF-8", cafe, 0, 10, {}, "Caf\xE2\x94\x9C\xE2\x8C\x90.txt", true},
      {"Unix host: valid UTF-8 is taken as such", cafe, 0, 3, {}, cafe, true},
      {"Unix host: other bytes are code page 437", oem, 0, 3, {}, oemAsUtf8, true},
      {"extra field wins when its CRC matches", oem, 0, 0, UnicodePath(oem, cyrillic), cyrillic, true},
      {"extra field of another name is ignored", oem, 0, 0, UnicodePath("other", cyrillic), oemAsUtf8, true},
      {"extra field of unknown version is ignored", oem, 0, 0, UnicodePath(oem, cyrillic, 2), oemAsUtf8, true},
      {"extra field that is not UTF-8 is ignored", oem, 0, 0, UnicodePath(oem, "\xFF"), oemAsUtf8, true},
      {"slashes of every source become separators", "d\x81/f", 0, 0, UnicodePath("d\x81/f", "d\xC3\xBC/f"),
       Sep("d\xC3\xBC/f"), true},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
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

// 259 characters whatever their width in UTF-8; the cut never splits one.
TEST(Names, LongNamesAreCutByCharacters) {
  std::string cjk;
  for (int i = 0; i < 300; ++i) cjk += "\xE5\x90\x8D";  // U+540D
  std::string emoji;
  for (int i = 0; i < 300; ++i) emoji += "\xF0\x9F\x98\x80";  // U+1F600
  TempDir dir;
  for (const std::string& name : {cjk, emoji}) {
    ZipEntryPlan plan = Stored(name, "x");
    plan.flags = unzip::kFlagUtf8Name;
    WriteFileBytes(dir / "l.zip", BuildZip({plan}));
    const std::vector<DirEntry> entries = ListEntries(dir / "l.zip");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, name.substr(0, name.size() / 300 * 259));
  }
}

#if !defined(_WIN32)
// 7-Zip's listing is the oracle: every name of every archive it opens.
TEST(Names, EveryFixtureNameEqualsSevenZipsListing) {
  if (!FixturesPresent()) GTEST_SKIP() << "fixture folder not beside the checkout";
  int compared = 0;
  for (const auto& file :
       std::filesystem::directory_iterator(std::filesystem::path(FixturePath("MANIFEST.md")).parent_path())) {
    const std::string path = file.path().string();
    if (file.path().filename() == "MANIFEST.md") continue;
    SCOPED_TRACE(path);
    const std::string listing = Shell("7zz l -slt -ba '" + path + "' 2>/dev/null");
    if (listing.empty()) continue;  // an archive 7-Zip cannot open
    std::vector<std::string> theirs;
    for (size_t at = listing.find("Path = "); at != std::string::npos;
         at = listing.find("\nPath = ", at + 1)) {
      const size_t begin = listing.find('=', at) + 2;
      theirs.push_back(listing.substr(begin, listing.find('\n', begin) - begin));
    }
    std::vector<std::string> ours;
    for (const DirEntry& e : ListEntries(path)) {
      std::string name = e.name;
      if (!name.empty() && name.back() == '/') name.pop_back();  // 7-Zip lists folders bare
      ours.push_back(name);
    }
    EXPECT_EQ(ours, theirs);
    compared += static_cast<int>(ours.size());
  }
  EXPECT_GT(compared, 1000);
}
#endif

// The one pair of conversions at the Windows boundary, and the validation
// the reader relies on.
TEST(Utf, ConversionsRoundTripAndInvalidInputIsNeverGuessed) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBC\x8E";  // aé€😀．
  const std::u16string wide = u"a\u00E9\u20AC\U0001F600\uFF0E";
  EXPECT_EQ(q::Utf8To16<char16_t>(text), wide);
  EXPECT_EQ(q::Utf16To8(std::u16string_view(wide)), text);
  // A lone surrogate from a system name survives the round trip.
  const std::u16string lone = u"x\xD800y";
  EXPECT_EQ(q::Utf8To16<char16_t>(q::Utf16To8(std::u16string_view(lone))), lone);
  EXPECT_EQ(q::Utf8To16<char16_t>("a\xC3(b"), u"a\uFFFD(b");
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82",
                          "\x80", "\xFF", "\xF8\x88\x80\x80\x80"}) {
    EXPECT_FALSE(q::IsValidUtf8(bad)) << bad;
  }
  EXPECT_TRUE(q::IsValidUtf8(text));
  EXPECT_TRUE(q::IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
}
