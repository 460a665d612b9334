// Texts of the before-race command: the question, the summary shown beside
// the button and the closing message box.
#ifndef WAKELORE_UI_BEFORE_RACE_TEXTS_H_
#define WAKELORE_UI_BEFORE_RACE_TEXTS_H_

#include <string>

namespace wakelore {

// "%s %s %dR の直前情報と3連単オッズを公式サイトから取り込みます。\r\nよろしいですか?"
std::wstring BeforeRaceQuestionText(const std::wstring& shown_date, const std::wstring& stadium,
                                    int race_no);

// What the two fetches of one race gave.
struct BeforeRaceOutcome {
  bool infoFetched = false;
  bool hasExhibition = false;
  bool hasWeather = false;
  std::wstring infoError;  // the client's message when the page failed
  bool oddsFetched = false;
  int oddsCount = 0;
  std::wstring fetchedAt;  // "YYYY-MM-DD HH:MM:SS" of the odds snapshot
  std::wstring oddsError;
  // Why a fetched part could not be stored (empty when it was).
  std::wstring infoStoreError;
  std::wstring oddsStoreError;
};

// "展示取得・気象未公開・3連単オッズ120点(10:15:30)" and the like; empty when
// neither fetch succeeded.
std::wstring BeforeRaceSummary(const BeforeRaceOutcome& outcome);

// The label beside the button: the summary, or "取得できませんでした".
std::wstring BeforeRaceNoteText(const BeforeRaceOutcome& outcome);

// The closing information box: the problem list when a fetch or a store
// failed, else the completion text with the race and the summary.  A store
// failure is listed too, so that data that never reached the database is
// not reported as taken in.
std::wstring BeforeRaceMessageText(const BeforeRaceOutcome& outcome, const std::wstring& shown_date,
                                   const std::wstring& stadium, int race_no);

}  // namespace wakelore

#endif  // WAKELORE_UI_BEFORE_RACE_TEXTS_H_
