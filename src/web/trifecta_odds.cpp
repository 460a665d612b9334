#include "web/trifecta_odds.h"

#include <vector>

#include "platform/clock.h"
#include "platform/format.h"
#include "web/html_tools.h"
#include "web/page_integer.h"
#include "web/race_address.h"

namespace wakelore {

namespace {

constexpr int kOddsRows = 20;
constexpr int kRowsPerGroup = 4;
constexpr int kColumns = 6;

bool IsBoat(int n) { return n >= 1 && n <= 6; }

// The latest fetch time of the race's snapshots of `bet_type`, "" when none.
std::wstring LatestFetchTime(DbManager& db, int64_t race_id, const std::wstring& bet_type) {
  std::vector<DbRow> rows;
  if (!db.QueryRows(Format(L"SELECT MAX(fetched_at) AS latest FROM live_odds WHERE race_id=%d AND bet_type=%s;",
                           race_id, SqlQuote(bet_type)),
                    &rows) ||
      rows.empty()) {
    return std::wstring();
  }
  return DbRowValue(rows[0], L"latest");
}

}  // namespace

bool ParseTrifectaOdds(std::string_view body, TrifectaOdds* odds) {
  odds->clear();
  int second[kColumns + 1] = {};
  int rows_read = 0;
  size_t pos = 0;
  auto fail = [odds] {
    odds->clear();
    return false;
  };
  while (rows_read < kOddsRows) {
    size_t open = body.find("<tr", pos);
    if (open == std::string_view::npos) break;
    size_t close = body.find("</tr>", open);
    if (close == std::string_view::npos) break;
    pos = close + 5;
    std::string_view row = body.substr(open, close - open);
    if (row.find("oddsPoint") == std::string_view::npos) continue;

    std::vector<TableCell> cells = TableCells(row);
    const bool first_of_group = rows_read % kRowsPerGroup == 0;
    size_t next = 0;
    for (int column = 1; column <= kColumns; ++column) {
      if (first_of_group) {
        if (next >= cells.size()) return fail();
        second[column] = PageInteger(cells[next++].cellText);
      }
      if (next + 1 >= cells.size()) return fail();
      int third = PageInteger(cells[next++].cellText);
      const TableCell& odds_cell = cells[next++];
      if (odds_cell.cellClass.find("oddsPoint") == std::string::npos) return fail();
      double value = NumberIn(odds_cell.cellText);
      if (value > 0 && IsBoat(second[column]) && IsBoat(third)) {
        (*odds)[Format(L"%d-%d-%d", column, second[column], third)] = value;
      }
    }
    ++rows_read;
  }
  if (rows_read != kOddsRows || odds->empty()) return fail();
  return true;
}

bool FetchTrifectaOdds(WebClient& client, const std::wstring& date_text, int stadium_id, int race_no,
                       TrifectaOdds* odds) {
  odds->clear();
  std::string body;
  if (!FetchPage(client, RacePagePath("odds3t", date_text, stadium_id, race_no), &body)) return false;
  if (ParseTrifectaOdds(body, odds)) return true;
  client.message = PageSaysNoData(body) ? L"オッズがありません(この日の開催がないか、まだ発売されていません)。"
                                        : L"オッズページの形式を解釈できませんでした。";
  return false;
}

bool StoreLiveOdds(DbManager& db, std::wstring* message, int64_t race_id, const std::wstring& bet_type,
                   const TrifectaOdds& odds, std::wstring* fetched_at) {
  if (race_id < 1 || odds.empty()) {
    *message = L"保存するオッズがありません。";
    return false;
  }
  // A snapshot is told apart from the others only by its fetch time, and
  // that has whole seconds: a second fetch within the same second waits.
  *fetched_at = LocalTimestampText(NowSeconds());
  const std::wstring latest = LatestFetchTime(db, race_id, bet_type);
  for (int waits = 0; waits < 30 && *fetched_at == latest; ++waits) {
    SleepMs(50);
    *fetched_at = LocalTimestampText(NowSeconds());
  }

  if (!db.Exec(L"BEGIN TRANSACTION;")) {
    *message = db.LastError();
    return false;
  }
  bool ok = true;
  for (const auto& [combination, value] : odds) {
    if (!db.Exec(Format(L"INSERT INTO live_odds (race_id, bet_type, combination, odds_value, fetched_at) VALUES "
                        L"(%d, %s, %s, %.2f, %s);",
                        race_id, SqlQuote(bet_type), SqlQuote(combination), value, SqlQuote(*fetched_at)))) {
      ok = false;
    }
  }
  if (ok && db.Exec(L"COMMIT;")) return true;
  *message = db.LastError();
  (void)db.Exec(L"ROLLBACK;");  // the commit's error is the one reported
  return false;
}

}  // namespace wakelore
