// The trifecta (3連単) odds of one race as the official race web site shows
// them before the race, read from its odds page and kept in live_odds as
// snapshots: every store adds all combinations under one fetch time and
// never changes earlier snapshots.
//
// ParseTrifectaOdds reads the odds3t page of a race's race-day pages
// (race_pages.h), which store it with the other bet types; FetchTrifectaOdds
// and StoreLiveOdds take the 3連単 page alone.
#ifndef WAKELORE_WEB_TRIFECTA_ODDS_H_
#define WAKELORE_WEB_TRIFECTA_ODDS_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "db/db_manager.h"
#include "web/web_client.h"

namespace wakelore {

// Combination "first-second-third" ("1-2-3") -> odds.  Ordered by the
// text, which for single digits is numeric order: 1-2-3 first, 6-5-4 last.
// At most 120 entries; combinations without odds (a dash) are absent.
using TrifectaOdds = std::map<std::wstring, double>;

// Fetches the trifecta odds page of the race (date "YYYY-MM-DD", stadium
// 1..24, race 1..12) and parses it into `*odds` (emptied first).  False
// when the fetch failed (client.message from FetchPage) or the page could
// not be read; then client.message is
//   "オッズがありません(この日の開催がないか、まだ発売されていません)。"
// when the page says it has no data, else
//   "オッズページの形式を解釈できませんでした。".
[[nodiscard]] bool FetchTrifectaOdds(WebClient& client, const std::wstring& date_text, int stadium_id, int race_no,
                                     TrifectaOdds* odds);

// Parses an odds page (UTF-8 bytes) into `*odds` (emptied first).  The
// page lists the odds in 20 rows (table rows holding "oddsPoint"), in
// groups of four, six columns (the first boat) each: the first row of a
// group names each column's second boat, every row its third boat and the
// odds.  True only when exactly 20 such rows were read, every odds cell
// carried the "oddsPoint" class, and at least one odds was above 0; on
// false `*odds` is empty.
[[nodiscard]] bool ParseTrifectaOdds(std::string_view body, TrifectaOdds* odds);

// Adds one snapshot: a live_odds row per entry of `odds`, in map order,
// with `bet_type` (the dialog passes "3連単"), the odds with two decimals and
// the current local time "YYYY-MM-DD HH:MM:SS", which is also returned in
// `*fetched_at`.  All rows go in one transaction; on failure nothing is
// kept and `*message` is the database's error.  A race id below 1 or an
// empty map fails with "保存するオッズがありません。".  When the race's
// latest snapshot of the bet type carries the current second already, the
// store waits (at most about 1.5 s) for the next second, so that two
// snapshots never share a fetch time.
[[nodiscard]] bool StoreLiveOdds(DbManager& db, std::wstring* message, int64_t race_id, const std::wstring& bet_type,
                                 const TrifectaOdds& odds, std::wstring* fetched_at);

}  // namespace wakelore

#endif  // WAKELORE_WEB_TRIFECTA_ODDS_H_
