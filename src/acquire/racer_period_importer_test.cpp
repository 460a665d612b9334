#include "acquire/racer_period_importer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/db_schema.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

// A racer line of `length` bytes; the period fields stay blank unless given.
std::string RacerLine(const std::string& register_no, size_t length, const std::wstring& name,
                      const std::string& period = "", const std::string& win_rate = "0652") {
  std::string line(length, ' ');
  auto put = [&line](size_t offset, const std::string& bytes) {
    if (offset >= line.size()) return;
    size_t n = std::min(bytes.size(), line.size() - offset);
    line.replace(offset, n, bytes, 0, n);
  };
  put(0, register_no);
  put(4, WideToCp932(name));
  put(39, "A1");
  put(41, "S");
  put(42, "550101");
  put(48, "1");
  put(49, "45");
  put(51, "165");
  put(54, "52");
  put(58, win_rate);
  put(62, "0413");
  put(66, "123");
  put(79, "016");
  put(82, "0400543014015");
  put(160, "A2");
  put(166, "5512");
  put(170, "5601");
  put(174, period);
  put(179, "2023050120231031");
  put(195, "003");
  put(198, "010009008007006005010203040506070");
  put(410, WideToCp932(L"福岡"));
  return line;
}

// A stored (-lh0-) archive of header level 0 holding `text`.
std::string StoredArchive(const std::string& text) {
  const std::string name = "fan.txt";
  std::string b;
  b += static_cast<char>(22 + name.size());
  b += '\0';
  b += "-lh0-";
  auto put32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put32(static_cast<uint32_t>(text.size()));
  put32(static_cast<uint32_t>(text.size()));
  put32(0x5D8A75D2);
  b += '\x20';
  b += '\0';
  b += static_cast<char>(name.size());
  b += name;
  b += std::string(2, '\0');  // CRC-16, not checked
  b += text;
  return b;
}

class RacerPeriodImporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db")));
  }
  std::wstring WriteArchive(const std::wstring& name, const std::string& text) {
    std::wstring path = dir_.File(name);
    EXPECT_TRUE(WriteWholeFile(path, StoredArchive(text)));
    return path;
  }
  std::vector<DbRow> Rows(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows)) << Utf16ToUtf8(db_.LastError());
    return rows;
  }
  DbRow DataFile(const std::wstring& path) {
    std::vector<DbRow> rows = Rows(L"SELECT * FROM data_files WHERE source_path=" + SqlQuote(path) + L";");
    EXPECT_EQ(rows.size(), 1u);
    return rows.empty() ? DbRow() : rows[0];
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(RacerPeriodImporterTest, ImportsTheRacerLinesOfAnArchive) {
  std::string text = "HEADER fan2310\r\n" + RacerLine("4444", 416, L"山田　太郎", "20241") + "\r\n" +
                     RacerLine("5555", 198, L"鈴木") + "\r\n" + RacerLine("6666", 197, L"短い") +
                     "\r\nTRAILER\r\n";
  std::wstring path = WriteArchive(L"fan2310.lzh", text);
  RacerPeriodImporter importer(db_);
  RacerImportTally tally;
  ASSERT_TRUE(importer.ImportRacerPeriodArchive(path, &tally)) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.filesImported, 1);
  EXPECT_EQ(tally.rowsRead, 2);
  EXPECT_EQ(tally.rowsImported, 2);
  EXPECT_EQ(tally.failures, 0);
  EXPECT_EQ(tally.log, L"fan2310.lzh: 2/2 rows imported\r\n");

  DbRow file = DataFile(path);
  EXPECT_EQ(DbRowValue(file, L"file_type"), L"RACER_PERIOD");
  EXPECT_EQ(DbRowValue(file, L"status"), L"IMPORTED");
  EXPECT_EQ(DbRowValue(file, L"imported_rows"), L"2");
  EXPECT_EQ(DbRowValue(file, L"message"), L"");

  std::vector<DbRow> stats = Rows(
      L"SELECT register_no, period_year, period_term, name, win_rate, quinella_rate, avg_start_timing, calc_from, "
      L"calc_to, origin, source_file, weight_kg FROM racer_period_stats ORDER BY register_no;");
  ASSERT_EQ(stats.size(), 2u);
  EXPECT_EQ(DbRowValue(stats[0], L"period_year"), L"2024");
  EXPECT_EQ(DbRowValue(stats[0], L"period_term"), L"1");
  EXPECT_EQ(DbRowValue(stats[0], L"name"), L"山田　太郎");
  EXPECT_EQ(DbRowValue(stats[0], L"win_rate"), L"6.52");
  EXPECT_EQ(DbRowValue(stats[0], L"quinella_rate"), L"41.3");
  EXPECT_EQ(DbRowValue(stats[0], L"avg_start_timing"), L"0.16");
  EXPECT_EQ(DbRowValue(stats[0], L"calc_from"), L"2023-05-01");
  EXPECT_EQ(DbRowValue(stats[0], L"calc_to"), L"2023-10-31");
  EXPECT_EQ(DbRowValue(stats[0], L"origin"), L"福岡");
  EXPECT_EQ(DbRowValue(stats[0], L"source_file"), path);
  EXPECT_EQ(DbRowValue(stats[0], L"weight_kg"), L"52.0");
  // The short line's blank period comes from the file name.
  EXPECT_EQ(DbRowValue(stats[1], L"period_year"), L"2024");
  EXPECT_EQ(DbRowValue(stats[1], L"period_term"), L"1");
  EXPECT_EQ(DbRowValue(stats[1], L"origin"), L"");

  std::vector<DbRow> courses =
      Rows(L"SELECT course_no, entry_count, quinella_rate, first_count, s1_count FROM racer_period_course_stats "
           L"WHERE register_no='4444' ORDER BY course_no;");
  ASSERT_EQ(courses.size(), 6u);
  EXPECT_EQ(DbRowValue(courses[0], L"entry_count"), L"40");
  EXPECT_EQ(DbRowValue(courses[0], L"quinella_rate"), L"54.3");
  EXPECT_EQ(DbRowValue(courses[0], L"first_count"), L"10");
  EXPECT_EQ(DbRowValue(courses[0], L"s1_count"), L"7");
  EXPECT_EQ(DbRowValue(courses[5], L"course_no"), L"6");
  EXPECT_EQ(Rows(L"SELECT id FROM racer_period_course_stats;").size(), 12u);

  std::vector<DbRow> racers = Rows(
      L"SELECT register_no, name, class_name, age, weight, national_win_rate, local_win_rate, avg_start_timing, "
      L"f_count FROM racers ORDER BY register_no;");
  ASSERT_EQ(racers.size(), 2u);
  EXPECT_EQ(DbRowValue(racers[0], L"national_win_rate"), L"6.52");
  EXPECT_EQ(DbRowValue(racers[0], L"local_win_rate"), L"0.0");
  EXPECT_EQ(DbRowValue(racers[0], L"f_count"), L"0");
  EXPECT_EQ(DbRowValue(racers[0], L"class_name"), L"A1");
}

TEST_F(RacerPeriodImporterTest, SecondCallSkipsTheSamePathOnly) {
  std::string text = RacerLine("4444", 416, L"山田", "20241");
  std::wstring path = WriteArchive(L"fan2310.lzh", text);
  RacerPeriodImporter first(db_);
  RacerImportTally tally;
  ASSERT_TRUE(first.ImportRacerPeriodArchive(path, &tally));
  RacerPeriodImporter second(db_);
  RacerImportTally again;
  EXPECT_TRUE(second.ImportRacerPeriodArchive(path, &again));
  EXPECT_EQ(again.filesSkipped, 1);
  EXPECT_EQ(again.filesImported, 0);
  EXPECT_EQ(again.rowsRead, 0);
  EXPECT_EQ(again.log, L"fan2310.lzh: 取込済みのためスキップ\r\n");

  ASSERT_TRUE(EnsureDirectory(dir_.File(L"copy")));
  std::wstring other = dir_.File(L"copy") + kPathSeparator + L"fan2310.lzh";
  ASSERT_TRUE(WriteWholeFile(other, test::ReadFileBytes(path)));
  RacerImportTally copy;
  EXPECT_TRUE(second.ImportRacerPeriodArchive(other, &copy));
  EXPECT_EQ(copy.filesImported, 1);
  EXPECT_EQ(copy.rowsImported, 1);
}

TEST_F(RacerPeriodImporterTest, UnreadableArchivesAreRecordedAndRetried) {
  struct Case {
    const wchar_t* name;
    bool create;
    std::string bytes;
    const wchar_t* status;
    const wchar_t* message;  // nullptr: the decoder's, not checked word for word
  };
  const Case cases[] = {
      {L"fan2310.lzh", true, "", L"FAILED", L"File size is invalid."},
      {L"fan2404.lzh", false, "", L"FAILED", L"Failed to open file."},
      {L"fan2410.lzh", true, "this is no archive at all", L"FAILED_LZH", nullptr},
  };
  for (const Case& c : cases) {
    std::wstring path = dir_.File(c.name);
    if (c.create) {
      ASSERT_TRUE(WriteWholeFile(path, c.bytes));
    }
    RacerPeriodImporter importer(db_);
    RacerImportTally tally;
    EXPECT_FALSE(importer.ImportRacerPeriodArchive(path, &tally)) << c.name;
    DbRow file = DataFile(path);
    EXPECT_EQ(DbRowValue(file, L"status"), c.status) << c.name;
    EXPECT_EQ(DbRowValue(file, L"imported_rows"), L"0") << c.name;
    EXPECT_EQ(DbRowValue(file, L"message"), importer.message()) << c.name;
    EXPECT_FALSE(importer.message().empty());
    if (c.message != nullptr) {
      EXPECT_EQ(importer.message(), c.message);
      EXPECT_EQ(tally.failures, 1);
      EXPECT_EQ(tally.log, L"");
    } else {
      EXPECT_EQ(tally.filesNotDecoded, 1);
      EXPECT_EQ(tally.failures, 0);
      EXPECT_EQ(tally.log, Format(L"%s: LZH展開失敗: %s\r\n", c.name, importer.message()));
    }
    // Mended, the same path is imported by the next call.
    ASSERT_TRUE(WriteWholeFile(path, StoredArchive(RacerLine("4444", 198, L"山田"))));
    RacerImportTally retry;
    EXPECT_TRUE(RacerPeriodImporter(db_).ImportRacerPeriodArchive(path, &retry)) << c.name;
    EXPECT_EQ(DbRowValue(DataFile(path), L"status"), L"IMPORTED");
  }
}

TEST_F(RacerPeriodImporterTest, FailingLineRollsTheArchiveBack) {
  ASSERT_TRUE(db_.Exec(L"CREATE TRIGGER refuse BEFORE INSERT ON racer_period_course_stats "
                       L"WHEN NEW.register_no = '5555' AND NEW.course_no = 4 "
                       L"BEGIN SELECT RAISE(ABORT, 'course refused'); END;"));
  std::string text = RacerLine("4444", 416, L"山田", "20241") + "\n" + RacerLine("5555", 416, L"鈴木", "20241") +
                     "\n" + RacerLine("6666", 416, L"佐藤", "20241") + "\n";
  std::wstring path = WriteArchive(L"fan2310.lzh", text);
  RacerPeriodImporter importer(db_);
  RacerImportTally tally;
  EXPECT_FALSE(importer.ImportRacerPeriodArchive(path, &tally));
  EXPECT_NE(importer.message().find(L"course refused"), std::wstring::npos) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.rowsRead, 3);
  EXPECT_EQ(tally.rowsImported, 2);
  EXPECT_EQ(tally.failures, 1);
  EXPECT_EQ(tally.filesImported, 0);
  EXPECT_EQ(tally.log, L"fan2310.lzh: 2/3 rows imported\r\n");
  DbRow file = DataFile(path);
  EXPECT_EQ(DbRowValue(file, L"status"), L"FAILED");
  EXPECT_EQ(DbRowValue(file, L"imported_rows"), L"2");
  EXPECT_EQ(DbRowValue(file, L"message"), L"Some rows failed.");
  EXPECT_TRUE(Rows(L"SELECT id FROM racer_period_stats;").empty());
  EXPECT_TRUE(Rows(L"SELECT id FROM racer_period_course_stats;").empty());
  EXPECT_TRUE(Rows(L"SELECT id FROM racers;").empty());
}

// Every statement succeeds but the commit is refused (a deferred foreign
// key a trigger breaks): nothing is stored, so nothing may say "IMPORTED".
TEST_F(RacerPeriodImporterTest, RefusedCommitIsAFailure) {
  ASSERT_TRUE(db_.Exec(L"CREATE TABLE parent (id INTEGER PRIMARY KEY);"
                       L"CREATE TABLE child (pid INTEGER REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED);"
                       L"CREATE TRIGGER orphan AFTER INSERT ON racer_period_stats BEGIN INSERT INTO child VALUES (42); END;"));
  std::wstring path = WriteArchive(L"fan2310.lzh", RacerLine("4444", 416, L"山田", "20241"));
  RacerPeriodImporter importer(db_);
  RacerImportTally tally;
  EXPECT_FALSE(importer.ImportRacerPeriodArchive(path, &tally));
  EXPECT_NE(importer.message().find(L"FOREIGN KEY"), std::wstring::npos) << Utf16ToUtf8(importer.message());
  EXPECT_EQ(tally.filesImported, 0);
  EXPECT_EQ(tally.failures, 1);
  DbRow file = DataFile(path);
  EXPECT_EQ(DbRowValue(file, L"status"), L"FAILED");
  EXPECT_EQ(DbRowValue(file, L"message"), importer.message());
  EXPECT_TRUE(Rows(L"SELECT id FROM racer_period_stats;").empty());
  EXPECT_TRUE(db_.Exec(L"BEGIN TRANSACTION; COMMIT;"));  // no transaction left open
}

TEST_F(RacerPeriodImporterTest, ReimportRefreshesCurrentFiguresOnly) {
  std::wstring first = WriteArchive(L"fan2310.lzh", RacerLine("4444", 416, L"山田", "20241", "0652"));
  RacerImportTally tally;
  ASSERT_TRUE(RacerPeriodImporter(db_).ImportRacerPeriodArchive(first, &tally));
  ASSERT_TRUE(db_.Exec(L"UPDATE racers SET local_win_rate=5.5, f_count=2, l_count=1;"));

  // The same period again from another archive, every field changed.
  std::string line(416, ' ');
  auto put = [&line](size_t offset, const std::string& bytes) { line.replace(offset, bytes.size(), bytes); };
  put(0, "4444");
  put(4, WideToCp932(L"山田二郎"));
  put(39, "B1");
  put(41, "H");
  put(42, "010203");
  put(48, "2");
  put(49, "30");
  put(51, "170");
  put(54, "55");
  put(56, "AB");
  put(58, "0701");
  put(62, "0500");
  put(66, "999");
  put(79, "020");
  put(82, "0990999099099");
  put(160, "B2");
  put(166, "1111");
  put(170, "2222");
  put(174, "20241");
  put(179, "2020010120200630");
  put(195, "999");
  put(198, "999999999999999999999999999999999");
  put(410, WideToCp932(L"東京"));
  std::wstring second = WriteArchive(L"fan2310-again.lzh", line);
  ASSERT_TRUE(RacerPeriodImporter(db_).ImportRacerPeriodArchive(second, &tally));

  std::vector<DbRow> rows = Rows(L"SELECT * FROM racer_period_stats;");
  ASSERT_EQ(rows.size(), 1u);
  const DbRow& r = rows[0];
  // Refreshed.
  EXPECT_EQ(DbRowValue(r, L"name"), L"山田二郎");
  EXPECT_EQ(DbRowValue(r, L"class_name"), L"B1");
  EXPECT_EQ(DbRowValue(r, L"age"), L"30");
  EXPECT_EQ(DbRowValue(r, L"weight_kg"), L"55.0");
  EXPECT_EQ(DbRowValue(r, L"win_rate"), L"7.01");
  EXPECT_EQ(DbRowValue(r, L"quinella_rate"), L"50.0");
  EXPECT_EQ(DbRowValue(r, L"avg_start_timing"), L"0.2");
  EXPECT_EQ(DbRowValue(r, L"current_ability"), L"22.22");
  EXPECT_EQ(DbRowValue(r, L"source_file"), second);
  // Kept from the first import.
  EXPECT_EQ(DbRowValue(r, L"birth_era"), L"S");
  EXPECT_EQ(DbRowValue(r, L"birth_date_text"), L"550101");
  EXPECT_EQ(DbRowValue(r, L"gender"), L"1");
  EXPECT_EQ(DbRowValue(r, L"height_cm"), L"165");
  EXPECT_EQ(DbRowValue(r, L"blood_type"), L"");
  EXPECT_EQ(DbRowValue(r, L"first_count"), L"123");
  EXPECT_EQ(DbRowValue(r, L"prev_class"), L"A2");
  EXPECT_EQ(DbRowValue(r, L"prev_ability"), L"55.12");
  EXPECT_EQ(DbRowValue(r, L"calc_from"), L"2023-05-01");
  EXPECT_EQ(DbRowValue(r, L"calc_to"), L"2023-10-31");
  EXPECT_EQ(DbRowValue(r, L"training_term"), L"3");
  EXPECT_EQ(DbRowValue(r, L"origin"), L"福岡");
  // Course rows take every new figure.
  std::vector<DbRow> course =
      Rows(L"SELECT entry_count, first_count FROM racer_period_course_stats WHERE course_no=1;");
  ASSERT_EQ(course.size(), 1u);
  EXPECT_EQ(DbRowValue(course[0], L"entry_count"), L"99");
  EXPECT_EQ(DbRowValue(course[0], L"first_count"), L"999");
  // The racer keeps what this file does not carry.
  std::vector<DbRow> racer = Rows(L"SELECT name, national_win_rate, local_win_rate, f_count, l_count FROM racers;");
  ASSERT_EQ(racer.size(), 1u);
  EXPECT_EQ(DbRowValue(racer[0], L"name"), L"山田二郎");
  EXPECT_EQ(DbRowValue(racer[0], L"national_win_rate"), L"7.01");
  EXPECT_EQ(DbRowValue(racer[0], L"local_win_rate"), L"5.5");
  EXPECT_EQ(DbRowValue(racer[0], L"f_count"), L"2");
  EXPECT_EQ(DbRowValue(racer[0], L"l_count"), L"1");
}

}  // namespace
}  // namespace wakelore
