#include "acquire/race_day_pages.h"

#include <cwchar>

#include "db/db_schema.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/text.h"
#include "web/race_pages.h"

namespace wakelore {

namespace {

int64_t Integer(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

}  // namespace

std::wstring RaceLabel(int stadium_id, int race_no) {
  const std::vector<StadiumInfo>& master = StadiumMaster();
  const std::wstring name = stadium_id >= 1 && stadium_id <= static_cast<int>(master.size())
                                ? master[static_cast<size_t>(stadium_id - 1)].name
                                : Format(L"%02d", stadium_id);
  return Format(L"%s %dR", name, race_no);
}

std::vector<DayRace> RacesOfDay(DbManager& db, const std::wstring& date_text, int stadium_id, int race_no) {
  std::wstring sql = Format(L"SELECT id, stadium_id, race_no FROM races WHERE race_date = %s", SqlQuote(date_text));
  if (stadium_id > 0) sql += Format(L" AND stadium_id = %d", stadium_id);
  if (race_no > 0) sql += Format(L" AND race_no = %d", race_no);
  sql += L" AND stadium_id BETWEEN 1 AND 24 AND race_no BETWEEN 1 AND 12 ORDER BY stadium_id, race_no;";
  std::vector<DbRow> rows;
  std::vector<DayRace> races;
  if (!db.QueryRows(sql, &rows)) return races;
  for (const DbRow& row : rows) {
    DayRace race;
    race.id = Integer(DbRowValue(row, L"id"));
    race.stadiumId = static_cast<int>(Integer(DbRowValue(row, L"stadium_id")));
    race.raceNo = static_cast<int>(Integer(DbRowValue(row, L"race_no")));
    if (race.id > 0) races.push_back(race);
  }
  return races;
}

bool TakeRaceDayPages(DbManager& db, WebClient& client, const std::wstring& date_text,
                      const std::vector<DayRace>& races, const RaceDayPagesOptions& options,
                      const RaceDayPagesHooks& hooks, RaceDayPagesStats* stats) {
  int64_t day = 0;
  int year = 0, month = 0, date = 0;
  const bool day_known = std::swscanf(date_text.c_str(), L"%d-%d-%d", &year, &month, &date) == 3 &&
                         FromLocalTime({year, month, date}, &day);
  const bool day_is_over = day_known && options.today > 0 && day < options.today;
  const int32_t count = static_cast<int32_t>(races.size());

  for (int32_t k = 0; k < count; ++k) {
    const DayRace& race = races[static_cast<size_t>(k)];
    const std::wstring label = RaceLabel(race.stadiumId, race.raceNo);
    const std::wstring text = Format(L"%s %s 直前情報・オッズを取得中", date_text, label);
    if (hooks.progress && !hooks.progress(k, count, text)) return false;
    if (options.skipFinal && !options.replaceFinal && RaceHasFinalOdds(db, race.id)) {
      ++stats->skipped;
      continue;
    }

    RacePageSet pages;
    bool go_on = true;
    const bool complete = FetchRacePages(client, date_text, race.stadiumId, race.raceNo,
                                         [&] {
                                           ++stats->pages;
                                           if (hooks.sleep) {
                                             hooks.sleep(options.pauseMs);
                                           } else {
                                             SleepMs(options.pauseMs);
                                           }
                                           go_on = !hooks.progress || hooks.progress(k, count, text);
                                           return go_on;
                                         },
                                         &pages);
    // A race cut short stores nothing: its snapshot would lack pages.
    if (!complete) return false;
    ++stats->races;

    RaceSnapshot snapshot;
    ReadRaceSnapshot(pages, &snapshot);
    SnapshotStoreOptions store_options;
    store_options.dayIsOver = day_is_over;
    store_options.replaceFinal = options.replaceFinal;
    SnapshotStoreCounts counts;
    std::wstring message;
    if (!StoreRaceSnapshot(db, &message, race.id, snapshot, store_options, &counts)) {
      stats->log += Format(L"直前情報・オッズの保存失敗: %s %s %s\r\n", date_text, label, message);
    }
    stats->oddsRows += counts.totalRows;
    if (counts.totalRows > 0) ++stats->snapshots;

    std::wstring reasons;
    for (int p = 0; p < kRacePageCount; ++p) {
      const size_t at = static_cast<size_t>(p);
      if (snapshot.outcome[at] == RacePageOutcome::kRead) continue;
      if (snapshot.outcome[at] == RacePageOutcome::kFailed) {
        stats->log += Format(L"直前情報・オッズの取得失敗: %s %s %hs %s\r\n", date_text, label,
                             RacePageNames()[at], snapshot.problem[at]);
      }
      if (!reasons.empty()) reasons += L" ";
      reasons += Format(L"%hs(%s)", RacePageNames()[at], snapshot.problem[at]);
    }
    if (!reasons.empty()) {
      ++stats->unavailable;
      if (stats->missingLines < kMissingRaceLines) {
        stats->missing += Format(L"  %s %s %s\r\n", date_text, label, snapshot.cancelled ? L"中止" : reasons);
        ++stats->missingLines;
      }
    }
  }
  return true;
}

}  // namespace wakelore
