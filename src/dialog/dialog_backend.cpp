#include "dialog/dialog_backend.h"

#include <utility>

#include "app/data_folder.h"
#include "db/db_schema.h"
#include "dialog/dialog_dates.h"
#include "dialog/output_texts.h"
#include "output/dataset_sql.h"
#include "output/export_format.h"
#include "output/table_exporter.h"
#include "acquire/day_program.h"
#include "acquire/import_run.h"
#include "platform/clock.h"
#include "web/race_address.h"
#include "web/race_pages.h"
#include "web/web_client.h"

namespace wakelore {
namespace {

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

bool OpenMainDatabase(DbManager* db, const std::wstring& path, std::wstring* error) {
  std::wstring folder = FolderOf(path);
  if (!folder.empty()) EnsureDirectory(folder);
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
  return ImportReportText(outcome);
}

std::wstring RunExportTask(const ExportRequest& request,
                           const std::function<bool(int64_t)>& progress) {
  DbManager db;
  if (!db.OpenReadOnly(request.databasePath)) {
    return L"データベースを開けませんでした。\r\n" + db.LastError();
  }
  ExportResult result;
  bool ok = TableExporter::Export(db, request.sql, request.path,
                                  static_cast<ExportFormat>(request.format), 0, request.sheetName,
                                  result, progress);
  return ExportReportText(ok, result.rows, request.path, result.overflow, result.error);
}

bool FetchBeforeRace(DbManager* db, const BeforeRaceRequest& request,
                     const std::wstring& download_folder,
                     const std::function<void(const std::wstring&)>& note,
                     BeforeRaceOutcome* outcome) {
  *outcome = BeforeRaceOutcome();
  const std::wstring date = DayText(request.day, L"-");
  int64_t race_id = FindRaceId(*db, date, request.stadiumId, request.raceNo);
  if (race_id == 0) {
    // The race is not known yet: take that day's program first.
    note(L"番組表を取得しています…");
    std::wstring message;
    if (ImportDayProgram(*db, download_folder, request.day, &message)) {
      race_id = FindRaceId(*db, date, request.stadiumId, request.raceNo);
    }
    if (race_id == 0) return false;
  }

  // The six pages with a pause between two requests.
  WebClient client;
  RacePageSet pages;
  int fetched = 0;
  FetchRacePages(client, date, request.stadiumId, request.raceNo,
                 [&fetched] {
                   if (++fetched < kRacePageCount) SleepMs(300);
                   return true;
                 },
                 &pages);
  RaceSnapshot snapshot;
  ReadRaceSnapshot(pages, &snapshot);
  BeforeRaceOutcomeOf(snapshot, outcome);

  SnapshotStoreOptions options;
  options.dayIsOver = request.day < LocalMidnightOf(NowSeconds());
  SnapshotStoreCounts counts;
  std::wstring message;
  if (!StoreRaceSnapshot(*db, &message, race_id, snapshot, options, &counts)) {
    // One transaction: neither part reached the database.
    if (snapshot.hasBeforeInfo) outcome->infoStoreError = message;
    if (outcome->oddsFetched) outcome->oddsStoreError = message;
  }
  outcome->oddsCount = counts.totalRows;
  outcome->fetchedAt = counts.fetchedAt;
  outcome->betRows = counts.rows;
  outcome->betKept = counts.kept;
  return true;
}

void BeforeRaceOutcomeOf(const RaceSnapshot& snapshot, BeforeRaceOutcome* outcome) {
  static const wchar_t* const kPageLabels[kRacePageCount] = {L"直前情報", L"3連単",  L"3連複",
                                                             L"2連単・2連複", L"拡連複", L"単勝・複勝"};
  outcome->infoFetched = snapshot.outcome[0] == RacePageOutcome::kRead;
  outcome->hasExhibition = snapshot.hasBeforeInfo && snapshot.info.hasExhibition;
  outcome->hasWeather = snapshot.hasBeforeInfo && snapshot.info.hasWeather;
  if (!outcome->infoFetched) outcome->infoError = snapshot.problem[0];
  outcome->oddsFetched = false;
  outcome->oddsError.clear();
  for (size_t p = 1; p < static_cast<size_t>(kRacePageCount); ++p) {
    if (snapshot.outcome[p] == RacePageOutcome::kRead) {
      outcome->oddsFetched = true;
    } else {
      outcome->oddsError += std::wstring(kPageLabels[p]) + L": " + snapshot.problem[p] + L"\r\n";
    }
  }
}

}  // namespace wakelore
