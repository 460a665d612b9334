// DbManager: the one access layer over a SQLite connection.
//
// Opens a connection read-write (creating the file) or read-only, runs
// scripts, streams a single read-only statement row by row to callbacks
// (`Query`), and collects small results as maps (`QueryRows`).  Texts cross
// the SQLite boundary as UTF-8.  Every failing operation returns false and
// keeps SQLite's message (or one of its own) in LastError(); a success
// leaves LastError() unchanged, so read it only right after a false result.
//
// A DbManager belongs to one thread at a time.  Several connections to one
// file meet only through SQLite's locking, each waiting up to 10000 ms for
// another's write.
#ifndef WAKELORE_DB_DB_MANAGER_H_
#define WAKELORE_DB_DB_MANAGER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct sqlite3;

namespace wakelore {

enum class DbCellType : int32_t { Null = 0, Integer = 1, Real = 2, Text = 3 };

// One value of a streamed row: its storage class in this row and SQLite's
// own text form of it (empty for Null).
struct DbCell {
  DbCellType type = DbCellType::Null;
  std::wstring text;
};

// One row of QueryRows: column name -> text (NULL gives the empty text).
// Two columns with one name leave the later column's text.
using DbRow = std::map<std::wstring, std::wstring>;

using DbHeaderCallback = std::function<void(const std::vector<std::wstring>& names)>;
// Returns true to go on, false to stop (the query then succeeds at once).
// The list is the same object for every row of one query.
using DbRowCallback = std::function<bool(const std::vector<DbCell>& cells)>;

class DbManager {
 public:
  DbManager() = default;
  ~DbManager();
  DbManager(const DbManager&) = delete;
  DbManager& operator=(const DbManager&) = delete;

  // Open closes any open connection first.  Read-write creates a missing
  // file and turns foreign keys on; read-only turns query_only on.  Both
  // read the schema before they report success, so a file that is not a
  // database fails here with SQLite's message ("file is not a database").
  // Every connection is defensive: no direct writes to the schema table,
  // no trust in functions named by the file's schema, no extensions, and
  // ATTACH may neither create nor write files.
  [[nodiscard]] bool OpenReadWrite(const std::wstring& path);
  [[nodiscard]] bool OpenReadOnly(const std::wstring& path);
  void Close();
  bool IsOpen() const { return db_ != nullptr; }

  // Runs every statement of `script` in order, stopping at the first failure.
  [[nodiscard]] bool Exec(const std::wstring& script);

  // Runs exactly one read-only statement (trailing semicolons and blanks
  // allowed), calling `on_header` once with the column names (if given)
  // and `on_row` for every row until it returns false.  Holds one row at a
  // time.  Read-only on any connection: while it runs, an authorizer lets
  // the statement read tables, call functions (load_extension excepted)
  // and use the pragmas that only report (table_info and the like); ATTACH,
  // DETACH, pragmas that set values, transactions, savepoints, writes and
  // schema changes are refused with "読み取り専用の SELECT 文だけ実行できます。"
  // as writing statements are.  Only
  // Query has it: Exec and QueryRows write as before.
  [[nodiscard]] bool Query(const std::wstring& sql, const DbHeaderCallback& on_header,
             const DbRowCallback& on_row);

  // Runs the first statement of `sql` and collects every row into `*rows`
  // (emptied first).  On a failing step the rows read before it stay.
  [[nodiscard]] bool QueryRows(const std::wstring& sql, std::vector<DbRow>* rows);

  // True while a transaction begun on this connection is open.
  bool InTransaction() const;

  const std::wstring& LastError() const { return last_error_; }
  sqlite3* Handle() const { return db_; }
  // The full path of the open database file; empty when closed.
  std::wstring FilePath() const;

 private:
  [[nodiscard]] bool Open(const std::wstring& path, int flags, const wchar_t* pragma);
  static int AuthorizeReading(void* self, int action, const char* first, const char* second,
                              const char* database, const char* trigger);
  [[nodiscard]] bool RequireOpen();
  void SetErrorFromConnection();

  sqlite3* db_ = nullptr;
  std::wstring last_error_;
  bool denied_ = false;  // the authorizer refused part of the current Query
};

// An SQL string literal: apostrophes doubled, enclosed in apostrophes.
// Never NULL: the empty text gives ''.
std::wstring SqlQuote(const std::wstring& text);

// The text of `column` in `row`, or the empty text when the row has none.
std::wstring DbRowValue(const DbRow& row, const std::wstring& column);

// The version of the linked SQLite library ("3.54.1").
std::wstring SqliteVersion();

}  // namespace wakelore

#endif  // WAKELORE_DB_DB_MANAGER_H_
