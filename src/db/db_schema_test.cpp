#include "db/db_schema.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/schema_script.h"
#include "platform/files.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

std::vector<std::wstring> Column(DbManager& db, const std::wstring& sql, const std::wstring& name) {
  std::vector<DbRow> rows;
  EXPECT_TRUE(db.QueryRows(sql, &rows)) << testing::PrintToString(db.LastError());
  std::vector<std::wstring> values;
  for (const DbRow& row : rows) values.push_back(DbRowValue(row, name));
  return values;
}

std::vector<std::wstring> ColumnsOf(DbManager& db, const std::wstring& table) {
  return Column(db, L"PRAGMA table_info(" + table + L");", L"name");
}

std::wstring Scalar(DbManager& db, const std::wstring& sql) {
  std::vector<std::wstring> v = Column(db, sql, L"v");
  return v.empty() ? L"(no row)" : v.front();
}

// Everything that describes the file's layout and master data, for
// comparing two preparations.
std::vector<std::wstring> Snapshot(DbManager& db) {
  std::vector<std::wstring> all =
      Column(db, L"SELECT type || ' ' || name || ' ' || IFNULL(sql, '') AS v FROM sqlite_master "
                 L"ORDER BY type, name;",
             L"v");
  for (const std::wstring& s :
       Column(db, L"SELECT id || '|' || code || '|' || name || '|' || water_type || '|' || "
                  L"in_advantage || '|' || memo AS v FROM stadiums ORDER BY id;",
              L"v")) {
    all.push_back(s);
  }
  all.push_back(Scalar(db, L"SELECT COUNT(*) AS v FROM prediction_settings;"));
  return all;
}

const std::vector<std::wstring> kTables = {
    L"boats", L"data_files", L"live_odds", L"motors", L"odds", L"prediction_results",
    L"prediction_settings", L"race_entries", L"race_result_entries", L"race_results", L"racer_period_course_stats",
    L"racer_period_stats", L"racers", L"races", L"stadium_days", L"stadiums"};

const std::vector<std::wstring> kIndexes = {
    L"ix_live_odds_race", L"ix_race_entries_race", L"ix_races_date", L"ix_races_stadium_date",
    L"ix_result_entries_finish", L"ix_result_entries_register",
    L"ix_result_entries_register_course", L"ux_boats_stadium_no", L"ux_data_files_path",
    L"ux_motors_stadium_no", L"ux_odds_key", L"ux_race_entries_key", L"ux_race_results_race",
    L"ux_races_key", L"ux_result_entries_race_frame"};

const std::vector<std::wstring> kEntryExtras = {
    L"class_name", L"branch", L"age", L"weight", L"national_win_rate", L"national_quinella_rate",
    L"local_win_rate", L"local_quinella_rate", L"motor_no", L"motor_quinella_rate", L"boat_no",
    L"boat_quinella_rate", L"current_results"};

std::vector<std::wstring> Concat(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class DbSchemaTest : public testing::Test {
 protected:
  test::TempDir dir_;
  std::wstring path_ = dir_.File(L"wakelore.db");
  DbManager db_;
  DbSchema schema_{db_};
};

TEST_F(DbSchemaTest, ScriptHasThirtyStatements) {
  const std::wstring& script = SchemaScript();
  size_t statements = 0;
  for (wchar_t c : script) statements += (c == L';');
  EXPECT_EQ(statements, 30u);
}

TEST_F(DbSchemaTest, NewFileGetsEveryTableIndexAndMasterRow) {
  ASSERT_TRUE(schema_.InitializeDatabase(path_)) << testing::PrintToString(schema_.LastError());
  EXPECT_EQ(Column(db_, L"SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;", L"name"),
            kTables);
  EXPECT_EQ(Column(db_, L"SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL "
                        L"ORDER BY name;",
                   L"name"),
            kIndexes);

  EXPECT_EQ(ColumnsOf(db_, L"races"),
            (std::vector<std::wstring>{L"id", L"race_date", L"stadium_id", L"race_no", L"title",
                                       L"grade", L"distance", L"weather", L"wind_direction",
                                       L"wind_condition", L"wind_speed", L"wave_height",
                                       L"tide_condition", L"current_speed", L"deadline_time",
                                       L"live_updated_at", L"series_title", L"day_label"}));
  EXPECT_EQ(ColumnsOf(db_, L"race_entries"),
            Concat({L"id", L"race_id", L"frame_no", L"racer_id", L"motor_id", L"boat_id",
                    L"course_no", L"exhibition_time", L"tilt", L"start_exhibition",
                    L"current_score", L"comment"},
                   kEntryExtras));
  EXPECT_EQ(ColumnsOf(db_, L"odds").back(), L"popularity");
  EXPECT_EQ(ColumnsOf(db_, L"race_result_entries").back(), L"finish_mark");
  EXPECT_EQ(ColumnsOf(db_, L"live_odds"),
            (std::vector<std::wstring>{L"id", L"race_id", L"bet_type", L"combination", L"odds_value",
                                       L"fetched_at", L"odds_high", L"official_time", L"is_final"}));
  EXPECT_EQ(ColumnsOf(db_, L"stadium_days").front(), L"race_date");
  EXPECT_EQ(ColumnsOf(db_, L"racer_period_stats").size(), 34u);
  EXPECT_EQ(ColumnsOf(db_, L"racer_period_course_stats").size(), 23u);

  // The period tables carry the keys their importer upserts on.
  EXPECT_TRUE(db_.Exec(L"INSERT INTO racer_period_stats (register_no, period_year, period_term, name) "
                       L"VALUES ('4444', 2024, 1, 'a') ON CONFLICT(register_no, period_year, period_term) "
                       L"DO UPDATE SET name=excluded.name;"))
      << testing::PrintToString(db_.LastError());
  EXPECT_TRUE(db_.Exec(L"INSERT INTO racer_period_course_stats (register_no, period_year, period_term, "
                       L"course_no) VALUES ('4444', 2024, 1, 1) ON CONFLICT(register_no, period_year, "
                       L"period_term, course_no) DO NOTHING;"))
      << testing::PrintToString(db_.LastError());

  EXPECT_EQ(Column(db_, L"SELECT id || ' ' || code || ' ' || name || ' ' || water_type || ' ' || "
                        L"printf('%.2f', in_advantage) || ' ' || memo AS v FROM stadiums ORDER BY id;",
                   L"v"),
            (std::vector<std::wstring>{
                L"1 KRY 桐生 淡水 0.78 ナイター開催が多い", L"2 TDA 戸田 淡水 0.70 水面が狭く展開差に注意",
                L"3 EDG 江戸川 河川 0.62 潮と風の影響が大きい", L"4 HWJ 平和島 海水 0.69 風向きによる波乱に注意",
                L"5 TMG 多摩川 淡水 0.74 広めの静水面", L"6 HMN 浜名湖 汽水 0.73 広い水面",
                L"7 GMG 蒲郡 汽水 0.77 ナイター", L"8 TKN 常滑 海水 0.75 イン安定寄り",
                L"9 TSU 津 淡水 0.74 1Mの攻防重視", L"10 MKN 三国 淡水 0.76 朝条件差に注意",
                L"11 BWK びわこ 淡水 0.72 湖面風に注意", L"12 SME 住之江 淡水 0.80 イン評価高め",
                L"13 AMG 尼崎 淡水 0.78 堅め決着も多い", L"14 NRT 鳴門 海水 0.71 潮位影響を確認",
                L"15 MRG 丸亀 海水 0.76 ナイター", L"16 KJM 児島 海水 0.74 潮と風を確認",
                L"17 MYJ 宮島 海水 0.73 干満差に注意", L"18 TKY 徳山 海水 0.79 イン傾向強め",
                L"19 SMN 下関 海水 0.77 ナイター", L"20 WKM 若松 海水 0.76 ナイター",
                L"21 ASY 芦屋 淡水 0.78 モーニング", L"22 FKO 福岡 海水 0.66 うねり注意",
                L"23 KRT 唐津 淡水 0.77 モーニング", L"24 OMR 大村 海水 0.82 イン傾向強め"}));

  EXPECT_EQ(Scalar(db_, L"SELECT id || ' ' || name || ' ' || weight_frame_advantage || ' ' || "
                        L"weight_national_win || ' ' || weight_local_win || ' ' || weight_motor || ' ' || "
                        L"weight_boat || ' ' || weight_avg_st || ' ' || weight_exhibition || ' ' || "
                        L"weight_weather || ' ' || weight_recent_score || ' ' || risk_preference || ' ' || "
                        L"is_default AS v FROM prediction_settings;"),
            L"1 標準 1.3 1.0 0.8 1.1 0.7 0.9 0.9 0.5 0.8 1 1");
}

TEST_F(DbSchemaTest, OlderLayoutIsUpgradedInPlaceAndSecondPreparationChangesNothing) {
  {
    DbManager old;
    ASSERT_TRUE(old.OpenReadWrite(path_));
    // The races and race_entries of the first layout, with a row each.
    ASSERT_TRUE(old.Exec(
        L"CREATE TABLE races (id INTEGER PRIMARY KEY,race_date TEXT,stadium_id INTEGER,race_no INTEGER,"
        L"title TEXT,grade TEXT,distance INTEGER,weather TEXT,wind_direction TEXT,wind_speed REAL,"
        L"wave_height REAL,deadline_time TEXT);"
        L"CREATE TABLE race_entries (id INTEGER PRIMARY KEY,race_id INTEGER,frame_no INTEGER,"
        L"racer_id INTEGER,motor_id INTEGER,boat_id INTEGER,course_no INTEGER,exhibition_time REAL,"
        L"tilt REAL,start_exhibition REAL,current_score REAL,comment TEXT);"
        L"CREATE TABLE odds (id INTEGER PRIMARY KEY,race_id INTEGER,bet_type TEXT,combination TEXT,"
        L"odds_value REAL,updated_at TEXT);"
        L"CREATE TABLE live_odds (id INTEGER PRIMARY KEY,race_id INTEGER,bet_type TEXT,combination TEXT,"
        L"odds_value REAL,fetched_at TEXT);"
        L"INSERT INTO live_odds (race_id, bet_type, combination, odds_value, fetched_at) "
        L"VALUES (1, '3連単', '1-2-3', 12.5, '2020-05-01 10:00:00');"
        L"INSERT INTO races (race_date, stadium_id, race_no, title) VALUES ('2020-05-01', 12, 3, '古い');"
        L"INSERT INTO race_entries (race_id, frame_no, comment) VALUES (1, 2, '残る');"));
  }
  ASSERT_TRUE(schema_.InitializeDatabase(path_)) << testing::PrintToString(schema_.LastError());
  EXPECT_EQ(ColumnsOf(db_, L"races"),
            (std::vector<std::wstring>{L"id", L"race_date", L"stadium_id", L"race_no", L"title",
                                       L"grade", L"distance", L"weather", L"wind_direction",
                                       L"wind_speed", L"wave_height", L"deadline_time",
                                       L"wind_condition", L"tide_condition", L"current_speed",
                                       L"live_updated_at", L"series_title", L"day_label"}));
  EXPECT_EQ(ColumnsOf(db_, L"race_entries"),
            Concat({L"id", L"race_id", L"frame_no", L"racer_id", L"motor_id", L"boat_id",
                    L"course_no", L"exhibition_time", L"tilt", L"start_exhibition",
                    L"current_score", L"comment"},
                   kEntryExtras));
  EXPECT_EQ(ColumnsOf(db_, L"odds").back(), L"popularity");
  EXPECT_EQ(Scalar(db_, L"SELECT title || ' ' || typeof(current_speed) || ' ' || current_speed AS v "
                        L"FROM races;"),
            L"古い real 0.0");
  EXPECT_EQ(Scalar(db_, L"SELECT comment AS v FROM race_entries;"), L"残る");
  // An odds snapshot of the first layout keeps its values; the appended
  // columns are empty for it.
  EXPECT_EQ(Scalar(db_, L"SELECT bet_type || ' ' || combination || ' ' || odds_value || ' ' || fetched_at || ' ' "
                        L"|| quote(odds_high) || quote(official_time) || quote(is_final) AS v FROM live_odds;"),
            L"3連単 1-2-3 12.5 2020-05-01 10:00:00 NULLNULLNULL");
  EXPECT_EQ(Column(db_, L"SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;", L"name"),
            kTables);

  const std::vector<std::wstring> before = Snapshot(db_);
  DbManager again_db;
  DbSchema again(again_db);
  ASSERT_TRUE(again.InitializeDatabase(path_)) << testing::PrintToString(again.LastError());
  EXPECT_EQ(Snapshot(again_db), before);
}

TEST_F(DbSchemaTest, ColumnInOtherLetterCaseIsNotAddedAgain) {
  {
    DbManager old;
    ASSERT_TRUE(old.OpenReadWrite(path_));
    ASSERT_TRUE(old.Exec(L"CREATE TABLE races (id INTEGER PRIMARY KEY, race_date TEXT, stadium_id INTEGER, "
                         L"race_no INTEGER, WIND_CONDITION TEXT, Series_Title TEXT);"));
  }
  ASSERT_TRUE(schema_.InitializeDatabase(path_)) << testing::PrintToString(schema_.LastError());
  EXPECT_EQ(ColumnsOf(db_, L"races"),
            (std::vector<std::wstring>{L"id", L"race_date", L"stadium_id", L"race_no",
                                       L"WIND_CONDITION", L"Series_Title",
                                       L"tide_condition", L"current_speed", L"live_updated_at",
                                       L"day_label"}));
}

TEST_F(DbSchemaTest, StadiumEditsSurviveAndDeletedRowsComeBack) {
  ASSERT_TRUE(schema_.InitializeDatabase(path_));
  ASSERT_TRUE(db_.Exec(L"UPDATE stadiums SET memo = '手で直した' WHERE id = 5;"
                       L"UPDATE prediction_settings SET weight_boat = 9.5, name = 'x' WHERE id = 1;"));
  ASSERT_TRUE(schema_.InitializeDatabase(path_));
  EXPECT_EQ(Scalar(db_, L"SELECT memo AS v FROM stadiums WHERE id = 5;"), L"手で直した");
  EXPECT_EQ(Scalar(db_, L"SELECT name || ' ' || weight_boat AS v FROM prediction_settings;"),
            L"標準 0.7");

  ASSERT_TRUE(db_.Exec(L"DELETE FROM stadiums;"));
  ASSERT_TRUE(schema_.InitializeDatabase(path_));
  EXPECT_EQ(Scalar(db_, L"SELECT COUNT(*) || ' ' || MIN(code) || ' ' || MAX(id) AS v FROM stadiums;"),
            L"24 AMG 24");
}

TEST_F(DbSchemaTest, LoadStadiumsReadsTableOrFallsBack) {
  ASSERT_TRUE(schema_.InitializeDatabase(path_));
  ASSERT_TRUE(db_.Exec(L"UPDATE stadiums SET in_advantage = 0.5, name = '桐生X' WHERE id = 1;"));
  std::vector<StadiumInfo> loaded = schema_.LoadStadiums();
  ASSERT_EQ(loaded.size(), 24u);
  EXPECT_EQ(loaded[0].id, 1);
  EXPECT_EQ(loaded[0].code, L"KRY");
  EXPECT_EQ(loaded[0].name, L"桐生X");
  EXPECT_EQ(loaded[0].water_type, L"淡水");
  EXPECT_DOUBLE_EQ(loaded[0].in_advantage, 0.5);
  EXPECT_EQ(loaded[23].id, 24);
  EXPECT_EQ(loaded[23].memo, L"イン傾向強め");
  EXPECT_DOUBLE_EQ(loaded[23].in_advantage, 0.82);

  // An unreadable number gives 0 rather than failing the list.
  ASSERT_TRUE(db_.Exec(L"UPDATE stadiums SET in_advantage = 'abc' WHERE id = 2;"));
  EXPECT_DOUBLE_EQ(schema_.LoadStadiums()[1].in_advantage, 0.0);

  ASSERT_TRUE(db_.Exec(L"DELETE FROM stadiums;"));
  DbManager read_only;
  ASSERT_TRUE(read_only.OpenReadOnly(path_));
  DbSchema reader(read_only);
  std::vector<StadiumInfo> fallback = reader.LoadStadiums();
  ASSERT_EQ(fallback.size(), 24u);
  const double advantages[] = {0.68, 0.705, 0.73, 0.755, 0.78, 0.805};
  for (size_t i = 0; i < fallback.size(); ++i) {
    const StadiumInfo& s = fallback[i];
    EXPECT_EQ(s.id, static_cast<int32_t>(i + 1));
    EXPECT_EQ(s.code, (i < 9 ? L"S0" : L"S") + std::to_wstring(i + 1));
    EXPECT_EQ(s.name, StadiumMaster()[i].name);
    EXPECT_EQ(s.water_type, (s.id == 3 || s.id == 22) ? L"河川/海水" : L"淡水/海水");
    EXPECT_NEAR(s.in_advantage, advantages[i % 6], 1e-12);
    EXPECT_EQ(s.memo, L"フォールバックマスタ");
  }

  DbManager closed;
  DbSchema unopened(closed);
  EXPECT_EQ(unopened.LoadStadiums().size(), 24u);
  EXPECT_EQ(unopened.LoadStadiums()[0].code, L"S01");
}

TEST_F(DbSchemaTest, LatestDatesAndPeriod) {
  ASSERT_TRUE(schema_.InitializeDatabase(path_));
  int32_t year = -1, term = -1;
  EXPECT_FALSE(schema_.LatestRacerPeriod(&year, &term));
  EXPECT_EQ(year, 0);
  EXPECT_EQ(term, 0);
  EXPECT_EQ(schema_.LatestProgramDate(), L"");
  EXPECT_EQ(schema_.LatestResultDate(), L"");

  ASSERT_TRUE(db_.Exec(L"INSERT INTO races (race_date, stadium_id, race_no) VALUES "
                       L"('2024-03-01', 1, 1), ('2024-03-05', 2, 1), ('2024-02-28', 3, 1);"));
  EXPECT_EQ(schema_.LatestProgramDate(), L"2024-03-05");
  EXPECT_EQ(schema_.LatestResultDate(), L"") << "races without results have no result date";
  ASSERT_TRUE(db_.Exec(L"INSERT INTO race_results (race_id) VALUES (1), (3);"));
  EXPECT_EQ(schema_.LatestResultDate(), L"2024-03-01");

  ASSERT_TRUE(db_.Exec(L"INSERT INTO racer_period_stats (register_no, period_year, period_term) VALUES "
                       L"('1', 2023, 2), ('2', 2024, 1), ('3', 2022, 2);"));
  EXPECT_TRUE(schema_.LatestRacerPeriod(&year, &term));
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(term, 1);

  ASSERT_TRUE(db_.Exec(L"DELETE FROM racer_period_stats; INSERT INTO racer_period_stats "
                       L"(register_no, period_year, period_term) VALUES ('1', 2024, 0);"));
  EXPECT_FALSE(schema_.LatestRacerPeriod(&year, &term)) << "a period without a term is no period";
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(term, 0);
}

TEST_F(DbSchemaTest, FailuresKeepTheMessageOfTheLastFailingStep) {
  // Not a database: the open fails at once and the message says why.
  const std::wstring junk = dir_.File(L"junk.db");
  ASSERT_TRUE(WriteWholeFile(junk, std::string(4096, 'x')));
  EXPECT_FALSE(schema_.InitializeDatabase(junk));
  EXPECT_NE(schema_.LastError().find(L"not a database"), std::wstring::npos)
      << testing::PrintToString(schema_.LastError());
  EXPECT_FALSE(db_.IsOpen()) << "the open itself fails: no connection to a file that is no database";
  EXPECT_EQ(test::ReadFileBytes(junk), std::string(4096, 'x'));

  DbManager other_db;
  DbSchema other(other_db);
  EXPECT_FALSE(other.InitializeDatabase(dir_.File(L"missing") + kPathSeparator + L"x.db"));
  EXPECT_FALSE(other.LastError().empty());
  EXPECT_FALSE(other_db.IsOpen());

  // A schema script that fails half way (a view stands where a table is
  // indexed) skips the migrations but still seeds; the stadium seed fails
  // on the odd stadiums table and its message is the one kept.
  DbManager third_db;
  DbSchema third(third_db);
  const std::wstring odd = dir_.File(L"odd.db");
  {
    DbManager setup;
    ASSERT_TRUE(setup.OpenReadWrite(odd));
    ASSERT_TRUE(setup.Exec(L"CREATE TABLE stadiums (id INTEGER PRIMARY KEY, code TEXT);"
                           L"CREATE VIEW motors AS SELECT 1 AS stadium_id, 2 AS motor_no;"));
  }
  EXPECT_FALSE(third.InitializeDatabase(odd));
  EXPECT_NE(third.LastError().find(L"has no column named name"), std::wstring::npos)
      << testing::PrintToString(third.LastError());
  EXPECT_EQ(Scalar(third_db, L"SELECT COUNT(*) AS v FROM prediction_settings;"), L"1");
  EXPECT_EQ(Scalar(third_db, L"SELECT COUNT(*) AS v FROM sqlite_master WHERE name = 'stadium_days';"),
            L"0");
}

}  // namespace
}  // namespace wakelore
