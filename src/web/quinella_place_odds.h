// The quinella-place (拡連複) odds of one race, read from the official race
// web site's oddsk page.  Every cell is a range ("1.2-1.5").
#ifndef WAKELORE_WEB_QUINELLA_PLACE_ODDS_H_
#define WAKELORE_WEB_QUINELLA_PLACE_ODDS_H_

#include <string_view>

#include "web/odds_value.h"

namespace wakelore {

// Parses an oddsk page (UTF-8 bytes) into `*odds` (emptied first): up to
// the 15 combinations "1-2" .. "5-6" (boats ascending), each with the lower
// and the upper end of its range.  True when the table was read as laid
// out, also when no cell held odds; false, with `*odds` empty, when the
// page has no odds table or the table names impossible combinations.
bool ParseQuinellaPlaceOdds(std::string_view body, OddsMap* odds);

}  // namespace wakelore

#endif  // WAKELORE_WEB_QUINELLA_PLACE_ODDS_H_
