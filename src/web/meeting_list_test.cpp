#include "web/meeting_list.h"

#include <gtest/gtest.h>

#include "db/db_schema.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

// One stadium row of the list as the site lays it out, with the cells the
// parser looks at.
std::string Tbody(const std::string& link, const std::string& grade_class, const std::string& extra_cells,
                  const std::string& period_cell = "1/5-1/10<br>3\xE6\x97\xA5\xE7\x9B\xAE") {
  return "<tbody><tr><td class=\"is-arrow1\"><a><img alt=\"x\"></a></td>"
         "<td rowspan=\"2\" class=\"" + grade_class + "\"></td>" + extra_cells +
         "<td class=\"is-alignL\"><a href=\"/owpc/pc/race/" + link + "\">Series &amp; Cup</a></td>"
         "<td rowspan=\"2\">" + period_cell + "</td></tr></tbody>";
}

std::vector<MeetingDayRow> Parse(const std::string& body, const std::wstring& date) {
  std::vector<MeetingDayRow> rows;
  ParseMeetingList(body, date, &rows);
  return rows;
}

TEST(MeetingListTest, OfficialPageLayout) {
  std::string page = test::ReadFileBytes(test::FixturePath("web/index_hd20201130.html"));
  EXPECT_TRUE(Parse(page, L"2020-11-30").empty());  // its link names 2020-12-01
  std::vector<MeetingDayRow> rows = Parse(page, L"2020-12-01");
  ASSERT_EQ(rows.size(), 1u);
  const MeetingDayRow& row = rows[0];
  EXPECT_EQ(row.race_date, L"2020-12-01");
  EXPECT_EQ(row.stadium_id, 1);
  EXPECT_EQ(row.grade, L"一般");
  EXPECT_EQ(row.grade_class, L"ippan");
  EXPECT_EQ(row.category, L"");
  EXPECT_EQ(row.time_zone, L"ナイター");
  EXPECT_EQ(row.series_title, L"タイトル");
  EXPECT_EQ(row.period_text, L"11/30-12/4");
  EXPECT_EQ(row.day_label, L"１日目");
}

TEST(MeetingListTest, LinkDecidesStadiumAndDay) {
  struct Case {
    const char* link;
    const wchar_t* date;
    int stadium;  // 0: no row
  };
  const Case cases[] = {
      {"raceindex?jcd=07&hd=20240105", L"2024-01-05", 7},
      {"raceindex?jcd=07&hd=20240105", L"2024-01-06", 0},
      {"raceindex?jcd=24", L"2030-12-31", 24},  // no hd=: any day
      {"raceindex?jcd=25&hd=20240105", L"2024-01-05", 0},
      {"raceindex?jcd=00&hd=20240105", L"2024-01-05", 0},
      {"raceindex?jcd=x&hd=20240105", L"2024-01-05", 0},
      {"raceindex?jcd=07&hd=2024", L"2024-01-05", 0},  // hd= cut short
      {"raceindex?jcd=99999999999999999999&hd=20240105", L"2024-01-05", 0},
  };
  for (const Case& c : cases) {
    std::vector<MeetingDayRow> rows = Parse(Tbody(c.link, "is-G1b", ""), c.date);
    if (c.stadium == 0) {
      EXPECT_TRUE(rows.empty()) << c.link;
    } else {
      ASSERT_EQ(rows.size(), 1u) << c.link;
      EXPECT_EQ(rows[0].stadium_id, c.stadium);
      EXPECT_EQ(rows[0].race_date, c.date);
      EXPECT_EQ(rows[0].series_title, L"Series & Cup");
    }
  }
}

TEST(MeetingListTest, ClassTokens) {
  struct Case {
    const char* grade_cell_class;
    const char* extra_cells;
    const wchar_t* grade;
    const wchar_t* grade_class;
    const wchar_t* category;
    const wchar_t* time_zone;
  };
  const Case cases[] = {
      {"is-G1a is-fBold", "", L"PG1", L"G1a", L"", L""},
      {"is-fBold is-G1b", "", L"G1", L"fBold", L"", L""},
      {"is-G1", "", L"", L"", L"", L""},
      {"is-G1ab", "", L"", L"", L"", L""},
      {"is-G1ab is-G1a", "", L"PG1", L"G1ab", L"", L""},
      {"is-SGb", "<td class=\"is-lady\"></td><td class=\"is-morning\"></td>", L"SG", L"SGb", L"女子", L"モーニング"},
      {"is-G3a", "<td class=\"is-rookie__3rdadd is-midnight\"></td>", L"G3", L"G3a", L"ルーキー", L"ミッドナイト"},
      {"is-G2b", "<td class=\"is-venus\"></td><td class=\"is-summer\"></td>", L"G2", L"G2b", L"ヴィーナス", L"サマー"},
      // A later grade overwrites the earlier one; the class stays the first.
      {"is-ippan", "<td class=\"is-G1b\"></td>", L"G1", L"ippan", L"", L""},
      {"is-SG", "<td class=\"is-venus2 is-nighterX\"></td>", L"", L"", L"", L""},
  };
  for (const Case& c : cases) {
    std::vector<MeetingDayRow> rows =
        Parse(Tbody("raceindex?jcd=12&hd=20240105", c.grade_cell_class, c.extra_cells), L"2024-01-05");
    ASSERT_EQ(rows.size(), 1u) << c.grade_cell_class;
    EXPECT_EQ(rows[0].grade, c.grade) << c.grade_cell_class;
    EXPECT_EQ(rows[0].grade_class, c.grade_class) << c.grade_cell_class;
    EXPECT_EQ(rows[0].category, c.category) << c.grade_cell_class;
    EXPECT_EQ(rows[0].time_zone, c.time_zone) << c.grade_cell_class;
  }
}

TEST(MeetingListTest, PeriodAndDayLabelCell) {
  struct Case {
    const char* cell;
    const wchar_t* period;
    const wchar_t* label;
  };
  const Case cases[] = {
      {"1/5-1/10 3\xE6\x97\xA5\xE7\x9B\xAE", L"1/5-1/10", L"3日目"},
      {"1/5-1/10<br>\n  \xE6\x9C\x80\xE7\xB5\x82\xE6\x97\xA5", L"1/5-1/10", L"最終日"},
      {"1/5", L"1/5", L""},
      {"12:30", L"", L""},           // no '/'
      {"x1/5 2\xE6\x97\xA5", L"", L""},  // does not begin with a digit
  };
  for (const Case& c : cases) {
    std::vector<MeetingDayRow> rows = Parse(Tbody("raceindex?jcd=3", "", "", c.cell), L"2024-01-05");
    ASSERT_EQ(rows.size(), 1u) << c.cell;
    EXPECT_EQ(rows[0].period_text, c.period) << c.cell;
    EXPECT_EQ(rows[0].day_label, c.label) << c.cell;
  }
  // Only the first date-like cell counts.
  std::vector<MeetingDayRow> rows =
      Parse(Tbody("raceindex?jcd=3", "", "<td>2/1 A</td>", "3/1 B"), L"2024-01-05");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].period_text, L"2/1");
  EXPECT_EQ(rows[0].day_label, L"A");
}

TEST(MeetingListTest, RowsInPageOrderAndBrokenBlocksSkipped) {
  std::string page = "<table>" + Tbody("raceindex?jcd=2&hd=20240105", "is-G1b", "") +
                     "<tbody><tr><td>no link</td></tr></tbody><tbody></tbody>" +
                     Tbody("raceindex?jcd=1&hd=20240105", "is-ippan", "") + "<tbody>" +
                     Tbody("raceindex?jcd=3", "", "");  // unterminated at the end
  std::vector<MeetingDayRow> rows = Parse(page, L"2024-01-05");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].stadium_id, 2);
  EXPECT_EQ(rows[1].stadium_id, 1);
  EXPECT_EQ(rows[2].stadium_id, 3);  // its inner tbody still closes
  EXPECT_TRUE(Parse("", L"2024-01-05").empty());
  EXPECT_TRUE(Parse("<tbody>raceindex?jcd=1", L"2024-01-05").empty());
}

class MeetingStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db"))) << schema.LastError().size();
    ASSERT_TRUE(db_.Exec(
        L"INSERT INTO races (race_date, stadium_id, race_no, grade) VALUES "
        L"('2024-01-05', 7, 1, 'old'), ('2024-01-05', 7, 2, 'old'), ('2024-01-05', 8, 1, 'old'), "
        L"('2024-01-06', 7, 1, 'old');"));
  }
  std::vector<DbRow> Rows(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows));
    return rows;
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(MeetingStoreTest, StoresDaysAndCopiesTheGradeToTheRaces) {
  MeetingDayRow row;
  row.race_date = L"2024-01-05";
  row.stadium_id = 7;
  row.grade = L"PG1";
  row.grade_class = L"G1a";
  row.category = L"";
  row.time_zone = L"ナイター";
  row.series_title = L"O'Brien杯";
  row.period_text = L"1/5-1/10";
  row.day_label = L"1日目";
  ASSERT_TRUE(StoreMeetingDays(db_, {row}));
  ASSERT_TRUE(db_.Exec(L"UPDATE stadium_days SET fetched_at='2000-01-01 00:00:00';"));
  row.grade = L"G1";
  ASSERT_TRUE(StoreMeetingDays(db_, {row}));

  std::vector<DbRow> days = Rows(L"SELECT * FROM stadium_days;");
  ASSERT_EQ(days.size(), 1u);
  EXPECT_EQ(DbRowValue(days[0], L"grade"), L"G1");
  EXPECT_EQ(DbRowValue(days[0], L"series_title"), L"O'Brien杯");
  EXPECT_EQ(DbRowValue(days[0], L"category"), L"");
  EXPECT_NE(DbRowValue(days[0], L"fetched_at"), L"2000-01-01 00:00:00");
  EXPECT_EQ(Rows(L"SELECT race_date FROM stadium_days WHERE category IS NULL;").size(), 0u);

  std::vector<DbRow> races = Rows(L"SELECT race_date, stadium_id, grade FROM races ORDER BY id;");
  ASSERT_EQ(races.size(), 4u);
  EXPECT_EQ(DbRowValue(races[0], L"grade"), L"G1");
  EXPECT_EQ(DbRowValue(races[1], L"grade"), L"G1");
  EXPECT_EQ(DbRowValue(races[2], L"grade"), L"old");  // another stadium
  EXPECT_EQ(DbRowValue(races[3], L"grade"), L"old");  // another day

  // An empty grade is copied as well.
  row.grade = L"";
  ASSERT_TRUE(StoreMeetingDays(db_, {row}));
  EXPECT_EQ(Rows(L"SELECT id FROM races WHERE grade='' AND stadium_id=7 AND race_date='2024-01-05';").size(), 2u);
}

TEST_F(MeetingStoreTest, FailedStoreLeavesNothingBehind) {
  MeetingDayRow good;
  good.race_date = L"2024-01-05";
  good.stadium_id = 8;
  good.grade = L"SG";
  ASSERT_TRUE(db_.Exec(L"CREATE TRIGGER refuse BEFORE UPDATE ON races WHEN NEW.stadium_id = 9 "
                       L"BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                       L"INSERT INTO races (race_date, stadium_id, race_no) VALUES ('2024-01-05', 9, 1);"));
  MeetingDayRow bad = good;
  bad.stadium_id = 9;
  MeetingDayRow after = good;
  after.stadium_id = 7;
  EXPECT_FALSE(StoreMeetingDays(db_, {good, bad, after}));
  EXPECT_NE(db_.LastError().find(L"refused"), std::wstring::npos);
  EXPECT_TRUE(Rows(L"SELECT * FROM stadium_days;").empty());
  EXPECT_TRUE(Rows(L"SELECT id FROM races WHERE grade='SG';").empty());
  // The connection is usable again (no transaction left open).
  EXPECT_TRUE(db_.Exec(L"BEGIN TRANSACTION; COMMIT;"));
  EXPECT_TRUE(StoreMeetingDays(db_, {}));
}

using MeetingFetchTest = test::OfficialServerTest;

TEST_F(MeetingFetchTest, FetchesTheDaysPage) {
  ASSERT_TRUE(server().PutFixture("/owpc/pc/race/index?hd=20201201", "web/index_hd20201130.html"));
  WebClient client;
  std::vector<MeetingDayRow> rows(3);
  EXPECT_TRUE(FetchMeetingDays(client, L"2020-12-01", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].stadium_id, 1);
  EXPECT_EQ(server().RequestedTargets(), std::vector<std::string>{"/owpc/pc/race/index?hd=20201201"});

  rows.resize(2);
  EXPECT_FALSE(FetchMeetingDays(client, L"2020-12-02", &rows));
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(client.message, L"HTTP 404 が返されました。");
}

}  // namespace
}  // namespace wakelore
