// The exacta (2連単) and quinella (2連複) odds of one race, read from the
// official race web site's odds2tf page, which shows both: the 2連単 table
// first, then the 2連複 table.
#ifndef WAKELORE_WEB_EXACTA_QUINELLA_ODDS_H_
#define WAKELORE_WEB_EXACTA_QUINELLA_ODDS_H_

#include <string_view>

#include "web/odds_value.h"

namespace wakelore {

// Parses an odds2tf page (UTF-8 bytes) into `*exacta` ("1-2" .. "6-5",
// first boat first: up to 30) and `*quinella` ("1-2" .. "5-6", boats
// ascending: up to 15), both emptied first.  True when both tables were
// read as laid out, also when cells held no odds; false, with both maps
// empty, when the page lacks one of the two tables or a table names
// impossible combinations.
bool ParseExactaQuinellaOdds(std::string_view body, OddsMap* exacta, OddsMap* quinella);

}  // namespace wakelore

#endif  // WAKELORE_WEB_EXACTA_QUINELLA_ODDS_H_
