#include "web/odds_grid.h"

#include <algorithm>

#include "platform/format.h"
#include "web/page_integer.h"

namespace wakelore {

namespace {

constexpr int kGroups = 6;

// The number in a span attribute (rowspan="4") of a tag, 1 when absent,
// capped at `cap`.
size_t SpanOf(std::string_view tag, std::string_view attribute, size_t cap) {
  size_t at = tag.find(attribute);
  if (at == std::string_view::npos) return 1;
  at += attribute.size();
  if (at < tag.size() && tag[at] == '"') ++at;
  const int value = PageInteger(tag.substr(at));
  if (value < 1) return 1;
  return std::min(static_cast<size_t>(value), cap);
}

struct SpannedCell {
  TableCell cell;
  size_t rows = 1;
  size_t columns = 1;
};

// The td cells of one row with their spans.
std::vector<SpannedCell> RowCells(std::string_view row) {
  std::vector<SpannedCell> cells;
  size_t pos = 0;
  while (cells.size() < kMaxGridColumns) {
    const size_t open = row.find("<td", pos);
    if (open == std::string_view::npos) break;
    const size_t tag_end = row.find('>', open);
    if (tag_end == std::string_view::npos) break;
    const size_t close = row.find("</td>", tag_end);
    if (close == std::string_view::npos) break;
    const std::string_view tag = row.substr(open, tag_end - open + 1);
    SpannedCell cell;
    cell.cell.cellText = HtmlToText(row.substr(tag_end + 1, close - tag_end - 1));
    cell.cell.cellClass = ClassOf(tag);
    cell.rows = SpanOf(tag, "rowspan=", kMaxGridRows);
    cell.columns = SpanOf(tag, "colspan=", kMaxGridColumns);
    cells.push_back(std::move(cell));
    pos = close + 5;
  }
  return cells;
}

bool IsBoat(int n) { return n >= 1 && n <= 6; }

}  // namespace

std::vector<std::string_view> OddsTables(std::string_view body) {
  std::vector<std::string_view> tables;
  size_t pos = 0;
  for (;;) {
    const size_t open = body.find("<table", pos);
    if (open == std::string_view::npos) break;
    const size_t close = body.find("</table>", open);
    if (close == std::string_view::npos) break;
    const std::string_view table = body.substr(open, close - open);
    if (table.find("oddsPoint") != std::string_view::npos) tables.push_back(table);
    pos = close + 8;
  }
  return tables;
}

OddsGrid ReadOddsGrid(std::string_view table) {
  OddsGrid grid;
  // Per column: the cell that reaches down into the next rows, and for how
  // many more rows.
  std::vector<std::pair<TableCell, size_t>> carried(kMaxGridColumns);
  size_t pos = 0;
  while (grid.size() < kMaxGridRows) {
    const size_t open = table.find("<tr", pos);
    if (open == std::string_view::npos) break;
    const size_t close = table.find("</tr>", open);
    if (close == std::string_view::npos) break;
    pos = close + 5;
    std::vector<SpannedCell> cells = RowCells(table.substr(open, close - open));
    if (cells.empty()) continue;

    std::vector<TableCell> row;
    size_t column = 0;
    auto take_carried = [&] {
      while (column < kMaxGridColumns && carried[column].second > 0) {
        if (row.size() <= column) row.resize(column + 1);
        row[column] = carried[column].first;
        --carried[column].second;
        ++column;
      }
    };
    for (SpannedCell& cell : cells) {
      take_carried();
      for (size_t i = 0; i < cell.columns && column < kMaxGridColumns; ++i, ++column) {
        if (row.size() <= column) row.resize(column + 1);
        row[column] = cell.cell;
        if (cell.rows > 1) carried[column] = {cell.cell, cell.rows - 1};
      }
    }
    // Cells reaching down from above into positions after this row's last
    // cell.
    for (size_t c = column; c < kMaxGridColumns; ++c) {
      if (carried[c].second == 0) continue;
      if (row.size() <= c) row.resize(c + 1);
      row[c] = carried[c].first;
      --carried[c].second;
    }
    grid.push_back(std::move(row));
  }
  return grid;
}

bool ReadCombinationGrid(const OddsGrid& grid, int group_width, bool ordered, OddsMap* odds) {
  odds->clear();
  auto fail = [odds] {
    odds->clear();
    return false;
  };
  if (group_width < 2 || group_width > 3) return fail();
  const size_t width = static_cast<size_t>(group_width);
  for (const std::vector<TableCell>& row : grid) {
    for (int group = 0; group < kGroups; ++group) {
      const size_t base = static_cast<size_t>(group) * width;
      if (row.size() < base + width) break;
      const TableCell& odds_cell = row[base + width - 1];
      if (odds_cell.cellClass.find("oddsPoint") == std::string::npos) continue;
      int boats[3] = {group + 1, PageInteger(row[base].cellText), 0};
      const int count = group_width;
      if (count == 3) boats[2] = PageInteger(row[base + 1].cellText);
      for (int i = 0; i < count; ++i) {
        if (!IsBoat(boats[i])) return fail();
        for (int j = 0; j < i; ++j) {
          if (boats[i] == boats[j]) return fail();
        }
      }
      if (!ordered) std::sort(boats, boats + count);
      const std::wstring key = count == 3 ? Format(L"%d-%d-%d", boats[0], boats[1], boats[2])
                                          : Format(L"%d-%d", boats[0], boats[1]);
      if (odds->count(key) != 0) return fail();
      OddsValue value;
      if (ReadOddsValue(odds_cell.cellText, &value)) {
        (*odds)[key] = value;
      } else {
        // A cell without odds still names its combination: a second cell
        // for it later would mean the layout is not what it seems.
        (*odds)[key] = OddsValue();
      }
    }
  }
  for (auto it = odds->begin(); it != odds->end();) {
    it = it->second.low > 0 ? std::next(it) : odds->erase(it);
  }
  return true;
}

}  // namespace wakelore
