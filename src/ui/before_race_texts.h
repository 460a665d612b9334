// Texts of the before-race command: the question, the summary shown beside
// the button and the closing message box.
#ifndef WAKELORE_UI_BEFORE_RACE_TEXTS_H_
#define WAKELORE_UI_BEFORE_RACE_TEXTS_H_

#include <array>
#include <string>

namespace wakelore {

// The label beside the fetch button when the dialog opens.
inline constexpr wchar_t kBeforeRaceHintText[] =
    L"番組表を取り込んだ日のレースが対象です(翌日分まで取得できます)。";

// The race's program is not in the database and could not be obtained: the
// label beside the button and the information box.
inline constexpr wchar_t kNoProgramNoteText[] = L"このレースの番組表がありません。";
inline constexpr wchar_t kNoProgramBoxText[] =
    L"このレースの番組表が見つかりませんでした。\r\n"
    L"日付・場・レース番号をご確認ください(その日に開催がない場の可能性があります)。";

// The entries of the race number list: "1R" to "12R".
std::wstring RaceNumberText(int race_no);

// "%s %s %dR の直前情報と全券種のオッズを公式サイトから取り込みます。\r\nよろしいですか?"
std::wstring BeforeRaceQuestionText(const std::wstring& shown_date, const std::wstring& stadium,
                                    int race_no);

// Why the command ended before its page fetches were done.
enum class BeforeRaceStop {
  kNone,               // both pages were asked for
  kDatabase,           // the task's connection could not be opened
  kProgramNotFetched,  // the race was unknown and its program could not be had
  kNoSuchRace,         // the program arrived but holds no such race
  kCancelled,          // the user asked the task to stop
};

// What the six pages of one race gave (the before-race page and the five
// odds pages).
struct BeforeRaceOutcome {
  bool infoFetched = false;
  bool hasExhibition = false;
  bool hasWeather = false;
  std::wstring infoError;  // why the before-race page gave nothing
  bool oddsFetched = false;  // at least one odds page was read
  int oddsCount = 0;         // live_odds rows stored
  std::wstring fetchedAt;    // "YYYY-MM-DD HH:MM:SS" of the odds snapshot
  // One line per odds page that gave nothing: "3連複: データなし\r\n".
  std::wstring oddsError;
  // Why a fetched part could not be stored (empty when it was).
  std::wstring infoStoreError;
  std::wstring oddsStoreError;
  // Rows stored per bet type, in the order 3連単, 3連複, 2連単, 2連複, 拡連複,
  // 単勝, 複勝; and whether its final odds were stored before and kept.
  std::array<int, 7> betRows = {};
  std::array<bool, 7> betKept = {};
  BeforeRaceStop stop = BeforeRaceStop::kNone;
  std::wstring programError;   // kProgramNotFetched: why
  std::wstring databaseError;  // kDatabase: the database's message
};

// "展示取得・気象未公開・オッズ212点(10:15:30)" and the like ("オッズ保存済み"
// when odds pages were read but no row was added because their final odds
// were stored before); empty when nothing was read.
std::wstring BeforeRaceSummary(const BeforeRaceOutcome& outcome);

// The rows stored of each bet type: "3連単120 3連複20 2連単30 2連複15
// 拡連複15 単勝6 複勝6", a kept bet type as "3連単保存済"; bet types
// without rows are left out; empty when there are none.
std::wstring BeforeRaceRowsText(const BeforeRaceOutcome& outcome);

// The label beside the button: the summary and the rows text, or
// "取得できませんでした"; for a command that stopped early, what stopped it.
std::wstring BeforeRaceNoteText(const BeforeRaceOutcome& outcome);

// The closing information box: the problem list when a fetch or a store
// failed, else the completion text with the race and the summary.  A store
// failure is listed too, so that data that never reached the database is
// not reported as taken in.  A command that stopped early says why: the
// program that could not be fetched ("番組表を取得できませんでした: " and
// the reason) is told apart from a program without that race.
std::wstring BeforeRaceMessageText(const BeforeRaceOutcome& outcome, const std::wstring& shown_date,
                                   const std::wstring& stadium, int race_no);

}  // namespace wakelore

#endif  // WAKELORE_UI_BEFORE_RACE_TEXTS_H_
