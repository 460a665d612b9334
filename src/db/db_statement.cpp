#include "db/db_statement.h"

#include <sqlite3.h>

#include "db/db_manager.h"
#include "platform/text.h"

namespace wakelore {

DbStatement::~DbStatement() { sqlite3_finalize(stmt_); }

bool DbStatement::Prepare(DbManager& db, const char* sql) {
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  index_ = 0;
  if (db.Handle() == nullptr) {
    error_ = L"Database is not open.";
    return false;
  }
  if (sqlite3_prepare_v2(db.Handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
    error_ = Utf8ToUtf16(sqlite3_errmsg(db.Handle()));
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    return false;
  }
  if (stmt_ == nullptr) {
    error_ = L"The statement is empty.";
    return false;
  }
  return true;
}

DbStatement& DbStatement::Text(const std::wstring& value) {
  const std::string utf8 = Utf16ToUtf8(value);
  sqlite3_bind_text(stmt_, ++index_, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  return *this;
}

DbStatement& DbStatement::Int(int64_t value) {
  sqlite3_bind_int64(stmt_, ++index_, value);
  return *this;
}

DbStatement& DbStatement::Real(double value) {
  sqlite3_bind_double(stmt_, ++index_, value);
  return *this;
}

void DbStatement::Finish() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  index_ = 0;
}

bool DbStatement::Run() {
  if (stmt_ == nullptr) {
    error_ = L"The statement is not prepared.";
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) error_ = Utf8ToUtf16(sqlite3_errmsg(sqlite3_db_handle(stmt_)));
  Finish();
  return rc == SQLITE_DONE;
}

bool DbStatement::QueryInt(int64_t* value) {
  if (stmt_ == nullptr) {
    error_ = L"The statement is not prepared.";
    return false;
  }
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    *value = sqlite3_column_int64(stmt_, 0);
  } else if (rc == SQLITE_DONE) {
    error_.clear();
  } else {
    error_ = Utf8ToUtf16(sqlite3_errmsg(sqlite3_db_handle(stmt_)));
  }
  Finish();
  return rc == SQLITE_ROW;
}

}  // namespace wakelore
