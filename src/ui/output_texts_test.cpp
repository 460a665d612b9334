#include "ui/output_texts.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace wakelore {
namespace {

TEST(OutputTextsTest, CustomSqlCheck) {
  const std::wstring kEmpty = L"SQLを入力してください。";
  const std::wstring kNotRead = L"読み取り専用の SELECT 文だけ実行できます。";
  struct Case {
    const wchar_t* text;
    bool ok;
    std::wstring trimmed_or_error;
  } cases[] = {
      {L"select * from races", true, L"select * from races"},
      {L" \r\n\tSELECT 1;\r\n ", true, L"SELECT 1;"},
      {L"WITH t AS (SELECT 1) SELECT * FROM t", true, L"WITH t AS (SELECT 1) SELECT * FROM t"},
      {L"values(1)", true, L"values(1)"},
      {L"Select\r\n1", true, L"Select\r\n1"},
      {L"(SELECT 1)", false, kNotRead},
      {L"DELETE FROM races", false, kNotRead},
      {L"SELECTX 1", false, kNotRead},
      {L"", false, kEmpty},
      {L" \r\n\t", false, kEmpty},
  };
  for (const Case& c : cases) {
    std::wstring trimmed, error;
    EXPECT_EQ(CheckCustomSql(c.text, &trimmed, &error), c.ok) << c.text;
    EXPECT_EQ(c.ok ? trimmed : error, c.trimmed_or_error) << c.text;
  }
}

TEST(OutputTextsTest, PreviewColumnWidths) {
  EXPECT_EQ(PreviewColumnWidth(L"開催日"), 62);
  EXPECT_EQ(PreviewColumnWidth(L"開催日付"), 76);
  EXPECT_EQ(PreviewColumnWidth(L"x"), 60);
  EXPECT_EQ(PreviewColumnWidth(L""), 60);
  EXPECT_EQ(PreviewColumnWidth(L"a_rather_long_column_alias"), 200);
  EXPECT_EQ(PreviewColumnWidth(std::wstring(100000, L'x')), 200);
  EXPECT_EQ(PreviewStatusText(100), L"プレビュー: 先頭 100 行を表示しています。");
  EXPECT_EQ(PreviewStatusText(0),
            L"該当するデータがありません(期間・場の指定、または取込状況をご確認ください)。");
}

TEST(OutputTextsTest, FormatsAndFileNames) {
  EXPECT_EQ(ExportFormatValueForIndex(0), 3);
  EXPECT_EQ(ExportFormatValueForIndex(1), 0);
  EXPECT_EQ(ExportFormatValueForIndex(2), 1);
  EXPECT_EQ(ExportFormatValueForIndex(3), 2);
  EXPECT_EQ(ExportFormatValueForIndex(-1), 3);

  LocalTime a, b;
  a.year = 2024; a.month = 3; a.day = 10;
  b.year = 2024; b.month = 3; b.day = 1;
  int64_t from = 0, to = 0;
  ASSERT_TRUE(FromLocalTime(a, &from));
  ASSERT_TRUE(FromLocalTime(b, &to));
  // The pickers' order is kept even when reversed.
  EXPECT_EQ(DefaultExportFileName(L"期別成績", true, from, to, L"xlsx"),
            L"Wakelore_期別成績_20240310-20240301.xlsx");
  EXPECT_EQ(DefaultExportFileName(L"SQL", false, from, to, L"csv"), L"Wakelore_SQL.csv");
  EXPECT_EQ(DefaultExportFileName(L"", true, from, to, L"tsv"), L"Wakelore_出力.tsv");
  EXPECT_EQ(SaveFilterText(L"csv"), L"CSV ファイル (*.csv)|*.csv|すべてのファイル (*.*)|*.*||");
}

TEST(OutputTextsTest, ExportReports) {
  EXPECT_EQ(ExportReportText(true, 1234, L"C:\\out.csv", false, L""),
            L"1234 行を出力しました。\r\nC:\\out.csv");
  EXPECT_EQ(ExportReportText(true, 1048575, L"C:\\a.xlsx", true, L""),
            L"1048575 行を出力しました。\r\nC:\\a.xlsx\r\n\r\n"
            L"Excel の1シートに入る行数(約104万行)を超えたため、そこで打ち切りました。\r\n"
            L"期間を分けるか、CSV で出力してください。");
  EXPECT_EQ(ExportReportText(true, 0, L"C:\\a.csv", false, L""),
            L"0 行を出力しました。\r\nC:\\a.csv\r\n\r\n"
            L"該当するデータがありませんでした。期間・場の指定、または取込状況をご確認ください。");
  EXPECT_EQ(ExportReportText(false, 10, L"C:\\a.csv", false, L"中止しました。"),
            L"出力できませんでした。\r\n中止しました。");
  EXPECT_EQ(ExportRowsText(20000), L"出力しています… 20000 行");
}

TEST(OutputTextsTest, DefinitionLinesForTheEditBox) {
  EXPECT_EQ(CrLfLines(L"CREATE TABLE t (\n  a,\r\n  b\r)"), L"CREATE TABLE t (\r\n  a,\r\n  b\r\n)");
  EXPECT_EQ(CrLfLines(L""), L"");
}

}  // namespace
}  // namespace wakelore
