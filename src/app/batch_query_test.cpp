#include "app/batch_query.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/batch_runs.h"
#include "db/db_manager.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

class BatchQueryTest : public testing::Test {
 protected:
  void SetUp() override {
    DbManager db;
    ASSERT_TRUE(db.OpenReadWrite(db_));
    ASSERT_TRUE(db.Exec(L"CREATE TABLE races (id INTEGER PRIMARY KEY, race_date TEXT, stadium_id INTEGER);"
                        L"INSERT INTO races (race_date, stadium_id) VALUES ('2023-09-01', 2), "
                        L"('2023-09-01', 2), ('2023-09-01', 5), ('2023-09-02', 7);"));
    db.Close();
    db_bytes_ = test::ReadFileBytes(db_);
  }

  int Run(const std::string& sql_file_bytes, const std::wstring& format = L"csv",
          const std::wstring& max_rows = L"") {
    EXPECT_TRUE(WriteWholeFile(sql_, sql_file_bytes));
    std::vector<std::wstring> args = {L"wakelore", L"/query", db_, sql_, format, out_};
    if (!max_rows.empty()) args.push_back(max_rows);
    return RunBatchQuery(args);
  }
  std::string Log() { return PathExists(out_ + L".log") ? test::ReadFileBytes(out_ + L".log") : ""; }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(dir_.path()))) {
      names.push_back(e.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir_;
  std::wstring db_ = dir_.File(L"races.db");
  std::wstring sql_ = dir_.File(L"query.sql");
  std::wstring out_ = dir_.File(L"out.csv");
  std::string db_bytes_;
};

TEST_F(BatchQueryTest, WritesTheRowsOfTheStatementLikeExport) {
  // A byte-order mark, CR LF and a comment after the statement.
  ASSERT_EQ(Run(kBom + "SELECT stadium_id, count(*) AS n FROM races\r\n"
                       "WHERE race_date = '2023-09-01' GROUP BY stadium_id -- 場ごと\r\n"),
            0)
      << Log();
  EXPECT_EQ(test::ReadFileBytes(out_), kBom + "stadium_id,n\r\n2,2\r\n5,1\r\n");
  EXPECT_TRUE(Log().starts_with(kBom + "ok=1 rows=2 limited=0 overflow=0 elapsed_ms=")) << Log();

  ASSERT_EQ(Run("SELECT id FROM races ORDER BY id;", L"TSV", L"3"), 0) << Log();
  EXPECT_EQ(test::ReadFileBytes(out_), kBom + "id\r\n1\r\n2\r\n3\r\n");
  EXPECT_TRUE(Log().starts_with(kBom + "ok=1 rows=3 limited=1 ")) << Log();

  ASSERT_EQ(Run("SELECT '番組' AS 名前", L"sjis"), 0) << Log();
  EXPECT_EQ(test::ReadFileBytes(out_), "\x96\xBC\x91\x4F\r\n\x94\xD4\x91\x67\r\n");

  ASSERT_EQ(Run("SELECT race_date FROM races", L"Xlsx"), 0) << Log();
  EXPECT_EQ(test::ReadFileBytes(out_).substr(0, 2), "PK");
  EXPECT_EQ(test::ReadFileBytes(db_), db_bytes_);
}

TEST_F(BatchQueryTest, ForbiddenStatementsAreRefusedAndChangeNothing) {
  const std::wstring attached = dir_.File(L"attached.db");
  const std::wstring copy = dir_.File(L"copy.db");
  const std::string refused[] = {
      "ATTACH DATABASE '" + Utf16ToUtf8(attached) + "' AS x",
      "DELETE FROM races",
      "SELECT 1; DELETE FROM races",
      "PRAGMA query_only = OFF",
      "SAVEPOINT a",
      "PRAGMA writable_schema = ON",
      "VACUUM INTO '" + Utf16ToUtf8(copy) + "'",
      "SELECT load_extension('x')",
      "",
  };
  for (const std::string& sql : refused) {
    for (const wchar_t* format : {L"csv", L"xlsx"}) {
      EXPECT_EQ(Run(sql, format), 4) << sql;
      EXPECT_FALSE(PathExists(out_)) << sql;
      EXPECT_TRUE(Log().starts_with(kBom + "ok=0 rows=0 ")) << Log();
      EXPECT_EQ(Names(), (std::vector<std::wstring>{L"out.csv.log", L"query.sql", L"races.db"})) << sql;
      EXPECT_EQ(test::ReadFileBytes(db_), db_bytes_) << sql;
    }
  }
  Run("PRAGMA query_only = OFF");
  EXPECT_NE(Utf8ToUtf16(Log()).find(L"読み取り専用の SELECT 文だけ実行できます"), std::wstring::npos) << Log();
}

TEST_F(BatchQueryTest, BadArgumentsAndUnusableDatabases) {
  EXPECT_EQ(RunBatchQuery({L"w", L"/query", db_, sql_, L"csv"}), 2);
  EXPECT_FALSE(PathExists(out_ + L".log"));

  EXPECT_EQ(RunBatchQuery({L"w", L"/query", db_, dir_.File(L"missing.sql"), L"csv", out_}), 2);
  EXPECT_EQ(Log(), kBom + "cannot read the SQL file: cannot open file");
  EXPECT_EQ(Run("SELECT '\xFF\xFE'"), 2);
  EXPECT_EQ(Log(), kBom + "the SQL file is not UTF-8");
  EXPECT_EQ(Run("SELECT 1 -- " + std::string(kMaxQueryFileBytes, 'x')), 2);
  EXPECT_EQ(Log(), kBom + "cannot read the SQL file: file too large");
  EXPECT_FALSE(PathExists(out_));

  // A file that is no database: code 3 with SQLite's reason, the file kept.
  const std::wstring corrupt = dir_.File(L"corrupt.db");
  const std::string junk(8192, 'j');
  ASSERT_TRUE(WriteWholeFile(corrupt, junk));
  ASSERT_TRUE(WriteWholeFile(sql_, "SELECT 1"));
  ASSERT_TRUE(WriteWholeFile(out_, "older"));
  EXPECT_EQ(RunBatchQuery({L"w", L"/QUERY", corrupt, sql_, L"csv", out_}), 3);
  EXPECT_EQ(Log(), kBom + "file is not a database");
  EXPECT_EQ(test::ReadFileBytes(corrupt), junk);
  EXPECT_EQ(test::ReadFileBytes(out_), "older");
  EXPECT_EQ(RunBatchQuery({L"w", L"/query", dir_.File(L"missing.db"), sql_, L"csv", out_}), 3);
  EXPECT_FALSE(PathExists(dir_.File(L"missing.db")));
}

// /export and /query onto the database they read: code 4, the file intact.
TEST_F(BatchQueryTest, OutputOntoTheDatabaseIsRefused) {
  const std::wstring other_spelling = dir_.path() + kPathSeparator + L"." + kPathSeparator + L"races.db";
  for (const wchar_t* format : {L"csv", L"xlsx"}) {
    EXPECT_EQ(RunBatchExport({L"w", L"/export", db_, L"program", L"2023-09-01", L"2023-09-01", L"0",
                              format, other_spelling}),
              4);
    EXPECT_EQ(test::ReadFileBytes(db_), db_bytes_);
    ASSERT_TRUE(WriteWholeFile(sql_, "SELECT * FROM races"));
    EXPECT_EQ(RunBatchQuery({L"w", L"/query", db_, sql_, format, db_}), 4);
    EXPECT_EQ(test::ReadFileBytes(db_), db_bytes_);
    EXPECT_NE(Utf8ToUtf16(test::ReadFileBytes(db_ + L".log")).find(kOutputIsDatabaseMessage),
              std::wstring::npos);
  }
  // Nor does a log go over it.
  ASSERT_TRUE(WriteWholeFile(sql_, "SELECT 1"));
  const std::wstring stem = dir_.File(L"races");
  std::error_code ec;
  std::filesystem::copy_file(std::filesystem::path(db_), std::filesystem::path(stem + L".log"), ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(RunBatchQuery({L"w", L"/query", stem + L".log", sql_, L"csv", stem}), 0);
  EXPECT_EQ(test::ReadFileBytes(stem + L".log"), db_bytes_);
}

TEST(DecodeQueryFileTest, ByteOrderMarkAndUtf8) {
  std::wstring sql;
  EXPECT_TRUE(DecodeQueryFile("\xEF\xBB\xBFSELECT '\xE5\xA0\xB4'", &sql));
  EXPECT_EQ(sql, L"SELECT '場'");
  EXPECT_TRUE(DecodeQueryFile("", &sql));
  EXPECT_EQ(sql, L"");
  EXPECT_FALSE(DecodeQueryFile("SELECT '\x8F\xEA'", &sql)) << "Shift-JIS is not UTF-8";
}

}  // namespace
}  // namespace wakelore
