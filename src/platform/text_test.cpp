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
