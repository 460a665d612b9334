#include "archive/official_recognition.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace wakelore {
namespace {

TEST(OfficialRecognitionTest, DetectStadium) {
  struct Case { std::wstring line; int32_t expected; };
  const Case cases[] = {
      // Real block heads of the program and result files.
      {L"ボートレース大\u3000村   \u3000９月\u3000１日  アサヒビールカップ\u3000  第\u3000５日", 24},
      {L"   第\u3000５日          ２０２３年\u3000９月\u3000１日                  ボートレース大\u3000村", 24},
      {L"大\u3000村［成績］      9/ 1      アサヒビールカップ\u3000  第 5日", 24},
      {L"江戸川［成績］      9/21      パルテノン多摩カップ  第 3日", 3},
      {L"ボートレース住之江", 12},
      {L"ボートレース津\u3000［成績］", 9},   // only the longest match finds it
      {L"津競艇場", 9},
      {L"ボートレース平和島", 4},
      {L"びわこ[成績]", 11},
      {L"ここは 多摩川競艇場 です", 5},
      // The longest name wins: 江戸川 over 戸田 is not a case, but 平和島 holds no
      // shorter name; 宮島 and 島 alone are no names.  多摩川 contains no 摩.
      {L"ボートレース 戸田と江戸川", 3},
      {L"ボートレース 戸田と津", 2},
      // Without a marker a name is not enough.
      {L"大村", 0},
      {L"アサヒビールカップ 大村", 0},
      {L"ボートレース", 0},
      {L"", 0},
      {L"[成績]", 0},
      // Former names and the venue forms of the older files.
      {L"琵琶湖［成績］      4/ 8      スポーツニッポン新聞  第 2日", 11},
      {L"   第 2日          2019/ 4/ 8                             ボートレース琵琶湖", 11},
      {L"大\u3000村\u3000競走場   \u3000１月\u3000２日  スポニチ金杯新春特選  第\u3000４日", 24},
      {L"   第 4日            98/ 1/ 2                             大\u3000村\u3000競走場", 24},
      {L"浜名湖\u3000競艇場   \u3000１月\u3000４日  オール静岡\u3000Ｎｅｗ\u3000  第\u3000６日", 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectStadium(c.line), c.expected) << Utf16ToUtf8(c.line);
  }
}

TEST(OfficialRecognitionTest, PrintedStadiumIsOnlyTheNameNextToAMarker) {
  struct Case { std::wstring line; int32_t printed; bool unnamed_heading; };
  const Case cases[] = {
      {L"琵琶湖［成績］      4/ 8      スポーツニッポン新聞  第 2日", 11, false},
      {L"ボートレース　津　   　１月２４日  中日スポーツ高虎杯争  第　１日", 9, false},
      {L"大\u3000村\u3000競走場   \u3000１月\u3000２日", 24, false},
      // A series title that mentions a stadium names none.
      {L"          第５９回ボートレースクラシック\u3000", 0, false},
      {L"          ボートレース戸田杯\u3000", 0, false},
      {L"ボートレース 戸田と江戸川", 0, false},  // DetectStadium's longest match: not here
      // Headings of no known stadium.
      {L"湖\u3000畔［成績］      4/ 8      テスト杯  第 2日", 0, true},
      {L"ボートレース湖畔   \u3000１月\u3000２日", 0, true},
      {L"   ボートレース湖畔", 0, false},  // indented: a date line, not a heading
      {L"湖畔の一般戦", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(PrintedStadiumOf(c.line), c.printed);
    EXPECT_EQ(IsUnnamedStadiumHeading(c.line), c.unnamed_heading);
  }
}

TEST(OfficialRecognitionTest, BlockCodeLines) {
  struct Case { std::wstring line; bool is_code; int32_t code; wchar_t kind; bool begin; };
  const Case cases[] = {
      {L"24KBGN", true, 24, L'K', true},
      {L"11BEND", true, 11, L'B', false},
      {L"06BBGN  ", true, 6, L'B', true},
      {L"99KBGN", true, 99, L'K', true},  // the code is the caller's to check
      {L" 24KBGN", false, 0, L'K', false},
      {L"24KBGNX", false, 0, L'K', false},
      {L"24XBGN", false, 0, L'K', false},
      {L"2AKBGN", false, 0, L'K', false},
      {L"STARTK", false, 0, L'K', false},
      {L"", false, 0, L'K', false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    const std::optional<BlockCode> code = BlockCodeOf(c.line);
    ASSERT_EQ(code.has_value(), c.is_code);
    if (!code) continue;
    EXPECT_EQ(code->code, c.code);
    EXPECT_EQ(code->kind, c.kind);
    EXPECT_EQ(code->begin, c.begin);
  }
}

TEST(OfficialRecognitionTest, StadiumNames) {
  EXPECT_EQ(StadiumNameOf(1), L"桐生");
  EXPECT_EQ(StadiumNameOf(24), L"大村");
  EXPECT_EQ(StadiumNameOf(0), L"");
  EXPECT_EQ(StadiumNameOf(25), L"");
  for (int32_t id = 1; id <= 24; ++id) {
    EXPECT_EQ(DetectStadium(L"ボートレース" + StadiumNameOf(id)), id);
  }
}

TEST(OfficialRecognitionTest, DateFromFileName) {
  struct Case { std::wstring path; wchar_t letter; std::wstring expected; };
  const Case cases[] = {
      {L"b240105.lzh", L'b', L"2024-01-05"},
      {L"C:\\data\\download\\Raceresults\\1999年\\k991231.lzh", L'k', L"1999-12-31"},
      {L"/cache/guide/2023年/B230901.LZH", L'b', L"2023-09-01"},
      {L"b800101.lzh", L'b', L"1980-01-01"},
      {L"b791231.lzh", L'b', L"2079-12-31"},
      {L"b241399.txt", L'b', L"2024-13-99"},  // not range-checked
      {L"b240105", L'b', L"2024-01-05"},      // seven characters are enough
      {L"b24010", L'b', L""},
      {L"b2401.lzh", L'b', L""},
      {L"x240105.lzh", L'b', L""},
      {L"k240105.lzh", L'b', L""},
      {L"b24O105.lzh", L'b', L""},
      {L"b２40105.lzh", L'b', L""},           // full-width digits are no date
      {L"", L'b', L""},
      {L"dir\\", L'b', L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateFromFileName(c.path, c.letter), c.expected) << Utf16ToUtf8(c.path);
  }
}

TEST(OfficialRecognitionTest, ReadDayLabel) {
  struct Case { std::wstring line, before, after; };
  const Case cases[] = {
      {L"ボートレース大村 第\u3000３日", L"", L"第3日"},
      {L"江戸川［成績］      9/21      パルテノン多摩カップ  第 3日", L"", L"第3日"},
      {L"   第１２日", L"第1日", L"第12日"},
      {L"第3日", L"第1日", L"第3日"},
      {L"ボートレース大村", L"第2日", L"第2日"},      // no label: kept
      {L"第４７回東京中日スポーツ杯 第２日", L"x", L"x"},  // only the first 第 is read
      {L"第 日", L"x", L"x"},
      {L"第3", L"x", L"x"},
      {L"第", L"x", L"x"},
  };
  for (const Case& c : cases) {
    std::wstring label = c.before;
    ReadDayLabel(c.line, &label);
    EXPECT_EQ(label, c.after) << Utf16ToUtf8(c.line);
  }
}

TEST(OfficialRecognitionTest, TakeSeriesTitleSkipsTheDecorations) {
  // The lines after a program file's stadium line, in order.
  const std::wstring lines[] = {
      L"",
      L"                            ＊＊＊\u3000番組表\u3000＊＊＊",
      L"   [払戻金]       ３連単           ３連複",
      L"--------------------",
      L"               －内容については主催者発行のものと照合して下さい－",
      L"\u3000\u3000",
      L"          アサヒビールカップ\u3000\u3000\u3000\u3000",
      L"   第\u3000５日          ２０２３年",
  };
  bool expect = true;
  std::wstring title;
  for (const std::wstring& line : lines) TakeSeriesTitle(line, &expect, &title);
  EXPECT_EQ(title, L"アサヒビールカップ");
  EXPECT_FALSE(expect);

  // Nothing is taken while no title is expected.
  std::wstring other = L"kept";
  bool not_expected = false;
  TakeSeriesTitle(L"新しい節", &not_expected, &other);
  EXPECT_EQ(other, L"kept");
}

TEST(OfficialRecognitionTest, RaceHeaderReaders) {
  struct Case {
    std::wstring line;
    int32_t number;
    int32_t distance;
    std::wstring title;
    std::wstring deadline;
  };
  const Case cases[] = {
      {L"１２Ｒ  一般戦  Ｈ１８００ｍ", 12, 1800, L"一般戦", L""},
      {L"\u3000１Ｒ  一般\u3000\u3000\u3000\u3000          Ｈ１８００ｍ  電話投票締切予定１５：１７ ",
       1, 1800, L"一般", L"15:17"},
      {L"   1R       一般\u3000\u3000\u3000\u3000                 H1800m  雨\u3000  風  東", 1, 1800,
       L"一般", L""},
      {L"  10R  予選特賞         H1200m", 10, 1200, L"予選特賞", L""},
      {L"３Ｒ  一般  Ｈｍ", 3, 1800, L"一般", L""},            // no digit after H
      {L"３Ｒ  一般", 3, 1800, L"一般", L""},                   // no H: title to the end
      {L"Ｒ１  Ｈ１８００", 0, 1800, L"１", L""},               // R first: no number
      {L"Ｈ１８００  １Ｒ", 1, 1800, L"", L""},                 // H before R: no title
      {L"締切予定  １０：０５ 以降", 0, 1800, L"", L"10:05"},
      {L"締切予定 9:5", 0, 1800, L"", L"9:5"},
      {L"\u3000１Ｒ  予\u3000選\u3000\u3000\u3000  Ｈ１８００ｍ  電話投票締切予定時刻１０：５７  連複", 1, 1800,
       L"予\u3000選", L"10:57"},
      {L"１２ｒ  準優", 12, 1800, L"準優", L""},               // the lower-case full-width r
      {L"ABC", 0, 1800, L"", L""},
      {L"", 0, 1800, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(RaceNumberOf(c.line), c.number);
    EXPECT_EQ(DistanceOf(c.line), c.distance);
    EXPECT_EQ(RaceTitleOf(c.line), c.title);
    EXPECT_EQ(DeadlineOf(c.line), c.deadline);
  }
}

}  // namespace
}  // namespace wakelore
