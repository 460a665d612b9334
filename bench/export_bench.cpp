// Export speed and memory: the "result" dataset of a generated database of
// 1,000,000 result rows written as CSV UTF-8 by TableExporter, against the
// sqlite3 command-line shell writing the same statement in its csv mode to
// a file, in the same run.  Run from the source tree root (scripts/bench
// does); the database is kept in build/linux-release/bench-data/.
//
// Each export runs in a child process (this program with --child) that
// reports its own peak resident set, so the memory figure is the export's
// alone; it is taken for 100,000 and for 1,000,000 rows to show that it
// does not grow with the row count.  Exits 1 when an export fails or
// writes the wrong number of rows.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "db/db_manager.h"
#include "db/db_schema.h"
#include "output/dataset_sql.h"
#include "output/table_exporter.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using wakelore::Utf16ToUtf8;
using wakelore::Utf8ToUtf16;

constexpr int64_t kRows = 1000000;
constexpr int kRounds = 3;
const char* const kDataDir = "build/linux-release/bench-data";

std::wstring ResultSql() {
  return wakelore::BuildDatasetSql(L"result", L"2000-01-01", L"2099-12-31", 0, 0);
}

// The peak resident set of this process in KiB (Linux), or -1.
long PeakRssKib() {
  std::string status;
  std::wstring error;
  if (!wakelore::ReadWholeFile(L"/proc/self/status", &status, &error, 1 << 20)) return -1;
  size_t at = status.find("VmHWM:");
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

// Child: export `limit` rows of the dataset and print "rows peak_kib".
int Child(const char* db_path, const char* out_path, const char* limit_text) {
  wakelore::DbManager db;
  if (!db.OpenReadOnly(Utf8ToUtf16(db_path))) return 2;
  wakelore::ExportResult result;
  if (!wakelore::TableExporter::Export(db, ResultSql(), Utf8ToUtf16(out_path),
                                       wakelore::ExportFormat::CsvUtf8, std::atoll(limit_text), L"",
                                       result, nullptr)) {
    std::fprintf(stderr, "export_bench: %s\n", Utf16ToUtf8(result.error).c_str());
    return 3;
  }
  std::printf("%lld %ld\n", static_cast<long long>(result.rows), PeakRssKib());
  return 0;
}

bool MakeDatabase(const std::string& path) {
  std::printf("export_bench: generating %lld result rows (once)...\n", static_cast<long long>(kRows));
  std::fflush(stdout);
  wakelore::DbManager db;
  wakelore::DbSchema schema(db);
  if (!schema.InitializeDatabase(Utf8ToUtf16(path))) return false;
  const int64_t races = (kRows + 5) / 6;
  const std::wstring sql =
      L"PRAGMA synchronous = OFF; BEGIN;"
      L"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_wstring(races - 1) +
      L") INSERT INTO races (id, race_date, stadium_id, race_no, title, distance, weather, "
      L"wind_direction, wind_speed, wave_height, series_title, day_label) "
      L"SELECT i + 1, date('2015-01-01', '+' || (i / 288) || ' days'), (i / 12) % 24 + 1, i % 12 + 1, "
      L"'予選', 1800, '晴', '北西', 3, 2, CASE i % 5 WHEN 0 THEN '開設６０周年記念競走' WHEN 1 THEN "
      L"'ボートレースクラシック' WHEN 2 THEN 'オールレディース' ELSE '一般戦 第' || (i % 40) || '回' END, "
      L"'初日' FROM n;"
      L"INSERT INTO race_results (race_id, winning_technique) SELECT id, CASE id % 3 WHEN 0 THEN '逃げ' "
      L"WHEN 1 THEN 'まくり' ELSE '差し' END FROM races;"
      L"WITH RECURSIVE f(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM f WHERE k < 6) "
      L"INSERT INTO race_result_entries (race_id, finish_order, frame_no, register_no, racer_name, "
      L"motor_no, boat_no, exhibition_time, course_no, start_timing, race_time, finish_mark) "
      L"SELECT r.id, f.k, (f.k + r.id) % 6 + 1, CAST(4000 + (r.id * 7 + f.k) % 1500 AS TEXT), "
      L"'峰　竜太' || f.k, CAST(10 + r.id % 60 AS TEXT), CAST(20 + r.id % 50 AS TEXT), 6.7 + f.k / 100.0, "
      L"f.k, 0.1 + f.k / 100.0, '1.4' || f.k || '.' || (r.id % 10), CASE WHEN f.k = 6 AND r.id % 50 = 0 "
      L"THEN 'Ｆ' ELSE '0' || f.k END FROM races r, f WHERE (r.id - 1) * 6 + f.k <= " +
      std::to_wstring(kRows) + L";"
      L"INSERT INTO stadium_days (race_date, stadium_id, grade, category, time_zone, series_title) "
      L"SELECT DISTINCT race_date, stadium_id, 'G1', '', 'ナイター', '公式の開催名' FROM races WHERE "
      L"stadium_id % 2 = 0;"
      L"COMMIT;";
  if (!db.Exec(sql)) {
    std::fprintf(stderr, "export_bench: %s\n", Utf16ToUtf8(db.LastError()).c_str());
    return false;
  }
  return true;
}

// Runs `command` (its standard output into `*output` when given) and
// returns the elapsed wall time; ends the program when the command fails.
double SecondsOf(const std::string& command, std::string* output = nullptr) {
  const std::string capture = std::string(kDataDir) + "/export_bench_output.txt";
  auto start = std::chrono::steady_clock::now();
  int rc = std::system((command + " > " + capture).c_str());
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (rc != 0) {
    std::fprintf(stderr, "export_bench: '%s' failed (%d)\n", command.c_str(), rc);
    std::exit(1);
  }
  if (output) {
    std::wstring error;
    output->clear();
    // Not checked: an unreadable capture leaves the output empty, which the caller reports.
    (void)wakelore::ReadWholeFile(Utf8ToUtf16(capture), output, &error, 1 << 20);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0) return Child(argv[2], argv[3], argv[4]);

  const std::string dir = kDataDir;
  const std::string db_path = dir + "/export_bench_v1.db";
  const std::string ours_out = dir + "/export_ours.csv";
  const std::string shell_out = dir + "/export_shell.csv";
  if (!wakelore::PathExists(Utf8ToUtf16(db_path))) {
    std::system(("mkdir -p " + dir).c_str());
    if (!MakeDatabase(db_path + ".tmp") ||
        std::system(("mv " + db_path + ".tmp " + db_path).c_str()) != 0) {
      return 1;
    }
  }
  const std::string script_path = dir + "/export_shell.sql";
  const std::string script = ".headers on\n.mode csv\n.once " + shell_out + "\n" +
                             Utf16ToUtf8(ResultSql()) + ";\n";
  if (!wakelore::WriteWholeFile(Utf8ToUtf16(script_path), script)) return 1;

  const std::string self = Utf16ToUtf8(wakelore::ProgramFilePath());
  auto ours_command = [&](int64_t limit) {
    return self + " --child " + db_path + " " + ours_out + " " + std::to_string(limit);
  };
  // Warm the page cache once for both.
  SecondsOf("cat " + db_path + " >/dev/null");

  double ours = 1e9;
  double theirs = 1e9;
  long peak_full = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::string report;
    ours = std::min(ours, SecondsOf(ours_command(0), &report));
    long long rows = 0;
    long peak = 0;
    if (std::sscanf(report.c_str(), "%lld %ld", &rows, &peak) != 2 || rows != kRows) {
      std::fprintf(stderr, "export_bench: exported %lld rows, expected %lld\n", rows,
                   static_cast<long long>(kRows));
      return 1;
    }
    peak_full = std::max(peak_full, peak);
    theirs = std::min(theirs, SecondsOf("sqlite3 " + db_path + " < " + script_path));
  }
  std::string report;
  SecondsOf(ours_command(kRows / 10), &report);
  long long rows_small = 0;
  long peak_small = 0;
  std::sscanf(report.c_str(), "%lld %ld", &rows_small, &peak_small);

  SecondsOf(ours_command(0));
  const int64_t ours_full_size = wakelore::FileSizeOf(Utf8ToUtf16(ours_out));
  const int64_t shell_size = wakelore::FileSizeOf(Utf8ToUtf16(shell_out));
  std::printf("export_bench: %lld rows of \"result\", CSV UTF-8: %.1f MiB (sqlite3 shell: %.1f MiB)\n",
              static_cast<long long>(kRows), static_cast<double>(ours_full_size) / (1 << 20),
              static_cast<double>(shell_size) / (1 << 20));
  std::printf("export_bench: TableExporter  %.3f s (best of %d, child process)\n", ours, kRounds);
  std::printf("export_bench: sqlite3 -csv   %.3f s (best of %d)\n", theirs, kRounds);
  std::printf("export_bench: time ratio %.2f (goal: at most 1.20)\n", ours / theirs);
  std::printf("export_bench: peak resident set %.1f MiB for %lld rows, %.1f MiB for %lld rows "
              "(goal: under 32 MiB)\n",
              peak_small / 1024.0, rows_small, peak_full / 1024.0, static_cast<long long>(kRows));
  return 0;
}
