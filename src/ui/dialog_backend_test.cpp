#include "ui/dialog_backend.h"

#include <gtest/gtest.h>

#include "output/dataset_sql.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"
#include "ui/before_race_task.h"

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


class BeforeRaceCommandTest : public test::OfficialServerTest {};

// The window's ② on a race whose program is not in the database yet: the
// program first, then the six pages, every bet type stored and counted.
TEST_F(BeforeRaceCommandTest, StoresEveryBetTypeAndSaysHowManyRowsOfEach) {
  test::TempDir dir;
  DbManager db;
  std::wstring error;
  ASSERT_TRUE(OpenMainDatabase(&db, dir.File(L"wakelore.db"), &error)) << testing::PrintToString(error);
  BeforeRaceRequest request;
  request.databasePath = dir.File(L"wakelore.db");
  request.downloadFolder = dir.File(L"download");
  request.day = Day(2023, 9, 1);
  request.stadiumId = 7;
  request.stadiumName = L"蒲郡";
  request.raceNo = 1;
  std::vector<std::wstring> notes;
  const auto keep_going = [] { return false; };
  BeforeRaceOutcome outcome = RunBeforeRaceTask(
      request, [&notes](const std::wstring& text) { notes.push_back(text); }, keep_going);
  ASSERT_EQ(outcome.stop, BeforeRaceStop::kNone);
  EXPECT_EQ(notes, (std::vector<std::wstring>{kFetchingProgramText, kFetchingInfoText, kFetchingOddsText}));
  EXPECT_TRUE(outcome.infoFetched && outcome.hasExhibition && outcome.oddsFetched);
  EXPECT_EQ(outcome.oddsError, L"");
  EXPECT_EQ(outcome.oddsCount, 212);
  EXPECT_EQ(outcome.betRows, (std::array<int, 7>{120, 20, 30, 15, 15, 6, 6}));
  const std::wstring note = BeforeRaceNoteText(outcome);
  EXPECT_EQ(note.find(L"展示取得・気象取得・オッズ212点("), 0u);
  EXPECT_NE(note.find(L") 3連単120 3連複20 2連単30 2連複15 拡連複15 単勝6 複勝6"), std::wstring::npos) << note.size();
  std::vector<DbRow> rows;
  ASSERT_TRUE(db.QueryRows(L"SELECT COUNT(*) AS n, COUNT(DISTINCT fetched_at) AS t, MIN(is_final) AS f FROM live_odds;",
                           &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"n"), L"212");
  EXPECT_EQ(DbRowValue(rows[0], L"t"), L"1");
  EXPECT_EQ(DbRowValue(rows[0], L"f"), L"1") << "a past day's odds are final";

  // Again: the final odds are kept, nothing is added, the note says so.
  outcome = RunBeforeRaceTask(request, [](const std::wstring&) {}, keep_going);
  EXPECT_EQ(outcome.oddsCount, 0);
  EXPECT_EQ(BeforeRaceNoteText(outcome),
            L"展示取得・気象取得・オッズ保存済み 3連単保存済 3連複保存済 2連単保存済 2連複保存済 拡連複保存済 単勝保存済 複勝保存済");
  ASSERT_TRUE(db.QueryRows(L"SELECT COUNT(*) AS n FROM live_odds;", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"n"), L"212");
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
