// The portable half of the clock: built on FromLocalTime and ToLocalTime.
#include "platform/clock.h"

#include "platform/format.h"

namespace wakelore {

int64_t LocalMidnightOf(int64_t seconds) {
  LocalTime local;
  if (!ToLocalTime(seconds, &local)) return seconds;
  local.hour = local.minute = local.second = 0;
  int64_t midnight = seconds;
  (void)FromLocalTime(local, &midnight);  // unchanged on failure: `seconds`
  return midnight;
}

int64_t AddCalendarDays(int64_t midnight, int days) {
  LocalTime local;
  if (!ToLocalTime(midnight, &local)) return midnight + static_cast<int64_t>(days) * 86400;
  local.day += days;
  local.hour = local.minute = local.second = 0;
  int64_t result = midnight + static_cast<int64_t>(days) * 86400;
  (void)FromLocalTime(local, &result);  // unchanged on failure: whole days
  return result;
}

std::wstring LocalDateText(int64_t seconds) {
  LocalTime t;
  if (!ToLocalTime(seconds, &t)) return std::wstring();
  return Format(L"%04d-%02d-%02d", t.year, t.month, t.day);
}

std::wstring LocalTimestampText(int64_t seconds) {
  LocalTime t;
  if (!ToLocalTime(seconds, &t)) return std::wstring();
  return Format(L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
}

}  // namespace wakelore
