// The lines of the daily result file (競走成績), read by whitespace-separated
// tokens: the race header with the water conditions, the finishing order
// lines, the line carrying the winning technique, and the payout lines.
//
//    1R       一般                 H1800m  雨    風  東     2m  波    1cm
//   着 艇 登番  選 手 名  ﾓｰﾀｰ ﾎﾞｰﾄ 展示 進入 ｽﾀｰﾄﾀｲﾐﾝｸ ﾚｰｽﾀｲﾑ 逃げ
//   01  1 3812 山 崎  聖 司 67   61  6.94   1    0.10     1.50.8
//   F   6 3721 守 田  俊 介 45   20  6.96   3   F0.01      .  .
//         単勝     1          240
//         複勝     1          100  4          210
//         拡連複   1-4        140  人気     2
//                  1-2        130  人気     1
//
// All functions are pure and accept any text.
#ifndef WAKELORE_ARCHIVE_RESULT_LINES_H_
#define WAKELORE_ARCHIVE_RESULT_LINES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

struct ResultHeader {
  std::wstring title;
  int32_t distance = 1800;
  std::wstring weather;
  std::wstring windDirection;
  double windSpeed = 0.0;
  double waveHeight = 0.0;
};

struct ResultEntry {
  int32_t finishOrder = 0;   // 1-6; 6 for a mark (F, L, K, S, 00) instead of a place
  std::wstring finishMark;   // the first token, width-normalised
  int32_t frame = 0;
  std::wstring registerNo;
  std::wstring racerName;
  std::wstring motorNo;
  std::wstring boatNo;
  double exhibitionTime = 0.0;
  int32_t courseNo = 0;
  double startTiming = 0.0;  // negative for a flying start (F.03 -> -0.03)
  std::wstring raceTime;     // as printed ("1.50.8"), or empty
};

struct PayoutItem {
  std::wstring betType;      // "単勝" ... "３連複", as printed
  std::wstring combination;  // "1-2-3", or "特払い"
  int32_t amount = 0;        // yen
  int32_t popularity = 0;    // 0 when not printed
};

// The header of a race (the line must hold R, H and m), or nothing.
std::optional<ResultHeader> ParseResultHeader(std::wstring_view line);

// The winning technique: the last word of the line holding the race-time
// column heading "ﾚｰｽﾀｲﾑ"; empty for any other line.
std::wstring WinningTechniqueOf(std::wstring_view line);

// The winning technique printed after "決まり手" on the pair-bet line of
// the older files ("連複   4-5　　　  340  人気     1      決まり手  差し"),
// or empty.
std::wstring PrintedTechniqueOf(std::wstring_view line);

// A finishing order line, or nothing.  The first token is a place 01-06, a
// mark (F, K0, L1, S2 ...), or 00, the code of a boat that finished a race
// not established; marks and 00 get finish order 6.
std::optional<ResultEntry> ParseResultEntry(std::wstring_view line);

// True for a line that starts like a finishing order line: a place 00-06
// or a mark, a frame 1-6, a 4-digit register number.  Such a line that
// ParseResultEntry refuses is an unreadable entry, not a heading.
bool LooksLikeResultEntry(std::wstring_view line);

// The payouts of one payout line.  A line starting with a bet type sets
// `*bet_type`; a line starting with a combination continues it; an empty
// line ends it.  Only payouts above 0 yen are returned.  The 連単 and 連複 of
// the older files are the two-boat bets "２連単" and "２連複".
std::vector<PayoutItem> ParsePayoutLine(std::wstring_view line, std::wstring* bet_type);

// True for the notice the server prints in a stadium block whose results
// are not published yet ("データは、この場の全レース終了後に登録されます。"):
// a result file holding it is a copy taken during the day.
bool IsPendingResultNotice(std::wstring_view line);

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_RESULT_LINES_H_
