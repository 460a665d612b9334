// Day arithmetic of the main dialog: the default dates of its pickers and
// the texts it forms from picker days.  Days are 64-bit times (seconds since
// 1970) at local midnight, as the pickers hand them over.
#ifndef WAKELORE_UI_DIALOG_DATES_H_
#define WAKELORE_UI_DIALOG_DATES_H_

#include <cstdint>
#include <string>

namespace wakelore {

// Reads a date text from the database as three numbers "%d-%d-%d" (scanf
// rules: leading blanks and a sign allowed, trailing text ignored) and
// accepts it when year > 1989, month > 0 and day > 0.  On success stores the
// local midnight of that day in `*midnight`.
[[nodiscard]] bool ReadAcceptedDate(const std::wstring& text, int64_t* midnight);

struct DialogDefaultDates {
  int64_t importFrom = 0;
  int64_t importTo = 0;
  int64_t beforeRaceDate = 0;
  int64_t exportFrom = 0;
  int64_t exportTo = 0;
};

// The pickers' dates when the dialog opens.  `today` is the local midnight of
// the current day; the texts are what the database reports as the latest
// result day and the latest program day (empty when there is none).
//   import from: the day after the latest result day, but not after today;
//                today - 30 days without an accepted date;
//   import to, before-race date: today;
//   export to: the latest program day when accepted and before today, else
//              today; export from: export to - 30 days.
DialogDefaultDates DefaultDates(int64_t today, const std::wstring& latest_result_date,
                                const std::wstring& latest_program_date);

// What the dialog knows when an import has ended.  Days are local
// midnights; the import's pickers may be in either order.
struct AfterImportFacts {
  int64_t importFrom = 0;
  int64_t importTo = 0;
  bool importPeriodHasData = false;  // races stored within the import period
  bool exportPeriodHasData = false;  // races stored within the export period
  bool beforeRaceDateHasRace = false;
  std::wstring lastProgramDay;  // latest day with a program in the import period, or empty
};

// Which pickers move after an import, so that what was just imported can be
// previewed and fetched at once:
//   the export period becomes the import period (earlier day first) when it
//   holds no data and the import period does;
//   the before-race date becomes the last program day imported (when that
//   is an accepted date) when it holds no race.
struct DatesAfterImport {
  bool moveExport = false;
  int64_t exportFrom = 0;
  int64_t exportTo = 0;
  bool moveBeforeRace = false;
  int64_t beforeRaceDate = 0;
};
DatesAfterImport DatesAfterImportOf(const AfterImportFacts& facts);

// A day formatted with a separator between year, month and day:
// DayText(t, L"-") = "2024-03-01", L"/" gives "2024/03/01", L"" "20240301".
// Empty when the time cannot be converted.
std::wstring DayText(int64_t seconds, const std::wstring& separator);

}  // namespace wakelore

#endif  // WAKELORE_UI_DIALOG_DATES_H_
