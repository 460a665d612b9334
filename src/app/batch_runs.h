// The unattended runs: /import and /export from the command line.
//
// Both take every path from the command line, show no window, write a log
// file (UTF-8 with a byte-order mark, created or truncated) and return the
// process exit code: 0 done, 2 bad arguments, 3 database unusable, 4 export
// refused or failed.  A log file is never written over the database.  When standard error is a terminal they keep one progress line
// there; otherwise they print nothing.  Main thread only.
#ifndef WAKELORE_APP_BATCH_RUNS_H_
#define WAKELORE_APP_BATCH_RUNS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "acquire/import_run.h"
#include "output/table_exporter.h"

namespace wakelore {

// args: program, "/import", database, first day, last day, letters, log
// [, download folder].
int32_t RunBatchImport(const std::vector<std::wstring>& args);

// args: program, "/export", database, dataset key, first day, last day,
// stadium, format, output [, maximum rows].
int32_t RunBatchExport(const std::vector<std::wstring>& args);

// The common end of /export and /query: opens `database` read-only, writes
// the rows of `sql` to `output` in `format` (at most `limit` rows, 0: all),
// writes the export log beside the output and returns the exit code (3
// when the database cannot be opened or is no database, 4 when the export
// was refused or failed, 0 when done).
int32_t ExportStatementToFile(const std::wstring& database, const std::wstring& sql,
                              ExportFormat format, const std::wstring& output, int64_t limit,
                              const std::wstring& sheet_name);

// Writes `text` as the log of an export to `output` (`output` + ".log"),
// unless that log file is the database file itself.
void WriteExportLog(const std::wstring& output, const std::wstring& database,
                    const std::wstring& text);

// "%d-%d-%d" read as scanf reads it; year >= 1970, month 1..12, day 1..31;
// a day past the month's end carries into the next month.  The result is
// local midnight of that day.
// The download folder of an unattended run that names none: "download"
// beside the database file (in the current folder for a bare file name).
std::wstring DefaultDownloadFolder(const std::wstring& database_path);

[[nodiscard]] bool ParseBatchDate(const std::wstring& text, int64_t* date);

// Creates or truncates `path` and writes the UTF-8 byte-order mark and
// `text`.  A file that cannot be written is ignored.
void WriteBatchLog(const std::wstring& path, const std::wstring& text);

// The /import arguments as import options and the log path; false when
// there are fewer than 7 elements or a day cannot be read.
[[nodiscard]] bool ParseImportArguments(const std::vector<std::wstring>& args, ImportOptions* options,
                                        std::wstring* log_path);

// The /export format word, compared after lower-casing.
ExportFormat BatchExportFormat(const std::wstring& word);

}  // namespace wakelore

#endif  // WAKELORE_APP_BATCH_RUNS_H_
