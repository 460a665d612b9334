// Workbook export against CSV export, in two parts of one run.
//
// 1. Speed and memory: 1,000,000 rows of the `combined` dataset from one
//    generated database, written once as CSV (UTF-8) and once as XLSX.
//    Goals: the XLSX export takes at most three times as long as the CSV
//    export, and its peak resident memory stays below 128 MiB.
// 2. Memory with many distinct texts: 400,000 rows of a 400-byte text of
//    their own, so the shared-strings table fills up (64 MiB) and later
//    texts are written inline.  Goal: peak memory still below 128 MiB.
// 3. Size: a month of `combined` (30 real-shaped days, made by
//    bench/make_year_archives.py from the official fixture day and imported
//    through the race file importer), exported as CSV and as XLSX, and the
//    same CSV converted to a workbook by LibreOffice (soffice --headless
//    --convert-to xlsx) in the same run.  Goal: our workbook is no larger
//    than LibreOffice's.
//
// Run from the source tree root (scripts/bench does); "xlsx_bench month"
// or "xlsx_bench distinct" runs that part alone.  The databases are
// kept in build/linux-release/bench-data/ for later runs.  Peak memory is
// read from /proc/self/status (VmHWM) after resetting it through
// /proc/self/clear_refs, so each export's figure is its own.  Processor time
// (all threads) is shown beside the elapsed time, which a busy machine
// stretches.  Exits 1 when an export fails or a goal is missed.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <string>

#include "db/db_manager.h"
#include "archive/race_file_importer.h"
#include "db/db_schema.h"
#include "output/dataset_sql.h"
#include "output/table_exporter.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using wakelore::Utf16ToUtf8;
using wakelore::Utf8ToUtf16;

constexpr int kRaces = 166667;  // six boats each: 1,000,002 rows
constexpr int kRows = 1000000;
const char* const kDataDir = "build/linux-release/bench-data";

// Races on consecutive days, 24 stadiums of 12 races a day, with entries,
// results and the three payouts the dataset shows.
const wchar_t kGenerate[] =
    L"BEGIN TRANSACTION;"
    L"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %RACES%)"
    L" INSERT INTO races(id, race_date, stadium_id, race_no, title, grade, distance, weather,"
    L" wind_direction, wind_condition, wind_speed, wave_height, deadline_time, series_title, day_label)"
    L" SELECT i + 1, date('2015-01-01', '+' || (i / 288) || ' days'), (i / 12) % 24 + 1, i % 12 + 1,"
    L" CASE i % 3 WHEN 0 THEN '一般戦' WHEN 1 THEN '予選' ELSE '優勝戦' END, '', 1800,"
    L" CASE i % 4 WHEN 0 THEN '晴' WHEN 1 THEN '曇り' WHEN 2 THEN '雨' ELSE '晴' END,"
    L" CASE i % 5 WHEN 0 THEN '北' WHEN 1 THEN '北西' WHEN 2 THEN '南' WHEN 3 THEN '東' ELSE '無風' END,"
    L" '追い風', i % 7, i % 5, printf('%02d:%02d', 10 + (i % 12) / 2, (i * 7) % 60),"
    L" CASE WHEN i % 50 = 0 THEN '開設70周年記念' ELSE 'ヴィーナスシリーズ第' || (i % 9 + 1) || '戦' END,"
    L" (i % 6 + 1) || '日目' FROM n WHERE i < %RACES%;"
    L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1600)"
    L" INSERT INTO racers(id, register_no, name, class_name, branch, age)"
    L" SELECT i, 3000 + i, CASE i % 8 WHEN 0 THEN '峰　' WHEN 1 THEN '毒島　' WHEN 2 THEN '石野　'"
    L" WHEN 3 THEN '白井　' WHEN 4 THEN '池田　' WHEN 5 THEN '馬場　' WHEN 6 THEN '平本　' ELSE '桐生　' END"
    L" || CASE i % 5 WHEN 0 THEN '竜太' WHEN 1 THEN '誠' WHEN 2 THEN '貴之' WHEN 3 THEN '英治' ELSE '順平' END,"
    L" 'A1', '福岡', 20 + i % 35 FROM n;"
    L"WITH f(x) AS (VALUES (1), (2), (3), (4), (5), (6))"
    L" INSERT INTO race_entries(id, race_id, frame_no, racer_id, class_name, branch, age, weight,"
    L" national_win_rate, national_quinella_rate, local_win_rate, local_quinella_rate, motor_no,"
    L" motor_quinella_rate, boat_no, boat_quinella_rate, current_results)"
    L" SELECT (r.id - 1) * 6 + x, r.id, x, (r.id * 7 + x * 13) % 1600 + 1,"
    L" CASE (r.id + x) % 4 WHEN 0 THEN 'A1' WHEN 1 THEN 'A2' WHEN 2 THEN 'B1' ELSE 'B2' END,"
    L" CASE (r.id + x) % 6 WHEN 0 THEN '福岡' WHEN 1 THEN '東京' WHEN 2 THEN '大阪' WHEN 3 THEN '愛知'"
    L" WHEN 4 THEN '群馬' ELSE '山口' END, 20 + (r.id + x) % 35, 50.0 + ((r.id * x) % 80) / 10.0,"
    L" 1 + ((r.id * 31 + x * 17) % 800) / 100.0, ((r.id * 13 + x) % 7000) / 100.0,"
    L" 1 + ((r.id * 29 + x * 7) % 800) / 100.0, ((r.id * 11 + x) % 7000) / 100.0,"
    L" (r.id + x) % 60 + 10, ((r.id * 3 + x) % 6000) / 100.0, (r.id * 7 + x) % 60 + 10,"
    L" ((r.id * 5 + x) % 6000) / 100.0,"
    L" CASE (r.id + x) % 3 WHEN 0 THEN '1 2 3 4' WHEN 1 THEN '５ 2 1' ELSE '' END"
    L" FROM races r CROSS JOIN f;"
    L"WITH f(x) AS (VALUES (1), (2), (3), (4), (5), (6))"
    L" INSERT INTO race_result_entries(race_id, finish_order, frame_no, register_no, racer_name,"
    L" exhibition_time, course_no, start_timing, race_time, finish_mark)"
    L" SELECT r.id, (x + r.id) % 6 + 1, x, 3000 + (r.id * 7 + x * 13) % 1600 + 1, '',"
    L" 6.5 + ((r.id + x) % 40) / 100.0, x, ((r.id * x) % 30) / 100.0 + 0.05,"
    L" printf('1.%02d.%d', 48 + (r.id + x) % 6, (r.id * x) % 10),"
    L" CASE WHEN (r.id + x) % 97 = 0 THEN 'F' ELSE printf('%02d', (x + r.id) % 6 + 1) END"
    L" FROM races r CROSS JOIN f;"
    L"INSERT INTO race_results(race_id, first_frame, second_frame, third_frame, winning_technique)"
    L" SELECT id, 1, 2, 3, CASE id % 5 WHEN 0 THEN '逃げ' WHEN 1 THEN '差し' WHEN 2 THEN 'まくり'"
    L" WHEN 3 THEN 'まくり差し' ELSE '抜き' END FROM races;"
    L"INSERT INTO odds(race_id, bet_type, combination, odds_value, popularity)"
    L" SELECT id, '単勝', '1', 100 + id % 900, 1 FROM races UNION ALL"
    L" SELECT id, '２連単', '1-2', 300 + id % 5000, 1 + id % 30 FROM races UNION ALL"
    L" SELECT id, '３連単', '1-2-3', 1000 + id % 90000, 1 + id % 120 FROM races;"
    L"COMMIT;";

std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

long ProcStatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

void ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

bool OpenDatabase(const std::wstring& path) {
  wakelore::DbManager db;
  if (wakelore::FileSizeOf(path) > 0 && db.OpenReadOnly(path)) {
    std::vector<wakelore::DbRow> rows;
    if (db.QueryRows(L"SELECT COUNT(*) AS n FROM race_entries", &rows) && rows.size() == 1 &&
        wakelore::DbRowValue(rows[0], L"n") == std::to_wstring(kRaces * 6)) {
      return true;
    }
    db.Close();
  }
  std::printf("generating %s ...\n", Utf16ToUtf8(path).c_str());
  std::fflush(stdout);
  (void)wakelore::DeleteFileAt(path);  // a scratch file of the bench; a leftover is harmless
  wakelore::DbManager rw;
  wakelore::DbSchema schema(rw);
  if (!schema.InitializeDatabase(path)) {
    std::fprintf(stderr, "xlsx_bench: %s\n", Utf16ToUtf8(schema.LastError()).c_str());
    return false;
  }
  if (!rw.Exec(Replace(kGenerate, L"%RACES%", std::to_wstring(kRaces)))) {
    std::fprintf(stderr, "xlsx_bench: %s\n", Utf16ToUtf8(rw.LastError()).c_str());
    return false;
  }
  return true;
}

struct Run {
  double seconds = 0;
  double cpu_seconds = 0;  // all threads of the process
  long peak_kib = 0;
  int64_t bytes = 0;
};

bool Export(const std::wstring& db_path, const std::wstring& sql, const std::wstring& out,
            wakelore::ExportFormat format, int64_t expected_rows, Run* run) {
  wakelore::DbManager db;
  if (!db.OpenReadOnly(db_path)) return false;
  ResetPeakMemory();
  wakelore::ExportResult result;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  const bool ok =
      wakelore::TableExporter::Export(db, sql, out, format, 0, L"結合データ", result, nullptr);
  run->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run->cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  run->peak_kib = ProcStatusKiB("VmHWM:");
  run->bytes = wakelore::FileSizeOf(out);
  if (!ok || (expected_rows >= 0 && result.rows != expected_rows)) {
    std::fprintf(stderr, "xlsx_bench: export failed after %lld rows: %s\n",
                 static_cast<long long>(result.rows), Utf16ToUtf8(result.error).c_str());
    return false;
  }
  return true;
}

constexpr int kMonthDays = 30;
const char* const kMonthArchives = "build/linux-release/bench-data/month";

// A month of real-shaped days (2022-09-01 to 2022-09-30) imported into a
// database of its own; made once and kept.
bool OpenMonthDatabase(const std::wstring& path) {
  const std::wstring done = path + L".complete";
  if (wakelore::PathExists(done) && wakelore::FileSizeOf(path) > 0) return true;
  const std::string generate = std::string("python3 bench/make_year_archives.py '") + kMonthArchives +
                               "' --start 2022-09-01 --days " + std::to_string(kMonthDays) +
                               " --jobs 2";
  if (std::system(generate.c_str()) != 0) {
    std::fprintf(stderr, "xlsx_bench: making the month's archives failed\n");
    return false;
  }
  (void)wakelore::DeleteFileAt(path);  // a scratch file of the bench; a leftover is harmless
  wakelore::DbManager db;
  wakelore::DbSchema schema(db);
  if (!schema.InitializeDatabase(path)) {
    std::fprintf(stderr, "xlsx_bench: %s\n", Utf16ToUtf8(schema.LastError()).c_str());
    return false;
  }
  wakelore::RaceFileImporter importer(&db, false);
  wakelore::ArchiveImportTally tally;
  const std::wstring root = Utf8ToUtf16(kMonthArchives);
  for (int day = 1; day <= kMonthDays; ++day) {
    wchar_t name[16];
    std::swprintf(name, 16, L"2209%02d.lzh", day);
    if (!importer.ImportProgramArchive(root + L"/guide/2022年/b" + name, &tally) ||
        !importer.ImportResultArchive(root + L"/Raceresults/2022年/k" + name, &tally)) {
      std::fprintf(stderr, "xlsx_bench: import failed: %s\n", Utf16ToUtf8(importer.message()).c_str());
      return false;
    }
  }
  db.Close();
  return wakelore::WriteWholeFile(done, "");
}

// LibreOffice's own workbook of `csv` (UTF-8 with comma and double quote),
// written into `folder`; its size, or -1.  Also gives the elapsed time.
int64_t LibreOfficeWorkbook(const std::string& csv_path, const std::string& folder_path,
                            double* seconds) {
  // LibreOffice takes its profile as a file URL, which needs an absolute path.
  const std::string csv = std::filesystem::absolute(csv_path).string();
  const std::string folder = std::filesystem::absolute(folder_path).string();
  const std::string profile = folder + "/lo-profile";
  const std::string command = "HOME='" + folder + "/lo-home' soffice --headless --norestore "
                              "'-env:UserInstallation=file://" + profile + "' "
                              "--infilter=CSV:44,34,76,1 --convert-to xlsx --outdir '" + folder +
                              "/lo' '" + csv + "' > '" + folder + "/lo.log' 2>&1";
  const auto start = std::chrono::steady_clock::now();
  const int rc = std::system(command.c_str());
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (rc != 0) return -1;
  std::string name = csv.substr(csv.rfind('/') + 1);
  name = name.substr(0, name.rfind('.')) + ".xlsx";
  return wakelore::FileSizeOf(Utf8ToUtf16(folder + "/lo/" + name));
}

void Print(const char* what, const Run& run) {
  std::printf("%s: %7.2f s (processor %7.2f s)  %6ld KiB peak  %11lld bytes\n", what, run.seconds,
              run.cpu_seconds, run.peak_kib, static_cast<long long>(run.bytes));
  std::fflush(stdout);
}

// The month's workbook against LibreOffice's; true when the goal is met.
bool CompareMonth(const std::wstring& dir) {
  const std::wstring db_path = dir + L"/month.db";
  if (!OpenMonthDatabase(db_path)) return false;
  const std::wstring sql =
      wakelore::BuildDatasetSql(L"combined", L"2022-09-01", L"2022-09-30", 0, 0);
  const std::wstring csv = dir + L"/month_combined.csv";
  const std::wstring xlsx = dir + L"/month_combined.xlsx";
  Run csv_run, xlsx_run;
  if (!Export(db_path, sql, csv, wakelore::ExportFormat::CsvUtf8, -1, &csv_run)) return false;
  Print("month csv ", csv_run);
  if (!Export(db_path, sql, xlsx, wakelore::ExportFormat::Xlsx, -1, &xlsx_run)) return false;
  Print("month xlsx", xlsx_run);
  double lo_seconds = 0;
  const int64_t lo_bytes = LibreOfficeWorkbook(Utf16ToUtf8(csv), Utf16ToUtf8(dir), &lo_seconds);
  if (lo_bytes <= 0) {
    std::fprintf(stderr, "xlsx_bench: LibreOffice did not convert the month's CSV (see %s/lo.log)\n",
                 Utf16ToUtf8(dir).c_str());
    return false;
  }
  std::printf("month xlsx by LibreOffice: %7.2f s  %11lld bytes\n", lo_seconds,
              static_cast<long long>(lo_bytes));
  const double size_ratio = static_cast<double>(xlsx_run.bytes) / static_cast<double>(lo_bytes);
  const bool ok = size_ratio <= 1.0;
  std::printf("month workbook size against LibreOffice's %.3f (goal <= 1.000): %s\n", size_ratio,
              ok ? "met" : "MISSED");
  std::printf("month xlsx/csv time %.2f, peak memory csv %.1f MiB, xlsx %.1f MiB\n",
              xlsx_run.seconds / csv_run.seconds, csv_run.peak_kib / 1024.0,
              xlsx_run.peak_kib / 1024.0);
  (void)wakelore::DeleteFileAt(csv);  // a scratch file of the bench; a leftover is harmless
  (void)wakelore::DeleteFileAt(xlsx);  // a scratch file of the bench; a leftover is harmless
  return ok;
}

}  // namespace

// A workbook of texts that never repeat; true when its peak memory stays
// below the goal.
bool DistinctTexts(const std::wstring& dir) {
  const int rows = 400000;
  const std::wstring sql =
      L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_wstring(rows) +
      L") SELECT i AS n, substr(replace(hex(zeroblob(200)), '00', printf('%08d', i)), 1, 400) AS t"
      L" FROM n";
  const std::wstring xlsx = dir + L"/distinct.xlsx";
  Run run;
  if (!Export(dir + L"/month.db", sql, xlsx, wakelore::ExportFormat::Xlsx, rows, &run)) return false;
  Print("distinct texts xlsx", run);
  (void)wakelore::DeleteFileAt(xlsx);  // a scratch file of the bench; a leftover is harmless
  const bool ok = run.peak_kib >= 0 && run.peak_kib < 128 * 1024;
  std::printf("peak memory with %d distinct 400-byte texts %.1f MiB (goal < 128): %s\n", rows,
              run.peak_kib / 1024.0, ok ? "met" : "MISSED");
  return ok;
}

int main(int argc, char** argv) {
  const std::wstring dir = Utf8ToUtf16(kDataDir);
  (void)wakelore::CreateOneDirectory(dir, nullptr);  // an existing folder is fine; writes there fail loudly
  const std::string only = argc > 1 ? argv[1] : "";
  if (only == "month") return CompareMonth(dir) ? 0 : 1;
  if (only == "distinct") return OpenMonthDatabase(dir + L"/month.db") && DistinctTexts(dir) ? 0 : 1;
  const std::wstring db_path = dir + L"/combined.db";
  if (!OpenDatabase(db_path)) return 1;
  const std::wstring sql =
      wakelore::BuildDatasetSql(L"combined", L"2000-01-01", L"2099-12-31", 0, kRows);
  const std::wstring csv = dir + L"/combined.csv";
  const std::wstring xlsx = dir + L"/combined.xlsx";

  Run csv_run, xlsx_run;
  if (!Export(db_path, sql, csv, wakelore::ExportFormat::CsvUtf8, kRows, &csv_run)) return 1;
  Print("csv ", csv_run);
  if (!Export(db_path, sql, xlsx, wakelore::ExportFormat::Xlsx, kRows, &xlsx_run)) return 1;
  Print("xlsx", xlsx_run);
  (void)wakelore::DeleteFileAt(csv);
  (void)wakelore::DeleteFileAt(xlsx);

  const double ratio = xlsx_run.seconds / csv_run.seconds;
  const bool time_ok = ratio <= 3.0;
  const bool memory_ok = xlsx_run.peak_kib >= 0 && xlsx_run.peak_kib < 128 * 1024;
  std::printf("xlsx/csv time %.2f (goal <= 3.00): %s\n", ratio, time_ok ? "met" : "MISSED");
  std::printf("peak memory csv %.1f MiB, xlsx %.1f MiB (goal < 128): %s\n",
              csv_run.peak_kib / 1024.0, xlsx_run.peak_kib / 1024.0, memory_ok ? "met" : "MISSED");
  std::fflush(stdout);

  const bool size_ok = CompareMonth(dir);
  const bool distinct_ok = DistinctTexts(dir);
  return time_ok && memory_ok && size_ok && distinct_ok ? 0 : 1;
}
