#include "platform/clock.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(ClockTest, LocalDaysAndCarry) {
  int64_t t = 0;
  ASSERT_TRUE(FromLocalTime({2024, 2, 31}, &t));  // carried into March
  LocalTime local;
  ASSERT_TRUE(ToLocalTime(t, &local));
  EXPECT_EQ(local.year, 2024);
  EXPECT_EQ(local.month, 3);
  EXPECT_EQ(local.day, 2);
  EXPECT_EQ(local.hour, 0);
  EXPECT_EQ(LocalDateText(t), L"2024-03-02");
  EXPECT_EQ(LocalTimestampText(t), L"2024-03-02 00:00:00");
  EXPECT_EQ(LocalMidnightOf(t + 3600 * 13 + 59), t);
}

TEST(ClockTest, CalendarArithmetic) {
  int64_t start = 0;
  ASSERT_TRUE(FromLocalTime({2023, 12, 30}, &start));
  EXPECT_EQ(LocalDateText(AddCalendarDays(start, 3)), L"2024-01-02");
  EXPECT_EQ(LocalDateText(AddCalendarDays(start, -30)), L"2023-11-30");
  EXPECT_EQ(LocalMidnightOf(AddCalendarDays(start, 200)), AddCalendarDays(start, 200));
}

TEST(ClockTest, TickAndSleep) {
  // The tick advances in steps of up to about 16 ms (on Windows and under
  // Wine), so a short sleep can read as one step less than it lasted.
  const uint32_t before = TickCountMs();
  SleepMs(100);
  const uint32_t elapsed = TickCountMs() - before;
  EXPECT_GE(elapsed, 70u);
  EXPECT_LT(elapsed, 5000u);
  EXPECT_GT(NowSeconds(), 1700000000);
}

}  // namespace
}  // namespace wakelore
