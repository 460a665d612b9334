// DbSchema: prepares a database file for use and reads its master data.
//
// InitializeDatabase opens the bound DbManager read-write, creates every
// missing table and index, upgrades files of older layouts in place (new
// columns are only ever appended), and writes the master data: the 24
// stadiums (rows already present are kept as they are) and row 1 of
// prediction_settings (reset to the defaults each time).  Every statement is
// idempotent, so preparing a current file changes nothing but that row.
//
// A DbSchema does not own its DbManager: the owner keeps the connection open
// for the object's whole life.  Both belong to one thread.
#ifndef WAKELORE_DB_DB_SCHEMA_H_
#define WAKELORE_DB_DB_SCHEMA_H_

#include <cstdint>
#include <string>
#include <vector>

#include "db/db_manager.h"

namespace wakelore {

// One stadium of the master table.
struct StadiumInfo {
  int32_t id = 0;
  std::wstring code;
  std::wstring name;
  std::wstring water_type;
  double in_advantage = 0.0;
  std::wstring memo;
};

// One column that later versions append to a table.
struct ExtraColumn {
  const wchar_t* table;
  const wchar_t* column;
  const wchar_t* type;
};

// The 20 appended columns, in the order they are added.
const std::vector<ExtraColumn>& ExtraColumnTable();

// The stadium master written by every preparation, ids 1..24 in order.
const std::vector<StadiumInfo>& StadiumMaster();

class DbSchema {
 public:
  explicit DbSchema(DbManager& db);
  DbSchema(const DbSchema&) = delete;
  DbSchema& operator=(const DbSchema&) = delete;

  // Opens `path` read-write (creating it) and prepares it.  False when any
  // step failed; LastError() then holds the message of the last failing
  // step.  Seeding is attempted even when creating or upgrading the tables
  // failed.  The connection stays open in either case.
  [[nodiscard]] bool InitializeDatabase(const std::wstring& path);

  // The stadiums in id order; FallbackStadiums() when the table cannot be
  // read or is empty.
  std::vector<StadiumInfo> LoadStadiums();

  // The latest race day that has a result, or that has a race at all; the
  // empty text when there is none or the query fails.
  std::wstring LatestResultDate();
  std::wstring LatestProgramDate();

  // The latest racer period held.  `*year` and `*term` are 0 when none is
  // found; the result is true only when both are positive.
  [[nodiscard]] bool LatestRacerPeriod(int32_t* year, int32_t* term);

  // Overwritten by every failing step, never cleared by a success.
  const std::wstring& LastError() const { return last_error_; }

  // 24 placeholder stadiums (codes S01..S24, memo "フォールバックマスタ").
  const std::vector<StadiumInfo>& FallbackStadiums() const { return fallback_stadiums_; }

 private:
  [[nodiscard]] bool MigrateRaceColumns();
  [[nodiscard]] bool AddMissingColumns();
  [[nodiscard]] bool SeedStadiums();
  [[nodiscard]] bool WriteDefaultPredictionSettings();
  void FillFallbackStadiums();
  void CopyDbError() { last_error_ = db_.LastError(); }

  DbManager& db_;
  std::wstring last_error_;
  std::vector<StadiumInfo> fallback_stadiums_;
};

}  // namespace wakelore

#endif  // WAKELORE_DB_DB_SCHEMA_H_
