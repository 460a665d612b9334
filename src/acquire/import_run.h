// The import run: brings the database up to date for a range of days.
//
// For every day it gets the program and the result archive (from the
// download cache, downloading what is missing) and imports them, and it
// fetches the day's meeting information and, when asked, the race-day
// pages of every race of the day (race_day_pages.h); after the days it
// imports the
// racer period archives of the half-years the range touches.  It counts
// every outcome, collects failure lines, reports progress before every
// step and stops at the next report when the callback answers false.
// Runs wholly on the calling thread with its own database connection.
//
// A cached archive that cannot be extracted is removed and fetched again at
// once; a freshly fetched one that cannot is removed for the next run.  A
// result archive that still lacks stadiums is fetched again by every run
// until its day is 7 days before today; from then on it is imported as it
// stands and the log names the stadiums it lacks ("注意: 2024-03-25 若松:
// 成績未登録").
#ifndef WAKELORE_ACQUIRE_IMPORT_RUN_H_
#define WAKELORE_ACQUIRE_IMPORT_RUN_H_

#include <cstdint>
#include <functional>
#include <string>

namespace wakelore {

struct ImportOptions {
  std::wstring databasePath;
  std::wstring downloadFolder;  // root of the download cache
  int64_t fromDate = 0;         // seconds since 1970, local; either order
  int64_t toDate = 0;
  bool programs = false;        // B
  bool results = false;         // K
  bool meetings = false;        // G
  bool racerPeriods = false;    // R
  bool racePages = false;       // L: before-race page and odds pages of every race
  bool reimport = false;        // F: program and result archives again, and
                                // race-day pages of races whose final odds are stored
  int64_t referenceTime = 0;    // "now"; zero or negative means the clock
};

struct ImportStats {
  int32_t downloaded = 0;
  int32_t existing = 0;
  int32_t unavailable = 0;
  int32_t imported_files = 0;
  int32_t grade_days = 0;
  int32_t racer_files = 0;
  int32_t race_pages = 0;         // race-day pages requested (L)
  int32_t races_unavailable = 0;  // races with a page that gave nothing (L)
  bool cancelled = false;
  std::wstring error;  // why the run could not start
  std::wstring log;    // failure lines, then the list of unavailable files
};

// (done, total, text) -> false to stop.
using ImportProgress = std::function<bool(int32_t done, int32_t total, const std::wstring& text)>;

// Timing hooks, replaceable by tests: the run sleeps through `sleep`
// (500 ms after a downloaded archive, 300 ms after a meeting page or a
// race-day page).
struct ImportPacing {
  std::function<void(uint32_t milliseconds)> sleep;
};

// False only when the database could not be opened or prepared (stats.error
// says why); true otherwise, also when files failed or the run was cancelled.
[[nodiscard]] bool RunImport(const ImportOptions& options, ImportStats* stats, const ImportProgress& progress,
                             const ImportPacing* pacing = nullptr);

// The half-year index of a local date: 2 * year for January to June,
// 2 * year + 1 for July to December.
int32_t HalfYearIndex(int64_t date);

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_IMPORT_RUN_H_
