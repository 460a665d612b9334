#include "db/db_manager.h"

#include <sqlite3.h>

#include <iterator>

#include "platform/format.h"
#include "platform/text.h"

namespace wakelore {

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr wchar_t kNotOpen[] = L"Database is not open.";
// Said of every statement that is refused because it could change
// something, whichever check refuses it.
constexpr wchar_t kNotAllowed[] = L"読み取り専用の SELECT 文だけ実行できます。";

// Pragmas that only report, whatever their argument (a table or index name).
constexpr const char* kNamePragmas[] = {
    "table_info", "table_xinfo", "index_list", "index_info", "index_xinfo", "foreign_key_list",
};
// Pragmas that only report when they are given no value.
constexpr const char* kReportPragmas[] = {
    "user_version", "schema_version", "application_id", "page_count", "page_size",
    "freelist_count", "encoding", "database_list", "collation_list", "compile_options",
    "data_version", "foreign_keys", "query_only",
};

bool IsOneOf(const char* name, const char* const* list, size_t count) {
  if (name == nullptr) return false;
  for (size_t i = 0; i < count; ++i) {
    if (sqlite3_stricmp(name, list[i]) == 0) return true;
  }
  return false;
}

std::wstring ColumnText(sqlite3_stmt* stmt, int column) {
  const unsigned char* text = sqlite3_column_text(stmt, column);
  if (text == nullptr) return std::wstring();
  int bytes = sqlite3_column_bytes(stmt, column);
  return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes)));
}

std::wstring ColumnName(sqlite3_stmt* stmt, int column) {
  const char* name = sqlite3_column_name(stmt, column);
  return name ? Utf8ToUtf16(name) : std::wstring();
}

bool OnlySeparators(const char* tail) {
  for (const char* p = tail; p && *p; ++p) {
    if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') return false;
  }
  return true;
}

// Finalises a statement when the scope ends.
struct StatementGuard {
  sqlite3_stmt* stmt = nullptr;
  ~StatementGuard() { sqlite3_finalize(stmt); }
};

}  // namespace

// What a statement given to Query may do while it is compiled (and when a
// table-valued pragma compiles its own statement while it runs): read
// tables and call functions, and nothing else.  Every denial is noted so
// that the caller can say in words that the statement is not allowed.
int DbManager::AuthorizeReading(void* self, int action, const char* first, const char* second,
                                const char* /*database*/, const char* /*trigger*/) {
  bool allowed = false;
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
      allowed = true;
      break;
    case SQLITE_FUNCTION:
      // `second` is the function's name.
      allowed = second != nullptr && sqlite3_stricmp(second, "load_extension") != 0;
      break;
    case SQLITE_PRAGMA:
      // `first` is the pragma's name, `second` its argument or value.
      allowed = IsOneOf(first, kNamePragmas, std::size(kNamePragmas)) ||
                (second == nullptr && IsOneOf(first, kReportPragmas, std::size(kReportPragmas)));
      break;
    default:
      break;  // writes, schema changes, ATTACH, DETACH, transactions, savepoints, ...
  }
  if (allowed) return SQLITE_OK;
  static_cast<DbManager*>(self)->denied_ = true;
  return SQLITE_DENY;
}

DbManager::~DbManager() { Close(); }

void DbManager::Close() {
  if (db_ != nullptr) {
    sqlite3_close(db_);
    db_ = nullptr;
  }
}

bool DbManager::Open(const std::wstring& path, int flags, const wchar_t* pragma) {
  Close();
  // A connection belongs to one thread at a time, so SQLite need not lock
  // it on every call (SQLITE_OPEN_NOMUTEX, given by both opens).
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(Utf16ToUtf8(path).c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    last_error_ = db ? Utf8ToUtf16(sqlite3_errmsg(db)) : std::wstring();
    sqlite3_close(db);
    return false;
  }
  // What a connection of this program never needs: writing the schema
  // table directly, trusting functions named in the file's schema,
  // extensions, and ATTACH creating or writing files.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_ATTACH_CREATE, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_ATTACH_WRITE, 0, nullptr);
  db_ = db;
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  (void)Exec(pragma);  // its outcome is not part of the open
  // SQLite reads the file only when it first needs to: read the schema now,
  // so that a file that is no database (or an unreadable one) fails the
  // open instead of the first query.
  char* message = nullptr;
  if (sqlite3_exec(db_, "SELECT count(*) FROM sqlite_schema;", nullptr, nullptr, &message) !=
      SQLITE_OK) {
    last_error_ = Utf8ToUtf16(message ? message : sqlite3_errmsg(db_));
    sqlite3_free(message);
    Close();
    return false;
  }
  return true;
}

bool DbManager::OpenReadWrite(const std::wstring& path) {
  return Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
              L"PRAGMA foreign_keys = ON;");
}

bool DbManager::OpenReadOnly(const std::wstring& path) {
  return Open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, L"PRAGMA query_only = ON;");
}

std::wstring DbManager::FilePath() const {
  const char* name = db_ != nullptr ? sqlite3_db_filename(db_, "main") : nullptr;
  return name ? Utf8ToUtf16(name) : std::wstring();
}

bool DbManager::InTransaction() const { return db_ != nullptr && sqlite3_get_autocommit(db_) == 0; }

bool DbManager::RequireOpen() {
  if (db_ != nullptr) return true;
  last_error_ = kNotOpen;
  return false;
}

void DbManager::SetErrorFromConnection() { last_error_ = Utf8ToUtf16(sqlite3_errmsg(db_)); }

bool DbManager::Exec(const std::wstring& script) {
  if (!RequireOpen()) return false;
  char* message = nullptr;
  int rc = sqlite3_exec(db_, Utf16ToUtf8(script).c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    if (message != nullptr) {
      last_error_ = Utf8ToUtf16(message);
    } else {
      SetErrorFromConnection();
    }
    sqlite3_free(message);
    return false;
  }
  sqlite3_free(message);
  return true;
}

bool DbManager::Query(const std::wstring& sql, const DbHeaderCallback& on_header,
                      const DbRowCallback& on_row) {
  if (!RequireOpen()) return false;
  // Read-only whatever the connection: the authorizer judges every part of
  // the statement while it is compiled and stays in place while it runs.
  struct AuthorizerGuard {
    sqlite3* db;
    ~AuthorizerGuard() { sqlite3_set_authorizer(db, nullptr, nullptr); }
  } authorizer{db_};
  denied_ = false;
  sqlite3_set_authorizer(db_, &DbManager::AuthorizeReading, this);
  const std::string utf8 = Utf16ToUtf8(sql);
  StatementGuard guard;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, utf8.c_str(), -1, &guard.stmt, &tail) != SQLITE_OK) {
    if (denied_) {
      last_error_ = kNotAllowed;
    } else {
      SetErrorFromConnection();
    }
    return false;
  }
  if (guard.stmt == nullptr) {
    last_error_ = L"SQL が空です。";
    return false;
  }
  if (!OnlySeparators(tail)) {
    last_error_ = L"SQL は1文だけ指定してください。";
    return false;
  }
  if (!sqlite3_stmt_readonly(guard.stmt)) {
    last_error_ = kNotAllowed;
    return false;
  }
  const int n = sqlite3_column_count(guard.stmt);
  if (on_header) {
    std::vector<std::wstring> names;
    names.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) names.push_back(ColumnName(guard.stmt, i));
    on_header(names);
  }
  std::vector<DbCell> cells(static_cast<size_t>(n));
  for (;;) {
    int rc = sqlite3_step(guard.stmt);
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) {
      if (denied_) {
        last_error_ = kNotAllowed;
      } else {
        SetErrorFromConnection();
      }
      return false;
    }
    for (int i = 0; i < n; ++i) {
      DbCell& cell = cells[static_cast<size_t>(i)];
      switch (sqlite3_column_type(guard.stmt, i)) {
        case SQLITE_INTEGER: cell.type = DbCellType::Integer; break;
        case SQLITE_FLOAT: cell.type = DbCellType::Real; break;
        case SQLITE_NULL: cell.type = DbCellType::Null; break;
        default: cell.type = DbCellType::Text; break;
      }
      if (cell.type == DbCellType::Null) {
        cell.text.clear();
      } else {
        cell.text = ColumnText(guard.stmt, i);
      }
    }
    if (!on_row || !on_row(cells)) return true;
  }
}

bool DbManager::QueryRows(const std::wstring& sql, std::vector<DbRow>* rows) {
  rows->clear();
  if (!RequireOpen()) return false;
  const std::string utf8 = Utf16ToUtf8(sql);
  StatementGuard guard;
  if (sqlite3_prepare_v2(db_, utf8.c_str(), -1, &guard.stmt, nullptr) != SQLITE_OK) {
    SetErrorFromConnection();
    return false;
  }
  if (guard.stmt == nullptr) return true;  // nothing to run, nothing to collect
  const int n = sqlite3_column_count(guard.stmt);
  int rc;
  while ((rc = sqlite3_step(guard.stmt)) == SQLITE_ROW) {
    DbRow row;
    for (int i = 0; i < n; ++i) row[ColumnName(guard.stmt, i)] = ColumnText(guard.stmt, i);
    rows->push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    SetErrorFromConnection();
    return false;
  }
  return true;
}

std::wstring SqlQuote(const std::wstring& text) {
  std::wstring doubled;
  doubled.reserve(text.size() + 2);
  for (wchar_t c : text) {
    doubled.push_back(c);
    if (c == L'\'') doubled.push_back(L'\'');
  }
  return Format(L"'%s'", doubled);
}

std::wstring DbRowValue(const DbRow& row, const std::wstring& column) {
  auto it = row.find(column);
  return it == row.end() ? std::wstring() : it->second;
}

std::wstring SqliteVersion() { return Utf8ToUtf16(sqlite3_libversion()); }

}  // namespace wakelore
