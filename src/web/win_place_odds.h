// The win (単勝) and place (複勝) odds of one race, read from the official
// race web site's oddstf page, which shows both: the 単勝 table first, then
// the 複勝 table, one row per boat (boat number, racer, odds).  複勝 cells
// are ranges ("1.2-1.5").
#ifndef WAKELORE_WEB_WIN_PLACE_ODDS_H_
#define WAKELORE_WEB_WIN_PLACE_ODDS_H_

#include <string_view>

#include "web/odds_value.h"

namespace wakelore {

// Parses an oddstf page (UTF-8 bytes) into `*win` and `*place` (emptied
// first), each keyed by the boat ("1" .. "6").  True when both tables were
// read as laid out, also when cells held no odds; false, with both maps
// empty, when the page lacks one of the two tables, or a row names a boat
// outside 1..6 or a boat twice.
bool ParseWinPlaceOdds(std::string_view body, OddsMap* win, OddsMap* place);

}  // namespace wakelore

#endif  // WAKELORE_WEB_WIN_PLACE_ODDS_H_
