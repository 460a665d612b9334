#include "ui/before_race_task.h"

#include "acquire/archive_addresses.h"
#include "acquire/download_cache.h"
#include "platform/official_servers.h"
#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/path.h"
#include "ui/dialog_dates.h"
#include "web/race_address.h"
#include "web/race_pages.h"

namespace wakelore {
namespace {

// The pause between the two page fetches of one race, to spare the site.
constexpr uint32_t kPauseBetweenPagesMs = 300;

// Finds the race, taking the day's program first when it is not known.
// 0 with `outcome->stop` set when it cannot be had.
int64_t RaceIdWithProgram(DbManager* db, WebClient& client, const BeforeRaceRequest& request,
                          const BeforeRaceProgressFn& progress,
                          const BeforeRaceCancelledFn& cancelled, BeforeRaceOutcome* outcome) {
  const std::wstring date = DayText(request.day, L"-");
  int64_t race_id = FindRaceId(*db, date, request.stadiumId, request.raceNo);
  if (race_id != 0) return race_id;
  if (cancelled()) {
    outcome->stop = BeforeRaceStop::kCancelled;
    return 0;
  }
  progress(kFetchingProgramText);
  LocalTime local;
  if (!ToLocalTime(request.day, &local)) {
    outcome->stop = BeforeRaceStop::kNoSuchRace;
    return 0;
  }
  std::wstring folder =
      CacheYearFolder(JoinPath(request.downloadFolder, kProgramCacheFolder), local.year);
  std::wstring path = JoinPath(folder, ArchiveFileName(L'B', request.day));
  if (!EnsureDirectory(folder)) {
    outcome->stop = BeforeRaceStop::kProgramNotFetched;
    outcome->programError = L"ダウンロードフォルダを作れませんでした: " + folder;
    return 0;
  }
  if (!FetchProgramArchive(client, request.day, path)) {
    if (cancelled()) {
      outcome->stop = BeforeRaceStop::kCancelled;
      return 0;
    }
    outcome->stop = BeforeRaceStop::kProgramNotFetched;
    outcome->programError = client.message;
    return 0;
  }
  RaceFileImporter importer(db, false);
  ArchiveImportTally tally;
  if (!importer.ImportProgramArchive(path, &tally)) {
    outcome->stop = BeforeRaceStop::kProgramNotFetched;
    outcome->programError = importer.message();
    return 0;
  }
  race_id = FindRaceId(*db, date, request.stadiumId, request.raceNo);
  if (race_id == 0) outcome->stop = BeforeRaceStop::kNoSuchRace;
  return race_id;
}

// Where the task's progress stands before page `page` (0 the before-race
// page, then the five odds pages).
const wchar_t* PageStepText(int page) { return page == 0 ? kFetchingInfoText : kFetchingOddsText; }

}  // namespace

bool FetchProgramArchive(WebClient& client, int64_t day, const std::wstring& path) {
  client.message.clear();
  if (IsCachedArchive(path)) return true;
  const std::wstring url = ArchiveUrl(L'B', day);
  const std::wstring base = BaseUrlOf(ArchiveServerHost());
  if (url.empty() || url.compare(0, base.size(), base) != 0) {
    client.message = L"番組表のアドレスを作れませんでした。";
    return false;
  }
  std::string body;
  if (!FetchPageFrom(client, ArchiveServerHost(), url.substr(base.size()), &body)) return false;
  if (!WriteWholeFile(path, body)) {
    (void)DeleteFileAt(path);  // what is reported is that it could not be saved
    client.message = L"番組表をダウンロードフォルダに保存できませんでした。";
    return false;
  }
  if (!LooksLikeLzh(path)) {
    (void)DeleteFileAt(path);  // a leftover is refused as no archive next time too
    client.message = L"番組表のファイルではない応答でした(まだ公開されていない可能性があります)。";
    return false;
  }
  return true;
}

BeforeRaceOutcome RunBeforeRaceTask(const BeforeRaceRequest& request,
                                    const BeforeRaceProgressFn& progress,
                                    const BeforeRaceCancelledFn& cancelled) {
  BeforeRaceOutcome outcome;
  DbManager db;
  if (!db.OpenReadWrite(request.databasePath)) {
    outcome.stop = BeforeRaceStop::kDatabase;
    outcome.databaseError = db.LastError();
    return outcome;
  }
  WebClient client;
  int64_t race_id = RaceIdWithProgram(&db, client, request, progress, cancelled, &outcome);
  if (race_id == 0) return outcome;

  if (cancelled()) {
    outcome.stop = BeforeRaceStop::kCancelled;
    return outcome;
  }
  // The six pages with a pause between two requests; a stop asked for
  // between pages keeps what the pages fetched so far gave.
  progress(PageStepText(0));
  RacePageSet pages;
  int fetched = 0;
  bool complete = FetchRacePages(client, DayText(request.day, L"-"), request.stadiumId, request.raceNo,
                                 [&] {
                                   if (++fetched >= kRacePageCount) return true;
                                   SleepMs(kPauseBetweenPagesMs);
                                   if (cancelled()) return false;
                                   if (fetched == 1) progress(PageStepText(fetched));
                                   return true;
                                 },
                                 &pages);
  RaceSnapshot snapshot;
  ReadRaceSnapshot(pages, &snapshot);
  BeforeRaceOutcomeOf(snapshot, &outcome);
  SnapshotStoreOptions options;
  options.dayIsOver = request.day < LocalMidnightOf(NowSeconds());
  SnapshotStoreCounts counts;
  std::wstring message;
  if (!StoreRaceSnapshot(db, &message, race_id, snapshot, options, &counts)) {
    // One transaction: neither part reached the database.
    if (snapshot.hasBeforeInfo) outcome.infoStoreError = message;
    if (outcome.oddsFetched) outcome.oddsStoreError = message;
  }
  outcome.oddsCount = counts.totalRows;
  outcome.fetchedAt = counts.fetchedAt;
  outcome.betRows = counts.rows;
  outcome.betKept = counts.kept;
  if (!complete) outcome.stop = BeforeRaceStop::kCancelled;
  return outcome;
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
