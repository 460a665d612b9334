#include "output/dataset_sql.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "db/db_schema.h"
#include "output/datasets.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

std::vector<std::wstring> Words(const std::wstring& text) {
  std::wistringstream in(text);
  std::vector<std::wstring> words;
  for (std::wstring w; in >> w;) words.push_back(w);
  return words;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST(DatasetCatalogue, OrderAndLookup) {
  std::vector<std::wstring> keys;
  for (const DatasetInfo& d : Datasets()) keys.push_back(d.key);
  EXPECT_EQ(keys, Words(L"combined program result payout stadium_days live_info live_odds final_odds "
                        L"racer_period racer_course sql"));
  EXPECT_EQ(FindDataset(L"live_odds")->label, L"直前オッズ(全券種)");
  EXPECT_EQ(FindDataset(L"final_odds")->label, L"最終オッズ(全券種)");
  ASSERT_NE(FindDataset(L"racer_course"), nullptr);
  EXPECT_EQ(FindDataset(L"racer_course")->shortLabel, L"コース別成績");
  EXPECT_TRUE(FindDataset(L"racer_course")->usesPeriod);
  EXPECT_FALSE(FindDataset(L"racer_course")->usesStadium);
  EXPECT_FALSE(FindDataset(L"sql")->usesPeriod);
  EXPECT_EQ(FindDataset(L"combined")->label, L"結合データ(1行=1艇、出走表+結果+払戻)");
  EXPECT_EQ(FindDataset(L"SQL"), nullptr) << "keys are case-sensitive";
  EXPECT_EQ(FindDataset(L""), nullptr);
  for (const DatasetInfo& d : Datasets()) {
    EXPECT_EQ(d.label.find(L'（'), std::wstring::npos) << "parentheses are ASCII";
    EXPECT_FALSE(d.description.empty());
  }
}

TEST(DatasetSql, IsIsoDate) {
  for (const wchar_t* good : {L"2024-01-01", L"2024-13-45", L"0000-00-00"}) {
    EXPECT_TRUE(IsIsoDate(good)) << testing::PrintToString(std::wstring(good));
  }
  for (const wchar_t* bad : {L"2024-1-01", L"2024/01/01", L"2024-01-0a", L"", L"2024-01-011",
                             L"２０２４-01-01", L" 2024-01-01", L"2024-01-01 "}) {
    EXPECT_FALSE(IsIsoDate(bad)) << testing::PrintToString(std::wstring(bad));
  }
}

TEST(DatasetSql, FiltersAndLimits) {
  const std::wstring all = BuildDatasetSql(L"program", L"2024-01-01", L"2024-01-31", 0, 0);
  EXPECT_TRUE(Contains(all, L"r.race_date BETWEEN '2024-01-01' AND '2024-01-31' ORDER BY"));
  EXPECT_TRUE(EndsWith(all, L"ORDER BY r.race_date, r.stadium_id, r.race_no, e.frame_no"));
  EXPECT_FALSE(Contains(all, L"AND r.stadium_id"));

  const std::wstring one = BuildDatasetSql(L"program", L"2024-01-01", L"2024-01-31", 4, 100);
  EXPECT_TRUE(Contains(one, L"r.race_date BETWEEN '2024-01-01' AND '2024-01-31' AND r.stadium_id = 4 ORDER BY"));
  EXPECT_TRUE(EndsWith(one, L"e.frame_no LIMIT 100"));
  EXPECT_EQ(BuildDatasetSql(L"program", L"2024-01-01", L"2024-01-31", -3, -5), all);

  const std::wstring days = BuildDatasetSql(L"stadium_days", L"2024-01-01", L"2024-01-02", 12, 0);
  EXPECT_TRUE(Contains(days, L"WHERE sd.race_date BETWEEN '2024-01-01' AND '2024-01-02' AND sd.stadium_id = 12 ORDER BY"));
  EXPECT_FALSE(Contains(days, L"r.stadium_id"));
  EXPECT_TRUE(days.rfind(L"SELECT sd.race_date AS 開催日,", 0) == 0) << "no lead columns";

  const std::wstring period = BuildDatasetSql(L"racer_period", L"2019-04-01", L"2023-03-31", 5, 0);
  EXPECT_TRUE(Contains(period, L"WHERE p.period_year BETWEEN 2019 AND 2023 ORDER BY"));
  EXPECT_FALSE(Contains(period, L"stadium"));
  EXPECT_TRUE(Contains(BuildDatasetSql(L"racer_course", L"2019-04-01", L"2023-03-31", 5, 7),
                       L"WHERE c.period_year BETWEEN 2019 AND 2023 ORDER BY c.period_year, c.period_term, c.register_no, c.course_no LIMIT 7"));

  // The shape test lets an impossible month through unchanged.
  EXPECT_TRUE(Contains(BuildDatasetSql(L"result", L"2024-13-45", L"2024-13-46", 0, 0),
                       L"BETWEEN '2024-13-45' AND '2024-13-46'"));
  for (const wchar_t* bad : {L"2024-1-01", L"2024/01/01", L"2024-01-0a"}) {
    EXPECT_EQ(BuildDatasetSql(L"result", bad, L"2024-01-31", 0, 0), L"");
    EXPECT_EQ(BuildDatasetSql(L"result", L"2024-01-01", bad, 0, 0), L"");
  }
  for (const wchar_t* key : {L"sql", L"SQL", L"Program", L"", L"races"}) {
    EXPECT_EQ(BuildDatasetSql(key, L"2024-01-01", L"2024-01-31", 0, 0), L"")
        << testing::PrintToString(std::wstring(key));
  }
}

TEST(DatasetSql, WrapCustomSql) {
  struct Case { std::wstring in; int limit; std::wstring out; };
  const Case cases[] = {
      {L"  select * from races;;\r\n", 100, L"SELECT * FROM (select * from races\n) LIMIT 100"},
      {L"  select * from races;;\r\n", 0, L"select * from races"},
      {L"select 1; ;", -1, L"select 1"},
      {L"\u3000\tselect 'a;'\u3000\u00A0", 0, L"select 'a;'"},
      {L"select 1 ; \t;\n \r\n", 5, L"SELECT * FROM (select 1\n) LIMIT 5"},
      {L"", 10, L"SELECT * FROM (\n) LIMIT 10"},
      {L" ;; ", 0, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WrapCustomSql(c.in, c.limit), c.out) << testing::PrintToString(c.in);
  }
}

// A comment at the end of the user's text must not swallow the wrapper:
// each wrapped statement runs and is cut by its limit.
TEST(DatasetSql, WrappedStatementEndingInACommentRuns) {
  test::TempDir dir;
  DbManager db;
  ASSERT_TRUE(db.OpenReadWrite(dir.File(L"t.db")));
  ASSERT_TRUE(db.Exec(L"CREATE TABLE races (race_date TEXT); INSERT INTO races VALUES ('a'), ('b'), ('c');"));
  const std::wstring texts[] = {
      L"select race_date from races -- 日付",
      L"select race_date from races -- 日付;\r\n",
      L"select race_date from races /* 日付 */",
      L"select race_date -- 日付\nfrom races -- 最後",
  };
  for (const std::wstring& text : texts) {
    int rows = 0;
    EXPECT_TRUE(db.Query(WrapCustomSql(text, 2), nullptr, [&](const std::vector<DbCell>&) {
      ++rows;
      return true;
    })) << testing::PrintToString(text) << testing::PrintToString(db.LastError());
    EXPECT_EQ(rows, 2) << testing::PrintToString(text);
  }
}

// The headers every dataset must produce, in order.
const std::wstring kLead = L"開催日 場コード 場名 レース グレード グレード取得元 区分 時間帯 開催名 開催日目 レース名 距離 ";
const std::map<std::wstring, std::wstring> kHeaders = {
    {L"program", kLead + L"締切予定 枠 登録番号 選手名 級別 支部 年齢 体重 全国勝率 全国2連率 当地勝率 当地2連率 "
                         L"モーター モーター2連率 ボート ボート2連率 今節成績"},
    {L"result", kLead + L"天候 風向 風速m 波高cm 決まり手 着順 着順記号 枠 進入 ST 展示タイム レースタイム 登録番号 "
                        L"選手名 モーター ボート"},
    {L"payout", kLead + L"券種 組番 払戻金 人気"},
    {L"combined", kLead + L"締切予定 天候 風向 風速m 波高cm 決まり手 枠 登録番号 選手名 級別 支部 年齢 体重 全国勝率 "
                          L"全国2連率 当地勝率 当地2連率 モーター モーター2連率 ボート ボート2連率 今節成績 展示タイム "
                          L"進入 ST 着順 着順記号 レースタイム 単勝払戻 二連単組番 二連単払戻 三連単組番 三連単払戻 "
                          L"三連単人気"},
    {L"stadium_days", L"開催日 場コード 場名 グレード 区分 時間帯 開催名 開催期間 開催日目"},
    {L"live_info", kLead + L"取得日時 天候 風向 風の向き 風速m 波高cm 枠 登録番号 選手名 展示タイム チルト 進入 展示ST"},
    {L"live_odds", kLead + L"取得日時 組番 オッズ 券種 オッズ上限 更新時刻 確定"},
    {L"final_odds", kLead + L"券種 組番 最終オッズ オッズ上限 更新時刻 取得日時 払戻金 人気"},
    {L"racer_period", L"登録番号 選手名 読み 年 期 支部 級別 性別 年齢 身長 体重 血液型 勝率 二連率 出走回数 一着回数 "
                      L"二着回数 優出回数 優勝回数 平均ST 前期級別 前々期級別 前々々期級別 算出期間自 算出期間至 登録期 出身地"},
    {L"racer_course", L"登録番号 選手名 年 期 コース 進入回数 二連率 平均ST 平均スタート順位 一着 二着 三着 四着 五着 "
                      L"六着 F L0 L1 K0 K1 S0 S1 S2"},
};

// A prepared database; Fill() adds a small meeting with every kind of row.
class DatasetQueryTest : public testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"w.db"))) << testing::PrintToString(schema.LastError());
  }

  void Fill() {
    ASSERT_TRUE(db_.Exec(
        L"BEGIN;"
        L"INSERT INTO racers (id, register_no, name) VALUES (1, '4001', '峰　竜太'), (2, '4002', 'Taro Yamada');"
        // Race 1: official grade wins over the title; race 2: inferred G1;
        // race 3: a ボートピア anniversary (not G1); race 4: another stadium.
        L"INSERT INTO races (id, race_date, stadium_id, race_no, title, distance, weather, series_title, "
        L"day_label, live_updated_at, wind_condition) VALUES "
        L"(1, '2024-01-10', 12, 1, '予選', 1800, '晴', 'ボートレースクラシック', '初日', '2024-01-10 10:00:00', '追い風'),"
        L"(2, '2024-01-09', 12, 2, '予選', 1800, '曇', '開設６５周年記念競走', '', NULL, NULL),"
        L"(3, '2024-01-11', 12, 1, '一般', 1800, '雨', '開設５周年記念ボートピア杯', NULL, NULL, NULL),"
        L"(4, '2024-01-11', 4, 1, '予選', 1800, '晴', '', NULL, NULL, NULL),"
        L"(5, '2023-12-31', 12, 1, '前年', 1800, '晴', NULL, NULL, NULL, NULL);"
        L"INSERT INTO stadium_days (race_date, stadium_id, grade, category, time_zone, series_title, period_text, day_label) "
        L"VALUES ('2024-01-10', 12, 'G3', '女子戦', 'ナイター', '公式の開催名', '1/10-1/15', '2日目');"
        L"INSERT INTO race_entries (race_id, frame_no, racer_id, class_name, course_no, exhibition_time, tilt, "
        L"start_exhibition) VALUES (1, 1, 1, 'A1', 1, 6.71, -0.5, 0.0), (1, 2, 2, 'B1', 2, 6.80, 0.0, 0.12),"
        L"(2, 1, 1, 'A1', 1, 0, 0, 0), (3, 1, 2, 'B1', 1, 0, 0, 0), (4, 1, 1, NULL, 1, 0, 0, 0);"
        L"INSERT INTO race_result_entries (race_id, finish_order, frame_no, register_no, racer_name, "
        L"exhibition_time, course_no, start_timing, race_time, finish_mark) VALUES "
        L"(1, 1, 1, '4001', '峰　竜太', 6.71, 1, 0.11, '1.49.8', '01'),"
        L"(1, 0, 2, '4002', 'Taro Yamada', 0, 0, 0.0, '.  .', 'Ｆ');"
        L"INSERT INTO race_results (race_id, winning_technique) VALUES (1, '逃げ');"
        L"INSERT INTO odds (race_id, bet_type, combination, odds_value, popularity) VALUES "
        L"(1, '３連単', '1-2-3', 1230, 4), (1, '３連単', '1-3-2', 2500, 7), (1, '単勝', '1', 150, 1),"
        L"(1, '２連単', '1-2', 480, 0), (1, '拡連複', '1-2', 200, 2), (1, '複勝', '1', 110, 1);"
        // A snapshot before the deadline, then two final ones (the later wins).
        L"INSERT INTO live_odds (race_id, bet_type, combination, odds_value, fetched_at, odds_high, official_time, "
        L"is_final) VALUES "
        L"(1, '3連単', '1-2-3', 12.5, '2024-01-10 09:00:00', NULL, '9:00', 0),"
        L"(1, '2連単', '1-2', 3.1, '2024-01-10 09:00:00', NULL, '9:00', 0),"
        L"(1, '3連単', '1-2-3', 11.0, '2024-01-10 10:00:00', NULL, '締切時', 1),"
        L"(1, '3連単', '1-2-3', 10.5, '2024-01-10 11:00:00', NULL, '締切時', 1),"
        L"(1, '3連単', '1-3-2', 20.5, '2024-01-10 11:00:00', NULL, '締切時', 1),"
        L"(1, '3連単', '2-1-3', 30.5, '2024-01-10 11:00:00', NULL, '締切時', 1),"
        L"(1, '拡連複', '1-2', 1.2, '2024-01-10 11:00:00', 1.5, '締切時', 1),"
        L"(1, '単勝', '1', 1.4, '2024-01-10 11:00:00', NULL, '締切時', 1);"
        L"INSERT INTO racer_period_stats (register_no, period_year, period_term, name, gender) VALUES "
        L"('4001', 2024, 1, '峰 竜太', 1), ('4002', 2018, 2, 'x', 2);"
        L"INSERT INTO racer_period_course_stats (register_no, period_year, period_term, course_no) VALUES "
        L"('4001', 2024, 1, 1), ('4001', 2024, 1, 2), ('9999', 2024, 1, 1);"
        L"COMMIT;"))
        << testing::PrintToString(db_.LastError());
  }

  // Runs a dataset and returns the header and rows (cells joined by '|').
  bool Run(const std::wstring& key, int stadium, std::vector<std::wstring>* header,
           std::vector<std::wstring>* rows) {
    const std::wstring sql = BuildDatasetSql(key, L"2024-01-01", L"2024-12-31", stadium, 0);
    EXPECT_FALSE(sql.empty()) << testing::PrintToString(key);
    return db_.Query(
        sql, [&](const std::vector<std::wstring>& names) { *header = names; },
        [&](const std::vector<DbCell>& cells) {
          std::wstring line;
          for (size_t i = 0; i < cells.size(); ++i) line += (i ? L"|" : L"") + cells[i].text;
          rows->push_back(line);
          return true;
        });
  }

  // The value of column `name` in each row of `key`.
  std::vector<std::wstring> Values(const std::wstring& key, const std::wstring& name, int stadium = 0) {
    const std::wstring sql = BuildDatasetSql(key, L"2024-01-01", L"2024-12-31", stadium, 0);
    std::vector<std::wstring> names;
    std::vector<std::wstring> values;
    size_t column = 0;
    EXPECT_TRUE(db_.Query(
        sql,
        [&](const std::vector<std::wstring>& n) {
          names = n;
          column = std::find(n.begin(), n.end(), name) - n.begin();
        },
        [&](const std::vector<DbCell>& cells) {
          values.push_back(column < cells.size() ? cells[column].text : L"(no column)");
          return true;
        }))
        << testing::PrintToString(db_.LastError());
    return values;
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(DatasetQueryTest, EveryDatasetRunsWithItsHeadersOnEmptyAndFilledFiles) {
  for (int filled = 0; filled < 2; ++filled) {
    if (filled) Fill();
    for (const DatasetInfo& d : Datasets()) {
      if (d.key == L"sql") continue;
      for (int stadium : {0, 12}) {
        std::vector<std::wstring> header;
        std::vector<std::wstring> rows;
        ASSERT_TRUE(Run(d.key, stadium, &header, &rows))
            << testing::PrintToString(d.key) << testing::PrintToString(db_.LastError());
        EXPECT_EQ(header, Words(kHeaders.at(d.key))) << testing::PrintToString(d.key);
        EXPECT_EQ(rows.empty(), filled == 0) << testing::PrintToString(d.key) << " stadium " << stadium;
      }
    }
  }
}

TEST_F(DatasetQueryTest, FilledValues) {
  Fill();
  // Grades: official first, then inferred; the source says which.
  EXPECT_EQ(Values(L"program", L"グレード"), Words(L"G1 G3 G3 一般"));
  EXPECT_EQ(Values(L"program", L"グレード取得元"), Words(L"推定 公式 公式 推定"));
  EXPECT_EQ(Values(L"program", L"開催名"), Words(L"開設６５周年記念競走 公式の開催名 公式の開催名 開設５周年記念ボートピア杯"));
  EXPECT_EQ(Values(L"program", L"開催日目"), (std::vector<std::wstring>{L"", L"初日", L"初日", L""}))
      << "the race's own day label wins over the meeting's";
  EXPECT_EQ(Values(L"program", L"選手名"), Words(L"峰竜太 峰竜太 TaroYamada TaroYamada"));
  EXPECT_EQ(Values(L"program", L"枠", 4).size(), 0u) << "entries without a class are not program rows";
  EXPECT_EQ(Values(L"result", L"グレード", 4), std::vector<std::wstring>{}) << "stadium 4 has no results";

  EXPECT_EQ(Values(L"result", L"着順"), (std::vector<std::wstring>{L"", L"1"}))
      << "ordered by finish_order: the flying boat (0) first";
  EXPECT_EQ(Values(L"result", L"着順記号"), (std::vector<std::wstring>{L"Ｆ", L""}));
  EXPECT_EQ(Values(L"result", L"進入"), (std::vector<std::wstring>{L"", L"1"}));
  EXPECT_EQ(Values(L"result", L"ST"), (std::vector<std::wstring>{L"", L"0.11"}));
  EXPECT_EQ(Values(L"result", L"展示タイム"), (std::vector<std::wstring>{L"", L"6.71"}));
  EXPECT_EQ(Values(L"result", L"レースタイム"), (std::vector<std::wstring>{L"", L"1.49.8"}));
  EXPECT_EQ(Values(L"result", L"決まり手"), (std::vector<std::wstring>{L"逃げ", L"逃げ"}));

  EXPECT_EQ(Values(L"payout", L"券種"), Words(L"単勝 複勝 2連単 拡連複 3連単 3連単"));
  EXPECT_EQ(Values(L"payout", L"払戻金"), Words(L"150 110 480 200 1230 2500"));
  EXPECT_EQ(Values(L"payout", L"人気"), (std::vector<std::wstring>{L"1", L"1", L"", L"2", L"4", L"7"}));

  // One row per boat; the payouts take the larger of a dead heat.
  EXPECT_EQ(Values(L"combined", L"三連単組番"), (std::vector<std::wstring>{L"", L"1-3-2", L"1-3-2", L""}));
  EXPECT_EQ(Values(L"combined", L"三連単払戻"), (std::vector<std::wstring>{L"", L"2500", L"2500", L""}));
  EXPECT_EQ(Values(L"combined", L"三連単人気"), (std::vector<std::wstring>{L"", L"7", L"7", L""}));
  EXPECT_EQ(Values(L"combined", L"単勝払戻"), (std::vector<std::wstring>{L"", L"150", L"150", L""}));
  EXPECT_EQ(Values(L"combined", L"二連単組番"), (std::vector<std::wstring>{L"", L"1-2", L"1-2", L""}));
  EXPECT_EQ(Values(L"combined", L"着順"), (std::vector<std::wstring>{L"", L"1", L"", L""}));

  EXPECT_EQ(Values(L"stadium_days", L"場名"), Words(L"住之江"));
  EXPECT_EQ(Values(L"stadium_days", L"場名", 4).size(), 0u);
  EXPECT_EQ(Values(L"live_info", L"風の向き"), Words(L"追い風 追い風"));
  EXPECT_EQ(Values(L"live_info", L"展示ST"), (std::vector<std::wstring>{L"", L"0.12"}));
  EXPECT_EQ(Values(L"live_odds", L"オッズ"), Words(L"3.1 12.5 11.0 1.4 1.2 10.5 20.5 30.5"))
      << "every bet type, by fetch time and bet type";
  EXPECT_EQ(Values(L"live_odds", L"券種"), Words(L"2連単 3連単 3連単 単勝 拡連複 3連単 3連単 3連単"));
  EXPECT_EQ(Values(L"live_odds", L"オッズ上限"), (std::vector<std::wstring>{L"", L"", L"", L"", L"1.5", L"", L"", L""}));
  EXPECT_EQ(Values(L"live_odds", L"確定"), Words(L"0 0 1 1 1 1 1 1"));
  EXPECT_EQ(Values(L"live_odds", L"オッズ", 4).size(), 0u);

  // The last final snapshot of each bet type, with the payout where the
  // combination paid (3連単 1-2-3 and 1-3-2, 拡連複 1-2, 単勝 1), none for 2-1-3.
  EXPECT_EQ(Values(L"final_odds", L"組番"), Words(L"1 1-2 1-2-3 1-3-2 2-1-3"));
  EXPECT_EQ(Values(L"final_odds", L"最終オッズ"), Words(L"1.4 1.2 10.5 20.5 30.5"));
  EXPECT_EQ(Values(L"final_odds", L"オッズ上限"), (std::vector<std::wstring>{L"", L"1.5", L"", L"", L""}));
  EXPECT_EQ(Values(L"final_odds", L"払戻金"), (std::vector<std::wstring>{L"150", L"200", L"1230", L"2500", L""}));
  EXPECT_EQ(Values(L"final_odds", L"人気"), (std::vector<std::wstring>{L"1", L"2", L"4", L"7", L""}));
  EXPECT_EQ(Values(L"final_odds", L"更新時刻"), Words(L"締切時 締切時 締切時 締切時 締切時"));
  EXPECT_EQ(Values(L"final_odds", L"組番", 4).size(), 0u);

  EXPECT_EQ(Values(L"racer_period", L"選手名"), Words(L"峰竜太"));
  EXPECT_EQ(Values(L"racer_period", L"性別"), Words(L"男"));
  EXPECT_EQ(Values(L"racer_period", L"期"), Words(L"前期"));
  EXPECT_EQ(Values(L"racer_course", L"選手名"), (std::vector<std::wstring>{L"峰竜太", L"峰竜太", L""}));
}

}  // namespace
}  // namespace wakelore
