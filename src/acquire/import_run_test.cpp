#include "acquire/import_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

int64_t Day(int y, int m, int d, int hour = 0) { return test::LocalDay(y, m, d, hour); }

class ImportRunTest : public test::OfficialServerTest {
 protected:
  ImportOptions Options(int64_t from, int64_t to) {
    ImportOptions o;
    o.databasePath = dir_.File(L"wakelore.db");
    o.downloadFolder = dir_.File(L"download");
    o.fromDate = from;
    o.toDate = to;
    return o;
  }
  // Runs with recorded pauses and progress reports.
  bool Run(const ImportOptions& options, ImportStats* stats) {
    sleeps_.clear();
    reports_.clear();
    ImportPacing pacing{[this](uint32_t ms) { sleeps_.push_back(ms); }};
    return RunImport(options, stats,
                     [this](int32_t done, int32_t total, const std::wstring& text) {
                       reports_.push_back({done, total, text});
                       return true;
                     },
                     &pacing);
  }
  std::wstring Count(const std::wstring& sql) {
    DbManager db;
    EXPECT_TRUE(db.OpenReadOnly(dir_.File(L"wakelore.db")));
    std::vector<DbRow> rows;
    EXPECT_TRUE(db.QueryRows(sql, &rows)) << testing::PrintToString(db.LastError());
    return rows.empty() ? L"" : rows[0].begin()->second;
  }
  std::vector<std::string> Requested() {
    std::vector<std::string> targets = server().RequestedTargets();
    return targets;
  }

  struct Report {
    int32_t done, total;
    std::wstring text;
  };
  test::TempDir dir_;
  std::vector<uint32_t> sleeps_;
  std::vector<Report> reports_;
};

TEST_F(ImportRunTest, FixtureDayIsImportedThenReusedFromTheCache) {
  ImportOptions options = Options(Day(2023, 9, 1), Day(2023, 9, 1));
  options.programs = options.results = true;
  options.referenceTime = Day(2023, 9, 2, 12);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats)) << testing::PrintToString(stats.error);
  EXPECT_EQ(stats.downloaded, 2);
  EXPECT_EQ(stats.existing, 0);
  EXPECT_EQ(stats.unavailable, 0);
  EXPECT_EQ(stats.imported_files, 2);
  EXPECT_EQ(stats.log, L"");
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{500, 500}));
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM races WHERE race_date = '2023-09-01'"), L"156");
  ASSERT_FALSE(reports_.empty());
  EXPECT_EQ(reports_.front().text, L"2023-09-01 番組表を取得中");
  EXPECT_EQ(reports_.back().text, L"完了しました");
  EXPECT_EQ(reports_.back().done, 2);
  EXPECT_EQ(reports_.back().total, 2);
  EXPECT_TRUE(PathExists(dir_.File(L"download") + kPathSeparator + L"guide" + kPathSeparator +
                         L"2023年" + kPathSeparator + L"b230901.lzh"));

  ASSERT_TRUE(server().Reset());
  ImportStats again;
  ASSERT_TRUE(Run(options, &again));
  EXPECT_EQ(again.downloaded, 0);
  EXPECT_EQ(again.existing, 2);
  EXPECT_EQ(again.imported_files, 0) << "archives recorded as imported are skipped";
  EXPECT_TRUE(sleeps_.empty()) << "cached archives cost no pause";
  EXPECT_TRUE(Requested().empty());
}

TEST_F(ImportRunTest, ResultsTakenDuringTheDayAreFetchedAgainUntilComplete) {
  // The stand-in serves the real k230921.lzh, published while most
  // stadiums were still racing.  Taken the same evening, the next day or
  // six days later, it is not final yet.
  ImportOptions options = Options(Day(2023, 9, 21), Day(2023, 9, 21));
  options.results = true;
  const std::wstring cached = dir_.File(L"download") + kPathSeparator + L"Raceresults" +
                              kPathSeparator + L"2023年" + kPathSeparator + L"k230921.lzh";
  for (int64_t now : {Day(2023, 9, 21, 18), Day(2023, 9, 22, 9), Day(2023, 9, 27, 23)}) {
    SCOPED_TRACE(LocalDateText(now));
    options.referenceTime = now;
    ASSERT_TRUE(server().Reset());
    ImportStats stats;
    ASSERT_TRUE(Run(options, &stats));
    EXPECT_EQ(stats.downloaded, 1) << "the early copy is never reused";
    EXPECT_EQ(stats.imported_files, 0);
    EXPECT_NE(stats.log.find(L"未確定の成績を含むため、次回取り込み直します。"), std::wstring::npos)
        << testing::PrintToString(stats.log);
    EXPECT_FALSE(PathExists(cached));
    EXPECT_EQ(Count(L"SELECT status FROM data_files WHERE source_path LIKE '%k230921.lzh'"), L"FAILED");
  }
  options.referenceTime = Day(2023, 9, 21, 18);

  // Once the complete file is published it is imported and then reused.
  ASSERT_TRUE(server().Reset());
  ASSERT_TRUE(server().PutFixture("/od2/K/202309/k230921.lzh", "official/k230901.lzh"));
  ImportStats complete;
  ASSERT_TRUE(Run(options, &complete));
  EXPECT_EQ(complete.downloaded, 1);
  EXPECT_EQ(complete.imported_files, 1);
  EXPECT_EQ(Count(L"SELECT status FROM data_files WHERE source_path LIKE '%k230921.lzh'"), L"IMPORTED");
  ImportStats again;
  ASSERT_TRUE(Run(options, &again));
  EXPECT_EQ(again.existing, 1);
  EXPECT_EQ(again.downloaded, 0);
}

TEST_F(ImportRunTest, ResultFileStillPartialAfterAWeekIsFinal) {
  // k240325.lzh as the server kept it: 若松 only says its results will be
  // registered after the last race; the other nine stadiums are complete.
  ImportOptions options = Options(Day(2024, 3, 25), Day(2024, 3, 25));
  options.results = true;
  options.referenceTime = Day(2024, 4, 1, 8);  // the 7th day after
  ASSERT_TRUE(server().PutFixture("/od2/K/202403/k240325.lzh", "official/k240325.lzh"));
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(stats.downloaded, 1);
  EXPECT_EQ(stats.imported_files, 1);
  EXPECT_EQ(stats.log, L"注意: 2024-03-25 若松: 成績未登録\r\n");
  EXPECT_EQ(Count(L"SELECT status || '|' || imported_rows || '|' || message FROM data_files WHERE "
                  L"source_path LIKE '%k240325.lzh'"),
            L"IMPORTED|648|");
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM race_result_entries"), L"648");
  EXPECT_EQ(Count(L"SELECT COUNT(DISTINCT stadium_id) FROM races"), L"9");
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM races WHERE stadium_id=20"), L"0");

  // No later run asks for it again; F imports the cached copy again.
  ASSERT_TRUE(server().Reset());
  ImportStats again;
  ASSERT_TRUE(Run(options, &again));
  EXPECT_EQ(again.existing, 1);
  EXPECT_EQ(again.imported_files, 0);
  EXPECT_TRUE(Requested().empty());
  options.reimport = true;
  ImportStats forced;
  ASSERT_TRUE(Run(options, &forced));
  EXPECT_EQ(forced.imported_files, 1);
  EXPECT_EQ(forced.downloaded, 0);
  EXPECT_TRUE(Requested().empty());
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM race_result_entries"), L"648");
}

TEST_F(ImportRunTest, DamagedArchivesInTheCacheAreFetchedAgain) {
  // Cut copies in the cache (an interrupted download): they begin like an
  // archive, so the cache keeps them, but they cannot be extracted.
  const std::string program = test::ReadFileBytes(test::FixturePath("official/b230901.lzh"));
  const std::string cut = program.substr(0, program.size() / 2);
  const std::wstring download = dir_.File(L"download");
  const std::wstring guide = download + kPathSeparator + L"guide" + kPathSeparator + L"2023年";
  const std::wstring term = download + kPathSeparator + L"TermResults" + kPathSeparator + L"2023年";
  ASSERT_TRUE(EnsureDirectory(guide));
  ASSERT_TRUE(EnsureDirectory(term));
  ASSERT_TRUE(WriteWholeFile(guide + kPathSeparator + L"b230901.lzh", cut));
  ASSERT_TRUE(WriteWholeFile(term + kPathSeparator + L"fan2304.lzh", cut));
  // Any archive that extracts serves as the racer period file here.
  ASSERT_TRUE(server().PutFixture("/static_extra/pc_static/download/data/kibetsu/fan2304.lzh",
                                  "official/b230921.lzh"));

  ImportOptions options = Options(Day(2023, 9, 1), Day(2023, 9, 1));
  options.programs = options.racerPeriods = true;
  options.referenceTime = Day(2023, 9, 2, 12);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(stats.downloaded, 2) << testing::PrintToString(stats.log);
  EXPECT_EQ(stats.imported_files, 1);
  EXPECT_EQ(stats.racer_files, 1);
  EXPECT_EQ(stats.log, L"");
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM race_entries"), L"936");
  EXPECT_EQ(Count(L"SELECT group_concat(status, ',') FROM (SELECT status FROM data_files ORDER BY "
                  L"file_type)"),
            L"IMPORTED,IMPORTED");
}

TEST_F(ImportRunTest, DamagedDownloadIsDroppedForTheNextRun) {
  const std::string program = test::ReadFileBytes(test::FixturePath("official/b230901.lzh"));
  ASSERT_TRUE(server().PutBytes("/od2/B/202309/b230901.lzh", program.substr(0, 20000)));
  ImportOptions options = Options(Day(2023, 9, 1), Day(2023, 9, 1));
  options.programs = true;
  options.referenceTime = Day(2023, 9, 2, 12);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(stats.downloaded, 1) << "a damaged download is not fetched again in the same run";
  EXPECT_EQ(stats.imported_files, 0);
  EXPECT_EQ(stats.log.find(L"取込失敗: 2023-09-01 "), 0u) << testing::PrintToString(stats.log);
  EXPECT_FALSE(PathExists(dir_.File(L"download") + kPathSeparator + L"guide" + kPathSeparator +
                          L"2023年" + kPathSeparator + L"b230901.lzh"));

  ASSERT_TRUE(server().Reset());
  ImportStats next;
  ASSERT_TRUE(Run(options, &next));
  EXPECT_EQ(next.downloaded, 1);
  EXPECT_EQ(next.imported_files, 1);
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM race_entries"), L"936");
}

TEST_F(ImportRunTest, CancelAtTheFirstReportTouchesNothing) {
  ImportOptions options = Options(Day(2023, 9, 1), Day(2023, 9, 1));
  options.programs = options.results = options.meetings = true;
  options.referenceTime = Day(2023, 9, 2);
  ImportStats stats;
  std::vector<std::wstring> texts;
  int32_t last_done = -1;
  ASSERT_TRUE(RunImport(options, &stats, [&](int32_t done, int32_t, const std::wstring& text) {
    texts.push_back(text);
    last_done = done;
    return false;
  }));
  EXPECT_TRUE(stats.cancelled);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"2023-09-01 番組表を取得中", L"中止しました"}));
  EXPECT_EQ(last_done, 0);
  EXPECT_TRUE(Requested().empty());
  EXPECT_FALSE(PathExists(dir_.File(L"download")));
}

TEST_F(ImportRunTest, RangeIsOrderedAndEndsTomorrow) {
  // Today is 2023-09-01; the range reaches into next week, given backwards.
  ImportOptions options = Options(Day(2023, 9, 10), Day(2023, 8, 31));
  options.programs = options.results = true;
  options.referenceTime = Day(2023, 9, 1, 15);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  const std::vector<std::string> expected = {
      "/od2/B/202308/b230831.lzh", "/od2/K/202308/k230831.lzh", "/od2/B/202309/b230901.lzh",
      "/od2/K/202309/k230901.lzh", "/od2/B/202309/b230902.lzh"};
  EXPECT_EQ(Requested(), expected) << "results of tomorrow are not asked for";
  EXPECT_EQ(reports_.back().done, 6) << "tomorrow's result step still counts";
  EXPECT_EQ(reports_.back().total, 6);
}

TEST_F(ImportRunTest, UnavailableFilesAreListedUpToFifteenLines) {
  // No archive exists for these days; the racer period file is missing too.
  ImportOptions options = Options(Day(2022, 1, 1), Day(2022, 1, 20));
  options.programs = true;
  options.racerPeriods = true;
  options.referenceTime = Day(2022, 3, 1);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(stats.unavailable, 21);
  EXPECT_TRUE(sleeps_.empty());
  const std::wstring& log = stats.log;
  EXPECT_EQ(log.find(L"取得できなかったファイル(公開前・開催なし・通信エラー):\r\n"), 0u);
  EXPECT_NE(log.find(L"  2022-01-15 番組表\r\n"), std::wstring::npos);
  EXPECT_EQ(log.find(L"  2022-01-16 番組表\r\n"), std::wstring::npos);
  EXPECT_NE(log.find(L"  fan2110.lzh(期別成績・未公開の可能性)\r\n"), std::wstring::npos);
  const std::wstring tail = L"  ほか 5 件\r\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST_F(ImportRunTest, RacerPeriodsOfTheHalfYearsTouched) {
  ImportOptions options = Options(Day(2024, 5, 20), Day(2024, 8, 10));
  options.racerPeriods = true;
  options.referenceTime = Day(2024, 12, 1);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  const std::vector<std::string> expected = {
      "/static_extra/pc_static/download/data/kibetsu/fan2310.lzh",
      "/static_extra/pc_static/download/data/kibetsu/fan2404.lzh"};
  EXPECT_EQ(Requested(), expected);
  ASSERT_GE(reports_.size(), 2u);
  EXPECT_EQ(reports_[0].text, L"レーサー期別成績 2024年前期用を取得中");
  EXPECT_EQ(reports_[1].text, L"レーサー期別成績 2024年後期用を取得中");
}

TEST_F(ImportRunTest, MeetingPagesBefore2017AreNeverFetched) {
  ImportOptions options = Options(Day(2016, 12, 31), Day(2016, 12, 31));
  options.meetings = true;
  options.referenceTime = Day(2020, 1, 1);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_TRUE(Requested().empty());
  EXPECT_TRUE(sleeps_.empty());
  EXPECT_EQ(reports_.back().done, 1);
}

TEST_F(ImportRunTest, MeetingPageIsFetchedAndPaced) {
  ImportOptions options = Options(Day(2020, 11, 30), Day(2020, 11, 30));
  options.meetings = true;
  options.referenceTime = Day(2020, 11, 30, 9);
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(Requested(), std::vector<std::string>{"/owpc/pc/race/index?hd=20201130"});
  EXPECT_EQ(sleeps_, std::vector<uint32_t>{300});
}

TEST(ImportRunOpenTest, DatabaseThatCannotBeOpenedStopsTheRun) {
  test::TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File(L"file"), "x"));
  ImportOptions options;
  options.databasePath = dir.File(L"file") + kPathSeparator + L"wakelore.db";
  options.downloadFolder = dir.File(L"download");
  options.programs = true;
  ImportStats stats;
  int reports = 0;
  EXPECT_FALSE(RunImport(options, &stats, [&](int32_t, int32_t, const std::wstring&) {
    ++reports;
    return true;
  }));
  EXPECT_EQ(stats.error.find(L"データベースを開けません: "), 0u);
  EXPECT_GT(stats.error.size(), std::wstring(L"データベースを開けません: ").size());
  EXPECT_EQ(reports, 0);
}

TEST(HalfYearIndexTest, JanuaryToJuneIsTheFirstHalf) {
  EXPECT_EQ(HalfYearIndex(Day(2024, 6, 30, 23)), 4048);
  EXPECT_EQ(HalfYearIndex(Day(2024, 7, 1)), 4049);
  EXPECT_EQ(HalfYearIndex(Day(2024, 1, 1)), 4048);
}


// The race-day pages (L) of the 12 races of stadium 07 on 2023-09-01, which
// the stand-in server serves; the other stadiums of that day's program are
// taken out of the database so that only those races are asked for.
class RaceDayPagesImportTest : public ImportRunTest {
 protected:
  void ImportProgramOfStadium7() {
    ImportOptions options = Options(Day(2023, 9, 1), Day(2023, 9, 1));
    options.programs = true;
    options.referenceTime = Day(2023, 9, 2, 12);
    ImportStats stats;
    ASSERT_TRUE(Run(options, &stats)) << testing::PrintToString(stats.error);
    DbManager db;
    ASSERT_TRUE(db.OpenReadWrite(dir_.File(L"wakelore.db")));
    ASSERT_TRUE(db.Exec(L"DELETE FROM races WHERE race_date = '2023-09-01' AND stadium_id <> 7;"));
    ASSERT_TRUE(server().Reset());
  }
  ImportOptions PagesOnly() {
    ImportOptions options = Options(Day(2023, 9, 1), Day(2023, 9, 1));
    options.racePages = true;
    options.referenceTime = Day(2023, 9, 2, 12);
    return options;
  }
};

TEST_F(RaceDayPagesImportTest, EveryRaceOfTheDayOnceThenSkippedUntilAskedAgain) {
  ImportProgramOfStadium7();
  ImportOptions options = PagesOnly();
  ImportStats stats;
  ASSERT_TRUE(Run(options, &stats)) << testing::PrintToString(stats.error);
  EXPECT_EQ(stats.race_pages, 72);
  EXPECT_EQ(stats.races_unavailable, 0);
  EXPECT_EQ(stats.log, L"");
  EXPECT_EQ(sleeps_, std::vector<uint32_t>(72, 300)) << "a pause after every page";
  const std::vector<std::string> requested = Requested();
  ASSERT_EQ(requested.size(), 72u);
  EXPECT_EQ(requested.front(), "/owpc/pc/race/beforeinfo?rno=1&jcd=07&hd=20230901");
  EXPECT_EQ(requested.back(), "/owpc/pc/race/oddstf?rno=12&jcd=07&hd=20230901");
  EXPECT_EQ(Count(L"SELECT COUNT(*) || ' ' || COUNT(DISTINCT race_id) || ' ' || COUNT(DISTINCT race_id || "
                  L"fetched_at) || ' ' || MIN(is_final) FROM live_odds"),
            L"2544 12 12 1")
      << "212 rows a race, one snapshot each, final: the day is over";
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM race_entries e JOIN races r ON r.id = e.race_id WHERE "
                  L"r.race_date = '2023-09-01' AND e.exhibition_time > 0"),
            L"72");
  bool per_race = false;
  for (const Report& r : reports_) per_race = per_race || r.text == L"2023-09-01 蒲郡 12R 直前情報・オッズを取得中 (12/12)";
  EXPECT_TRUE(per_race) << "progress names each race";
  EXPECT_EQ(reports_.back().done, reports_.back().total);

  // Their final odds are stored: a second run asks for nothing.
  ASSERT_TRUE(server().Reset());
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(stats.race_pages, 0);
  EXPECT_TRUE(Requested().empty());

  // F: fetched again, the final odds replaced rather than added.
  ASSERT_TRUE(server().Reset());
  options.reimport = true;
  ASSERT_TRUE(Run(options, &stats));
  EXPECT_EQ(stats.race_pages, 72);
  EXPECT_EQ(Count(L"SELECT COUNT(*) || ' ' || COUNT(DISTINCT race_id || fetched_at) FROM live_odds"), L"2544 12");
}

TEST_F(RaceDayPagesImportTest, CancelBetweenPagesStoresNothingOfThatRace) {
  ImportProgramOfStadium7();
  ImportStats stats;
  int race_reports = 0;
  ASSERT_TRUE(RunImport(PagesOnly(), &stats, [&](int32_t, int32_t, const std::wstring& text) {
    if (text.find(L"蒲郡 2R") != std::wstring::npos) ++race_reports;
    return race_reports < 3;  // race 2: before its pages, after its first, then stop
  }, nullptr));
  EXPECT_TRUE(stats.cancelled);
  EXPECT_EQ(Requested().size(), 8u) << "race 1's six pages and two of race 2";
  EXPECT_EQ(Count(L"SELECT COUNT(DISTINCT race_id) FROM live_odds"), L"1");
}

TEST_F(RaceDayPagesImportTest, PagesThatCannotBeHadAreCountedAndListed) {
  ImportProgramOfStadium7();
  ASSERT_TRUE(server().SetFault("/owpc/pc/race/odds3f?rno=3&jcd=07&hd=20230901", "404"));
  ASSERT_TRUE(server().PutBytes("/owpc/pc/race/oddstf?rno=4&jcd=07&hd=20230901",
                                "<html><body><p>該当レースは中止になりました。</p></body></html>"));
  ImportStats stats;
  ASSERT_TRUE(Run(PagesOnly(), &stats));
  EXPECT_EQ(stats.races_unavailable, 2);
  EXPECT_NE(stats.log.find(L"直前情報・オッズの取得失敗: 2023-09-01 蒲郡 3R odds3f HTTP 404 が返されました。\r\n"),
            std::wstring::npos)
      << testing::PrintToString(stats.log);
  EXPECT_NE(stats.log.find(L"  2023-09-01 蒲郡 4R 中止\r\n"), std::wstring::npos);
  EXPECT_EQ(Count(L"SELECT COUNT(*) FROM live_odds l JOIN races r ON r.id = l.race_id WHERE r.race_no = 3"),
            L"192") << "all but the 20 trio rows";
}

}  // namespace
}  // namespace wakelore
