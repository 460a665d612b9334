// One suite for both targets: Windows' own converters and the Linux tables
// must give the same results.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace wakelore {
namespace {

TEST(TextTest, Utf8RoundTrip) {
  const std::wstring text = L"番組表 ABC ｱｲｳ －～";
  const std::string utf8 = Utf16ToUtf8(text);
  EXPECT_EQ(utf8, "\xE7\x95\xAA\xE7\xB5\x84\xE8\xA1\xA8 ABC \xEF\xBD\xB1\xEF\xBD\xB2\xEF\xBD\xB3 "
                  "\xEF\xBC\x8D\xEF\xBD\x9E");
  EXPECT_EQ(Utf8ToUtf16(utf8), text);
  EXPECT_EQ(Utf16ToUtf8(L""), "");
  EXPECT_EQ(Utf8ToUtf16(""), L"");
}

TEST(TextTest, Utf8OutsideTheBasicPlane) {
  const std::string utf8 = "\xF0\x9F\x9A\xA4";  // U+1F6A4 speedboat
  const std::wstring wide = Utf8ToUtf16(utf8);
  EXPECT_EQ(Utf16ToUtf8(wide), utf8);
}

TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
  struct Case { std::string bytes; std::wstring expected; };
  const Case cases[] = {
      {"a\xFF" "b", L"a\uFFFD" L"b"},
      {"\xC3", L"\uFFFD"},                      // cut sequence at the end
      {"\xE3\x81" "A", L"\uFFFD" L"A"},         // cut sequence before ASCII
      {"\xC0\xAF", L"\uFFFD\uFFFD"},            // overlong form
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected) << testing::PrintToString(c.bytes);
  }
}

TEST(TextTest, Cp932Decoding) {
  struct Case { std::string bytes; std::wstring expected; };
  const Case cases[] = {
      {"\x94\xD4\x91\x67\x95\x5C", L"番組表"},
      {"\x81\x7C\x81\x60", L"\uFF0D\uFF5E"},   // Microsoft's mapping of － and ～
      {"\xB1\xDF", L"\uFF71\uFF9F"},           // half-width katakana
      {"\x87\x40", L"\u2460"},                 // NEC special row: ①
      {"\xFA\x40", L"\u2170"},                 // IBM extension: ⅰ
      {"\xFF", L"\uF8F3"},
      {"\xA0", L"\uF8F0"},
      {"\x80", L"\u0080"},
      {"A\x82", L"A\u30FB"},                   // lone lead byte at the end
      {"\x82\x20" "B", L"\u30FB" L"B"},        // a lead byte takes the next byte along
      {"\x85\x40", L"\u30FB"},                 // unassigned pair
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp932ToWide(c.bytes), c.expected) << testing::PrintToString(c.bytes);
  }
}

TEST(TextTest, Cp932Encoding) {
  EXPECT_EQ(WideToCp932(L"番組表 ABC"), "\x94\xD4\x91\x67\x95\x5C ABC");
  EXPECT_EQ(WideToCp932(L"\uFF0D\uFF5E"), "\x81\x7C\x81\x60");
  EXPECT_EQ(WideToCp932(L"\uFF71"), "\xB1");
  EXPECT_EQ(WideToCp932(L"\u2460"), "\x87\x40");
  EXPECT_EQ(WideToCp932(L"\u2170"), "\xFA\x40");  // the IBM row, not the NEC-selected copy
  EXPECT_EQ(WideToCp932(L"\u4E02"), "?");         // a CJK character 932 lacks
  EXPECT_EQ(WideToCp932(L"\U0001F600"), "??");   // one '?' per UTF-16 unit, as Windows
  EXPECT_EQ(WideToCp932(L"\u0416"), "\x84\x47");  // Cyrillic Ж
}

// The bytes Windows writes (WideCharToMultiByte with code page 932 and no
// flags) for the characters where a plain CP932 table would differ: its
// best fit for characters the page lacks, and '?' for four characters it
// does not map.  The same table runs natively and under Wine, so both
// builds write the same Shift-JIS.
TEST(TextTest, Cp932EncodingMatchesWindowsBestFit) {
  struct Case { std::wstring text; std::string bytes; };
  const Case cases[] = {
      {L"\u00A1", "\x21"}, {L"\u00A5", "\x5C"}, {L"\u00A6", "\x7C"}, {L"\u00A9", "\x63"},
      {L"\u00AA", "\x61"}, {L"\u00AB", "\x81\xE1"}, {L"\u00AD", "\x2D"}, {L"\u00AE", "\x52"},
      {L"\u00AF", "\x81\x50"}, {L"\u00B2", "\x32"}, {L"\u00B3", "\x33"}, {L"\u00B5", "\x83\xCA"},
      {L"\u00B7", "\x81\x45"}, {L"\u00B8", "\x81\x43"}, {L"\u00B9", "\x31"}, {L"\u00BA", "\x6F"},
      {L"\u00BB", "\x81\xE2"}, {L"\u00C0", "\x41"}, {L"\u00C1", "\x41"}, {L"\u00C2", "\x41"},
      {L"\u00C3", "\x41"}, {L"\u00C4", "\x41"}, {L"\u00C5", "\x41"}, {L"\u00C6", "\x41"},
      {L"\u00C7", "\x43"}, {L"\u00C8", "\x45"}, {L"\u00C9", "\x45"}, {L"\u00CA", "\x45"},
      {L"\u00CB", "\x45"}, {L"\u00CC", "\x49"}, {L"\u00CD", "\x49"}, {L"\u00CE", "\x49"},
      {L"\u00CF", "\x49"}, {L"\u00D0", "\x44"}, {L"\u00D1", "\x4E"}, {L"\u00D2", "\x4F"},
      {L"\u00D3", "\x4F"}, {L"\u00D4", "\x4F"}, {L"\u00D5", "\x4F"}, {L"\u00D6", "\x4F"},
      {L"\u00D8", "\x4F"}, {L"\u00D9", "\x55"}, {L"\u00DA", "\x55"}, {L"\u00DB", "\x55"},
      {L"\u00DC", "\x55"}, {L"\u00DD", "\x59"}, {L"\u00DE", "\x54"}, {L"\u00DF", "\x73"},
      {L"\u00E0", "\x61"}, {L"\u00E1", "\x61"}, {L"\u00E2", "\x61"}, {L"\u00E3", "\x61"},
      {L"\u00E4", "\x61"}, {L"\u00E5", "\x61"}, {L"\u00E6", "\x61"}, {L"\u00E7", "\x63"},
      {L"\u00E8", "\x65"}, {L"\u00E9", "\x65"}, {L"\u00EA", "\x65"}, {L"\u00EB", "\x65"},
      {L"\u00EC", "\x69"}, {L"\u00ED", "\x69"}, {L"\u00EE", "\x69"}, {L"\u00EF", "\x69"},
      {L"\u00F0", "\x64"}, {L"\u00F1", "\x6E"}, {L"\u00F2", "\x6F"}, {L"\u00F3", "\x6F"},
      {L"\u00F4", "\x6F"}, {L"\u00F5", "\x6F"}, {L"\u00F6", "\x6F"}, {L"\u00F8", "\x6F"},
      {L"\u00F9", "\x75"}, {L"\u00FA", "\x75"}, {L"\u00FB", "\x75"}, {L"\u00FC", "\x75"},
      {L"\u00FD", "\x79"}, {L"\u00FE", "\x74"}, {L"\u00FF", "\x79"}, {L"\u2014", "\x3F"},
      {L"\u2016", "\x3F"}, {L"\u2212", "\x3F"}, {L"\u301C", "\x3F"}, {L"\u3094", "\x83\x94"},
      // Around them, characters that convert the same everywhere.
      {L"\uFF5E\uFF0D\u2015\u2225\u3000\uFF21\u00D7\u00A8", "\x81\x60\x81\x7C\x81\x5C\x81\x61\x81\x40\x82\x60\x81\x7E\x81\x4E"},
      {L"\u00A0\u2011\u4E02", "???"},
      {L"Ren\u00E9e \u301C \u2212", "Renee ? ?"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideToCp932(c.text), c.bytes) << testing::PrintToString(Utf16ToUtf8(c.text));
  }
}

TEST(TextTest, RealProgramFileDecodesWithoutReplacement) {
  const std::string bytes = test::ReadFileBytes(test::FixturePath("official/B230901.TXT"));
  ASSERT_GT(bytes.size(), 100000u);
  const std::wstring text = Cp932ToWide(bytes);
  // The real text holds exactly two middle dots (スカパー！・ＪＬＣ杯); any more
  // would be replacements for bytes that failed to decode.
  size_t dots = 0;
  for (wchar_t c : text) dots += c == L'\u30FB';
  EXPECT_EQ(dots, 2u);
  EXPECT_NE(text.find(L"番組表"), std::wstring::npos);
  // Every character of real text survives the way back.
  EXPECT_EQ(WideToCp932(text), bytes);
}

TEST(TextTest, CaseMapping) {
  EXPECT_EQ(ToLowerText(L"/IMPORT"), L"/import");
  EXPECT_EQ(ToLowerText(L"/Export"), L"/export");
  EXPECT_EQ(ToUpperText(L"bkgrf"), L"BKGRF");
  EXPECT_EQ(ToUpperText(L"番組b"), L"番組B");
}

}  // namespace
}  // namespace wakelore
