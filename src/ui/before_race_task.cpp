#include "ui/before_race_task.h"

#include "acquire/archive_addresses.h"
#include "acquire/download_cache.h"
#include "acquire/official_servers.h"
#include "app/data_folder.h"
#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "ui/dialog_dates.h"
#include "web/before_race.h"
#include "web/race_address.h"
#include "web/trifecta_odds.h"

namespace wakelore {
namespace {

// The pause between the two page fetches of one race, to spare the site.
constexpr uint32_t kPauseBetweenPagesMs = 300;

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

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

// The parts fetched for a known race, in order.  Each fetches one page,
// stores what it got and records the result in the outcome.
void FetchInfoPart(DbManager* db, WebClient& client, const BeforeRaceRequest& request,
                   int64_t race_id, BeforeRaceOutcome* outcome) {
  const std::wstring date = DayText(request.day, L"-");
  BeforeRaceInfo info;
  if (!FetchBeforeInfo(client, date, request.stadiumId, request.raceNo, &info)) {
    outcome->infoError = client.message;
    return;
  }
  outcome->infoFetched = true;
  outcome->hasExhibition = info.hasExhibition;
  outcome->hasWeather = info.hasWeather;
  std::wstring message;
  if (!StoreBeforeRace(*db, &message, race_id, info)) outcome->infoStoreError = message;
}

void FetchOddsPart(DbManager* db, WebClient& client, const BeforeRaceRequest& request,
                   int64_t race_id, BeforeRaceOutcome* outcome) {
  const std::wstring date = DayText(request.day, L"-");
  TrifectaOdds odds;
  if (!FetchTrifectaOdds(client, date, request.stadiumId, request.raceNo, &odds)) {
    outcome->oddsError = client.message;
    return;
  }
  outcome->oddsFetched = true;
  outcome->oddsCount = static_cast<int>(odds.size());
  std::wstring message, fetched_at;
  if (StoreLiveOdds(*db, &message, race_id, L"3連単", odds, &fetched_at)) {
    outcome->fetchedAt = fetched_at;
  } else {
    outcome->oddsStoreError = message;
  }
}

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
  std::wstring folder = FolderOf(path);
  if (!folder.empty()) EnsureDirectory(folder);
  if (!WriteWholeFile(path, body)) {
    DeleteFileAt(path);
    client.message = L"番組表をダウンロードフォルダに保存できませんでした。";
    return false;
  }
  if (!LooksLikeLzh(path)) {
    DeleteFileAt(path);
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
  progress(kFetchingInfoText);
  FetchInfoPart(&db, client, request, race_id, &outcome);
  SleepMs(kPauseBetweenPagesMs);
  if (cancelled()) {
    outcome.stop = BeforeRaceStop::kCancelled;
    return outcome;
  }
  progress(kFetchingOddsText);
  FetchOddsPart(&db, client, request, race_id, &outcome);
  return outcome;
}

}  // namespace wakelore
