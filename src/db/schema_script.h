// The fixed texts that lay out a database file.
//
// SchemaScript creates the fifteen base tables and the fifteen indexes (30
// statements, every one "IF NOT EXISTS", so running it on a current file
// changes nothing).  Columns added by later versions are not in it: they are
// appended by DbSchema's migrations, and stadium_days is created after them.
#ifndef WAKELORE_DB_SCHEMA_SCRIPT_H_
#define WAKELORE_DB_SCHEMA_SCRIPT_H_

#include <string>

namespace wakelore {

// The 30 statements, in order, as one script for DbManager::Exec.
const std::wstring& SchemaScript();

// The definitions of data_files, racer_period_stats and
// racer_period_course_stats, identical to those in SchemaScript (the racer
// period importer runs them again before it writes).
const std::wstring& RacerPeriodTablesScript();

// The definition of stadium_days (meeting information per stadium and day).
const std::wstring& StadiumDaysScript();

}  // namespace wakelore

#endif  // WAKELORE_DB_SCHEMA_SCRIPT_H_
