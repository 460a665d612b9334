#include "db/db_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

class DbManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File(L"test.db");
    ASSERT_TRUE(db_.OpenReadWrite(path_)) << testing::PrintToString(db_.LastError());
    ASSERT_TRUE(db_.Exec(L"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, value REAL);"
                         L"INSERT INTO t VALUES (1, 'a', 1.5), (2, '007', NULL), (3, '番', 2);"));
  }

  // Runs Query and returns the rows as texts, or the error after a failure.
  bool Run(const std::wstring& sql, std::vector<std::vector<DbCell>>* rows,
           std::vector<std::wstring>* header = nullptr) {
    int header_calls = 0;
    bool ok = db_.Query(
        sql,
        [&](const std::vector<std::wstring>& names) {
          ++header_calls;
          if (header) *header = names;
        },
        [&](const std::vector<DbCell>& cells) {
          rows->push_back(cells);
          return true;
        });
    if (ok) {
      EXPECT_EQ(header_calls, 1);
    }
    return ok;
  }

  test::TempDir dir_;
  std::wstring path_;
  DbManager db_;
};

TEST_F(DbManagerTest, QueryRefusesWhatIsNotOneReadOnlyStatement) {
  struct Case { std::wstring sql; std::wstring error; };
  const Case cases[] = {
      {L"", L"SQL が空です。"},
      {L"   \r\n\t", L"SQL が空です。"},
      {L"-- only a comment", L"SQL が空です。"},
      {L"/* block */", L"SQL が空です。"},
      {L"SELECT 1; SELECT 2", L"SQL は1文だけ指定してください。"},
      {L"SELECT 1; -- trailing comment", L"SQL は1文だけ指定してください。"},
      {L"DELETE FROM t", L"読み取り専用の SELECT 文だけ実行できます。"},
      {L"INSERT INTO t(name) VALUES ('x')", L"読み取り専用の SELECT 文だけ実行できます。"},
      {L"UPDATE t SET name = 'x'", L"読み取り専用の SELECT 文だけ実行できます。"},
      {L"CREATE TABLE u(x)", L"読み取り専用の SELECT 文だけ実行できます。"},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<DbCell>> rows;
    EXPECT_FALSE(Run(c.sql, &rows)) << testing::PrintToString(c.sql);
    EXPECT_EQ(db_.LastError(), c.error) << testing::PrintToString(c.sql);
  }
  std::vector<DbRow> count;
  ASSERT_TRUE(db_.QueryRows(L"SELECT COUNT(*) AS n FROM t", &count));
  EXPECT_EQ(DbRowValue(count[0], L"n"), L"3") << "a refused statement must not have run";
}

TEST_F(DbManagerTest, QueryAcceptsOneStatementWithTrailingSeparators) {
  const std::wstring accepted[] = {
      L"SELECT id FROM t;;; \r\n\t;",
      L"PRAGMA table_info(t)",
      L"SELECT name FROM sqlite_master",
  };
  for (const std::wstring& sql : accepted) {
    std::vector<std::vector<DbCell>> rows;
    EXPECT_TRUE(Run(sql, &rows)) << testing::PrintToString(sql) << testing::PrintToString(db_.LastError());
    EXPECT_FALSE(rows.empty());
  }
}

TEST_F(DbManagerTest, CellsCarryTypeAndSqliteText) {
  std::vector<std::vector<DbCell>> rows;
  std::vector<std::wstring> header;
  ASSERT_TRUE(Run(L"SELECT id, name AS 名前, value, NULL FROM t ORDER BY id", &rows, &header));
  EXPECT_EQ(header, (std::vector<std::wstring>{L"id", L"名前", L"value", L"NULL"}));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0].type, DbCellType::Integer);
  EXPECT_EQ(rows[0][0].text, L"1");
  EXPECT_EQ(rows[0][2].type, DbCellType::Real);
  EXPECT_EQ(rows[0][2].text, L"1.5");
  EXPECT_EQ(rows[1][1].type, DbCellType::Text);
  EXPECT_EQ(rows[1][1].text, L"007");
  EXPECT_EQ(rows[1][2].type, DbCellType::Null);  // the type changes from row to row
  EXPECT_EQ(rows[1][2].text, L"");
  EXPECT_EQ(rows[2][1].text, L"番");
  EXPECT_EQ(rows[2][2].text, L"2.0");
  EXPECT_EQ(rows[2][3].type, DbCellType::Null);
}

TEST_F(DbManagerTest, NoRowsCallsHeaderOnceAndRowNever) {
  std::vector<std::vector<DbCell>> rows;
  std::vector<std::wstring> header;
  ASSERT_TRUE(Run(L"SELECT id FROM t WHERE id > 100", &rows, &header));
  EXPECT_EQ(header.size(), 1u);
  EXPECT_TRUE(rows.empty());
}

TEST_F(DbManagerTest, RowCallbackStopsTheQueryWithSuccess) {
  int calls = 0;
  EXPECT_TRUE(db_.Query(L"SELECT id FROM t", nullptr, [&](const std::vector<DbCell>&) {
    ++calls;
    return false;
  }));
  EXPECT_EQ(calls, 1);
}

TEST_F(DbManagerTest, QueryRowsKeepsRowsBeforeAFailingStep) {
  std::vector<DbRow> rows;
  // The third row's value is malformed JSON: the step of that row fails.
  EXPECT_FALSE(db_.QueryRows(
      L"SELECT id, CASE WHEN id = 3 THEN json('{bad') ELSE 1 END AS a FROM t ORDER BY id", &rows));
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(db_.LastError(), L"malformed JSON");
}

TEST_F(DbManagerTest, QueryRowsMapsColumnsAndRunsOnlyTheFirstStatement) {
  std::vector<DbRow> rows;
  ASSERT_TRUE(db_.QueryRows(L"SELECT id, name, value, name AS id FROM t WHERE id = 2; DELETE FROM t", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(DbRowValue(rows[0], L"id"), L"007") << "the later column of one name wins";
  EXPECT_EQ(DbRowValue(rows[0], L"value"), L"");
  EXPECT_EQ(DbRowValue(rows[0], L"missing"), L"");
  ASSERT_TRUE(db_.QueryRows(L"SELECT COUNT(*) AS n FROM t", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"n"), L"3");
}

TEST_F(DbManagerTest, ExecStopsAtTheFirstFailureAndKeepsTheMessage) {
  EXPECT_FALSE(db_.Exec(L"INSERT INTO t(id) VALUES (10); INSERT INTO nowhere VALUES (1); INSERT INTO t(id) VALUES (11);"));
  EXPECT_EQ(db_.LastError(), L"no such table: nowhere");
  std::vector<DbRow> rows;
  ASSERT_TRUE(db_.QueryRows(L"SELECT id FROM t WHERE id >= 10", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(DbRowValue(rows[0], L"id"), L"10");
  EXPECT_EQ(db_.LastError(), L"no such table: nowhere") << "a success leaves the last error";
}

TEST_F(DbManagerTest, ForeignKeysAreOnForReadWrite) {
  std::vector<DbRow> rows;
  ASSERT_TRUE(db_.QueryRows(L"PRAGMA foreign_keys", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"foreign_keys"), L"1");
}

TEST_F(DbManagerTest, ReadOnlyConnectionRefusesWrites) {
  DbManager reader;
  ASSERT_TRUE(reader.OpenReadOnly(path_));
  EXPECT_FALSE(reader.Exec(L"INSERT INTO t(id) VALUES (99);"));
  EXPECT_FALSE(reader.LastError().empty());
  std::vector<DbRow> rows;
  ASSERT_TRUE(reader.QueryRows(L"PRAGMA query_only", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"query_only"), L"1");
}

// A user's statement is read-only on every connection: nothing it asks for
// may change the file, the connection's settings or create files.
TEST_F(DbManagerTest, QueryIsReadOnlyOnEveryConnection) {
  ASSERT_TRUE(db_.Exec(L"CREATE INDEX t_name ON t(name);"));
  const std::wstring other = dir_.File(L"other.db");
  const std::wstring copy = dir_.File(L"copy.db");
  const std::wstring refused[] = {
      L"ATTACH DATABASE " + SqlQuote(other) + L" AS x",
      L"DETACH DATABASE main",
      L"PRAGMA query_only = OFF",
      L"PRAGMA query_only = ON",
      L"PRAGMA writable_schema = ON",
      L"PRAGMA foreign_keys = 0",
      L"PRAGMA user_version = 7",
      L"SAVEPOINT a",
      L"RELEASE a",
      L"BEGIN",
      L"COMMIT",
      L"VACUUM INTO " + SqlQuote(copy),
      L"VACUUM",
      L"DELETE FROM t",
      L"WITH x AS (SELECT 1) DELETE FROM t",
      L"CREATE TEMP TABLE u(x)",
      L"DROP TABLE t",
      L"ALTER TABLE t ADD COLUMN extra",
      L"REINDEX",
      L"ANALYZE",
  };
  DbManager reader;
  ASSERT_TRUE(reader.OpenReadOnly(path_));
  for (DbManager* db : {&db_, &reader}) {
    for (const std::wstring& sql : refused) {
      std::vector<std::vector<DbCell>> rows;
      EXPECT_FALSE(db->Query(sql, nullptr, [&](const std::vector<DbCell>& cells) {
        rows.push_back(cells);
        return true;
      })) << testing::PrintToString(sql);
      const std::wstring& error = db->LastError();
      EXPECT_EQ(error, L"読み取り専用の SELECT 文だけ実行できます。")
          << testing::PrintToString(sql) << testing::PrintToString(error);
    }
    // Refused by SQLite itself: no extension loading in this build, no
    // values through the table-valued forms of pragmas.
    for (const wchar_t* sql : {L"SELECT load_extension('x')", L"SELECT * FROM pragma_query_only(0)",
                               L"SELECT * FROM pragma_user_version(9)"}) {
      EXPECT_FALSE(db->Query(sql, nullptr, nullptr)) << testing::PrintToString(std::wstring(sql));
    }
  }
  EXPECT_FALSE(PathExists(other)) << "ATTACH must not create a file";
  EXPECT_FALSE(PathExists(copy)) << "VACUUM INTO must not create a file";
  EXPECT_FALSE(db_.InTransaction());

  std::vector<DbRow> rows;
  ASSERT_TRUE(db_.QueryRows(L"PRAGMA query_only", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"query_only"), L"0");
  ASSERT_TRUE(reader.QueryRows(L"PRAGMA query_only", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"query_only"), L"1") << "the reader stays read-only";
  ASSERT_TRUE(db_.QueryRows(L"PRAGMA foreign_keys", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"foreign_keys"), L"1");
  ASSERT_TRUE(db_.QueryRows(L"PRAGMA user_version", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"user_version"), L"0");
  ASSERT_TRUE(db_.QueryRows(L"SELECT COUNT(*) AS n FROM t", &rows));
  EXPECT_EQ(DbRowValue(rows[0], L"n"), L"3");
  ASSERT_TRUE(db_.QueryRows(L"PRAGMA database_list", &rows));
  EXPECT_EQ(rows.size(), 1u) << "nothing attached";

  // Writing through Exec, as the importers do, still works afterwards.
  EXPECT_TRUE(db_.Exec(L"BEGIN; INSERT INTO t(id) VALUES (4); SAVEPOINT s; RELEASE s; COMMIT;"))
      << testing::PrintToString(db_.LastError());
}

TEST_F(DbManagerTest, QueryReadsWithFunctionsAndReportingPragmas) {
  ASSERT_TRUE(db_.Exec(L"CREATE INDEX t_name ON t(name);"));
  const std::wstring accepted[] = {
      L"PRAGMA table_info(t)",
      L"PRAGMA TABLE_INFO('t')",
      L"PRAGMA index_list(t)",
      L"PRAGMA user_version",
      L"SELECT name, type FROM pragma_table_info('t')",
      L"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 3) SELECT x FROM c",
      L"SELECT REPLACE(COALESCE(NULLIF(name, ''), 'x'), 'a', 'b'), CAST(value AS INTEGER), "
      L"printf('%05d', id), datetime('now', 'localtime'), name GLOB '[0-9]*', name LIKE '%a%' FROM t",
      L"SELECT name FROM sqlite_master",
  };
  for (const std::wstring& sql : accepted) {
    std::vector<std::vector<DbCell>> rows;
    EXPECT_TRUE(Run(sql, &rows)) << testing::PrintToString(sql) << testing::PrintToString(db_.LastError());
    EXPECT_FALSE(rows.empty()) << testing::PrintToString(sql);
  }
}

TEST(DbManagerOpenTest, FileThatIsNoDatabaseFailsTheOpen) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"not a database.db");
  const std::string bytes = "this is a text file, not a database file; " + std::string(4096, 'x');
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  DbManager db;
  EXPECT_FALSE(db.OpenReadOnly(path));
  EXPECT_EQ(db.LastError(), L"file is not a database");
  EXPECT_FALSE(db.IsOpen());
  EXPECT_FALSE(db.OpenReadWrite(path));
  EXPECT_EQ(db.LastError(), L"file is not a database");
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(test::ReadFileBytes(path), bytes) << "the file is left as it was";
}

TEST(DbManagerOpenTest, MissingFileReadOnlyFailsAndReadWriteCreates) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"新しい.db");
  DbManager db;
  EXPECT_FALSE(db.OpenReadOnly(path));
  EXPECT_EQ(db.LastError(), L"unable to open database file");
  EXPECT_FALSE(db.IsOpen());
  EXPECT_FALSE(PathExists(path));
  ASSERT_TRUE(db.OpenReadWrite(path));
  EXPECT_TRUE(PathExists(path));
}

TEST(DbManagerOpenTest, ClosedConnectionSaysSo) {
  DbManager db;
  std::vector<DbRow> rows;
  EXPECT_FALSE(db.Exec(L"SELECT 1"));
  EXPECT_EQ(db.LastError(), L"Database is not open.");
  EXPECT_FALSE(db.Query(L"SELECT 1", nullptr, nullptr));
  EXPECT_FALSE(db.QueryRows(L"SELECT 1", &rows));
  EXPECT_EQ(db.LastError(), L"Database is not open.");
  EXPECT_EQ(db.Handle(), nullptr);
}

TEST(DbManagerOpenTest, SecondOpenClosesTheFirstConnection) {
  test::TempDir dir;
  DbManager db;
  ASSERT_TRUE(db.OpenReadWrite(dir.File(L"a.db")));
  ASSERT_TRUE(db.Exec(L"CREATE TABLE only_in_a(x);"));
  ASSERT_TRUE(db.OpenReadWrite(dir.File(L"b.db")));
  std::vector<DbRow> rows;
  ASSERT_TRUE(db.QueryRows(L"SELECT name FROM sqlite_master WHERE name = 'only_in_a'", &rows));
  EXPECT_TRUE(rows.empty());
}

TEST(SqlQuoteTest, DoublesApostrophesAndEncloses) {
  EXPECT_EQ(SqlQuote(L"O'Neil"), L"'O''Neil'");
  EXPECT_EQ(SqlQuote(L""), L"''");
  EXPECT_EQ(SqlQuote(L"''"), L"''''''");
  EXPECT_EQ(SqlQuote(L"番組"), L"'番組'");
}

TEST(SqliteTest, LinkedVersionIsPinned) { EXPECT_EQ(SqliteVersion(), L"3.54.1"); }

}  // namespace
}  // namespace wakelore
