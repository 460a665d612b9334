// The trio (3連複) odds of one race, read from the official race web site's
// odds3f page.
#ifndef WAKELORE_WEB_TRIO_ODDS_H_
#define WAKELORE_WEB_TRIO_ODDS_H_

#include <string_view>

#include "web/odds_value.h"

namespace wakelore {

// Parses an odds3f page (UTF-8 bytes) into `*odds` (emptied first): the
// first odds table, whose column groups name the first boat and whose rows
// name the second and the third, up to the 20 combinations "1-2-3" ..
// "4-5-6" (boats ascending).  True when the table was read as laid out,
// also when no cell held odds (then `*odds` is empty); false, with `*odds`
// empty, when the page has no odds table or the table names impossible
// combinations.
bool ParseTrioOdds(std::string_view body, OddsMap* odds);

}  // namespace wakelore

#endif  // WAKELORE_WEB_TRIO_ODDS_H_
