#include <time.h>

#include <cerrno>

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
  errno = 0;
  time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1) && errno != 0) return false;
  *seconds = static_cast<int64_t>(t);
  return true;
}

bool ToLocalTime(int64_t seconds, LocalTime* local) {
  time_t t = static_cast<time_t>(seconds);
  struct tm tm;
  if (::localtime_r(&t, &tm) == nullptr) return false;
  local->year = tm.tm_year + 1900;
  local->month = tm.tm_mon + 1;
  local->day = tm.tm_mday;
  local->hour = tm.tm_hour;
  local->minute = tm.tm_min;
  local->second = tm.tm_sec;
  local->weekday = tm.tm_wday;
  return true;
}

uint32_t TickCountMs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void SleepMs(uint32_t milliseconds) {
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int64_t NowSeconds() { return static_cast<int64_t>(::time(nullptr)); }

}  // namespace wakelore
