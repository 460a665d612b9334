// The unattended /snapshot run: one snapshot, now, of the race-day pages
// (before-race information and the odds of all seven bet types) of one
// race, of every race of a stadium, or of every race of a day; meant for
// cron or a scheduled task every few minutes before the deadlines.
//
//   wakelore /snapshot DATABASE DAY STADIUM RACE LOG [DOWNLOAD_FOLDER]
//
// DAY is "%d-%d-%d" as /import reads it; STADIUM 1..24 or 0 (every stadium
// racing that day); RACE 1..12 or 0 (every race).  When the database holds
// none of the races asked for, the day's program archive is imported first
// (through the download cache, DOWNLOAD_FOLDER or the database's folder +
// "download").  The log, like /import's, is UTF-8 with a byte-order mark:
// the line "ok=1 elapsed_ms=… races=… snapshots=… odds_rows=… unavailable=…"
// and then the failure lines.  Exit codes: 0 done (also when pages were
// unavailable), 2 bad arguments (no log), 3 database unusable.
#ifndef WAKELORE_APP_BATCH_SNAPSHOT_H_
#define WAKELORE_APP_BATCH_SNAPSHOT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace wakelore {

// The arguments read: false when there are fewer than 7 elements, the day
// cannot be read, or the stadium or race is not a number in its range.
struct SnapshotArguments {
  std::wstring databasePath;
  int64_t day = 0;
  int stadiumId = 0;
  int raceNo = 0;
  std::wstring logPath;
  std::wstring downloadFolder;
};
bool ParseSnapshotArguments(const std::vector<std::wstring>& args, SnapshotArguments* parsed);

// args: program, "/snapshot", database, day, stadium, race, log
// [, download folder].  Returns the exit code.
int32_t RunBatchSnapshot(const std::vector<std::wstring>& args);

}  // namespace wakelore

#endif  // WAKELORE_APP_BATCH_SNAPSHOT_H_
