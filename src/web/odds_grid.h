// The odds tables of an odds page as grids of cells, and the reading of the
// combination grids that most odds pages share.
//
// An odds table has one column group per first boat (1 to 6, left to
// right); a group holds the partner boats and then the odds cell (class
// "oddsPoint").  Cells that span rows (rowspan) or columns (colspan) are
// laid out the way a browser shows them, so that every row of the grid has
// the group's cells at the same positions; positions nobody fills are
// empty cells.  Bounded: at most kMaxGridRows rows and kMaxGridColumns
// columns are kept, spans are capped at those sizes.
#ifndef WAKELORE_WEB_ODDS_GRID_H_
#define WAKELORE_WEB_ODDS_GRID_H_

#include <string>
#include <string_view>
#include <vector>

#include "web/html_tools.h"
#include "web/odds_value.h"

namespace wakelore {

constexpr size_t kMaxGridRows = 64;
constexpr size_t kMaxGridColumns = 64;

// Rows of td cells (th cells and rows without td are left out); a cell that
// spans rows or columns appears at every position it covers.
using OddsGrid = std::vector<std::vector<TableCell>>;

// The tables of the page ("<table" to the next "</table>") that hold at
// least one "oddsPoint" cell, in page order.
std::vector<std::string_view> OddsTables(std::string_view body);

// The grid of one table.
OddsGrid ReadOddsGrid(std::string_view table);

// Reads a combination grid: six groups of `group_width` positions (2: the
// second boat and the odds; 3: the second boat, the third boat and the
// odds), group g for first boat g + 1.  A group whose last position is not
// an "oddsPoint" cell is skipped (a disabled cell, or the row is short).
// The combination is "first-second[-third]", with the boats sorted
// ascending when `ordered` is false.  A cell without odds (a dash, 欠場) is
// left out.  False, with `*odds` emptied, when a group names a boat outside
// 1..6 or a boat twice, or a combination appears twice: the table is not
// laid out as expected, and nothing of it is kept.
bool ReadCombinationGrid(const OddsGrid& grid, int group_width, bool ordered, OddsMap* odds);

}  // namespace wakelore

#endif  // WAKELORE_WEB_ODDS_GRID_H_
