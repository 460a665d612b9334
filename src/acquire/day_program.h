// The program archive of one day, taken into the database on demand: what
// the commands that work on single races (the before-race command,
// /snapshot) do when the race is not known yet.
#ifndef WAKELORE_ACQUIRE_DAY_PROGRAM_H_
#define WAKELORE_ACQUIRE_DAY_PROGRAM_H_

#include <cstdint>
#include <string>

#include "db/db_manager.h"

namespace wakelore {

// Gets the program archive of `day` (local midnight) from the download
// cache below `download_folder` (downloading it when it is not cached) and
// imports it on `db`.  False with `*message` set when the archive could not
// be obtained ("番組表を取得できませんでした。") or imported (the importer's
// message).
bool ImportDayProgram(DbManager& db, const std::wstring& download_folder, int64_t day, std::wstring* message);

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_DAY_PROGRAM_H_
