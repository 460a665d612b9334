#include "ui/import_texts.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

int64_t Day(int year, int month, int day) { return test::LocalDay(year, month, day); }

TEST(ImportTextsTest, TargetText) {
  struct Case {
    ImportKinds kinds;
    const wchar_t* text;
  } cases[] = {
      {{true, true, true, true}, L"番組表 競走成績・払戻 グレード・開催情報 レーサー期別成績"},
      {{false, false, false, true}, L"レーサー期別成績"},
      {{true, true, false, false}, L"番組表 競走成績・払戻 "},
      {{false, false, true, false}, L"グレード・開催情報 "},
      {{true, true, true, true, true}, L"番組表 競走成績・払戻 グレード・開催情報 レーサー期別成績 直前情報・オッズ"},
      {{true, false, false, false, true}, L"番組表 直前情報・オッズ"},
      {{false, false, false, false, true}, L"直前情報・オッズ"},
  };
  for (const Case& c : cases) EXPECT_EQ(ImportTargetText(c.kinds), c.text);
  EXPECT_FALSE(ImportKinds().Any());
  EXPECT_TRUE((ImportKinds{false, false, false, false, true}.Any()));
}

TEST(ImportTextsTest, QuestionSaysHowLongTheRaceDayPagesTake) {
  ImportKinds kinds{true, false, false, false, true};
  EXPECT_EQ(ImportQuestionText(Day(2024, 3, 1), Day(2024, 3, 3), kinds),
            L"データを取り込みますか?\r\n\r\n期間: 2024/03/01 ～ 2024/03/03(3日分)\r\n"
            L"対象: 番組表 直前情報・オッズ\r\n\r\n"
            L"公式サイトから順に取得します。1年分でおよそ20〜30分かかります。\r\n"
            L"直前情報・オッズは1レースにつき6ページを取得します(1日分・約150レースでおよそ8分、3日分でおよそ24分)。");
}

TEST(ImportTextsTest, QuestionOrdersTheDays) {
  ImportKinds all{true, true, true, true};
  const std::wstring expected =
      L"データを取り込みますか?\r\n\r\n期間: 2024/03/01 ～ 2024/03/10(10日分)\r\n"
      L"対象: 番組表 競走成績・払戻 グレード・開催情報 レーサー期別成績\r\n\r\n"
      L"公式サイトから順に取得します。1年分でおよそ20〜30分かかります。";
  EXPECT_EQ(ImportQuestionText(Day(2024, 3, 10), Day(2024, 3, 1), all), expected);
  EXPECT_EQ(ImportQuestionText(Day(2024, 3, 1), Day(2024, 3, 10), all), expected);
  EXPECT_EQ(ImportDayCount(Day(2024, 3, 5), Day(2024, 3, 5)), 1);
  EXPECT_EQ(ImportDayCount(Day(2023, 1, 1), Day(2023, 12, 31)), 365);
}

TEST(ImportTextsTest, Reports) {
  ImportOutcome failed;
  failed.error = L"データベースを開けません: disk I/O error";
  EXPECT_EQ(ImportReportText(failed),
            L"取込に失敗しました。\r\nデータベースを開けません: disk I/O error");

  ImportOutcome done;
  done.ok = true;
  done.downloaded = 2;
  done.existing = 3;
  done.unavailable = 1;
  done.importedFiles = 2;
  done.gradeDays = 1;
  done.racerFiles = 1;
  const std::wstring counters =
      L"\r\n\r\nダウンロード: 2件 / 保存済みを利用: 3件 / 取得できず: 1件\r\n"
      L"取り込んだファイル: 2件 / 開催情報: 1日分 / 期別成績: 1ファイル";
  EXPECT_EQ(ImportReportText(done), L"取込が完了しました。" + counters);

  ImportOutcome pages = done;
  pages.racePages = 72;
  pages.racesUnavailable = 1;
  EXPECT_EQ(ImportReportText(pages),
            L"取込が完了しました。" + counters + L"\r\n直前情報・オッズ: 72ページ / 揃わなかったレース: 1件");

  done.cancelled = true;
  done.log = L"開催情報の取得失敗: 2024-03-01 timeout\r\n";
  EXPECT_EQ(ImportReportText(done), L"取込を中止しました(取り込んだ分は保存されています)。" +
                                        counters + L"\r\n\r\n開催情報の取得失敗: 2024-03-01 timeout\r\n");
}

TEST(ImportTextsTest, HeadlineSaysWhenNothingWasTakenIn) {
  struct Case {
    bool cancelled;
    int unavailable, imported, grade_days, racer_files;
    const wchar_t* head;
  } cases[] = {
      {false, 30, 0, 0, 0, L"取込が完了しました(取り込めたファイルはありません)。"},
      {false, 29, 1, 0, 0, L"取込が完了しました。"},
      {false, 30, 0, 1, 0, L"取込が完了しました。"},
      {false, 2, 0, 0, 1, L"取込が完了しました。"},
      {false, 0, 0, 0, 0, L"取込が完了しました。"},  // everything was imported before
      {true, 30, 0, 0, 0, L"取込を中止しました(取り込んだ分は保存されています)。"},
  };
  for (const Case& c : cases) {
    ImportOutcome outcome;
    outcome.ok = true;
    outcome.cancelled = c.cancelled;
    outcome.unavailable = c.unavailable;
    outcome.importedFiles = c.imported;
    outcome.gradeDays = c.grade_days;
    outcome.racerFiles = c.racer_files;
    EXPECT_EQ(ImportHeadline(outcome), c.head) << c.unavailable << " " << c.imported;
    EXPECT_EQ(ImportReportText(outcome).rfind(std::wstring(c.head) + L"\r\n\r\n", 0), 0u);
  }
}

TEST(ImportTextsTest, ReportBoxKeepsTwentyLogLines) {
  ImportOutcome outcome;
  outcome.ok = true;
  outcome.unavailable = 23;
  std::wstring lines[23];
  for (int i = 0; i < 23; ++i) {
    lines[i] = L"開催情報の取得失敗: 2023-09-" + std::to_wstring(10 + i) + L" HTTP 404 が返されました。";
  }
  const std::wstring head =
      L"取込が完了しました(取り込めたファイルはありません)。\r\n\r\n"
      L"ダウンロード: 0件 / 保存済みを利用: 0件 / 取得できず: 23件\r\n"
      L"取り込んだファイル: 0件 / 開催情報: 0日分 / 期別成績: 0ファイル\r\n";
  struct Case {
    int log_lines;
    const wchar_t* file;
    bool written;
    int shown;
    const wchar_t* tail;
  } cases[] = {
      {23, L"C:\\data\\取込記録_20230901_101500.txt", true, 20,
       L"\r\nほか 3 件\r\n\r\nすべての記録: C:\\data\\取込記録_20230901_101500.txt"},
      {21, L"C:\\data\\x.txt", true, 20, L"\r\nほか 1 件\r\n\r\nすべての記録: C:\\data\\x.txt"},
      {20, L"C:\\data\\x.txt", true, 20, L"\r\n\r\nすべての記録: C:\\data\\x.txt"},
      {2, L"C:\\ro\\x.txt", false, 2, L"\r\n\r\n記録ファイルを保存できませんでした: C:\\ro\\x.txt"},
  };
  for (const Case& c : cases) {
    outcome.log.clear();
    for (int i = 0; i < c.log_lines; ++i) outcome.log += lines[i] + L"\r\n";
    std::wstring expected = head;
    for (int i = 0; i < c.shown; ++i) expected += L"\r\n" + lines[i];
    expected += c.tail;
    EXPECT_EQ(ImportReportBoxText(outcome, c.file, c.written), expected) << c.log_lines;
  }
  // Without a log the box is the whole report; a run that could not start
  // keeps its two lines.
  outcome.log.clear();
  EXPECT_EQ(ImportReportBoxText(outcome, L"", true), ImportReportText(outcome));
  ImportOutcome failed;
  failed.error = L"disk I/O error";
  EXPECT_EQ(ImportReportBoxText(failed, L"", true), L"取込に失敗しました。\r\ndisk I/O error");
}

TEST(ImportTextsTest, ReportBoxWithFewerLines) {
  ImportOutcome outcome;
  outcome.ok = true;
  outcome.log = L"a\r\nb\r\nc\r\nd\r\ne\r\n";
  std::wstring box = ImportReportBoxText(outcome, L"f.txt", true, 3);
  EXPECT_NE(box.find(L"\r\n\r\na\r\nb\r\nc\r\nほか 2 件\r\n\r\nすべての記録: f.txt"), std::wstring::npos);
}

TEST(ImportTextsTest, ReportFileName) {
  EXPECT_EQ(ImportReportFileName(2023, 9, 1, 7, 5, 3), L"取込記録_20230901_070503.txt");
}

}  // namespace
}  // namespace wakelore
