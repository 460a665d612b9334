#include "ui/status_texts.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(StatusTextsTest, ImportStatus) {
  EXPECT_EQ(ImportStatusText(DateRangeText(false, L"", L""), DateRangeText(true, L"", L""),
                             DateRangeText(true, L"", L"2024-01-01"), RacerPeriodText(false, 0, 0)),
            L"取込済み  番組表: なし  /  競走成績: なし\r\n                開催情報: なし  /  期別成績: なし");
  EXPECT_EQ(ImportStatusText(DateRangeText(true, L"2023-09-01", L"2023-09-02"),
                             DateRangeText(true, L"2023-09-01", L"2023-09-01"),
                             DateRangeText(true, L"2023-09-01", L"2023-09-01"),
                             RacerPeriodText(true, 2023, 2)),
            L"取込済み  番組表: 2023-09-01～2023-09-02  /  競走成績: 2023-09-01～2023-09-01\r\n"
            L"                開催情報: 2023-09-01～2023-09-01  /  期別成績: 2023年後期用まで");
  EXPECT_EQ(RacerPeriodText(true, 2024, 1), L"2024年前期用まで");
}

TEST(StatusTextsTest, ProgressReports) {
  struct Case {
    int done, total;
    std::optional<int> position;
    const wchar_t* line;
  } cases[] = {
      {0, 0, std::nullopt, L"step"},
      {3, -1, std::nullopt, L"step"},
      {5, 20, 25, L"step  (5 / 20)"},
      {2, 3, 66, L"step  (2 / 3)"},
      {2000000000, 2100000000, 95, L"step  (2000000000 / 2100000000)"},  // no 32-bit overflow
      {30, 20, 100, L"step  (30 / 20)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPosition(c.done, c.total), c.position) << c.done << "/" << c.total;
    EXPECT_EQ(ProgressLineText(c.done, c.total, L"step"), c.line);
  }
}

TEST(StatusTextsTest, FirstLine) {
  EXPECT_EQ(FirstLine(L"取込が完了しました。\r\n\r\nダウンロード: 2件"), L"取込が完了しました。");
  EXPECT_EQ(FirstLine(L"one line"), L"one line");
  EXPECT_EQ(FirstLine(L""), L"");
}

}  // namespace
}  // namespace wakelore
