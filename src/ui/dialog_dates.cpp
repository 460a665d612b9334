#include "ui/dialog_dates.h"

#include <cwctype>

#include "platform/clock.h"
#include "platform/format.h"

namespace wakelore {
namespace {

// One "%d" of scanf: blanks, an optional sign, at least one digit.
bool ScanInt(const std::wstring& text, size_t* pos, int* value) {
  size_t i = *pos;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  size_t digits = i;
  int64_t number = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    if (number < 100000000) number = number * 10 + (text[i] - L'0');
    ++i;
  }
  if (i == digits) return false;
  *value = static_cast<int>(negative ? -number : number);
  *pos = i;
  return true;
}

}  // namespace

bool ReadAcceptedDate(const std::wstring& text, int64_t* midnight) {
  size_t pos = 0;
  int year = 0, month = 0, day = 0;
  if (!ScanInt(text, &pos, &year)) return false;
  if (pos >= text.size() || text[pos] != L'-') return false;
  ++pos;
  if (!ScanInt(text, &pos, &month)) return false;
  if (pos >= text.size() || text[pos] != L'-') return false;
  ++pos;
  if (!ScanInt(text, &pos, &day)) return false;
  if (year <= 1989 || month <= 0 || day <= 0) return false;
  LocalTime local;
  local.year = year;
  local.month = month;
  local.day = day;
  int64_t seconds = 0;
  if (!FromLocalTime(local, &seconds)) return false;
  *midnight = LocalMidnightOf(seconds);
  return true;
}

DialogDefaultDates DefaultDates(int64_t today, const std::wstring& latest_result_date,
                                const std::wstring& latest_program_date) {
  DialogDefaultDates dates;
  int64_t day = 0;
  if (ReadAcceptedDate(latest_result_date, &day)) {
    dates.importFrom = AddCalendarDays(day, 1);
    if (dates.importFrom > today) dates.importFrom = today;
  } else {
    dates.importFrom = AddCalendarDays(today, -30);
  }
  dates.importTo = today;
  dates.beforeRaceDate = today;
  dates.exportTo = today;
  if (ReadAcceptedDate(latest_program_date, &day) && day < today) dates.exportTo = day;
  dates.exportFrom = AddCalendarDays(dates.exportTo, -30);
  return dates;
}

DatesAfterImport DatesAfterImportOf(const AfterImportFacts& facts) {
  DatesAfterImport dates;
  if (!facts.exportPeriodHasData && facts.importPeriodHasData) {
    dates.moveExport = true;
    dates.exportFrom = facts.importFrom <= facts.importTo ? facts.importFrom : facts.importTo;
    dates.exportTo = facts.importFrom <= facts.importTo ? facts.importTo : facts.importFrom;
  }
  int64_t day = 0;
  if (!facts.beforeRaceDateHasRace && ReadAcceptedDate(facts.lastProgramDay, &day)) {
    dates.moveBeforeRace = true;
    dates.beforeRaceDate = day;
  }
  return dates;
}

std::wstring DayText(int64_t seconds, const std::wstring& separator) {
  LocalTime local;
  if (!ToLocalTime(seconds, &local)) return std::wstring();
  return Format(L"%04d%s%02d%s%02d", local.year, separator, local.month, separator, local.day);
}

}  // namespace wakelore
