#include "archive/race_row_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/official_text.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

class RaceRowStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db")));
  }

  // The first column of the first row of `sql`, as text.
  std::wstring Value(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows)) << Utf16ToUtf8(sql) << ": " << Utf16ToUtf8(db_.LastError());
    if (rows.empty()) return L"";
    return DbRowValue(rows[0], L"value");
  }
  int Count(const std::wstring& table) {
    return ParseInteger(Value(L"SELECT COUNT(*) AS value FROM " + table + L";"));
  }
  int32_t Race(RaceRowStore& store, const wchar_t* date = L"2024-01-05") {
    return store.UpsertRace(date, 9, 12, L"優勝戦", 1800, L"16:30", L"", L"", 0.0, 0.0, L"テスト杯",
                            L"第6日");
  }

  test::TempDir dir_;
  DbManager db_;
  std::wstring message_;
};

TEST_F(RaceRowStoreTest, RaceIsWrittenOncePerStoreRacersEveryTime) {
  RaceRowStore store(&db_, &message_);
  const int32_t race = Race(store);
  ASSERT_GT(race, 0) << Utf16ToUtf8(message_);
  EXPECT_EQ(Value(L"SELECT title || deadline_time || series_title || day_label AS value FROM races;"),
            L"優勝戦16:30テスト杯第6日");
  ASSERT_TRUE(db_.Exec(L"UPDATE races SET title='changed';"));
  EXPECT_EQ(store.UpsertRace(L"2024-01-05", 9, 12, L"別", 1200, L"", L"", L"", 0.0, 0.0, L"", L""), race);
  EXPECT_EQ(Value(L"SELECT title AS value FROM races;"), L"changed");
  // Another day, stadium or race number is another race.
  EXPECT_NE(Race(store, L"2024-01-06"), race);
  EXPECT_NE(store.UpsertRace(L"2024-01-05", 10, 12, L"", 0, L"", L"", L"", 0.0, 0.0, L"", L""), race);
  EXPECT_NE(store.UpsertRace(L"2024-01-05", 9, 11, L"", 0, L"", L"", L"", 0.0, 0.0, L"", L""), race);
  EXPECT_EQ(Count(L"races"), 4);

  // A new store writes it again; empty texts and zeros keep what is stored.
  RaceRowStore other(&db_, &message_);
  EXPECT_EQ(other.UpsertRace(L"2024-01-05", 9, 12, L"", 0, L"", L"雨", L"", 0.0, 0.0, L"", L""), race);
  EXPECT_EQ(Value(L"SELECT title || distance || deadline_time || weather || series_title AS value "
                  L"FROM races WHERE id=" + std::to_wstring(race) + L";"),
            L"changed180016:30雨テスト杯");

  const int32_t racer = store.UpsertRacer(L"4001", L"一号", L"A1", L"福岡", 30, 52.0, 6.5, 6.1);
  ASSERT_GT(racer, 0);
  EXPECT_EQ(store.UpsertRacer(L"4001", L"新名", L"", L"", 0, 0.0, 0.0, 0.0), racer);
  EXPECT_EQ(Value(L"SELECT name || class_name || branch || age || weight || national_win_rate "
                  L"AS value FROM racers;"),
            L"新名A1福岡3052.06.5");
  EXPECT_EQ(store.UpsertRacer(L"", L"x", L"", L"", 0, 0.0, 0.0, 0.0), 0);
  // Register numbers are texts: a leading zero makes another racer.
  EXPECT_NE(store.UpsertRacer(L"0401", L"二号", L"", L"", 0, 0.0, 0.0, 0.0), racer);
  EXPECT_NE(store.UpsertRacer(L"401", L"三号", L"", L"", 0, 0.0, 0.0, 0.0), racer);
  EXPECT_EQ(Count(L"racers"), 3);

  const int32_t motor = store.UpsertMotor(9, L"12", 35.5);
  ASSERT_GT(motor, 0);
  EXPECT_EQ(store.UpsertMotor(9, L"12", 0.0), motor);
  EXPECT_EQ(Value(L"SELECT quinella_rate AS value FROM motors;"), L"35.5");
  EXPECT_NE(store.UpsertMotor(10, L"12", 0.0), motor) << "motors are numbered per stadium";
  EXPECT_NE(store.UpsertMotor(9, L"012", 0.0), motor);
  EXPECT_NE(store.UpsertBoat(9, L"12", 40.0), 0);
  EXPECT_EQ(store.UpsertMotor(0, L"12", 1.0), 0);
  EXPECT_EQ(store.UpsertBoat(9, L"", 1.0), 0);
  EXPECT_EQ(Count(L"motors"), 3);
  EXPECT_EQ(Count(L"boats"), 1);
}

TEST_F(RaceRowStoreTest, RepeatedUpsertsThatChangeNothingAreSkippedButChangesAreNot) {
  RaceRowStore store(&db_, &message_);
  struct Step {
    const wchar_t* name;
    const wchar_t* class_name;
    double weight;
    double rate;        // national win rate
    double motor_rate;
    const wchar_t* expected;  // name|class|weight|rate|motor rate after the step
  };
  const Step steps[] = {
      {L"一号", L"A1", 52.0, 6.5, 35.5, L"一号|A1|52.0|6.5|35.5"},
      {L"一号", L"A1", 52.0, 6.5, 35.5, L"一号|A1|52.0|6.5|35.5"},  // the same again
      {L"一号", L"", 0.0, 0.0, 0.0, L"一号|A1|52.0|6.5|35.5"},      // what a result line knows
      {L"一号", L"A1", 52.0, 6.62, 36.0, L"一号|A1|52.0|6.62|36.0"}, // next day's program
      {L"改名", L"", 0.0, 0.0, 0.0, L"改名|A1|52.0|6.62|36.0"},
      {L"一号", L"A2", 51.0, 6.62, 36.0, L"一号|A2|51.0|6.62|36.0"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(Utf16ToUtf8(step.expected));
    ASSERT_GT(store.UpsertRacer(L"4001", step.name, step.class_name, L"", 0, step.weight, step.rate, 0.0),
              0);
    ASSERT_GT(store.UpsertMotor(9, L"12", step.motor_rate), 0);
    EXPECT_EQ(Value(L"SELECT name || '|' || class_name || '|' || weight || '|' || national_win_rate"
                    L" || '|' || (SELECT quinella_rate FROM motors) AS value FROM racers;"),
              step.expected);
  }
}

// Two stores of one connection (the program and the result importer of a
// run) sharing what is known to be stored: a value one store wrote again
// after the other changed the row is written, not skipped.
TEST_F(RaceRowStoreTest, SharedStoredValuesFollowTheOtherStoresWrites) {
  auto stored = std::make_shared<StoredRowValues>();
  RaceRowStore programs(&db_, &message_, stored);
  RaceRowStore results(&db_, &message_, stored);
  ASSERT_GT(programs.UpsertRacer(L"4001", L"一号", L"A1", L"", 0, 0.0, 0.0, 0.0), 0);
  ASSERT_GT(programs.UpsertMotor(9, L"12", 35.5), 0);
  ASSERT_GT(results.UpsertRacer(L"4001", L"一\u3000号", L"", L"", 0, 0.0, 0.0, 0.0), 0);
  ASSERT_GT(results.UpsertMotor(9, L"12", 36.0), 0);
  ASSERT_GT(programs.UpsertRacer(L"4001", L"一号", L"A1", L"", 0, 0.0, 0.0, 0.0), 0);
  ASSERT_GT(programs.UpsertMotor(9, L"12", 35.5), 0);
  EXPECT_EQ(Value(L"SELECT name || '|' || (SELECT quinella_rate FROM motors) AS value FROM racers;"),
            L"一号|35.5");
}

TEST_F(RaceRowStoreTest, DroppedCachesAskTheDatabaseAgain) {
  RaceRowStore store(&db_, &message_);
  ASSERT_TRUE(db_.Exec(L"BEGIN TRANSACTION;"));
  ASSERT_GT(Race(store), 0);
  ASSERT_GT(store.UpsertRacer(L"4001", L"一号", L"", L"", 0, 0.0, 0.0, 0.0), 0);
  ASSERT_GT(store.UpsertMotor(9, L"12", 0.0), 0);
  ASSERT_TRUE(db_.Exec(L"ROLLBACK;"));
  // Another writer's rows now hold the ids the caches named.
  ASSERT_TRUE(db_.Exec(L"INSERT INTO races (race_date, stadium_id, race_no) VALUES ('2024-01-04', 1, 1);"
                       L"INSERT INTO racers (register_no, name) VALUES ('3999', 'x');"
                       L"INSERT INTO motors (stadium_id, motor_no) VALUES (1, '1');"));
  store.DropIdCaches();
  const int32_t race = Race(store);
  const int32_t racer = store.UpsertRacer(L"4001", L"一号", L"", L"", 0, 0.0, 0.0, 0.0);
  const int32_t motor = store.UpsertMotor(9, L"12", 0.0);
  EXPECT_EQ(std::to_wstring(race), Value(L"SELECT id AS value FROM races WHERE race_date='2024-01-05';"));
  EXPECT_EQ(std::to_wstring(racer), Value(L"SELECT id AS value FROM racers WHERE register_no='4001';"));
  EXPECT_EQ(std::to_wstring(motor), Value(L"SELECT id AS value FROM motors WHERE motor_no='12';"));
  EXPECT_EQ(Count(L"races"), 2);
}

TEST_F(RaceRowStoreTest, FailingStatementsLeaveTheirErrorInTheMessage) {
  RaceRowStore store(&db_, &message_);
  const int32_t race = Race(store);
  ASSERT_GT(race, 0);
  ASSERT_TRUE(db_.Exec(L"DROP TABLE racers;"));
  EXPECT_EQ(store.UpsertRacer(L"4001", L"x", L"", L"", 0, 0.0, 0.0, 0.0), 0);
  EXPECT_NE(message_.find(L"racers"), std::wstring::npos) << Utf16ToUtf8(message_);

  ASSERT_TRUE(db_.Exec(L"DROP TABLE odds;"));
  PayoutItem payout;
  payout.betType = L"単勝";
  payout.combination = L"1";
  payout.amount = 110;
  EXPECT_FALSE(store.StorePayout(race, payout));
  EXPECT_NE(message_.find(L"odds"), std::wstring::npos) << Utf16ToUtf8(message_);

  // The first row of a result entry failing keeps the second from being written.
  ASSERT_TRUE(db_.Exec(L"DROP TABLE race_entries;"));
  ResultEntry entry;
  entry.finishOrder = 1;
  entry.frame = 1;
  entry.registerNo = L"4001";
  EXPECT_FALSE(store.StoreResultEntry(race, entry, 1, 0, 0));
  EXPECT_NE(message_.find(L"race_entries"), std::wstring::npos) << Utf16ToUtf8(message_);
  EXPECT_EQ(Count(L"race_result_entries"), 0);
}

}  // namespace
}  // namespace wakelore
