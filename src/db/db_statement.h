// DbStatement: one prepared statement that is run many times with new
// values, for the importers' row writers.
//
// Prepared once on an open DbManager (which must outlive it), then, for
// every row: bind the parameters in order with Text/Int/Real (the first
// call binds parameter 1), and Run (a statement that returns nothing) or
// QueryInt (the first column of the first row).  Both reset the statement
// and clear its bindings whatever happens, so the next row starts at
// parameter 1 again.  A failing call keeps SQLite's message in error().
//
// Finalized when it ends.  Belongs to the thread of its connection.
#ifndef WAKELORE_DB_DB_STATEMENT_H_
#define WAKELORE_DB_DB_STATEMENT_H_

#include <cstdint>
#include <string>

struct sqlite3_stmt;

namespace wakelore {

class DbManager;

class DbStatement {
 public:
  DbStatement() = default;
  ~DbStatement();
  DbStatement(const DbStatement&) = delete;
  DbStatement& operator=(const DbStatement&) = delete;

  // Prepares exactly the first statement of `sql` (UTF-8).  False with
  // error() set when the connection is closed or SQLite refuses the text.
  [[nodiscard]] bool Prepare(DbManager& db, const char* sql);
  bool IsPrepared() const { return stmt_ != nullptr; }

  DbStatement& Text(const std::wstring& value);
  DbStatement& Int(int64_t value);
  DbStatement& Real(double value);

  // Steps until the statement is done (rows it returns are ignored).
  [[nodiscard]] bool Run();
  // Steps once; true with the first column of the row in `*value`, false
  // when there is no row (error() stays empty) or the step fails.
  [[nodiscard]] bool QueryInt(int64_t* value);

  const std::wstring& error() const { return error_; }

 private:
  void Finish();

  sqlite3_stmt* stmt_ = nullptr;
  int index_ = 0;
  std::wstring error_;
};

}  // namespace wakelore

#endif  // WAKELORE_DB_DB_STATEMENT_H_
