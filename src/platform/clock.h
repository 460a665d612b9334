// Time: calendar days in local time, a millisecond tick and sleeping.
#ifndef WAKELORE_PLATFORM_CLOCK_H_
#define WAKELORE_PLATFORM_CLOCK_H_

#include <cstdint>
#include <string>

namespace wakelore {

// A broken-down local time.
struct LocalTime {
  int year = 1970;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 = Sunday; filled by ToLocalTime
};

// Seconds since 1970 of a local time; out-of-range fields carry over as
// mktime does (day 31 of February is in March), daylight saving decided by
// the system.  False when the system cannot represent it.
[[nodiscard]] bool FromLocalTime(const LocalTime& local, int64_t* seconds);

// The local time of `seconds` since 1970.  False when it cannot be converted.
[[nodiscard]] bool ToLocalTime(int64_t seconds, LocalTime* local);

// The local midnight that begins the day holding `seconds`.
int64_t LocalMidnightOf(int64_t seconds);

// `days` calendar days after (or before) the local midnight `midnight`,
// again at local midnight whatever daylight saving does in between.
int64_t AddCalendarDays(int64_t midnight, int days);

// Now, in seconds since 1970.
int64_t NowSeconds();

// "YYYY-MM-DD" of the local day holding `seconds`, and
// "YYYY-MM-DD HH:MM:SS" of the local time.
std::wstring LocalDateText(int64_t seconds);
std::wstring LocalTimestampText(int64_t seconds);

// Milliseconds from an arbitrary start, wrapping at 2^32 (GetTickCount).
uint32_t TickCountMs();

void SleepMs(uint32_t milliseconds);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_CLOCK_H_
