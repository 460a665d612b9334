#include "web/exacta_quinella_odds.h"

#include <vector>

#include "web/odds_grid.h"

namespace wakelore {

bool ParseExactaQuinellaOdds(std::string_view body, OddsMap* exacta, OddsMap* quinella) {
  exacta->clear();
  quinella->clear();
  const std::vector<std::string_view> tables = OddsTables(body);
  if (tables.size() < 2 || !ReadCombinationGrid(ReadOddsGrid(tables[0]), 2, true, exacta) ||
      !ReadCombinationGrid(ReadOddsGrid(tables[1]), 2, false, quinella)) {
    exacta->clear();
    quinella->clear();
    return false;
  }
  return true;
}

}  // namespace wakelore
