#include "ui/before_race_texts.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(BeforeRaceTextsTest, Question) {
  EXPECT_EQ(BeforeRaceQuestionText(L"2023/09/01", L"桐生", 12),
            L"2023/09/01 桐生 12R の直前情報と3連単オッズを公式サイトから取り込みます。\r\nよろしいですか?");
}

TEST(BeforeRaceTextsTest, SummariesAndMessages) {
  const std::wstring hint = L"\r\n展示航走の前やオッズ発売前はまだ公開されていません。";
  struct Case {
    const char* name;
    BeforeRaceOutcome outcome;
    const wchar_t* note;
    std::wstring message;
  } cases[] = {
      {"both fetched",
       {true, true, true, L"", true, 120, L"2023-09-01 10:15:30", L"", L"", L"", BeforeRaceStop::kNone, L"", L""},
       L"展示取得・気象取得・3連単オッズ120点(10:15:30)",
       L"直前情報の取込が終了しました。\r\n\r\n2023/09/01 桐生 1R\r\n"
       L"展示取得・気象取得・3連単オッズ120点(10:15:30)\r\n\r\n"
       L"「③ データ出力」の「直前情報」「直前オッズ(3連単)」で書き出せます。"},
      {"before the exhibition, odds not on sale",
       {true, false, true, L"", false, 0, L"", L"HTTP 404", L"", L"", BeforeRaceStop::kNone, L"", L""},
       L"展示未公開・気象取得",
       L"取得できなかった項目があります。\r\nオッズ: HTTP 404\r\n" + hint},
      {"only the odds",
       {false, false, false, L"timeout", true, 3, L"2023-09-01 09:00:01", L"", L"", L"", BeforeRaceStop::kNone, L"", L""},
       L"3連単オッズ3点(09:00:01)",
       L"取得できなかった項目があります。\r\n直前情報: timeout\r\n" + hint},
      {"fetched but the odds could not be stored",
       {true, true, true, L"", true, 120, L"2023-09-01 10:15:30", L"", L"", L"database is locked", BeforeRaceStop::kNone, L"", L""},
       L"展示取得・気象取得・3連単オッズ120点(10:15:30)",
       L"取得できなかった項目があります。\r\nオッズの保存: database is locked\r\n" + hint},
      {"both failed",
       {false, false, false, L"a", false, 0, L"", L"b", L"", L"", BeforeRaceStop::kNone, L"", L""},
       L"取得できませんでした",
       L"取得できなかった項目があります。\r\n直前情報: a\r\nオッズ: b\r\n" + hint},
  };
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

}  // namespace
}  // namespace wakelore
