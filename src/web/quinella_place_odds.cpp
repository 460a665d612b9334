#include "web/quinella_place_odds.h"

#include <vector>

#include "web/odds_grid.h"

namespace wakelore {

bool ParseQuinellaPlaceOdds(std::string_view body, OddsMap* odds) {
  odds->clear();
  const std::vector<std::string_view> tables = OddsTables(body);
  if (tables.empty()) return false;
  return ReadCombinationGrid(ReadOddsGrid(tables[0]), 2, false, odds);
}

}  // namespace wakelore
