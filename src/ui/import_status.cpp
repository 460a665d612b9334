#include "ui/import_status.h"

#include <vector>

#include "ui/dialog_backend.h"
#include "ui/status_texts.h"

namespace wakelore {
namespace {

const wchar_t kProgramDays[] =
    L"SELECT MIN(r.race_date) AS min_date, MAX(r.race_date) AS max_date FROM races r WHERE "
    L"EXISTS (SELECT 1 FROM race_entries e WHERE e.race_id = r.id AND e.class_name IS NOT "
    L"NULL);";
const wchar_t kResultDays[] =
    L"SELECT MIN(r.race_date) AS min_date, MAX(r.race_date) AS max_date FROM races r JOIN "
    L"race_results rr ON rr.race_id = r.id;";
const wchar_t kMeetingDays[] =
    L"SELECT MIN(race_date) AS min_date, MAX(race_date) AS max_date FROM stadium_days;";

std::wstring RangeOf(DbManager* db, const wchar_t* sql) {
  std::vector<DbRow> rows;
  bool ok = db->IsOpen() && db->QueryRows(sql, &rows) && !rows.empty();
  return DateRangeText(ok, ok ? DbRowValue(rows[0], L"min_date") : L"",
                       ok ? DbRowValue(rows[0], L"max_date") : L"");
}

}  // namespace

std::wstring ImportStatusOf(DbManager* db) {
  int year = 0, term = 0;
  bool found = LatestRacerPeriodOf(db, &year, &term);
  return ImportStatusText(RangeOf(db, kProgramDays), RangeOf(db, kResultDays),
                          RangeOf(db, kMeetingDays), RacerPeriodText(found, year, term));
}

}  // namespace wakelore
