// The six race-day pages of a race read and stored as one snapshot.
#include "web/race_pages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "db/db_schema.h"
#include "platform/format.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

constexpr char kPlaceholder[] = "9999.9";

std::string Fixture(const std::string& name) { return test::ReadFileBytes(test::FixturePath("web/" + name)); }

// The samples of the six pages, the n-th odds number over the five odds
// pages (in page order, both ends of a range counting) made 1000 + n + 0.5.
RacePageSet SamplePages() {
  RacePageSet pages;
  int n = 0;
  for (int p = 0; p < kRacePageCount; ++p) {
    std::string body = Fixture(std::string(RacePageNames()[static_cast<size_t>(p)]) + "_sample.html");
    if (p > 0) {
      for (size_t at = body.find(kPlaceholder); at != std::string::npos; at = body.find(kPlaceholder, at)) {
        const std::string value = std::to_string(1000 + ++n) + ".5";
        body.replace(at, sizeof(kPlaceholder) - 1, value);
        at += value.size();
      }
    }
    pages.body[static_cast<size_t>(p)] = body;
    pages.fetched[static_cast<size_t>(p)] = true;
  }
  return pages;
}

class RacePagesTest : public testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"w.db")));
    ASSERT_TRUE(db_.Exec(L"INSERT INTO races (id, race_date, stadium_id, race_no) VALUES (1, '2023-09-01', 7, 1);"
                         L"INSERT INTO race_entries (race_id, frame_no) VALUES (1, 1), (1, 2), (1, 3), (1, 4), "
                         L"(1, 5), (1, 6);"));
  }
  std::vector<DbRow> Rows(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows)) << testing::PrintToString(db_.LastError());
    return rows;
  }
  std::wstring Value(const std::wstring& sql) {
    std::vector<DbRow> rows = Rows(sql);
    return rows.empty() ? L"(none)" : DbRowValue(rows[0], L"v");
  }
  bool Store(const RaceSnapshot& snapshot, bool day_is_over, bool replace_final, SnapshotStoreCounts* counts) {
    SnapshotStoreOptions options;
    options.dayIsOver = day_is_over;
    options.replaceFinal = replace_final;
    std::wstring message;
    const bool ok = StoreRaceSnapshot(db_, &message, 1, snapshot, options, counts);
    EXPECT_TRUE(ok) << testing::PrintToString(message);
    return ok;
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(RacePagesTest, SixSamplesGiveOneSnapshotOfEveryBetType) {
  RaceSnapshot snapshot;
  ReadRaceSnapshot(SamplePages(), &snapshot);
  for (int p = 0; p < kRacePageCount; ++p) {
    EXPECT_EQ(snapshot.outcome[static_cast<size_t>(p)], RacePageOutcome::kRead) << RacePageNames()[static_cast<size_t>(p)];
  }
  EXPECT_TRUE(snapshot.hasBeforeInfo);
  SnapshotStoreCounts counts;
  ASSERT_TRUE(Store(snapshot, false, false, &counts));
  EXPECT_EQ(counts.rows, (std::array<int, 7>{120, 20, 30, 15, 15, 6, 6}));
  EXPECT_EQ(counts.totalRows, 212);
  EXPECT_EQ(counts.fetchedAt.size(), 19u);

  std::map<std::wstring, int> by_type;
  for (const DbRow& row : Rows(L"SELECT bet_type, COUNT(*) AS n FROM live_odds GROUP BY bet_type;")) {
    by_type[DbRowValue(row, L"bet_type")] = std::stoi(DbRowValue(row, L"n"));
  }
  EXPECT_EQ(by_type, (std::map<std::wstring, int>{{L"3連単", 120}, {L"3連複", 20}, {L"2連単", 30}, {L"2連複", 15},
                                                  {L"拡連複", 15}, {L"単勝", 6}, {L"複勝", 6}}));
  EXPECT_EQ(Value(L"SELECT COUNT(DISTINCT fetched_at) || ' ' || MIN(fetched_at) AS v FROM live_odds;"),
            L"1 " + counts.fetchedAt);
  // Every number of the pages once: the lower ends and the upper ends.
  std::multiset<double> values;
  for (const DbRow& row : Rows(L"SELECT odds_value AS v FROM live_odds UNION ALL SELECT odds_high FROM live_odds "
                               L"WHERE odds_high IS NOT NULL;")) {
    values.insert(std::stod(DbRowValue(row, L"v")));
  }
  std::multiset<double> expected;
  for (int n = 1; n <= 233; ++n) expected.insert(1000 + n + 0.5);
  EXPECT_EQ(values, expected);
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type || ':' || n, ' ') AS v FROM (SELECT bet_type, COUNT(*) AS n FROM "
                  L"live_odds WHERE odds_high IS NOT NULL GROUP BY bet_type ORDER BY bet_type);"),
            L"拡連複:15 複勝:6");
  // Where the numbers went: the first cell of each page, and the ranges.
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type || ' ' || combination || ' ' || odds_value || ' ' || "
                  L"quote(odds_high), ', ') AS v FROM (SELECT * FROM live_odds WHERE odds_value IN (1001.5, 1121.5, "
                  L"1141.5, 1171.5, 1186.5, 1216.5, 1222.5) ORDER BY odds_value);"),
            L"3連単 1-2-3 1001.5 NULL, 3連複 1-2-3 1121.5 NULL, 2連単 1-2 1141.5 NULL, 2連複 1-2 1171.5 NULL, "
            L"拡連複 1-2 1186.5 1187.5, 単勝 1 1216.5 NULL, 複勝 1 1222.5 1223.5");
  EXPECT_EQ(Value(L"SELECT group_concat(DISTINCT quote(official_time) || ' ' || is_final) AS v FROM live_odds;"),
            L"'9:02' 0");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM races WHERE id = 1 AND live_updated_at IS NOT NULL AND weather = '晴';"),
            L"1");
}

TEST_F(RacePagesTest, SnapshotsBeforeTheDeadlineAccumulateFinalOddsAreStoredOnce) {
  RaceSnapshot snapshot;
  ReadRaceSnapshot(SamplePages(), &snapshot);
  SnapshotStoreCounts counts;
  ASSERT_TRUE(Store(snapshot, false, false, &counts));
  ASSERT_TRUE(Store(snapshot, false, false, &counts));
  EXPECT_EQ(Value(L"SELECT COUNT(*) || ' ' || COUNT(DISTINCT fetched_at) AS v FROM live_odds;"), L"424 2");
  EXPECT_FALSE(RaceHasFinalOdds(db_, 1));

  // The day is over: the odds are final, once.
  ASSERT_TRUE(Store(snapshot, true, false, &counts));
  EXPECT_EQ(counts.totalRows, 212);
  EXPECT_TRUE(RaceHasFinalOdds(db_, 1));
  ASSERT_TRUE(Store(snapshot, true, false, &counts));
  EXPECT_EQ(counts.totalRows, 0);
  EXPECT_EQ(counts.kept, (std::array<bool, 7>{true, true, true, true, true, true, true}));
  EXPECT_TRUE(counts.fetchedAt.empty());
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM live_odds WHERE is_final = 1;"), L"212");

  // Fetched again on purpose: the new final rows replace the old ones.
  const std::wstring before = Value(L"SELECT MAX(fetched_at) AS v FROM live_odds WHERE is_final = 1;");
  ASSERT_TRUE(Store(snapshot, true, true, &counts));
  EXPECT_EQ(counts.totalRows, 212);
  EXPECT_EQ(Value(L"SELECT COUNT(*) || ' ' || COUNT(DISTINCT fetched_at) AS v FROM live_odds WHERE is_final = 1;"),
            L"212 1");
  EXPECT_NE(Value(L"SELECT MAX(fetched_at) AS v FROM live_odds WHERE is_final = 1;"), before);
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM live_odds WHERE is_final = 0;"), L"424");
}

TEST_F(RacePagesTest, FinishedRaceAbsentBoatCancelledRaceAndNoData) {
  // The whole 3連単 page of a finished race: 欠場 cells store nothing, the
  // odds are final with "締切時" even on the day itself.
  RacePageSet pages;
  pages.fetched.fill(true);
  pages.body[1] = Fixture("full/odds3t_rno11_jcd19_hd20170919.html");
  size_t absent = 0;
  for (size_t at = pages.body[1].find("欠場</td>"); at != std::string::npos; at = pages.body[1].find("欠場</td>", at + 1)) {
    ++absent;
  }
  ASSERT_GT(absent, 0u);
  const std::string cancelled = "<html><body><p>該当レースは中止になりました。</p></body></html>";
  const std::string no_data = "<html><body><p>データがありません。</p></body></html>";
  pages.body[0] = no_data;
  pages.body[2] = cancelled;
  pages.body[3] = no_data;
  pages.body[4] = "<html><body><p>何か別のページ</p></body></html>";
  pages.fetched[5] = false;
  pages.error[5] = L"HTTP 404 が返されました。";

  RaceSnapshot snapshot;
  ReadRaceSnapshot(pages, &snapshot);
  EXPECT_EQ(snapshot.outcome, (std::array<RacePageOutcome, kRacePageCount>{
                                  RacePageOutcome::kUnavailable, RacePageOutcome::kRead,
                                  RacePageOutcome::kUnavailable, RacePageOutcome::kUnavailable,
                                  RacePageOutcome::kFailed, RacePageOutcome::kFailed}));
  EXPECT_EQ(snapshot.problem[0], L"データなし");
  EXPECT_EQ(snapshot.problem[2], L"中止");
  EXPECT_EQ(snapshot.problem[4], L"オッズページの形式を解釈できませんでした。");
  EXPECT_EQ(snapshot.problem[5], L"HTTP 404 が返されました。");
  EXPECT_TRUE(snapshot.cancelled);
  EXPECT_FALSE(snapshot.hasBeforeInfo);

  SnapshotStoreCounts counts;
  ASSERT_TRUE(Store(snapshot, false, false, &counts));
  EXPECT_EQ(counts.rows, (std::array<int, 7>{static_cast<int>(120 - absent), 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Value(L"SELECT group_concat(DISTINCT official_time || ' ' || is_final) AS v FROM live_odds;"),
            L"締切時 1");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM live_odds WHERE odds_value <= 0 OR odds_value IS NULL;"), L"0");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM races WHERE live_updated_at IS NOT NULL;"), L"0")
      << "no before-race values were published";

  // A page whose every odds cell shows 欠場 is unavailable too.
  RacePageSet absent_only;
  absent_only.fetched.fill(true);
  std::string trio = Fixture("odds3f_sample.html");
  for (size_t at = trio.find(kPlaceholder); at != std::string::npos; at = trio.find(kPlaceholder, at)) {
    trio.replace(at, sizeof(kPlaceholder) - 1, "欠場");
  }
  absent_only.body[2] = trio;
  ReadRaceSnapshot(absent_only, &snapshot);
  EXPECT_EQ(snapshot.outcome[2], RacePageOutcome::kUnavailable);
  EXPECT_EQ(snapshot.problem[2], L"オッズなし");
}

TEST_F(RacePagesTest, FailedStoreKeepsNoOddsRow) {
  ASSERT_TRUE(db_.Exec(L"CREATE TRIGGER refuse BEFORE INSERT ON live_odds WHEN NEW.bet_type = '複勝' "
                       L"BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
  RaceSnapshot snapshot;
  ReadRaceSnapshot(SamplePages(), &snapshot);
  SnapshotStoreCounts counts;
  std::wstring message;
  EXPECT_FALSE(StoreRaceSnapshot(db_, &message, 1, snapshot, SnapshotStoreOptions(), &counts));
  EXPECT_NE(message.find(L"refused"), std::wstring::npos);
  EXPECT_EQ(counts.totalRows, 0);
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM live_odds;"), L"0");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS v FROM races WHERE live_updated_at IS NOT NULL;"), L"0")
      << "the before-race values go with the odds";
  EXPECT_TRUE(db_.Exec(L"BEGIN TRANSACTION; COMMIT;"));  // nothing left open
  EXPECT_FALSE(StoreRaceSnapshot(db_, &message, 0, snapshot, SnapshotStoreOptions(), &counts));
  EXPECT_EQ(message, L"保存するレースが選択されていません。");
}

class RacePagesFetchTest : public test::OfficialServerTest {};

TEST_F(RacePagesFetchTest, SixPagesInOrderAndStopBetweenPages) {
  for (const char* page : RacePageNames()) {
    ASSERT_TRUE(server().PutFixture(std::string("/owpc/pc/race/") + page, std::string("web/") + page + "_sample.html"));
  }
  WebClient client;
  RacePageSet pages;
  int calls = 0;
  ASSERT_TRUE(FetchRacePages(client, L"2024-01-05", 24, 12, [&calls] { return ++calls > 0; }, &pages));
  EXPECT_EQ(calls, kRacePageCount);
  std::vector<std::string> expected;
  for (const char* page : RacePageNames()) expected.push_back(std::string("/owpc/pc/race/") + page + "?rno=12&jcd=24&hd=20240105");
  EXPECT_EQ(server().RequestedTargets(), expected);
  for (size_t p = 0; p < pages.body.size(); ++p) EXPECT_TRUE(pages.fetched[p] && !pages.body[p].empty());

  ASSERT_TRUE(server().Reset());
  calls = 0;
  EXPECT_FALSE(FetchRacePages(client, L"2024-01-05", 24, 12, [&calls] { return ++calls < 2; }, &pages));
  EXPECT_EQ(server().RequestedTargets().size(), 2u) << "the answer false stops before the third page";
}

}  // namespace
}  // namespace wakelore
