#include "ui/dialog_backend.h"

#include <utility>

#include "db/db_schema.h"
#include "ui/dialog_dates.h"
#include "ui/output_texts.h"
#include "ui/task_texts.h"
#include "output/dataset_sql.h"
#include "output/export_format.h"
#include "output/table_exporter.h"
#include "acquire/import_run.h"
#include "acquire/archive_addresses.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace wakelore {

bool OpenMainDatabase(DbManager* db, const std::wstring& path, std::wstring* error) {
  std::wstring folder = SplitPath(path).folder;
  // Not checked: a folder that cannot be made fails InitializeDatabase below,
  // which says why.
  if (!folder.empty()) (void)EnsureDirectory(folder);
  DbSchema schema(*db);
  if (!schema.InitializeDatabase(path)) {
    *error = schema.LastError();
    return false;
  }
  return true;
}

std::vector<StadiumEntry> LoadStadiumEntries(DbManager* db) {
  std::vector<StadiumEntry> entries;
  for (const StadiumInfo& stadium : DbSchema(*db).LoadStadiums()) {
    entries.push_back({stadium.id, stadium.name});
  }
  return entries;
}

std::wstring LatestResultDateText(DbManager* db) {
  return db->IsOpen() ? DbSchema(*db).LatestResultDate() : std::wstring();
}

std::wstring LatestProgramDateText(DbManager* db) {
  return db->IsOpen() ? DbSchema(*db).LatestProgramDate() : std::wstring();
}

bool LatestRacerPeriodOf(DbManager* db, int* year, int* term) {
  int32_t y = 0, t = 0;
  bool found = db->IsOpen() && DbSchema(*db).LatestRacerPeriod(&y, &t);
  *year = y;
  *term = t;
  return found;
}

namespace {

// The first column of the first row of `sql`, or empty.
std::wstring FirstValue(DbManager* db, const std::wstring& sql) {
  std::vector<DbRow> rows;
  if (!db->IsOpen() || !db->QueryRows(sql, &rows) || rows.empty()) return std::wstring();
  return DbRowValue(rows[0], L"value");
}

std::wstring DayRangeCondition(const wchar_t* column, int64_t from, int64_t to) {
  if (to < from) std::swap(from, to);
  return std::wstring(column) + L" BETWEEN '" + DayText(from, L"-") + L"' AND '" + DayText(to, L"-") + L"'";
}

}  // namespace

bool RacesBetween(DbManager* db, int64_t from, int64_t to) {
  return FirstValue(db, L"SELECT EXISTS (SELECT 1 FROM races WHERE " +
                            DayRangeCondition(L"race_date", from, to) + L") AS value;") == L"1";
}

std::wstring LatestProgramDayBetween(DbManager* db, int64_t from, int64_t to) {
  return FirstValue(db, L"SELECT MAX(r.race_date) AS value FROM races r WHERE " +
                            DayRangeCondition(L"r.race_date", from, to) +
                            L" AND EXISTS (SELECT 1 FROM race_entries e WHERE e.race_id = r.id "
                            L"AND e.class_name IS NOT NULL);");
}

std::wstring ExtensionForFormat(int format) {
  return ExtensionFor(static_cast<ExportFormat>(format));
}

bool BuildSelectionStatement(const SelectionInput& input, std::wstring* sql, std::wstring* error) {
  sql->clear();
  error->clear();
  if (input.key != L"sql") {
    int64_t from = input.from, to = input.to;
    if (to < from) std::swap(from, to);
    *sql = BuildDatasetSql(input.key, DayText(from, L"-"), DayText(to, L"-"), input.stadiumId,
                           input.limit);
    if (sql->empty()) {
      *error = L"出力条件を解釈できませんでした。";
      return false;
    }
    return true;
  }
  std::wstring text;
  if (!CheckCustomSql(input.customSql, &text, error)) return false;
  *sql = WrapCustomSql(text, input.limit);
  return true;
}

std::wstring RunImportTask(const ImportRequest& request, const TaskProgressFn& progress) {
  ImportOptions options;
  options.databasePath = request.databasePath;
  options.downloadFolder = request.downloadFolder;
  options.fromDate = request.fromDate;
  options.toDate = request.toDate;
  options.programs = request.kinds.programs;
  options.results = request.kinds.results;
  options.meetings = request.kinds.meetings;
  options.racerPeriods = request.kinds.racerPeriods;
  options.racePages = request.kinds.racePages;
  options.reimport = false;
  options.referenceTime = 0;
  ImportStats stats;
  ImportOutcome outcome;
  outcome.ok = RunImport(options, &stats, progress);
  outcome.error = stats.error;
  outcome.cancelled = stats.cancelled;
  outcome.downloaded = stats.downloaded;
  outcome.existing = stats.existing;
  outcome.unavailable = stats.unavailable;
  outcome.importedFiles = stats.imported_files;
  outcome.gradeDays = stats.grade_days;
  outcome.racerFiles = stats.racer_files;
  outcome.racePages = stats.race_pages;
  outcome.racesUnavailable = stats.races_unavailable;
  outcome.log = stats.log;
  if (!outcome.ok || outcome.log.empty()) return ImportReportBoxText(outcome, L"", true);
  LocalTime now;  // the epoch's fields name the file if the clock cannot be read
  if (!ToLocalTime(NowSeconds(), &now)) now = LocalTime();
  std::wstring path;
  bool written = WriteReportFile(
      request.reportFolder,
      ImportReportFileName(now.year, now.month, now.day, now.hour, now.minute, now.second),
      ImportReportText(outcome), &path);
  return ImportReportBoxText(outcome, path, written, request.reportBoxLogLines);
}

bool WriteReportFile(const std::wstring& folder, const std::wstring& name,
                     const std::wstring& report, std::wstring* path) {
  *path = JoinPath(folder, name);
  if (!EnsureDirectory(folder)) return false;
  return WriteWholeFile(*path, "\xEF\xBB\xBF" + Utf16ToUtf8(report));
}

std::wstring RunExportTask(const ExportRequest& request,
                           const std::function<bool(int64_t)>& progress) {
  DbManager db;
  if (!db.OpenReadOnly(request.databasePath)) {
    return kDatabaseNotOpenedHead + db.LastError();
  }
  ExportResult result;
  bool ok = TableExporter::Export(db, request.sql, request.path,
                                  static_cast<ExportFormat>(request.format), 0, request.sheetName,
                                  result, progress);
  return ExportReportText(ok, result.rows, request.path, result.overflow, result.error);
}

}  // namespace wakelore
