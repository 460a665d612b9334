// TableExporter: writes the result of one read-only statement to a file.
//
// Rows stream from the database one at a time into a buffered writer, so an
// export needs no more memory than one row and one buffer whatever its
// length.  The call enforces an optional row limit, the workbook sheet's
// row capacity and cancellation through a progress callback, and never
// leaves a partial file: every format is written to a temporary file in
// the target's folder and moved over the target only when complete, so on
// failure or cancellation the temporary file is removed and an older file
// at the target stays exactly as it was.  A target that is the database
// being read is refused before anything is opened for writing.
//
// Export runs on the calling thread, uses only its own objects and the
// connection passed in, and calls `progress` on that same thread.
#ifndef WAKELORE_OUTPUT_TABLE_EXPORTER_H_
#define WAKELORE_OUTPUT_TABLE_EXPORTER_H_

#include <cstdint>
#include <functional>
#include <string>

#include "db/db_manager.h"
#include "output/export_format.h"

namespace wakelore {

struct ExportResult {
  int64_t rows = 0;        // data rows handed to the writer (header not counted)
  bool limited = false;    // the row limit cut the output and more rows existed
  bool overflow = false;   // Xlsx: the sheet was full and more rows existed
  bool cancelled = false;  // the progress callback asked to stop
  std::wstring error;      // why the export failed; empty on success
};

// Receives the number of rows written so far, every 10000 rows; returning
// false cancels the export.
using ExportProgress = std::function<bool(int64_t rows)>;

class TableExporter {
 public:
  // Progress is reported after every this many rows.
  static constexpr int64_t kProgressInterval = 10000;

  // Writes the rows of `sql` (one read-only statement) on `db` to `path`
  // in `format`, at most `limit` data rows (0 or less: all).  `sheetName`
  // names the workbook's sheet and is ignored by the text formats.
  // `progress` may be empty.  True when the file was written completely
  // (also when the limit or the sheet's capacity cut it short) and now
  // stands at `path`; false with `result.error` set otherwise, and then
  // whatever was at `path` before is untouched and no temporary file is
  // left.  A device target (/dev/null) is written directly.
  [[nodiscard]] static bool Export(DbManager& db, const std::wstring& sql, const std::wstring& path,
                     ExportFormat format, int64_t limit, const std::wstring& sheetName,
                     ExportResult& result, const ExportProgress& progress);
};

// Messages of the export.
extern const wchar_t kCannotCreateOutputMessage[];
extern const wchar_t kCancelledMessage[];
extern const wchar_t kCannotCreateWorkbookMessage[];
extern const wchar_t kOutputIsDatabaseMessage[];

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_TABLE_EXPORTER_H_
