#include "ui/dialog_backend.h"

#include <gtest/gtest.h>

#include "output/dataset_sql.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

int64_t Day(int year, int month, int day) { return test::LocalDay(year, month, day); }

TEST(DialogBackendTest, SelectionStatements) {
  SelectionInput input;
  input.key = L"program";
  input.from = Day(2024, 3, 10);  // pickers reversed
  input.to = Day(2024, 3, 1);
  input.stadiumId = 4;
  input.limit = 100;
  std::wstring sql, error;
  ASSERT_TRUE(BuildSelectionStatement(input, &sql, &error));
  EXPECT_EQ(sql, BuildDatasetSql(L"program", L"2024-03-01", L"2024-03-10", 4, 100));

  input.key = L"sql";
  input.customSql = L"  select * from races;;\r\n";
  ASSERT_TRUE(BuildSelectionStatement(input, &sql, &error));
  EXPECT_EQ(sql, L"SELECT * FROM (select * from races) LIMIT 100");
  input.limit = 0;
  ASSERT_TRUE(BuildSelectionStatement(input, &sql, &error));
  EXPECT_EQ(sql, L"select * from races");

  struct Refusal {
    const wchar_t* key;
    const wchar_t* text;
    const wchar_t* error;
  } refusals[] = {
      {L"sql", L"DELETE FROM races", L"読み取り専用の SELECT 文だけ実行できます。"},
      {L"sql", L"(SELECT 1)", L"読み取り専用の SELECT 文だけ実行できます。"},
      {L"sql", L"\r\n", L"SQLを入力してください。"},
      {L"", L"", L"出力条件を解釈できませんでした。"},  // nothing selected
  };
  for (const Refusal& r : refusals) {
    input.key = r.key;
    input.customSql = r.text;
    EXPECT_FALSE(BuildSelectionStatement(input, &sql, &error)) << r.text;
    EXPECT_EQ(error, r.error) << r.text;
    EXPECT_TRUE(sql.empty());
  }
}

TEST(DialogBackendTest, FreshDatabaseGivesMasterDataAndNoDates) {
  test::TempDir dir;
  DbManager db;
  std::wstring error;
  ASSERT_TRUE(OpenMainDatabase(&db, dir.File(L"data") + kPathSeparator + L"wakelore.db", &error))
      << error;
  std::vector<StadiumEntry> stadiums = LoadStadiumEntries(&db);
  ASSERT_EQ(stadiums.size(), 24u);
  EXPECT_EQ(stadiums[0].id, 1);
  EXPECT_EQ(stadiums[0].name, L"桐生");
  EXPECT_EQ(LatestResultDateText(&db), L"");
  EXPECT_EQ(LatestProgramDateText(&db), L"");
  int year = -1, term = -1;
  EXPECT_FALSE(LatestRacerPeriodOf(&db, &year, &term));
  EXPECT_EQ(year, 0);
}

}  // namespace
}  // namespace wakelore

namespace wakelore {
namespace {

TEST(DialogBackendTest, ExportTaskReports) {
  test::TempDir dir;
  const std::wstring db_path = dir.File(L"wakelore.db");
  {
    DbManager db;
    std::wstring error;
    ASSERT_TRUE(OpenMainDatabase(&db, db_path, &error)) << error;
  }
  ExportRequest request;
  request.databasePath = db_path;
  request.sql = L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25000) "
                L"SELECT i AS 番号 FROM n";
  request.path = dir.File(L"out.csv");
  request.format = 0;
  request.sheetName = L"SQL";

  std::vector<int64_t> reports;
  auto keep_going = [&](int64_t rows) {
    reports.push_back(rows);
    return true;
  };
  EXPECT_EQ(RunExportTask(request, keep_going), L"25000 行を出力しました。\r\n" + request.path);
  EXPECT_EQ(reports, (std::vector<int64_t>{10000, 20000}));
  EXPECT_TRUE(PathExists(request.path));

  // Cancelled at the first report: the exporter's own message, no file left.
  request.path = dir.File(L"cancelled.csv");
  EXPECT_EQ(RunExportTask(request, [](int64_t) { return false; }),
            L"出力できませんでした。\r\n中止しました。");
  EXPECT_FALSE(PathExists(request.path));

  // No rows: the no-data sentence follows the count.
  request.sql = L"SELECT 1 AS x WHERE 0";
  request.path = dir.File(L"empty.tsv");
  request.format = 2;
  EXPECT_EQ(RunExportTask(request, keep_going),
            L"0 行を出力しました。\r\n" + request.path +
                L"\r\n\r\n該当するデータがありませんでした。期間・場の指定、または取込状況をご確認ください。");

  request.databasePath = dir.File(L"missing.db");
  std::wstring report = RunExportTask(request, keep_going);
  EXPECT_EQ(report.rfind(L"データベースを開けませんでした。\r\n", 0), 0u) << Utf16ToUtf8(report);
}

}  // namespace
}  // namespace wakelore

#include "tests/support/official_server.h"

namespace wakelore {
namespace {

using ImportTaskTest = test::OfficialServerTest;

// Days the stand-in server has no archive for: the report names a file in
// the report folder that holds the whole report.
TEST_F(ImportTaskTest, ReportWithALogGoesToAFileTheBoxNames) {
  test::TempDir dir;
  ImportRequest request;
  request.databasePath = dir.File(L"wakelore.db");
  request.downloadFolder = dir.File(L"download");
  request.reportFolder = dir.File(L"data");
  request.fromDate = test::LocalDay(2023, 8, 1);
  request.toDate = test::LocalDay(2023, 8, 3);
  request.kinds.programs = true;
  std::wstring box = RunImportTask(request, [](int32_t, int32_t, const std::wstring&) { return true; });
  EXPECT_EQ(box.rfind(L"取込が完了しました(取り込めたファイルはありません)。\r\n", 0), 0u) << Utf16ToUtf8(box);
  const std::wstring named = L"すべての記録: ";
  size_t at = box.rfind(named);
  ASSERT_NE(at, std::wstring::npos) << Utf16ToUtf8(box);
  std::wstring path = box.substr(at + named.size());
  EXPECT_EQ(path.rfind(request.reportFolder + kPathSeparator + L"取込記録_", 0), 0u) << Utf16ToUtf8(path);
  std::string bytes = test::ReadFileBytes(path);
  ASSERT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u);
  std::string text = bytes.substr(3);
  // The file holds the box's text up to the line naming it, and every
  // missing archive.
  EXPECT_EQ(text.rfind(Utf16ToUtf8(box.substr(0, at - 4)), 0), 0u) << text;
  for (const char* day : {"2023-08-01", "2023-08-02", "2023-08-03"}) {
    EXPECT_NE(text.find(std::string("  ") + day + " \xE7\x95\xAA\xE7\xB5\x84\xE8\xA1\xA8\r\n"),
              std::string::npos)
        << day;  // "  YYYY-MM-DD 番組表"
  }
}

}  // namespace
}  // namespace wakelore

namespace wakelore {
namespace {

TEST(DialogBackendTest, RacesAndProgramDaysOfAPeriod) {
  test::TempDir dir;
  DbManager db;
  std::wstring error;
  ASSERT_TRUE(OpenMainDatabase(&db, dir.File(L"wakelore.db"), &error)) << error;
  // A program on 09-01, a result-only race (no class) on 09-03.
  ASSERT_TRUE(db.Exec(
      L"INSERT INTO races (id, race_date, stadium_id, race_no) VALUES (1, '2023-09-01', 1, 1), "
      L"(2, '2023-09-03', 1, 1);"
      L"INSERT INTO race_entries (race_id, frame_no, class_name) VALUES (1, 1, 'A1'), (2, 1, NULL);"));
  const int64_t aug31 = test::LocalDay(2023, 8, 31), sep1 = test::LocalDay(2023, 9, 1),
                sep3 = test::LocalDay(2023, 9, 3), sep4 = test::LocalDay(2023, 9, 4);
  EXPECT_TRUE(RacesBetween(&db, sep1, sep1));
  EXPECT_TRUE(RacesBetween(&db, sep4, aug31));  // reversed
  EXPECT_FALSE(RacesBetween(&db, sep4, sep4));
  EXPECT_EQ(LatestProgramDayBetween(&db, aug31, sep4), L"2023-09-01");
  EXPECT_EQ(LatestProgramDayBetween(&db, sep3, sep4), L"");
  DbManager closed;
  EXPECT_FALSE(RacesBetween(&closed, aug31, sep4));
}

}  // namespace
}  // namespace wakelore
