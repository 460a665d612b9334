#include "app/batch_snapshot.h"

#include "acquire/day_program.h"
#include "acquire/race_day_pages.h"
#include "app/batch_runs.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/format.h"
#include "web/web_client.h"

namespace wakelore {

namespace {

// A decimal number from `low` to `high`, nothing else.
bool ReadNumber(const std::wstring& text, int low, int high, int* value) {
  if (text.empty() || text.size() > 2) return false;
  int n = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    n = n * 10 + (c - L'0');
  }
  if (n < low || n > high) return false;
  *value = n;
  return true;
}

}  // namespace

bool ParseSnapshotArguments(const std::vector<std::wstring>& args, SnapshotArguments* parsed) {
  if (args.size() < 7) return false;
  *parsed = SnapshotArguments();
  parsed->databasePath = args[2];
  if (!ParseBatchDate(args[3], &parsed->day)) return false;
  if (!ReadNumber(args[4], 0, 24, &parsed->stadiumId) || !ReadNumber(args[5], 0, 12, &parsed->raceNo)) return false;
  parsed->logPath = args[6];
  if (args.size() > 7 && !args[7].empty()) {
    parsed->downloadFolder = args[7];
  } else {
    parsed->downloadFolder = DefaultDownloadFolder(args[2]);
  }
  return true;
}

int32_t RunBatchSnapshot(const std::vector<std::wstring>& args) {
  SnapshotArguments parsed;
  if (!ParseSnapshotArguments(args, &parsed)) return 2;
  const uint32_t started = TickCountMs();

  DbManager db;
  {
    DbSchema schema(db);
    if (!schema.InitializeDatabase(parsed.databasePath)) {
      WriteBatchLog(parsed.logPath, Format(L"ok=0 elapsed_ms=%u races=0 snapshots=0 odds_rows=0 unavailable=0\r\n",
                                           TickCountMs() - started) +
                                        L"データベースを開けません: " + schema.LastError());
      return 3;
    }
  }
  const std::wstring date = LocalDateText(parsed.day);
  std::wstring log;
  std::vector<DayRace> races = RacesOfDay(db, date, parsed.stadiumId, parsed.raceNo);
  if (races.empty()) {
    std::wstring message;
    if (ImportDayProgram(db, parsed.downloadFolder, parsed.day, &message)) {
      races = RacesOfDay(db, date, parsed.stadiumId, parsed.raceNo);
    } else {
      log += Format(L"番組表の取込失敗: %s %s\r\n", date, message);
    }
    if (races.empty()) log += Format(L"該当するレースが番組表にありません: %s\r\n", date);
  }

  WebClient client;
  RaceDayPagesOptions options;
  options.today = LocalMidnightOf(NowSeconds());
  RaceDayPagesStats stats;
  TakeRaceDayPages(db, client, date, races, options, RaceDayPagesHooks(), &stats);
  db.Close();

  log += stats.log;
  if (!stats.missing.empty()) {
    log += L"直前情報・オッズが揃わなかったレース(中止・未発売・通信エラー):\r\n" + stats.missing;
    if (stats.unavailable > stats.missingLines) {
      log += Format(L"  ほか %d 件\r\n", stats.unavailable - stats.missingLines);
    }
  }
  WriteBatchLog(parsed.logPath, Format(L"ok=1 elapsed_ms=%u races=%d snapshots=%d odds_rows=%d unavailable=%d\r\n",
                                       TickCountMs() - started, stats.races, stats.snapshots, stats.oddsRows,
                                       stats.unavailable) +
                                    log);
  return 0;
}

}  // namespace wakelore
