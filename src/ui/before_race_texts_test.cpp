#include "ui/before_race_texts.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(BeforeRaceTextsTest, Question) {
  EXPECT_EQ(BeforeRaceQuestionText(L"2023/09/01", L"桐生", 12),
            L"2023/09/01 桐生 12R の直前情報と全券種のオッズを公式サイトから取り込みます。\r\nよろしいですか?");
}

BeforeRaceOutcome Outcome(bool info, bool odds, int rows) {
  BeforeRaceOutcome outcome;
  outcome.infoFetched = info;
  outcome.hasExhibition = info;
  outcome.hasWeather = info;
  outcome.oddsFetched = odds;
  outcome.oddsCount = rows;
  if (rows > 0) {
    outcome.fetchedAt = L"2023-09-01 10:15:30";
    outcome.betRows = {120, 20, 30, 15, 15, 6, 6};
  }
  return outcome;
}

TEST(BeforeRaceTextsTest, SummariesAndMessages) {
  const std::wstring hint = L"\r\n展示航走の前やオッズ発売前はまだ公開されていません。";
  const std::wstring all_rows = L"3連単120 3連複20 2連単30 2連複15 拡連複15 単勝6 複勝6";
  struct Case {
    const char* name;
    BeforeRaceOutcome outcome;
    std::wstring note;
    std::wstring message;
  };
  std::vector<Case> cases = {
      {"every page read", Outcome(true, true, 212), L"展示取得・気象取得・オッズ212点(10:15:30) " + all_rows,
       L"直前情報の取込が終了しました。\r\n\r\n2023/09/01 桐生 1R\r\n展示取得・気象取得・オッズ212点(10:15:30)\r\n" +
           all_rows + L"\r\n\r\n「③ データ出力」の「直前情報」「直前オッズ(全券種)」で書き出せます。"},
      {"odds not on sale", Outcome(true, false, 0), L"展示取得・気象取得", L""},
      {"the before-race page failed", Outcome(false, true, 212), L"オッズ212点(10:15:30) " + all_rows,
       L"取得できなかった項目があります。\r\n直前情報: timeout\r\n" + hint},
      {"the odds could not be stored", Outcome(true, true, 0), L"展示取得・気象取得",
       L"取得できなかった項目があります。\r\nオッズの保存: database is locked\r\n" + hint},
      {"nothing read", Outcome(false, false, 0), L"取得できませんでした",
       L"取得できなかった項目があります。\r\n直前情報: a\r\n3連単: HTTP 404\r\n" + hint},
  };
  cases[1].outcome.oddsError = L"3連単: データなし\r\n3連複: データなし\r\n";
  cases[1].message = L"取得できなかった項目があります。\r\n3連単: データなし\r\n3連複: データなし\r\n" + hint;
  cases[2].outcome.infoError = L"timeout";
  cases[3].outcome.oddsStoreError = L"database is locked";
  cases[4].outcome.infoError = L"a";
  cases[4].outcome.oddsError = L"3連単: HTTP 404\r\n";
  for (const Case& c : cases) {
    EXPECT_EQ(BeforeRaceNoteText(c.outcome), c.note) << c.name;
    EXPECT_EQ(BeforeRaceMessageText(c.outcome, L"2023/09/01", L"桐生", 1), c.message) << c.name;
  }
}

TEST(BeforeRaceTextsTest, CommandsThatStoppedEarly) {
  struct Case {
    const char* name;
    BeforeRaceStop stop;
    bool infoFetched;
    const wchar_t* note;
    std::wstring message;
  } cases[] = {
      {"program archive not fetched", BeforeRaceStop::kProgramNotFetched, false,
       L"番組表を取得できませんでした", L"番組表を取得できませんでした: 通信に失敗しました。(エラー 12002)"},
      {"no such race in the program", BeforeRaceStop::kNoSuchRace, false,
       L"このレースの番組表がありません。",
       L"このレースの番組表が見つかりませんでした。\r\n"
       L"日付・場・レース番号をご確認ください(その日に開催がない場の可能性があります)。"},
      {"cancelled before any page", BeforeRaceStop::kCancelled, false, L"中止しました",
       L"直前情報の取得を中止しました。"},
      {"cancelled after the before-race page", BeforeRaceStop::kCancelled, true,
       L"展示取得・気象未公開(中止)",
       L"直前情報の取得を中止しました。\r\n\r\n取得した分: 展示取得・気象未公開"},
      {"database not opened", BeforeRaceStop::kDatabase, false, L"取得できませんでした",
       L"データベースを開けませんでした。\r\nunable to open"},
  };
  for (const Case& c : cases) {
    BeforeRaceOutcome outcome;
    outcome.stop = c.stop;
    outcome.infoFetched = c.infoFetched;
    outcome.hasExhibition = true;
    outcome.programError = L"通信に失敗しました。(エラー 12002)";
    outcome.databaseError = L"unable to open";
    EXPECT_EQ(BeforeRaceNoteText(outcome), c.note) << c.name;
    EXPECT_EQ(BeforeRaceMessageText(outcome, L"2023/09/01", L"桐生", 1), c.message) << c.name;
  }
}

TEST(BeforeRaceTextsTest, RowsTextNamesKeptFinalOddsAndLeavesOutEmptyBetTypes) {
  BeforeRaceOutcome outcome;
  outcome.betRows = {0, 20, 0, 0, 0, 6, 0};
  outcome.betKept = {true, false, false, false, false, false, false};
  EXPECT_EQ(BeforeRaceRowsText(outcome), L"3連単保存済 3連複20 単勝6");
}

}  // namespace
}  // namespace wakelore
