#include "web/win_place_odds.h"

#include <vector>

#include "platform/format.h"
#include "web/odds_grid.h"
#include "web/page_integer.h"

namespace wakelore {

namespace {

// One table: every row whose last cell is an "oddsPoint" cell gives the
// odds of the boat in its first cell.
bool ReadBoatTable(std::string_view table, OddsMap* odds) {
  odds->clear();
  for (const std::vector<TableCell>& row : ReadOddsGrid(table)) {
    if (row.size() < 2 || row.back().cellClass.find("oddsPoint") == std::string::npos) continue;
    const int boat = PageInteger(row.front().cellText);
    if (boat < 1 || boat > 6) return false;
    const std::wstring key = Format(L"%d", boat);
    if (odds->count(key) != 0) return false;
    OddsValue value;
    ReadOddsValue(row.back().cellText, &value);
    (*odds)[key] = value;
  }
  for (auto it = odds->begin(); it != odds->end();) {
    it = it->second.low > 0 ? std::next(it) : odds->erase(it);
  }
  return true;
}

}  // namespace

bool ParseWinPlaceOdds(std::string_view body, OddsMap* win, OddsMap* place) {
  win->clear();
  place->clear();
  const std::vector<std::string_view> tables = OddsTables(body);
  if (tables.size() < 2 || !ReadBoatTable(tables[0], win) || !ReadBoatTable(tables[1], place)) {
    win->clear();
    place->clear();
    return false;
  }
  return true;
}

}  // namespace wakelore
