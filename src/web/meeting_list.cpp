#include "web/meeting_list.h"

#include "platform/format.h"
#include "platform/text.h"
#include "web/html_tools.h"

namespace wakelore {

namespace {

struct TokenLabel {
  const char* token;
  const wchar_t* label;
};

constexpr TokenLabel kGrades[] = {
    {"SGa", L"SG"}, {"SGb", L"SG"}, {"G1a", L"PG1"}, {"G1b", L"G1"}, {"G2a", L"G2"},
    {"G2b", L"G2"}, {"G3a", L"G3"}, {"G3b", L"G3"}, {"ippan", L"一般"},
};
constexpr TokenLabel kCategories[] = {
    {"lady", L"女子"}, {"venus", L"ヴィーナス"}, {"rookie__3rdadd", L"ルーキー"},
};
constexpr TokenLabel kTimeZones[] = {
    {"nighter", L"ナイター"}, {"morning", L"モーニング"}, {"midnight", L"ミッドナイト"}, {"summer", L"サマー"},
};

// "is-" + token, followed by a space or the end of the class text, anywhere
// in it.
bool CarriesToken(std::string_view cls, std::string_view token) {
  std::string needle = "is-" + std::string(token);
  size_t pos = cls.find(needle);
  while (pos != std::string_view::npos) {
    size_t after = pos + needle.size();
    if (after == cls.size() || cls[after] == ' ') return true;
    pos = cls.find(needle, pos + 1);
  }
  return false;
}

template <size_t N>
const wchar_t* LabelOf(std::string_view cls, const TokenLabel (&table)[N]) {
  for (const TokenLabel& row : table) {
    if (CarriesToken(cls, row.token)) return row.label;
  }
  return nullptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void ParseMeetingList(std::string_view body, const std::wstring& date_text, std::vector<MeetingDayRow>* rows) {
  rows->clear();
  const std::string digits = Utf16ToUtf8(HdQueryValue(date_text));
  constexpr std::string_view kLink = "raceindex?jcd=";
  size_t search = 0;
  for (;;) {
    size_t open = body.find("<tbody", search);
    if (open == std::string_view::npos) return;
    size_t close = body.find("</tbody>", open);
    if (close == std::string_view::npos) return;
    search = close;
    std::string_view block = body.substr(open, close - open);
    if (block.size() <= 13) continue;
    size_t link = block.find(kLink);
    if (link == std::string_view::npos) continue;

    size_t p = link + kLink.size();
    int stadium = 0;
    bool any_digit = false;
    while (p < block.size() && IsDigit(block[p])) {
      any_digit = true;
      if (stadium < 1000) stadium = stadium * 10 + (block[p] - '0');
      ++p;
    }
    if (!any_digit || stadium < 1 || stadium > 24) continue;

    size_t quote = block.find('"', link);
    std::string_view link_text = block.substr(link, quote == std::string_view::npos ? std::string_view::npos
                                                                                     : quote - link);
    size_t hd = link_text.find("hd=");
    if (hd != std::string_view::npos && link_text.substr(hd + 3, 8) != digits) continue;

    MeetingDayRow row;
    row.race_date = date_text;
    row.stadium_id = stadium;
    size_t gt = block.find('>', link);
    if (gt != std::string_view::npos) {
      size_t end = block.find("</a>", gt);
      if (end != std::string_view::npos) row.series_title = Utf8ToUtf16(HtmlToText(block.substr(gt, end - gt)));
    }

    std::string grade_class;
    for (const TableCell& cell : TableCells(block)) {
      if (const wchar_t* grade = LabelOf(cell.cellClass, kGrades)) row.grade = grade;
      if (!row.grade.empty() && grade_class.empty()) {
        size_t is = cell.cellClass.find("is-");
        if (is != std::string::npos) {
          size_t start = is + 3;
          size_t space = cell.cellClass.find(' ', start);
          grade_class = cell.cellClass.substr(start, space == std::string::npos ? std::string::npos : space - start);
        }
      }
      if (const wchar_t* category = LabelOf(cell.cellClass, kCategories)) row.category = category;
      if (const wchar_t* zone = LabelOf(cell.cellClass, kTimeZones)) row.time_zone = zone;
      if (row.period_text.empty() && !cell.cellText.empty() && IsDigit(cell.cellText[0]) &&
          cell.cellText.find('/') != std::string::npos) {
        size_t space = cell.cellText.find(' ');
        if (space == std::string::npos) {
          row.period_text = Utf8ToUtf16(cell.cellText);
        } else {
          row.period_text = Utf8ToUtf16(cell.cellText.substr(0, space));
          row.day_label = Utf8ToUtf16(TrimAscii(std::string_view(cell.cellText).substr(space + 1)));
        }
      }
    }
    row.grade_class = Utf8ToUtf16(grade_class);
    rows->push_back(std::move(row));
  }
}

bool FetchMeetingDays(WebClient& client, const std::wstring& date_text, std::vector<MeetingDayRow>* rows) {
  rows->clear();
  std::string body;
  if (!FetchPage(client, Format(L"/owpc/pc/race/index?hd=%s", HdQueryValue(date_text)), &body)) return false;
  ParseMeetingList(body, date_text, rows);
  return true;
}

bool StoreMeetingDays(DbManager& db, const std::vector<MeetingDayRow>& rows) {
  if (rows.empty()) return true;
  bool ok = db.Exec(L"BEGIN TRANSACTION;");
  for (const MeetingDayRow& row : rows) {
    if (!db.Exec(Format(L"INSERT INTO stadium_days (race_date, stadium_id, grade, grade_class, category, time_zone, "
                        L"series_title, period_text, day_label, fetched_at) VALUES (%s, %d, %s, %s, %s, %s, %s, %s, "
                        L"%s, datetime('now', 'localtime')) ON CONFLICT(race_date, stadium_id) DO UPDATE SET "
                        L"grade=excluded.grade, grade_class=excluded.grade_class, category=excluded.category, "
                        L"time_zone=excluded.time_zone, series_title=excluded.series_title, "
                        L"period_text=excluded.period_text, day_label=excluded.day_label, "
                        L"fetched_at=excluded.fetched_at;",
                        SqlQuote(row.race_date), row.stadium_id, SqlQuote(row.grade), SqlQuote(row.grade_class),
                        SqlQuote(row.category), SqlQuote(row.time_zone), SqlQuote(row.series_title),
                        SqlQuote(row.period_text), SqlQuote(row.day_label)))) {
      ok = false;
    }
    if (!db.Exec(Format(L"UPDATE races SET grade=%s WHERE race_date=%s AND stadium_id=%d;", SqlQuote(row.grade),
                        SqlQuote(row.race_date), row.stadium_id))) {
      ok = false;
    }
  }
  if (ok) {
    if (db.Exec(L"COMMIT;")) return true;
    // A commit that failed (the file is locked) leaves the transaction
    // open; it must not stay open on the run's connection.
    (void)db.Exec(L"ROLLBACK;");
    return false;
  }
  // A successful rollback leaves the failed statement's message in place.
  (void)db.Exec(L"ROLLBACK;");
  return false;
}

}  // namespace wakelore
