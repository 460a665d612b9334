#include "output/table_exporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "output/delimited_writer.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

// A statement of `n` rows (x = 1..n) that needs no table.
std::wstring Numbers(int64_t n, const std::wstring& columns = L"x, 'row ' || x AS label") {
  return Format(L"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %d) "
                L"SELECT %s FROM c",
                n, columns);
}

// The names in a folder, sorted.
std::vector<std::wstring> FolderNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder), ec)) {
    names.push_back(entry.path().filename().wstring());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class TableExporterTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.OpenReadWrite(dir_.File(L"t.db")));
    ASSERT_TRUE(db_.Exec(L"CREATE TABLE t (id INTEGER PRIMARY KEY, a TEXT, b REAL, c INTEGER);"));
  }

  bool Export(const std::wstring& sql, ExportFormat format, int64_t limit = 0,
              const ExportProgress& progress = nullptr) {
    return TableExporter::Export(db_, sql, out_, format, limit, L"sheet", result_, progress);
  }

  test::TempDir dir_;
  DbManager db_;
  std::wstring out_ = dir_.File(L"out.csv");
  ExportResult result_;
};

TEST_F(TableExporterTest, ExtensionFor) {
  EXPECT_EQ(ExtensionFor(ExportFormat::CsvUtf8), L"csv");
  EXPECT_EQ(ExtensionFor(ExportFormat::CsvShiftJis), L"csv");
  EXPECT_EQ(ExtensionFor(ExportFormat::TsvUtf8), L"tsv");
  EXPECT_EQ(ExtensionFor(ExportFormat::Xlsx), L"xlsx");
  EXPECT_EQ(ExtensionFor(static_cast<ExportFormat>(7)), L"csv");
}

TEST_F(TableExporterTest, EmptyResultGivesHeaderOnly) {
  struct Case { ExportFormat format; std::string bytes; };
  const Case cases[] = {
      {ExportFormat::CsvUtf8, kBom + "id,a,b,c\r\n"},
      {ExportFormat::TsvUtf8, kBom + "id\ta\tb\tc\r\n"},
      {ExportFormat::CsvShiftJis, "id,a,b,c\r\n"},
  };
  for (const Case& c : cases) {
    result_.rows = 99;
    result_.error = L"stale";
    ASSERT_TRUE(Export(L"SELECT * FROM t", c.format)) << testing::PrintToString(result_.error);
    EXPECT_EQ(test::ReadFileBytes(out_), c.bytes);
    EXPECT_EQ(result_.rows, 0);
    EXPECT_EQ(result_.error, L"");
    EXPECT_FALSE(result_.limited || result_.overflow || result_.cancelled);
  }
}

TEST_F(TableExporterTest, FieldsAreQuotedOrFlattenedPerFormat) {
  ASSERT_TRUE(db_.Exec(
      L"INSERT INTO t VALUES (1, 'a\"b', 1.5, NULL), (2, ' lead, trail ', NULL, 7),"
      L"(3, 'line1' || char(13) || char(10) || 'line2' || char(10) || 'x' || char(13), -0.25, 0),"
      L"(4, 'tab' || char(9) || 'bed', 2, NULL), (5, '番組😀', NULL, NULL), (6, '', NULL, NULL);"));
  const std::wstring sql = L"SELECT id, a, b, c FROM t ORDER BY id";

  ASSERT_TRUE(Export(sql, ExportFormat::CsvUtf8));
  EXPECT_EQ(test::ReadFileBytes(out_),
            kBom + "id,a,b,c\r\n"
                   "1,\"a\"\"b\",1.5,\r\n"
                   "2,\" lead, trail \",,7\r\n"
                   "3,\"line1\r\nline2\nx\r\",-0.25,0\r\n"
                   "4,tab\tbed,2.0,\r\n" +
                Utf16ToUtf8(L"5,番組😀,,\r\n") + "6,,,\r\n");
  EXPECT_EQ(result_.rows, 6);

  ASSERT_TRUE(Export(sql, ExportFormat::TsvUtf8));
  EXPECT_EQ(test::ReadFileBytes(out_),
            kBom + "id\ta\tb\tc\r\n"
                   "1\ta\"b\t1.5\t\r\n"
                   "2\t lead, trail \t\t7\r\n"
                   "3\tline1  line2 x \t-0.25\t0\r\n"
                   "4\ttab bed\t2.0\t\r\n" +
                Utf16ToUtf8(L"5\t番組😀\t\t\r\n") + "6\t\t\t\r\n");

  ASSERT_TRUE(Export(L"SELECT a FROM t WHERE id IN (1, 5) ORDER BY id", ExportFormat::CsvShiftJis));
  EXPECT_EQ(test::ReadFileBytes(out_), "a\r\n\"a\"\"b\"\r\n\x94\xd4\x91\x67??\r\n")
      << "no byte-order mark; a character outside code page 932 becomes '?' per UTF-16 unit";
}

TEST_F(TableExporterTest, RowLimit) {
  ASSERT_TRUE(Export(Numbers(150), ExportFormat::CsvUtf8, 100));
  EXPECT_EQ(result_.rows, 100);
  EXPECT_TRUE(result_.limited);
  const std::string bytes = test::ReadFileBytes(out_);
  EXPECT_NE(bytes.find("\r\n100,row 100\r\n"), std::string::npos);
  EXPECT_TRUE(bytes.ends_with("\r\n100,row 100\r\n"));

  ASSERT_TRUE(Export(Numbers(100), ExportFormat::CsvUtf8, 100));
  EXPECT_EQ(result_.rows, 100);
  EXPECT_FALSE(result_.limited) << "no further row existed";

  ASSERT_TRUE(Export(Numbers(100), ExportFormat::CsvUtf8, -1));
  EXPECT_EQ(result_.rows, 100);
  EXPECT_FALSE(result_.limited);
}

TEST_F(TableExporterTest, ProgressEveryTenThousandRowsAndCancel) {
  std::vector<int64_t> calls;
  ASSERT_TRUE(Export(Numbers(25000), ExportFormat::TsvUtf8, 0, [&](int64_t rows) {
    calls.push_back(rows);
    return true;
  }));
  EXPECT_EQ(calls, (std::vector<int64_t>{10000, 20000}));
  EXPECT_EQ(result_.rows, 25000);

  const std::string finished = test::ReadFileBytes(out_);
  for (ExportFormat format : {ExportFormat::CsvUtf8, ExportFormat::CsvShiftJis, ExportFormat::TsvUtf8}) {
    EXPECT_FALSE(Export(Numbers(25000), format, 0, [](int64_t) { return false; }));
    EXPECT_TRUE(result_.cancelled);
    EXPECT_EQ(result_.rows, 10000);
    EXPECT_EQ(result_.error, L"中止しました。");
    EXPECT_EQ(test::ReadFileBytes(out_), finished) << "a cancelled export keeps the older file";
  }
}

TEST_F(TableExporterTest, RefusedOrFailingStatementLeavesNoFile) {
  const std::wstring refused[] = {L"DELETE FROM t", L"SELECT 1; SELECT 2", L"SELECT * FROM missing", L""};
  for (const std::wstring& sql : refused) {
    EXPECT_FALSE(Export(sql, ExportFormat::CsvUtf8)) << testing::PrintToString(sql);
    EXPECT_FALSE(result_.error.empty());
    EXPECT_EQ(result_.error, db_.LastError());
    EXPECT_FALSE(PathExists(out_)) << testing::PrintToString(sql);
  }
  EXPECT_FALSE(Export(L"DELETE FROM t", ExportFormat::CsvUtf8));
  EXPECT_EQ(result_.error, L"読み取り専用の SELECT 文だけ実行できます。");

  // A step that fails half way (an integer overflow in SUM) after rows
  // were written.
  ASSERT_TRUE(db_.Exec(L"INSERT INTO t (id, c) VALUES (1, 9223372036854775807), (2, 1);"));
  EXPECT_FALSE(Export(L"SELECT id, SUM(c) OVER (ORDER BY id) FROM t", ExportFormat::CsvUtf8));
  EXPECT_NE(result_.error.find(L"overflow"), std::wstring::npos) << testing::PrintToString(result_.error);
  EXPECT_FALSE(PathExists(out_));
  EXPECT_EQ(FolderNames(dir_.path()), (std::vector<std::wstring>{L"t.db"})) << "no temporary file is left";
}

// Whatever ends an export early, the user's older file at the target stays
// byte for byte, and nothing else is left in its folder.
TEST_F(TableExporterTest, FailedOrCancelledExportKeepsTheOlderFile) {
  const std::string older = "yesterday's good export\r\n";
  struct Case { const char* what; std::wstring sql; bool cancel; };
  const Case cases[] = {
      {"refused statement", L"DELETE FROM t", false},
      {"two statements", L"SELECT 1; SELECT 2", false},
      {"statement fails while stepping", Numbers(30000, L"abs(-9223372036854775807 - x)"), false},
      {"cancelled at 10000 rows", Numbers(30000), true},
  };
  const std::wstring target = dir_.File(L"good.csv");
  for (ExportFormat format : {ExportFormat::CsvUtf8, ExportFormat::CsvShiftJis, ExportFormat::TsvUtf8,
                              ExportFormat::Xlsx}) {
    for (const Case& c : cases) {
      ASSERT_TRUE(WriteWholeFile(target, older));
      EXPECT_FALSE(TableExporter::Export(db_, c.sql, target, format, 0, L"sheet", result_,
                                         [&](int64_t) { return !c.cancel; }))
          << c.what;
      EXPECT_EQ(result_.cancelled, c.cancel) << c.what;
      EXPECT_EQ(test::ReadFileBytes(target), older) << c.what << " format " << static_cast<int>(format);
      EXPECT_EQ(FolderNames(dir_.path()), (std::vector<std::wstring>{L"good.csv", L"t.db"})) << c.what;
    }
  }
  // A complete export replaces it whole.
  ASSERT_TRUE(TableExporter::Export(db_, L"SELECT 1 AS one", target, ExportFormat::CsvUtf8, 0, L"", result_,
                                    nullptr));
  EXPECT_EQ(test::ReadFileBytes(target), kBom + "one\r\n1\r\n");
  EXPECT_EQ(FolderNames(dir_.path()), (std::vector<std::wstring>{L"good.csv", L"t.db"}));
}

// The output is the database being read: refused before anything is
// written, however the path is spelled.
TEST_F(TableExporterTest, ExportOntoTheDatabaseIsRefused) {
  ASSERT_TRUE(db_.Exec(L"INSERT INTO t VALUES (1, 'kept', 1.5, 7);"));
  const std::wstring database = dir_.File(L"t.db");
  // Read-only, as the exports open it (Windows lets the test read the file
  // beside a reading connection only).
  db_.Close();
  const std::string before = test::ReadFileBytes(database);
  ASSERT_TRUE(db_.OpenReadOnly(database));
  std::wstring other_spelling = dir_.path() + kPathSeparator + L"." + kPathSeparator + L"t.db";
#ifdef _WIN32
  for (wchar_t& ch : other_spelling) ch = static_cast<wchar_t>(towupper(ch));
#endif
  for (const std::wstring& target : {database, other_spelling}) {
    for (ExportFormat format : {ExportFormat::CsvUtf8, ExportFormat::Xlsx, ExportFormat::TsvUtf8}) {
      EXPECT_FALSE(TableExporter::Export(db_, L"SELECT * FROM t", target, format, 0, L"sheet", result_,
                                         nullptr));
      EXPECT_EQ(result_.error, kOutputIsDatabaseMessage) << testing::PrintToString(target);
      EXPECT_EQ(test::ReadFileBytes(database), before);
    }
  }
  EXPECT_EQ(FolderNames(dir_.path()), (std::vector<std::wstring>{L"t.db"}));
  std::vector<DbRow> rows;
  ASSERT_TRUE(db_.QueryRows(L"SELECT a FROM t", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(DbRowValue(rows[0], L"a"), L"kept");
}

TEST_F(TableExporterTest, TargetThatCannotBeCreatedIsLeftAlone) {
  const std::wstring targets[] = {
      dir_.File(L"no such folder") + kPathSeparator + L"out.csv",
      dir_.path(),  // a folder
  };
  for (const std::wstring& target : targets) {
    EXPECT_FALSE(TableExporter::Export(db_, L"SELECT 1", target, ExportFormat::CsvUtf8, 0, L"", result_, nullptr));
    EXPECT_EQ(result_.error,
              L"出力ファイルを作成できません(他のアプリで開いたままになっていないか確認してください)。");
  }
  EXPECT_TRUE(IsDirectory(dir_.path())) << "nothing is deleted when the open failed";
}

// A target that another writer holds is refused before any row is read,
// and left as it is; two exports to one target each leave a whole file.
TEST_F(TableExporterTest, HeldTargetIsRefusedAndConcurrentExportsStayWhole) {
  ASSERT_TRUE(WriteWholeFile(out_, "held elsewhere"));
  {
    OutputFile holder;
    ASSERT_TRUE(holder.Open(out_));
    ASSERT_TRUE(holder.Write("held elsewhere"));
    for (ExportFormat format : {ExportFormat::CsvUtf8, ExportFormat::Xlsx}) {
      EXPECT_FALSE(Export(L"SELECT 1", format));
      EXPECT_EQ(result_.error, format == ExportFormat::Xlsx ? kCannotCreateWorkbookMessage
                                                            : kCannotCreateOutputMessage);
      EXPECT_EQ(result_.rows, 0);
    }
    ASSERT_TRUE(holder.Close());
  }
  EXPECT_EQ(test::ReadFileBytes(out_), "held elsewhere");

  bool tried = false;
  ExportResult second;
  bool second_ok = false;
  ASSERT_TRUE(Export(Numbers(30000), ExportFormat::CsvUtf8, 0, [&](int64_t rows) {
    if (rows == 10000) {
      tried = true;
      second_ok = TableExporter::Export(db_, L"SELECT 1", out_, ExportFormat::CsvUtf8, 0, L"", second, nullptr);
      EXPECT_EQ(test::ReadFileBytes(out_), kBom + "1\r\n1\r\n") << "the second, complete export";
    }
    return true;
  })) << testing::PrintToString(result_.error);
  ASSERT_TRUE(tried);
  EXPECT_TRUE(second_ok) << testing::PrintToString(second.error);
  const std::string bytes = test::ReadFileBytes(out_);
  EXPECT_TRUE(bytes.starts_with(kBom + "x,label\r\n1,row 1\r\n"));
  EXPECT_TRUE(bytes.ends_with("\r\n30000,row 30000\r\n"));
  EXPECT_EQ(FolderNames(dir_.path()), (std::vector<std::wstring>{L"out.csv", L"t.db"}));
}

TEST_F(TableExporterTest, LongExportIsWrittenInPiecesAndComplete) {
  // About 5 MiB: several buffer flushes, every row intact across them.
  const int64_t n = 60000;
  ASSERT_TRUE(Export(Numbers(n, L"x, printf('%080d', x) AS pad"), ExportFormat::CsvUtf8));
  const std::string bytes = test::ReadFileBytes(out_);
  ASSERT_GT(bytes.size(), 4 * DelimitedWriter::kFlushThreshold);
  std::string expected = kBom + "x,pad\r\n";
  for (int64_t i = 1; i <= n; ++i) {
    const std::string number = std::to_string(i);
    expected += number + "," + std::string(80 - number.size(), '0') + number + "\r\n";
  }
  EXPECT_TRUE(bytes == expected);
}

TEST_F(TableExporterTest, DeviceTargetIsNeverDeleted) {
#ifdef _WIN32
  GTEST_SKIP() << "the full device exists on Linux only";
#else
  const std::wstring full = L"/dev/full";
  if (!PathExists(full)) GTEST_SKIP() << "no /dev/full";
  ASSERT_FALSE(IsRegularFile(full)) << "the exporter would delete the device";
  EXPECT_FALSE(TableExporter::Export(db_, Numbers(20000, L"x, printf('%0100d', x)"), full,
                                     ExportFormat::CsvUtf8, 0, L"", result_, nullptr));
  EXPECT_EQ(result_.error, L"出力ファイルの書き込みに失敗しました(ディスクの空きを確認してください)。");
  EXPECT_TRUE(PathExists(full));
  // Short output fails only when the file is closed; that is a failure too.
  EXPECT_FALSE(TableExporter::Export(db_, L"SELECT 1", full, ExportFormat::CsvUtf8, 0, L"", result_, nullptr));
  EXPECT_EQ(result_.error, L"出力ファイルの書き込みに失敗しました(ディスクの空きを確認してください)。");
  EXPECT_TRUE(PathExists(full));
#endif
}

// Run by tests/suites.d with the process's file size limited to the value
// of WAKELORE_TEST_FILE_SIZE_LIMIT: the export hits the limit like a full
// disk and must remove what it wrote.
TEST_F(TableExporterTest, FullDiskLeavesNoFile) {
  const char* limit_text = std::getenv("WAKELORE_TEST_FILE_SIZE_LIMIT");
  if (limit_text == nullptr) GTEST_SKIP() << "needs a file size limit set by the suite script";
  const int64_t limit = std::atoll(limit_text);
  for (ExportFormat format : {ExportFormat::CsvUtf8, ExportFormat::CsvShiftJis, ExportFormat::TsvUtf8}) {
    const int64_t rows = limit / 50 + 1000;  // more than `limit` bytes
    EXPECT_FALSE(Export(Numbers(rows, L"x, printf('%060d', x)"), format));
    EXPECT_EQ(result_.error, L"出力ファイルの書き込みに失敗しました(ディスクの空きを確認してください)。");
    EXPECT_FALSE(PathExists(out_));
    EXPECT_FALSE(result_.cancelled);
    EXPECT_EQ(FolderNames(dir_.path()), (std::vector<std::wstring>{L"t.db"})) << "no temporary file is left";
  }
  // Below the limit the same export works.
  EXPECT_TRUE(Export(Numbers(100), ExportFormat::CsvUtf8)) << testing::PrintToString(result_.error);
}

// Run by tests/suites.d: writes the rows of a database made by an
// independent program in every text format, for that program to read back.
TEST(ExportReadBack, WritesEveryTextFormat) {
  const char* folder_text = std::getenv("WAKELORE_EXPORT_CHECK_DIR");
  if (folder_text == nullptr) GTEST_SKIP() << "needs WAKELORE_EXPORT_CHECK_DIR";
  const std::wstring folder = Utf8ToUtf16(folder_text);
  DbManager db;
  ASSERT_TRUE(db.OpenReadOnly(folder + kPathSeparator + L"source.db"));
  struct Output { const wchar_t* name; ExportFormat format; const wchar_t* sql; };
  const Output outputs[] = {
      {L"rows_utf8.csv", ExportFormat::CsvUtf8, L"SELECT * FROM t ORDER BY id"},
      {L"rows_sjis.csv", ExportFormat::CsvShiftJis, L"SELECT * FROM t ORDER BY id"},
      {L"rows.tsv", ExportFormat::TsvUtf8, L"SELECT * FROM t ORDER BY id"},
      {L"empty_utf8.csv", ExportFormat::CsvUtf8, L"SELECT * FROM t WHERE 0"},
      {L"empty_sjis.csv", ExportFormat::CsvShiftJis, L"SELECT * FROM t WHERE 0"},
      {L"empty.tsv", ExportFormat::TsvUtf8, L"SELECT * FROM t WHERE 0"},
  };
  for (const Output& o : outputs) {
    ExportResult result;
    EXPECT_TRUE(TableExporter::Export(db, o.sql, folder + kPathSeparator + o.name, o.format, 0, L"",
                                      result, nullptr))
        << testing::PrintToString(std::wstring(o.name)) << testing::PrintToString(result.error);
  }
}

}  // namespace
}  // namespace wakelore
