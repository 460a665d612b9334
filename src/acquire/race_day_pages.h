// The race-day pages (before-race information and the odds of all seven bet
// types) of many races in a row: every race of a day, of a stadium, or one
// race, as the import run's letter L and the /snapshot run take them.
//
// Each race's six pages are fetched with a pause after every page, read and
// stored as one snapshot (web/race_pages.h).  Races are taken in stadium and
// race order; the caller is asked between pages whether to go on.
#ifndef WAKELORE_ACQUIRE_RACE_DAY_PAGES_H_
#define WAKELORE_ACQUIRE_RACE_DAY_PAGES_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "web/web_client.h"

namespace wakelore {

// One race of the database.
struct DayRace {
  int64_t id = 0;
  int stadiumId = 0;
  int raceNo = 0;
};

// The races of `date_text` ("YYYY-MM-DD") in the database, of stadium
// `stadium_id` (0: every stadium) and race `race_no` (0: every race), in
// stadium and race order.  Empty when there are none or the query failed.
std::vector<DayRace> RacesOfDay(DbManager& db, const std::wstring& date_text, int stadium_id, int race_no);

struct RaceDayPagesOptions {
  bool skipFinal = false;     // races whose final odds are all stored are not fetched
  bool replaceFinal = false;  // final odds stored before are replaced by the new ones
  int64_t today = 0;          // local midnight of "now": earlier days' odds are final
  uint32_t pauseMs = 300;     // after every page
};

// Counters, added to by TakeRaceDayPages (never reset by it).
struct RaceDayPagesStats {
  int32_t races = 0;        // races whose pages were fetched
  int32_t skipped = 0;      // races left out because their final odds are stored
  int32_t pages = 0;        // page requests made
  int32_t snapshots = 0;    // races that stored at least one odds row
  int32_t oddsRows = 0;     // live_odds rows stored
  int32_t unavailable = 0;  // races with a page that gave nothing (no data,
                            // cancelled, no odds, not obtainable)
  std::wstring log;         // failure lines
  std::wstring missing;     // lines of unavailable races (at most kMissingRaceLines)
  int32_t missingLines = 0;
};

constexpr int32_t kMissingRaceLines = 15;

// Hooks of the caller: `sleep` pauses (replaceable by tests); `progress`
// is told each race before its pages ((k, n, text) with the race's place in
// the list) and again after every page; false stops the work.
struct RaceDayPagesHooks {
  std::function<void(uint32_t milliseconds)> sleep;
  std::function<bool(int32_t race_index, int32_t race_count, const std::wstring& text)> progress;
};

// Takes the pages of `races` (all of day `date_text`).  False when the
// progress hook asked to stop (the race in progress keeps what it stored:
// nothing of a race is stored before all its pages were fetched).
bool TakeRaceDayPages(DbManager& db, WebClient& client, const std::wstring& date_text,
                      const std::vector<DayRace>& races, const RaceDayPagesOptions& options,
                      const RaceDayPagesHooks& hooks, RaceDayPagesStats* stats);

// "蒲郡 1R" and the like (the stadium master's name).
std::wstring RaceLabel(int stadium_id, int race_no);

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_RACE_DAY_PAGES_H_
