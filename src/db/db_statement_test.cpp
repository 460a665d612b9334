#include "db/db_statement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/db_manager.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

class DbStatementTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.OpenReadWrite(dir_.File(L"test.db")));
    ASSERT_TRUE(db_.Exec(L"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, value REAL);"));
  }

  std::vector<DbRow> Rows() {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(L"SELECT id, name, value, typeof(value) AS kind FROM t ORDER BY id;", &rows));
    return rows;
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(DbStatementTest, RowsAreBoundInOrderAndTheStatementIsReused) {
  DbStatement insert;
  ASSERT_TRUE(insert.Prepare(db_, "INSERT INTO t (id, name, value) VALUES (?, ?, ?);"));
  ASSERT_TRUE(insert.Int(1).Text(L"it's 番").Real(1.25).Run());
  ASSERT_TRUE(insert.Int(2).Text(L"").Real(0.0).Run());
  const std::vector<DbRow> rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(DbRowValue(rows[0], L"name"), L"it's 番");
  EXPECT_EQ(DbRowValue(rows[0], L"value"), L"1.25");
  EXPECT_EQ(DbRowValue(rows[0], L"kind"), L"real");
  EXPECT_EQ(DbRowValue(rows[1], L"name"), L"");

  DbStatement query;
  ASSERT_TRUE(query.Prepare(db_, "SELECT id FROM t WHERE name = ?;"));
  int64_t id = 0;
  EXPECT_TRUE(query.Text(L"it's 番").QueryInt(&id));
  EXPECT_EQ(id, 1);
  EXPECT_FALSE(query.Text(L"nobody").QueryInt(&id));
  EXPECT_TRUE(query.error().empty());  // no row is not an error
  EXPECT_TRUE(query.Text(L"").QueryInt(&id));
  EXPECT_EQ(id, 2);
}

TEST_F(DbStatementTest, AFailedRowLeavesTheMessageAndTheNextRowStartsAfresh) {
  DbStatement insert;
  ASSERT_TRUE(insert.Prepare(db_, "INSERT INTO t (name, value) VALUES (?, ?);"));
  ASSERT_TRUE(insert.Text(L"a").Real(1.0).Run());
  EXPECT_FALSE(insert.Text(L"a").Real(2.0).Run());
  EXPECT_NE(insert.error().find(L"UNIQUE"), std::wstring::npos) << testing::PrintToString(insert.error());
  // Unbound parameters are NULL: a failed row must not leave its values behind.
  EXPECT_FALSE(insert.Run());
  EXPECT_NE(insert.error().find(L"NOT NULL"), std::wstring::npos) << testing::PrintToString(insert.error());
  EXPECT_TRUE(insert.Text(L"b").Real(3.0).Run());
  EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(DbStatementTest, RefusedPreparationsSayWhy) {
  struct Case {
    bool open;
    const char* sql;
    const wchar_t* message_part;
  };
  const Case cases[] = {
      {true, "INSERT INTO nowhere VALUES (?);", L"nowhere"},
      {true, "SELEC 1;", L"syntax error"},
      {true, " ; ", L"empty"},
      {false, "SELECT 1;", L"not open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    DbManager closed;
    DbStatement statement;
    EXPECT_FALSE(statement.Prepare(c.open ? db_ : closed, c.sql));
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_NE(statement.error().find(c.message_part), std::wstring::npos)
        << testing::PrintToString(statement.error());
    EXPECT_FALSE(statement.Run());
    int64_t value = 0;
    EXPECT_FALSE(statement.QueryInt(&value));
  }
}

}  // namespace
}  // namespace wakelore
