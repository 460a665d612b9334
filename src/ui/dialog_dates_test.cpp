#include "ui/dialog_dates.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

int64_t Day(int year, int month, int day) { return test::LocalDay(year, month, day); }

TEST(DialogDatesTest, AcceptedDateTexts) {
  struct Case {
    const wchar_t* text;
    bool accepted;
    const wchar_t* day;
  } cases[] = {
      {L"2024-03-05", true, L"2024-03-05"},
      {L"2024-3-5", true, L"2024-03-05"},
      {L" 2024-03-05 12:00:00", true, L"2024-03-05"},  // trailing text ignored as scanf does
      {L"1990-01-01", true, L"1990-01-01"},
      {L"1989-12-31", false, nullptr},
      {L"2024-00-10", false, nullptr},
      {L"2024-01-00", false, nullptr},
      {L"2024/03/05", false, nullptr},
      {L"2024--3-05", false, nullptr},
      {L"", false, nullptr},
      {L"なし", false, nullptr},
  };
  for (const Case& c : cases) {
    int64_t t = -1;
    EXPECT_EQ(ReadAcceptedDate(c.text, &t), c.accepted) << c.text;
    if (c.accepted) {
      EXPECT_EQ(LocalDateText(t), c.day) << c.text;
    }
  }
}

TEST(DialogDatesTest, DefaultsFollowTheDatabase) {
  const int64_t today = Day(2024, 3, 20);
  struct Case {
    const wchar_t* latest_result;
    const wchar_t* latest_program;
    const wchar_t* import_from;
    const wchar_t* export_from;
    const wchar_t* export_to;
  } cases[] = {
      // Empty database: a month back for the import, the 30 days up to today for the export.
      {L"", L"", L"2024-02-19", L"2024-02-19", L"2024-03-20"},
      // Results up to yesterday: import from today; programs for tomorrow do not move the export.
      {L"2024-03-19", L"2024-03-21", L"2024-03-20", L"2024-02-19", L"2024-03-20"},
      // Results up to a week ago: from six days ago; the export ends on the last program day.
      {L"2024-03-13", L"2024-03-13", L"2024-03-14", L"2024-02-12", L"2024-03-13"},
      // Results recorded for today or later never push the import into the future.
      {L"2024-03-25", L"2024-03-20", L"2024-03-20", L"2024-02-19", L"2024-03-20"},
      // Unreadable texts count as none.
      {L"garbage", L"1989-01-01", L"2024-02-19", L"2024-02-19", L"2024-03-20"},
  };
  for (const Case& c : cases) {
    DialogDefaultDates dates = DefaultDates(today, c.latest_result, c.latest_program);
    EXPECT_EQ(LocalDateText(dates.importFrom), c.import_from) << c.latest_result;
    EXPECT_EQ(dates.importTo, today);
    EXPECT_EQ(dates.beforeRaceDate, today);
    EXPECT_EQ(LocalDateText(dates.exportFrom), c.export_from) << c.latest_program;
    EXPECT_EQ(LocalDateText(dates.exportTo), c.export_to) << c.latest_program;
  }
}

TEST(DialogDatesTest, DayTextSeparators) {
  const int64_t t = Day(2024, 3, 1) + 3600 * 15;
  EXPECT_EQ(DayText(t, L"-"), L"2024-03-01");
  EXPECT_EQ(DayText(t, L"/"), L"2024/03/01");
  EXPECT_EQ(DayText(t, L""), L"20240301");
}

TEST(DialogDatesTest, PickersFollowWhatWasJustImported) {
  const int64_t sep1 = test::LocalDay(2023, 9, 1), sep3 = test::LocalDay(2023, 9, 3);
  struct Case {
    const char* name;
    bool import_data, export_data, before_race;
    const wchar_t* last_program;
    bool move_export, move_before;
  } cases[] = {
      {"export period empty, before-race day empty", true, false, false, L"2023-09-02", true, true},
      {"export period holds data", true, true, false, L"2023-09-02", false, true},
      {"before-race day holds a race", true, false, true, L"2023-09-02", true, false},
      {"nothing imported", false, false, false, L"", false, false},
      {"results only: no program day", true, false, false, L"", true, false},
  };
  for (const Case& c : cases) {
    AfterImportFacts facts;
    facts.importFrom = sep3;  // pickers reversed
    facts.importTo = sep1;
    facts.importPeriodHasData = c.import_data;
    facts.exportPeriodHasData = c.export_data;
    facts.beforeRaceDateHasRace = c.before_race;
    facts.lastProgramDay = c.last_program;
    DatesAfterImport dates = DatesAfterImportOf(facts);
    EXPECT_EQ(dates.moveExport, c.move_export) << c.name;
    if (dates.moveExport) {
      EXPECT_EQ(dates.exportFrom, sep1) << c.name;
      EXPECT_EQ(dates.exportTo, sep3) << c.name;
    }
    EXPECT_EQ(dates.moveBeforeRace, c.move_before) << c.name;
    if (dates.moveBeforeRace) {
      EXPECT_EQ(dates.beforeRaceDate, test::LocalDay(2023, 9, 2)) << c.name;
    }
  }
}

}  // namespace
}  // namespace wakelore
