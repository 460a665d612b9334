#include "acquire/racer_period_line.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace wakelore {
namespace {

// A line of `length` spaces with fields written at their offsets.
class LineBuilder {
 public:
  explicit LineBuilder(size_t length) : line_(length, ' ') {}
  LineBuilder& At(size_t offset, const std::string& bytes) {
    line_.replace(offset, bytes.size(), bytes);
    return *this;
  }
  LineBuilder& Sjis(size_t offset, const std::wstring& text) { return At(offset, WideToCp932(text)); }
  const std::string& line() const { return line_; }

 private:
  std::string line_;
};

TEST(RacerPeriodLineTest, ReadsEveryFieldOfAFullLine) {
  LineBuilder b(416);
  b.At(0, "4444").Sjis(4, L"山田　太郎").Sjis(20, L"ﾔﾏﾀﾞ ﾀﾛｳ").Sjis(35, L"東京").Sjis(39, L"A1").Sjis(41, L"S");
  b.At(42, "550101").At(48, "1").At(49, "45").At(51, "165").At(54, "52").Sjis(56, L"O");
  b.At(58, "0652").At(62, "0413").At(66, "123").At(69, " 45").At(72, "200").At(75, "12").At(77, " 3");
  b.At(79, "016");
  b.At(82, "0400543014015");   // course 1: 40 entries, 54.3 %, 0.14, 1.50
  b.At(147, "0050123025450");  // course 6
  b.Sjis(160, L"A2").Sjis(162, L"B1").Sjis(164, L"A1").At(166, "5512").At(170, "5601");
  b.At(174, "2023").At(178, "2").At(179, "20230501").At(187, "20231031").At(195, "123");
  b.At(198, "010009008007006005010203040506070");  // course 1, 33 of 34 bytes
  b.At(368, "9990010020030040050607080910111213");  // course 6
  b.At(402, "XXXXXXXX").Sjis(410, L"福岡");

  RacerPeriodRecord r = ParseRacerPeriodLine(b.line());
  EXPECT_EQ(r.register_no, L"4444");
  EXPECT_EQ(r.name, L"山田　太郎");
  EXPECT_EQ(r.name_kana, L"ﾔﾏﾀﾞ ﾀﾛｳ");
  EXPECT_EQ(r.branch, L"東京");
  EXPECT_EQ(r.class_name, L"A1");
  EXPECT_EQ(r.birth_era, L"S");
  EXPECT_EQ(r.birth_date_text, L"550101");
  EXPECT_EQ(r.gender, 1);
  EXPECT_EQ(r.age, 45);
  EXPECT_EQ(r.height_cm, 165);
  EXPECT_DOUBLE_EQ(r.weight_kg, 52);
  EXPECT_EQ(r.blood_type, L"O");
  EXPECT_DOUBLE_EQ(r.win_rate, 6.52);
  EXPECT_DOUBLE_EQ(r.quinella_rate, 41.3);
  EXPECT_EQ(r.first_count, 123);
  EXPECT_EQ(r.second_count, 45);
  EXPECT_EQ(r.start_count, 200);
  EXPECT_EQ(r.final_count, 12);
  EXPECT_EQ(r.championship_count, 3);
  EXPECT_DOUBLE_EQ(r.avg_start_timing, 0.16);
  EXPECT_EQ(r.courses[0].entry_count, 40);
  EXPECT_DOUBLE_EQ(r.courses[0].quinella_rate, 54.3);
  EXPECT_DOUBLE_EQ(r.courses[0].avg_start_timing, 0.14);
  EXPECT_DOUBLE_EQ(r.courses[0].avg_start_rank, 0.15);
  EXPECT_EQ(r.courses[5].entry_count, 5);
  EXPECT_DOUBLE_EQ(r.courses[5].quinella_rate, 12.3);
  EXPECT_DOUBLE_EQ(r.courses[5].avg_start_timing, 0.25);
  EXPECT_DOUBLE_EQ(r.courses[5].avg_start_rank, 4.5);
  EXPECT_EQ(r.prev_class, L"A2");
  EXPECT_EQ(r.prev2_class, L"B1");
  EXPECT_EQ(r.prev3_class, L"A1");
  EXPECT_DOUBLE_EQ(r.prev_ability, 55.12);
  EXPECT_DOUBLE_EQ(r.current_ability, 56.01);
  EXPECT_EQ(r.period_year, 2023);
  EXPECT_EQ(r.period_term, 2);
  EXPECT_EQ(r.calc_from, L"2023-05-01");
  EXPECT_EQ(r.calc_to, L"2023-10-31");
  EXPECT_EQ(r.training_term, 123);
  const RacerCourseRecord& c1 = r.courses[0];
  EXPECT_EQ(c1.first_count, 10);
  EXPECT_EQ(c1.second_count, 9);
  EXPECT_EQ(c1.third_count, 8);
  EXPECT_EQ(c1.fourth_count, 7);
  EXPECT_EQ(c1.fifth_count, 6);
  EXPECT_EQ(c1.sixth_count, 5);
  EXPECT_EQ(c1.f_count, 1);
  EXPECT_EQ(c1.l0_count, 2);
  EXPECT_EQ(c1.l1_count, 3);
  EXPECT_EQ(c1.k0_count, 4);
  EXPECT_EQ(c1.k1_count, 5);
  EXPECT_EQ(c1.s0_count, 6);
  EXPECT_EQ(c1.s1_count, 7);
  EXPECT_EQ(c1.s2_count, 0);  // "0" and a blank
  const RacerCourseRecord& c6 = r.courses[5];
  EXPECT_EQ(c6.first_count, 999);
  EXPECT_EQ(c6.sixth_count, 5);
  EXPECT_EQ(c6.f_count, 6);
  EXPECT_EQ(c6.s2_count, 13);
  EXPECT_EQ(r.origin, L"福岡");
}

TEST(RacerPeriodLineTest, LineLengthDecidesWhereTheOriginIs) {
  struct Case {
    size_t length;
    const wchar_t* origin;
  };
  // The origin text is written at 402 and at 410; which one is read shows
  // whether the eight bytes were skipped.
  const Case cases[] = {
      {198, L""}, {407, L""}, {408, L"前"}, {409, L"前"}, {410, L""}, {415, L""}, {416, L"後"}, {500, L"後"},
  };
  for (const Case& c : cases) {
    LineBuilder b(c.length);
    b.At(0, "1234");
    if (c.length >= 408) b.Sjis(402, L"前");
    if (c.length >= 412) b.Sjis(410, L"後");
    EXPECT_TRUE(IsRacerLine(b.line())) << c.length;
    EXPECT_EQ(ParseRacerPeriodLine(b.line()).origin, c.origin) << c.length;
  }
}

TEST(RacerPeriodLineTest, ShortLineLeavesTheRestEmpty) {
  LineBuilder b(198);
  b.At(0, "4321").At(179, "202305").At(187, "2023050").At(195, "7");
  RacerPeriodRecord r = ParseRacerPeriodLine(b.line());
  EXPECT_EQ(r.register_no, L"4321");
  EXPECT_EQ(r.name, L"");
  EXPECT_EQ(r.period_year, 0);
  EXPECT_EQ(r.calc_from, L"202305");  // not 8 characters: as it stands
  EXPECT_EQ(r.calc_to, L"2023050");
  EXPECT_EQ(r.training_term, 7);
  EXPECT_EQ(r.courses[5].s2_count, 0);
  EXPECT_EQ(r.origin, L"");
}

TEST(RacerPeriodLineTest, WhichLinesHoldARacer) {
  EXPECT_FALSE(IsRacerLine(std::string(197, '1')));
  EXPECT_TRUE(IsRacerLine(std::string(198, '1')));
  EXPECT_FALSE(IsRacerLine("123 " + std::string(300, '1')));
  EXPECT_FALSE(IsRacerLine("\xEF\xBC\x91\xEF\xBC\x92" + std::string(300, '1')));  // full-width digits
}

TEST(RacerPeriodLineTest, NumbersReadSignAndLeadingDigitsOnly) {
  LineBuilder b(198);
  b.At(0, "0001").At(49, "-3").At(51, "12x").At(58, "x652").At(62, " +41");
  RacerPeriodRecord r = ParseRacerPeriodLine(b.line());
  EXPECT_EQ(r.age, -3);
  EXPECT_EQ(r.height_cm, 12);
  EXPECT_DOUBLE_EQ(r.win_rate, 0.0);
  EXPECT_DOUBLE_EQ(r.quinella_rate, 4.1);
}

TEST(RacerPeriodLineTest, SplitsAtEveryKindOfBreak) {
  std::vector<std::string_view> lines = SplitRacerLines("a\r\nb\rc\n\n\r\nd");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], "b");
  EXPECT_EQ(lines[2], "c");
  EXPECT_EQ(lines[3], "d");
  EXPECT_TRUE(SplitRacerLines("\r\n\r\n").empty());
}

TEST(RacerPeriodLineTest, PeriodFromFileName) {
  struct Case {
    const wchar_t* path;
    int32_t year;
    int32_t term;
  };
  const Case cases[] = {
      {L"fan2310.lzh", 2024, 1},
      {L"FAN2404.LZH", 2024, 2},
      {L"C:\\data\\download\\TermResults\\2000年\\fan9910.lzh", 2000, 1},
      {L"/cache/fan0004.lzh", 2000, 2},
      {L"fan2307.lzh", -1, -1},
      {L"fan23", -1, -1},
      {L"fan2310/x.lzh", -1, -1},  // only the file name counts
      {L"b240105.lzh", -1, -1},
  };
  for (const Case& c : cases) {
    int32_t year = -1;
    int32_t term = -1;
    PeriodFromFileName(c.path, &year, &term);
    EXPECT_EQ(year, c.year) << c.path;
    EXPECT_EQ(term, c.term) << c.path;
  }
}

}  // namespace
}  // namespace wakelore
