#include "web/race_address.h"

#include <vector>

#include "platform/format.h"
#include "platform/text.h"
#include "web/html_tools.h"

namespace wakelore {

std::wstring RacePagePath(const char* page, const std::wstring& date_text, int stadium_id, int race_no) {
  return Format(L"/owpc/pc/race/%hs?rno=%d&jcd=%02d&hd=%s", page, race_no, stadium_id, HdQueryValue(date_text));
}

int64_t FindRaceId(DbManager& db, const std::wstring& date_text, int stadium_id, int race_no) {
  // The date goes in as a quoted literal, so a malformed date text can only
  // fail to match.
  std::vector<DbRow> rows;
  if (!db.QueryRows(Format(L"SELECT id FROM races WHERE race_date = %s AND stadium_id = %d AND race_no = %d;",
                           SqlQuote(date_text), stadium_id, race_no),
                    &rows) ||
      rows.empty()) {
    return 0;
  }
  const std::string id = Utf16ToUtf8(DbRowValue(rows[0], L"id"));
  int64_t value = 0;
  for (char c : id) {
    if (c < '0' || c > '9') return 0;
    if (value > (INT64_MAX - 9) / 10) return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace wakelore
