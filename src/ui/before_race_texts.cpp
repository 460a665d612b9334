#include "ui/before_race_texts.h"

#include "platform/format.h"
#include "ui/task_texts.h"

namespace wakelore {

std::wstring BeforeRaceQuestionText(const std::wstring& shown_date, const std::wstring& stadium,
                                    int race_no) {
  return Format(L"%s %s %dR の直前情報と全券種のオッズを公式サイトから取り込みます。\r\nよろしいですか?",
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
    const wchar_t* joint = summary.empty() ? L"" : L"・";
    if (outcome.oddsCount > 0) {
      std::wstring time = outcome.fetchedAt.size() > 11 ? outcome.fetchedAt.substr(11) : L"";
      summary += Format(L"%sオッズ%d点(%s)", joint, outcome.oddsCount, time);
    } else {
      bool kept = false;
      for (bool k : outcome.betKept) kept = kept || k;
      if (kept) summary += Format(L"%sオッズ保存済み", joint);
    }
  }
  return summary;
}

std::wstring BeforeRaceRowsText(const BeforeRaceOutcome& outcome) {
  static const wchar_t* const kBetTypes[] = {L"3連単", L"3連複", L"2連単", L"2連複", L"拡連複", L"単勝", L"複勝"};
  std::wstring text;
  for (size_t t = 0; t < outcome.betRows.size(); ++t) {
    std::wstring item;
    if (outcome.betRows[t] > 0) {
      item = Format(L"%s%d", kBetTypes[t], outcome.betRows[t]);
    } else if (outcome.betKept[t]) {
      item = Format(L"%s保存済", kBetTypes[t]);
    } else {
      continue;
    }
    if (!text.empty()) text += L" ";
    text += item;
  }
  return text;
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
  if (summary.empty()) return L"取得できませんでした";
  const std::wstring rows = BeforeRaceRowsText(outcome);
  return rows.empty() ? summary : summary + L" " + rows;
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
  problems += outcome.oddsError;
  if (!outcome.oddsStoreError.empty()) problems += L"オッズの保存: " + outcome.oddsStoreError + L"\r\n";
  if (!problems.empty()) {
    return L"取得できなかった項目があります。\r\n" + problems +
           L"\r\n展示航走の前やオッズ発売前はまだ公開されていません。";
  }
  return Format(
      L"直前情報の取込が終了しました。\r\n\r\n%s %s %dR\r\n%s\r\n%s\r\n\r\n"
      L"「③ データ出力」の「直前情報」「直前オッズ(全券種)」で書き出せます。",
      shown_date, stadium, race_no, BeforeRaceSummary(outcome), BeforeRaceRowsText(outcome));
}

}  // namespace wakelore
