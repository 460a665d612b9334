// The six race-day pages of one race on the official race web site — the
// before-race page and the five odds pages — fetched, read and stored as
// one snapshot.
//
//   beforeinfo  直前情報 (before_race.h)
//   odds3t      3連単 (trifecta_odds.h)
//   odds3f      3連複 (trio_odds.h)
//   odds2tf     2連単 and 2連複 (exacta_quinella_odds.h)
//   oddsk       拡連複 (quinella_place_odds.h)
//   oddstf      単勝 and 複勝 (win_place_odds.h)
//
// A snapshot is every odds row of the seven bet types that the pages held,
// all under one fetch time, in live_odds; the before-race values go onto
// the race and its entries as the before-race command writes them.  Odds
// at the deadline (the page says "締切時オッズ", or the race's day is
// over) are final: they are stored once per race and bet type, while
// snapshots taken before the deadline accumulate.
//
// A page that says there are no data, a cancelled race and cells without
// odds (欠場, a dash) store nothing for what they lack; such pages are
// unavailable, not failures.  Used by the before-race command, the
// /snapshot run and the import run's race-day pages; one thread at a time.
#ifndef WAKELORE_WEB_RACE_PAGES_H_
#define WAKELORE_WEB_RACE_PAGES_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/db_manager.h"
#include "web/before_race.h"
#include "web/odds_value.h"
#include "web/web_client.h"

namespace wakelore {

constexpr int kRacePageCount = 6;

// The page names in the order they are fetched: "beforeinfo", "odds3t",
// "odds3f", "odds2tf", "oddsk", "oddstf".
const std::array<const char*, kRacePageCount>& RacePageNames();

// The seven bet types as live_odds spells them, in the order they are
// stored: "3連単", "3連複", "2連単", "2連複", "拡連複", "単勝", "複勝".
const std::array<const wchar_t*, 7>& LiveOddsBetTypes();

// The bodies of the six pages; a page whose fetch failed has an empty body
// and the client's message in `error`.
struct RacePageSet {
  std::array<std::string, kRacePageCount> body;
  std::array<bool, kRacePageCount> fetched = {};
  std::array<std::wstring, kRacePageCount> error;
};

// Fetches the six pages of the race (date "YYYY-MM-DD", stadium 1..24, race
// 1..12) in order.  After every page, fetched or not, `after_page` is
// called (the caller pauses there, 300 ms between requests); when it
// answers false no further page is fetched and the function returns false.
bool FetchRacePages(WebClient& client, const std::wstring& date_text, int stadium_id, int race_no,
                    const std::function<bool()>& after_page, RacePageSet* pages);

// What became of one page.
enum class RacePageOutcome {
  kRead,         // read; its values are in the snapshot
  kUnavailable,  // no data, a cancelled race, or no cell with odds
  kFailed,       // not fetched, or not laid out as expected (`problem` says why)
};

// The odds of one bet type as one page showed them.
struct BetTypeOdds {
  std::wstring betType;       // as LiveOddsBetTypes() spells it
  OddsMap odds;
  std::wstring officialTime;  // "9:02", "締切時" or ""
  bool atDeadline = false;    // the page showed the odds at the deadline
};

// What the six pages held.
struct RaceSnapshot {
  bool hasBeforeInfo = false;
  BeforeRaceInfo info;
  std::vector<BetTypeOdds> odds;  // the seven bet types, in LiveOddsBetTypes() order
  std::array<RacePageOutcome, kRacePageCount> outcome = {};
  std::array<std::wstring, kRacePageCount> problem;  // why a page failed or was unavailable
  bool cancelled = false;                            // some page said the race was cancelled
};

// Reads the six bodies.  Never fails: a page that cannot be read is marked
// in `outcome` and contributes nothing.
void ReadRaceSnapshot(const RacePageSet& pages, RaceSnapshot* snapshot);

// How a snapshot is stored.
struct SnapshotStoreOptions {
  bool dayIsOver = false;     // the race's day is before today: all odds are final
  bool replaceFinal = false;  // final odds already stored are replaced
};

// What a store wrote, per bet type in LiveOddsBetTypes() order.
struct SnapshotStoreCounts {
  std::array<int, 7> rows = {};     // live_odds rows added
  std::array<bool, 7> kept = {};    // final odds were stored before and are kept
  int totalRows = 0;
  std::wstring fetchedAt;           // "YYYY-MM-DD HH:MM:SS", when rows were added
  bool beforeInfoStored = false;
};

// Stores the snapshot for race `race_id`, in one transaction: the
// before-race values (as StoreBeforeRace writes them) and a live_odds row per
// combination with odds_value (the odds or the lower end), odds_high (the
// upper end, NULL otherwise), official_time (NULL when the page printed
// none), is_final and one fetch time for all rows.  The fetch time is the
// current local time, never the same second as an earlier snapshot of the
// race (the store waits up to about 1.5 s for the next second).  A bet type
// whose final odds are stored already is kept as it is unless
// `replaceFinal`, which swaps the old final rows for the new ones.  False,
// with everything rolled back (before-race values too) and `*message` set,
// when a statement fails; a race id below 1 fails with
// "保存するレースが選択されていません。".
bool StoreRaceSnapshot(DbManager& db, std::wstring* message, int64_t race_id, const RaceSnapshot& snapshot,
                       const SnapshotStoreOptions& options, SnapshotStoreCounts* counts);

// True when final odds of all seven bet types are stored for the race.
bool RaceHasFinalOdds(DbManager& db, int64_t race_id);

}  // namespace wakelore

#endif  // WAKELORE_WEB_RACE_PAGES_H_
