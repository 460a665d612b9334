#include "dialog/dialog_backend.h"

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
  EXPECT_EQ(sql, L"SELECT * FROM (select * from races\n) LIMIT 100");
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

// The preview of "SQLを直接入力" runs on the dialog's own read-write
// connection: whatever the user types, it neither writes, attaches, changes
// the connection's settings nor creates files, and the connection keeps
// working for the dialog's own writes.
TEST(DialogBackendTest, PreviewOfTypedSqlCannotWriteOnTheDialogsConnection) {
  test::TempDir dir;
  DbManager db;
  std::wstring error;
  ASSERT_TRUE(OpenMainDatabase(&db, dir.File(L"wakelore.db"), &error)) << error;
  ASSERT_TRUE(db.Exec(L"INSERT INTO races (race_date, stadium_id, race_no) VALUES ('2023-09-01', 2, 1);"))
      << db.LastError();
  const std::wstring attached = dir.File(L"x.db");
  const std::wstring copy = dir.File(L"copy.db");
  const std::wstring typed[] = {
      L"ATTACH DATABASE " + SqlQuote(attached) + L" AS x",
      L"DELETE FROM races",
      L"SELECT 1; DELETE FROM races",
      L"PRAGMA query_only = ON",
      L"PRAGMA query_only = OFF",
      L"SAVEPOINT a",
      L"PRAGMA writable_schema = ON",
      L"VACUUM INTO " + SqlQuote(copy),
      L"SELECT load_extension('x')",
      L"WITH gone AS (SELECT 1) DELETE FROM races",
      L"select * from pragma_query_only(1)",
  };
  SelectionInput input;
  input.key = L"sql";
  input.limit = 1000;  // the preview's row limit
  for (const std::wstring& text : typed) {
    input.customSql = text;
    std::wstring sql;
    bool ran = BuildSelectionStatement(input, &sql, &error) &&
               db.Query(sql, nullptr, [](const std::vector<DbCell>&) { return true; });
    EXPECT_FALSE(ran) << testing::PrintToString(text);
    // The database layer refuses it by itself as well, without the
    // dialog's check of the first word.
    ran = db.Query(WrapCustomSql(text, 1000), nullptr, [](const std::vector<DbCell>&) { return true; });
    EXPECT_FALSE(ran) << testing::PrintToString(text);
  }
  EXPECT_FALSE(PathExists(attached));
  EXPECT_FALSE(PathExists(copy));
  EXPECT_FALSE(db.InTransaction());
  std::vector<DbRow> rows;
  ASSERT_TRUE(db.QueryRows(L"SELECT COUNT(*) AS n FROM races", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"n"), L"1");
  ASSERT_TRUE(db.QueryRows(L"PRAGMA database_list", &rows));
  EXPECT_EQ(rows.size(), 1u);
  ASSERT_TRUE(db.QueryRows(L"PRAGMA query_only", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"query_only"), L"0");
  EXPECT_TRUE(db.Exec(L"UPDATE races SET weather = '晴' WHERE race_no = 1;")) << db.LastError();

  // An ordinary statement previews.
  input.customSql = L"select race_date, stadium_id from races -- 日付と場";
  std::wstring sql;
  ASSERT_TRUE(BuildSelectionStatement(input, &sql, &error)) << error;
  int count = 0;
  EXPECT_TRUE(db.Query(sql, nullptr, [&](const std::vector<DbCell>&) { return ++count > 0; }))
      << db.LastError();
  EXPECT_EQ(count, 1);
}

TEST(DialogBackendTest, FileThatIsNoDatabaseFailsTheWindowsOpen) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"wakelore.db");
  const std::string junk(8192, 'j');
  ASSERT_TRUE(WriteWholeFile(path, junk));
  DbManager db;
  std::wstring error;
  EXPECT_FALSE(OpenMainDatabase(&db, path, &error));
  EXPECT_EQ(error, L"file is not a database");
  EXPECT_EQ(test::ReadFileBytes(path), junk);
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
