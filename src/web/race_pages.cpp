#include "web/race_pages.h"

#include <cwchar>

#include "db/db_statement.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/text.h"
#include "web/exacta_quinella_odds.h"
#include "web/html_tools.h"
#include "web/odds_page.h"
#include "web/quinella_place_odds.h"
#include "web/race_address.h"
#include "web/trifecta_odds.h"
#include "web/trio_odds.h"
#include "web/win_place_odds.h"

namespace wakelore {

namespace {

constexpr int kBetTypeCount = 7;
enum Page { kBeforeInfo = 0, kTrifecta, kTrio, kExactaQuinella, kQuinellaPlace, kWinPlace };
// The page each bet type is read from.
constexpr int kPageOfBetType[kBetTypeCount] = {kTrifecta,      kTrio,          kExactaQuinella, kExactaQuinella,
                                               kQuinellaPlace, kWinPlace,      kWinPlace};

std::wstring LatestFetchTime(DbManager& db, int64_t race_id) {
  std::vector<DbRow> rows;
  if (!db.QueryRows(Format(L"SELECT MAX(fetched_at) AS latest FROM live_odds WHERE race_id=%d;", race_id), &rows) ||
      rows.empty()) {
    return std::wstring();
  }
  return DbRowValue(rows[0], L"latest");
}

int64_t CountOf(DbManager& db, const std::wstring& sql) {
  std::vector<DbRow> rows;
  if (!db.QueryRows(sql, &rows) || rows.empty()) return -1;
  return std::wcstoll(DbRowValue(rows[0], L"n").c_str(), nullptr, 10);
}

// Why an odds page gave nothing, when it says so itself.
std::wstring UnavailableReason(std::string_view body) {
  if (PageSaysCancelled(body)) return L"中止";
  if (PageSaysNoData(body)) return L"データなし";
  return std::wstring();
}

}  // namespace

const std::array<const char*, kRacePageCount>& RacePageNames() {
  static const std::array<const char*, kRacePageCount> names = {"beforeinfo", "odds3t", "odds3f",
                                                                "odds2tf",    "oddsk",  "oddstf"};
  return names;
}

const std::array<const wchar_t*, 7>& LiveOddsBetTypes() {
  static const std::array<const wchar_t*, 7> types = {L"3連単",  L"3連複", L"2連単", L"2連複",
                                                      L"拡連複", L"単勝",  L"複勝"};
  return types;
}

bool FetchRacePages(WebClient& client, const std::wstring& date_text, int stadium_id, int race_no,
                    const std::function<bool()>& after_page, RacePageSet* pages) {
  *pages = RacePageSet();
  for (int i = 0; i < kRacePageCount; ++i) {
    const size_t at = static_cast<size_t>(i);
    client.message.clear();
    pages->fetched[at] =
        FetchPage(client, RacePagePath(RacePageNames()[at], date_text, stadium_id, race_no), &pages->body[at]);
    if (!pages->fetched[at]) {
      pages->body[at].clear();
      pages->error[at] = client.message.empty() ? std::wstring(L"空の応答が返されました。") : client.message;
    }
    if (after_page && !after_page()) return false;
  }
  return true;
}

void ReadRaceSnapshot(const RacePageSet& pages, RaceSnapshot* snapshot) {
  *snapshot = RaceSnapshot();
  snapshot->odds.resize(kBetTypeCount);
  for (int t = 0; t < kBetTypeCount; ++t) snapshot->odds[static_cast<size_t>(t)].betType = LiveOddsBetTypes()[t];

  for (int page = 0; page < kRacePageCount; ++page) {
    const size_t p = static_cast<size_t>(page);
    RacePageOutcome& outcome = snapshot->outcome[p];
    std::wstring& problem = snapshot->problem[p];
    if (!pages.fetched[p]) {
      outcome = RacePageOutcome::kFailed;
      problem = pages.error[p];
      continue;
    }
    const std::string& body = pages.body[p];
    if (PageSaysCancelled(body)) snapshot->cancelled = true;

    if (page == kBeforeInfo) {
      if (ParseBeforeInfo(body, &snapshot->info)) {
        snapshot->hasBeforeInfo = true;
        outcome = RacePageOutcome::kRead;
      } else if (!UnavailableReason(body).empty()) {
        outcome = RacePageOutcome::kUnavailable;
        problem = UnavailableReason(body);
      } else {
        outcome = RacePageOutcome::kFailed;
        problem = L"直前情報ページの形式を解釈できませんでした。";
      }
      continue;
    }

    bool read = false;
    std::vector<OddsMap*> maps;
    auto odds_of = [snapshot](int bet_type) { return &snapshot->odds[static_cast<size_t>(bet_type)].odds; };
    switch (page) {
      case kTrifecta: {
        TrifectaOdds trifecta;
        read = ParseTrifectaOdds(body, &trifecta);
        for (const auto& [combination, value] : trifecta) (*odds_of(0))[combination] = OddsValue{value, 0};
        maps = {odds_of(0)};
        break;
      }
      case kTrio:
        read = ParseTrioOdds(body, odds_of(1));
        maps = {odds_of(1)};
        break;
      case kExactaQuinella:
        read = ParseExactaQuinellaOdds(body, odds_of(2), odds_of(3));
        maps = {odds_of(2), odds_of(3)};
        break;
      case kQuinellaPlace:
        read = ParseQuinellaPlaceOdds(body, odds_of(4));
        maps = {odds_of(4)};
        break;
      default:
        read = ParseWinPlaceOdds(body, odds_of(5), odds_of(6));
        maps = {odds_of(5), odds_of(6)};
        break;
    }
    bool any = false;
    for (const OddsMap* map : maps) any = any || !map->empty();
    if (read && any) {
      outcome = RacePageOutcome::kRead;
      const std::wstring time = OddsPageTime(body);
      const bool final_odds = OddsPageIsFinal(body);
      for (int t = 0; t < kBetTypeCount; ++t) {
        if (kPageOfBetType[t] != page) continue;
        snapshot->odds[static_cast<size_t>(t)].officialTime = time;
        snapshot->odds[static_cast<size_t>(t)].atDeadline = final_odds;
      }
    } else if (read || !UnavailableReason(body).empty()) {
      // A table whose every cell lacks odds (欠場 throughout, not yet on
      // sale) is as unavailable as a page that says so.
      outcome = RacePageOutcome::kUnavailable;
      problem = UnavailableReason(body).empty() ? std::wstring(L"オッズなし") : UnavailableReason(body);
    } else {
      outcome = RacePageOutcome::kFailed;
      problem = L"オッズページの形式を解釈できませんでした。";
    }
  }
}

bool StoreRaceSnapshot(DbManager& db, std::wstring* message, int64_t race_id, const RaceSnapshot& snapshot,
                       const SnapshotStoreOptions& options, SnapshotStoreCounts* counts) {
  *counts = SnapshotStoreCounts();
  if (race_id < 1) {
    *message = L"保存するレースが選択されていません。";
    return false;
  }
  bool any = false;
  for (const BetTypeOdds& bet : snapshot.odds) any = any || !bet.odds.empty();
  if (!any && !snapshot.hasBeforeInfo) return true;

  // A snapshot is told apart from the others only by its fetch time, and
  // that has whole seconds: a second snapshot within the same second waits.
  std::wstring fetched_at;
  if (any) {
    fetched_at = LocalTimestampText(NowSeconds());
    const std::wstring latest = LatestFetchTime(db, race_id);
    for (int waits = 0; waits < 30 && fetched_at == latest; ++waits) {
      SleepMs(50);
      fetched_at = LocalTimestampText(NowSeconds());
    }
  }

  // The before-race values and the odds go in together, or not at all.
  if (!db.Exec(L"BEGIN TRANSACTION;")) {
    *message = db.LastError();
    return false;
  }
  auto fail = [&](const std::wstring& error) {
    *message = error;
    (void)db.Exec(L"ROLLBACK;");  // the statement's own failure is what is reported
    *counts = SnapshotStoreCounts();
    return false;
  };
  if (snapshot.hasBeforeInfo && !WriteBeforeRace(db, race_id, snapshot.info)) return fail(db.LastError());
  DbStatement insert;
  if (!insert.Prepare(db,
                      "INSERT INTO live_odds (race_id, bet_type, combination, odds_value, fetched_at, odds_high, "
                      "official_time, is_final) VALUES (?, ?, ?, ?, ?, NULLIF(?, 0), NULLIF(?, ''), ?);")) {
    return fail(insert.error());
  }
  for (size_t t = 0; t < snapshot.odds.size() && t < counts->rows.size(); ++t) {
    const BetTypeOdds& bet = snapshot.odds[t];
    if (bet.odds.empty()) continue;
    const bool is_final = bet.atDeadline || options.dayIsOver;
    if (is_final) {
      const std::wstring where =
          Format(L"FROM live_odds WHERE race_id=%d AND bet_type=%s AND is_final=1;", race_id, SqlQuote(bet.betType));
      const int64_t stored = CountOf(db, L"SELECT COUNT(*) AS n " + where);
      if (stored < 0) return fail(db.LastError());
      if (stored > 0) {
        if (!options.replaceFinal) {
          counts->kept[t] = true;
          continue;
        }
        if (!db.Exec(L"DELETE " + where)) return fail(db.LastError());
      }
    }
    for (const auto& [combination, value] : bet.odds) {
      if (!insert.Int(race_id)
               .Text(bet.betType)
               .Text(combination)
               .Real(value.low)
               .Text(fetched_at)
               .Real(value.high)
               .Text(bet.officialTime)
               .Int(is_final ? 1 : 0)
               .Run()) {
        return fail(insert.error());
      }
      ++counts->rows[t];
      ++counts->totalRows;
    }
  }
  if (!db.Exec(L"COMMIT;")) return fail(db.LastError());
  counts->beforeInfoStored = snapshot.hasBeforeInfo;
  if (counts->totalRows > 0) counts->fetchedAt = fetched_at;
  return true;
}

bool RaceHasFinalOdds(DbManager& db, int64_t race_id) {
  return CountOf(db, Format(L"SELECT COUNT(DISTINCT bet_type) AS n FROM live_odds WHERE race_id=%d AND is_final=1;",
                            race_id)) >= kBetTypeCount;
}

}  // namespace wakelore
