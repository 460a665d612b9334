#include "ui/before_race_task.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"
#include "ui/dialog_backend.h"

namespace wakelore {
namespace {

class BeforeRaceTaskTest : public test::OfficialServerTest {
 protected:
  void SetUp() override {
    test::OfficialServerTest::SetUp();
    DbManager db;
    std::wstring error;
    ASSERT_TRUE(OpenMainDatabase(&db, dir_.File(L"wakelore.db"), &error)) << error;
    request_.databasePath = dir_.File(L"wakelore.db");
    request_.downloadFolder = dir_.File(L"download");
    request_.day = test::LocalDay(2023, 9, 1);
    request_.stadiumId = 2;
    request_.stadiumName = L"戸田";
    request_.raceNo = 1;
  }

  // Runs the task; the user stops it once `stop_after` steps have shown
  // (never when negative).
  BeforeRaceOutcome Run(int stop_after = -1) {
    steps_.clear();
    return RunBeforeRaceTask(
        request_, [&](const std::wstring& text) { steps_.push_back(text); },
        [&] { return stop_after >= 0 && static_cast<int>(steps_.size()) >= stop_after; });
  }

  test::TempDir dir_;
  BeforeRaceRequest request_;
  std::vector<std::wstring> steps_;
};

TEST_F(BeforeRaceTaskTest, ProgramFirstThenBothPages) {
  ASSERT_TRUE(server().PutFixture("/owpc/pc/race/beforeinfo", "web/beforeinfo_sample.html"));
  ASSERT_TRUE(server().PutFixture("/owpc/pc/race/odds3t", "web/odds3t_sample.html"));
  BeforeRaceOutcome outcome = Run();
  EXPECT_EQ(outcome.stop, BeforeRaceStop::kNone);
  EXPECT_TRUE(outcome.infoFetched) << Utf16ToUtf8(outcome.infoError);
  EXPECT_TRUE(outcome.oddsFetched) << Utf16ToUtf8(outcome.oddsError);
  EXPECT_EQ(outcome.oddsCount, 120);
  EXPECT_EQ(steps_, (std::vector<std::wstring>{kFetchingProgramText, kFetchingInfoText,
                                               kFetchingOddsText}));
  EXPECT_TRUE(PathExists(request_.downloadFolder + kPathSeparator + L"guide" + kPathSeparator +
                         L"2023年" + kPathSeparator + L"b230901.lzh"));

  // The race is known now: no program step, the cached archive is not asked for.
  server().Reset();
  ASSERT_TRUE(server().PutFixture("/owpc/pc/race/beforeinfo", "web/beforeinfo_sample.html"));
  Run();
  EXPECT_EQ(steps_, (std::vector<std::wstring>{kFetchingInfoText, kFetchingOddsText}));
  for (const std::string& target : server().RequestedTargets()) {
    EXPECT_EQ(target.find("/od2/"), std::string::npos) << target;
  }
}

TEST_F(BeforeRaceTaskTest, ProgramThatCannotBeHadSaysWhy) {
  struct Case {
    const char* name;
    int day;
    const char* fault;  // on the day's archive
    BeforeRaceStop stop;
    const wchar_t* reason;
  } cases[] = {
      {"not on the server", 5, nullptr, BeforeRaceStop::kProgramNotFetched,
       L"HTTP 404 が返されました。"},
      {"an error page instead", 1, "html", BeforeRaceStop::kProgramNotFetched,
       L"番組表のファイルではない応答でした(まだ公開されていない可能性があります)。"},
      {"an empty answer", 1, "empty", BeforeRaceStop::kProgramNotFetched, L"ページが空でした。"},
  };
  for (const Case& c : cases) {
    server().Reset();
    request_.day = test::LocalDay(2023, 9, c.day);
    if (c.fault) {
      ASSERT_TRUE(server().SetFault("/od2/B/202309/b23090" + std::to_string(c.day) + ".lzh", c.fault));
    }
    BeforeRaceOutcome outcome = Run();
    EXPECT_EQ(outcome.stop, c.stop) << c.name;
    EXPECT_EQ(outcome.programError, c.reason) << c.name;
    EXPECT_FALSE(outcome.infoFetched) << c.name;
    // Nothing that is not an archive stays in the cache.
    EXPECT_FALSE(PathExists(request_.downloadFolder + kPathSeparator + L"guide" + kPathSeparator +
                            L"2023年" + kPathSeparator + L"b23090" + std::to_wstring(c.day) + L".lzh"))
        << c.name;
  }

  // The archive arrives but holds no race 1 at stadium 99.
  server().Reset();
  request_.day = test::LocalDay(2023, 9, 1);
  request_.stadiumId = 99;
  EXPECT_EQ(Run().stop, BeforeRaceStop::kNoSuchRace);
}

TEST_F(BeforeRaceTaskTest, StopsBetweenSteps) {
  BeforeRaceOutcome outcome = Run(0);
  EXPECT_EQ(outcome.stop, BeforeRaceStop::kCancelled);
  EXPECT_TRUE(steps_.empty());
  EXPECT_TRUE(server().RequestedTargets().empty());

  // Asked to stop while the program download runs: its failure is the stop.
  request_.day = test::LocalDay(2023, 9, 5);
  outcome = Run(1);
  EXPECT_EQ(outcome.stop, BeforeRaceStop::kCancelled);
  EXPECT_EQ(steps_, std::vector<std::wstring>{kFetchingProgramText});

  // Stopped after the before-race page: what it stored stays in the outcome.
  request_.day = test::LocalDay(2023, 9, 1);
  ASSERT_TRUE(server().PutFixture("/owpc/pc/race/beforeinfo", "web/beforeinfo_sample.html"));
  outcome = Run(2);
  EXPECT_EQ(outcome.stop, BeforeRaceStop::kCancelled);
  EXPECT_TRUE(outcome.infoFetched);
  EXPECT_FALSE(outcome.oddsFetched);
  EXPECT_EQ(BeforeRaceNoteText(outcome).find(L"(中止)"), BeforeRaceNoteText(outcome).size() - 4);
}

TEST_F(BeforeRaceTaskTest, EveryPageFailureHasAReason) {
  // The race is taken in first, then both pages answer empty.
  ASSERT_TRUE(Run().stop == BeforeRaceStop::kNone);
  server().Reset();
  ASSERT_TRUE(server().SetFault("/owpc/pc/race/beforeinfo", "empty"));
  ASSERT_TRUE(server().SetFault("/owpc/pc/race/odds3t", "404"));
  BeforeRaceOutcome outcome = Run();
  EXPECT_EQ(outcome.infoError, L"ページが空でした。");
  // One line per odds page, each with its reason.
  EXPECT_EQ(outcome.oddsError,
            L"3連単: HTTP 404 が返されました。\r\n3連複: HTTP 404 が返されました。\r\n"
            L"2連単・2連複: HTTP 404 が返されました。\r\n拡連複: HTTP 404 が返されました。\r\n"
            L"単勝・複勝: HTTP 404 が返されました。\r\n");
}

}  // namespace
}  // namespace wakelore
