#include "web/trifecta_odds.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "db/db_schema.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"
#include "web/race_address.h"

namespace wakelore {
namespace {

constexpr char kPagePath[] = "/owpc/pc/race/odds3t?rno=12&jcd=24&hd=20240105";
constexpr char kOddsCell[] = "<td class=\"oddsPoint \">9999.9</td>";

const std::string& Sample() {
  static const std::string sample = test::ReadFileBytes(test::FixturePath("web/odds3t_sample.html"));
  return sample;
}

// The page with its n-th unchanged odds cell of the sample (0 = first row,
// first column; cells run along the rows) replaced by `cell`.
std::string WithOddsCell(int n, const std::string& cell, std::string page = Sample()) {
  size_t at = page.find(kOddsCell);
  for (int i = 0; i < n && at != std::string::npos; ++i) at = page.find(kOddsCell, at + 1);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no odds cell " << n;
    return page;
  }
  return page.replace(at, sizeof(kOddsCell) - 1, cell);
}

// Where the odds rows of the sample start and end ("<tr" .. "</tr>").
std::vector<std::pair<size_t, size_t>> OddsRows(const std::string& page) {
  std::vector<std::pair<size_t, size_t>> rows;
  size_t pos = 0;
  for (;;) {
    size_t open = page.find("<tr", pos);
    if (open == std::string::npos) break;
    size_t close = page.find("</tr>", open);
    if (close == std::string::npos) break;
    pos = close + 5;
    if (page.substr(open, close - open).find("oddsPoint") != std::string::npos) rows.push_back({open, pos});
  }
  return rows;
}

TrifectaOdds Parse(const std::string& page, bool expect_ok = true) {
  TrifectaOdds odds;
  EXPECT_EQ(ParseTrifectaOdds(page, &odds), expect_ok);
  return odds;
}

TEST(TrifectaOddsParseTest, OfficialPageLayoutGivesEveryCombination) {
  TrifectaOdds odds = Parse(Sample());
  std::set<std::wstring> expected;
  for (int a = 1; a <= 6; ++a) {
    for (int b = 1; b <= 6; ++b) {
      for (int c = 1; c <= 6; ++c) {
        if (a != b && b != c && a != c) {
          expected.insert(std::to_wstring(a) + L"-" + std::to_wstring(b) + L"-" + std::to_wstring(c));
        }
      }
    }
  }
  std::set<std::wstring> keys;
  for (const auto& [key, value] : odds) {
    keys.insert(key);
    EXPECT_EQ(value, 9999.9) << key;
  }
  EXPECT_EQ(keys, expected);
  ASSERT_EQ(odds.size(), 120u);
  EXPECT_EQ(odds.begin()->first, L"1-2-3");
  EXPECT_EQ(odds.rbegin()->first, L"6-5-4");
}

TEST(TrifectaOddsParseTest, CellsAndCarriedSecondPlaces) {
  // Row 1, column 1: second 2, third 3.  Row 1, column 2: second 1,
  // third 3.  Row 2, column 1: the carried second 2, third 4.  Row 5
  // (the second group), column 1: second 3, third 2.
  // (Replaced from the last, so the counting of the others is unchanged.)
  std::string page = WithOddsCell(24, "<td class=\"oddsPoint \">1,234.0</td>");
  page = WithOddsCell(6, "<td class=\"oddsPoint \">3.3</td>", page);
  page = WithOddsCell(1, "<td class=\"oddsPoint is-fBold\">-</td>", page);
  page = WithOddsCell(0, "<td class=\"oddsPoint \">12.5</td>", page);
  TrifectaOdds odds = Parse(page);
  EXPECT_EQ(odds.size(), 119u);
  EXPECT_EQ(odds[L"1-2-3"], 12.5);
  EXPECT_EQ(odds.count(L"2-1-3"), 0u);  // a dash: no odds
  EXPECT_EQ(odds[L"1-2-4"], 3.3);
  EXPECT_EQ(odds[L"1-3-2"], 1.0);  // a thousands comma ends the number

  // A second place outside 1..6 leaves that column of the group out.
  page = Sample();
  size_t first_row = OddsRows(page)[0].first;
  size_t second_cell = page.find("rowspan=\"4\">2</td>", first_row);
  page.replace(second_cell, 18, "rowspan=\"4\">7</td>");
  odds = Parse(page);
  EXPECT_EQ(odds.size(), 116u);
  EXPECT_EQ(odds.count(L"1-2-3"), 0u);
  EXPECT_EQ(odds.count(L"1-3-2"), 1u);  // the next group names its own
}

TEST(TrifectaOddsParseTest, PagesThatFailAsAWhole) {
  const std::string sample = Sample();
  std::vector<std::pair<size_t, size_t>> rows = OddsRows(sample);
  ASSERT_EQ(rows.size(), 20u);

  std::string all_dashes = sample;
  for (size_t at = all_dashes.find(">9999.9<"); at != std::string::npos; at = all_dashes.find(">9999.9<", at)) {
    all_dashes.replace(at, 8, ">-<");
  }
  std::string short_row = sample;
  size_t last_cell = short_row.rfind("<td", rows[7].second);
  short_row.erase(last_cell, short_row.find("</td>", last_cell) + 5 - last_cell);

  struct Case {
    const char* name;
    std::string page;
  };
  const Case cases[] = {
      {"19 odds rows", sample.substr(0, rows[19].first) + sample.substr(rows[19].second)},
      {"an odds cell without the class",
       WithOddsCell(50, "<td class=\"is-fs14\">9999.9</td>")},
      {"an odds cell missing at the end of a row", short_row},
      {"no odds at all", all_dashes},
      {"an empty page", ""},
  };
  for (const Case& c : cases) {
    TrifectaOdds odds;
    odds[L"9-9-9"] = 1;
    EXPECT_FALSE(ParseTrifectaOdds(c.page, &odds)) << c.name;
    EXPECT_TRUE(odds.empty()) << c.name;
  }

  // Rows after the twentieth are not read.
  std::string extra = sample;
  extra.insert(rows[19].second, "<tr><td>1</td><td class=\"x\">oddsPoint</td></tr>");
  EXPECT_EQ(Parse(extra).size(), 120u);
}

class LiveOddsTest : public test::OfficialServerTest {
 protected:
  void SetUp() override {
    test::OfficialServerTest::SetUp();
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db")));
    ASSERT_TRUE(db_.Exec(L"INSERT INTO races (race_date, stadium_id, race_no) VALUES ('2024-01-05', 24, 12);"));
  }
  std::vector<DbRow> Rows(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows));
    return rows;
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(LiveOddsTest, TwoFetchesLeaveTwoSnapshots) {
  ASSERT_TRUE(server().PutFixture(kPagePath, "web/odds3t_sample.html"));
  int64_t race = FindRaceId(db_, L"2024-01-05", 24, 12);
  ASSERT_GT(race, 0);
  std::vector<std::wstring> stamps;
  for (int fetch = 0; fetch < 2; ++fetch) {
    WebClient client;
    TrifectaOdds odds;
    ASSERT_TRUE(FetchTrifectaOdds(client, L"2024-01-05", 24, 12, &odds)) << client.message.size();
    std::wstring message;
    std::wstring fetched_at;
    ASSERT_TRUE(StoreLiveOdds(db_, &message, race, L"3連単", odds, &fetched_at)) << message.size();
    EXPECT_EQ(fetched_at.size(), 19u);
    stamps.push_back(fetched_at);
  }
  EXPECT_EQ(server().RequestedTargets(), std::vector<std::string>(2, kPagePath));
  EXPECT_NE(stamps[0], stamps[1]);

  std::vector<DbRow> snapshots = Rows(
      L"SELECT fetched_at, COUNT(*) AS n, COUNT(DISTINCT combination) AS k, MIN(odds_value) AS lo, "
      L"MIN(bet_type) AS bet, MIN(race_id) AS race FROM live_odds GROUP BY fetched_at ORDER BY fetched_at;");
  ASSERT_EQ(snapshots.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(DbRowValue(snapshots[i], L"fetched_at"), stamps[i]);
    EXPECT_EQ(DbRowValue(snapshots[i], L"n"), L"120");
    EXPECT_EQ(DbRowValue(snapshots[i], L"k"), L"120");
    EXPECT_EQ(DbRowValue(snapshots[i], L"lo"), L"9999.9");
    EXPECT_EQ(DbRowValue(snapshots[i], L"bet"), L"3連単");
    EXPECT_EQ(DbRowValue(snapshots[i], L"race"), std::to_wstring(race));
  }
  // Rows go in in map order.
  std::vector<DbRow> first = Rows(L"SELECT combination FROM live_odds ORDER BY id LIMIT 1;");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(DbRowValue(first[0], L"combination"), L"1-2-3");
}

TEST_F(LiveOddsTest, PagesThatCannotBeRead) {
  struct Case {
    const char* name;
    std::string body;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"no data", "<p>\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81"
                  "\x9B\xE3\x82\x93</p>",
       L"オッズがありません(この日の開催がないか、まだ発売されていません)。"},
      {"another layout", WithOddsCell(119, "<td>1.0</td>"), L"オッズページの形式を解釈できませんでした。"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(server().PutBytes(kPagePath, c.body));
    WebClient client;
    TrifectaOdds odds;
    EXPECT_FALSE(FetchTrifectaOdds(client, L"2024-01-05", 24, 12, &odds)) << c.name;
    EXPECT_EQ(client.message, c.message) << c.name;
    EXPECT_TRUE(odds.empty()) << c.name;
  }
  ASSERT_TRUE(server().SetFault(kPagePath, "404"));
  WebClient client;
  TrifectaOdds odds;
  EXPECT_FALSE(FetchTrifectaOdds(client, L"2024-01-05", 24, 12, &odds));
  EXPECT_EQ(client.message, L"HTTP 404 が返されました。");
}

TEST_F(LiveOddsTest, NothingToStore) {
  TrifectaOdds odds;
  odds[L"1-2-3"] = 5.5;
  std::wstring message;
  std::wstring fetched_at;
  EXPECT_FALSE(StoreLiveOdds(db_, &message, 0, L"3連単", odds, &fetched_at));
  EXPECT_EQ(message, L"保存するオッズがありません。");
  message.clear();
  EXPECT_FALSE(StoreLiveOdds(db_, &message, 1, L"3連単", TrifectaOdds(), &fetched_at));
  EXPECT_EQ(message, L"保存するオッズがありません。");
  EXPECT_TRUE(Rows(L"SELECT id FROM live_odds;").empty());
}

TEST_F(LiveOddsTest, FailedStoreRollsBack) {
  ASSERT_TRUE(db_.Exec(L"CREATE TRIGGER refuse BEFORE INSERT ON live_odds WHEN NEW.combination = '3-1-2' "
                       L"BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
  TrifectaOdds odds = Parse(Sample());
  std::wstring message;
  std::wstring fetched_at;
  EXPECT_FALSE(StoreLiveOdds(db_, &message, 1, L"3連単", odds, &fetched_at));
  EXPECT_NE(message.find(L"refused"), std::wstring::npos);
  EXPECT_TRUE(Rows(L"SELECT id FROM live_odds;").empty());
  EXPECT_TRUE(db_.Exec(L"BEGIN TRANSACTION; COMMIT;"));  // nothing left open

  odds.erase(L"3-1-2");
  EXPECT_TRUE(StoreLiveOdds(db_, &message, 1, L"3連単", odds, &fetched_at));
  EXPECT_EQ(Rows(L"SELECT id FROM live_odds;").size(), 119u);
}

}  // namespace
}  // namespace wakelore
