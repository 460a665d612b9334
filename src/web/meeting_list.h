// The meeting list of a day on the official race web site: per stadium the
// grade of the meeting, its category, its time zone, the series title, the
// period of the series and the day label.  The daily archives carry no
// grade; these rows supply it (stadium_days, and the grade of the day's
// races).
#ifndef WAKELORE_WEB_MEETING_LIST_H_
#define WAKELORE_WEB_MEETING_LIST_H_

#include <string>
#include <string_view>
#include <vector>

#include "db/db_manager.h"
#include "web/web_client.h"

namespace wakelore {

struct MeetingDayRow {
  std::wstring race_date;     // "YYYY-MM-DD", the requested day
  int stadium_id = 0;         // 1..24
  std::wstring grade;         // "SG", "PG1", "G1", "G2", "G3", "一般" or ""
  std::wstring grade_class;   // the class token that came with the grade ("G1a") or ""
  std::wstring category;      // "女子", "ヴィーナス", "ルーキー" or ""
  std::wstring time_zone;     // "ナイター", "モーニング", "ミッドナイト", "サマー" or ""
  std::wstring series_title;  // the text of the race-index link
  std::wstring period_text;   // "1/5-1/10"
  std::wstring day_label;     // "3日目"
};

// Fetches "/owpc/pc/race/index?hd=YYYYMMDD" for `date_text` ("YYYY-MM-DD")
// and parses it into `*rows` (emptied first).  True when the page arrived,
// whatever it held (a day without races gives no rows); false when the
// fetch failed, with client.message saying why (unless the answer was
// empty).
[[nodiscard]] bool FetchMeetingDays(WebClient& client, const std::wstring& date_text, std::vector<MeetingDayRow>* rows);

// The rows of a meeting list page (UTF-8 bytes), in page order: one per
// tbody whose first race-index link names a stadium 1..24 and, when it
// names a day (hd=), the requested one.  `*rows` is emptied first.
void ParseMeetingList(std::string_view body, const std::wstring& date_text, std::vector<MeetingDayRow>* rows);

// Upserts every row into stadium_days (refreshing fetched_at) and sets the
// grade of that day's races of the stadium (an empty grade too), all in
// one transaction.  An empty list succeeds without touching the database.
// On failure everything is rolled back and db.LastError() describes the
// last failed statement.
[[nodiscard]] bool StoreMeetingDays(DbManager& db, const std::vector<MeetingDayRow>& rows);

}  // namespace wakelore

#endif  // WAKELORE_WEB_MEETING_LIST_H_
