// The odds of one combination as an odds page prints them, and the map in
// which the readers of the odds pages hand them over.
//
// Most bet types show one number ("12.5"); 拡連複 and 複勝 show the range
// the payout may fall in ("1.2-1.5").  A cell without a number (a dash,
// 欠場 for an absent boat) has no odds at all.
#ifndef WAKELORE_WEB_ODDS_VALUE_H_
#define WAKELORE_WEB_ODDS_VALUE_H_

#include <map>
#include <string>
#include <string_view>

namespace wakelore {

struct OddsValue {
  double low = 0;   // the odds, or the lower end of a range
  double high = 0;  // the upper end of a range; 0 when the cell is one number
};

// Combination, written as the result file writes it ("1-2-3", "1-2", "1";
// boats ascending for the unordered bets) -> odds.  Combinations without
// odds are absent.
using OddsMap = std::map<std::wstring, OddsValue>;

// Reads the text of one odds cell.  "12.5" gives {12.5, 0}, "1.2-1.5"
// gives {1.2, 1.5}.  False when the cell holds no positive number (a dash,
// "欠場", nothing), or a range whose upper end is missing or below its
// lower end; `*value` is then {0, 0}.
bool ReadOddsValue(std::string_view text, OddsValue* value);

}  // namespace wakelore

#endif  // WAKELORE_WEB_ODDS_VALUE_H_
