#include "archive/result_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace wakelore {
namespace {

TEST(ResultLinesTest, Header) {
  struct Case {
    std::wstring line;
    bool is_header;
    ResultHeader expected;
  };
  const Case cases[] = {
      {L"   1R       一般\u3000\u3000\u3000\u3000                 H1800m  雨\u3000  風  東\u3000\u3000 2m  波\u3000  1cm",
       true, {L"一般", 1800, L"雨", L"東", 2.0, 1.0}},
      {L"  12R       記者選抜戦\u3000                 H1800m  晴\u3000  風  南西\u3000 3m  波\u3000  2cm",
       true, {L"記者選抜戦", 1800, L"晴", L"南西", 3.0, 2.0}},
      // Full-width letters and digits are folded before the tokens are read.
      {L"１０Ｒ 準優勝戦 Ｈ１２００m 曇り 風 北 ４m 波 ３cm", true, {L"準優勝戦", 1200, L"曇り", L"北", 4.0, 3.0}},
      // A wind without speed, a wave without height: defaults stay.
      {L"3R 一般 H1800m 雨 風 東", true, {L"一般", 1800, L"雨", L"", 0.0, 0.0}},
      {L"3R 一般 H1800m 晴 波", true, {L"一般", 1800, L"晴", L"", 0.0, 0.0}},
      {L"3R 一般 H1800m", true, {L"一般", 1800, L"", L"", 0.0, 0.0}},
      // A later occurrence wins.
      {L"3R x H1800m 雨 風 東 2m 風 西 5m 波 1cm 波 9cm", true, {L"x", 1800, L"雨", L"西", 5.0, 9.0}},
      // The payout summary rows and cancelled races are not headers.
      {L"           1R  1-4-2    1440    1-2-4     380    1-4     980    1-4     480", false, {}},
      {L"           1R  中\u3000止", false, {}},
      {L"1R H1800", false, {}},  // no m
      {L"", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    const std::optional<ResultHeader> h = ParseResultHeader(c.line);
    ASSERT_EQ(h.has_value(), c.is_header);
    if (!h) continue;
    EXPECT_EQ(h->title, c.expected.title);
    EXPECT_EQ(h->distance, c.expected.distance);
    EXPECT_EQ(h->weather, c.expected.weather);
    EXPECT_EQ(h->windDirection, c.expected.windDirection);
    EXPECT_DOUBLE_EQ(h->windSpeed, c.expected.windSpeed);
    EXPECT_DOUBLE_EQ(h->waveHeight, c.expected.waveHeight);
  }
}

TEST(ResultLinesTest, WinningTechnique) {
  struct Case { std::wstring line, expected; };
  const Case cases[] = {
      {L"  着 艇 登番 \u3000選\u3000手\u3000名\u3000\u3000ﾓｰﾀｰ ﾎﾞｰﾄ 展示 進入 ｽﾀｰﾄﾀｲﾐﾝｸ ﾚｰｽﾀｲﾑ 逃げ\u3000\u3000\u3000", L"逃げ"},
      {L"  着 艇 ﾚｰｽﾀｲﾑ まくり差し", L"まくり差し"},
      {L"  着 艇 ﾚｰｽﾀｲﾑ ", L""},
      {L"  01  1 3812 逃げ", L""},  // no heading, no technique
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(WinningTechniqueOf(c.line), c.expected) << Utf16ToUtf8(c.line);
}

TEST(ResultLinesTest, FinishingOrderLines) {
  struct Case {
    std::wstring line;
    bool parsed;
    int32_t order;
    std::wstring mark;
    double start;
    std::wstring race_time;
  };
  const Case cases[] = {
      {L"  01  1 3812 山\u3000崎\u3000\u3000聖\u3000司 67   61  6.94   1    0.10     1.50.8", true, 1, L"01", 0.10, L"1.50.8"},
      {L"  06  5 3284 渡\u3000邊\u3000\u3000伸太郎 50   17  7.00   5    0.12      .  . ", true, 6, L"06", 0.12, L". ."},
      {L"  F   6 3721 守\u3000田\u3000\u3000俊\u3000介 45   20  6.96   3   F0.01      .  . ", true, 6, L"F", -0.01, L". ."},
      {L"  S1  2 5107 松\u3000本\u3000\u3000真\u3000広 46  162  6.87   2    0.25      .  . ", true, 6, L"S1", 0.25, L". ."},
      {L"  K1  6 3792 田\u3000中\u3000\u3000\u3000\u3000豪  9   63 K .         K .        .  . ", true, 6, L"K1", 0.0, L". . ."},
      {L"  Ｆ  6 3721 守田 45 20 6.96 3 F.03", true, 6, L"Ｆ", -0.03, L""},   // exactly 9 tokens
      {L"  Ｓ１ 6 3721 守田 45 20 6.96 3 0.20", true, 6, L"Ｓ1", 0.20, L""},
      {L"  L0  6 3721 守田 45 20 6.96 3 Ｆ．０３", true, 6, L"L0", 0.0, L""},  // Ｆ is not folded
      {L"  L   6 3721 守田 45 20 6.96 3 F", true, 6, L"L", 0.0, L""},          // a lone F is no flying start
      {L"  転  6 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},
      {L"  FF  6 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},
      {L"  F12 6 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},
      // A race not established: the boat that finished carries 00, no place.
      {L"  00  6 5322 根\u3000岸\u3000\u3000真\u3000優 33   43  6.90   6    0.01      .  . ", true, 6, L"00", 0.01, L". ."},
      {L"  000 6 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},   // order 0
      // The name run into a 3-digit motor number: the columns shift.
      {L"  03  3 2095 留\u3000川\u3000照三郎\u3000135  173  6.99   3    0.16     1.50.7", false, 0, L"", 0, L""},
      {L"  01  7 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},   // frame 7
      {L"  01  0 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},
      {L"  01  6 372 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},    // 3-digit register number
      {L"  01  ６ 3721 守田 45 20 6.96 3 0.20", false, 0, L"", 0, L""},  // full-width frame
      {L"  01  6 3721 守田 45 20 6.96 3", false, 0, L"", 0, L""},        // 8 tokens
      {L"", false, 0, L"", 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    const std::optional<ResultEntry> e = ParseResultEntry(c.line);
    ASSERT_EQ(e.has_value(), c.parsed);
    if (!e) continue;
    EXPECT_EQ(e->finishOrder, c.order);
    EXPECT_EQ(e->finishMark, c.mark);
    EXPECT_DOUBLE_EQ(e->startTiming, c.start);
    EXPECT_EQ(e->raceTime, c.race_time);
  }

  const std::optional<ResultEntry> e = ParseResultEntry(cases[0].line);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->frame, 1);
  EXPECT_EQ(e->registerNo, L"3812");
  EXPECT_EQ(e->racerName, L"山\u3000崎\u3000\u3000聖\u3000司");
  EXPECT_EQ(e->motorNo, L"67");
  EXPECT_EQ(e->boatNo, L"61");
  EXPECT_DOUBLE_EQ(e->exhibitionTime, 6.94);
  EXPECT_EQ(e->courseNo, 1);
}

std::wstring Describe(const std::vector<PayoutItem>& items) {
  std::wstring text;
  for (const PayoutItem& p : items) {
    text += p.betType + L" " + p.combination + L" " + std::to_wstring(p.amount) + L" " +
            std::to_wstring(p.popularity) + L";";
  }
  return text;
}

TEST(ResultLinesTest, PayoutLines) {
  struct Case {
    std::vector<std::wstring> lines;  // read in order, one bet type carried along
    std::wstring expected;
  };
  const Case cases[] = {
      {{L"        単勝     1          240  "}, L"単勝 1 240 0;"},
      {{L"        ３連単   1-4-2     1440  人気     3 "}, L"３連単 1-4-2 1440 3;"},
      {{L"        複勝     1          100  4          210  "}, L"複勝 1 100 0;複勝 4 210 0;"},
      // The following line continues the bet type...
      {{L"        拡連複   1-4        140  人気     2 ", L"                 1-2        130  人気     1 ",
        L"                 2-4        270  人気     6 "},
       L"拡連複 1-4 140 2;拡連複 1-2 130 1;拡連複 2-4 270 6;"},
      {{L"複勝 1 100 4 210", L"   5 120"}, L"複勝 1 100 0;複勝 4 210 0;複勝 5 120 0;"},
      // ...unless an empty line ends it.
      {{L"複勝 1 100 4 210", L"", L"   5 120"}, L"複勝 1 100 0;複勝 4 210 0;"},
      {{L"   5 120"}, L""},                                   // nothing to continue
      {{L"単勝 特払い 70"}, L"単勝 特払い 70 0;"},
      {{L"単勝 特払い 70 2 130"}, L"単勝 特払い 70 0;単勝 2 130 0;"},
      {{L"単勝 特払い"}, L""},
      {{L"単勝"}, L""},
      {{L"２連単 1-7 500"}, L""},                             // 7 is no boat
      {{L"２連単 1-4 0"}, L""},                               // nothing paid
      {{L"２連単 1-4 abc 人気 3"}, L""},
      {{L"２連単 1-4 500 人気"}, L"２連単 1-4 500 0;"},        // popularity missing
      {{L"２連単 1-4 500 x 2-4 300"}, L"２連単 1-4 500 0;"},  // reading stops at x
      {{L"2連単 1-4 500"}, L""},                              // ASCII digit: no bet type
      {{L"   [払戻金]       ３連単           ３連複"}, L""},
      // The older files: full-width blanks before the amount, 連単 and 連複
      // of two boats, empty lines of a bet type, the technique at the end.
      {{L"        単勝   6  \u3000\u3000\u3000  210"}, L"単勝 6 210 0;"},
      {{L"        単勝   ", L"        複勝   ", L"        連複   4-5\u3000\u3000\u3000  340  人気     1      決まり手  差し\u3000\u3000\u3000"},
       L"２連複 4-5 340 1;"},
      {{L"        連単   3-1\u3000\u3000\u3000 1190  人気     6      決まり手  まくり差し"}, L"２連単 3-1 1190 6;"},
      {{L"        複勝   3          220  1          190  "}, L"複勝 3 220 0;複勝 1 190 0;"},
      {{L"-------------------------------------------------------------------------------"}, L""},
  };
  for (const Case& c : cases) {
    std::wstring bet_type;
    std::vector<PayoutItem> all;
    for (const std::wstring& line : c.lines) {
      for (PayoutItem& item : ParsePayoutLine(line, &bet_type)) all.push_back(item);
    }
    EXPECT_EQ(Describe(all), c.expected) << Utf16ToUtf8(c.lines[0]);
  }
}

TEST(ResultLinesTest, LinesThatStartLikeAnEntry) {
  EXPECT_TRUE(LooksLikeResultEntry(L"  03  3 2095 留\u3000川\u3000照三郎\u3000135  173  6.99   3    0.16"));
  EXPECT_TRUE(LooksLikeResultEntry(L"  K0  6 2343 池\u3000浦 17 59 K ."));
  EXPECT_TRUE(LooksLikeResultEntry(L"  00  6 5322 根岸"));
  EXPECT_FALSE(LooksLikeResultEntry(L"  転  6 3721 守田 45 20 6.96 3 0.20"));  // not a mark
  EXPECT_FALSE(LooksLikeResultEntry(L"           1R  4->5\u3000\u3000\u3000  340        7R  5- 1"));
  EXPECT_FALSE(LooksLikeResultEntry(L"        複勝     1          100  4          210  "));
  EXPECT_FALSE(LooksLikeResultEntry(L"  07  6 3721 守田"));
}

TEST(ResultLinesTest, TechniquePrintedOnThePairBetLine) {
  EXPECT_EQ(PrintedTechniqueOf(L"        連複   4-5\u3000\u3000\u3000  340  人気     1      決まり手  差し\u3000\u3000\u3000"), L"差し");
  EXPECT_EQ(PrintedTechniqueOf(L"        連単   3-1\u3000\u3000\u3000 1190  人気     6      決まり手  まくり差し"), L"まくり差し");
  EXPECT_EQ(PrintedTechniqueOf(L"        連単   3-1  1190  人気     6      決まり手"), L"");
  EXPECT_EQ(PrintedTechniqueOf(L"  着 艇 ﾚｰｽﾀｲﾑ 逃げ"), L"");
}

TEST(ResultLinesTest, BetTypeIsKeptOrReplaced) {
  std::wstring bet_type = L"複勝";
  ParsePayoutLine(L"not a payout", &bet_type);
  EXPECT_EQ(bet_type, L"複勝");
  ParsePayoutLine(L"３連複 1-2-3 1370 人気 7", &bet_type);
  EXPECT_EQ(bet_type, L"３連複");
  ParsePayoutLine(L" \t ", &bet_type);
  EXPECT_EQ(bet_type, L"");
}

TEST(ResultLinesTest, PendingNotice) {
  EXPECT_TRUE(IsPendingResultNotice(L"データは、この場の全レース終了後に登録されます。"));
  EXPECT_TRUE(IsPendingResultNotice(L"  データは、この場の全レース終了後に登録されます。  "));
  EXPECT_FALSE(IsPendingResultNotice(L"ボートレース大\u3000村"));
  EXPECT_FALSE(IsPendingResultNotice(L"           1R  中\u3000止"));
}

}  // namespace
}  // namespace wakelore
