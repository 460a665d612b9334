#include "ui/before_race_texts.h"

#include "platform/format.h"
#include "ui/task_texts.h"

namespace wakelore {

std::wstring BeforeRaceQuestionText(const std::wstring& shown_date, const std::wstring& stadium,
                                    int race_no) {
  return Format(L"%s %s %dR の直前情報と3連単オッズを公式サイトから取り込みます。\r\nよろしいですか?",
                shown_date, stadium, race_no);
}

std::wstring RaceNumberText(int race_no) { return Format(L"%dR", race_no); }

std::wstring BeforeRaceSummary(const BeforeRaceOutcome& outcome) {
  std::wstring summary;
  if (outcome.infoFetched) {
    summary = Format(L"展示%s・気象%s", outcome.hasExhibition ? L"取得" : L"未公開",
                     outcome.hasWeather ? L"取得" : L"未公開");
  }
  if (outcome.oddsFetched) {
    std::wstring time = outcome.fetchedAt.size() > 11 ? outcome.fetchedAt.substr(11) : L"";
    summary += Format(L"%s3連単オッズ%d点(%s)", summary.empty() ? L"" : L"・",
                      outcome.oddsCount, time);
  }
  return summary;
}

std::wstring BeforeRaceNoteText(const BeforeRaceOutcome& outcome) {
  std::wstring summary = BeforeRaceSummary(outcome);
  switch (outcome.stop) {
    case BeforeRaceStop::kProgramNotFetched:
      return L"番組表を取得できませんでした";
    case BeforeRaceStop::kNoSuchRace:
      return kNoProgramNoteText;
    case BeforeRaceStop::kCancelled:
      return summary.empty() ? L"中止しました" : summary + L"(中止)";
    case BeforeRaceStop::kDatabase:
    case BeforeRaceStop::kNone:
      break;
  }
  return summary.empty() ? L"取得できませんでした" : summary;
}

std::wstring BeforeRaceMessageText(const BeforeRaceOutcome& outcome, const std::wstring& shown_date,
                                   const std::wstring& stadium, int race_no) {
  switch (outcome.stop) {
    case BeforeRaceStop::kDatabase:
      return kDatabaseNotOpenedHead + outcome.databaseError;
    case BeforeRaceStop::kProgramNotFetched:
      return L"番組表を取得できませんでした: " + outcome.programError;
    case BeforeRaceStop::kNoSuchRace:
      return kNoProgramBoxText;
    case BeforeRaceStop::kCancelled: {
      std::wstring summary = BeforeRaceSummary(outcome);
      std::wstring text = L"直前情報の取得を中止しました。";
      if (!summary.empty()) text += L"\r\n\r\n取得した分: " + summary;
      return text;
    }
    case BeforeRaceStop::kNone:
      break;
  }
  std::wstring problems;
  if (!outcome.infoFetched) problems += L"直前情報: " + outcome.infoError + L"\r\n";
  if (!outcome.infoStoreError.empty()) problems += L"直前情報の保存: " + outcome.infoStoreError + L"\r\n";
  if (!outcome.oddsFetched) problems += L"オッズ: " + outcome.oddsError + L"\r\n";
  if (!outcome.oddsStoreError.empty()) problems += L"オッズの保存: " + outcome.oddsStoreError + L"\r\n";
  if (!problems.empty()) {
    return L"取得できなかった項目があります。\r\n" + problems +
           L"\r\n展示航走の前やオッズ発売前はまだ公開されていません。";
  }
  return Format(
      L"直前情報の取込が終了しました。\r\n\r\n%s %s %dR\r\n%s\r\n\r\n"
      L"「③ データ出力」の「直前情報」「直前オッズ(3連単)」で書き出せます。",
      shown_date, stadium, race_no, BeforeRaceSummary(outcome));
}

}  // namespace wakelore
