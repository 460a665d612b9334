#include "acquire/day_program.h"

#include "acquire/archive_addresses.h"
#include "acquire/download_cache.h"
#include "archive/race_file_importer.h"
#include "platform/clock.h"

namespace wakelore {

bool ImportDayProgram(DbManager& db, const std::wstring& download_folder, int64_t day, std::wstring* message) {
  LocalTime local;
  if (!ToLocalTime(day, &local)) {
    *message = L"番組表を取得できませんでした。";
    return false;
  }
  const std::wstring folder = CacheYearFolder(JoinPath(download_folder, kProgramCacheFolder), local.year);
  const std::wstring path = JoinPath(folder, ArchiveFileName(L'B', day));
  std::wstring outcome;
  if (!DownloadToCache(ArchiveUrl(L'B', day), path, &outcome)) {
    *message = L"番組表を取得できませんでした。";
    return false;
  }
  RaceFileImporter importer(&db, false);
  ArchiveImportTally tally;
  if (!importer.ImportProgramArchive(path, &tally)) {
    *message = importer.message();
    return false;
  }
  return true;
}

}  // namespace wakelore
