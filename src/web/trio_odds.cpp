#include "web/trio_odds.h"

#include <vector>

#include "web/odds_grid.h"

namespace wakelore {

bool ParseTrioOdds(std::string_view body, OddsMap* odds) {
  odds->clear();
  const std::vector<std::string_view> tables = OddsTables(body);
  if (tables.empty()) return false;
  return ReadCombinationGrid(ReadOddsGrid(tables[0]), 3, false, odds);
}

}  // namespace wakelore
