// Imports a whole year of daily archives (365 program and 365 result
// archives, 2022-09-01 to 2023-08-31) from the download cache into a fresh
// database through the import run, then runs the same import again on the
// same database, where everything is already imported.
//
// The reference, measured in the same run: the sqlite3 shell loading the
// same rows with a bare ".import" — the year's "program", "result" and
// "payout" datasets, exported as CSV by the table exporter, each loaded into
// a plain table of a fresh database.  The import's time is printed as a
// ratio of the shell's, with the import's peak resident memory.
//
// The archives are made by bench/make_year_archives.py from the official
// fixture days taken in turn, each day with its own dates, stadiums,
// racers, motors and boats; the script runs first and does nothing when the
// cache folder is complete.  Every archive is cached, so the run must
// neither download nor pause: the archive server is pointed at a closed
// local port, so that a request made by mistake fails at once and shows as
// unavailable.
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

#include <sys/resource.h>
#include <sys/wait.h>

#include "acquire/import_run.h"
#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "output/dataset_sql.h"
#include "output/table_exporter.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using namespace wakelore;

constexpr int kDays = 365;
constexpr int kArchives = 2 * kDays;
constexpr double kFirstGoalSeconds = 24.0;
constexpr double kSecondGoalSeconds = 2.0;
constexpr double kRatioGoal = 1.2;
constexpr long kMemoryLimitKib = 200 * 1024;
// The source days of the year, taken in turn (day i from source i modulo
// their number): a full day; a dead heat, a stadium cancelling most of its
// races and a race not established; two stadiums wholly cancelled.
const char* const kSourceDays[] = {"230901", "240315", "240124"};
constexpr int kSources = sizeof(kSourceDays) / sizeof(kSourceDays[0]);
const char* const kDatasets[] = {"program", "result", "payout"};
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

// Checks that every day of the year holds as many rows of each table as its
// source day; prints what differs.
bool CheckEveryDay(const std::wstring& db_path, const std::vector<std::vector<long long>>& source_counts) {
  DbManager db;
  if (!db.OpenReadOnly(db_path)) return false;
  bool ok = true;
  for (size_t i = 0; i < std::size(kPerRaceTables); ++i) {
    const std::wstring table = Utf8ToUtf16(kPerRaceTables[i]);
    const std::wstring per_day =
        i == 0 ? std::wstring(L"SELECT race_date, COUNT(*) AS n FROM races GROUP BY race_date")
               : L"SELECT r.race_date, COUNT(*) AS n FROM " + table + L" t JOIN races r ON r.id = t.race_id " +
                     L"GROUP BY r.race_date";
    std::vector<DbRow> rows;
    // Day numbers from the first day of the year, so that each day's source
    // is its number modulo the number of sources.
    if (!db.QueryRows(L"SELECT CAST(julianday(race_date) - julianday('2022-09-01') AS INTEGER) AS day, n FROM (" +
                          per_day + L") ORDER BY day;",
                      &rows)) {
      std::fprintf(stderr, "year_import: cannot count %s by day\n", kPerRaceTables[i]);
      return false;
    }
    int full = 0;
    long long total = 0;
    for (const DbRow& row : rows) {
      const long long day = std::wcstoll(DbRowValue(row, L"day").c_str(), nullptr, 10);
      const long long n = std::wcstoll(DbRowValue(row, L"n").c_str(), nullptr, 10);
      total += n;
      if (day >= 0 && day < kDays && n == source_counts[day % kSources][i]) ++full;
    }
    if (rows.size() != static_cast<size_t>(kDays) || full != kDays) {
      std::fprintf(stderr, "year_import: %s: %zu days hold rows, %d of them all the rows of their source day "
                   "(%lld rows in all), expected %d days\n",
                   kPerRaceTables[i], rows.size(), full, total, kDays);
      ok = false;
    }
  }
  return ok;
}

// The counts of one source day, imported on its own.
bool SourceDayCounts(const std::wstring& fixtures, const char* day, const std::wstring& db_path,
                     std::vector<long long>* counts) {
  (void)DeleteFileAt(db_path);
  {
    DbManager db;
    DbSchema schema(db);
    if (!schema.InitializeDatabase(db_path)) return false;
    RaceFileImporter programs(&db, false);
    RaceFileImporter results(&db, false);
    ArchiveImportTally tally;
    const std::wstring name = Utf8ToUtf16(day) + L".lzh";
    if (!programs.ImportProgramArchive(fixtures + kPathSeparator + L"b" + name, &tally) ||
        !results.ImportResultArchive(fixtures + kPathSeparator + L"k" + name, &tally) ||
        tally.filesImported != 2) {
      std::fprintf(stderr, "the fixture day %s did not import:\n%s", day, Utf16ToUtf8(tally.log).c_str());
      return false;
    }
  }
  return CountRows(db_path, counts);
}

// The peak resident set of this process in KiB (Linux), or -1.
long PeakRssKib() {
  std::string status;
  std::wstring error;
  if (!ReadWholeFile(L"/proc/self/status", &status, &error, 1 << 20)) return -1;
  const size_t at = status.find("VmHWM:");
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

// Starts the peak resident set anew from the current one (Linux 4.0 and
// later); false when the kernel does not allow it.
bool ResetPeakRss() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

struct Timed {
  ImportStats stats;
  double wall_seconds = 0.0;
  double cpu_seconds = 0.0;
  long peak_kib = -1;  // peak resident set during the run, -1 when unknown
  std::vector<uint32_t> pauses;
  bool ran = false;
};

Timed RunYear(const ImportOptions& options) {
  Timed t;
  ImportPacing pacing;
  pacing.sleep = [&t](uint32_t ms) { t.pauses.push_back(ms); };
  const bool peak_known = ResetPeakRss();
  const auto wall_start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  t.ran = RunImport(options, &t.stats, ImportProgress(), &pacing);
  t.cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  t.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  if (peak_known) t.peak_kib = PeakRssKib();
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

// The reference: the year's datasets written as CSV files by the table
// exporter, then loaded by the sqlite3 shell into plain tables of a fresh
// database with a bare ".import".  Only the shell's run is timed.
struct ShellLoad {
  long long rows = 0;         // data rows of the three datasets
  long long csv_bytes = 0;
  double wall_seconds = 0.0;
  double cpu_seconds = 0.0;   // processor time of the shell (user and system)
  bool ok = false;
};

// Processor time (user and system) of the ended children of this process.
double ChildrenCpuSeconds() {
  rusage usage{};
  if (getrusage(RUSAGE_CHILDREN, &usage) != 0) return 0.0;
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

ShellLoad LoadWithShell(const std::wstring& db_path, const std::wstring& work_prefix) {
  ShellLoad load;
  std::string script;
  std::vector<std::wstring> made;
  {
    DbManager db;
    if (!db.OpenReadOnly(db_path)) {
      std::fprintf(stderr, "year_import: cannot open the year's database for the export\n");
      return load;
    }
    for (const char* key : kDatasets) {
      const std::wstring csv = work_prefix + L"." + Utf8ToUtf16(key) + L".csv";
      made.push_back(csv);
      ExportResult result;
      const std::wstring sql = BuildDatasetSql(Utf8ToUtf16(key), L"2022-09-01", L"2023-08-31", 0, 0);
      if (!TableExporter::Export(db, sql, csv, ExportFormat::CsvUtf8, 0, L"", result, nullptr)) {
        std::fprintf(stderr, "year_import: export of %s failed: %s\n", key, Utf16ToUtf8(result.error).c_str());
        for (const std::wstring& f : made) (void)DeleteFileAt(f);
        return load;
      }
      load.rows += result.rows;
      load.csv_bytes += FileSizeOf(csv);
      script += ".import --csv '" + Utf16ToUtf8(csv) + "' " + key + "\n";
    }
  }
  const std::wstring shell_db = work_prefix + L".shell.db";
  const std::wstring script_path = work_prefix + L".shell.sql";
  made.push_back(shell_db);
  made.push_back(script_path);
  (void)DeleteFileAt(shell_db);
  if (WriteWholeFile(script_path, script)) {
    const std::string command =
        "sqlite3 -bail '" + Utf16ToUtf8(shell_db) + "' < '" + Utf16ToUtf8(script_path) + "'";
    const double cpu_before = ChildrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    load.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    load.cpu_seconds = ChildrenCpuSeconds() - cpu_before;
    load.ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!load.ok) std::fprintf(stderr, "year_import: the sqlite3 shell failed (%s)\n", command.c_str());
  }
  for (const std::wstring& f : made) (void)DeleteFileAt(f);
  return load;
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
  std::string sources;
  for (const char* day : kSourceDays) sources += std::string(sources.empty() ? "" : ",") + day;
  const std::string generate = "python3 bench/make_year_archives.py '" + data + "' --fixtures '" + fixtures_utf8 +
                               "' --start 2022-09-01 --days 365 --jobs 2 --sources " + sources;
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
  std::vector<std::vector<long long>> source_counts(kSources);
  for (int i = 0; i < kSources; ++i) {
    if (!SourceDayCounts(fixtures, kSourceDays[i], db_path, &source_counts[i])) {
      std::fprintf(stderr, "year_import: cannot count the fixture day %s\n", kSourceDays[i]);
      (void)DeleteFileAt(db_path);
      return 1;
    }
  }
  (void)DeleteFileAt(db_path);
  long long races = 0, entries = 0;
  for (int day = 0; day < kDays; ++day) {
    races += source_counts[day % kSources][0];
    entries += source_counts[day % kSources][1];
  }

  ImportOptions options;
  options.databasePath = db_path;
  options.downloadFolder = Utf8ToUtf16(data);
  (void)FromLocalTime({2022, 9, 1}, &options.fromDate);
  (void)FromLocalTime({2023, 8, 31}, &options.toDate);
  (void)FromLocalTime({2023, 9, 2, 12}, &options.referenceTime);  // the whole year is in the past
  options.programs = true;
  options.results = true;

  const Timed first = RunYear(options);
  bool ok = Check("first", first, kArchives, kArchives);
  if (!CheckEveryDay(db_path, source_counts)) ok = false;
  const Timed second = RunYear(options);
  ok = Check("second", second, 0, kArchives) && ok;
  const long long db_bytes = FileSizeOf(db_path);
  const ShellLoad shell = ok ? LoadWithShell(db_path, db_path) : ShellLoad();
  (void)DeleteFileAt(db_path);
  if (!shell.ok) ok = false;

  std::printf("year_import: archives made or checked in %.1f s (%d archives in %s)\n", generate_seconds, kArchives,
              data.c_str());
  std::printf("year_import: a year (%d archives, %lld races, %lld entries) into a fresh database: "
              "%.2f s, processor time %.2f s (goal: under %.0f s); database %.0f MB; peak memory %.1f MiB "
              "(limit %ld MiB)\n",
              kArchives, races, entries, first.wall_seconds, first.cpu_seconds, kFirstGoalSeconds,
              static_cast<double>(db_bytes) / 1e6, first.peak_kib / 1024.0, kMemoryLimitKib / 1024);
  std::printf("year_import: the same year again, all imported: %.2f s, processor time %.2f s (goal: under %.0f s)\n",
              second.wall_seconds, second.cpu_seconds, kSecondGoalSeconds);
  if (shell.ok && shell.wall_seconds > 0) {
    std::printf("year_import: sqlite3 shell, bare .import of the same %lld rows (program, result, payout; "
                "%.0f MB of CSV): %.2f s, processor time %.2f s\n",
                shell.rows, static_cast<double>(shell.csv_bytes) / 1e6, shell.wall_seconds, shell.cpu_seconds);
    std::printf("year_import: ratio import / sqlite3 .import = %.2f (goal: at most %.1f); "
                "of processor time %.2f\n",
                first.wall_seconds / shell.wall_seconds, kRatioGoal,
                shell.cpu_seconds > 0 ? first.cpu_seconds / shell.cpu_seconds : 0.0);
  }
  if (first.peak_kib < 0) {
    std::fprintf(stderr, "year_import: the peak memory could not be measured\n");
  } else if (first.peak_kib > kMemoryLimitKib) {
    std::fprintf(stderr, "year_import: peak memory %ld KiB is over the limit of %ld KiB\n", first.peak_kib,
                 kMemoryLimitKib);
    ok = false;
  }
  return ok ? 0 : 1;
}
