#include "archive/program_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/official_text.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

// Real entry lines of B230901.TXT (79 bytes each in code page 932).
const wchar_t kFirst[] =
    L"1 3812山崎聖司47東京53B1 4.79 25.21 0.00  0.00 67 29.17 61 33.33 3 132 62     9";
const wchar_t kWithMark[] =
    L"2 4752西尾亮輔35愛知52B1 4.52 21.09 5.14 21.43 29 18.42 29 27.08 2 566 S1      ";
const wchar_t kShortName[] =
    L"2 5086本村\u3000大24長崎52B1 5.24 37.31 4.10 17.46 64 32.56 51 50.00 163 1356     5";

TEST(ProgramEntryTest, ReadsEveryFieldByByteColumns) {
  const std::optional<ProgramEntry> e = ParseProgramEntry(kFirst);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->frame, 1);
  EXPECT_EQ(e->registerNo, L"3812");
  EXPECT_EQ(e->name, L"山崎聖司");
  EXPECT_EQ(e->age, 47);
  EXPECT_EQ(e->branch, L"東京");
  EXPECT_DOUBLE_EQ(e->weight, 53.0);
  EXPECT_EQ(e->className, L"B1");
  EXPECT_DOUBLE_EQ(e->nationalWinRate, 4.79);
  EXPECT_DOUBLE_EQ(e->nationalQuinellaRate, 25.21);
  EXPECT_DOUBLE_EQ(e->localWinRate, 0.0);
  EXPECT_DOUBLE_EQ(e->localQuinellaRate, 0.0);
  EXPECT_EQ(e->motorNo, L"67");
  EXPECT_DOUBLE_EQ(e->motorQuinellaRate, 29.17);
  EXPECT_EQ(e->boatNo, L"61");
  EXPECT_DOUBLE_EQ(e->boatQuinellaRate, 33.33);
  EXPECT_EQ(e->currentResults, L"3 132 62");
  EXPECT_EQ(e->early, 9);
}

TEST(ProgramEntryTest, NamesWithIdeographicSpaceAndMarksInTheResults) {
  std::optional<ProgramEntry> e = ParseProgramEntry(kShortName);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->name, L"本村\u3000大");
  EXPECT_EQ(e->currentResults, L"163 1356");
  EXPECT_EQ(e->early, 5);

  e = ParseProgramEntry(kWithMark);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->currentResults, L"2 566 S1");
  EXPECT_EQ(e->early, 0);
}

TEST(ProgramEntryTest, EveryEntryLineOfTheRealFileParses) {
  const auto lines = DecodeLines(test::ReadFileBytes(test::FixturePath("official/B230901.TXT")));
  int entries = 0;
  for (const std::wstring& line : lines) {
    if (!LooksLikeProgramEntry(line)) continue;
    EXPECT_TRUE(ParseProgramEntry(line).has_value()) << Utf16ToUtf8(line);
    ++entries;
  }
  EXPECT_EQ(entries, 936);
}

TEST(ProgramEntryTest, RefusedLines) {
  const std::wstring first = kFirst;
  // The first 64 bytes end with the boat quinella rate.
  const std::wstring bytes64 = first.substr(0, 58);
  ASSERT_EQ(WideToCp932(bytes64).size(), 64u);

  struct Case { std::wstring line; bool parsed; bool looks_like_entry; };
  const Case cases[] = {
      {bytes64, true, true},                                    // padded to 79 bytes
      {bytes64.substr(0, 57), false, true},                     // 63 bytes
      {first.substr(0, 39), false, false},                      // 39 characters never count
      {L"7" + first.substr(1), false, false},                   // frame 7
      {L"1\u3000" + first.substr(2), false, false},             // no ASCII space after the frame
      {first.substr(0, 2) + L"38a2" + first.substr(6), false, true},   // register number
      {first.substr(0, 2) + L"    " + first.substr(6), false, true},   // no register number
      {first.substr(0, 16) + L"B " + first.substr(18), false, true},  // one-character class
      {first.substr(0, 6) + L"        " + first.substr(10), false, true},      // no name
      {first.substr(0, 40) + L" x7" + first.substr(43), false, true},           // motor number
      {first.substr(0, 49) + L"   " + first.substr(52), false, true},           // no boat number
      {L"-------------------------------------------------------------------------------", false,
       false},
      {L"", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(ParseProgramEntry(c.line).has_value(), c.parsed);
    EXPECT_EQ(LooksLikeProgramEntry(c.line), c.looks_like_entry);
  }

  const std::optional<ProgramEntry> padded = ParseProgramEntry(bytes64);
  ASSERT_TRUE(padded.has_value());
  EXPECT_EQ(padded->currentResults, L"");
  EXPECT_EQ(padded->early, 0);
  EXPECT_DOUBLE_EQ(padded->boatQuinellaRate, 33.33);
}

TEST(ProgramEntryTest, CurrentScore) {
  struct Case { std::wstring results; double expected; };
  const Case cases[] = {
      {L"1 2 3", (6 + 5 + 4) / 3.0 / 6.0 * 100.0},  // 83.33
      {L"111", 100.0},
      {L"666", 100.0 / 6.0},
      {L"F S1 K", 100.0},             // the 1 of S1 counts as a first place
      {L"F L K", 0.0},
      {L"", 0.0},
      {L"７0", 0.0},                  // 0, 7 and full-width digits are no places
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(CurrentScoreOf(c.results), c.expected, 1e-9) << Utf16ToUtf8(c.results);
  }
}

}  // namespace
}  // namespace wakelore
