// Imports one racer period archive (fanYY10.lzh, fanYY04.lzh) into racers,
// racer_period_stats and racer_period_course_stats, and records it in
// data_files (file type "RACER_PERIOD") so that it is imported only once.
//
// The whole archive is one transaction; the three statements are prepared
// once per archive and reused for every racer line.  A line that cannot be
// stored rolls the whole archive back and leaves it "FAILED", to be tried
// again by the next run.  Re-importing a period refreshes the racer's
// current figures but keeps what the earlier import stored about the
// racer's birth, counts, earlier classes, calculation period and origin.
//
// Runs on the import run's thread, on the run's connection.  The import
// run makes one importer per archive.
#ifndef WAKELORE_ACQUIRE_RACER_PERIOD_IMPORTER_H_
#define WAKELORE_ACQUIRE_RACER_PERIOD_IMPORTER_H_

#include <cstdint>
#include <string>

#include "db/db_manager.h"

namespace wakelore {

// Counters of the caller, zeroed by it; the importer only adds.
struct RacerImportTally {
  int32_t filesImported = 0;    // archives stored completely
  int32_t filesSkipped = 0;     // archives already recorded as imported
  int32_t filesNotDecoded = 0;  // archives the LZH decoder refused
  int32_t rowsRead = 0;         // racer lines attempted
  int32_t rowsImported = 0;     // racer lines whose statements all succeeded
  int32_t failures = 0;         // unreadable archives, unpreparable statements, failed lines
  std::wstring log;             // one line per archive, each ending "\r\n"
};

class RacerPeriodImporter {
 public:
  // `db` is an open read-write connection; it must outlive the importer.
  explicit RacerPeriodImporter(DbManager& db) : db_(db) {}
  RacerPeriodImporter(const RacerPeriodImporter&) = delete;
  RacerPeriodImporter& operator=(const RacerPeriodImporter&) = delete;

  // True when the archive at `path` was imported completely or was already
  // recorded as imported under this exact path.  False otherwise, with
  // message() saying why: "Failed to open file.", "File size is invalid."
  // (empty or over 64 MiB), "Failed to read complete file.", the decoder's
  // message, or SQLite's.
  [[nodiscard]] bool ImportRacerPeriodArchive(const std::wstring& path, RacerImportTally* tally);

  const std::wstring& message() const { return message_; }

 private:
  void Record(const std::wstring& path, const wchar_t* status, int32_t rows, const std::wstring& message);

  DbManager& db_;
  std::wstring message_;
};

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_RACER_PERIOD_IMPORTER_H_
