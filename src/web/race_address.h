// How one race (day, stadium, race number) is addressed: its pages on the
// official race web site and its row in the database.
#ifndef WAKELORE_WEB_RACE_ADDRESS_H_
#define WAKELORE_WEB_RACE_ADDRESS_H_

#include <cstdint>
#include <string>

#include "db/db_manager.h"

namespace wakelore {

// The path and query of a race page: "/owpc/pc/race/<page>?rno=<race_no>
// &jcd=<stadium, two digits>&hd=<date without '-'>", for the page names
// "beforeinfo" and "odds3t".  `date_text` is "YYYY-MM-DD".
std::wstring RacePagePath(const char* page, const std::wstring& date_text, int stadium_id, int race_no);

// The id of the race of `date_text` ("YYYY-MM-DD"), stadium 1..24 and race
// 1..12 in `db`, or 0 when there is no such race (or the query failed; then
// db.LastError() says why).  Reads only.
int64_t FindRaceId(DbManager& db, const std::wstring& date_text, int stadium_id, int race_no);

}  // namespace wakelore

#endif  // WAKELORE_WEB_RACE_ADDRESS_H_
