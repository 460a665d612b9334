// What an odds page says about itself, apart from the odds: when they were
// last updated, whether they are the odds at the deadline, and whether the
// race was cancelled.  Every odds page of a race (3連単, 3連複, 2連単・2連複,
// 拡連複, 単勝・複勝) carries these the same way.
#ifndef WAKELORE_WEB_ODDS_PAGE_H_
#define WAKELORE_WEB_ODDS_PAGE_H_

#include <string>
#include <string_view>

namespace wakelore {

// The update time as the page prints it: "締切時" when the page shows the
// odds at the deadline ("締切時オッズ"), else the time after "オッズ更新時間"
// ("9:02"), else "".  At most a few bytes of digits and ':' are taken.
std::wstring OddsPageTime(std::string_view body);

// True when the page shows the odds at the deadline ("締切時オッズ").
bool OddsPageIsFinal(std::string_view body);

// True when the page says the race was cancelled
// ("該当レースは中止になりました。").
bool PageSaysCancelled(std::string_view body);

}  // namespace wakelore

#endif  // WAKELORE_WEB_ODDS_PAGE_H_
