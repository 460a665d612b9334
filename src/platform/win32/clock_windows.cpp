#include <windows.h>

#include <ctime>

#include "platform/clock.h"

namespace wakelore {

bool FromLocalTime(const LocalTime& local, int64_t* seconds) {
  struct tm tm = {};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  __time64_t t = _mktime64(&tm);
  if (t == static_cast<__time64_t>(-1)) return false;
  *seconds = static_cast<int64_t>(t);
  return true;
}

bool ToLocalTime(int64_t seconds, LocalTime* local) {
  __time64_t t = static_cast<__time64_t>(seconds);
  struct tm tm;
  if (_localtime64_s(&tm, &t) != 0) return false;
  local->year = tm.tm_year + 1900;
  local->month = tm.tm_mon + 1;
  local->day = tm.tm_mday;
  local->hour = tm.tm_hour;
  local->minute = tm.tm_min;
  local->second = tm.tm_sec;
  local->weekday = tm.tm_wday;
  return true;
}

uint32_t TickCountMs() { return static_cast<uint32_t>(GetTickCount()); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

int64_t NowSeconds() { return static_cast<int64_t>(_time64(nullptr)); }

}  // namespace wakelore
