// The import status of section ①: which days and periods the database
// holds, read on the dialog's connection.
#ifndef WAKELORE_UI_IMPORT_STATUS_H_
#define WAKELORE_UI_IMPORT_STATUS_H_

#include <string>

#include "db/db_manager.h"

namespace wakelore {

// The two-line text of ImportStatusText (status_texts.h) from four queries:
// the days with a program (a race with an entry that has a class), the days
// with a result, the days of meeting information, and the latest racer
// period.  A query that fails (also when `db` is not open) counts as "なし".
std::wstring ImportStatusOf(DbManager* db);

}  // namespace wakelore

#endif  // WAKELORE_UI_IMPORT_STATUS_H_
