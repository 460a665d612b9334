// Imports a whole year of daily archives (365 program and 365 result
// archives, 2022-09-01 to 2023-08-31) from the download cache into a fresh
// database through the import run, then runs the same import again on the
// same database, where everything is already imported.
//
// The archives are made by bench/make_year_archives.py from the official
// fixture day, each day with its own dates, stadiums, racers, motors and
// boats; the script runs first and does nothing when the cache folder is
// complete.  Every archive is cached, so the run must neither download nor
// pause: the archive server is pointed at a closed local port, so that a
// request made by mistake fails at once and shows as unavailable.
//
// Run from the source tree.  Arguments (optional): the cache folder
// (default build/linux-release/bench-data/year), the folder of the
// official fixtures (default tests/fixtures/official).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "acquire/import_run.h"
#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using namespace wakelore;

constexpr int kDays = 365;
constexpr int kArchives = 2 * kDays;
constexpr double kFirstGoalSeconds = 24.0;
constexpr double kSecondGoalSeconds = 2.0;
const char* const kPerRaceTables[] = {"races", "race_entries", "race_result_entries", "race_results",
                                      "odds"};

// Row counts of the tables that grow with every race, in a database that
// holds one day.
bool CountRows(const std::wstring& db_path, std::vector<long long>* counts) {
  DbManager db;
  if (!db.OpenReadOnly(db_path)) return false;
  counts->clear();
  for (const char* table : kPerRaceTables) {
    std::vector<DbRow> rows;
    if (!db.QueryRows(L"SELECT COUNT(*) AS n FROM " + Utf8ToUtf16(table) + L";", &rows) || rows.empty()) {
      return false;
    }
    counts->push_back(std::wcstoll(DbRowValue(rows[0], L"n").c_str(), nullptr, 10));
  }
  return true;
}

// Checks that every day of the year holds as many rows of each table as the
// source day; prints what differs.
bool CheckEveryDay(const std::wstring& db_path, const std::vector<long long>& day_counts) {
  DbManager db;
  if (!db.OpenReadOnly(db_path)) return false;
  bool ok = true;
  for (size_t i = 0; i < day_counts.size(); ++i) {
    const std::wstring table = Utf8ToUtf16(kPerRaceTables[i]);
    const std::wstring per_day =
        i == 0 ? std::wstring(L"SELECT race_date, COUNT(*) AS n FROM races GROUP BY race_date")
               : L"SELECT r.race_date, COUNT(*) AS n FROM " + table + L" t JOIN races r ON r.id = t.race_id " +
                     L"GROUP BY r.race_date";
    std::vector<DbRow> rows;
    if (!db.QueryRows(L"SELECT COUNT(*) AS days, SUM(n = " + std::to_wstring(day_counts[i]) + L") AS full_days, " +
                          L"SUM(n) AS total FROM (" + per_day + L");",
                      &rows) ||
        rows.empty()) {
      std::fprintf(stderr, "year_import: cannot count %s by day\n", kPerRaceTables[i]);
      return false;
    }
    const long long days = std::wcstoll(DbRowValue(rows[0], L"days").c_str(), nullptr, 10);
    const long long full = std::wcstoll(DbRowValue(rows[0], L"full_days").c_str(), nullptr, 10);
    const long long total = std::wcstoll(DbRowValue(rows[0], L"total").c_str(), nullptr, 10);
    if (days != kDays || full != kDays) {
      std::fprintf(stderr, "year_import: %s: %lld days hold rows, %lld of them all %lld rows of the source day "
                   "(%lld rows in all), expected %d days\n",
                   kPerRaceTables[i], days, full, day_counts[i], total, kDays);
      ok = false;
    }
  }
  return ok;
}

// The counts of one source day, imported on its own.
bool SourceDayCounts(const std::wstring& fixtures, const std::wstring& db_path, std::vector<long long>* counts) {
  DeleteFileAt(db_path);
  {
    DbManager db;
    DbSchema schema(db);
    if (!schema.InitializeDatabase(db_path)) return false;
    RaceFileImporter programs(&db, false);
    RaceFileImporter results(&db, false);
    ArchiveImportTally tally;
    if (!programs.ImportProgramArchive(fixtures + kPathSeparator + L"b230901.lzh", &tally) ||
        !results.ImportResultArchive(fixtures + kPathSeparator + L"k230901.lzh", &tally) ||
        tally.filesImported != 2) {
      std::fprintf(stderr, "the fixture day did not import:\n%s", Utf16ToUtf8(tally.log).c_str());
      return false;
    }
  }
  return CountRows(db_path, counts);
}

struct Timed {
  ImportStats stats;
  double wall_seconds = 0.0;
  double cpu_seconds = 0.0;
  std::vector<uint32_t> pauses;
  bool ran = false;
};

Timed RunYear(const ImportOptions& options) {
  Timed t;
  ImportPacing pacing;
  pacing.sleep = [&t](uint32_t ms) { t.pauses.push_back(ms); };
  const auto wall_start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  t.ran = RunImport(options, &t.stats, ImportProgress(), &pacing);
  t.cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  t.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  return t;
}

// Prints what is wrong with a run; true when nothing is.
bool Check(const char* which, const Timed& t, int imported, int existing) {
  bool ok = true;
  auto fail = [&](const char* what, long long value, long long expected) {
    std::fprintf(stderr, "year_import: %s run: %s = %lld, expected %lld\n", which, what, value, expected);
    ok = false;
  };
  if (!t.ran) {
    std::fprintf(stderr, "year_import: %s run could not start: %s\n", which, Utf16ToUtf8(t.stats.error).c_str());
    return false;
  }
  if (t.stats.imported_files != imported) fail("imported_files", t.stats.imported_files, imported);
  if (t.stats.existing != existing) fail("existing", t.stats.existing, existing);
  if (t.stats.downloaded != 0) fail("downloaded", t.stats.downloaded, 0);
  if (t.stats.unavailable != 0) fail("unavailable", t.stats.unavailable, 0);
  if (!t.pauses.empty()) fail("pauses requested", static_cast<long long>(t.pauses.size()), 0);
  if (t.stats.cancelled) fail("cancelled", 1, 0);
  if (!t.stats.log.empty()) {
    std::fprintf(stderr, "year_import: %s run logged:\n%s", which, Utf16ToUtf8(t.stats.log).c_str());
    ok = false;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string data = argc > 1 ? argv[1] : "build/linux-release/bench-data/year";
  const std::string fixtures_utf8 = argc > 2 ? argv[2] : "tests/fixtures/official";
  const std::wstring fixtures = Utf8ToUtf16(fixtures_utf8);

  // A request made by mistake goes to a closed port on this machine.  Set
  // before anything reads the override.
  setenv("WAKELORE_ARCHIVE_SERVER", "http://127.0.0.1:9", 1);
  setenv("WAKELORE_RACE_SITE", "http://127.0.0.1:9", 1);

  if (!PathExists(L"bench/make_year_archives.py")) {
    std::fprintf(stderr, "year_import: run from the source tree (bench/make_year_archives.py not found)\n");
    return 1;
  }
  const std::string generate = "python3 bench/make_year_archives.py '" + data + "' --fixtures '" + fixtures_utf8 +
                               "' --start 2022-09-01 --days 365 --jobs 2";
  const auto generate_start = std::chrono::steady_clock::now();
  if (std::system(generate.c_str()) != 0) {
    std::fprintf(stderr, "year_import: making the archives failed\n");
    return 1;
  }
  const double generate_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - generate_start).count();

  std::wstring db_path;
  if (!CreateUniqueTempFile(TempFolder(), L"wky", &db_path)) {
    std::fprintf(stderr, "year_import: cannot create a temporary file\n");
    return 1;
  }
  std::vector<long long> day_counts;
  if (!SourceDayCounts(fixtures, db_path, &day_counts)) {
    std::fprintf(stderr, "year_import: cannot count the fixture day\n");
    DeleteFileAt(db_path);
    return 1;
  }
  DeleteFileAt(db_path);

  ImportOptions options;
  options.databasePath = db_path;
  options.downloadFolder = Utf8ToUtf16(data);
  FromLocalTime({2022, 9, 1}, &options.fromDate);
  FromLocalTime({2023, 8, 31}, &options.toDate);
  FromLocalTime({2023, 9, 2, 12}, &options.referenceTime);  // the whole year is in the past
  options.programs = true;
  options.results = true;

  const Timed first = RunYear(options);
  bool ok = Check("first", first, kArchives, kArchives);
  if (!CheckEveryDay(db_path, day_counts)) ok = false;
  const Timed second = RunYear(options);
  ok = Check("second", second, 0, kArchives) && ok;
  const long long db_bytes = FileSizeOf(db_path);
  DeleteFileAt(db_path);

  std::printf("year_import: archives made or checked in %.1f s (%d archives in %s)\n", generate_seconds, kArchives,
              data.c_str());
  std::printf("year_import: a year (%d archives, %lld races, %lld entries) into a fresh database: "
              "%.2f s, processor time %.2f s (goal: under %.0f s); database %.0f MB\n",
              kArchives, kDays * day_counts[0], kDays * day_counts[1], first.wall_seconds,
              first.cpu_seconds, kFirstGoalSeconds, static_cast<double>(db_bytes) / 1e6);
  std::printf("year_import: the same year again, all imported: %.2f s, processor time %.2f s (goal: under %.0f s)\n",
              second.wall_seconds, second.cpu_seconds, kSecondGoalSeconds);
  return ok ? 0 : 1;
}
