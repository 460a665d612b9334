#include "archive/race_file_importer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/official_text.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

// A file one byte over the size limit: sparse where the file can be
// extended in place, written out in full where that is refused (Wine).
void WriteOversizedFile(const std::wstring& path) {
  ASSERT_TRUE(WriteWholeFile(path, "x"));
  std::error_code ec;
  std::filesystem::resize_file(std::filesystem::path(path), kMaxOfficialFileBytes + 1, ec);
  if (ec) {
    ASSERT_TRUE(WriteWholeFile(path, std::string(kMaxOfficialFileBytes + 1, 'x')));
  }
}

class RaceFileImporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db")));
  }

  // The first column of the first row of `sql`, as text.
  std::wstring Value(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows)) << Utf16ToUtf8(sql) << ": " << Utf16ToUtf8(db_.LastError());
    if (rows.empty()) return L"";
    return DbRowValue(rows[0], L"value");
  }
  int Count(const std::wstring& table) {
    return ParseInteger(Value(L"SELECT COUNT(*) AS value FROM " + table + L";"));
  }

  // Writes `lines` (CR LF, code page 932) to a file of the temporary folder.
  std::wstring WriteText(const std::wstring& name, const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    const std::wstring path = dir_.File(name);
    EXPECT_TRUE(WriteWholeFile(path, WideToCp932(text)));
    return path;
  }
  std::wstring CopyFixture(const std::string& fixture, const std::wstring& name) {
    const std::wstring path = dir_.File(name);
    EXPECT_TRUE(WriteWholeFile(path, test::ReadFileBytes(test::FixturePath(fixture))));
    return path;
  }

  std::wstring DataFileRow(const std::wstring& path) {
    return Value(Format(L"SELECT file_type || '|' || status || '|' || imported_rows || '|' || "
                        L"message AS value FROM data_files WHERE source_path=%s;",
                        SqlQuote(path)));
  }

  test::TempDir dir_;
  DbManager db_;
};

// --- The real files --------------------------------------------------------

TEST_F(RaceFileImporterTest, ProgramArchivesOfTwoDays) {
  RaceFileImporter importer(&db_, false);
  for (const char* name : {"b230901.lzh", "b230921.lzh"}) {
    SCOPED_TRACE(name);
    const std::wstring path = test::FixturePath(std::string("official/") + name);
    ArchiveImportTally tally;
    EXPECT_TRUE(importer.ImportProgramArchive(path, &tally)) << Utf16ToUtf8(importer.message());
    EXPECT_EQ(tally.filesImported, 1);
    EXPECT_EQ(tally.filesNotRead, 0);
    EXPECT_EQ(tally.races, 156);
    EXPECT_EQ(tally.linesRead, 936);
    EXPECT_EQ(tally.rowsStored, 936);
    EXPECT_EQ(tally.failures, 0);
    EXPECT_EQ(tally.log, Utf8ToUtf16(name) + L": races=156 entries=936/936\r\n");
    EXPECT_EQ(DataFileRow(path), L"PROGRAM_B|IMPORTED|936|");
  }
  EXPECT_EQ(Count(L"races"), 312);
  EXPECT_EQ(Count(L"race_entries"), 1872);

  // 大村 1R of 2023-09-01, as printed.
  EXPECT_EQ(Value(L"SELECT title || '|' || distance || '|' || deadline_time || '|' || series_title "
                  L"|| '|' || day_label || '|' || grade AS value FROM races WHERE "
                  L"race_date='2023-09-01' AND stadium_id=24 AND race_no=1;"),
            L"一般|1800|15:17|アサヒビールカップ|第5日|");
  EXPECT_EQ(Value(L"SELECT r.register_no || '|' || r.name || '|' || e.class_name || '|' || e.branch "
                  L"|| '|' || e.age || '|' || e.weight || '|' || e.national_win_rate || '|' || "
                  L"e.motor_no || '|' || e.motor_quinella_rate || '|' || e.boat_no || '|' || "
                  L"e.course_no || '|' || e.comment || '|' || e.current_results || '|' || "
                  L"printf('%.4f', e.current_score) AS value "
                  L"FROM race_entries e JOIN races x ON x.id=e.race_id JOIN racers r ON "
                  L"r.id=e.racer_id WHERE x.race_date='2023-09-01' AND x.stadium_id=24 AND "
                  L"x.race_no=1 AND e.frame_no=1;"),
            L"3812|山崎聖司|B1|東京|47|53.0|4.79|67|29.17|61|1|今節成績:3 132 62 早見:9|3 132 62|69.4444");
  // Every entry points at its race, racer, motor and boat.
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM race_entries e WHERE "
                  L"NOT EXISTS (SELECT 1 FROM races WHERE id=e.race_id) OR "
                  L"NOT EXISTS (SELECT 1 FROM racers WHERE id=e.racer_id) OR "
                  L"NOT EXISTS (SELECT 1 FROM motors WHERE id=e.motor_id) OR "
                  L"NOT EXISTS (SELECT 1 FROM boats WHERE id=e.boat_id);"),
            L"0");
  EXPECT_EQ(Value(L"SELECT COUNT(DISTINCT stadium_id) AS value FROM races WHERE "
                  L"race_date='2023-09-01';"),
            L"13");
}

TEST_F(RaceFileImporterTest, ResultArchiveOfAWholeDay) {
  RaceFileImporter importer(&db_, false);
  const std::wstring path = test::FixturePath("official/k230901.lzh");
  ArchiveImportTally tally;
  EXPECT_TRUE(importer.ImportResultArchive(path, &tally)) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.filesImported, 1);
  EXPECT_EQ(tally.filesIncomplete, 0);
  EXPECT_EQ(tally.log, L"k230901.lzh: races=156 results=936/936\r\n");
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|IMPORTED|936|");

  EXPECT_EQ(Count(L"races"), 156);
  EXPECT_EQ(Count(L"race_result_entries"), 936);
  EXPECT_EQ(Count(L"race_entries"), 936);
  EXPECT_EQ(Count(L"race_results"), 156);
  EXPECT_EQ(Count(L"odds"), 1559);
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type, ',') AS value FROM "
                  L"(SELECT DISTINCT bet_type FROM odds ORDER BY bet_type);"),
            L"単勝,拡連複,複勝,２連単,２連複,３連単,３連複");

  const std::wstring race1 =
      L"(SELECT id FROM races WHERE race_date='2023-09-01' AND stadium_id=24 AND race_no=1)";
  EXPECT_EQ(Value(L"SELECT weather || '|' || wind_direction || '|' || wind_speed || '|' || "
                  L"wave_height || '|' || series_title || '|' || day_label AS value FROM races "
                  L"WHERE id=" + race1 + L";"),
            L"雨|東|2.0|1.0|アサヒビールカップ|第5日");
  EXPECT_EQ(Value(L"SELECT first_frame || second_frame || third_frame || '|' || winning_technique "
                  L"|| '|' || trifecta || '|' || trifecta_payout AS value FROM race_results "
                  L"WHERE race_id=" + race1 + L";"),
            L"142|逃げ|1-4-2|1440");
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type || ' ' || combination || ' ' || odds_value || ' ' "
                  L"|| popularity, ';') AS value FROM (SELECT * FROM odds WHERE race_id=" +
                  race1 + L" ORDER BY id);"),
            L"単勝 1 240.0 0;複勝 1 100.0 0;複勝 4 210.0 0;２連単 1-4 980.0 6;２連複 1-4 480.0 3;"
            L"拡連複 1-4 140.0 2;拡連複 1-2 130.0 1;拡連複 2-4 270.0 6;３連単 1-4-2 1440.0 3;"
            L"３連複 1-2-4 380.0 2");

  // The marks instead of a place, as printed, with finish order 6.
  EXPECT_EQ(Value(L"SELECT group_concat(finish_mark || ':' || finish_order, ',') AS value FROM "
                  L"(SELECT finish_mark, finish_order FROM race_result_entries WHERE "
                  L"finish_mark NOT GLOB '0[1-6]' ORDER BY finish_mark);"),
            L"F:6,F:6,F:6,K1:6,S0:6,S0:6,S0:6,S1:6,S1:6,S1:6");
  EXPECT_EQ(Value(L"SELECT start_timing || '|' || race_time || '|' || course_no AS value FROM "
                  L"race_result_entries WHERE register_no='3721' AND race_id=(SELECT id FROM races "
                  L"WHERE race_date='2023-09-01' AND stadium_id=24 AND race_no=3);"),
            L"-0.01|. .|3");
  EXPECT_EQ(Value(L"SELECT racer_name || '|' || exhibition_time || '|' || course_no || '|' || "
                  L"start_timing || '|' || race_time AS value FROM race_result_entries WHERE "
                  L"finish_mark='K1';"),
            L"田\u3000中\u3000\u3000\u3000\u3000豪|0.0|0|0.0|. . .");
  // The result file gives each boat its course and exhibition time.
  EXPECT_EQ(Value(L"SELECT e.course_no || '|' || e.exhibition_time AS value FROM race_entries e "
                  L"JOIN racers r ON r.id=e.racer_id WHERE r.register_no='3721' AND e.race_id=(SELECT "
                  L"id FROM races WHERE race_date='2023-09-01' AND stadium_id=24 AND race_no=3);"),
            L"3|6.96");
}

// 2019: stadium 11 is printed 琵琶湖 (today びわこ); its block must stay its own
// and not be written over the races of the block before it (丸亀).
TEST_F(RaceFileImporterTest, EveryBlockOf2019KeepsItsOwnStadium) {
  RaceFileImporter importer(&db_, false);
  const std::wstring path = test::FixturePath("official/k190408.lzh");
  ArchiveImportTally tally;
  EXPECT_TRUE(importer.ImportResultArchive(path, &tally)) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.log, L"k190408.lzh: races=144 results=864/864\r\n");
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|IMPORTED|864|");
  EXPECT_EQ(Count(L"races"), 144);
  EXPECT_EQ(Count(L"race_result_entries"), 864);
  EXPECT_EQ(Count(L"odds"), 1441);
  EXPECT_EQ(Value(L"SELECT group_concat(stadium_id || ':' || n, ',') AS value FROM (SELECT "
                  L"stadium_id, COUNT(*) AS n FROM races GROUP BY stadium_id ORDER BY stadium_id);"),
            L"1:12,2:12,5:12,8:12,9:12,11:12,15:12,16:12,18:12,19:12,22:12,23:12");
  // Each stadium holds its own first race: 丸亀 1R and 琵琶湖 1R as printed.
  auto first_race = [&](int stadium) {
    return Value(L"SELECT group_concat(frame_no || '-' || register_no, ',') AS value FROM (SELECT "
                 L"frame_no, register_no FROM race_result_entries WHERE race_id=(SELECT id FROM "
                 L"races WHERE race_date='2019-04-08' AND stadium_id=" + std::to_wstring(stadium) +
                 L" AND race_no=1) ORDER BY finish_order, frame_no);");
  };
  EXPECT_EQ(first_race(15), L"1-4260,3-4622,4-3411,6-4277,5-3778,2-3581");
  EXPECT_EQ(first_race(11), L"3-4453,1-4302,4-3950,2-3486,5-3867,6-3073");
  EXPECT_EQ(Value(L"SELECT series_title || '|' || day_label AS value FROM races WHERE "
                  L"race_date='2019-04-08' AND stadium_id=11 AND race_no=1;"),
            L"スポーツニッポン新聞社杯争奪\u3000第４４回八景賞|第2日");
  // The dead heat for first place at 琵琶湖 5R: two winners, two 単勝.
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type || ' ' || combination || ' ' || odds_value, ';') "
                  L"AS value FROM (SELECT * FROM odds WHERE bet_type IN ('単勝', '３連単') AND "
                  L"race_id=(SELECT id FROM races WHERE stadium_id=11 AND race_no=5) ORDER BY id);"),
            L"単勝 1 100.0;単勝 5 280.0;３連単 1-5-2 730.0;３連単 5-1-2 2110.0");
}

// How the blocks of a daily file find their stadium.  Each file holds a
// 大村 block and then the block of the case.
TEST_F(RaceFileImporterTest, BlockRecognition) {
  auto block = [](const std::wstring& code, const std::wstring& heading, const std::wstring& end,
                  const wchar_t* first_register) {
    std::vector<std::wstring> lines;
    if (!code.empty()) lines.push_back(code);
    if (!heading.empty()) lines.push_back(heading);
    lines.push_back(L"          テスト杯\u3000\u3000");
    lines.push_back(L"   1R       一般                 H1800m  晴  風  北  3m  波  2cm");
    const std::wstring reg = first_register;
    lines.push_back(L"  01  1 " + reg + L" 一号 11 21 6.70 1 0.10 1.50.1");
    lines.push_back(L"  02  2 " + reg.substr(0, 3) + L"2 二号 12 22 6.71 2 0.11 1.50.2");
    lines.push_back(L"  03  3 " + reg.substr(0, 3) + L"3 三号 13 23 6.72 3 0.12 1.50.3");
    lines.push_back(L"");
    lines.push_back(L"        単勝     1          150  ");
    lines.push_back(L"");
    if (!end.empty()) lines.push_back(end);
    return lines;
  };
  const std::wstring biwako = L"琵琶湖［成績］      4/ 8      テスト杯  第 2日";
  struct Case {
    const wchar_t* what;
    std::wstring code, heading, end;
    std::wstring stadiums;  // stadium ids holding races, in order
    std::wstring row;       // data_files status|rows|message
    std::wstring notes;
  };
  const Case cases[] = {
      {L"code line only", L"11KBGN", L"", L"11KEND", L"11,24", L"IMPORTED|6|", L""},
      {L"former name", L"11KBGN", biwako, L"11KEND", L"11,24", L"IMPORTED|6|", L""},
      {L"code and name disagree", L"15KBGN", biwako, L"15KEND", L"15,24", L"IMPORTED|6|",
       L"15KBGN: 場名がびわこと印字されています。場コードの丸亀として取り込みました。\r\n"},
      {L"no code line", L"", L"唐\u3000津［成績］      4/ 8      テスト杯  第 2日", L"", L"23,24",
       L"IMPORTED|6|", L""},
      {L"no code line, unknown name", L"", L"湖\u3000畔［成績］      4/ 8      テスト杯  第 2日", L"",
       L"24", L"FAILED|3|場を判定できないブロックがあります(湖\u3000畔［成績］)。", L""},
      {L"unknown code", L"25KBGN", L"", L"25KEND", L"24",
       L"FAILED|3|場を判定できないブロックがあります(25KBGN)。", L""},
      {L"unknown code, known name", L"00KBGN", biwako, L"00KEND", L"24",
       L"FAILED|3|場を判定できないブロックがあります(00KBGN)。", L""},
  };
  int day = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.what));
    std::vector<std::wstring> lines = {L"STARTK"};
    for (const std::wstring& line : block(L"24KBGN", L"大\u3000村［成績］      4/ 8      テスト杯  第 2日",
                                          L"24KEND", L"4001")) {
      lines.push_back(line);
    }
    for (const std::wstring& line : block(c.code, c.heading, c.end, L"4101")) lines.push_back(line);
    lines.push_back(L"FINALK");
    ++day;
    const std::wstring path = WriteText(Format(L"k1904%02d.txt", day), lines);
    RaceFileImporter importer(&db_, false);
    ArchiveImportTally tally;
    const bool ok = importer.ImportResultArchive(path, &tally);
    EXPECT_EQ(ok, c.row.find(L"IMPORTED") == 0);
    EXPECT_EQ(DataFileRow(path), L"RESULT_K|" + c.row);
    EXPECT_EQ(tally.notes, c.notes);
    const std::wstring date = Format(L"'2019-04-%02d'", day);
    EXPECT_EQ(Value(L"SELECT group_concat(stadium_id, ',') AS value FROM (SELECT stadium_id FROM "
                    L"races WHERE race_date=" + date + L" ORDER BY stadium_id);"),
              c.stadiums);
    // Nothing of a refused block is stored anywhere: 大村 keeps its own boats.
    EXPECT_EQ(Value(L"SELECT group_concat(r.register_no, ',') AS value FROM (SELECT e.register_no "
                    L"FROM race_result_entries e JOIN races x ON x.id=e.race_id WHERE x.race_date=" +
                    date + L" AND x.stadium_id=24 ORDER BY e.frame_no) r;"),
              L"4001,4002,4003");
  }
}

// A race not established (下関 2R of 2024-03-17): five F boats and one
// that finished, code 00.  Every line is kept.
TEST_F(RaceFileImporterTest, RaceNotEstablishedKeepsItsLines) {
  RaceFileImporter importer(&db_, false);
  const std::wstring path = test::FixturePath("official/k240317.lzh");
  ArchiveImportTally tally;
  EXPECT_TRUE(importer.ImportResultArchive(path, &tally)) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.log, L"k240317.lzh: races=156 results=936/936\r\n");
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|IMPORTED|936|");
  EXPECT_EQ(Count(L"race_result_entries"), 936);
  EXPECT_EQ(Count(L"odds"), 1549);
  EXPECT_EQ(Value(L"SELECT COUNT(DISTINCT stadium_id) AS value FROM races;"), L"13");
  const std::wstring race =
      L"(SELECT id FROM races WHERE race_date='2024-03-17' AND stadium_id=19 AND race_no=2)";
  EXPECT_EQ(Value(L"SELECT group_concat(frame_no || ':' || finish_mark || ':' || finish_order || ':' "
                  L"|| course_no || ':' || exhibition_time || ':' || start_timing, ',') AS value "
                  L"FROM (SELECT * FROM race_result_entries WHERE race_id=" + race +
                  L" ORDER BY frame_no);"),
            L"1:F:6:1:6.84:-0.04,2:F:6:2:6.85:-0.01,3:F:6:3:6.87:-0.06,4:F:6:4:6.9:-0.04,"
            L"5:F:6:5:6.97:-0.02,6:00:6:6:6.9:0.01");
  EXPECT_EQ(Value(L"SELECT register_no || '|' || racer_name || '|' || race_time AS value FROM "
                  L"race_result_entries WHERE finish_mark='00';"),
            L"5322|根\u3000岸\u3000\u3000真\u3000優|. .");
  // No place was run: the race result row has no frames and no trifecta.
  EXPECT_EQ(Value(L"SELECT first_frame || second_frame || third_frame || '|' || winning_technique "
                  L"|| '|' || trifecta || '|' || trifecta_payout AS value FROM race_results WHERE "
                  L"race_id=" + race + L";"),
            L"000|||0");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM odds WHERE race_id=" + race + L";"), L"0");
}

// Dead heats, a block cancelled from 4R on, blocks wholly cancelled, a race
// not established: every printed line and payout of the day is stored.
TEST_F(RaceFileImporterTest, CancelledAndDeadHeatDaysOf2024) {
  struct Case {
    const char* program;
    const char* result;
    int entries, program_races, results, races, payouts, stadiums;
  };
  // Counted from the printed files: entry lines, result lines, races with
  // a result section, payouts of more than 0 yen.
  const Case cases[] = {
      {"official/b240315.lzh", "official/k240315.lzh", 864, 144, 810, 135, 1349, 12},
      {"official/b240124.lzh", "official/k240124.lzh", 792, 132, 648, 108, 1080, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    RaceFileImporter programs(&db_, false);
    RaceFileImporter results(&db_, false);
    ArchiveImportTally program_tally;
    ArchiveImportTally result_tally;
    ASSERT_TRUE(programs.ImportProgramArchive(test::FixturePath(c.program), &program_tally))
        << Utf16ToUtf8(programs.message());
    ASSERT_TRUE(results.ImportResultArchive(test::FixturePath(c.result), &result_tally))
        << Utf16ToUtf8(results.message());
    EXPECT_EQ(program_tally.rowsStored, c.entries);
    EXPECT_EQ(program_tally.races, c.program_races);
    EXPECT_EQ(result_tally.linesRead, c.results);
    EXPECT_EQ(result_tally.rowsStored, c.results);
    EXPECT_EQ(result_tally.races, c.races);
    EXPECT_EQ(result_tally.notes, L"");
  }
  EXPECT_EQ(Count(L"race_result_entries"), 810 + 648);
  EXPECT_EQ(Count(L"odds"), 1349 + 1080);
  EXPECT_EQ(Count(L"race_entries"), 864 + 792);
  EXPECT_EQ(Value(L"SELECT group_concat(race_date || ':' || n, ',') AS value FROM (SELECT race_date, "
                  L"COUNT(DISTINCT stadium_id) AS n FROM races GROUP BY race_date ORDER BY race_date);"),
            L"2024-01-24:11,2024-03-15:12");
  // 江戸川 2R of 2024-03-15: first place shared; 4R-12R were cancelled.
  const std::wstring edogawa =
      L"(SELECT id FROM races WHERE race_date='2024-03-15' AND stadium_id=3 AND race_no=2)";
  EXPECT_EQ(Value(L"SELECT group_concat(finish_mark || ':' || frame_no, ',') AS value FROM (SELECT * "
                  L"FROM race_result_entries WHERE race_id=" + edogawa + L" ORDER BY finish_order, frame_no);"),
            L"01:1,01:4,03:2,04:5,05:3,06:6");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM race_result_entries e JOIN races x ON "
                  L"x.id=e.race_id WHERE x.race_date='2024-03-15' AND x.stadium_id=3 AND x.race_no>3;"),
            L"0");
  // 浜名湖 12R: 拡連複 and ３連複 not established, the other bets paid.
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type || ' ' || combination || ' ' || odds_value, ';') "
                  L"AS value FROM (SELECT * FROM odds WHERE race_id=(SELECT id FROM races WHERE "
                  L"race_date='2024-03-15' AND stadium_id=6 AND race_no=12) ORDER BY id);"),
            L"単勝 6 110.0;複勝 6 100.0;複勝 4 120.0;２連単 6-4 510.0;２連複 4-6 170.0;"
            L"３連単 6-4-5 570.0");
}

// A result file the server still publishes with one stadium unregistered,
// long after the day (k240325.lzh: 若松).
TEST_F(RaceFileImporterTest, PartialResultFileTakenAsFinal) {
  const std::wstring path = CopyFixture("official/k240325.lzh", L"k240325.lzh");
  RaceFileImporter importer(&db_, false);
  ArchiveImportTally recent;
  EXPECT_FALSE(importer.ImportResultArchive(path, &recent));
  EXPECT_EQ(recent.filesIncomplete, 1);
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|FAILED|648|未確定の成績を含むため、次回取り込み直します。");

  importer.SetPendingResultsFinal(true);
  ArchiveImportTally final_tally;
  EXPECT_TRUE(importer.ImportResultArchive(path, &final_tally));
  EXPECT_EQ(final_tally.filesIncomplete, 0);
  EXPECT_EQ(final_tally.filesImported, 1);
  EXPECT_EQ(final_tally.notes, L"若松: 成績未登録\r\n");
  EXPECT_EQ(final_tally.log, L"k240325.lzh: races=108 results=648/648\r\n  若松: 成績未登録\r\n");
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|IMPORTED|648|");
  EXPECT_EQ(Count(L"race_result_entries"), 648);
  EXPECT_EQ(Value(L"SELECT COUNT(DISTINCT stadium_id) AS value FROM races;"), L"9");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM races WHERE stadium_id=20;"), L"0");
}

// The first block of the files of 1998-01-02 and 2005-01-04, as printed.
TEST_F(RaceFileImporterTest, OlderLayoutsFieldByField) {
  RaceFileImporter programs(&db_, false);
  RaceFileImporter results(&db_, false);
  struct File { const char* fixture; bool program; const wchar_t* log; };
  const File files[] = {
      {"official/older/B980102.excerpt.rebuilt.TXT", true,
       L"B980102.excerpt.rebuilt.TXT: races=12 entries=72/72\r\n"},
      {"official/older/K980102.excerpt.rebuilt.TXT", false,
       L"K980102.excerpt.rebuilt.TXT: races=12 results=72/72\r\n"},
      {"official/older/b050104.excerpt.rebuilt.TXT", true,
       L"b050104.excerpt.rebuilt.TXT: races=12 entries=72/72\r\n"},
      {"official/older/k050104.excerpt.rebuilt.TXT", false,
       L"k050104.excerpt.rebuilt.TXT: races=12 results=72/72\r\n"},
  };
  for (const File& f : files) {
    SCOPED_TRACE(f.fixture);
    ArchiveImportTally tally;
    const std::wstring path = test::FixturePath(f.fixture);
    EXPECT_TRUE(f.program ? programs.ImportProgramArchive(path, &tally)
                          : results.ImportResultArchive(path, &tally))
        << Utf16ToUtf8(f.program ? programs.message() : results.message());
    EXPECT_EQ(tally.log, f.log);
    EXPECT_EQ(tally.notes, L"");
  }
  auto race = [](const wchar_t* date, int stadium, int race_no) {
    return Format(L"(SELECT id FROM races WHERE race_date='%s' AND stadium_id=%d AND race_no=%d)",
                  date, stadium, race_no);
  };
  auto race_row = [&](const std::wstring& id) {
    return Value(L"SELECT title || '|' || distance || '|' || deadline_time || '|' || series_title || "
                 L"'|' || day_label || '|' || weather || '|' || wind_direction || '|' || wind_speed || "
                 L"'|' || wave_height AS value FROM races WHERE id=" + id + L";");
  };
  auto entry_row = [&](const std::wstring& id, int frame) {
    return Value(Format(L"SELECT r.register_no || '|' || r.name || '|' || e.class_name || '|' || "
                        L"e.branch || '|' || e.age || '|' || e.weight || '|' || e.national_win_rate || "
                        L"'|' || e.national_quinella_rate || '|' || e.local_win_rate || '|' || "
                        L"e.local_quinella_rate || '|' || e.motor_no || '|' || e.motor_quinella_rate || "
                        L"'|' || e.boat_no || '|' || e.boat_quinella_rate || '|' || e.current_results || "
                        L"'|' || e.course_no || '|' || e.exhibition_time AS value FROM race_entries e "
                        L"JOIN racers r ON r.id=e.racer_id WHERE e.race_id=%s AND e.frame_no=%d;",
                        id, frame));
  };
  auto result_row = [&](const std::wstring& id) {
    return Value(L"SELECT first_frame || second_frame || third_frame || '|' || winning_technique || "
                 L"'|' || trifecta || '|' || trifecta_payout AS value FROM race_results WHERE race_id=" +
                 id + L";");
  };
  auto payouts = [&](const std::wstring& id) {
    return Value(L"SELECT group_concat(bet_type || ' ' || combination || ' ' || odds_value || ' ' || "
                 L"popularity, ';') AS value FROM (SELECT * FROM odds WHERE race_id=" + id +
                 L" ORDER BY id);");
  };
  auto finish = [&](const std::wstring& id) {
    return Value(L"SELECT group_concat(finish_mark || ':' || frame_no || ':' || finish_order || ':' || "
                 L"course_no || ':' || exhibition_time || ':' || start_timing || ':' || race_time, ',') "
                 L"AS value FROM (SELECT * FROM race_result_entries WHERE race_id=" + id +
                 L" ORDER BY id);");
  };

  // 1998: 大　村　競走場, 締切予定時刻, the branch column headed 出身 (its
  // values are the branches of today's files), one pair bet (連単 or 連複)
  // with the technique on its line.  The racer's name is the result
  // file's, imported last.
  EXPECT_EQ(race_row(race(L"1998-01-02", 24, 1)),
            L"予\u3000選|1800|10:57|スポニチ金杯新春特選レース|第4日|晴れ|南|2.0|1.0");
  EXPECT_EQ(entry_row(race(L"1998-01-02", 24, 1), 1),
            L"3818|山\u3000崎\u3000康\u3000弘\u3000|B2|長崎|26|58.0|3.9|17.31|3.5|15.79|22|29.44|16|36.36|365 56|6|6.91");
  EXPECT_EQ(result_row(race(L"1998-01-02", 24, 1)), L"456|差し|4-5-6|0");
  EXPECT_EQ(payouts(race(L"1998-01-02", 24, 1)), L"２連複 4-5 340.0 1");  // 単勝, 複勝 empty
  EXPECT_EQ(result_row(race(L"1998-01-02", 24, 3)), L"612|まくり差し|6-1-2|0");
  EXPECT_EQ(payouts(race(L"1998-01-02", 24, 3)), L"単勝 6 210.0 0;２連複 1-6 720.0 3");
  EXPECT_EQ(payouts(race(L"1998-01-02", 24, 4)),
            L"単勝 3 280.0 0;複勝 3 150.0 0;複勝 4 150.0 0;２連単 3-4 700.0 2");
  EXPECT_EQ(finish(race(L"1998-01-02", 24, 10)),
            L"01:3:1:5:6.85:0.15:1.47.5,02:1:2:1:6.76:0.26:1.48.7,03:2:3:2:6.73:0.21:1.50.2,"
            L"04:5:4:3:6.95:0.18:. .,05:4:5:4:6.88:0.24:. .,K0:6:6:0:0.0:0.0:. . .");
  EXPECT_EQ(Value(L"SELECT racer_name AS value FROM race_result_entries WHERE race_id=" +
                  race(L"1998-01-02", 24, 1) + L" AND frame_no=4;"),
            L"田\u3000川\u3000忠\u3000志\u3000");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM odds o JOIN races x ON x.id=o.race_id WHERE "
                  L"x.race_date='1998-01-02';"),
            L"37");
  EXPECT_EQ(Value(L"SELECT group_concat(bet_type, ',') AS value FROM (SELECT DISTINCT o.bet_type FROM "
                  L"odds o JOIN races x ON x.id=o.race_id WHERE x.race_date='1998-01-02' ORDER BY "
                  L"o.bet_type);"),
            L"単勝,複勝,２連単,２連複");

  // 2005: 浜名湖　競艇場, 出 身, otherwise the layout of today.
  EXPECT_EQ(race_row(race(L"2005-01-04", 6, 1)),
            L"一般戦\u3000\u3000\u3000  進入固定|1800|10:48|オール静岡\u3000Ｎｅｗ\u3000Ｙｅａｒ’ｓ\u3000Ｃｕｐ|"
            L"第6日|晴|南西|4.0|2.0");
  EXPECT_EQ(entry_row(race(L"2005-01-04", 6, 1), 2),
            L"3489|大\u3000場\u3000\u3000\u3000敏\u3000|A1|静岡|37|51.0|7.2|58.39|7.48|64.17|3|36.92|54|22.22|1 32351F14|2|6.61");
  EXPECT_EQ(result_row(race(L"2005-01-04", 6, 1)), L"243|まくり|2-4-3|940");
  EXPECT_EQ(finish(race(L"2005-01-04", 6, 1)),
            L"01:2:1:2:6.61:0.09:1.47.3,02:4:2:4:6.57:0.14:1.48.6,03:3:3:3:6.68:0.12:1.50.7,"
            L"04:1:4:1:6.71:0.35:1.52.8,04:5:4:5:6.66:0.17:1.52.8,06:6:6:6:6.51:0.16:. .");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM odds o JOIN races x ON x.id=o.race_id WHERE "
                  L"x.race_date='2005-01-04';"),
            L"119");
  EXPECT_EQ(Count(L"race_entries"), 144);
  EXPECT_EQ(Count(L"race_result_entries"), 144);
}

// 福岡 in 1998 had 3-digit boat numbers: the program line still fits its
// columns, the result line is one byte wider and read by tokens.
TEST_F(RaceFileImporterTest, ThreeDigitBoatNumbersOf1998) {
  const std::vector<std::wstring> program = {
      L"22BBGN",
      L"福\u3000岡\u3000競走場   \u3000１月\u3000２日  テスト杯  第\u3000４日",
      L"\u3000１Ｒ  予\u3000選\u3000\u3000\u3000  Ｈ１８００ｍ  電話投票締切予定時刻１０：５７  連複",
      L"1 3818山崎康弘26長崎58B2 3.90 17.31 3.50 15.79 21 43.48109 41.67 365 56        ",
      L"2 2137田代善信49佐賀57B1 2.91  8.82 4.50 25.00 11 36.88 29 42.50 663 66        ",
      L"3 2095留川照三48佐賀63B2 3.26 15.52 3.69 17.19 35 38.24173 23.53 2 666        6",
      L"22BEND",
  };
  const std::vector<std::wstring> result = {
      L"22KBGN",
      L"福\u3000岡［成績］      1/ 2      テスト杯  第 4日",
      L"   1R       予\u3000選\u3000\u3000\u3000  H1800m  晴れ  風  南\u3000\u3000 2m  波\u3000  1cm",
      L"  01  1 3818 山\u3000崎\u3000康\u3000弘\u3000 21  109  6.85   1    0.15     1.48.4",
      L"  02  2 2137 田\u3000代\u3000善\u3000信\u3000 11   29  6.97   2    0.11     1.50.2",
      L"  03  3 2095 留\u3000川\u3000照三郎\u3000 35  173  6.99   3    0.16     1.50.7",
      L"",
      L"        連複   1-2\u3000\u3000\u3000  340  人気     1      決まり手  逃げ\u3000\u3000\u3000",
      L"22KEND",
  };
  RaceFileImporter importer(&db_, false);
  ArchiveImportTally tally;
  ASSERT_TRUE(importer.ImportProgramArchive(WriteText(L"b980102.txt", program), &tally))
      << Utf16ToUtf8(importer.message());
  ASSERT_TRUE(importer.ImportResultArchive(WriteText(L"k980102.txt", result), &tally))
      << Utf16ToUtf8(importer.message());
  EXPECT_EQ(Value(L"SELECT group_concat(e.frame_no || ':' || e.motor_no || ':' || e.motor_quinella_rate "
                  L"|| ':' || e.boat_no || ':' || e.boat_quinella_rate || ':' || r.motor_no || ':' || "
                  L"r.boat_no, ',') AS value FROM (SELECT * FROM race_entries ORDER BY frame_no) e JOIN "
                  L"race_result_entries r ON r.race_id=e.race_id AND r.frame_no=e.frame_no;"),
            L"1:21:43.48:109:41.67:21:109,2:11:36.88:29:42.5:11:29,3:35:38.24:173:23.53:35:173");
  EXPECT_EQ(Value(L"SELECT group_concat(stadium_id || ':' || boat_no, ',') AS value FROM (SELECT * "
                  L"FROM boats ORDER BY boat_no);"),
            L"22:109,22:173,22:29");

  // A line whose name runs into a 3-digit motor number cannot be cut into
  // its columns: it is refused loudly, and its race gets no result row.
  std::vector<std::wstring> glued = result;
  glued[5] = L"  03  3 2095 留\u3000川\u3000照三郎\u3000135  173  6.99   3    0.16     1.50.7";
  const std::wstring path = WriteText(L"k980103.txt", glued);
  ArchiveImportTally refused;
  EXPECT_FALSE(importer.ImportResultArchive(path, &refused));
  const std::wstring message =
      L"読めなかった成績行が 1 行あります(例: " + glued[5].substr(0, 40) + L")";
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|FAILED|2|" + message);
  EXPECT_EQ(refused.log, L"k980103.txt: races=1 results=2/3\r\n  読めなかった成績行 1 行(書式が変わった可能性があります): " +
                             glued[5].substr(0, 40) + L"\r\n");
  const std::wstring race = L"(SELECT id FROM races WHERE race_date='1998-01-03')";
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM race_result_entries WHERE race_id=" + race + L";"), L"2");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM race_results WHERE race_id=" + race + L";"), L"0");
}

TEST_F(RaceFileImporterTest, ProgramAfterResultsKeepsTheCourses) {
  RaceFileImporter results(&db_, false);
  RaceFileImporter programs(&db_, true);
  ArchiveImportTally tally;
  ASSERT_TRUE(programs.ImportProgramArchive(test::FixturePath("official/b230901.lzh"), &tally));
  ASSERT_TRUE(results.ImportResultArchive(test::FixturePath("official/k230901.lzh"), &tally));
  // The boat that did not start (K1) has course 0 from the result file; the
  // program gives such a boat its frame again, so it is left out here.
  const std::wstring snapshot_sql =
      L"SELECT group_concat(v, ';') AS value FROM (SELECT race_id || ',' || frame_no || ',' || "
      L"racer_id || ',' || motor_id || ',' || boat_id || ',' || course_no || ',' || "
      L"exhibition_time || ',' || class_name || ',' || current_score AS v FROM race_entries "
      L"e WHERE NOT EXISTS (SELECT 1 FROM race_result_entries r WHERE r.race_id=e.race_id AND "
      L"r.frame_no=e.frame_no AND r.finish_mark='K1') ORDER BY race_id, frame_no);";
  const std::wstring before = Value(snapshot_sql);
  ASSERT_EQ(Value(L"SELECT COUNT(*) AS value FROM race_entries WHERE course_no<>frame_no;"), L"82");
  // Frame 6 of 大村 3R started from course 3.
  const std::wstring course_sql =
      L"SELECT course_no AS value FROM race_entries WHERE frame_no=6 AND race_id=(SELECT id FROM "
      L"races WHERE race_date='2023-09-01' AND stadium_id=24 AND race_no=3);";
  ASSERT_EQ(Value(course_sql), L"3");

  ArchiveImportTally again;
  EXPECT_TRUE(programs.ImportProgramArchive(test::FixturePath("official/b230901.lzh"), &again));
  EXPECT_EQ(again.filesImported, 1);
  EXPECT_EQ(Value(course_sql), L"3");
  EXPECT_EQ(Value(snapshot_sql), before);
  EXPECT_EQ(Count(L"race_entries"), 936);
  EXPECT_EQ(Count(L"races"), 156);
}

TEST_F(RaceFileImporterTest, ImportedArchivesAreSkippedUnlessReimportIsSet) {
  const std::wstring path = test::FixturePath("official/k230901.lzh");
  {
    RaceFileImporter importer(&db_, false);
    ArchiveImportTally first;
    ASSERT_TRUE(importer.ImportResultArchive(path, &first));
    ArchiveImportTally second;
    EXPECT_TRUE(importer.ImportResultArchive(path, &second));
    EXPECT_EQ(second.filesNotRead, 1);
    EXPECT_EQ(second.filesImported, 0);
    EXPECT_EQ(second.linesRead, 0);
    EXPECT_EQ(second.log, L"k230901.lzh: 取込済みのためスキップ\r\n");
  }
  {
    RaceFileImporter importer(&db_, true);
    ArchiveImportTally tally;
    EXPECT_TRUE(importer.ImportResultArchive(path, &tally));
    EXPECT_EQ(tally.filesImported, 1);
    EXPECT_EQ(tally.rowsStored, 936);
  }
  EXPECT_EQ(Count(L"race_result_entries"), 936);
  EXPECT_EQ(Count(L"odds"), 1559);
  EXPECT_EQ(Count(L"race_results"), 156);
  EXPECT_EQ(Count(L"data_files"), 1);
}

TEST_F(RaceFileImporterTest, UnpackedTextAndUpperCaseExtensions) {
  RaceFileImporter importer(&db_, false);
  const std::wstring text = CopyFixture("official/B230901.TXT", L"b230901.txt");
  const std::wstring upper = CopyFixture("official/b230921.lzh", L"B230921.LZH");
  ArchiveImportTally tally;
  EXPECT_TRUE(importer.ImportProgramArchive(text, &tally));
  EXPECT_TRUE(importer.ImportProgramArchive(upper, &tally));
  EXPECT_EQ(tally.filesImported, 2);
  EXPECT_EQ(tally.rowsStored, 2 * 936);
  EXPECT_EQ(Value(L"SELECT group_concat(race_date, ',') AS value FROM (SELECT DISTINCT race_date "
                  L"FROM races ORDER BY race_date);"),
            L"2023-09-01,2023-09-21");
}

// --- Result files published during the day ----------------------------------

TEST_F(RaceFileImporterTest, PartialResultFileIsNotRecordedAsImported) {
  RaceFileImporter importer(&db_, false);
  const std::wstring path = CopyFixture("official/k230921.lzh", L"k230921.lzh");
  ArchiveImportTally tally;
  EXPECT_FALSE(importer.ImportResultArchive(path, &tally));
  EXPECT_EQ(importer.message(), L"未確定の成績を含むため、次回取り込み直します。");
  EXPECT_EQ(tally.filesImported, 0);
  EXPECT_EQ(tally.filesIncomplete, 1);
  EXPECT_EQ(tally.filesNotRead, 0);
  EXPECT_EQ(tally.failures, 0);
  EXPECT_EQ(tally.log,
            L"k230921.lzh: races=0 results=0/0\r\n"
            L"  成績が未確定の場が 12 場あります。次回取り込み直します。\r\n");
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|FAILED|0|未確定の成績を含むため、次回取り込み直します。");
  EXPECT_EQ(Count(L"races"), 0);  // the one stadium with a block had all races cancelled

  // The next run does not skip it, and the complete file, once there, is imported.
  ArchiveImportTally retry;
  EXPECT_FALSE(importer.ImportResultArchive(path, &retry));
  EXPECT_EQ(retry.filesNotRead, 0);
  EXPECT_EQ(retry.filesIncomplete, 1);
  CopyFixture("official/k230901.lzh", L"k230921.lzh");  // the day's final archive
  ArchiveImportTally final_tally;
  EXPECT_TRUE(importer.ImportResultArchive(path, &final_tally));
  EXPECT_EQ(final_tally.filesIncomplete, 0);
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|IMPORTED|936|");
}

TEST_F(RaceFileImporterTest, PartialResultFileKeepsTheRacesItHolds) {
  // A whole day's file followed by one stadium still racing.
  std::vector<std::wstring> lines =
      DecodeLines(test::ReadFileBytes(test::FixturePath("official/K230901.TXT")));
  for (const wchar_t* line : {L"02KBGN", L"", L"", L"ボートレース戸\u3000田",
                              L"データは、この場の全レース終了後に登録されます。", L"", L"", L"02KEND"}) {
    lines.push_back(line);
  }
  RaceFileImporter importer(&db_, false);
  ArchiveImportTally tally;
  const std::wstring path = dir_.File(L"k230901.lzh");
  EXPECT_FALSE(importer.ImportLines(L"RESULT_K", path, lines, &tally));
  EXPECT_EQ(tally.filesIncomplete, 1);
  EXPECT_EQ(tally.rowsStored, 936);
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|FAILED|936|未確定の成績を含むため、次回取り込み直します。");
  EXPECT_EQ(Count(L"race_result_entries"), 936);
  EXPECT_EQ(Count(L"race_results"), 156);
  EXPECT_EQ(Count(L"odds"), 1559);
}

// --- Failures before parsing ------------------------------------------------

TEST_F(RaceFileImporterTest, FailuresBeforeParsingLeaveTheirRow) {
  ASSERT_TRUE(WriteWholeFile(dir_.File(L"b230901.txt"), ""));
  ASSERT_TRUE(WriteWholeFile(dir_.File(L"b230902.lzh"), "this is not an archive at all, no"));
  ASSERT_TRUE(WriteWholeFile(dir_.File(L"b230903.lzh"), "x"));
  CopyFixture("official/b230901.lzh", L"x230901.lzh");
  CopyFixture("official/b230901.lzh", L"b2309.lzh");
  CopyFixture("official/k230901.lzh", L"k230901.lzh");
  WriteOversizedFile(dir_.File(L"b230904.txt"));

  struct Case { std::wstring name; std::wstring message; };
  const Case cases[] = {
      {L"b230899.lzh", L"ファイルを開けません。"},
      {L"b230901.txt", L"ファイルサイズが不正です。"},
      {L"b230904.txt", L"ファイルサイズが不正です。"},
      {L"b230902.lzh", L""},  // the decoder's own message
      {L"b230903.lzh", L""},
      {L"x230901.lzh", L"日付を判定できません。"},
      {L"b2309.lzh", L"日付を判定できません。"},
      {L"k230901.lzh", L"日付を判定できません。"},  // a result archive offered as a program
  };
  RaceFileImporter importer(&db_, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    const std::wstring path = dir_.File(c.name);
    ArchiveImportTally tally;
    EXPECT_FALSE(importer.ImportProgramArchive(path, &tally));
    EXPECT_EQ(tally.filesNotRead, 1);
    EXPECT_EQ(tally.filesImported, 0);
    EXPECT_EQ(tally.log, L"");
    EXPECT_FALSE(importer.message().empty());
    if (!c.message.empty()) {
      EXPECT_EQ(importer.message(), c.message);
    }
    EXPECT_EQ(DataFileRow(path), L"PROGRAM_B|FAILED|0|" + importer.message());
  }
  EXPECT_EQ(Count(L"races"), 0);
}

// --- Lines that cannot be read or stored --------------------------------------

std::vector<std::wstring> SmallProgram(const std::wstring& third_entry) {
  return {
      L"ボートレース大\u3000村   \u3000９月\u3000１日  テスト杯\u3000  第\u3000５日",
      L"                            ＊＊＊\u3000番組表\u3000＊＊＊",
      L"          テスト杯\u3000\u3000\u3000",
      // An entry line before the first race header is no entry.
      L"1 3812山崎聖司47東京53B1 4.79 25.21 0.00  0.00 67 29.17 61 33.33 3 132 62     9",
      L"\u3000１Ｒ  一般\u3000\u3000\u3000\u3000          Ｈ１８００ｍ  電話投票締切予定１５：１７ ",
      L"1 3812山崎聖司47東京53B1 4.79 25.21 0.00  0.00 67 29.17 61 33.33 3 132 62     9",
      L"2 5086本村\u3000大24長崎52B1 5.24 37.31 4.10 17.46 64 32.56 51 50.00 163 1356     5",
      third_entry,
      L"3 1234 is short",  // under 40 characters: never an entry
  };
}

TEST_F(RaceFileImporterTest, UnreadableEntryLinesFailTheFileButKeepTheRest) {
  const std::wstring bad =
      L"3 5132中野希一24埼玉53B  5.68 38.46 0.00  0.00 34 32.65 37 31.03 461 262      6";
  const std::wstring path = WriteText(L"b230901.txt", SmallProgram(bad));
  RaceFileImporter importer(&db_, false);
  ArchiveImportTally tally;
  EXPECT_FALSE(importer.ImportProgramArchive(path, &tally));
  const std::wstring example = bad.substr(0, 40);
  EXPECT_EQ(importer.message(), L"読めなかった出走行が 1 行あります(例: " + example + L")");
  EXPECT_EQ(tally.linesRead, 3);
  EXPECT_EQ(tally.rowsStored, 2);
  EXPECT_EQ(tally.failures, 1);
  EXPECT_EQ(tally.log, L"b230901.txt: races=1 entries=2/3\r\n  読めなかった出走行 1 行(書式が変わった可能性があります): " +
                           example + L"\r\n");
  EXPECT_EQ(DataFileRow(path), L"PROGRAM_B|FAILED|2|" + importer.message());
  EXPECT_EQ(Count(L"race_entries"), 2);  // committed
  EXPECT_EQ(Value(L"SELECT series_title || day_label AS value FROM races;"), L"テスト杯第5日");
}

TEST_F(RaceFileImporterTest, FailingStatementRollsBackAndDropsStaleIds) {
  const std::wstring good =
      L"3 5132中野希一24埼玉53B1 5.68 38.46 0.00  0.00 34 32.65 37 31.03 461 262      6";
  const std::wstring path = WriteText(L"b230901.txt", SmallProgram(good));
  ASSERT_TRUE(db_.Exec(L"CREATE TEMP TRIGGER refuse BEFORE INSERT ON race_entries "
                       L"WHEN NEW.frame_no=3 BEGIN SELECT RAISE(ABORT, 'frame 3 refused'); END;"));
  RaceFileImporter importer(&db_, false);
  ArchiveImportTally tally;
  EXPECT_FALSE(importer.ImportProgramArchive(path, &tally));
  EXPECT_EQ(importer.message(), L"frame 3 refused");
  EXPECT_EQ(tally.failures, 1);
  EXPECT_EQ(tally.rowsStored, 2);
  EXPECT_EQ(DataFileRow(path), L"PROGRAM_B|FAILED|2|frame 3 refused");
  EXPECT_EQ(Count(L"races"), 0);  // rolled back
  EXPECT_EQ(Count(L"racers"), 0);
  EXPECT_EQ(Count(L"race_entries"), 0);

  // Rows made by others take the ids the rolled-back rows had.
  ASSERT_TRUE(db_.Exec(L"DROP TRIGGER refuse;"));
  ASSERT_TRUE(db_.Exec(L"INSERT INTO races (race_date, stadium_id, race_no) VALUES ('2000-01-01', 1, 1);"
                       L"INSERT INTO racers (register_no, name) VALUES ('0001', 'x');"
                       L"INSERT INTO motors (stadium_id, motor_no) VALUES (1, '1');"
                       L"INSERT INTO boats (stadium_id, boat_no) VALUES (1, '1');"));
  ArchiveImportTally retry;
  EXPECT_TRUE(importer.ImportProgramArchive(path, &retry)) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(DataFileRow(path), L"PROGRAM_B|IMPORTED|3|");
  EXPECT_EQ(Value(L"SELECT COUNT(*) AS value FROM race_entries e JOIN races x ON x.id=e.race_id "
                  L"JOIN racers r ON r.id=e.racer_id JOIN motors m ON m.id=e.motor_id "
                  L"JOIN boats b ON b.id=e.boat_id WHERE x.stadium_id=24 AND m.stadium_id=24 AND "
                  L"b.stadium_id=24 AND r.register_no<>'0001';"),
            L"3");
}

TEST_F(RaceFileImporterTest, FailingResultStatementFailsTheFile) {
  ASSERT_TRUE(db_.Exec(L"CREATE TEMP TRIGGER refuse BEFORE INSERT ON race_result_entries "
                       L"WHEN NEW.finish_mark='K1' BEGIN SELECT RAISE(ABORT, 'no K1'); END;"));
  RaceFileImporter importer(&db_, false);
  ArchiveImportTally tally;
  const std::wstring path = test::FixturePath("official/k230901.lzh");
  EXPECT_FALSE(importer.ImportResultArchive(path, &tally));
  EXPECT_EQ(tally.log, L"k230901.lzh: races=156 results=935/936\r\n");
  EXPECT_EQ(DataFileRow(path), L"RESULT_K|FAILED|935|no K1");
  EXPECT_EQ(Count(L"race_result_entries"), 0);
  EXPECT_EQ(Count(L"odds"), 0);
}

// --- Small result files --------------------------------------------------------

TEST_F(RaceFileImporterTest, RaceResultsFromSmallFiles) {
  const std::wstring head[] = {
      L"大\u3000村［成績］      1/ 5      テスト杯  第 2日",
      L"          テスト杯\u3000\u3000",
      L"   1R       一般                 H1800m  晴  風  北  3m  波  2cm",
  };
  const std::wstring technique = L"  着 艇 登番 ﾓｰﾀｰ ﾎﾞｰﾄ 展示 進入 ｽﾀｰﾄﾀｲﾐﾝｸ ﾚｰｽﾀｲﾑ 逃げ";
  const std::wstring place[] = {
      L"  01  1 4001 一号 11 21 6.70 1 0.10 1.50.1",
      L"  02  2 4002 二号 12 22 6.71 2 0.11 1.50.2",
      L"  03  3 4003 三号 13 23 6.72 3 0.12 1.50.3",
  };
  struct Case {
    std::vector<std::wstring> before;  // lines between the header and the places
    std::vector<std::wstring> tail;
    int places;
    std::wstring expected;  // race_results row, empty when none
  };
  const Case cases[] = {
      {{technique}, {L"        ３連単   1-2-3     1230  人気     4 "}, 3, L"123|逃げ|1-2-3|1230"},
      {{technique}, {L"        単勝     1          150  "}, 3, L"123|逃げ|1-2-3|0"},
      {{technique}, {}, 2, L""},
      // The technique line may also come after the payouts.
      {{}, {L"        ３連単   2-1-3     5000  人気    12 ", technique}, 3, L"123|逃げ|2-1-3|5000"},
  };
  int day = 1;
  for (const Case& c : cases) {
    std::vector<std::wstring> lines(std::begin(head), std::end(head));
    for (const std::wstring& line : c.before) lines.push_back(line);
    for (int i = 0; i < c.places; ++i) lines.push_back(place[i]);
    lines.push_back(L"");
    for (const std::wstring& line : c.tail) lines.push_back(line);
    const std::wstring name = Format(L"k2401%02d.txt", day++);
    SCOPED_TRACE(Utf16ToUtf8(name));
    RaceFileImporter importer(&db_, false);
    ArchiveImportTally tally;
    EXPECT_TRUE(importer.ImportResultArchive(WriteText(name, lines), &tally));
    const std::wstring race =
        Format(L"(SELECT id FROM races WHERE race_date='2024-01-%02d')", day - 1);
    EXPECT_EQ(Value(L"SELECT first_frame || second_frame || third_frame || '|' || "
                    L"winning_technique || '|' || trifecta || '|' || trifecta_payout AS value "
                    L"FROM race_results WHERE race_id=" + race + L";"),
              c.expected);
  }
  EXPECT_EQ(Value(L"SELECT odds_value || '|' || popularity AS value FROM odds WHERE "
                  L"bet_type='３連単' AND combination='1-2-3';"),
            L"1230.0|4");
  EXPECT_EQ(Value(L"SELECT weather || wind_direction || wind_speed || wave_height || series_title "
                  L"|| day_label AS value FROM races WHERE race_date='2024-01-01';"),
            L"晴北3.02.0テスト杯第2日");
}

// What is stored must not depend on how the days were grouped into runs
// (importer objects): the program of 9/2 names racer 3812 exactly as the
// program of 9/1 did, after the result file of 9/1 had renamed him in its
// spaced form.  The latest statement wins in both groupings.
TEST_F(RaceFileImporterTest, StoredValuesDoNotDependOnTheGroupingOfRuns) {
  const std::vector<std::wstring> day1 =
      DecodeLines(test::ReadFileBytes(test::FixturePath("official/B230901.TXT")));
  std::wstring line_3812;
  for (const std::wstring& line : day1) {
    if (line.rfind(L"1 3812", 0) == 0) line_3812 = line;
  }
  ASSERT_FALSE(line_3812.empty());
  const std::wstring day2 = WriteText(
      L"b230902.txt", {L"24BBGN", L"ボートレース大\u3000村   \u3000９月\u3000２日  テスト杯  第\u3000６日",
                       L"\u3000１Ｒ  一般\u3000\u3000\u3000\u3000          Ｈ１８００ｍ  電話投票締切予定１５：１７ ",
                       line_3812, L"24BEND"});
  const std::wstring b0901 = test::FixturePath("official/b230901.lzh");
  const std::wstring k0901 = test::FixturePath("official/k230901.lzh");
  const std::wstring racers_sql =
      L"SELECT group_concat(v, ';') AS value FROM (SELECT register_no || ',' || name || ',' || "
      L"class_name || ',' || branch || ',' || age || ',' || weight || ',' || national_win_rate || "
      L"',' || local_win_rate AS v FROM racers ORDER BY register_no);";

  // One run over both days: one program and one result importer, sharing
  // what they know of the stored rows as the import run has them do.
  {
    auto stored = std::make_shared<StoredRowValues>();
    RaceFileImporter programs(&db_, false, stored);
    RaceFileImporter results(&db_, false, stored);
    ArchiveImportTally tally;
    ASSERT_TRUE(programs.ImportProgramArchive(b0901, &tally));
    ASSERT_TRUE(results.ImportResultArchive(k0901, &tally));
    ASSERT_TRUE(programs.ImportProgramArchive(day2, &tally));
  }
  const std::wstring one_run = Value(racers_sql);
  EXPECT_EQ(Value(L"SELECT name AS value FROM racers WHERE register_no='3812';"), L"山崎聖司");

  // Two runs, one a day, on a database of their own.
  DbManager other;
  DbSchema schema(other);
  ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"two_runs.db")));
  for (const std::vector<std::wstring>& run :
       {std::vector<std::wstring>{b0901, k0901}, std::vector<std::wstring>{day2}}) {
    auto stored = std::make_shared<StoredRowValues>();
    RaceFileImporter programs(&other, false, stored);
    RaceFileImporter results(&other, false, stored);
    for (const std::wstring& path : run) {
      ArchiveImportTally tally;
      ASSERT_TRUE(path == k0901 ? results.ImportResultArchive(path, &tally)
                                : programs.ImportProgramArchive(path, &tally));
    }
  }
  std::vector<DbRow> rows;
  ASSERT_TRUE(other.QueryRows(racers_sql, &rows));
  ASSERT_FALSE(rows.empty());
  EXPECT_TRUE(DbRowValue(rows[0], L"value") == one_run) << "the racers differ between the groupings";
}

TEST_F(RaceFileImporterTest, ArchivesInsideACallersTransactionGoWithIt) {
  const std::wstring program = CopyFixture("official/b230901.lzh", L"b230901.lzh");
  RaceFileImporter importer(&db_, false);
  ASSERT_TRUE(db_.Exec(L"BEGIN TRANSACTION;"));
  ArchiveImportTally tally;
  ASSERT_TRUE(importer.ImportProgramArchive(program, &tally)) << Utf16ToUtf8(importer.message());
  EXPECT_TRUE(db_.InTransaction()) << "the archive must not end the caller's transaction";
  EXPECT_EQ(DataFileRow(program), L"PROGRAM_B|IMPORTED|936|");
  ASSERT_TRUE(db_.Exec(L"ROLLBACK;"));
  EXPECT_EQ(Count(L"race_entries"), 0);
  EXPECT_EQ(DataFileRow(program), L"") << "the mark goes with the rows";

  // Once told, the importer forgets the ids of the rows that went.
  importer.DropIdCaches();
  ArchiveImportTally again;
  ASSERT_TRUE(importer.ImportProgramArchive(program, &again)) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(again.rowsStored, 936);
  EXPECT_EQ(Count(L"race_entries"), 936);
  EXPECT_FALSE(db_.InTransaction());
}

TEST_F(RaceFileImporterTest, ArchiveReadAheadIsImportedLikeOneReadHere) {
  const std::wstring program = CopyFixture("official/b230901.lzh", L"b230901.lzh");
  const std::wstring result = CopyFixture("official/k230901.lzh", L"k230901.lzh");
  RaceFileImporter importer(&db_, false);
  ArchiveText text = RaceFileImporter::ReadArchiveText(program);
  ASSERT_TRUE(text.read) << Utf16ToUtf8(text.message);
  ArchiveImportTally tally;
  ASSERT_TRUE(importer.ImportProgramArchive(program, std::move(text), &tally))
      << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.rowsStored, 936);

  // A text read of another file is not taken for this one.
  ArchiveImportTally results;
  ASSERT_TRUE(importer.ImportResultArchive(result, RaceFileImporter::ReadArchiveText(program), &results))
      << Utf16ToUtf8(importer.message());
  EXPECT_EQ(results.rowsStored, 936);
  EXPECT_EQ(DataFileRow(result), L"RESULT_K|IMPORTED|936|");

  // A damaged copy read ahead fails as one read here does.
  const std::wstring damaged = dir_.File(L"k230902.lzh");
  ASSERT_TRUE(WriteWholeFile(damaged, std::string(200, 'x')));
  ArchiveText bad = RaceFileImporter::ReadArchiveText(damaged);
  EXPECT_FALSE(bad.extracted);
  ArchiveImportTally failed;
  EXPECT_FALSE(importer.ImportResultArchive(damaged, std::move(bad), &failed));
  EXPECT_EQ(failed.filesNotExtracted, 1);
  EXPECT_EQ(failed.filesNotRead, 1);
  EXPECT_EQ(DataFileRow(damaged).rfind(L"RESULT_K|FAILED|0|", 0), 0u) << Utf16ToUtf8(DataFileRow(damaged));
}

}  // namespace
}  // namespace wakelore
