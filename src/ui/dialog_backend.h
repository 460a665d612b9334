// What the main dialog asks of the rest of the system, in the dialog's own
// terms: the database and its master data, the dataset catalogue, the
// selection statement, and two long jobs (import, export; the before-race
// command is before_race_task.h).  Portable; the window layer only moves values between these and
// the controls.
#ifndef WAKELORE_UI_DIALOG_BACKEND_H_
#define WAKELORE_UI_DIALOG_BACKEND_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "ui/import_texts.h"
#include "output/datasets.h"

namespace wakelore {

// Opens (creating and upgrading as needed) the database the dialog works on.
// On failure `*error` holds the reason; the connection may still be open.
[[nodiscard]] bool OpenMainDatabase(DbManager* db, const std::wstring& path, std::wstring* error);

struct StadiumEntry {
  int id = 0;
  std::wstring name;
};

// The stadium choices in id order.
std::vector<StadiumEntry> LoadStadiumEntries(DbManager* db);

// Latest days and racer period on record (empty / false when none).
std::wstring LatestResultDateText(DbManager* db);
std::wstring LatestProgramDateText(DbManager* db);
[[nodiscard]] bool LatestRacerPeriodOf(DbManager* db, int* year, int* term);

// Whether any race is stored from `from` to `to` (local midnights, either
// order); false when the query fails.
bool RacesBetween(DbManager* db, int64_t from, int64_t to);

// The latest day from `from` to `to` with a program (a race with an entry
// that has a class) as "YYYY-MM-DD"; empty when there is none.
std::wstring LatestProgramDayBetween(DbManager* db, int64_t from, int64_t to);

// The file extension of an export format value.
std::wstring ExtensionForFormat(int format);

// The dialog's selection, as read from its controls.
struct SelectionInput {
  std::wstring key;        // the selected dataset, empty when none
  int64_t from = 0;        // export period pickers, local midnights, as read
  int64_t to = 0;
  int stadiumId = 0;       // 0 = all stadiums
  std::wstring customSql;  // the SQL box
  int limit = 0;           // 0 = no limit
};

// Turns the selection into a statement: the dataset's statement for the
// period (swapped when reversed) and stadium, or the user's own checked
// statement wrapped with the limit.  On failure `*error` holds the message.
[[nodiscard]] bool BuildSelectionStatement(const SelectionInput& input, std::wstring* sql, std::wstring* error);

// The import run of the dialog, on the calling (background) thread.
struct ImportRequest {
  std::wstring databasePath;
  std::wstring downloadFolder;
  std::wstring reportFolder;  // where the report file of a run with a log goes
  int reportBoxLogLines = kReportBoxLogLines;  // log lines the report box shows
  int64_t fromDate = 0;
  int64_t toDate = 0;
  ImportKinds kinds;
};
using TaskProgressFn = std::function<bool(int32_t done, int32_t total, const std::wstring& text)>;
// Returns the text of the report box (ImportReportBoxText).  When the run
// has a log, the whole report (ImportReportText) is first written to a file
// in `reportFolder` named with the local time of the end of the run (UTF-8
// with a byte order mark, CR LF lines), and the box names that file.
std::wstring RunImportTask(const ImportRequest& request, const TaskProgressFn& progress);

// Writes a report as UTF-8 with a byte order mark into `folder`, creating
// the folder; the file's path in `*path` (set even when writing failed).
bool WriteReportFile(const std::wstring& folder, const std::wstring& name,
                     const std::wstring& report, std::wstring* path);

// An export job, on the calling (background) thread, with its own read-only
// connection.  `progress` gets the row count and answers whether to go on.
struct ExportRequest {
  std::wstring sql;
  std::wstring path;
  int format = 0;
  std::wstring sheetName;
  std::wstring databasePath;
};
std::wstring RunExportTask(const ExportRequest& request,
                           const std::function<bool(int64_t rows)>& progress);

}  // namespace wakelore

#endif  // WAKELORE_UI_DIALOG_BACKEND_H_
