#include "dialog/dialog_backend.h"

#include <utility>

#include "db/db_schema.h"
#include "dialog/dialog_dates.h"
#include "dialog/output_texts.h"
#include "output/dataset_sql.h"
#include "output/export_format.h"
#include "output/table_exporter.h"
#include "acquire/archive_addresses.h"
#include "acquire/download_cache.h"
#include "acquire/import_run.h"
#include "archive/race_file_importer.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/path.h"
#include "web/before_race.h"
#include "web/race_address.h"
#include "web/trifecta_odds.h"
#include "web/web_client.h"

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
    LocalTime local;
    if (ToLocalTime(request.day, &local)) {
      std::wstring folder = CacheYearFolder(JoinPath(download_folder, kProgramCacheFolder), local.year);
      std::wstring path = JoinPath(folder, ArchiveFileName(L'B', request.day));
      std::wstring downloaded;
      if (DownloadToCache(ArchiveUrl(L'B', request.day), path, &downloaded)) {
        RaceFileImporter importer(db, false);
        ArchiveImportTally tally;
        // Not checked: the race is looked up next, and its absence is what is reported.
        (void)importer.ImportProgramArchive(path, &tally);
        race_id = FindRaceId(*db, date, request.stadiumId, request.raceNo);
      }
    }
    if (race_id == 0) return false;
  }

  WebClient client;
  BeforeRaceInfo info;
  if (FetchBeforeInfo(client, date, request.stadiumId, request.raceNo, &info)) {
    outcome->infoFetched = true;
    outcome->hasExhibition = info.hasExhibition;
    outcome->hasWeather = info.hasWeather;
    std::wstring message;
    if (!StoreBeforeRace(*db, &message, race_id, info)) outcome->infoStoreError = message;
  } else {
    outcome->infoError = client.message;
  }
  SleepMs(300);
  TrifectaOdds odds;
  if (FetchTrifectaOdds(client, date, request.stadiumId, request.raceNo, &odds)) {
    outcome->oddsFetched = true;
    outcome->oddsCount = static_cast<int>(odds.size());
    std::wstring message, fetched_at;
    if (StoreLiveOdds(*db, &message, race_id, L"3連単", odds, &fetched_at)) {
      outcome->fetchedAt = fetched_at;
    } else {
      outcome->oddsStoreError = message;
    }
  } else {
    outcome->oddsError = client.message;
  }
  return true;
}

}  // namespace wakelore
